// frmQuorvine's event procedures.
#include "ui/main_window.h"

#include "bootmode/bootmode.h"
#include "startup/module1.h"
#include "system/network.h"
#include "system/platform.h"

namespace qv {

namespace {

constexpr const wchar_t* kBootModeValue = L"BootMode";

void WriteBootMode(int16_t mode) {
    Sys().WriteSetting(L"HKLM", kProgramKey, kBootModeValue, L"D", int32_t{mode});
}

void RestoreNormal(MainWindowView& window, bool restart, ModeOperations& modes) {
    // A setting that stayed has been reported; no word of a normal start then.
    if (!modes.RestoreNormalMode(true)) {
        window.Close();
        return;
    }
    if (restart) {
        int answer = Sys().ShowMessage(
            L"Windows is now configured to restart in 'Normal Mode', would you like to restart now?",
            L"Restart Windows normally?", kMbYesNoQuestion);
        if (answer == kAnswerYes) {
            // A ShutdownError goes up to the top of the program from here.
            Sys().ShutdownSystem(kRestartFlags);
        } else {
            Sys().ShowMessage(L"Windows will start normally the next time you restart.", L"", kMbOk);
        }
    } else {
        Sys().ShowMessage(L"Windows is now configured to start normally.", L"", kMbOk);
    }
    window.Close();
}

}  // namespace

void ModeOperations::ConfigureSafeMode(bool commandPromptOnly, bool askAndRestart) {
    qv::ConfigureSafeMode(commandPromptOnly, askAndRestart);
}
void ModeOperations::ConfigureSafeModeNetwork(bool askAndRestart) {
    qv::ConfigureSafeModeNetwork(askAndRestart);
}
bool ModeOperations::RestoreNormalMode(bool removeHelperScript) { return qv::RestoreNormalMode(removeHelperScript); }
bool ModeOperations::LastSafeModeConfigured() { return qv::LastSafeModeConfigured(); }

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
    if (FileExists(logo)) {
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

    if (window.IsOptionSelected(kOptNormalMode)) {
        RestoreNormal(window, restart, modes);
        return;
    }

    // BootMode is written after the configuration, and only when one was
    // written: after a declined question or a configuration that stopped,
    // nothing tells the next start in Safe Mode to ask.
    if (window.IsOptionSelected(kOptSafeMode)) {
        modes.ConfigureSafeMode(false, restart);
        if (modes.LastSafeModeConfigured()) WriteBootMode(1);
    }
    if (window.IsOptionSelected(kOptSafeModeNetwork)) {
        modes.ConfigureSafeModeNetwork(restart);
        if (modes.LastSafeModeConfigured()) WriteBootMode(2);
    }
    if (window.IsOptionSelected(kOptSafeModeCommandPrompt)) {
        modes.ConfigureSafeMode(true, restart);
        if (modes.LastSafeModeConfigured()) WriteBootMode(3);
    }
    const bool configured = modes.LastSafeModeConfigured();

    if (restart && SafeModeDeclined) {
        SafeModeDeclined = false;
        Sys().DeleteSetting(L"HKLM", kProgramKey, kBootModeValue);
        Sys().ShowMessage(L"No modifications were made to the system.", L"", kMbOk);
        window.Show();
        return;
    }
    // A configuration that stopped has shown its own message; claiming
    // modifications here would be wrong.
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
