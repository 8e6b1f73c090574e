// Normal Mode restoration: take every trace of a Safe Mode configuration away.
#include "bootmode/bootmode.h"

#include "bootmode/boot_commands.h"
#include "opsys/mod_opsys.h"
#include "startup/module1.h"
#include "system/network.h"
#include "system/platform.h"
#include "system/text.h"

namespace qv {

namespace {

constexpr int kNormalFocused = 1;

// A Safe Mode setting that could not be taken away keeps its way back, so
// the next start in Safe Mode tries again instead of stranding the user.
void KeepTheWayBack(bool commandPrompt) {
    ArmRunOnce();
    if (commandPrompt) SetUpCommandPromptShell();
}

// False when a Safe Mode setting may still be there.
bool CheckBootConfiguration() {
    const SafeBootState state = ReadSafeBootState();
    switch (state) {
    case SafeBootState::Absent:
        return true;
    case SafeBootState::Minimal:
    case SafeBootState::Network:
    case SafeBootState::CommandPrompt: {
        KeepTheWayBack(state == SafeBootState::CommandPrompt);
        Sys().ShowMessage(
            L"Normal Mode could not be restored: bcdedit.exe could not remove the Safe Mode setting from the "
            L"boot configuration.\r\n\r\nWindows will start in Safe Mode again, and Quorvine will try "
            L"again then. To remove the setting by hand, run \"bcdedit /deletevalue safeboot\" as "
            L"administrator.",
            L"", kMbCritical);
        return false;
    }
    case SafeBootState::Unknown:
        Sys().ShowMessage(
            L"Quorvine could not check the boot configuration: bcdedit.exe could not be run.\r\n\r\n"
            L"If Windows starts in Safe Mode again, run \"bcdedit /deletevalue safeboot\" as administrator.",
            L"", kMbCritical);
        return false;
    }
    return false;
}

}  // namespace

bool RestoreNormalMode(bool removeHelperScript, bool checkBootConfiguration) {
    if (removeHelperScript) DeleteCommandShortcut();
    Sys().DeleteSetting(L"HKLM", kProgramKey, L"BootMode");
    Sys().DeleteSetting(L"HKLM", kRunOnceKey, RunOnceValueName());
    bool bcdCheckNeeded = false;
    bool bootIniKept = false;
    bool commandPrompt = false;
    if (OsIsVista()) {
        // A missing element fails too; only a look at the store tells them apart.
        bcdCheckNeeded = !RunHidden(L"bcdedit.exe /deletevalue safeboot") && checkBootConfiguration;
        RunHidden(L"bcdedit.exe /deletevalue safebootalternateshell");
    } else if (FileExists(Sys().GetEnv(L"systemdrive") + BootIniBackupName)) {
        // RestoreBootIni names what failed; the Safe Mode entry is still there.
        bootIniKept = !RestoreBootIni(BootIniPath, BootIniBackupName) && checkBootConfiguration;
        commandPrompt = bootIniKept && OwnAutorunArmed();
    }
    RestoreSavedAutorun();
    // Re-armed only after the Autorun value was dealt with above.
    const bool restored = (!bcdCheckNeeded || CheckBootConfiguration()) && !bootIniKept;
    if (bootIniKept) KeepTheWayBack(commandPrompt);

    // In Safe Mode, after the way back ran, the suite's sibling program follows.
    if (LowerCase(ArgumentText()) == L"/remove" && OsWindowsMode() != 0) {
        const std::wstring sibling = AppFolder() + L"..\\Tessel.exe";
        if (FileExists(sibling)) Sys().StartDetached(L"\"" + sibling + L"\"", kNormalFocused);
    }
    return restored;
}

}  // namespace qv
