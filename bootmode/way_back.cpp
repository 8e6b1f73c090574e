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

Step SetUpCommandPromptShell() {
    const auto exe = WayBackExe();
    if (!exe) return Step::Failed(kWayBackCopyNotMade);
    const auto exePath = ExePathForCommandProcessor(*exe);
    const auto line = CommandFileLine(*exe);
    if (!exePath || !line) return Step::Failed(kNoPathReachesExe);
    // Never replace a value that could not be read or kept.
    if (const Step kept = KeepForeignAutorun(); !kept) return kept;
    // Written over, not deleted first: a write that fails then leaves the
    // value that was there, never a Safe Mode without a shell.
    Settings().WriteSetting(L"HKLM", kSafeBootKey, L"AlternateShell", L"S", std::wstring(L"cmd.exe"));
    const std::wstring autorun = AutorunCommandFor(*exePath);
    const int32_t status = Settings().WriteSetting(L"HKLM", kCommandProcessorKey, L"Autorun", L"S", autorun);
    DeleteCommandFile();
    const auto bytes = CommandFileBytes(*line);
    const Done written = Files().WriteBytes(CommandFilePath(), bytes);
    const auto stored = ReadMachineText(kCommandProcessorKey, L"Autorun");
    Step armed;
    if (status != kStatusOk)
        armed = Step::Failed(StatusCause(status));
    else if (!written)
        armed = Step::Failed(L"the command file " + CommandFilePath() + L": " + ErrorCause(written));
    else if (stored != autorun)
        armed = Step::Failed(kEntryNotReadBack);
    else if (!StartsExe(ProgramOfAutorun(*stored), *exe))
        armed = Step::Failed(kEntryStartsOtherExe);
    else
        return armed;
    RestoreSavedAutorun();
    DeleteCommandFile();
    return armed;
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
