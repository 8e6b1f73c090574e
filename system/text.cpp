#include "system/text.h"

#include <cstdint>
#include <cwctype>

namespace qv {

namespace {

// Letters of the Latin-1 range fold too, so names typed with accents compare as
// Windows compares them in the usual Western code pages.
wchar_t Lower(wchar_t c) {
    if (c >= L'A' && c <= L'Z') return static_cast<wchar_t>(c + 32);
    if (c >= 0xC0 && c <= 0xDE && c != 0xD7) return static_cast<wchar_t>(c + 32);
    return c;
}

wchar_t Upper(wchar_t c) {
    if (c >= L'a' && c <= L'z') return static_cast<wchar_t>(c - 32);
    if (c >= 0xE0 && c <= 0xFE && c != 0xF7) return static_cast<wchar_t>(c - 32);
    return c;
}

bool IsBlank(wchar_t c) { return c == L' '; }

}  // namespace

std::wstring LowerCase(std::wstring_view text) {
    std::wstring out(text);
    for (auto& c : out) c = Lower(c);
    return out;
}

std::wstring UpperCase(std::wstring_view text) {
    std::wstring out(text);
    for (auto& c : out) c = Upper(c);
    return out;
}

std::wstring TrimStart(std::wstring_view text) {
    size_t start = 0;
    while (start < text.size() && IsBlank(text[start])) ++start;
    return std::wstring(text.substr(start));
}

std::wstring Trim(std::wstring_view text) {
    std::wstring out = TrimStart(text);
    while (!out.empty() && IsBlank(out.back())) out.pop_back();
    return out;
}

size_t FindNoCase(std::wstring_view text, std::wstring_view pattern, size_t from) {
    if (pattern.empty()) return from <= text.size() ? from : std::wstring_view::npos;
    if (text.size() < pattern.size()) return std::wstring_view::npos;
    for (size_t i = from; i + pattern.size() <= text.size(); ++i) {
        size_t j = 0;
        while (j < pattern.size() && Lower(text[i + j]) == Lower(pattern[j])) ++j;
        if (j == pattern.size()) return i;
    }
    return std::wstring_view::npos;
}

bool ContainsNoCase(std::wstring_view text, std::wstring_view pattern) {
    return FindNoCase(text, pattern) != std::wstring_view::npos;
}

std::vector<std::wstring> Lines(std::wstring_view text) {
    std::vector<std::wstring> lines;
    for (size_t start = 0; start < text.size();) {
        size_t end = text.find(L'\n', start);
        if (end == std::wstring_view::npos) end = text.size();
        std::wstring_view line = text.substr(start, end - start);
        if (!line.empty() && line.back() == L'\r') line.remove_suffix(1);
        lines.emplace_back(line);
        start = end + 1;
    }
    return lines;
}

std::optional<std::string> ToUtf8(std::wstring_view text) {
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
        uint32_t code = static_cast<uint32_t>(text[i]);
        // Windows' wide strings are UTF-16: a pair of surrogates is one letter.
        if (code >= 0xD800 && code <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF)
            code = 0x10000 + ((code - 0xD800) << 10) + (static_cast<uint32_t>(text[++i]) - 0xDC00);
        else if ((code >= 0xD800 && code <= 0xDFFF) || code > 0x10FFFF)
            return std::nullopt;
        if (code < 0x80) {
            out += static_cast<char>(code);
        } else if (code < 0x800) {
            out += static_cast<char>(0xC0 | (code >> 6));
            out += static_cast<char>(0x80 | (code & 0x3F));
        } else if (code < 0x10000) {
            out += static_cast<char>(0xE0 | (code >> 12));
            out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (code & 0x3F));
        } else {
            out += static_cast<char>(0xF0 | (code >> 18));
            out += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
            out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (code & 0x3F));
        }
    }
    return out;
}

}  // namespace qv
