// The program's own environment, command line and path.
#include <string>

#include <windows.h>

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

}  // namespace qv::win32
