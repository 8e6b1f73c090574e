// iniModule: single keys of INI files through the profile functions, which
// also match case-insensitively, trim blanks and drop enclosing quotes.
#include <array>
#include <string>

#include <windows.h>

#include "system/ansi_win32.h"
#include "system/win32.h"

namespace qv::win32 {

namespace {
// Room for 254 characters and the NUL; longer values come back cut.
constexpr DWORD kIniBufferSize = 255;
}  // namespace

std::wstring ReadIniValue(const std::wstring& file, const std::wstring& section, const std::wstring& key) {
    std::array<char, kIniBufferSize> buffer{};
    const DWORD count = GetPrivateProfileStringA(ToAnsi(section).c_str(), ToAnsi(key).c_str(), "", buffer.data(),
                                                 kIniBufferSize, ToAnsi(file).c_str());
    return FromAnsi(buffer.data(), count);
}

bool WriteIniValue(const std::wstring& file, const std::wstring& section, const std::wstring& key,
                   const std::wstring& value) {
    return WritePrivateProfileStringA(ToAnsi(section).c_str(), ToAnsi(key).c_str(), ToAnsi(value).c_str(),
                                      ToAnsi(file).c_str()) != FALSE;
}

}  // namespace qv::win32
