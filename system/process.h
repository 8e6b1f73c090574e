// RunAndWait: start a command line and poll until it ends, letting window
// messages through meanwhile. The steps are decided here over `ProcessSystem`,
// so the clock's wrap-around and the redirection switch can be tested without
// Windows.
#pragma once

#include <cstdint>
#include <string>

namespace qv {

inline constexpr uint32_t kPollIntervalMs = 100;
// GetExitCodeProcess's answer for a process that has not ended.
inline constexpr uint32_t kStillActive = 259;

// One text: the second sentence follows the first period directly.
inline constexpr wchar_t kProcessNotOpenedText[] =
    L"This program could not determine whether the process started."
    L"Please watch the program and check it completes.";
inline constexpr wchar_t kProcessTimedOutText[] = L"The process has timed out.";

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
    // Opens the started process for status queries; false when no handle came.
    virtual bool Open(uint32_t processId) = 0;
    // False when the query fails; `exitCode` is then untouched.
    virtual bool QueryExitCode(uint32_t& exitCode) = 0;
    virtual void PumpMessages() = 0;
    virtual void SleepFor(uint32_t milliseconds) = 0;
    // Milliseconds since the system started; wraps at 2^32.
    virtual uint32_t ReadClock() = 0;
};

inline constexpr int kHidden = 0;
// What every caller waits: long enough to mean "until it ends".
inline constexpr int32_t kNoTimeout = 2000000000;

// Runs a command hidden through the platform and waits for its end; true when
// it ran and ended with exit code 0.
bool RunHidden(const std::wstring& command);

// True when the process was started, opened and waited for until it ended.
// `message` stays as passed then; otherwise it tells what went wrong.
bool RunAndWait(ProcessSystem& system, const std::wstring& commandLine, int windowStyle,
                std::wstring& message, int32_t timeoutMs, bool abortOnTimeout,
                uint32_t* exitCode = nullptr);

// The poll of an opened process: true when it ended, false when given up after
// `timeoutMs` with `abortOnTimeout`.
// `exitCode`, when given, receives the process's exit code after a true answer.
bool WaitForExit(ProcessSystem& system, std::wstring& message, int32_t timeoutMs, bool abortOnTimeout,
                 uint32_t* exitCode = nullptr);

}  // namespace qv
