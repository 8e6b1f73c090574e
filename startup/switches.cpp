// The switches: each one action, chosen by the whole argument text.
#include "startup/switches.h"

#include <algorithm>
#include <string>

#include "bootmode/boot_state.h"
#include "bootmode/normal_mode.h"
#include "bootmode/run_once.h"
#include "bootmode/safe_mode.h"
#include "bootmode/safe_services.h"
#include "bootmode/way_back.h"
#include "opsys/bitlocker.h"
#include "opsys/windows_version.h"
#include "startup/arguments.h"
#include "startup/exit_codes.h"
#include "startup/restore_question.h"
#include "system/network_location.h"
#include "system/seams.h"
#include "system/program_paths.h"
#include "system/shutdown.h"
#include "system/text.h"
#include "system/window_station.h"
#include "ui/bitlocker_caution.h"
#include "ui/event_record.h"
#include "ui/mode_messages.h"
#include "ui/safe_mode_question.h"
#include "program_version.h"

namespace qv {

namespace {

// Where nobody can see a box, what needs an answer changes nothing: it says
// so, and which switches need nobody, and ends with its own exit code.
int NeedsPerson(const std::wstring& what, const std::wstring& left) {
    User().WriteOutputLine(L"refused: " + what + L" needs a person at the screen, and no box can be seen here; " + left +
                          L" (switches that need nobody: /safenet-once, /safenet-noreboot, /normal-noreboot)");
    return kExitNeedsPerson;
}

int RestartNow() {
    RecordRestartAsked();
    try {
        Programs().ShutdownSystem(kRestartFlags);
    } catch (const ShutdownError& error) {
        RecordRestartFailed(error.Description());
        throw;
    }
    User().WriteOutputLine(L"restarting windows");
    return kExitDone;
}

// The way back inside Safe Mode: "/remove" from the run-once entry, "/undo"
// from the command prompt (which keeps its command file).
int WayBack(CommandFile commandFile, const MainWindowOpener& openWindow) {
    // Windows deleted the run-once entry before it started this run: armed
    // again first, so that no restart, crash or power cut while the question
    // is open leaves Safe Mode with nothing to bring Windows back.
    const Step armedStep = ArmRunOnce();
    const bool armed = static_cast<bool>(armedStep);
    const Problem unarmed{ProblemKind::WayBackNotRearmed, {}, armedStep.Cause()};
    const auto toldUnarmed = [&] {
        if (!armed) TellProblem(unarmed);
        return !armed;
    };
    // Nobody could answer the question: Safe Mode stays, armed as it was.
    if (!WindowStationVisible() && RestoreQuestionAsked()) {
        if (armed)
            return NeedsPerson(L"the way back's question", L"safe mode stays for the next start, way back armed");
        TellProblem(unarmed, Telling::LinesOnly);
        NeedsPerson(L"the way back's question", L"safe mode stays for the next start; way back: none");
        return kExitWayBackLost;
    }
    switch (AskRestoreNormalMode()) {
        case RestoreAnswer::Restore: {
            const ModeResult result = RestoreNormalMode(commandFile);
            TellProblems(result);
            RecordResult(result, false);
            if (commandFile == CommandFile::Remove) StartSiblingInSafeMode();
            return ExitCodeOf(result);
        }
        case RestoreAnswer::OpenWindow:
            toldUnarmed();
            openWindow();
            return kExitDone;
        case RestoreAnswer::StaySafe:
            RecordSafeModeKept(armed ? std::nullopt : std::optional<Problem>(unarmed));
            if (toldUnarmed()) {
                User().WriteOutputLine(L"declined: safe mode stays for the next start; way back: none");
                return kExitWayBackLost;
            }
            User().WriteOutputLine(L"declined: safe mode stays for the next start; way back armed");
            return kExitDeclined;
    }
    return kExitFailed;
}

int Configured(ModeResult result, Telling telling = Telling::BoxesAndLines) {
    FinishConfiguration(result, telling);
    return ExitCodeOf(result);
}

// The services typed after the switch, with what they depend on. A name that
// is no service refuses the switch, told, before anything is asked or changed.
std::optional<SafeModeServices> TypedServices(Telling telling) {
    const auto typed = ReadSwitch(ArgumentText());
    std::vector<Problem> refused;
    SafeModeServices services = FindSafeModeServices(typed ? typed->services : std::vector<std::wstring>{}, refused);
    if (refused.empty()) return services;
    ModeResult result = ModeResult::Ended(ModeOutcome::Stopped);
    result.problems = refused;
    FinishConfiguration(result, telling);
    return std::nullopt;
}

int SafeMode(Mode mode) {
    if (WarnIfOnNetwork()) {
        User().WriteOutputLine(L"refused: Quorvine runs from a network location; nothing changed");
        return kExitOnNetwork;
    }
    const auto services = TypedServices(Telling::BoxesAndLines);
    if (!services) return kExitFailed;
    // Only the command-prompt mode changes a boot setting that BitLocker checks.
    return Configured(AskThenConfigureSafeMode(mode, Restart::Now,
                                               mode == Mode::CommandPrompt ? BitLockerCaution() : L"", *services));
}

int SafeNet() {
    const auto services = TypedServices(Telling::BoxesAndLines);
    return services ? Configured(AskThenConfigureSafeModeNetwork(Restart::Now, *services)) : kExitFailed;
}

// For remote tools: no box that nobody could click, only lines and the exit code.
template <typename Configure>
int Unattended(Configure configure) {
    const auto services = TypedServices(Telling::LinesOnly);
    return services ? Configured(configure(*services), Telling::LinesOnly) : kExitFailed;
}

// For scripts in any session: Normal Mode, told in lines, and no restart.
int NormalNoReboot() {
    const ModeResult result = RestoreNormalMode(CommandFile::Remove);
    FinishRestoration(result, RestartOffer::None, Telling::LinesOnly);
    return ExitCodeOf(result);
}

int Normal() {
    // Nobody could answer the restart offer.
    if (!WindowStationVisible()) return NormalNoReboot();
    const ModeResult result = RestoreNormalMode(CommandFile::Remove);
    const bool restarted = FinishRestoration(result, RestartOffer::Ask);
    const int code = ExitCodeOf(result);
    return !restarted && code == kExitDone ? kExitWarning : code;
}

// Asks nothing, changes nothing: what the next start will be, for scripts.
// Which Windows answered and how it started come first, so the last line
// stays the next start's.
int Status() {
    User().WriteOutputLine(L"windows: " + OsVersion());
    User().WriteOutputLine(L"this start: " + ThisStartName());
    User().WriteOutputLine(L"bitlocker: " + BitLockerStateName(ReadBitLockerState(SystemDrive())));
    // The boot manager's one-time start comes before its default entry, and
    // inside a one start the running entry is not the next one.
    const NextStart next = ReadNextStart();
    std::wstring name = NextStartName(next.state);
    if (next.state != StoredMode::Unknown() && next.oneTime)
        name += L", next start only";
    else if (next.state != StoredMode::Unknown() && next.otherThanRunning)
        name += L", from another boot entry than the running one";
    User().WriteOutputLine(L"next start: " + name + L"; way back: " + ArmedWayBack());
    return ExitCodeOf(next.state);
}

int ShowHelp();

// Every switch, as typed (matched whole, in lower case), with its line in the
// "/?" box; a switch without a line of its own joins the line above it. Adding
// a switch means one row here and one in the README's table (a test compares
// the two). One that always asks first needs a person at the screen; the
// Safe Mode switches may be followed by "/service:NAME".
enum class Asks { Nothing, First };
struct Switch {
    const wchar_t* text;
    const wchar_t* help;
    int (*action)(const MainWindowOpener& openWindow);
    Asks asks = Asks::Nothing;
    bool takesServices = false;
};

const Switch kSwitches[] = {
    {L"/safe", L"Safe Mode: asks, then restarts", [](const MainWindowOpener&) { return SafeMode(Mode::Minimal); },
     Asks::First, true},
    {L"/safenet", L"Safe Mode with Networking: asks, then restarts", [](const MainWindowOpener&) { return SafeNet(); },
     Asks::First, true},
    {L"/safecmd", L"Safe Mode with Command Prompt Only: asks, then restarts",
     [](const MainWindowOpener&) { return SafeMode(Mode::CommandPrompt); }, Asks::First, true},
    {L"/safenet-noreboot",
     L"Safe Mode with Networking at the next restart; asks nothing, no way back (use /normal-noreboot)",
     [](const MainWindowOpener&) { return Unattended(ConfigureSafeNetworkNoReboot); }, Asks::Nothing, true},
    {L"/safenet-once", L"Safe Mode with Networking for the next start only; asks nothing, no restart",
     [](const MainWindowOpener&) { return Unattended(ConfigureSafeNetworkOnce); }, Asks::Nothing, true},
    {L"/normal", L"Normal Mode at the next restart; offers to restart",
     [](const MainWindowOpener&) { return Normal(); }},
    {L"/normal-noreboot", L"Normal Mode at the next restart; asks nothing, no restart",
     [](const MainWindowOpener&) { return NormalNoReboot(); }},
    {L"/remove", L"the way back from Safe Mode (run by Windows itself)",
     [](const MainWindowOpener& open) { return WayBack(CommandFile::Remove, open); }},
    {L"/undo", L"the way back from the command prompt (run by Windows itself)",
     [](const MainWindowOpener& open) { return WayBack(CommandFile::Keep, open); }},
    {L"/reboot", L"restart Windows now, without a question", [](const MainWindowOpener&) { return RestartNow(); }},
    {L"/restart", nullptr, [](const MainWindowOpener&) { return RestartNow(); }},
    {L"/status",
     L"which Windows this is, how it started, whether BitLocker protects the system drive and what the next start "
     L"will be, as lines and an exit code; asks nothing",
     [](const MainWindowOpener&) { return Status(); }},
    {L"/?", L"this list", [](const MainWindowOpener&) { return ShowHelp(); }},
    {L"/help", nullptr, [](const MainWindowOpener&) { return ShowHelp(); }},
};

int ShowHelp() {
    std::wstring text =
        L"Quorvine starts Windows once in the Safe Mode you choose, then returns to Normal Mode by itself.\r\n\r\n"
        L"quorvine\tthe window with every choice";
    const wchar_t* help = nullptr;
    for (const Switch& entry : kSwitches) {
        if (entry.help) {
            if (help) text += std::wstring(L"\t") + help;
            help = entry.help;
            text += std::wstring(L"\r\n") + entry.text;
        } else {
            text += std::wstring(L", ") + entry.text;
        }
    }
    if (help) text += std::wstring(L"\t") + help;
    text +=
        L"\r\n\r\nAfter a Safe Mode switch, /service:NAME (as often as needed; NAME quoted when it has blanks) "
        L"names a service, and every service it depends on, for Safe Mode until Normal Mode is back.";
    if (WindowStationVisible()) {
        User().ShowMessage(text, L"Quorvine " QV_VERSION_TEXT L" switches", kMbOk);
        return kExitDone;
    }
    // Nobody sees a box: the list as lines.
    for (size_t start = 0; start < text.size();) {
        const size_t end = std::min(text.find(L"\r\n", start), text.size());
        User().WriteOutputLine(text.substr(start, end - start));
        start = end + 2;
    }
    return kExitDone;
}

}  // namespace

int Main(const MainWindowOpener& openWindow) {
    SetProgramConstants();
    const std::wstring arguments = ArgumentText();
    if (arguments.empty()) {
        if (!WindowStationVisible()) return NeedsPerson(L"the window", L"nothing changed");
        openWindow();
        return kExitDone;
    }
    const auto typed = ReadSwitch(arguments);
    if (!typed) return kExitNoSuchSwitch;
    for (const Switch& entry : kSwitches) {
        if (typed->text != entry.text) continue;
        if (!typed->services.empty() && !entry.takesServices) return kExitNoSuchSwitch;
        if (entry.asks == Asks::First && !WindowStationVisible()) return NeedsPerson(entry.text, L"nothing changed");
        return entry.action(openWindow);
    }
    return kExitNoSuchSwitch;
}

}  // namespace qv
