// Settings store: the registry and INI files through their wide functions.
#include <array>
#include <string>
#include <vector>

#include <windows.h>

#include "system/error_text_win32.h"
#include "system/files_win32.h"
#include "system/handles_win32.h"
#include "system/ini_win32.h"
#include "system/registry_win32.h"
#include "system/registry.h"
#include "system/seams_win32.h"

namespace qv::win32 {

namespace {

// The predefined keys are 32-bit values sign-extended to the pointer's width.
HKEY RootHandle(uint32_t root) { return reinterpret_cast<HKEY>(static_cast<LONG_PTR>(static_cast<int32_t>(root))); }

int32_t WriteIni(const std::wstring& file, const std::wstring& section, const std::wstring& key,
                 const std::wstring& text) {
    if (WritePrivateProfileStringW(section.c_str(), key.c_str(), text.c_str(), file.c_str())) return kStatusOk;
    const DWORD error = GetLastError();
    return error != ERROR_SUCCESS ? static_cast<int32_t>(error) : static_cast<int32_t>(ERROR_WRITE_FAULT);
}

uint32_t Resolve(const std::wstring& location) { return ResolveRootKey(location, IsOrdinaryFile); }

LONG QueryText(HKEY key, const std::wstring& name, SettingValue& result) {
    // Given no buffer at all the call would report the size as a success; an
    // empty one makes it answer ERROR_MORE_DATA unless the data is empty too.
    BYTE probe = 0;
    DWORD size = 0;
    LONG status = RegQueryValueExW(key, name.c_str(), nullptr, nullptr, &probe, &size);
    if (status != ERROR_MORE_DATA) return status;
    // Rounded up: a value written with an odd count still fits.
    std::vector<wchar_t> buffer(size / sizeof(wchar_t) + 1);
    size = static_cast<DWORD>(buffer.size() * sizeof(wchar_t));
    status = RegQueryValueExW(key, name.c_str(), nullptr, nullptr, reinterpret_cast<BYTE*>(buffer.data()), &size);
    if (status != ERROR_SUCCESS) return status;
    size_t length = size / sizeof(wchar_t);
    if (length > 0 && buffer[length - 1] == L'\0') --length;  // the terminating NUL
    result = std::wstring(buffer.data(), length);
    return status;
}

template <size_t N>
LONG QueryFixed(HKEY key, const std::wstring& name, std::array<uint8_t, N>& data) {
    DWORD size = N;
    return RegQueryValueExW(key, name.c_str(), nullptr, nullptr, data.data(), &size);
}

template <size_t N>
LONG SetFixed(HKEY key, const std::wstring& name, DWORD type, const std::array<uint8_t, N>& data) {
    return RegSetValueExW(key, name.c_str(), 0, type, data.data(), N);
}

}  // namespace

int32_t Win32SettingsStore::ReadSetting(const std::wstring& location, const std::wstring& keyPath,
                                        const std::wstring& valueName, const std::wstring& type,
                                        const SettingValue& defaultValue, SettingValue& result) {
    result = defaultValue;
    const uint32_t root = Resolve(location);
    if (root == kLocationUnknown) return kStatusUnknownLocation;
    const SettingType kind = SettingTypeOf(type);

    if (root == kLocationIniFile) {
        if (kind == SettingType::Text) {
            result = ProfileString(location, keyPath, valueName, SettingAsText(defaultValue));
        } else {
            result =
                static_cast<int32_t>(GetPrivateProfileIntW(keyPath.c_str(), valueName.c_str(), 0, location.c_str()));
        }
        return kStatusOk;
    }

    const RegistryView view = ViewFor(RegistryOperation::Read, keyPath);
    HKEY opened = nullptr;
    LONG status = RegOpenKeyExW(RootHandle(root), view.path.c_str(), 0, view.mask, &opened);
    if (status != ERROR_SUCCESS) return status;
    UniqueHkey key(opened);

    // The stored type plays no part; only the size of the data matters.
    switch (kind) {
        case SettingType::Text:
            status = QueryText(key.get(), valueName, result);
            break;
        case SettingType::Boolean: {
            std::array<uint8_t, 2> data{};
            status = QueryFixed(key.get(), valueName, data);
            if (status == ERROR_SUCCESS) result = BooleanFromData(data);
            break;
        }
        case SettingType::Dword: {
            std::array<uint8_t, 4> data{};
            status = QueryFixed(key.get(), valueName, data);
            if (status == ERROR_SUCCESS) result = DwordFromData(data);
            break;
        }
        case SettingType::Other:
            break;
    }
    const LONG closed = RegCloseKey(key.release());
    return status == ERROR_SUCCESS ? closed : status;
}

int32_t Win32SettingsStore::WriteSetting(const std::wstring& location, const std::wstring& keyPath,
                                         const std::wstring& valueName, const std::wstring& type,
                                         const SettingValue& value) {
    const uint32_t root = Resolve(location);
    if (root == kLocationUnknown) return kStatusUnknownLocation;
    const SettingType kind = SettingTypeOf(type);

    if (root == kLocationIniFile) {
        if (kind != SettingType::Text) return kStatusUnknownLocation;
        // A write that failed says so with Windows' code, as the registry side does.
        return WriteIni(location, keyPath, valueName, SettingAsText(value));
    }

    UniqueHkey key;
    LONG status = CreateForWrite(RootHandle(root), keyPath, key);
    if (status != ERROR_SUCCESS) return status;

    // A value that does not convert writes nothing, and says so.
    switch (kind) {
        case SettingType::Text: {
            // RegSetValueExW stores exactly the bytes counted: the NUL must be among them.
            const std::wstring text = SettingAsText(value);
            status =
                RegSetValueExW(key.get(), valueName.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                               static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t)));
            break;
        }
        case SettingType::Boolean: {
            const auto data = BooleanData(value);
            status = data ? SetFixed(key.get(), valueName, REG_BINARY, *data) : kErrorInvalidParameter;
            break;
        }
        case SettingType::Dword: {
            const auto data = DwordData(value);
            status = data ? SetFixed(key.get(), valueName, REG_DWORD, *data) : kErrorInvalidParameter;
            break;
        }
        case SettingType::Other:
            break;
    }
    if (status != ERROR_SUCCESS) return status;
    return RegCloseKey(key.release());
}

RawRead Win32SettingsStore::ReadRawSetting(const std::wstring& location, const std::wstring& keyPath,
                                           const std::wstring& valueName) {
    RawRead read;
    const uint32_t root = RootKeyOf(location);
    if (root == kLocationUnknown) {
        read.status = kStatusUnknownLocation;
        return read;
    }
    const RegistryView view = ViewFor(RegistryOperation::Read, keyPath);
    HKEY opened = nullptr;
    read.status = RegOpenKeyExW(RootHandle(root), view.path.c_str(), 0, view.mask, &opened);
    if (read.status != ERROR_SUCCESS) return read;
    UniqueHkey key(opened);
    read.keyOpened = true;
    // The value may grow between the two calls: ask again with the size it wants.
    DWORD type = 0;
    DWORD size = 0;
    read.status = RegQueryValueExW(key.get(), valueName.c_str(), nullptr, &type, nullptr, &size);
    for (int attempt = 0; read.status == ERROR_SUCCESS && attempt < 4; ++attempt) {
        read.value.data.resize(size);
        DWORD got = size;
        read.status = RegQueryValueExW(key.get(), valueName.c_str(), nullptr, &type, read.value.data.data(), &got);
        if (read.status == ERROR_MORE_DATA) {
            size = got;
            read.status = ERROR_SUCCESS;
            continue;
        }
        read.value.data.resize(got);
        read.value.type = type;
        return read;
    }
    if (read.status == ERROR_SUCCESS) read.status = ERROR_MORE_DATA;
    read.value = {};
    return read;
}

int32_t Win32SettingsStore::WriteRawSetting(const std::wstring& location, const std::wstring& keyPath,
                                            const std::wstring& valueName, const RawSetting& value) {
    const uint32_t root = RootKeyOf(location);
    if (root == kLocationUnknown) return kStatusUnknownLocation;
    UniqueHkey key;
    LONG status = CreateForWrite(RootHandle(root), keyPath, key);
    if (status != ERROR_SUCCESS) return status;
    status = RegSetValueExW(key.get(), valueName.c_str(), 0, value.type, value.data.data(),
                            static_cast<DWORD>(value.data.size()));
    if (status != ERROR_SUCCESS) return status;
    return RegCloseKey(key.release());
}

int32_t Win32SettingsStore::DeleteSetting(const std::wstring& location, const std::wstring& keyPath,
                                          const std::wstring& valueName) {
    const uint32_t root = Resolve(location);
    if (root == kLocationUnknown) return kStatusUnknownLocation;

    if (root == kLocationIniFile) {
        // An empty text, not a null pointer: the key stays with no value.
        return WriteIni(location, keyPath, valueName, L"");
    }

    const RegistryView view = ViewFor(RegistryOperation::Delete, keyPath);
    HKEY opened = nullptr;
    LONG status = RegOpenKeyExW(RootHandle(root), view.path.c_str(), 0, view.mask, &opened);
    if (status == ERROR_FILE_NOT_FOUND) return kStatusOk;
    if (status != ERROR_SUCCESS) return status;
    UniqueHkey key(opened);

    status = RegDeleteValueW(key.get(), valueName.c_str());
    return status == ERROR_FILE_NOT_FOUND ? kStatusOk : status;
}

std::wstring Win32SettingsStore::ReadIniValue(const std::wstring& file, const std::wstring& section,
                                              const std::wstring& key) {
    return ProfileString(file, section, key, L"");
}

Done Win32SettingsStore::WriteIniValue(const std::wstring& file, const std::wstring& section, const std::wstring& key,
                                       const std::wstring& value) {
    return Checked(WritePrivateProfileStringW(section.c_str(), key.c_str(), value.c_str(), file.c_str()));
}

}  // namespace qv::win32
