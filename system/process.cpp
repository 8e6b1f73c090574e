#include "system/process.h"

#include "system/seams.h"

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

int32_t CommandLimitMs() {
    const std::wstring text = Program().GetEnv(kCommandLimitVariable);
    int64_t shorter = 0;
    for (wchar_t c : text) {
        if (c < L'0' || c > L'9' || shorter > kCommandLimitMs) return kCommandLimitMs;
        shorter = shorter * 10 + (c - L'0');
    }
    return shorter > 0 && shorter < kCommandLimitMs ? static_cast<int32_t>(shorter) : kCommandLimitMs;
}

std::wstring SystemProgramCommand(const std::wstring& program, const std::wstring& arguments) {
    return L"\"" + Windows().SystemFolder() + L"\\" + program + L"\" " + arguments;
}

CommandResult RunSystemProgram(const std::wstring& program, const std::wstring& arguments) {
    std::wstring message;
    uint32_t exitCode = 0;
    if (!Programs().RunAndWait(SystemProgramCommand(program, arguments), kHidden, message, CommandLimitMs(), true,
                          &exitCode))
        return {false, message, std::nullopt};
    if (exitCode != 0) return {false, L"It ended with exit code " + std::to_wstring(exitCode) + L".", exitCode};
    return {true, {}, exitCode};
}

std::optional<std::wstring> ReadSystemProgram(const std::wstring& program, const std::wstring& arguments) {
    return Programs().RunAndRead(SystemProgramCommand(program, arguments), CommandLimitMs());
}

bool RunAndWait(ProcessSystem& system, const std::wstring& commandLine, int windowStyle, std::wstring& message,
                int32_t timeoutMs, bool abortOnTimeout, uint32_t* exitCode) {
    uint32_t processId = 0;
    std::wstring failure;
    bool started = false;
    {
        // Off for the start alone, so that "bcdedit.exe" and "reg.exe" are
        // found in the native system folder. The wait handles window messages,
        // and a DLL loaded meanwhile must come from the 32-bit system folder.
        RedirectionOff redirection(system);
        started = system.Start(commandLine, windowStyle, processId, failure);
    }
    if (!started) {
        message = failure;
        return false;
    }
    if (!system.Open(processId)) {
        // Unwatched, it could still change things after its change is taken back.
        system.Terminate();
        message = kProcessNotOpenedText;
        return false;
    }
    return WaitForExit(system, message, timeoutMs, abortOnTimeout, exitCode);
}

bool WaitForExit(ProcessSystem& system, std::wstring& message, int32_t timeoutMs, bool abortOnTimeout,
                 uint32_t* exitCodeOut) {
    const uint32_t start = system.ReadClock();
    for (;;) {
        // Woken by the end itself, or at least every poll interval for the
        // window's messages.
        const bool ended = system.WaitForEnd(kPollIntervalMs);
        system.PumpMessages();
        if (ended) {
            // The process has ended, so 259 here is its real exit code.
            uint32_t exitCode = 0;
            if (!system.QueryExitCode(exitCode)) {
                message = kExitCodeUnreadableText;
                return false;
            }
            // Its last words may still be in flight when the end is signalled.
            const uint32_t spent = system.ReadClock() - start;
            const uint32_t left = int64_t{spent} < int64_t{timeoutMs} ? uint32_t(timeoutMs) - spent : 0;
            if (!system.FinishOutput(left)) {
                message = kOutputUnfinishedText;
                return false;
            }
            if (exitCodeOut) *exitCodeOut = exitCode;
            return true;
        }
        // Unsigned, the difference stays right when the clock passes 2^31 or
        // wraps at 2^32.
        const uint32_t elapsed = system.ReadClock() - start;
        if (abortOnTimeout && int64_t{elapsed} > int64_t{timeoutMs}) {
            system.Terminate();
            message = kProcessTimedOutText;
            return false;
        }
    }
}

}  // namespace qv
