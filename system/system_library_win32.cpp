#include "system/system_library_win32.h"

#include <vector>

namespace qv::win32 {

std::wstring SystemDirectory() {
    std::vector<wchar_t> buffer(MAX_PATH);
    for (;;) {
        const UINT length = GetSystemDirectoryW(buffer.data(), static_cast<UINT>(buffer.size()));
        if (length == 0) return L"C:\\Windows\\system32";
        if (length < buffer.size()) return std::wstring(buffer.data(), length);
        buffer.resize(length + 1);
    }
}

std::wstring WindowsDirectory() {
    std::vector<wchar_t> buffer(MAX_PATH);
    for (;;) {
        const UINT length = GetSystemWindowsDirectoryW(buffer.data(), static_cast<UINT>(buffer.size()));
        if (length == 0) return L"C:\\Windows";
        if (length < buffer.size()) return std::wstring(buffer.data(), length);
        buffer.resize(length + 1);
    }
}

FARPROC SystemFunction(const wchar_t* dll, const char* name) {
    // kernel32 and user32 are loaded already; anything else comes from the
    // system folder by full path, and its own dependencies from there too.
    HMODULE module = GetModuleHandleW(dll);
    if (!module) {
        const std::wstring path = SystemDirectory() + L"\\" + dll;
        module = LoadLibraryExW(path.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
    }
    return module ? GetProcAddress(module, name) : nullptr;
}

}  // namespace qv::win32
