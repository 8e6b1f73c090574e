// Values and statuses of the settings store, shared by its callers and its
// Win32 side, and the plain read of a machine-wide text. No windows.h here.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <variant>
#include <vector>

namespace qv {

inline constexpr int32_t kStatusOk = 0;
inline constexpr int32_t kStatusUnknownLocation = 99;
inline constexpr int32_t kErrorFileNotFound = 2;
inline constexpr int32_t kErrorMoreData = 234;
// A value that does not convert to the type asked for: nothing written.
inline constexpr int32_t kErrorInvalidParameter = 87;

// A tagged value: text, Boolean or signed integer.
using SettingValue = std::variant<std::wstring, bool, int32_t>;

// A registry value exactly as stored: its type (REG_SZ, REG_EXPAND_SZ, ...) and bytes.
struct RawSetting {
    uint32_t type = 0;
    std::vector<uint8_t> data;
    bool operator==(const RawSetting&) const = default;
};
// A raw read: `keyOpened` tells a missing value (the key opened) from a missing key.
struct RawRead {
    int32_t status = kErrorFileNotFound;
    bool keyOpened = false;
    RawSetting value;
};

std::wstring SettingAsText(const SettingValue& value);
// Conversions used by WriteSetting; empty when the value does not convert.
std::optional<bool> SettingAsBoolean(const SettingValue& value);
std::optional<int16_t> SettingAsInt16(const SettingValue& value);
// A read result taken as a 32-bit integer (missing or no number: 0).
int32_t SettingAsInt32(const SettingValue& value);

// A text value under HKLM; empty when it is not there.
std::optional<std::wstring> ReadMachineText(const std::wstring& keyPath, const std::wstring& name);

}  // namespace qv
