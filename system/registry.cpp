#include "system/registry.h"

#include "system/text.h"

namespace qv {

namespace {

struct RootName {
    const wchar_t* name;
    uint32_t handle;
};

// Compared in this order.
constexpr RootName kRootNames[] = {
    {L"HKCU", kHkeyCurrentUser}, {L"HKLM", kHkeyLocalMachine},  {L"HKU", kHkeyUsers},
    {L"HKDD", kHkeyDynData},     {L"HKCC", kHkeyCurrentConfig}, {L"HKCR", kHkeyClassesRoot},
};

}  // namespace

uint32_t RootKeyOf(const std::wstring& location) {
    const std::wstring upper = UpperCase(location);
    for (const auto& root : kRootNames)
        if (upper == root.name) return root.handle;
    return kLocationUnknown;
}

uint32_t ResolveRootKey(const std::wstring& location, const std::function<bool(const std::wstring&)>& isOrdinaryFile) {
    if (uint32_t root = RootKeyOf(location)) return root;
    return isOrdinaryFile(location) ? kLocationIniFile : kLocationUnknown;
}

RegistryView ChooseRegistryView(RegistryOperation operation, const std::wstring& keyPath, bool is64BitWindows) {
    if (operation == RegistryOperation::Write)
        return {keyPath, kKeySetValue | kKeyCreateSubKey | (is64BitWindows ? kKeyWow64_64Key : 0)};

    const uint32_t plain = operation == RegistryOperation::Read ? kKeyQueryValue : kKeySetValue;
    if (!is64BitWindows) return {keyPath, plain};
    if (!ContainsNoCase(keyPath, L"wow6432node")) return {keyPath, plain | kKeyWow64_64Key};
    if (ContainsNoCase(keyPath, L"guest_")) return {keyPath, plain};

    // The 32-bit view reaches the Wow6432Node branch without naming it.
    const std::wstring path = operation == RegistryOperation::Read ? LowerCase(keyPath) : keyPath;
    return {RemoveAll(path, L"wow6432node\\"), plain};
}

uint32_t ProcessAccessMask(uint32_t mask, bool is64BitWindows, bool process64Bit) {
    if (is64BitWindows && process64Bit && (mask & kKeyWow64_64Key) == 0) return mask | kKeyWow64_32Key;
    return mask;
}

std::wstring RemoveAll(const std::wstring& text, const std::wstring& pattern) {
    std::wstring out = text;
    if (pattern.empty()) return out;
    size_t at = FindNoCase(out, pattern);
    while (at != std::wstring::npos) {
        out.erase(at, pattern.size());
        // A new occurrence can only span the join; nothing before it has changed.
        const size_t from = at >= pattern.size() - 1 ? at - (pattern.size() - 1) : 0;
        at = FindNoCase(out, pattern, from);
    }
    return out;
}

SettingType SettingTypeOf(const std::wstring& letter) {
    const std::wstring upper = UpperCase(letter);
    if (upper == L"S") return SettingType::Text;
    if (upper == L"B") return SettingType::Boolean;
    if (upper == L"D") return SettingType::Dword;
    return SettingType::Other;
}

std::optional<std::array<uint8_t, 2>> BooleanData(const SettingValue& value) {
    auto flag = SettingAsBoolean(value);
    if (!flag) return std::nullopt;
    // A stored Boolean is 16 bits: -1 true, 0 false.
    const uint8_t fill = *flag ? 0xFF : 0x00;
    return std::array<uint8_t, 2>{fill, fill};
}

std::optional<std::array<uint8_t, 4>> DwordData(const SettingValue& value) {
    auto number = SettingAsInt16(value);
    if (!number) return std::nullopt;
    const auto bits = static_cast<uint32_t>(static_cast<int32_t>(*number));
    return std::array<uint8_t, 4>{static_cast<uint8_t>(bits), static_cast<uint8_t>(bits >> 8),
                                  static_cast<uint8_t>(bits >> 16), static_cast<uint8_t>(bits >> 24)};
}

bool BooleanFromData(const std::array<uint8_t, 2>& data) { return data[0] != 0 || data[1] != 0; }

int32_t DwordFromData(const std::array<uint8_t, 4>& data) {
    const uint32_t bits =
        uint32_t{data[0]} | uint32_t{data[1]} << 8 | uint32_t{data[2]} << 16 | uint32_t{data[3]} << 24;
    return static_cast<int32_t>(bits);
}

}  // namespace qv
