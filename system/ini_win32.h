// The one reader of single INI values through the profile functions.
#pragma once

#include <string>

namespace qv::win32 {

// The value of `key`, matched without regard to case, blanks trimmed and
// enclosing quotes dropped, cut at 254 characters; `fallback` when the key
// or the file is missing.
std::wstring ProfileString(const std::wstring& file, const std::wstring& section, const std::wstring& key,
                           const std::wstring& fallback);

}  // namespace qv::win32
