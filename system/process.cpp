#include "system/process.h"

#include "system/platform.h"

namespace qv {

namespace {

// Switches the redirection back on every way out, a failed start included.
class RedirectionOff {
public:
    explicit RedirectionOff(ProcessSystem& system) : system_(system), active_(system.Is64BitWindows()) {
        if (active_) system_.DisableFsRedirection();
    }
    ~RedirectionOff() {
        if (active_) system_.RevertFsRedirection();
    }
    RedirectionOff(const RedirectionOff&) = delete;
    RedirectionOff& operator=(const RedirectionOff&) = delete;

private:
    ProcessSystem& system_;
    bool active_;
};

}  // namespace

bool RunHidden(const std::wstring& command) {
    std::wstring message;
    uint32_t exitCode = 0;
    return Sys().RunAndWait(command, kHidden, message, kNoTimeout, false, &exitCode) && exitCode == 0;
}

bool RunAndWait(ProcessSystem& system, const std::wstring& commandLine, int windowStyle,
                std::wstring& message, int32_t timeoutMs, bool abortOnTimeout, uint32_t* exitCode) {
    // Off around the start and the wait, so that "bcdedit.exe" and "reg.exe"
    // are found in the native system folder.
    RedirectionOff redirection(system);

    uint32_t processId = 0;
    std::wstring failure;
    if (!system.Start(commandLine, windowStyle, processId, failure)) {
        message = failure;
        return false;
    }
    if (!system.Open(processId)) {
        message = kProcessNotOpenedText;
        return false;
    }
    return WaitForExit(system, message, timeoutMs, abortOnTimeout, exitCode);
}

bool WaitForExit(ProcessSystem& system, std::wstring& message, int32_t timeoutMs, bool abortOnTimeout,
                 uint32_t* exitCodeOut) {
    bool result = true;
    uint32_t exitCode = 0;
    const uint32_t start = system.ReadClock();
    // The status tested is the one read at the start of the pass, so the pass
    // that sees the end still sleeps.
    do {
        system.QueryExitCode(exitCode);
        system.PumpMessages();
        system.SleepFor(kPollIntervalMs);
        // Unsigned, the difference stays right when the clock passes 2^31 or
        // wraps at 2^32.
        const uint32_t elapsed = system.ReadClock() - start;
        if (abortOnTimeout && int64_t{elapsed} > int64_t{timeoutMs}) {
            message = kProcessTimedOutText;
            exitCode = 0;
            result = false;
        }
    } while (exitCode == kStillActive);
    if (result && exitCodeOut) *exitCodeOut = exitCode;
    return result;
}

}  // namespace qv
