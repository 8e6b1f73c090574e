#include "startup/restore_question.h"

#include "opsys/mode.h"
#include "system/seams.h"
#include "system/program_paths.h"

namespace qv {

namespace {

// The Safe Mode the window recorded; none when it recorded no choice.
std::optional<Mode> RecordedChoice() {
    SettingValue mode = int32_t{0};
    Settings().ReadSetting(L"HKLM", kProgramKey, kBootModeValue, L"D", int32_t{0}, mode);
    return RecordedMode(SettingAsInt32(mode));
}

}  // namespace

bool RestoreQuestionAsked() { return RecordedChoice().has_value(); }

RestoreAnswer AskRestoreNormalMode() {
    const auto choice = RecordedChoice();
    if (!choice) return RestoreAnswer::Restore;

    const int answer = User().ShowMessage(
        L"Would you like to configure the next Windows restart for 'Normal Mode'?\r\n\r\n"
        L"Select NO to continue with the 'Safe Mode' configuration, or CANCEL for all options.",
        L"", kMbYesNoCancelQuestion);
    if (answer == kAnswerYes) return RestoreAnswer::Restore;
    if (answer == kAnswerCancel) return RestoreAnswer::OpenWindow;
    if (*choice == Mode::CommandPrompt) {
        User().ShowMessage(
            L"Remember:  you may restart Windows using internal Windows commands (e.g. 'shutdown -r -t 0') "
            L"or 'quorvine /reboot', use the 'quorvine /normal' command to restart directly to "
            L"'Normal Mode', or simply type 'quorvine' for all options.",
            L"", kMbOk);
    }
    return RestoreAnswer::StaySafe;
}

}  // namespace qv
