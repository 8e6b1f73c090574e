// RunAndWait: start a command line and wait until it ends, letting window
// messages through meanwhile. The steps are decided here over any `System`
// that offers the calls below, so the clock's wrap-around and the redirection
// switch can be tested without Windows.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "system/running_windows.h"

namespace qv {

inline constexpr uint32_t kPollIntervalMs = 100;

// One text: the second sentence follows the first period directly.
inline constexpr wchar_t kProcessNotOpenedText[] =
    L"This program could not determine whether the process started."
    L"Please watch the program and check it completes.";
inline constexpr wchar_t kProcessTimedOutText[] = L"The process has timed out.";
inline constexpr wchar_t kExitCodeUnreadableText[] = L"The exit code of the process could not be read.";
inline constexpr wchar_t kOutputUnfinishedText[] = L"The output of the process did not end.";

// What RunAndWait asks of the system, given as `System`: the Win32 side's
// process (process_win32.h) or a test's fake. No virtual layer: the one seam
// to Windows is ProgramStarter (program_starter.h), whose Win32 side runs this.
//   void DisableFsRedirection(), RevertFsRedirection()
//       WOW64 file-system redirection of the calling thread.
//   bool Start(commandLine, windowStyle, uint32_t& processId, std::wstring& failure)
//       Starts the command without waiting; a negative window style leaves
//       the show state to Windows. On failure `failure` says why.
//   bool Open(uint32_t processId)
//       Opens the started process for waiting, status queries and ending it;
//       false when no handle came.
//   bool WaitForEnd(uint32_t milliseconds)
//       Waits at most that long for the end, waking early for window
//       messages; true once it has ended.
//   bool FinishOutput(uint32_t milliseconds)
//       After the end: reads what the command wrote and is still on its way,
//       until the last writer has closed the output; false when that does not
//       happen in time. True at once when no output is read.
//   bool QueryExitCode(uint32_t& exitCode)
//       False when the query fails; `exitCode` is then untouched.
//   void Terminate()
//       Ends a process that was given up on (also one that could not be
//       opened), and waits a little for it to be gone, so it cannot act later.
//   void PumpMessages()
//   uint32_t ReadClock()
//       Milliseconds since the system started; wraps at 2^32.

inline constexpr int kHidden = 0;
inline constexpr int kShowNormal = 1;  // a normal window with the focus
// The system programs Quorvine runs end within seconds; past this they count as failed.
inline constexpr int32_t kCommandLimitMs = 120000;
inline constexpr wchar_t kCommandLimitVariable[] = L"QUORVINE_COMMAND_LIMIT_MS";
// The limit in force; the environment may only shorten it (for tests).
int32_t CommandLimitMs();

// A program of the system folder, named by its full path: never one that lies
// beside Quorvine.exe or in the current folder.
std::wstring SystemProgramCommand(const std::wstring& program, const std::wstring& arguments);
struct CommandResult {
    bool ok = false;      // ran, and ended with exit code 0 within the limit
    std::wstring reason;  // why not, in words
    // Its exit code, when it ran to its end within the limit; some programs
    // answer a question with it.
    std::optional<uint32_t> exitCode;
};
// Runs it hidden within the command limit.
CommandResult RunSystemProgram(const std::wstring& program, const std::wstring& arguments);
// Its standard output, read through a pipe; empty when it did not end with
// exit code 0 within the command limit.
std::optional<std::wstring> ReadSystemProgram(const std::wstring& program, const std::wstring& arguments);

namespace detail {

// Switches the redirection back on every way out, a failed start included.
// Only a 32-bit program on 64-bit Windows has any.
template <typename System>
class RedirectionOff {
public:
    explicit RedirectionOff(System& system) : system_(system), active_(Windows().Is64BitWindows()) {
        if (active_) system_.DisableFsRedirection();
    }
    ~RedirectionOff() {
        if (active_) system_.RevertFsRedirection();
    }
    RedirectionOff(const RedirectionOff&) = delete;
    RedirectionOff& operator=(const RedirectionOff&) = delete;

private:
    System& system_;
    bool active_;
};

}  // namespace detail

// The wait for an opened process: true when it ended, false when given up
// (and the process ended) after `timeoutMs` with `abortOnTimeout`.
// `exitCode`, when given, receives the process's exit code after a true answer.
template <typename System>
bool WaitForExit(System& system, std::wstring& message, int32_t timeoutMs, bool abortOnTimeout,
                 uint32_t* exitCodeOut = nullptr) {
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

// True when the process was started, opened and waited for until it ended.
// `message` stays as passed then; otherwise it tells what went wrong.
template <typename System>
bool RunAndWait(System& system, const std::wstring& commandLine, int windowStyle, std::wstring& message,
                int32_t timeoutMs, bool abortOnTimeout, uint32_t* exitCode = nullptr) {
    uint32_t processId = 0;
    std::wstring failure;
    bool started = false;
    {
        // Off for the start alone, so that the system programs it starts are
        // found in the native system folder. The wait handles window messages,
        // and a DLL loaded meanwhile must come from the 32-bit system folder.
        detail::RedirectionOff<System> redirection(system);
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

}  // namespace qv
