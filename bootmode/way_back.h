// The way back from Safe Mode: the run-once entry, the command processor's
// "Autorun" value and the command file in the Windows folder. Each must start
// this very exe whatever its folder is called, or Safe Mode is not set.
#pragma once

#include <optional>
#include <string>

namespace qv {

inline constexpr const wchar_t* kRunOnceKey = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\RunOnce";
inline constexpr const wchar_t* kCommandProcessorKey = L"SOFTWARE\\Microsoft\\Command Processor";
inline constexpr const wchar_t* kSafeBootKey = L"SYSTEM\\CurrentControlSet\\Control\\SafeBoot";

// True when the command processor passes `text` on unchanged: "%NAME%" needs
// two percent signs, and which names are set at the next logon is unknown.
bool SurvivesExpansion(const std::wstring& text);

// The form of the exe's path that the command processor leaves alone: the
// full path, else its short (8.3) form; empty when neither is safe.
std::optional<std::wstring> ExePathForCommandProcessor();
// The exe's path for the command file, in the console code page, "%" written
// "%%"; empty when neither the full nor the short path fits that code page.
std::optional<std::string> CommandFileLine();
// False when the way back of this mode could not reach the exe from its folder.
bool WayBackCanReachExe(bool commandPrompt);

std::wstring RunOnceValueName();
std::wstring RunOnceDataFor(const std::wstring& exePath);
std::wstring AutorunCommandFor(const std::wstring& exePath);
// The program that run-once data or an Autorun value of this shape starts,
// as the command processor will read it; empty for any other shape.
std::optional<std::wstring> ProgramOfRunOnce(const std::wstring& data);
std::optional<std::wstring> ProgramOfAutorun(const std::wstring& value);
// The program's own "/undo" command, from this folder or an earlier one.
bool IsOwnAutorun(const std::wstring& value);

// A text value under HKLM; empty when it is not there.
std::optional<std::wstring> ReadMachineText(const std::wstring& keyPath, const std::wstring& name);

// Writes the run-once entry; true when it reads back and starts this exe.
bool ArmRunOnce();
// "AlternateShell", "Autorun" (a foreign one kept aside) and the command file;
// true when the Autorun and the command file both start this exe. On false
// nothing of it stays behind.
bool SetUpCommandPromptShell();
bool OwnAutorunArmed();
// The names the output lines give each way back.
inline constexpr const wchar_t* kRunOnceWayBack = L"run-once entry";
inline constexpr const wchar_t* kAutorunWayBack = L"autorun";
inline constexpr const wchar_t* kNoWayBack = L"none";
// Which of them would bring Windows back now: one, both ("... and ..."), or none.
std::wstring ArmedWayBack();
// Takes the own "Autorun" away and puts back one that the set-up replaced.
void RestoreSavedAutorun();
// Takes the run-once entry and the own "Autorun" away (and the command file).
void DisarmWayBack(bool removeCommandFile);
std::wstring CommandShortcutPath();
void DeleteCommandShortcut();

}  // namespace qv
