#include "bootmode/boot_entries.h"

#include <cwctype>

#include "system/seams.h"
#include "system/process.h"
#include "system/text.h"

namespace qv {

namespace {

constexpr const wchar_t* kObjects = L"BCD00000000\\Objects";
// Element types, as the store names each element's key.
constexpr const wchar_t* kSafeBootElement = L"25000080";
constexpr const wchar_t* kAlternateShellElement = L"26000081";
constexpr const wchar_t* kDefaultElement = L"23000003";
constexpr const wchar_t* kBootSequenceElement = L"24000002";
constexpr uint32_t kRegSzType = 1;
constexpr uint32_t kRegBinaryType = 3;
constexpr uint32_t kRegMultiSzType = 7;
// safeboot's values: 0 Minimal, 1 Network (2, DsRepair, Quorvine never sets).
constexpr uint64_t kSafeBootMinimal = 0;
constexpr uint64_t kSafeBootNetwork = 1;

bool IsGuid(const std::wstring& text) {
    // {8-4-4-4-12 hex digits}
    if (text.size() != 38 || text.front() != L'{' || text.back() != L'}') return false;
    for (size_t i = 1; i < 37; ++i) {
        const bool dash = i == 9 || i == 14 || i == 19 || i == 24;
        if (dash ? text[i] != L'-' : !std::iswxdigit(text[i])) return false;
    }
    return true;
}

bool IsDashes(const std::wstring& line) {
    const std::wstring trimmed = Trim(line);
    return trimmed.size() >= 3 && trimmed.find_first_not_of(L'-') == std::wstring::npos;
}

enum class Found { Present, Absent, Unknown };
struct Element {
    Found found = Found::Unknown;
    RawSetting value;
};

std::wstring EntryKey(const std::wstring& entry) { return std::wstring(kObjects) + L"\\" + entry; }

Element ReadElement(const std::wstring& entry, const wchar_t* type) {
    const std::wstring elements = EntryKey(entry) + L"\\Elements";
    const RawRead read = Settings().ReadRawSetting(L"HKLM", elements + L"\\" + type, L"Element");
    if (read.status == kStatusOk) return {Found::Present, read.value};
    // Absent only where the entry's Elements key opens and the element's key
    // is not there; anything else (no rights, no store) is unknown.
    if (read.keyOpened || read.status != kErrorFileNotFound) return {};
    return {Settings().ReadRawSetting(L"HKLM", elements, L"").keyOpened ? Found::Absent : Found::Unknown, {}};
}

std::optional<uint64_t> IntegerOf(const RawSetting& value) {
    if (value.type != kRegBinaryType || value.data.size() != 8) return std::nullopt;
    uint64_t number = 0;
    for (size_t i = 8; i-- > 0;) number = number << 8 | value.data[i];
    return number;
}

// The strings of a REG_SZ (one) or REG_MULTI_SZ value, lower case.
std::optional<std::vector<std::wstring>> StringsOf(const RawSetting& value, uint32_t type) {
    if (value.type != type || value.data.size() % 2 != 0) return std::nullopt;
    std::vector<std::wstring> strings;
    std::wstring current;
    for (size_t i = 0; i < value.data.size(); i += 2) {
        const wchar_t c = static_cast<wchar_t>(value.data[i] | value.data[i + 1] << 8);
        if (c != L'\0') {
            current += c;
            continue;
        }
        if (current.empty()) break;  // the list's closing NUL
        strings.push_back(LowerCase(current));
        current.clear();
    }
    if (!current.empty()) strings.push_back(LowerCase(current));
    return strings;
}

}  // namespace

std::optional<std::wstring> CopiedEntryId(const std::wstring& output) {
    for (size_t open = output.find(L'{'); open != std::wstring::npos; open = output.find(L'{', open + 1)) {
        const std::wstring candidate = output.substr(open, 38);
        if (IsGuid(candidate)) return LowerCase(candidate);
    }
    return std::nullopt;
}

std::optional<std::wstring> ListedEntryId(const std::wstring& output) {
    std::vector<std::wstring> lines;
    for (const std::wstring& line : Lines(output))
        if (!Trim(line).empty()) lines.push_back(Trim(line));
    for (size_t i = 1; i + 1 < lines.size(); ++i) {
        if (!IsDashes(lines[i]) || IsDashes(lines[i - 1])) continue;
        // The first entry's own line, or nothing: a later entry is another one.
        const std::wstring line = LowerCase(lines[i + 1]);
        if (line.rfind(L"identifier", 0) != 0 || line.size() == 10 || !std::iswspace(line[10])) return std::nullopt;
        const std::wstring id = Trim(line.substr(10));
        return IsGuid(id) ? std::optional<std::wstring>(id) : std::nullopt;
    }
    return std::nullopt;
}

std::optional<std::wstring> ReadRunningEntryId() {
    // Read straight from its output: through cmd.exe the command processor's
    // own "Autorun" (this program's /undo in the command-prompt mode) would run too.
    const auto output = ReadSystemProgram(L"bcdedit.exe", kEnumRunningEntry);
    return output ? ListedEntryId(*output) : std::nullopt;
}

EntryListing ReadEntry(const std::wstring& entry) {
    EntryListing listing;
    if (!IsGuid(entry)) return listing;
    const Element safeBoot = ReadElement(entry, kSafeBootElement);
    const Element shell = ReadElement(entry, kAlternateShellElement);
    if (safeBoot.found == Found::Unknown || shell.found == Found::Unknown) return listing;
    bool shellOn = false;
    if (shell.found == Found::Present) {
        if (shell.value.type != kRegBinaryType || shell.value.data.empty()) return listing;
        for (uint8_t byte : shell.value.data) shellOn = shellOn || byte != 0;
    }
    std::optional<uint64_t> value;
    if (safeBoot.found == Found::Present && !(value = IntegerOf(safeBoot.value))) return listing;
    listing.alternateShell = shell.found == Found::Present;
    if (!value)
        listing.safeBoot = Mode::Normal;
    else if (*value == kSafeBootNetwork)
        listing.safeBoot = Mode::Network;
    else if (*value != kSafeBootMinimal)
        listing.safeBoot = StoredMode::Other();
    else
        listing.safeBoot = shellOn ? Mode::CommandPrompt : Mode::Minimal;
    return listing;
}

std::optional<bool> EntryInStore(const std::wstring& entry) {
    if (!IsGuid(entry)) return std::nullopt;
    const RawRead read = Settings().ReadRawSetting(L"HKLM", EntryKey(entry), L"");
    if (read.keyOpened) return true;
    if (read.status != kErrorFileNotFound || !Settings().ReadRawSetting(L"HKLM", kObjects, L"").keyOpened)
        return std::nullopt;
    return false;
}

std::optional<std::vector<std::wstring>> ReadBootSequence() {
    const Element sequence = ReadElement(kBootManagerId, kBootSequenceElement);
    if (sequence.found == Found::Absent) return std::vector<std::wstring>{};
    if (sequence.found == Found::Unknown) return std::nullopt;
    return StringsOf(sequence.value, kRegMultiSzType);
}

std::optional<std::wstring> ReadDefaultEntry() {
    const Element entry = ReadElement(kBootManagerId, kDefaultElement);
    const auto strings = entry.found == Found::Present ? StringsOf(entry.value, kRegSzType) : std::nullopt;
    if (!strings || strings->size() != 1 || !IsGuid(strings->front())) return std::nullopt;
    return strings->front();
}

}  // namespace qv
