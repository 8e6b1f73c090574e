// Normal Mode restoration: take every trace of a Safe Mode configuration away.
// The safe-boot setting goes first and the way back last, the mirror of the
// order of configuring, so that nothing can stop it half-way with Safe Mode set
// and nothing left to undo it.
#include "bootmode/bootmode.h"

#include "bootmode/boot_commands.h"
#include "opsys/mod_opsys.h"
#include "startup/module1.h"
#include "system/network.h"
#include "system/platform.h"
#include "system/process.h"
#include "system/text.h"

namespace qv {

namespace {

constexpr int kNormalFocused = 1;

// A Safe Mode setting that may still be there keeps its way back (the run-once
// entry is re-armed: Windows consumed it to start this run), so the next start
// in Safe Mode tries again instead of stranding the user.
void KeepTheWayBack(bool commandPrompt) {
    ArmRunOnce();
    if (commandPrompt && !OwnAutorunArmed()) SetUpCommandPromptShell();
}

void ReportSettingStayed(SafeBootState state) {
    if (state == SafeBootState::Unknown) {
        Sys().ShowMessage(
            L"Quorvine could not check the boot configuration: bcdedit.exe could not be run.\r\n\r\n"
            L"If Windows starts in Safe Mode again, run \"bcdedit /deletevalue safeboot\" as administrator.",
            L"", kMbCritical);
        return;
    }
    Sys().ShowMessage(
        L"Normal Mode could not be restored: bcdedit.exe could not remove the Safe Mode setting from the "
        L"boot configuration.\r\n\r\nWindows will start in Safe Mode again, and Quorvine will try "
        L"again then. To remove the setting by hand, run \"bcdedit /deletevalue safeboot\" as "
        L"administrator.",
        L"", kMbCritical);
}

}  // namespace

bool RestoreNormalMode(bool removeHelperScript, bool checkBootConfiguration) {
    // Only whether the way back asks first; never what brings Windows back.
    Sys().DeleteSetting(L"HKLM", kProgramKey, L"BootMode");
    const bool commandPromptArmed = OwnAutorunArmed();
    bool gone = true;
    if (OsIsVista()) {
        const bool deleted = RunSystemProgram(L"bcdedit.exe", L"/deletevalue safeboot");
        RunSystemProgram(L"bcdedit.exe", L"/deletevalue safebootalternateshell");
        if (!deleted) {
            // A missing element fails too; only a look at the store tells them
            // apart. Before a new configuration the way back is simply left.
            gone = false;
            if (checkBootConfiguration) {
                const SafeBootState state = ReadSafeBootState();
                gone = state == SafeBootState::Absent;
                if (!gone) {
                    KeepTheWayBack(commandPromptArmed || state == SafeBootState::CommandPrompt);
                    ReportSettingStayed(state);
                }
            }
        }
    } else if (FileExists(Sys().GetEnv(L"systemdrive") + BootIniBackupName)) {
        // RestoreBootIni names what failed; the Safe Mode entry is still there.
        gone = RestoreBootIni(BootIniPath, BootIniBackupName);
        if (!gone && checkBootConfiguration) KeepTheWayBack(commandPromptArmed);
    }
    if (gone) DisarmWayBack(removeHelperScript);

    // In Safe Mode, after the way back ran, the suite's sibling program follows.
    if (LowerCase(ArgumentText()) == L"/remove" && OsWindowsMode() != 0) {
        const std::wstring sibling = AppFolder() + L"..\\Tessel.exe";
        if (FileExists(sibling)) Sys().StartDetached(L"\"" + sibling + L"\"", kNormalFocused);
    }
    return gone;
}

}  // namespace qv
