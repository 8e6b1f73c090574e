// The switches: each one action, chosen by the whole argument text.
#include "startup/switches.h"

#include <array>

#include "bootmode/boot_state.h"
#include "bootmode/normal_mode.h"
#include "bootmode/one_start.h"
#include "bootmode/safe_mode.h"
#include "bootmode/way_back.h"
#include "opsys/bitlocker.h"
#include "startup/exit_codes.h"
#include "startup/restore_question.h"
#include "system/network_location.h"
#include "system/platform.h"
#include "system/program_paths.h"
#include "system/shutdown.h"
#include "system/text.h"
#include "ui/bitlocker_caution.h"
#include "ui/mode_messages.h"
#include "program_version.h"

namespace qv {

namespace {

int RestartNow() {
    Sys().ShutdownSystem(kRestartFlags);
    Sys().WriteOutputLine(L"restarting windows");
    return kExitDone;
}

// The way back inside Safe Mode: "/remove" from the run-once entry, "/undo"
// from the command prompt (which keeps its command file).
int WayBack(CommandFile commandFile, const MainWindowOpener& openWindow) {
    // Windows deleted the run-once entry before it started this run: armed
    // again first, so that no restart, crash or power cut while the question
    // is open leaves Safe Mode with nothing to bring Windows back.
    const bool armed = ArmRunOnce();
    const auto toldUnarmed = [armed] {
        if (!armed) TellProblem({ProblemKind::WayBackNotRearmed, {}, {}});
        return !armed;
    };
    switch (AskRestoreNormalMode()) {
        case RestoreAnswer::Restore: {
            const ModeResult result = RestoreNormalMode(commandFile);
            TellProblems(result);
            if (commandFile == CommandFile::Remove) StartSiblingInSafeMode();
            return ExitCodeOf(result);
        }
        case RestoreAnswer::OpenWindow:
            toldUnarmed();
            openWindow();
            return kExitDone;
        case RestoreAnswer::StaySafe:
            if (toldUnarmed()) {
                Sys().WriteOutputLine(L"declined: safe mode stays for the next start; way back: none");
                return kExitWayBackLost;
            }
            Sys().WriteOutputLine(L"declined: safe mode stays for the next start; way back armed");
            return kExitDeclined;
    }
    return kExitFailed;
}

int Configured(ModeResult result, Telling telling = Telling::BoxesAndLines) {
    FinishConfiguration(result, telling);
    return ExitCodeOf(result);
}

int SafeMode(Shell shell) {
    if (WarnIfOnNetwork()) {
        Sys().WriteOutputLine(L"refused: Quorvine runs from a network location; nothing changed");
        return kExitOnNetwork;
    }
    // Only the command-prompt mode changes a boot setting that BitLocker checks.
    return Configured(
        ConfigureSafeMode(shell, Restart::Now, shell == Shell::CommandPromptOnly ? BitLockerCaution() : L""));
}

int Normal() {
    const ModeResult result = RestoreNormalMode(CommandFile::Remove);
    const bool restarted = FinishRestoration(result, true);
    const int code = ExitCodeOf(result);
    return !restarted && code == kExitDone ? kExitWarning : code;
}

// Asks nothing, changes nothing: what the next start will be, for scripts.
// The BitLocker line comes first, so the last line stays the next start's.
int Status() {
    Sys().WriteOutputLine(L"bitlocker: " + BitLockerStateName(ReadBitLockerState(SystemDrive())));
    // The boot manager's one-time start comes before any setting of the entry.
    if (OneStartPending()) {
        Sys().WriteOutputLine(L"next start: Safe Mode with Networking, next start only; way back: " + ArmedWayBack());
        return ExitCodeOf(SafeBootState::Network);
    }
    const SafeBootState next = ReadNextStart();
    Sys().WriteOutputLine(L"next start: " + NextStartName(next) + L"; way back: " + ArmedWayBack());
    return ExitCodeOf(next);
}

int ShowHelp() {
    Sys().ShowMessage(
        L"Quorvine starts Windows once in the Safe Mode you choose, then returns to Normal Mode by "
        L"itself.\r\n\r\n"
        L"quorvine\tthe window with every choice\r\n"
        L"/safe\tSafe Mode: asks, then restarts\r\n"
        L"/safenet\tSafe Mode with Networking: asks, then restarts\r\n"
        L"/safecmd\tSafe Mode with Command Prompt Only: asks, then restarts\r\n"
        L"/safenet-noreboot\tSafe Mode with Networking at the next restart; asks nothing, no way "
        L"back (use /normal)\r\n"
        L"/safenet-once\tSafe Mode with Networking for the next start only; asks nothing, no restart\r\n"
        L"/normal\tNormal Mode at the next restart; offers to restart\r\n"
        L"/remove\tthe way back from Safe Mode (run by Windows itself)\r\n"
        L"/undo\tthe way back from the command prompt (run by Windows itself)\r\n"
        L"/reboot, /restart\trestart Windows now, without a question\r\n"
        L"/status\twhat the next start will be and whether BitLocker protects the system drive, as lines and an "
        L"exit code; asks nothing\r\n"
        L"/?, /help\tthis list",
        L"Quorvine " QV_VERSION_TEXT L" switches", kMbOk);
    return kExitDone;
}

struct Switch {
    const wchar_t* text;
    int (*action)(const MainWindowOpener& openWindow);
};

const std::array<Switch, 13> kSwitches{{
    {L"/reboot", [](const MainWindowOpener&) { return RestartNow(); }},
    {L"/restart", [](const MainWindowOpener&) { return RestartNow(); }},
    {L"/normal", [](const MainWindowOpener&) { return Normal(); }},
    {L"/remove", [](const MainWindowOpener& open) { return WayBack(CommandFile::Remove, open); }},
    {L"/undo", [](const MainWindowOpener& open) { return WayBack(CommandFile::Keep, open); }},
    {L"/safe", [](const MainWindowOpener&) { return SafeMode(Shell::Explorer); }},
    {L"/safecmd", [](const MainWindowOpener&) { return SafeMode(Shell::CommandPromptOnly); }},
    {L"/safenet", [](const MainWindowOpener&) { return Configured(ConfigureSafeModeNetwork(Restart::Now)); }},
    // For remote tools: no box that nobody could click, only lines and the exit code.
    {L"/safenet-noreboot",
     [](const MainWindowOpener&) { return Configured(ConfigureSafeNetworkNoReboot(), Telling::LinesOnly); }},
    {L"/safenet-once",
     [](const MainWindowOpener&) { return Configured(ConfigureSafeNetworkOnce(), Telling::LinesOnly); }},
    {L"/status", [](const MainWindowOpener&) { return Status(); }},
    {L"/?", [](const MainWindowOpener&) { return ShowHelp(); }},
    {L"/help", [](const MainWindowOpener&) { return ShowHelp(); }},
}};

}  // namespace

int Main(const MainWindowOpener& openWindow) {
    SetProgramConstants();
    const std::wstring arguments = ArgumentText();
    if (arguments.empty()) {
        openWindow();
        return kExitDone;
    }
    const std::wstring typed = LowerCase(arguments);
    for (const Switch& entry : kSwitches)
        if (typed == entry.text) return entry.action(openWindow);
    return kExitNoSuchSwitch;
}

}  // namespace qv
