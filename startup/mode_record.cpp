// The BootMode record and the question asked in Safe Mode.
#include "startup/module1.h"

#include "bootmode/way_back.h"
#include "system/platform.h"

namespace qv {

bool AskRestoreNormalMode() {
    SettingValue mode = int32_t{0};
    Sys().ReadSetting(L"HKLM", kProgramKey, L"BootMode", L"D", int32_t{0}, mode);
    const int32_t bootMode = SettingAsInt32(mode);
    if (bootMode != 1 && bootMode != 2 && bootMode != 3) return true;

    const int answer = Sys().ShowMessage(
        L"Would you like to configure the next Windows restart for 'Normal Mode'?\r\n\r\n"
        L"Select NO to continue with the 'Safe Mode' configuration, or CANCEL for all options.",
        L"", kMbYesNoCancelQuestion);
    if (answer == kAnswerYes) return true;
    ArmRunOnce();
    if (answer == kAnswerCancel) {
        Sys().ShowMainWindow();
        return false;
    }
    if (bootMode == 3) {
        Sys().ShowMessage(
            L"Remember:  you may restart Windows using internal Windows commands (e.g. 'shutdown -r -t 0') "
            L"or 'quorvine /reboot', use the 'quorvine /normal' command to restart directly to "
            L"'Normal Mode', or simply type 'quorvine' for all options.",
            L"", kMbOk);
    }
    return false;
}

}  // namespace qv
