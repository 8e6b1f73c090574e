#include "system/system_library_win32.h"

#include <vector>

namespace qv::win32 {

// Asked again with the size it wants.
std::wstring ReportedFolder(UINT(WINAPI* get)(LPWSTR, UINT), const wchar_t* fallback) {
    std::vector<wchar_t> buffer(MAX_PATH);
    for (;;) {
        const UINT length = get(buffer.data(), static_cast<UINT>(buffer.size()));
        if (length == 0) return fallback;
        if (length < buffer.size()) return std::wstring(buffer.data(), length);
        buffer.resize(length + 1);
    }
}

std::wstring SystemDirectory() { return ReportedFolder(GetSystemDirectoryW, L"C:\\Windows\\system32"); }

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
