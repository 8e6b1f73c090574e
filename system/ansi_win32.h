// The program keeps UTF-16 texts and calls the ANSI forms of the Win32 API;
// these convert at that border, through the system's ANSI code page.
#pragma once

#include <string>

#include <windows.h>

namespace qv::win32 {

inline std::string ToAnsi(const std::wstring& text) {
    if (text.empty()) return {};
    int size = WideCharToMultiByte(CP_ACP, 0, text.data(), static_cast<int>(text.size()), nullptr, 0,
                                   nullptr, nullptr);
    std::string out(static_cast<size_t>(size), '\0');
    WideCharToMultiByte(CP_ACP, 0, text.data(), static_cast<int>(text.size()), out.data(), size,
                        nullptr, nullptr);
    return out;
}

inline std::wstring FromAnsi(const char* text, size_t length) {
    if (length == 0) return {};
    int size = MultiByteToWideChar(CP_ACP, 0, text, static_cast<int>(length), nullptr, 0);
    std::wstring out(static_cast<size_t>(size), L'\0');
    MultiByteToWideChar(CP_ACP, 0, text, static_cast<int>(length), out.data(), size);
    return out;
}

inline std::wstring FromAnsi(const std::string& text) { return FromAnsi(text.data(), text.size()); }

}  // namespace qv::win32
