// Module1: start-up, the program-wide constants and the switches.
#include "startup/module1.h"

#include <array>
#include <functional>

#include "bootmode/bootmode.h"
#include "system/network.h"
#include "system/platform.h"
#include "system/text.h"

namespace qv {

std::wstring EntryTitle;
std::wstring BootIniPath;
std::wstring BootIniBackupName;
std::wstring BcdBackupPath;
bool SafeModeDeclined = false;

namespace {

void RestartNow() { Sys().ShutdownSystem(kRestartFlags); }

void RestoreNormalAndOfferRestart() {
    // A setting that stayed has been reported; no word of a normal start then.
    if (!RestoreNormalMode(true)) return;
    int answer = Sys().ShowMessage(
        L"Windows is now configured to restart in 'Normal Mode', would you like to restart now?",
        L"Restart Windows normally?", kMbYesNoQuestion);
    if (answer == kAnswerYes) {
        RestartNow();
    } else {
        Sys().ShowMessage(L"Windows will start normally the next time you restart.", L"", kMbOk);
    }
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
    void (*action)();
};

const std::array<Switch, 11> kSwitches{{
    {L"/reboot", RestartNow},
    {L"/restart", RestartNow},
    {L"/normal", RestoreNormalAndOfferRestart},
    {L"/remove", [] { if (AskRestoreNormalMode()) RestoreNormalMode(true); }},
    // The command file stays: the prompt keeps offering the program.
    {L"/undo", [] { if (AskRestoreNormalMode()) RestoreNormalMode(false); }},
    {L"/safe", [] { if (!WarnIfOnNetwork()) ConfigureSafeMode(false, true); }},
    {L"/safecmd", [] { if (!WarnIfOnNetwork()) ConfigureSafeMode(true, true); }},
    {L"/safenet", [] { ConfigureSafeModeNetwork(true); }},
    {L"/safenet-noreboot", ConfigureSafeNetworkNoReboot},
    {L"/?", ShowHelp},
    {L"/help", ShowHelp},
}};

// The folder as the platform reports it; ends in a backslash only at a root.
std::wstring ReportedFolder(const std::wstring& exePath) {
    size_t slash = exePath.rfind(L'\\');
    if (slash == std::wstring::npos) return {};
    std::wstring folder = exePath.substr(0, slash);
    if (folder.size() == 2 && folder[1] == L':') folder += L'\\';
    return folder;
}

}  // namespace

void SetProgramConstants() {
    const std::wstring systemDrive = Sys().GetEnv(L"systemdrive");
    EntryTitle = L"Tamberlow Quorvine Mod";
    BootIniPath = systemDrive + L"\\boot.ini";
    BootIniBackupName = L"\\boot.Tamberlow";
    BcdBackupPath = systemDrive + L"\\BCDbak";
}

std::wstring ArgumentTextOf(const std::wstring& commandLine) {
    size_t i = 0;
    while (i < commandLine.size() && (commandLine[i] == L' ' || commandLine[i] == L'\t')) ++i;
    if (i < commandLine.size() && commandLine[i] == L'"') {
        size_t close = commandLine.find(L'"', i + 1);
        i = close == std::wstring::npos ? commandLine.size() : close + 1;
    } else {
        while (i < commandLine.size() && commandLine[i] != L' ' && commandLine[i] != L'\t') ++i;
    }
    // Blanks at the end are dropped too, so "/safe " typed by hand still counts.
    std::wstring rest = commandLine.substr(i);
    size_t first = rest.find_first_not_of(L" \t");
    if (first == std::wstring::npos) return {};
    size_t last = rest.find_last_not_of(L" \t");
    return rest.substr(first, last - first + 1);
}

std::wstring ArgumentText() { return ArgumentTextOf(Sys().CommandLine()); }

std::wstring AppFolder() {
    std::wstring folder = ReportedFolder(Sys().ExecutablePath());
    if (folder.empty() || folder.back() != L'\\') folder += L'\\';
    return folder;
}

std::wstring AppExePath() {
    const std::wstring path = Sys().ExecutablePath();
    size_t slash = path.rfind(L'\\');
    std::wstring name = slash == std::wstring::npos ? path : path.substr(slash + 1);
    size_t dot = name.rfind(L'.');
    if (dot != std::wstring::npos) name.resize(dot);
    return AppFolder() + name + L".exe";
}

void Main() {
    SetProgramConstants();
    const std::wstring arguments = ArgumentText();
    if (arguments.empty()) {
        Sys().ShowMainWindow();
        return;
    }
    const std::wstring typed = LowerCase(arguments);
    for (const Switch& entry : kSwitches) {
        if (typed == entry.text) {
            entry.action();
            return;
        }
    }
}

}  // namespace qv
