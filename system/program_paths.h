// The program's own paths and the program-wide constants, set once at start.
#pragma once

#include <string>

namespace qv {

extern std::wstring EntryTitle;         // the boot.ini entry; with "*", the run-once value
extern std::wstring BootIniPath;        // the system drive's boot.ini
extern std::wstring BootIniBackupName;  // \boot.Tamberlow, on the drive of boot.ini
extern std::wstring BcdBackupPath;      // the system drive's BCDbak
void SetProgramConstants();

// The drive of the Windows folder ("C:"), from Windows: the environment's
// "systemdrive" is the user's to set.
std::wstring SystemDrive();

// The program's key: the mode record and a kept-aside "Autorun".
inline constexpr const wchar_t* kProgramKey = L"Software\\Tamberlow\\Quorvine";
// Under it: the Safe Mode chosen in the window (1, 2, 3), which makes the way back ask first.
inline constexpr const wchar_t* kBootModeValue = L"BootMode";

// The command line after the program's own path, without blanks around it.
std::wstring ArgumentText();
std::wstring ArgumentTextOf(const std::wstring& commandLine);

std::wstring AppFolder();   // always ends in a backslash
std::wstring AppExePath();  // AppFolder, the exe's name, ".exe"

}  // namespace qv
