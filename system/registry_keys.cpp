#include "system/registry_keys.h"

namespace qv {

namespace {

constexpr int32_t kErrorNotSupported = 50;

class NoKeys : public RegistryKeys {
public:
    std::optional<bool> KeyExists(const std::wstring&) override { return std::nullopt; }
    int32_t CreateKey(const std::wstring&, const std::wstring&, bool& created) override {
        created = false;
        return kErrorNotSupported;
    }
    int32_t DeleteKey(const std::wstring&) override { return kErrorNotSupported; }
};

NoKeys noKeys;
RegistryKeys* current = &noKeys;

}  // namespace

RegistryKeys& Keys() { return *current; }

RegistryKeys* SetRegistryKeys(RegistryKeys* keys) {
    RegistryKeys* previous = current;
    current = keys ? keys : &noKeys;
    return previous;
}

}  // namespace qv
