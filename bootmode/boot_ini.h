// The boot.ini editor: the Safe Mode entry on Windows 2000 and XP. Only the
// boot store uses it.
#pragma once

#include <optional>
#include <string>

#include "bootmode/store_readings.h"

namespace qv {

// Makes the default entry start Safe Mode, keeps the entry as it was as a
// second choice, and keeps a backup of the untouched file (made once).
BootIniResult SetBootIniSafeMode(std::wstring bootIniPath, std::wstring backupName, std::wstring description,
                                 bool commandPromptOnly, bool networking);
// Puts the backup back in place of boot.ini and deletes it.
BootIniResult RestoreBootIni(std::wstring bootIniPath, std::wstring backupName);
// What the boot loader's default entry in a boot.ini says.
StoredMode StoredModeFromBootIni(const std::wstring& content);
// boot.ini with `line` added as the last entry of "operating systems", when
// another section follows that one; empty when it is the last section.
std::optional<std::wstring> InsertBootEntry(const std::wstring& content, const std::wstring& line);
// The value of the first `key` in `section` of an INI text, whole and as
// written; empty when there is none.
std::optional<std::wstring> IniValueIn(const std::wstring& content, const std::wstring& section,
                                       const std::wstring& key);

}  // namespace qv
