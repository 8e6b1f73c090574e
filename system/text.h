// Text helpers shared by every module. The program keeps texts as UTF-16 and
// meets the ANSI code page only at the Win32 calls.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace qv {

std::wstring LowerCase(std::wstring_view text);
std::wstring UpperCase(std::wstring_view text);
std::wstring Trim(std::wstring_view text);
std::wstring TrimStart(std::wstring_view text);
// Case-insensitive search; npos when absent.
size_t FindNoCase(std::wstring_view text, std::wstring_view pattern, size_t from = 0);
bool ContainsNoCase(std::wstring_view text, std::wstring_view pattern);
// UTF-8 without a byte-order mark; empty for a lone surrogate.
std::optional<std::string> ToUtf8(std::wstring_view text);
// The lines of a text, without their line breaks (LF or CR LF).
std::vector<std::wstring> Lines(std::wstring_view text);

}  // namespace qv
