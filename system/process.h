// RunAndWait: start a command line and wait until it ends, letting window
// messages through meanwhile. The steps are decided here over `ProcessSystem`,
// so the clock's wrap-around and the redirection switch can be tested without
// Windows.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace qv {

inline constexpr uint32_t kPollIntervalMs = 100;

// One text: the second sentence follows the first period directly.
inline constexpr wchar_t kProcessNotOpenedText[] =
    L"This program could not determine whether the process started."
    L"Please watch the program and check it completes.";
inline constexpr wchar_t kProcessTimedOutText[] = L"The process has timed out.";
inline constexpr wchar_t kExitCodeUnreadableText[] = L"The exit code of the process could not be read.";
inline constexpr wchar_t kOutputUnfinishedText[] = L"The output of the process did not end.";

// What RunAndWait asks of the system.
class ProcessSystem {
public:
    virtual ~ProcessSystem() = default;

    virtual bool Is64BitWindows() = 0;
    // WOW64 file-system redirection of the calling thread.
    virtual void DisableFsRedirection() = 0;
    virtual void RevertFsRedirection() = 0;
    // Starts the command without waiting; a negative window style leaves the
    // show state to the platform. On failure `failure` says why.
    virtual bool Start(const std::wstring& commandLine, int windowStyle, uint32_t& processId,
                       std::wstring& failure) = 0;
    // Opens the started process for waiting, status queries and ending it;
    // false when no handle came.
    virtual bool Open(uint32_t processId) = 0;
    // Waits at most `milliseconds` for the process to end, waking early for
    // window messages; true once it has ended.
    virtual bool WaitForEnd(uint32_t milliseconds) = 0;
    // After the end: reads what the command wrote and is still on its way,
    // until the last writer has closed the output; false when that does not
    // happen within `milliseconds`. True at once when no output is read.
    virtual bool FinishOutput(uint32_t milliseconds) = 0;
    // False when the query fails; `exitCode` is then untouched.
    virtual bool QueryExitCode(uint32_t& exitCode) = 0;
    // Ends a process that was given up on (also one that could not be
    // opened), and waits a little for it to be gone, so it cannot act later.
    virtual void Terminate() = 0;
    virtual void PumpMessages() = 0;
    // Milliseconds since the system started; wraps at 2^32.
    virtual uint32_t ReadClock() = 0;
};

inline constexpr int kHidden = 0;
inline constexpr int kShowNormal = 1;  // a normal window with the focus
// bcdedit and reg import end within seconds; past this they count as failed.
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

// True when the process was started, opened and waited for until it ended.
// `message` stays as passed then; otherwise it tells what went wrong.
bool RunAndWait(ProcessSystem& system, const std::wstring& commandLine, int windowStyle, std::wstring& message,
                int32_t timeoutMs, bool abortOnTimeout, uint32_t* exitCode = nullptr);

// The wait for an opened process: true when it ended, false when given up
// (and the process ended) after `timeoutMs` with `abortOnTimeout`.
// `exitCode`, when given, receives the process's exit code after a true answer.
bool WaitForExit(ProcessSystem& system, std::wstring& message, int32_t timeoutMs, bool abortOnTimeout,
                 uint32_t* exitCode = nullptr);

}  // namespace qv
