#include "system/settings.h"

#include <cwchar>
#include <limits>

#include "system/seams.h"
#include "system/text.h"

namespace qv {

namespace {

// A whole decimal number, blanks around it allowed; empty when it is none.
std::optional<long long> ParseWhole(const std::wstring& text) {
    std::wstring trimmed = Trim(text);
    if (trimmed.empty()) return std::nullopt;
    size_t i = 0;
    bool negative = false;
    if (trimmed[0] == L'-' || trimmed[0] == L'+') {
        negative = trimmed[0] == L'-';
        i = 1;
    }
    if (i == trimmed.size()) return std::nullopt;
    long long value = 0;
    for (; i < trimmed.size(); ++i) {
        wchar_t c = trimmed[i];
        if (c < L'0' || c > L'9') return std::nullopt;
        value = value * 10 + (c - L'0');
        if (value > (1LL << 40)) return std::nullopt;
    }
    return negative ? -value : value;
}

}  // namespace

std::wstring SettingAsText(const SettingValue& value) {
    if (const auto* text = std::get_if<std::wstring>(&value)) return *text;
    if (const auto* flag = std::get_if<bool>(&value)) return *flag ? L"True" : L"False";
    return std::to_wstring(std::get<int32_t>(value));
}

std::optional<bool> SettingAsBoolean(const SettingValue& value) {
    if (const auto* flag = std::get_if<bool>(&value)) return *flag;
    if (const auto* number = std::get_if<int32_t>(&value)) return *number != 0;
    const std::wstring text = LowerCase(Trim(std::get<std::wstring>(value)));
    if (text == L"true") return true;
    if (text == L"false") return false;
    if (auto number = ParseWhole(text)) return *number != 0;
    return std::nullopt;
}

std::optional<int16_t> SettingAsInt16(const SettingValue& value) {
    long long number = 0;
    if (const auto* flag = std::get_if<bool>(&value)) {
        number = *flag ? -1 : 0;
    } else if (const auto* whole = std::get_if<int32_t>(&value)) {
        number = *whole;
    } else if (auto parsed = ParseWhole(std::get<std::wstring>(value))) {
        number = *parsed;
    } else {
        return std::nullopt;
    }
    if (number < std::numeric_limits<int16_t>::min() || number > std::numeric_limits<int16_t>::max())
        return std::nullopt;
    return static_cast<int16_t>(number);
}

int32_t SettingAsInt32(const SettingValue& value) {
    if (const auto* whole = std::get_if<int32_t>(&value)) return *whole;
    if (const auto* flag = std::get_if<bool>(&value)) return *flag ? -1 : 0;
    auto parsed = ParseWhole(std::get<std::wstring>(value));
    if (!parsed || *parsed < std::numeric_limits<int32_t>::min() || *parsed > std::numeric_limits<int32_t>::max())
        return 0;
    return static_cast<int32_t>(*parsed);
}

std::optional<std::wstring> ReadMachineText(const std::wstring& keyPath, const std::wstring& name) {
    SettingValue value = std::wstring();
    if (Settings().ReadSetting(L"HKLM", keyPath, name, L"S", std::wstring(), value) != kStatusOk) return std::nullopt;
    return SettingAsText(value);
}

}  // namespace qv
