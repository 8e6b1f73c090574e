#include "startup/arguments.h"

#include "system/text.h"

namespace qv {

namespace {

bool IsBlank(wchar_t c) { return c == L' ' || c == L'\t'; }

// Blank-separated words; quotes keep blanks inside a word and are dropped.
std::optional<std::vector<std::wstring>> Words(const std::wstring& text) {
    std::vector<std::wstring> words;
    std::wstring word;
    bool quoted = false;
    bool inWord = false;
    for (wchar_t c : text) {
        if (c == L'"') {
            quoted = !quoted;
            inWord = true;
        } else if (IsBlank(c) && !quoted) {
            if (inWord) words.push_back(word);
            word.clear();
            inWord = false;
        } else {
            word += c;
            inWord = true;
        }
    }
    if (quoted) return std::nullopt;
    if (inWord) words.push_back(word);
    return words;
}

}  // namespace

std::optional<TypedSwitch> ReadSwitch(const std::wstring& arguments) {
    size_t blank = 0;
    while (blank < arguments.size() && !IsBlank(arguments[blank])) ++blank;
    TypedSwitch typed{LowerCase(arguments.substr(0, blank)), {}};
    const auto words = Words(arguments.substr(blank));
    if (!words) return std::nullopt;
    const std::wstring prefix = kServicePrefix;
    for (const std::wstring& word : *words) {
        if (LowerCase(word.substr(0, prefix.size())) != prefix) return std::nullopt;
        const std::wstring name = Trim(word.substr(prefix.size()));
        if (name.empty()) return std::nullopt;
        typed.services.push_back(name);
    }
    return typed;
}

}  // namespace qv
