// The program's own environment, command line and path, its message boxes,
// its standard output and the lock that keeps two runs apart.
#include <string>

#include <windows.h>

#include "system/handles_win32.h"

#include "system/platform_win32.h"

namespace qv::win32 {

std::wstring Win32Platform::GetEnv(const std::wstring& name) {
    // The size includes the NUL; a variable that grows between the calls is read again.
    std::wstring value;
    DWORD size = GetEnvironmentVariableW(name.c_str(), nullptr, 0);
    while (size > value.size()) {
        value.resize(size);
        size = GetEnvironmentVariableW(name.c_str(), value.data(), static_cast<DWORD>(value.size()));
    }
    value.resize(size);
    return value;
}

std::wstring Win32Platform::CommandLine() { return GetCommandLineW(); }

std::wstring Win32Platform::ExecutablePath() {
    // A path longer than the buffer comes back cut and filling it: try a larger one.
    std::wstring buffer(MAX_PATH, L'\0');
    for (;;) {
        DWORD length = GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
        if (length < buffer.size()) {
            buffer.resize(length);
            return buffer;
        }
        buffer.resize(buffer.size() * 2);
    }
}

int Win32Platform::ShowMessage(const std::wstring& text, const std::wstring& title, unsigned style) {
    return MessageBoxW(GetActiveWindow(), text.c_str(), title.empty() ? L"Quorvine" : title.c_str(), style);
}

namespace {

constexpr wchar_t kOperationLockName[] = L"Local\\Tamberlow.Quorvine";

// Where output lines go: what the program was started with (a pipe or a
// file), else the console it was started from. A GUI program opens no console
// of its own, so none ever appears.
struct Output {
    HANDLE handle = nullptr;
    bool console = false;
};

Output& StandardOutput() {
    static Output output;
    static bool looked = false;
    if (looked) return output;
    looked = true;
    HANDLE handle = GetStdHandle(STD_OUTPUT_HANDLE);
    if (!handle || handle == INVALID_HANDLE_VALUE || GetFileType(handle) == FILE_TYPE_UNKNOWN) {
        if (!AttachConsole(ATTACH_PARENT_PROCESS)) return output;
        handle = CreateFileW(L"CONOUT$", GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0,
                             nullptr);
        if (handle == INVALID_HANDLE_VALUE) return output;
    }
    DWORD mode = 0;
    output.handle = handle;
    output.console = GetConsoleMode(handle, &mode) != FALSE;
    return output;
}

UniqueHandle operationLock;
int operationLockDepth = 0;

}  // namespace

void Win32Platform::WriteOutputLine(const std::wstring& line) {
    const Output& output = StandardOutput();
    if (!output.handle) return;
    const std::wstring text = line + L"\r\n";
    DWORD written = 0;
    if (output.console) {
        WriteConsoleW(output.handle, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
        return;
    }
    // Into a pipe or a file: UTF-8, so a path in any script arrives whole.
    const int size =
        WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
    std::string bytes(static_cast<size_t>(size > 0 ? size : 0), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), bytes.data(), size, nullptr, nullptr);
    WriteFile(output.handle, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
}

bool Win32Platform::AcquireOperationLock(uint32_t timeoutMs) {
    if (operationLockDepth > 0) {
        ++operationLockDepth;
        return true;
    }
    if (!operationLock) operationLock.reset(CreateMutexW(nullptr, FALSE, kOperationLockName));
    // Without a mutex the runs cannot be kept apart, but this one may still work.
    if (!operationLock) {
        ++operationLockDepth;
        return true;
    }
    const DWORD waited = WaitForSingleObject(operationLock.get(), timeoutMs);
    // An abandoned lock: the other run ended half-way (a restart); its state is checked anew.
    if (waited != WAIT_OBJECT_0 && waited != WAIT_ABANDONED) return false;
    ++operationLockDepth;
    return true;
}

void Win32Platform::ReleaseOperationLock() {
    if (operationLockDepth == 0 || --operationLockDepth > 0) return;
    if (operationLock) ReleaseMutex(operationLock.get());
}

}  // namespace qv::win32
