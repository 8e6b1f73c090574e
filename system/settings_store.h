// The settings store: registry values by location ("HKLM", "HKCU", ...) and
// key, or the keys of an INI file named as the location. No windows.h here.
#pragma once

#include <cstdint>
#include <string>

#include "system/done.h"
#include "system/settings.h"

namespace qv {

class SettingsStore {
public:
    virtual ~SettingsStore() = default;

    // `type` is the type letter ("S", "D", "B"); the answer is a status (0 done).
    virtual int32_t ReadSetting(const std::wstring& location, const std::wstring& keyPath,
                                const std::wstring& valueName, const std::wstring& type,
                                const SettingValue& defaultValue, SettingValue& result) = 0;
    virtual int32_t WriteSetting(const std::wstring& location, const std::wstring& keyPath,
                                 const std::wstring& valueName, const std::wstring& type,
                                 const SettingValue& value) = 0;
    // A registry value's type and bytes as stored, in the view ReadSetting uses.
    virtual RawRead ReadRawSetting(const std::wstring& location, const std::wstring& keyPath,
                                   const std::wstring& valueName) = 0;
    virtual int32_t WriteRawSetting(const std::wstring& location, const std::wstring& keyPath,
                                    const std::wstring& valueName, const RawSetting& value) = 0;
    virtual int32_t DeleteSetting(const std::wstring& location, const std::wstring& keyPath,
                                  const std::wstring& valueName) = 0;

    // Single keys of an INI file, as the profile functions read and write them.
    virtual std::wstring ReadIniValue(const std::wstring& file, const std::wstring& section,
                                      const std::wstring& key) = 0;
    virtual Done WriteIniValue(const std::wstring& file, const std::wstring& section, const std::wstring& key,
                               const std::wstring& value) = 0;
};

// The settings store in force (seams.h installs it).
SettingsStore& Settings();

}  // namespace qv
