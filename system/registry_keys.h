// Whole keys under HKLM: made, looked for and deleted, where the settings
// store only knows values. A seam of its own beside those of seams.h: the
// Windows build installs registry_keys_win32.cpp, host tests a fake.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace qv {

class RegistryKeys {
public:
    virtual ~RegistryKeys() = default;
    // Whether HKLM\keyPath is there; empty when that could not be told.
    virtual std::optional<bool> KeyExists(const std::wstring& keyPath) = 0;
    // Makes HKLM\keyPath with `defaultValue` as its default value. `created`
    // is false when the key was there before: it is then left as it is.
    // Returns a Windows error code, 0 when done.
    virtual int32_t CreateKey(const std::wstring& keyPath, const std::wstring& defaultValue, bool& created) = 0;
    // Deletes HKLM\keyPath, a key without subkeys; 0 also when it was gone.
    virtual int32_t DeleteKey(const std::wstring& keyPath) = 0;
};

// The keys in force; none (every call fails) until a real or fake one is set.
RegistryKeys& Keys();
// Returns the one it replaces, so a test can put it back.
RegistryKeys* SetRegistryKeys(RegistryKeys* keys);

}  // namespace qv
