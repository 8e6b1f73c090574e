#include "bootmode/way_back.h"

#include "bootmode/autorun.h"
#include "bootmode/command_file.h"
#include "bootmode/command_line.h"
#include "bootmode/run_once.h"
#include "bootmode/way_back_copy.h"
#include "system/seams.h"
#include "system/settings.h"

namespace qv {

bool WayBackCanReachExe(bool commandPrompt) {
    const std::wstring exe = PlannedWayBackExe();
    return ExePathForCommandProcessor(exe) && (!commandPrompt || CommandFileLine(exe));
}

bool SetUpCommandPromptShell() {
    const auto exe = WayBackExe();
    if (!exe) return false;
    const auto exePath = ExePathForCommandProcessor(*exe);
    const auto line = CommandFileLine(*exe);
    if (!exePath || !line) return false;
    // Never replace a value that could not be read or kept.
    if (!KeepForeignAutorun()) return false;
    // Written over, not deleted first: a write that fails then leaves the
    // value that was there, never a Safe Mode without a shell.
    Settings().WriteSetting(L"HKLM", kSafeBootKey, L"AlternateShell", L"S", std::wstring(L"cmd.exe"));
    const std::wstring autorun = AutorunCommandFor(*exePath);
    Settings().WriteSetting(L"HKLM", kCommandProcessorKey, L"Autorun", L"S", autorun);
    DeleteCommandFile();
    const auto bytes = CommandFileBytes(*line);
    const bool written = static_cast<bool>(Files().WriteBytes(CommandFilePath(), bytes));

    const auto stored = ReadMachineText(kCommandProcessorKey, L"Autorun");
    if (written && stored == autorun && StartsExe(ProgramOfAutorun(*stored), *exe)) return true;
    RestoreSavedAutorun();
    DeleteCommandFile();
    return false;
}

void DisarmWayBack(CommandFile commandFile) {
    Settings().DeleteSetting(L"HKLM", kRunOnceKey, RunOnceValueName());
    RestoreSavedAutorun();
    if (commandFile == CommandFile::Remove) DeleteCommandFile();
}

std::wstring ArmedWayBack() {
    const auto runOnce = ReadMachineText(kRunOnceKey, RunOnceValueName());
    const bool runOnceArmed = runOnce && ProgramOfRunOnce(*runOnce).has_value();
    const bool autorunArmed = OwnAutorunArmed();
    // Windows would never run it: no way back at all unless the Autorun is one.
    if (!autorunArmed && RunOnceBlockedByPolicy()) return kBlockedWayBack;
    if (runOnceArmed && autorunArmed) return std::wstring(kRunOnceWayBack) + L" and " + kAutorunWayBack;
    if (runOnceArmed) return kRunOnceWayBack;
    return autorunArmed ? kAutorunWayBack : kNoWayBack;
}

}  // namespace qv
