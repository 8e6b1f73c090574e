// The way back from Safe Mode, put together from its parts: the run-once
// entry (run_once.h), the command processor's "Autorun" (autorun.h) and the
// command file (command_file.h). Each must start this very exe (or, from a
// drive that may be gone at the next start, its copy on the system drive,
// way_back_copy.h) whatever its folder is called, or Safe Mode is not set.
#pragma once

#include <string>

#include "system/cause.h"

namespace qv {

inline constexpr const wchar_t* kSafeBootKey = L"SYSTEM\\CurrentControlSet\\Control\\SafeBoot";

// False when the way back of this mode could not reach the exe from its folder.
bool WayBackCanReachExe(bool commandPrompt);

// "AlternateShell", "Autorun" (a foreign one kept aside) and the command file;
// done when the Autorun and the command file both start this exe. Failed:
// nothing of it stays behind.
Step SetUpCommandPromptShell();
// The names the output lines give each way back.
inline constexpr const wchar_t* kRunOnceWayBack = L"run-once entry";
inline constexpr const wchar_t* kAutorunWayBack = L"autorun";
inline constexpr const wchar_t* kNoWayBack = L"none";
inline constexpr const wchar_t* kBlockedWayBack = L"blocked by policy";
// Which of them would bring Windows back now: one, both ("... and ..."), or none.
std::wstring ArmedWayBack();
// The command file in the Windows folder: "/undo" keeps it for the prompt it
// runs at; "/normal", "/remove" and the window take it away.
enum class CommandFile { Keep, Remove };
// Takes the run-once entry and the own "Autorun" away (and the command file).
void DisarmWayBack(CommandFile commandFile);

}  // namespace qv
