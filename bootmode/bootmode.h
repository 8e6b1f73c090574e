// Writing a Safe Mode configuration and taking it away again.
#pragma once

#include <string>

namespace qv {

// Safe Mode configuration.
void ConfigureSafeMode(bool commandPromptOnly, bool askAndRestart);
void ConfigureSafeModeNetwork(bool askAndRestart);
void ConfigureSafeNetworkNoReboot();

// Normal Mode restoration.
void RestoreNormalMode(bool removeHelperScript);

// boot.ini editor (Windows 2000 and XP).
bool SetBootIniSafeMode(std::wstring bootIniPath, std::wstring backupName, std::wstring description,
                        bool commandPromptOnly, bool networking);
bool RestoreBootIni(std::wstring bootIniPath, std::wstring backupName);

// Command-prompt alternate shell.
void SetUpCommandPromptShell();
void WriteCommandShortcut();
void DeleteCommandShortcut();

}  // namespace qv
