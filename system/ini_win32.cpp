// iniModule: single keys of INI files through the profile functions, which
// also match case-insensitively, trim blanks and drop enclosing quotes.
#include "system/ini_win32.h"

#include <array>
#include <string>

#include <windows.h>

namespace qv::win32 {

namespace {
// Room for 254 characters and the NUL; longer values come back cut.
constexpr DWORD kIniBufferSize = 255;
}  // namespace

std::wstring ProfileString(const std::wstring& file, const std::wstring& section, const std::wstring& key,
                           const std::wstring& fallback) {
    std::array<wchar_t, kIniBufferSize> buffer{};
    const DWORD count = GetPrivateProfileStringW(section.c_str(), key.c_str(), fallback.c_str(), buffer.data(),
                                                 kIniBufferSize, file.c_str());
    return std::wstring(buffer.data(), count);
}

}  // namespace qv::win32
