// Starting programs: the process start, the poll's system calls and the
// WOW64 redirection switch; and the Windows calls behind a restart.
#include "system/process_win32.h"

#include <string>

#include <windows.h>

#include "system/ansi_win32.h"
#include "system/cause.h"
#include "system/error_text_win32.h"
#include "system/handles_win32.h"
#include "system/seams_win32.h"
#include "system/shutdown.h"
#include "system/system_library_win32.h"

namespace qv::win32 {

namespace {

using Wow64DisableFn = BOOL(WINAPI*)(PVOID*);
using Wow64RevertFn = BOOL(WINAPI*)(PVOID);

// The standard handles of a hidden command: the output pipe when it is read,
// else NUL. Its words must not land among the program's own output lines,
// which scripts read.
UniqueHandle OpenNul() {
    SECURITY_ATTRIBUTES inheritable{sizeof(inheritable), nullptr, TRUE};
    HANDLE device = CreateFileW(L"NUL", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, &inheritable,
                                OPEN_EXISTING, 0, nullptr);
    return UniqueHandle(device == INVALID_HANDLE_VALUE ? nullptr : device);
}

bool CreateWithStyle(const std::wstring& commandLine, int windowStyle, HANDLE output, PROCESS_INFORMATION& info) {
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    // A negative style is no show state; the new program then gets the
    // platform's default for its first window.
    if (windowStyle >= 0) {
        startup.dwFlags = STARTF_USESHOWWINDOW;
        startup.wShowWindow = static_cast<WORD>(windowStyle);
    }
    UniqueHandle nul;
    if (windowStyle == SW_HIDE) nul = OpenNul();
    if (nul) {
        startup.dwFlags |= STARTF_USESTDHANDLES;
        startup.hStdInput = nul.get();
        startup.hStdOutput = startup.hStdError = output ? output : nul.get();
    }
    std::wstring line = commandLine;  // CreateProcessW may write into it
    return CreateProcessW(nullptr, line.data(), nullptr, nullptr, nul ? TRUE : FALSE, 0, nullptr, nullptr, &startup,
                          &info) != FALSE;
}

}  // namespace

void Win32ProcessSystem::DisableFsRedirection() {
    // Looked up at run time: Windows 2000 and early XP lack it, and a 64-bit
    // process has no redirection (the call just fails there).
    static const auto disable = SystemFunctionAs<Wow64DisableFn>(L"kernel32.dll", "Wow64DisableWow64FsRedirection");
    if (disable) disable(&redirection_);
}

void Win32ProcessSystem::RevertFsRedirection() {
    static const auto revert = SystemFunctionAs<Wow64RevertFn>(L"kernel32.dll", "Wow64RevertWow64FsRedirection");
    if (revert) revert(redirection_);
}

void Win32ProcessSystem::CaptureOutput(std::string& output) {
    HANDLE readEnd = nullptr;
    HANDLE writeEnd = nullptr;
    SECURITY_ATTRIBUTES inheritable{sizeof(inheritable), nullptr, TRUE};
    if (!CreatePipe(&readEnd, &writeEnd, &inheritable, kPipeBufferSize)) return;
    SetHandleInformation(readEnd, HANDLE_FLAG_INHERIT, 0);
    pipeReader_.reset(readEnd);
    pipeWriter_.reset(writeEnd);
    captured_ = &output;
}

bool Win32ProcessSystem::DrainOutput() {
    if (!captured_) return true;
    DWORD available = 0;
    while (PeekNamedPipe(pipeReader_.get(), nullptr, 0, nullptr, &available, nullptr)) {
        if (available == 0) return false;
        char chunk[4096];
        DWORD read = 0;
        if (!ReadFile(pipeReader_.get(), chunk, sizeof(chunk), &read, nullptr)) break;
        captured_->append(chunk, read);
    }
    // The pipe reports its last writer gone only once everything written is read.
    return GetLastError() == ERROR_BROKEN_PIPE;
}

bool Win32ProcessSystem::FinishOutput(uint32_t milliseconds) {
    // Anonymous pipes cannot be waited on, so the end is looked for in short
    // steps; usually it is there at the first look.
    const DWORD start = GetTickCount();
    while (!DrainOutput()) {
        if (GetTickCount() - start >= milliseconds) return false;
        Sleep(kOutputPollMs);
    }
    return true;
}

bool Win32ProcessSystem::Start(const std::wstring& commandLine, int windowStyle, uint32_t& processId,
                               std::wstring& failure) {
    PROCESS_INFORMATION info{};
    const bool created = CreateWithStyle(commandLine, windowStyle, pipeWriter_.get(), info);
    // Only the child holds the write end now, so the pipe ends with it.
    pipeWriter_.reset();
    if (!created) {
        failure = L"Could not start: " + commandLine + L" (" + ErrorCause(GetLastError()) + L")";
        return false;
    }
    UniqueHandle thread(info.hThread);
    // Keeps the identifier valid until Open, also for a command that ends at once.
    started_.reset(info.hProcess);
    processId = info.dwProcessId;
    return true;
}

bool Win32ProcessSystem::Open(uint32_t processId) {
    process_.reset(OpenProcess(PROCESS_QUERY_INFORMATION | SYNCHRONIZE | PROCESS_TERMINATE, FALSE, processId));
    // Kept when the open failed: Terminate still needs a handle.
    if (process_) started_.reset();
    return process_ != nullptr;
}

bool Win32ProcessSystem::QueryExitCode(uint32_t& exitCode) {
    DWORD code = 0;
    if (!GetExitCodeProcess(process_.get(), &code)) return false;
    exitCode = code;
    return true;
}

bool Win32ProcessSystem::WaitForEnd(uint32_t milliseconds) {
    // Read as it comes, so a full pipe never holds the command up for long.
    DrainOutput();
    HANDLE process = process_.get();
    const DWORD woken = MsgWaitForMultipleObjects(1, &process, FALSE, milliseconds, QS_ALLINPUT);
    // A failed wait must not spin: it counts as a pass of the interval.
    if (woken == WAIT_FAILED) Sleep(milliseconds);
    return woken == WAIT_OBJECT_0;
}

void Win32ProcessSystem::Terminate() {
    HANDLE process = process_ ? process_.get() : started_.get();
    if (!process) return;
    // TerminateProcess only begins the end; its files and keys are let go
    // once the process is gone.
    if (TerminateProcess(process, ERROR_TIMEOUT)) WaitForSingleObject(process, kTerminateWaitMs);
}

void Win32ProcessSystem::PumpMessages() {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT) {
            // Left for the program's own message loop to end on.
            PostQuitMessage(static_cast<int>(msg.wParam));
            return;
        }
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
}

// GetTickCount counts the same milliseconds as timeGetTime without winmm.dll.
uint32_t Win32ProcessSystem::ReadClock() { return GetTickCount(); }

bool Win32ProgramStarter::RunAndWait(const std::wstring& commandLine, int windowStyle, std::wstring& message,
                               int32_t timeoutMs, bool abortOnTimeout, uint32_t* exitCode) {
    Win32ProcessSystem system;
    return qv::RunAndWait(system, commandLine, windowStyle, message, timeoutMs, abortOnTimeout, exitCode);
}

std::optional<std::wstring> Win32ProgramStarter::RunAndRead(const std::wstring& commandLine, int32_t timeoutMs) {
    Win32ProcessSystem system;
    std::string output;
    system.CaptureOutput(output);
    std::wstring message;
    uint32_t exitCode = 1;
    if (!qv::RunAndWait(system, commandLine, kHidden, message, timeoutMs, true, &exitCode) || exitCode != 0)
        return std::nullopt;
    // Console programs write to a pipe in the console code page.
    return FromCodePage(CP_OEMCP, output.data(), output.size());
}

Done Win32ProgramStarter::StartDetached(const std::wstring& commandLine, int windowStyle) {
    PROCESS_INFORMATION info{};
    if (!CreateWithStyle(commandLine, windowStyle, nullptr, info)) return Done::Failed(GetLastError());
    const UniqueHandle thread(info.hThread);
    const UniqueHandle process(info.hProcess);
    return {};
}

namespace {

constexpr DWORD kTokenAccess = TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY;  // 0x28

class Win32ShutdownApi {
public:
    bool GetPlatformId(uint32_t& platformId) {
        OSVERSIONINFOW info{};
        info.dwOSVersionInfoSize = sizeof(info);
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
        if (!GetVersionExW(&info)) return false;
#pragma GCC diagnostic pop
        platformId = info.dwPlatformId;
        return true;
    }
    bool LookupShutdownPrivilege() {
        return LookupPrivilegeValueW(nullptr, L"SeShutdownPrivilege", &luid_) != FALSE;
    }
    bool HaveCurrentProcess() {
        process_ = GetCurrentProcess();
        return process_ != nullptr;
    }
    bool OpenProcessToken() {
        HANDLE token = nullptr;
        if (!::OpenProcessToken(process_, kTokenAccess, &token)) return false;
        token_.reset(token);
        return true;
    }
    bool EnablePrivilegeInToken() {
        TOKEN_PRIVILEGES request{};
        request.PrivilegeCount = 1;
        request.Privileges[0].Luid = luid_;
        request.Privileges[0].Attributes = SE_PRIVILEGE_ENABLED;
        TOKEN_PRIVILEGES previous{};
        DWORD returned = 0;
        return AdjustTokenPrivileges(token_.get(), FALSE, &request, sizeof(previous), &previous, &returned) != FALSE;
    }
    void CloseToken() { token_.reset(); }
    bool RequestRestart(uint32_t flags, uint32_t reason) { return ExitWindowsEx(flags, reason) != FALSE; }
    int32_t LastError() { return static_cast<int32_t>(GetLastError()); }
    std::wstring SystemErrorText(int32_t code) { return win32::SystemErrorText(static_cast<uint32_t>(code)); }
    std::wstring ExecutableBaseName() {
        std::wstring path = Program().ExecutablePath();
        size_t slash = path.find_last_of(L"\\/");
        std::wstring name = slash == std::wstring::npos ? path : path.substr(slash + 1);
        size_t dot = name.rfind(L'.');
        return dot == std::wstring::npos ? name : name.substr(0, dot);
    }

private:
    LUID luid_{};
    HANDLE process_ = nullptr;
    UniqueHandle token_;
};

}  // namespace

bool Win32ProgramStarter::ShutdownSystem(int32_t flags) {
    Win32ShutdownApi api;
    return qv::ShutdownSystem(api, flags);
}

}  // namespace qv::win32
