// Settings store: the registry through its ANSI functions, INI files through
// the profile functions.
#include <array>
#include <string>
#include <vector>

#include <windows.h>

#include "system/ansi_win32.h"
#include "system/handles_win32.h"
#include "system/network.h"
#include "system/registry.h"
#include "system/win32.h"

namespace qv::win32 {

namespace {

constexpr DWORD kIniBufferSize = 255;
constexpr bool kProcess64Bit = sizeof(void*) == 8;

// The predefined keys are 32-bit values sign-extended to the pointer's width.
HKEY RootHandle(uint32_t root) {
    return reinterpret_cast<HKEY>(static_cast<LONG_PTR>(static_cast<int32_t>(root)));
}

RegistryView ViewFor(RegistryOperation operation, const std::wstring& keyPath) {
    const bool is64BitWindows = Is64BitWindows();
    RegistryView view = ChooseRegistryView(operation, keyPath, is64BitWindows);
    view.mask = ProcessAccessMask(view.mask, is64BitWindows, kProcess64Bit);
    return view;
}

uint32_t Resolve(const std::wstring& location) { return ResolveRootKey(location, IsOrdinaryFile); }

LONG QueryText(HKEY key, const std::string& name, SettingValue& result) {
    // Given no buffer at all the call would report the size as a success; an
    // empty one makes it answer ERROR_MORE_DATA unless the data is empty too.
    BYTE probe = 0;
    DWORD size = 0;
    LONG status = RegQueryValueExA(key, name.c_str(), nullptr, nullptr, &probe, &size);
    if (status != ERROR_MORE_DATA) return status;
    std::vector<char> buffer(size);
    status = RegQueryValueExA(key, name.c_str(), nullptr, nullptr, reinterpret_cast<BYTE*>(buffer.data()),
                              &size);
    if (status != ERROR_SUCCESS) return status;
    // The last byte is the terminating NUL.
    result = FromAnsi(buffer.data(), size == 0 ? 0 : size - 1);
    return status;
}

template <size_t N>
LONG QueryFixed(HKEY key, const std::string& name, std::array<uint8_t, N>& data) {
    DWORD size = N;
    return RegQueryValueExA(key, name.c_str(), nullptr, nullptr, data.data(), &size);
}

template <size_t N>
LONG SetFixed(HKEY key, const std::string& name, DWORD type, const std::array<uint8_t, N>& data) {
    return RegSetValueExA(key, name.c_str(), 0, type, data.data(), N);
}

}  // namespace

bool IsOrdinaryFile(const std::wstring& path) {
    const std::string ansiPath = ToAnsi(path);
    // A wildcard names no one file. Checked after the conversion, because a
    // letter outside the code page turns into '?'.
    if (ansiPath.empty() || ansiPath.find_first_of("*?") != std::string::npos) return false;
    WIN32_FIND_DATAA data{};
    UniqueFind find(FindFirstFileA(ansiPath.c_str(), &data));
    if (find.get() == INVALID_HANDLE_VALUE) return false;
    constexpr DWORD kNotOrdinary = FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_DIRECTORY;
    return (data.dwFileAttributes & kNotOrdinary) == 0;
}

int32_t ReadSetting(const std::wstring& location, const std::wstring& keyPath,
                    const std::wstring& valueName, const std::wstring& type,
                    const SettingValue& defaultValue, SettingValue& result) {
    result = defaultValue;
    const uint32_t root = Resolve(location);
    if (root == kLocationUnknown) return kStatusUnknownLocation;
    const SettingType kind = SettingTypeOf(type);

    if (root == kLocationIniFile) {
        const std::string file = ToAnsi(location);
        const std::string section = ToAnsi(keyPath);
        const std::string key = ToAnsi(valueName);
        if (kind == SettingType::Text) {
            std::array<char, kIniBufferSize> buffer{};
            const DWORD count =
                GetPrivateProfileStringA(section.c_str(), key.c_str(), ToAnsi(SettingAsText(defaultValue)).c_str(),
                                         buffer.data(), kIniBufferSize, file.c_str());
            result = FromAnsi(buffer.data(), count);
        } else {
            result = static_cast<int32_t>(GetPrivateProfileIntA(section.c_str(), key.c_str(), 0, file.c_str()));
        }
        return kStatusOk;
    }

    const RegistryView view = ViewFor(RegistryOperation::Read, keyPath);
    HKEY opened = nullptr;
    LONG status = RegOpenKeyExA(RootHandle(root), ToAnsi(view.path).c_str(), 0, view.mask, &opened);
    if (status != ERROR_SUCCESS) return status;
    UniqueHkey key(opened);

    // The stored type plays no part; only the size of the data matters.
    const std::string name = ToAnsi(valueName);
    switch (kind) {
        case SettingType::Text:
            status = QueryText(key.get(), name, result);
            break;
        case SettingType::Boolean: {
            std::array<uint8_t, 2> data{};
            status = QueryFixed(key.get(), name, data);
            if (status == ERROR_SUCCESS) result = BooleanFromData(data);
            break;
        }
        case SettingType::Dword: {
            std::array<uint8_t, 4> data{};
            status = QueryFixed(key.get(), name, data);
            if (status == ERROR_SUCCESS) result = DwordFromData(data);
            break;
        }
        case SettingType::Other:
            break;
    }
    const LONG closed = RegCloseKey(key.release());
    return status == ERROR_SUCCESS ? closed : status;
}

int32_t WriteSetting(const std::wstring& location, const std::wstring& keyPath,
                     const std::wstring& valueName, const std::wstring& type,
                     const SettingValue& value) {
    const uint32_t root = Resolve(location);
    if (root == kLocationUnknown) return kStatusUnknownLocation;
    const SettingType kind = SettingTypeOf(type);

    if (root == kLocationIniFile) {
        if (kind != SettingType::Text) return kStatusUnknownLocation;
        WritePrivateProfileStringA(ToAnsi(keyPath).c_str(), ToAnsi(valueName).c_str(),
                                   ToAnsi(SettingAsText(value)).c_str(), ToAnsi(location).c_str());
        return kStatusOk;
    }

    const RegistryView view = ViewFor(RegistryOperation::Write, keyPath);
    char noClass[] = "";
    HKEY created = nullptr;
    DWORD disposition = 0;
    LONG status = RegCreateKeyExA(RootHandle(root), ToAnsi(view.path).c_str(), 0, noClass, REG_OPTION_NON_VOLATILE,
                                  view.mask, nullptr, &created, &disposition);
    if (status != ERROR_SUCCESS) return status;
    UniqueHkey key(created);

    // A value that does not convert writes nothing and leaves the status at 0.
    const std::string name = ToAnsi(valueName);
    switch (kind) {
        case SettingType::Text: {
            // The count leaves out the NUL; the registry stores it anyway because
            // it follows the counted bytes, and a read drops it again.
            const std::string text = ToAnsi(SettingAsText(value));
            status = RegSetValueExA(key.get(), name.c_str(), 0, REG_SZ,
                                    reinterpret_cast<const BYTE*>(text.c_str()), static_cast<DWORD>(text.size()));
            break;
        }
        case SettingType::Boolean:
            if (auto data = BooleanData(value)) status = SetFixed(key.get(), name, REG_BINARY, *data);
            break;
        case SettingType::Dword:
            if (auto data = DwordData(value)) status = SetFixed(key.get(), name, REG_DWORD, *data);
            break;
        case SettingType::Other:
            break;
    }
    if (status != ERROR_SUCCESS) return status;
    return RegCloseKey(key.release());
}

int32_t DeleteSetting(const std::wstring& location, const std::wstring& keyPath,
                      const std::wstring& valueName) {
    const uint32_t root = Resolve(location);
    if (root == kLocationUnknown) return kStatusUnknownLocation;

    if (root == kLocationIniFile) {
        // An empty text, not a null pointer: the key stays with no value.
        WritePrivateProfileStringA(ToAnsi(keyPath).c_str(), ToAnsi(valueName).c_str(), "",
                                   ToAnsi(location).c_str());
        return kStatusOk;
    }

    const RegistryView view = ViewFor(RegistryOperation::Delete, keyPath);
    HKEY opened = nullptr;
    LONG status = RegOpenKeyExA(RootHandle(root), ToAnsi(view.path).c_str(), 0, view.mask, &opened);
    if (status == ERROR_FILE_NOT_FOUND) return kStatusOk;
    if (status != ERROR_SUCCESS) return status;
    UniqueHkey key(opened);

    status = RegDeleteValueA(key.get(), ToAnsi(valueName).c_str());
    return status == ERROR_FILE_NOT_FOUND ? kStatusOk : status;
}

}  // namespace qv::win32
