// The boot.ini editor: the Safe Mode entry on Windows 2000 and XP.
#pragma once

#include <optional>
#include <string>

namespace qv {

struct BootIniResult {
    bool ok = true;
    std::wstring failure;      // the failing step and the path, for a critical message
    bool backInPlace = false;  // RestoreBootIni: boot.ini is the backup again, whatever failed after
};

// Makes the default entry start Safe Mode, keeps the entry as it was as a
// second choice, and keeps a backup of the untouched file (made once).
BootIniResult SetBootIniSafeMode(std::wstring bootIniPath, std::wstring backupName, std::wstring description,
                                 bool commandPromptOnly, bool networking);
// Puts the backup back in place of boot.ini and deletes it.
BootIniResult RestoreBootIni(std::wstring bootIniPath, std::wstring backupName);
// boot.ini with `line` added as the last entry of "operating systems", when
// another section follows that one; empty when it is the last section.
std::optional<std::wstring> InsertBootEntry(const std::wstring& content, const std::wstring& line);
// The value of the first `key` in `section` of an INI text, whole and as
// written; empty when there is none.
std::optional<std::wstring> IniValueIn(const std::wstring& content, const std::wstring& section,
                                       const std::wstring& key);

}  // namespace qv
