// modRegistry's decisions that need no Windows: which root a location names,
// which registry view an operation uses, and how values become registry data.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "system/settings.h"

namespace qv {

// Root keys as the registry functions know them.
inline constexpr uint32_t kHkeyClassesRoot = 0x80000000;
inline constexpr uint32_t kHkeyCurrentUser = 0x80000001;
inline constexpr uint32_t kHkeyLocalMachine = 0x80000002;
inline constexpr uint32_t kHkeyUsers = 0x80000003;
inline constexpr uint32_t kHkeyCurrentConfig = 0x80000005;
inline constexpr uint32_t kHkeyDynData = 0x80000006;
// What ResolveRootKey answers for an INI file and for an unknown location.
inline constexpr uint32_t kLocationIniFile = 1;
inline constexpr uint32_t kLocationUnknown = 0;

// Registry access masks.
inline constexpr uint32_t kKeyQueryValue = 0x1;
inline constexpr uint32_t kKeySetValue = 0x2;
inline constexpr uint32_t kKeyCreateSubKey = 0x4;
inline constexpr uint32_t kKeyWow64_64Key = 0x100;
inline constexpr uint32_t kKeyWow64_32Key = 0x200;

// Registry data types.
inline constexpr uint32_t kRegSz = 1;
inline constexpr uint32_t kRegBinary = 3;
inline constexpr uint32_t kRegDword = 4;

// The handle value of a root-key name ("HKLM", any case), or 0.
uint32_t RootKeyOf(const std::wstring& location);

// A root-key name gives its handle value; otherwise 1 when `isOrdinaryFile`
// finds the location, else 0. Long names such as HKEY_LOCAL_MACHINE count as
// file paths.
uint32_t ResolveRootKey(const std::wstring& location, const std::function<bool(const std::wstring&)>& isOrdinaryFile);

enum class RegistryOperation { Read, Write, Delete };

struct RegistryView {
    std::wstring path;
    uint32_t mask = 0;
};

// The key path and access mask an operation opens, by the view table.
RegistryView ChooseRegistryView(RegistryOperation operation, const std::wstring& keyPath, bool is64BitWindows);

// The mask a process of the given width passes: a 64-bit process must name the
// 32-bit view itself where a 32-bit process gets it by default.
uint32_t ProcessAccessMask(uint32_t mask, bool is64BitWindows, bool process64Bit);

// `text` with every occurrence of `pattern` taken out, case-insensitively,
// including occurrences that a removal joins together anew.
std::wstring RemoveAll(const std::wstring& text, const std::wstring& pattern);

enum class SettingType { Text, Boolean, Dword, Other };
SettingType SettingTypeOf(const std::wstring& letter);

// Registry data of a value; empty when the value does not convert.
std::optional<std::array<uint8_t, 2>> BooleanData(const SettingValue& value);
std::optional<std::array<uint8_t, 4>> DwordData(const SettingValue& value);
// Registry data read back.
bool BooleanFromData(const std::array<uint8_t, 2>& data);
int32_t DwordFromData(const std::array<uint8_t, 4>& data);

}  // namespace qv
