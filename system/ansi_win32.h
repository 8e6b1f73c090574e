// Text files the program writes for other readers (boot.ini for the boot
// loader) keep the bytes of the system's ANSI code page; these convert their
// contents. Paths, names and messages go to the wide functions instead.
#pragma once

#include <string>

#include <windows.h>

namespace qv::win32 {

inline std::string ToAnsi(const std::wstring& text) {
    if (text.empty()) return {};
    int size = WideCharToMultiByte(CP_ACP, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<size_t>(size), '\0');
    WideCharToMultiByte(CP_ACP, 0, text.data(), static_cast<int>(text.size()), out.data(), size, nullptr, nullptr);
    return out;
}

inline std::wstring FromCodePage(UINT codePage, const char* text, size_t length) {
    if (length == 0) return {};
    int size = MultiByteToWideChar(codePage, 0, text, static_cast<int>(length), nullptr, 0);
    std::wstring out(static_cast<size_t>(size), L'\0');
    MultiByteToWideChar(codePage, 0, text, static_cast<int>(length), out.data(), size);
    return out;
}

inline std::wstring FromAnsi(const char* text, size_t length) { return FromCodePage(CP_ACP, text, length); }

}  // namespace qv::win32
