// Process start, the poll's system calls and the WOW64 redirection switch.
#include "system/process_win32.h"

#include <string>
#include <string_view>

#include <windows.h>
#include <mmsystem.h>

#include "system/network.h"
#include "system/win32.h"

namespace qv::win32 {

PVOID FsRedirectionOldValue = nullptr;

namespace {

using Wow64DisableFn = BOOL(WINAPI*)(PVOID*);
using Wow64RevertFn = BOOL(WINAPI*)(PVOID);

// Looked up at run time: kernel32 of Windows 2000 and early XP lacks these,
// and an import would keep the program from loading there at all.
template <typename Fn>
Fn Kernel32Function(const char* name) {
    FARPROC proc = GetProcAddress(GetModuleHandleW(L"kernel32.dll"), name);
    return reinterpret_cast<Fn>(reinterpret_cast<void (*)()>(proc));
}

std::wstring SystemErrorText(DWORD error) {
    wchar_t* text = nullptr;
    const DWORD length = FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
        error, 0, reinterpret_cast<LPWSTR>(&text), 0, nullptr);
    std::wstring out = length ? std::wstring(text, length) : L"error " + std::to_wstring(error);
    if (text) LocalFree(text);
    // The system's texts end in a period and a line break, out of place in parentheses.
    while (!out.empty() && std::wstring_view(L"\r\n .").find(out.back()) != std::wstring_view::npos) out.pop_back();
    return out;
}

bool CreateWithStyle(const std::wstring& commandLine, int windowStyle, PROCESS_INFORMATION& info) {
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    // A negative style is no show state; the new program then gets the
    // platform's default for its first window.
    if (windowStyle >= 0) {
        startup.dwFlags = STARTF_USESHOWWINDOW;
        startup.wShowWindow = static_cast<WORD>(windowStyle);
    }
    std::wstring line = commandLine;  // CreateProcessW may write into it
    return CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &info) !=
           FALSE;
}

}  // namespace

bool Win32ProcessSystem::Is64BitWindows() { return qv::Is64BitWindows(); }

void Win32ProcessSystem::DisableFsRedirection() {
    // A 64-bit process has no redirection: the call just fails there.
    static const auto disable = Kernel32Function<Wow64DisableFn>("Wow64DisableWow64FsRedirection");
    if (disable) disable(&FsRedirectionOldValue);
}

void Win32ProcessSystem::RevertFsRedirection() {
    static const auto revert = Kernel32Function<Wow64RevertFn>("Wow64RevertWow64FsRedirection");
    if (revert) revert(FsRedirectionOldValue);
}

bool Win32ProcessSystem::Start(const std::wstring& commandLine, int windowStyle, uint32_t& processId,
                               std::wstring& failure) {
    PROCESS_INFORMATION info{};
    if (!CreateWithStyle(commandLine, windowStyle, info)) {
        failure = L"Could not start: " + commandLine + L" (" + SystemErrorText(GetLastError()) + L")";
        return false;
    }
    UniqueHandle thread(info.hThread);
    // Keeps the identifier valid until Open, also for a command that ends at once.
    started_.reset(info.hProcess);
    processId = info.dwProcessId;
    return true;
}

bool Win32ProcessSystem::Open(uint32_t processId) {
    process_.reset(OpenProcess(PROCESS_QUERY_INFORMATION, FALSE, processId));
    started_.reset();
    return process_ != nullptr;
}

bool Win32ProcessSystem::QueryExitCode(uint32_t& exitCode) {
    DWORD code = 0;
    if (!GetExitCodeProcess(process_.get(), &code)) return false;
    exitCode = code;
    return true;
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

void Win32ProcessSystem::SleepFor(uint32_t milliseconds) { Sleep(milliseconds); }

uint32_t Win32ProcessSystem::ReadClock() { return timeGetTime(); }

bool RunAndWait(const std::wstring& commandLine, int windowStyle, std::wstring& message, int32_t timeoutMs,
                bool abortOnTimeout, uint32_t* exitCode) {
    Win32ProcessSystem system;
    return qv::RunAndWait(system, commandLine, windowStyle, message, timeoutMs, abortOnTimeout, exitCode);
}

bool StartDetached(const std::wstring& commandLine, int windowStyle) {
    PROCESS_INFORMATION info{};
    if (!CreateWithStyle(commandLine, windowStyle, info)) return false;
    CloseHandle(info.hThread);
    CloseHandle(info.hProcess);
    return true;
}

}  // namespace qv::win32
