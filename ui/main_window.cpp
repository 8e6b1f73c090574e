// frmQuorvine's event procedures.
#include "ui/main_window.h"

#include "bootmode/normal_mode.h"
#include "bootmode/safe_mode.h"
#include "system/file_security.h"
#include "system/network_location.h"
#include "system/platform.h"
#include "system/program_paths.h"
#include "ui/bitlocker_caution.h"
#include "ui/mode_messages.h"
#include "ui/safe_mode_question.h"

namespace qv {

namespace {

void WriteBootMode(int16_t mode) { Sys().WriteSetting(L"HKLM", kProgramKey, kBootModeValue, L"D", int32_t{mode}); }

}  // namespace

ModeResult ModeOperations::ConfigureSafeMode(Mode mode, Restart restart) {
    return AskThenConfigureSafeMode(mode, restart, mode == Mode::CommandPrompt ? BitLockerCaution() : L"");
}
ModeResult ModeOperations::ConfigureSafeModeNetwork(Restart restart) {
    return AskThenConfigureSafeModeNetwork(restart);
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
        window.SelectOption(kOptNormalMode);
        optSafeMode_Click(window, kOptNormalMode);
        for (int16_t index : {kOptSafeMode, kOptSafeModeNetwork, kOptSafeModeCommandPrompt}) {
            window.EnableOption(index, false);
            window.EnableOptionLabel(index, false);
        }
    } else {
        window.SelectOption(kOptSafeMode);
        optSafeMode_Click(window, kOptSafeMode);
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

    if (window.IsOptionSelected(kOptNormalMode)) {
        FinishRestoration(modes.RestoreNormalMode(CommandFile::Remove),
                          restart ? RestartOffer::Ask : RestartOffer::None);
        window.Close();
        return;
    }

    ModeResult result;
    int16_t bootMode = 0;
    if (window.IsOptionSelected(kOptSafeMode)) {
        result = modes.ConfigureSafeMode(Mode::Minimal, when);
        bootMode = 1;
    } else if (window.IsOptionSelected(kOptSafeModeNetwork)) {
        result = modes.ConfigureSafeModeNetwork(when);
        bootMode = 2;
    } else if (window.IsOptionSelected(kOptSafeModeCommandPrompt)) {
        result = modes.ConfigureSafeMode(Mode::CommandPrompt, when);
        bootMode = 3;
    }
    const bool configured = bootMode != 0 && result.outcome == ModeOutcome::Configured;
    // BootMode is written only for a configuration that was written, and
    // before the restart, which may end the program at any moment.
    if (configured) WriteBootMode(bootMode);

    if (result.outcome == ModeOutcome::Declined) {
        Sys().DeleteSetting(L"HKLM", kProgramKey, kBootModeValue);
        Sys().ShowMessage(L"No modifications were made to the system.", L"", kMbOk);
        window.Show();
        return;
    }
    FinishConfiguration(result);
    // A configuration that stopped has told why; claiming modifications here would be wrong.
    if (!restart && configured) {
        Sys().ShowMessage(
            L"Modifications were made to the system, you may manually reboot when ready."
            L"\r\n\r\n"
            L"Please do NOT remove Quorvine.exe from it's current location!  (Once in 'Safe Mode' "
            L"Quorvine.exe will automatically run again to restore 'Normal Mode' operation!)",
            L"", kMbOk);
    }
    window.Close();
}

}  // namespace qv
