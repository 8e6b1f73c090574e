#include "bootmode/boot_entries.h"

#include <cwctype>
#include <map>

#include "system/text.h"

namespace qv {

namespace {

struct Entry {
    std::wstring identifier;
    // Element name (lower case) -> its values; a list goes on over indented lines.
    std::map<std::wstring, std::vector<std::wstring>> elements;
};

bool IsDashes(const std::wstring& line) {
    const std::wstring trimmed = Trim(line);
    return !trimmed.empty() && trimmed.find_first_not_of(L'-') == std::wstring::npos;
}

// An entry is a header line, a line of dashes, then its elements up to a blank
// line; the identifier is the "identifier" element.
std::vector<Entry> EntriesOf(const std::wstring& output) {
    const std::vector<std::wstring> lines = Lines(output);
    std::vector<Entry> entries;
    bool inEntry = false;
    std::wstring last;
    for (size_t i = 0; i < lines.size(); ++i) {
        const std::wstring& line = lines[i];
        if (i + 1 < lines.size() && !Trim(line).empty() && !IsDashes(line) && IsDashes(lines[i + 1])) {
            entries.emplace_back();
            inEntry = true;
            last.clear();
            ++i;
            continue;
        }
        if (Trim(line).empty()) {
            inEntry = false;
            continue;
        }
        if (!inEntry) continue;
        if (std::iswspace(line[0])) {
            if (!last.empty()) entries.back().elements[last].push_back(Trim(line));
            continue;
        }
        const size_t blank = line.find_first_of(L" \t");
        last = LowerCase(line.substr(0, blank));
        const std::wstring value = blank == std::wstring::npos ? L"" : Trim(line.substr(blank));
        entries.back().elements[last].push_back(value);
        if (last == L"identifier") entries.back().identifier = LowerCase(value);
    }
    return entries;
}

const Entry* FindEntry(const std::vector<Entry>& entries, const std::wstring& identifier) {
    for (const Entry& entry : entries)
        if (entry.identifier == LowerCase(identifier)) return &entry;
    return nullptr;
}

bool IsGuid(const std::wstring& text) {
    // {8-4-4-4-12 hex digits}
    if (text.size() != 38 || text.front() != L'{' || text.back() != L'}') return false;
    for (size_t i = 1; i < 37; ++i) {
        const bool dash = i == 9 || i == 14 || i == 19 || i == 24;
        if (dash ? text[i] != L'-' : !std::iswxdigit(text[i])) return false;
    }
    return true;
}

}  // namespace

std::optional<std::wstring> CopiedEntryId(const std::wstring& output) {
    for (size_t open = output.find(L'{'); open != std::wstring::npos; open = output.find(L'{', open + 1)) {
        const std::wstring candidate = output.substr(open, 38);
        if (IsGuid(candidate)) return LowerCase(candidate);
    }
    return std::nullopt;
}

std::optional<std::vector<std::wstring>> BootSequenceFromEnum(const std::wstring& output) {
    const std::vector<Entry> entries = EntriesOf(output);
    const Entry* manager = FindEntry(entries, L"{bootmgr}");
    if (!manager) return std::nullopt;
    std::vector<std::wstring> sequence;
    const auto found = manager->elements.find(L"bootsequence");
    if (found != manager->elements.end())
        for (const std::wstring& identifier : found->second) sequence.push_back(LowerCase(identifier));
    return sequence;
}

}  // namespace qv
