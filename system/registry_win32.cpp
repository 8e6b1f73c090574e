// Settings store over the registry and INI files (being written).
#include "system/win32.h"

namespace qv::win32 {
int32_t ReadSetting(const std::wstring&, const std::wstring&, const std::wstring&, const std::wstring&,
                    const SettingValue& defaultValue, SettingValue& result) {
    result = defaultValue;
    return kStatusUnknownLocation;
}
int32_t WriteSetting(const std::wstring&, const std::wstring&, const std::wstring&, const std::wstring&,
                     const SettingValue&) {
    return kStatusUnknownLocation;
}
int32_t DeleteSetting(const std::wstring&, const std::wstring&, const std::wstring&) {
    return kStatusUnknownLocation;
}
bool IsOrdinaryFile(const std::wstring&) { return false; }
}  // namespace qv::win32
