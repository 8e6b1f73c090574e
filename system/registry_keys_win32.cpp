#include "system/registry_keys_win32.h"

#include <string>

#include <windows.h>

#include "system/registry_win32.h"

namespace qv::win32 {

std::optional<bool> Win32RegistryKeys::KeyExists(const std::wstring& keyPath) {
    const RegistryView view = ViewFor(RegistryOperation::Read, keyPath);
    HKEY opened = nullptr;
    const LONG status = RegOpenKeyExW(HKEY_LOCAL_MACHINE, view.path.c_str(), 0, view.mask, &opened);
    UniqueHkey key(opened);
    if (status == ERROR_SUCCESS) return true;
    if (status == ERROR_FILE_NOT_FOUND) return false;
    return std::nullopt;
}

int32_t Win32RegistryKeys::CreateKey(const std::wstring& keyPath, const std::wstring& defaultValue, bool& created) {
    created = false;
    UniqueHkey key;
    bool made = false;
    const LONG status = CreateForWrite(HKEY_LOCAL_MACHINE, keyPath, key, &made);
    if (status != ERROR_SUCCESS) return status;
    // Only the system's own answer proves the key is new; one that was there stays untouched.
    if (!made) return ERROR_SUCCESS;
    created = true;
    // RegSetValueExW stores exactly the bytes counted: the NUL must be among them.
    return RegSetValueExW(key.get(), L"", 0, REG_SZ, reinterpret_cast<const BYTE*>(defaultValue.c_str()),
                          static_cast<DWORD>((defaultValue.size() + 1) * sizeof(wchar_t)));
}

int32_t Win32RegistryKeys::DeleteKey(const std::wstring& keyPath) {
    const size_t split = keyPath.rfind(L'\\');
    if (split == std::wstring::npos) return ERROR_INVALID_PARAMETER;
    const RegistryView view = ViewFor(RegistryOperation::Delete, keyPath.substr(0, split));
    HKEY opened = nullptr;
    LONG status = RegOpenKeyExW(HKEY_LOCAL_MACHINE, view.path.c_str(), 0, view.mask | DELETE, &opened);
    if (status == ERROR_FILE_NOT_FOUND) return ERROR_SUCCESS;
    if (status != ERROR_SUCCESS) return status;
    UniqueHkey parent(opened);
    status = RegDeleteKeyW(parent.get(), keyPath.substr(split + 1).c_str());
    return status == ERROR_FILE_NOT_FOUND ? ERROR_SUCCESS : status;
}

}  // namespace qv::win32
