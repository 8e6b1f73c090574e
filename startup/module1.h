// Start-up, program-wide constants and the mode record.
#pragma once

#include <string>

namespace qv {

// Program-wide constants, set once by Main before anything else happens.
extern std::wstring EntryTitle;
extern std::wstring BootIniPath;
extern std::wstring BootIniBackupName;
extern std::wstring BcdBackupPath;

// Set when the user answers No to a Safe Mode restart question; the main
// window reads and clears it.
extern bool SafeModeDeclined;

inline constexpr int kRestartFlags = 6;  // restart, forced

void Main();
void SetProgramConstants();

// The command line after the program's own path, without the blanks in front.
std::wstring ArgumentText();
std::wstring ArgumentTextOf(const std::wstring& commandLine);

std::wstring AppFolder();   // always ends in a backslash
std::wstring AppExePath();

// The program's own key: the mode record and a kept-aside "Autorun".
inline constexpr const wchar_t* kProgramKey = L"Software\\Tamberlow\\Quorvine";
bool AskRestoreNormalMode();

}  // namespace qv
