#include <algorithm>

#include <gtest/gtest.h>

#include "bootmode/safe_mode.h"
#include "fake_platform.h"
#include "fake_window_station.h"
#include "startup/exit_codes.h"
#include "startup/switches.h"
#include "system/file_checks.h"
#include "system/network_location.h"
#include "system/program_paths.h"
#include "ui/bitlocker_caution.h"
#include "ui/safe_mode_question.h"

namespace qv {
namespace {

using testing::ScopedFakePlatform;
using testing::ScopedUnseenWindowStation;

const std::wstring kNetworkWarning =
    L"Quorvine may be running from the network; please copy Quorvine.exe to the local PC before usage."
    L"\r\n\r\n(If Windows restarts in Safe Mode now, it cannot access Quorvine.exe upon restart to remove "
    L"this temporary configuration, which may leave you stuck in Safe Mode!)";

int windowsOpened = 0;

int RunWith(ScopedFakePlatform& p, const std::wstring& arguments) {
    p.fake.commandLine = L"\"C:\\Tools\\Quorvine.exe\" " + arguments;
    windowsOpened = 0;
    return Main([] { ++windowsOpened; });
}

TEST(ArgumentText, TakesWhatFollowsTheProgramPath) {
    EXPECT_EQ(ArgumentTextOf(L"\"C:\\My Tools\\Quorvine.exe\" /remove"), L"/remove");
    EXPECT_EQ(ArgumentTextOf(L"C:\\Tools\\Quorvine.exe   /safe"), L"/safe");
    EXPECT_EQ(ArgumentTextOf(L"\"C:\\Tools\\Quorvine.exe\""), L"");
    EXPECT_EQ(ArgumentTextOf(L"\"C:\\Tools\\Quorvine.exe\"/safe  "), L"/safe");
    EXPECT_EQ(ArgumentTextOf(L"Quorvine /safe /reboot"), L"/safe /reboot");
}

TEST(AppFolder, EndsInABackslashAlsoAtTheRoot) {
    ScopedFakePlatform p;
    p.fake.exePath = L"D:\\Quorvine.exe";
    EXPECT_EQ(AppFolder(), L"D:\\");
    EXPECT_EQ(AppExePath(), L"D:\\Quorvine.exe");
    p.fake.exePath = L"D:\\Tools\\QUORVINE.EXE";
    EXPECT_EQ(AppFolder(), L"D:\\Tools\\");
    EXPECT_EQ(AppExePath(), L"D:\\Tools\\QUORVINE.exe");
}

TEST(Main, SetsTheProgramWideConstantsFromTheSystemDrive) {
    ScopedFakePlatform p;
    p.fake.windowsFolder = L"D:\\Windows";
    p.fake.env[L"systemdrive"] = L"E:";  // the user's to set: never followed
    RunWith(p, L"/nothing");
    EXPECT_EQ(EntryTitle, L"Tamberlow Quorvine Mod");
    EXPECT_EQ(BootIniPath, L"D:\\boot.ini");
    EXPECT_EQ(BootIniBackupName, L"\\boot.Tamberlow");
    EXPECT_EQ(BcdBackupPath, L"D:\\BCDbak");
}

TEST(Main, WithoutArgumentsShowsTheWindowAndNothingElse) {
    ScopedFakePlatform p;
    RunWith(p, L"");
    EXPECT_EQ(windowsOpened, 1);
    EXPECT_TRUE(p.fake.dialogs.empty());
    EXPECT_TRUE(p.fake.restarts.empty());
}

TEST(Main, RebootAndRestartRestartAtOnceInAnyCase) {
    for (const wchar_t* typed : {L"/reboot", L"/REBOOT", L"/Restart", L"/restart"}) {
        ScopedFakePlatform p;
        RunWith(p, typed);
        EXPECT_EQ(p.fake.restarts, std::vector<int32_t>{6}) << typed;
        EXPECT_TRUE(p.fake.dialogs.empty()) << typed;
    }
}

TEST(Main, AnythingButOneWholeSwitchDoesNothing) {
    // Look-alike slashes and full-width letters are no switch either.
    for (const wchar_t* typed : {L"/safe /reboot", L"/safe now", L"/rebootx", L"reboot", L"/", L"/safe-net",
                                 L"\uFF0Fsafe", L"\u2215safe", L"/\uFF53\uFF41\uFF46\uFF45"}) {
        ScopedFakePlatform p;
        RunWith(p, typed);
        EXPECT_TRUE(p.fake.steps.empty()) << typed;
        EXPECT_EQ(windowsOpened, 0) << typed;
    }
}

TEST(Main, HelpListsEverySwitchInOneBox) {
    for (const wchar_t* typed : {L"/?", L"/HELP"}) {
        ScopedFakePlatform p;
        RunWith(p, typed);
        ASSERT_EQ(p.fake.dialogs.size(), 1u) << typed;
        for (const wchar_t* name : {L"/safe\t", L"/safenet\t", L"/safecmd\t", L"/safenet-noreboot\t",
                                    L"/safenet-once\t", L"/normal\t", L"/remove\t", L"/undo\t", L"/reboot, /restart\t"})
            EXPECT_NE(p.fake.dialogs[0].text.find(name), std::wstring::npos) << name;
        EXPECT_EQ(p.fake.steps.size(), 1u);
    }
}

TEST(Main, NormalAsksToRestartAndSaysWhenTheUserWaits) {
    ScopedFakePlatform p;
    p.fake.answers = {kAnswerNo};
    RunWith(p, L"/normal");
    ASSERT_EQ(p.fake.dialogs.size(), 2u);
    EXPECT_EQ(p.fake.dialogs[0].text,
              L"Windows is now configured to restart in 'Normal Mode', would you like to restart now?");
    EXPECT_EQ(p.fake.dialogs[0].title, L"Restart Windows normally?");
    EXPECT_EQ(p.fake.dialogs[0].style, 36u);
    EXPECT_EQ(p.fake.dialogs[1].text, L"Windows will start normally the next time you restart.");
    EXPECT_EQ(p.fake.dialogs[1].style, 0u);
    EXPECT_TRUE(p.fake.restarts.empty());

    ScopedFakePlatform yes;
    yes.fake.answers = {kAnswerYes};
    RunWith(yes, L"/normal");
    EXPECT_EQ(yes.fake.dialogs.size(), 1u);
    EXPECT_EQ(yes.fake.restarts, std::vector<int32_t>{6});
}

TEST(Main, AQuestionThatCouldNotBeShownIsNoYes) {
    for (const wchar_t* typed : {L"/safe", L"/safenet"}) {
        ScopedFakePlatform p;
        p.fake.answers = {0};  // what MessageBoxW answers when it shows nothing
        EXPECT_EQ(RunWith(p, typed), 4) << typed;
        EXPECT_EQ(p.fake.steps.size(), 1u) << typed << ": the question, nothing else";
        EXPECT_TRUE(p.fake.restarts.empty());
    }
}

TEST(Main, SafeAndSafeCmdStopAtTheNetworkWarning) {
    for (const wchar_t* typed : {L"/safe", L"/safecmd"}) {
        ScopedFakePlatform p;
        p.fake.exePath = L"\\\\server\\share\\tools\\Quorvine.exe";
        RunWith(p, typed);
        ASSERT_EQ(p.fake.dialogs.size(), 1u) << typed;
        EXPECT_EQ(p.fake.dialogs[0].text, kNetworkWarning);
        EXPECT_EQ(p.fake.dialogs[0].title, L"");
        EXPECT_EQ(p.fake.dialogs[0].style, 0u);
        EXPECT_EQ(p.fake.steps.size(), 1u) << typed;
    }
}

TEST(NetworkPath, UncAndMappedDrivesCountLocalDrivesDoNot) {
    ScopedFakePlatform p;
    p.fake.connections[L"Z:"] = L"\\\\server\\share";
    EXPECT_FALSE(IsNetworkPath(L"C:\\Tools\\Quorvine"));
    EXPECT_TRUE(IsNetworkPath(L"\\\\server\\share\\tools"));
    EXPECT_TRUE(IsNetworkPath(L"Z:\\tools"));
    EXPECT_EQ(ResolveUncPath(L"C:\\Tools"), L"C:\\Tools");
    EXPECT_EQ(ResolveUncPath(L"Z:\\tools"), L"\\\\server\\share");

    p.fake.exePath = L"Z:\\tools\\Quorvine.exe";
    EXPECT_TRUE(WarnIfOnNetwork());
    p.fake.exePath = L"C:\\Tools\\Quorvine.exe";
    EXPECT_FALSE(WarnIfOnNetwork());
    EXPECT_EQ(p.fake.dialogs.size(), 1u);
}

TEST(NetworkPath, AFailedLookupCountsAsLocal) {
    ScopedFakePlatform p;
    p.fake.connectionLookupFails = true;
    EXPECT_EQ(ResolveUncPath(L"X:\\tools"), L"");
    EXPECT_FALSE(IsNetworkPath(L"X:\\tools"));
}

TEST(NetworkPath, UncFormsAndRemoteDrivesCountWhateverTheLookupSays) {
    ScopedFakePlatform p;
    p.fake.connectionLookupFails = true;
    p.fake.driveTypes[L'Y'] = kDriveRemote;
    for (const wchar_t* path : {L"\\\\?\\UNC\\localhost\\share", L"UNC\\localhost\\share", L"Y:\\tools"})
        EXPECT_TRUE(IsNetworkPath(path)) << path;
    EXPECT_FALSE(IsNetworkPath(L"\\\\?\\C:\\Tools"));
}

}  // namespace
}  // namespace qv

namespace qv {
namespace {

TEST(ExitCodes, FollowWhatTheOperationDid) {
    auto result = [](ModeOutcome outcome, std::vector<ProblemKind> kinds = {}) {
        ModeResult made;
        made.outcome = outcome;
        for (ProblemKind kind : kinds) made.Add(kind);
        return made;
    };
    const std::vector<std::pair<ModeResult, int>> table = {
        {result(ModeOutcome::Configured), 0},
        {result(ModeOutcome::Restored), 0},
        {result(ModeOutcome::Configured, {ProblemKind::RepairImportFailed}), 2},
        {result(ModeOutcome::Configured, {ProblemKind::BackupNotMade, ProblemKind::RestartFailed}), 2},
        {result(ModeOutcome::Restored, {ProblemKind::BackupLeft}), 2},
        {result(ModeOutcome::Stopped, {ProblemKind::CommandFailed}), 1},
        {result(ModeOutcome::Stopped, {ProblemKind::WayBackUnreachable}), 1},
        {result(ModeOutcome::NotRestored, {ProblemKind::StoreUnreadable}), 3},
        {result(ModeOutcome::NotRestored, {ProblemKind::SafeBootNotRemoved, ProblemKind::WayBackNotRearmed}), 7},
        {result(ModeOutcome::Declined), 4},
        {result(ModeOutcome::Busy, {ProblemKind::Busy}), 6},
    };
    for (const auto& [made, code] : table)
        EXPECT_EQ(ExitCodeOf(made), code) << static_cast<int>(made.outcome) << " with " << made.problems.size();
    EXPECT_EQ(ExitCodeOf(Mode::Network), 11);
    EXPECT_EQ(ExitCodeOf(StoredMode::Unknown()), 255);
}

TEST(Main, SwitchesAnswerWithTheirExitCodeAndLines) {
    ScopedFakePlatform p;
    p.fake.commandLine = L"\"C:\\Tools\\Quorvine.exe\" /safenet-noreboot";
    p.store.failures[L"ExportBackup"] = {L"exit code 1"};
    EXPECT_EQ(Main([] {}), 2);
    EXPECT_TRUE(p.fake.dialogs.empty()) << "no box for an unattended switch";
    EXPECT_EQ(p.fake.outputLines.back(), L"safe mode with networking set for the next start; way back: none");
    p.fake.commandLine = L"\"C:\\Tools\\Quorvine.exe\" /safe";
    p.fake.lockBusy = true;
    p.fake.answers = {kAnswerYes};
    EXPECT_EQ(Main([] {}), 6);
    EXPECT_EQ(p.fake.dialogs.back().text, L"Quorvine is already running. Please finish it first, then start it again.");
    p.fake.commandLine = L"\"C:\\Tools\\Quorvine.exe\" /nothing";
    EXPECT_EQ(Main([] {}), 87);
}

// manage-bde answers by exit code; its text is in the display language, and
// only the protectors' identifiers are taken from it.
TEST(BitLocker, TheCommandPromptQuestionAndStatusFollowTheSystemDrivesProtection) {
    ScopedFakePlatform p;
    p.fake.manageBde = true;
    p.fake.windowsFolder = L"D:\\Windows";
    const std::wstring status = L"manage-bde.exe -status D: -ProtectionAsErrorLevel";
    const std::wstring protectors = L"manage-bde.exe -protectors -get D: -Type RecoveryPassword";
    p.fake.outputs[protectors] =
        L"BitLocker-Laufwerkverschl\u00fcsselung: Konfigurationstool, Version 10.0.22621\r\n\r\n"
        L"Volume \"D:\" [OS]\r\n    Numerisches Kennwort:\r\n      ID: {0A1B2C3D-4E5F-6071-8293-A4B5C6D7E8F9}\r\n"
        L"      Kennwort:\r\n        111111-222222-333333-444444-555555-666666-777777-888888\r\n"
        L"    Numerisches Kennwort:\r\n      ID: {11111111-2222-3333-4444-555555555555}\r\n      {not-an-id}\r\n";
    const std::wstring both =
        L"its keys at hand before you continue: their IDs are "
        L"{0A1B2C3D-4E5F-6071-8293-A4B5C6D7E8F9}, {11111111-2222-3333-4444-555555555555}.";

    p.fake.answers = {kAnswerNo};
    RunWith(p, L"/safecmd");
    ASSERT_EQ(p.fake.dialogs.size(), 1u);
    const std::wstring& asked = p.fake.dialogs[0].text;
    EXPECT_EQ(asked.rfind(L"Restart into Safe Mode with Command Prompt Only?", 0), 0u) << asked;
    EXPECT_NE(asked.find(L"BitLocker protects drive D:."), std::wstring::npos) << asked;
    EXPECT_NE(asked.find(both), std::wstring::npos) << asked;
    EXPECT_EQ(p.fake.commands, (std::vector<std::wstring>{status, protectors})) << "asked, nothing changed";
    EXPECT_EQ(p.fake.outputLines.back(), L"declined: nothing changed");

    // Without a restart the window's choice asks too, so the user may still decline.
    p.fake.exitCodes[protectors] = 2;
    p.fake.answers = {kAnswerNo};
    EXPECT_EQ(AskThenConfigureSafeMode(Mode::CommandPrompt, Restart::Later, BitLockerCaution()).outcome,
              ModeOutcome::Declined);
    EXPECT_EQ(p.fake.dialogs.back().text.rfind(L"Configure Safe Mode with Command Prompt Only for the next restart?"
                                               L"\r\n\r\nBitLocker protects drive D:.",
                                               0),
              0u)
        << p.fake.dialogs.back().text;
    EXPECT_NE(p.fake.dialogs.back().text.find(L"could not read the ID"), std::wstring::npos);

    const struct {
        bool installed;
        uint32_t exitCode;
        const wchar_t* line;
    } states[] = {{true, 0, L"bitlocker: protected"},
                  {true, 1, L"bitlocker: not protected"},
                  {true, 5, L"bitlocker: unknown"},
                  {false, 0, L"bitlocker: unknown"}};
    for (const auto& state : states) {
        p.fake.manageBde = state.installed;
        p.fake.exitCodes[status] = state.exitCode;
        p.fake.outputLines.clear();
        RunWith(p, L"/status");
        ASSERT_EQ(p.fake.outputLines.size(), 4u) << state.line;
        EXPECT_EQ(p.fake.outputLines[2], state.line);
    }
    p.fake.windowsFolder = L"";
    p.fake.outputLines.clear();
    p.fake.commands.clear();
    RunWith(p, L"/status");
    EXPECT_EQ(p.fake.outputLines[2], L"bitlocker: unknown") << "no drive, no question to manage-bde";
    EXPECT_TRUE(p.fake.commands.empty());
}

// A service or an agent's job in a window station of its own: a box there is
// never seen and never answered.
TEST(UnseenWindowStation, WhatNeedsAnAnswerChangesNothingAndEndsWith8) {
    const std::wstring unattended = L"(switches that need nobody: /safenet-once, /safenet-noreboot, /normal-noreboot)";
    for (const wchar_t* typed : {L"", L"/safe", L"/SafeNet", L"/safecmd"}) {
        ScopedFakePlatform p;
        ScopedUnseenWindowStation unseen;
        p.fake.answers = {kAnswerYes};
        EXPECT_EQ(RunWith(p, typed), 8) << typed;
        EXPECT_TRUE(p.fake.dialogs.empty()) << typed;
        EXPECT_TRUE(p.fake.steps.empty()) << typed;
        EXPECT_TRUE(p.fake.commands.empty()) << typed << ": not even manage-bde is asked";
        EXPECT_EQ(windowsOpened, 0);
        ASSERT_EQ(p.fake.outputLines.size(), 1u) << typed;
        EXPECT_EQ(p.fake.outputLines[0].rfind(L"refused: ", 0), 0u) << p.fake.outputLines[0];
        EXPECT_NE(p.fake.outputLines[0].find(L"needs a person at the screen"), std::wstring::npos);
        EXPECT_NE(p.fake.outputLines[0].find(L"nothing changed " + unattended), std::wstring::npos)
            << p.fake.outputLines[0];
    }

    // The way back's question (a choice the window recorded) is not asked: Safe Mode stays, armed again.
    ScopedFakePlatform p;
    ScopedUnseenWindowStation unseen;
    p.fake.registry[L"hklm\\software\\tamberlow\\quorvine"][L"bootmode"] = int32_t{2};
    EXPECT_EQ(RunWith(p, L"/remove"), 8);
    EXPECT_TRUE(p.fake.dialogs.empty());
    EXPECT_TRUE(p.fake.commands.empty()) << "the Safe Mode setting stays";
    EXPECT_EQ(p.fake.steps.front().rfind(L"write:HKLM\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\RunOnce", 0), 0u)
        << p.fake.steps.front();
    EXPECT_NE(p.fake.outputLines.back().find(L"safe mode stays for the next start, way back armed " + unattended),
              std::wstring::npos)
        << p.fake.outputLines.back();
}

TEST(UnseenWindowStation, NormalRestoresWithoutOfferingARestartAndHelpBecomesLines) {
    ScopedFakePlatform p;
    ScopedUnseenWindowStation unseen;
    EXPECT_EQ(RunWith(p, L"/normal"), 0);
    EXPECT_TRUE(p.fake.dialogs.empty());
    EXPECT_TRUE(p.fake.restarts.empty());
    EXPECT_EQ(p.fake.outputLines.back(), L"normal mode set for the next start");

    p.fake.outputLines.clear();
    EXPECT_EQ(RunWith(p, L"/?"), 0);
    EXPECT_TRUE(p.fake.dialogs.empty());
    ASSERT_GT(p.fake.outputLines.size(), 10u);
    EXPECT_EQ(p.fake.outputLines[2], L"quorvine\tthe window with every choice");
    EXPECT_NE(std::find_if(p.fake.outputLines.begin(), p.fake.outputLines.end(),
                           [](const std::wstring& line) { return line.rfind(L"/?, /help\t", 0) == 0; }),
              p.fake.outputLines.end());
}

TEST(Main, NormalNoRebootRestoresWithoutABoxOrARestartInAnySession) {
    ScopedFakePlatform p;
    p.fake.answers = {kAnswerYes};
    EXPECT_EQ(RunWith(p, L"/Normal-NoReboot"), 0);
    EXPECT_TRUE(p.fake.dialogs.empty());
    EXPECT_TRUE(p.fake.restarts.empty());
    EXPECT_EQ(p.fake.outputLines, std::vector<std::wstring>{L"normal mode set for the next start"});

    p.store.Running().safeBoot = L"network";
    p.store.failures[L"RemoveSafeMode"] = {L"exit code 1"};  // refused: the setting stays
    EXPECT_EQ(RunWith(p, L"/normal-noreboot"), 3);
    EXPECT_TRUE(p.fake.dialogs.empty());
}

TEST(Status, NamesTheWindowsThatAnsweredAndHowItStartedBeforeTheNextStart) {
    ScopedFakePlatform p;
    p.fake.sku = 48;
    const struct {
        int cleanBoot;
        int32_t alternateShell;
        const wchar_t* line;
    } starts[] = {{0, 1, L"this start: Normal"},
                  {1, 0, L"this start: Safe Mode"},
                  {1, 1, L"this start: Safe Mode with Command Prompt"},
                  {2, 0, L"this start: Safe Mode with Networking"}};
    for (const auto& start : starts) {
        p.fake.cleanBoot = start.cleanBoot;
        p.fake.registry[L"hklm\\system\\currentcontrolset\\control\\safeboot\\option"][L"usealternateshell"] =
            start.alternateShell;
        p.fake.outputLines.clear();
        EXPECT_EQ(RunWith(p, L"/status"), 0);
        ASSERT_EQ(p.fake.outputLines.size(), 4u);
        EXPECT_EQ(p.fake.outputLines[0], L"windows: Windows 10 Professional   (Version 10.0, Build 19045)");
        EXPECT_EQ(p.fake.outputLines[1], start.line);
        EXPECT_EQ(p.fake.outputLines[3].rfind(L"next start: Normal", 0), 0u);
    }
}

}  // namespace
}  // namespace qv
