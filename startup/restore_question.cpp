#include "startup/restore_question.h"

#include "system/seams.h"
#include "system/program_paths.h"

namespace qv {

namespace {

int32_t RecordedBootMode() {
    SettingValue mode = int32_t{0};
    Settings().ReadSetting(L"HKLM", kProgramKey, kBootModeValue, L"D", int32_t{0}, mode);
    return SettingAsInt32(mode);
}

bool AsksFor(int32_t bootMode) { return bootMode == 1 || bootMode == 2 || bootMode == 3; }

}  // namespace

bool RestoreQuestionAsked() { return AsksFor(RecordedBootMode()); }

RestoreAnswer AskRestoreNormalMode() {
    const int32_t bootMode = RecordedBootMode();
    if (!AsksFor(bootMode)) return RestoreAnswer::Restore;

    const int answer = User().ShowMessage(
        L"Would you like to configure the next Windows restart for 'Normal Mode'?\r\n\r\n"
        L"Select NO to continue with the 'Safe Mode' configuration, or CANCEL for all options.",
        L"", kMbYesNoCancelQuestion);
    if (answer == kAnswerYes) return RestoreAnswer::Restore;
    if (answer == kAnswerCancel) return RestoreAnswer::OpenWindow;
    if (bootMode == 3) {
        User().ShowMessage(
            L"Remember:  you may restart Windows using internal Windows commands (e.g. 'shutdown -r -t 0') "
            L"or 'quorvine /reboot', use the 'quorvine /normal' command to restart directly to "
            L"'Normal Mode', or simply type 'quorvine' for all options.",
            L"", kMbOk);
    }
    return RestoreAnswer::StaySafe;
}

}  // namespace qv
