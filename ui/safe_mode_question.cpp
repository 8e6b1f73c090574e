#include "ui/safe_mode_question.h"

#include "system/seams.h"

namespace qv {

namespace {

// Only a Yes goes on: a box that could not be shown (0) is no consent.
bool Declined(const std::wstring& question) { return User().ShowMessage(question, L"", kMbYesNoQuestion) != kAnswerYes; }

}  // namespace

ModeResult AskThenConfigureSafeMode(Mode mode, Restart restart, const std::wstring& caution,
                                    const SafeModeServices& services) {
    // A refusal is told without a question that could only end in it.
    if (const auto why = SafeModeRefusal(mode)) return ModeResult::Ended(ModeOutcome::Stopped, *why);
    const bool commandPromptOnly = mode == Mode::CommandPrompt;
    std::wstring question;
    if (restart == Restart::Now) {
        question = commandPromptOnly
                       ? L"Restart into Safe Mode with Command Prompt Only?\r\n\r\n(Once there, you may restart "
                         L"Windows using internal Windows commands (e.g. 'shutdown -r -t 0') or 'quorvine "
                         L"/reboot', use the 'quorvine /normal' command to restart directly to 'Normal Mode', "
                         L"or simply type 'quorvine' for all options.)"
                       : L"Restart into Safe Mode?";
    } else if (!caution.empty()) {
        question = commandPromptOnly ? L"Configure Safe Mode with Command Prompt Only for the next restart?"
                                     : L"Configure Safe Mode for the next restart?";
    }
    if (!caution.empty()) question += L"\r\n\r\n" + caution;
    if (!question.empty() && Declined(question)) return ModeResult::Ended(ModeOutcome::Declined);
    return ConfigureSafeMode(mode, restart, services);
}

ModeResult AskThenConfigureSafeModeNetwork(Restart restart, const SafeModeServices& services) {
    if (const auto why = SafeModeNetworkRefusal()) return ModeResult::Ended(ModeOutcome::Stopped, *why);
    if (restart == Restart::Now && Declined(L"Restart into Safe Mode with Networking?"))
        return ModeResult::Ended(ModeOutcome::Declined);
    return ConfigureSafeModeNetwork(restart, services);
}

}  // namespace qv
