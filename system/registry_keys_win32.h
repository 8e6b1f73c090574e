// Whole keys under HKLM through the registry functions.
#pragma once

#include "system/registry_keys.h"

namespace qv::win32 {

class Win32RegistryKeys : public RegistryKeys {
public:
    std::optional<bool> KeyExists(const std::wstring& keyPath) override;
    int32_t CreateKey(const std::wstring& keyPath, const std::wstring& defaultValue, bool& created) override;
    int32_t DeleteKey(const std::wstring& keyPath) override;
};

}  // namespace qv::win32
