// frmQuorvine's event procedures.
#include "ui/main_window.h"

#include "bootmode/normal_mode.h"
#include "bootmode/safe_mode.h"
#include "system/file_security.h"
#include "system/network_location.h"
#include "system/seams.h"
#include "system/program_paths.h"
#include "ui/bitlocker_caution.h"
#include "ui/mode_messages.h"
#include "ui/safe_mode_question.h"

namespace qv {

namespace {

void WriteBootMode(Mode mode) {
    Settings().WriteSetting(L"HKLM", kProgramKey, kBootModeValue, L"D", int32_t{RecordedValueOf(mode)});
}

}  // namespace

ModeResult ModeOperations::AskThenConfigureSafeMode(Mode mode, Restart restart) {
    return qv::AskThenConfigureSafeMode(mode, restart, mode == Mode::CommandPrompt ? BitLockerCaution() : L"");
}
ModeResult ModeOperations::AskThenConfigureSafeModeNetwork(Restart restart) {
    return qv::AskThenConfigureSafeModeNetwork(restart);
}
ModeResult ModeOperations::RestoreNormalMode(CommandFile commandFile) { return qv::RestoreNormalMode(commandFile); }

ModeOperations& RealModeOperations() {
    static ModeOperations real;
    return real;
}

std::wstring VersionText(const ProgramVersion& version) {
    std::wstring text = std::to_wstring(version.major) + L"." + std::to_wstring(version.minor);
    if (version.revision > 0) text += L"." + std::to_wstring(version.revision);
    return text;
}

std::wstring MainWindowCaption(const ProgramVersion& version) {
    return L"Quorvine v" + VersionText(version) + L"  -  " + kMakerAddress;
}

void Form_Load(MainWindowView& window) {
    const std::wstring logo = AppFolder() + kAppLogoFile;
    if (TrustedCompanion(logo)) {
        window.SetIconFromFile(logo, true);
    } else {
        window.SetIconFromResource(kIconResource, true);
    }

    window.SetCaption(MainWindowCaption(window.Version()));

    // Safe Mode from a network folder would leave nothing to bring Windows
    // back: after the restart the program may not be reachable.
    if (WarnIfOnNetwork()) {
        window.SelectOption(OptionOf(Mode::Normal));
        optSafeMode_Click(window, OptionOf(Mode::Normal));
        for (Mode mode : {Mode::Minimal, Mode::Network, Mode::CommandPrompt}) {
            window.EnableOption(OptionOf(mode), false);
            window.EnableOptionLabel(OptionOf(mode), false);
        }
    } else {
        window.SelectOption(OptionOf(Mode::Minimal));
        optSafeMode_Click(window, OptionOf(Mode::Minimal));
    }
}

void optSafeMode_Click(MainWindowView& window, int16_t index) {
    for (int16_t option = 0; option < kOptionCount; ++option) window.SetOptionBold(option, false);
    window.SetOptionBold(index, true);
}

void cmdDo_Click(MainWindowView& window, int16_t index, ModeOperations& modes) {
    // Hidden while the operations run: their questions stand alone, and no
    // second press can arrive.
    window.Hide();
    const bool restart = index == kCmdRestart;
    const Restart when = restart ? Restart::Now : Restart::Later;

    if (window.IsOptionSelected(OptionOf(Mode::Normal))) {
        FinishRestoration(modes.RestoreNormalMode(CommandFile::Remove),
                          restart ? RestartOffer::Ask : RestartOffer::None);
        window.Close();
        return;
    }

    ModeResult result;
    std::optional<Mode> chosen;
    for (Mode mode : {Mode::Minimal, Mode::Network, Mode::CommandPrompt})
        if (!chosen && window.IsOptionSelected(OptionOf(mode))) chosen = mode;
    if (chosen == Mode::Network)
        result = modes.AskThenConfigureSafeModeNetwork(when);
    else if (chosen)
        result = modes.AskThenConfigureSafeMode(*chosen, when);
    const bool configured = chosen && result.outcome == ModeOutcome::Configured;
    // BootMode is written only for a configuration that was written, and
    // before the restart, which may end the program at any moment.
    if (configured) WriteBootMode(*chosen);

    if (result.outcome == ModeOutcome::Declined) {
        Settings().DeleteSetting(L"HKLM", kProgramKey, kBootModeValue);
        User().ShowMessage(L"No modifications were made to the system.", L"", kMbOk);
        window.Show();
        return;
    }
    FinishConfiguration(result);
    // A configuration that stopped has told why; claiming modifications here would be wrong.
    if (!restart && configured) {
        User().ShowMessage(
            L"Modifications were made to the system, you may manually reboot when ready."
            L"\r\n\r\n"
            L"Please do NOT remove Quorvine.exe from it's current location!  (Once in 'Safe Mode' "
            L"Quorvine.exe will automatically run again to restore 'Normal Mode' operation!)",
            L"", kMbOk);
    }
    window.Close();
}

}  // namespace qv
