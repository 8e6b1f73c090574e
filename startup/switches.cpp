// The switches: each one action, chosen by the whole argument text.
#include "startup/switches.h"

#include <array>

#include "bootmode/normal_mode.h"
#include "bootmode/safe_mode.h"
#include "startup/restore_question.h"
#include "system/network_location.h"
#include "system/platform.h"
#include "system/program_paths.h"
#include "system/shutdown.h"
#include "system/text.h"
#include "ui/mode_messages.h"

namespace qv {

namespace {

void RestartNow() { Sys().ShutdownSystem(kRestartFlags); }

// The way back inside Safe Mode: "/remove" from the run-once entry, "/undo"
// from the command prompt (which keeps its command file).
void WayBack(bool removeHelperScript, const MainWindowOpener& openWindow) {
    switch (AskRestoreNormalMode()) {
        case RestoreAnswer::Restore:
            TellProblems(RestoreNormalMode(removeHelperScript));
            if (removeHelperScript) StartSiblingInSafeMode();
            return;
        case RestoreAnswer::OpenWindow:
            openWindow();
            return;
        case RestoreAnswer::StaySafe:
            return;
    }
}

void SafeMode(bool commandPromptOnly) {
    if (WarnIfOnNetwork()) return;
    ModeResult result = ConfigureSafeMode(commandPromptOnly, true);
    FinishConfiguration(result);
}

void ShowHelp() {
    Sys().ShowMessage(
        L"Quorvine starts Windows once in the Safe Mode you choose, then returns to Normal Mode by "
        L"itself.\r\n\r\n"
        L"quorvine\tthe window with every choice\r\n"
        L"/safe\tSafe Mode: asks, then restarts\r\n"
        L"/safenet\tSafe Mode with Networking: asks, then restarts\r\n"
        L"/safecmd\tSafe Mode with Command Prompt Only: asks, then restarts\r\n"
        L"/safenet-noreboot\tSafe Mode with Networking at the next restart; asks nothing, no way "
        L"back (use /normal)\r\n"
        L"/normal\tNormal Mode at the next restart; offers to restart\r\n"
        L"/remove\tthe way back from Safe Mode (run by Windows itself)\r\n"
        L"/undo\tthe way back from the command prompt (run by Windows itself)\r\n"
        L"/reboot, /restart\trestart Windows now, without a question\r\n"
        L"/?, /help\tthis list",
        L"Quorvine switches", kMbOk);
}

struct Switch {
    const wchar_t* text;
    void (*action)(const MainWindowOpener& openWindow);
};

const std::array<Switch, 11> kSwitches{{
    {L"/reboot", [](const MainWindowOpener&) { RestartNow(); }},
    {L"/restart", [](const MainWindowOpener&) { RestartNow(); }},
    {L"/normal", [](const MainWindowOpener&) { FinishRestoration(RestoreNormalMode(true), true); }},
    {L"/remove", [](const MainWindowOpener& open) { WayBack(true, open); }},
    {L"/undo", [](const MainWindowOpener& open) { WayBack(false, open); }},
    {L"/safe", [](const MainWindowOpener&) { SafeMode(false); }},
    {L"/safecmd", [](const MainWindowOpener&) { SafeMode(true); }},
    {L"/safenet",
     [](const MainWindowOpener&) {
         ModeResult result = ConfigureSafeModeNetwork(true);
         FinishConfiguration(result);
     }},
    {L"/safenet-noreboot", [](const MainWindowOpener&) { TellProblems(ConfigureSafeNetworkNoReboot()); }},
    {L"/?", [](const MainWindowOpener&) { ShowHelp(); }},
    {L"/help", [](const MainWindowOpener&) { ShowHelp(); }},
}};

}  // namespace

void Main(const MainWindowOpener& openWindow) {
    SetProgramConstants();
    const std::wstring arguments = ArgumentText();
    if (arguments.empty()) {
        openWindow();
        return;
    }
    const std::wstring typed = LowerCase(arguments);
    for (const Switch& entry : kSwitches) {
        if (typed == entry.text) {
            entry.action(openWindow);
            return;
        }
    }
}

}  // namespace qv
