// The command lines of the way back, written and read back: the run-once
// data, the command processor's "Autorun", and the forms of the exe's path
// the command processor passes on unchanged.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace qv {

// The longest command line Windows runs from a run-once entry.
inline constexpr size_t kRunOnceLineLimit = 260;

// True when the command processor passes `text` on unchanged: "%NAME%" needs
// two percent signs, and which names are set at the next logon is unknown.
bool SurvivesExpansion(const std::wstring& text);

// The last part of a path.
std::wstring FileNameOf(const std::wstring& path);
// The full path first, then the short one: both name the exe itself.
std::vector<std::wstring> ExePathForms(const std::wstring& full);
// The form of `exe`'s path that the command processor leaves alone and that
// keeps the run-once line within Windows' limit: the full path, else its short
// (8.3) form; empty when neither is safe.
std::optional<std::wstring> ExePathForCommandProcessor(const std::wstring& exe);

std::wstring RunOnceDataFor(const std::wstring& exePath);
std::wstring AutorunCommandFor(const std::wstring& exePath);
// The program that run-once data or an Autorun value of this shape starts,
// as the command processor will read it; empty for any other shape.
std::optional<std::wstring> ProgramOfRunOnce(const std::wstring& data);
std::optional<std::wstring> ProgramOfAutorun(const std::wstring& value);
// True when a program read back so is the file `exe`.
bool StartsExe(const std::optional<std::wstring>& program, const std::wstring& exe);

// Why a way back failed where no call did, for the end of its line.
inline constexpr const wchar_t* kWayBackCopyNotMade =
    L"the checked copy of Quorvine.exe in the Windows folder could not be made";
inline constexpr const wchar_t* kNoPathReachesExe = L"no form of the folder's name reaches Quorvine.exe";
inline constexpr const wchar_t* kEntryNotReadBack = L"the entry written did not read back as written";
inline constexpr const wchar_t* kEntryStartsOtherExe = L"the entry written does not start this Quorvine.exe";

}  // namespace qv
