// Writing a Safe Mode configuration and taking it away again.
#pragma once

#include <optional>
#include <string>

#include "bootmode/way_back.h"

namespace qv {

// Safe Mode configuration.
void ConfigureSafeMode(bool commandPromptOnly, bool askAndRestart);
void ConfigureSafeModeNetwork(bool askAndRestart);
void ConfigureSafeNetworkNoReboot();
// True when the last Configure call wrote a Safe Mode configuration; false
// when it was declined or stopped because the way back could not be armed.
bool LastSafeModeConfigured();

// Normal Mode restoration. With `checkBootConfiguration`, a Safe Mode setting
// that could not be removed is reported and keeps its way back; the Safe Mode
// operations clear without it, since they write a new setting right after.
// Returns false when a Safe Mode setting stayed in place (and has been reported).
bool RestoreNormalMode(bool removeHelperScript, bool checkBootConfiguration = true);

// boot.ini editor (Windows 2000 and XP).
bool SetBootIniSafeMode(std::wstring bootIniPath, std::wstring backupName, std::wstring description,
                        bool commandPromptOnly, bool networking);
bool RestoreBootIni(std::wstring bootIniPath, std::wstring backupName);
// boot.ini with `line` added as the last entry of "operating systems", when
// another section follows that one; empty when it is the last section.
std::optional<std::wstring> InsertBootEntry(const std::wstring& content, const std::wstring& line);

}  // namespace qv
