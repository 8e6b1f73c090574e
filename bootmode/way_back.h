// The way back from Safe Mode: the run-once entry, the command processor's
// "Autorun" value and the command file in the Windows folder. Each must start
// this very exe (or, from a drive that may be gone at the next start, its copy
// on the system drive) whatever its folder is called, or Safe Mode is not set.
#pragma once

#include <optional>
#include <string>

namespace qv {

inline constexpr const wchar_t* kRunOnceKey = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\RunOnce";
inline constexpr const wchar_t* kCommandProcessorKey = L"SOFTWARE\\Microsoft\\Command Processor";
inline constexpr const wchar_t* kSafeBootKey = L"SYSTEM\\CurrentControlSet\\Control\\SafeBoot";
// "Do not process the run once list": Windows then never runs the run-once entry.
inline constexpr const wchar_t* kExplorerPolicyKey =
    L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Policies\\Explorer";
inline constexpr const wchar_t* kRunOncePolicyValue = L"DisableLocalMachineRunOnce";
// The longest command line Windows runs from a run-once entry.
inline constexpr size_t kRunOnceLineLimit = 260;

// Where the policy that keeps Windows from running the run-once entry is set
// ("HKLM\..." or, for the user, "HKCU\..."); empty when it is not.
std::optional<std::wstring> RunOncePolicyKey();
bool RunOnceBlockedByPolicy();

// Whether this exe lies on a drive that may be gone at the next start (a USB
// stick, a disc): the way back then starts a copy on the system drive.
bool RunsFromRemovableDrive();
// The longest path of an exe that Windows is sure to start (MAX_PATH less its NUL).
inline constexpr size_t kLongestStartablePath = 259;
// Whether the way back starts the copy below: from such a drive, or from a
// path longer than that.
bool WayBackStartsCopy();
// That copy: "<Windows folder>\Quorvine\<this exe's name>".
std::wstring WayBackCopyPath();
// The exe the way back starts: this one, or its copy, made and checked byte
// for byte now; empty when no checked copy could be made.
std::optional<std::wstring> WayBackExe();
// After Normal Mode is restored: the copy goes (at the next start, when it is
// the program running now).
void RemoveWayBackCopy();

// True when the command processor passes `text` on unchanged: "%NAME%" needs
// two percent signs, and which names are set at the next logon is unknown.
bool SurvivesExpansion(const std::wstring& text);

// The form of `exe`'s path that the command processor leaves alone and that
// keeps the run-once line within Windows' limit: the full path, else its short
// (8.3) form; empty when neither is safe.
std::optional<std::wstring> ExePathForCommandProcessor(const std::wstring& exe);
// The path for the command file, in the code page cmd.exe reads it in (UTF-8
// under code page 65001), "%" written "%%"; empty when neither the full nor
// the short path fits that code page.
std::optional<std::string> CommandFileLine(const std::wstring& exe);
// False when the way back of this mode could not reach the exe from its folder.
bool WayBackCanReachExe(bool commandPrompt);

std::wstring RunOnceValueName();
std::wstring RunOnceDataFor(const std::wstring& exePath);
std::wstring AutorunCommandFor(const std::wstring& exePath);
// The program that run-once data or an Autorun value of this shape starts,
// as the command processor will read it; empty for any other shape.
std::optional<std::wstring> ProgramOfRunOnce(const std::wstring& data);
std::optional<std::wstring> ProgramOfAutorun(const std::wstring& value);
// The program's own "/undo" command, from this folder or another: told by the
// program it starts (this exe, or one of its name), not by the shape alone.
bool IsOwnAutorun(const std::wstring& value);

// A text value under HKLM; empty when it is not there.
std::optional<std::wstring> ReadMachineText(const std::wstring& keyPath, const std::wstring& name);

// Writes the run-once entry; true when it reads back and starts the way
// back's exe. On false what was there before is back in place.
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
inline constexpr const wchar_t* kBlockedWayBack = L"blocked by policy";
// Which of them would bring Windows back now: one, both ("... and ..."), or none.
std::wstring ArmedWayBack();
// Takes the own "Autorun" away and puts back one that the set-up replaced.
void RestoreSavedAutorun();
// The command file in the Windows folder: "/undo" keeps it for the prompt it
// runs at; "/normal", "/remove" and the window take it away.
enum class CommandFile { Keep, Remove };
// Takes the run-once entry and the own "Autorun" away (and the command file).
void DisarmWayBack(CommandFile commandFile);
std::wstring CommandShortcutPath();
void DeleteCommandShortcut();

}  // namespace qv
