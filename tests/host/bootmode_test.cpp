// The Safe Mode cycle against the in-memory Windows: questions, commands,
// the way back, and what is left when an operation stops half-way.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>

#include "bootmode/autorun.h"
#include "bootmode/boot_ini.h"
#include "bootmode/boot_state.h"
#include "bootmode/normal_mode.h"
#include "bootmode/run_once.h"
#include "bootmode/safe_mode.h"
#include "bootmode/way_back.h"
#include "fake_platform.h"
#include "fake_seams.h"
#include "startup/exit_codes.h"
#include "startup/restore_question.h"
#include "startup/switches.h"
#include "system/program_paths.h"
#include "ui/mode_messages.h"
#include "ui/safe_mode_question.h"

namespace qv {
namespace {

using testing::FakeBootStore;
using testing::FakePlatform;
using testing::ScopedFakePlatform;

// The operations as the switches and the window run them: the operation, then
// what the user is told (and the restart it asked for).
ModeResult lastResult;
ModeResult Told(ModeResult result) {
    FinishConfiguration(result);
    lastResult = result;
    return result;
}
ModeResult SafeMode(bool commandPromptOnly, bool askAndRestart) {
    return Told(AskThenConfigureSafeMode(commandPromptOnly ? Mode::CommandPrompt : Mode::Minimal,
                                         askAndRestart ? Restart::Now : Restart::Later));
}
ModeResult SafeNet(bool askAndRestart) {
    return Told(AskThenConfigureSafeModeNetwork(askAndRestart ? Restart::Now : Restart::Later));
}
ModeResult NoReboot() { return Told(ConfigureSafeNetworkNoReboot()); }
ModeResult Restore(bool removeHelperScript) {
    ModeResult result = RestoreNormalMode(removeHelperScript ? CommandFile::Remove : CommandFile::Keep);
    TellProblems(result);
    return result;
}
bool Configured() { return lastResult.outcome == ModeOutcome::Configured; }
int windowsOpened = 0;
void OpenWindow() {
    ++windowsOpened;
    User().ShowMessage(L"(the window)", L"window", kMbOk);
}

const std::wstring kRunOnceName = L"*Tamberlow Quorvine Mod";
const std::wstring kRunOnceData = L"cmd /c start \"\" \"C:\\Tools\\Quorvine.exe\" /remove";
const std::wstring kAutorun = L"\"C:\\Tools\\Quorvine.exe\" /undo";
const std::wstring kCmdQuestion =
    L"Restart into Safe Mode with Command Prompt Only?\r\n\r\n(Once there, you may restart Windows using "
    L"internal Windows commands (e.g. 'shutdown -r -t 0') or 'quorvine /reboot', use the 'quorvine "
    L"/normal' command to restart directly to 'Normal Mode', or simply type 'quorvine' for all options.)";
const std::wstring kReminder =
    L"Remember:  you may restart Windows using internal Windows commands (e.g. 'shutdown -r -t 0') or "
    L"'quorvine /reboot', use the 'quorvine /normal' command to restart directly to 'Normal Mode', or "
    L"simply type 'quorvine' for all options.";
const std::wstring kRestoreQuestion =
    L"Would you like to configure the next Windows restart for 'Normal Mode'?\r\n\r\nSelect NO to "
    L"continue with the 'Safe Mode' configuration, or CANCEL for all options.";

const std::string kXpBootIni =
    "[boot loader]\r\ndefault=multi(0)disk(0)rdisk(0)partition(1)\\WINDOWS\r\n[operating systems]\r\n"
    "multi(0)disk(0)rdisk(0)partition(1)\\WINDOWS=\"XP\" /fastdetect\r\n";

class Cycle : public ::testing::Test {
protected:
    void SetUp() override {
        lastResult = {};
        SetProgramConstants();
    }
    FakePlatform& fake() { return platform.fake; }
    FakeBootStore& store() { return platform.store; }
    std::optional<std::wstring> Text(const std::wstring& key, const std::wstring& name) {
        auto value = fake().Value(key, name);
        if (!value) return std::nullopt;
        return SettingAsText(*value);
    }
    void BecomeXp() {
        fake().version.majorVersion = 5;
        fake().version.minorVersion = 1;
        fake().version.buildNumber = 2600;
    }

    ScopedFakePlatform platform;
};

TEST_F(Cycle, SafeModeAnsweredNoChangesNothing) {
    fake().answers = {kAnswerNo};
    SafeMode(false, true);
    ASSERT_EQ(fake().dialogs.size(), 1u);
    EXPECT_EQ(fake().dialogs[0].text, L"Restart into Safe Mode?");
    EXPECT_EQ(fake().dialogs[0].style, 36u);
    EXPECT_TRUE(fake().commands.empty());
    EXPECT_TRUE(store().changes.empty());
    EXPECT_TRUE(std::none_of(fake().steps.begin(), fake().steps.end(),
                             [](const std::wstring& step) { return step.rfind(L"write:", 0) == 0; }));
    EXPECT_EQ(lastResult.outcome, ModeOutcome::Declined);
    EXPECT_FALSE(Configured());
}

TEST_F(Cycle, SafeModeOnWindows10ArmsTheWayBackThenSetsMinimalAndRestarts) {
    fake().answers = {kAnswerYes};
    SafeMode(false, true);
    EXPECT_EQ(store().changes,
              (std::vector<std::wstring>{L"RemoveSafeMode", L"ExportBackup C:\\BCDbak", L"SetSafeMode minimal"}));
    EXPECT_EQ(Text(kRunOnceKey, L"*Tamberlow Quorvine Mod"), kRunOnceData);
    EXPECT_EQ(fake().restarts, std::vector<int32_t>{6});
    EXPECT_TRUE(Configured());
    EXPECT_NE(lastResult.outcome, ModeOutcome::Declined);
    // The way back stands before the safe-boot setting is written.
    auto armed = std::find(fake().steps.begin(), fake().steps.end(),
                           L"write:HKLM\\" + std::wstring(kRunOnceKey) + L"\\*Tamberlow Quorvine Mod");
    auto set = std::find(fake().steps.begin(), fake().steps.end(), L"store:SetSafeMode minimal");
    EXPECT_LT(armed, set);
}

TEST_F(Cycle, ARefusedRestartIsToldOnceWithTheConfigurationKept) {
    fake().answers = {kAnswerYes};
    fake().restartRefused = L"Access is denied.\r\n";  // system texts end in a line break
    EXPECT_EQ(ExitCodeOf(SafeMode(false, true)), 2);
    ASSERT_EQ(fake().dialogs.size(), 2u);
    EXPECT_EQ(fake().dialogs[1].text,
              L"Safe Mode is configured, but Windows could not be restarted:\r\n\r\nShutdownSystem failed: Access is "
              L"denied.\r\n\r\nPlease restart Windows yourself.");
    EXPECT_EQ(Text(kRunOnceKey, L"*Tamberlow Quorvine Mod"), kRunOnceData);
}

TEST_F(Cycle, TheBcdBackupIsMadeOnlyWhenNoneExists) {
    fake().PutFile(L"C:\\BCDbak", "old");
    SafeNet(false);
    EXPECT_EQ(store().changes, (std::vector<std::wstring>{L"RemoveSafeMode", L"SetSafeMode network"}));
    EXPECT_EQ(Text(kRunOnceKey, L"*Tamberlow Quorvine Mod"), kRunOnceData);
    EXPECT_TRUE(fake().restarts.empty());
    EXPECT_TRUE(fake().dialogs.empty());
}

TEST_F(Cycle, CommandPromptModeSetsTheShellInsteadOfTheRunOnceEntry) {
    SafeMode(true, false);
    EXPECT_EQ(store().changes, (std::vector<std::wstring>{L"RemoveSafeMode", L"ExportBackup C:\\BCDbak",
                                                          L"SetSafeMode minimal", L"SetShell"}));
    EXPECT_EQ(store().RunningMode(), L"cmd");
    EXPECT_EQ(Text(kCommandProcessorKey, L"Autorun"), kAutorun);
    EXPECT_EQ(Text(kSafeBootKey, L"AlternateShell"), L"cmd.exe");
    EXPECT_EQ(fake().FileText(L"C:\\WINDOWS\\quorvine.cmd"), "\"C:\\Tools\\Quorvine.exe\" %1\r\n");
    EXPECT_FALSE(Text(kRunOnceKey, L"*Tamberlow Quorvine Mod"));
    EXPECT_TRUE(fake().restarts.empty());

    SafeMode(true, false);  // a second time: still one line, one value
    EXPECT_EQ(fake().FileText(L"C:\\WINDOWS\\quorvine.cmd"), "\"C:\\Tools\\Quorvine.exe\" %1\r\n");
    EXPECT_EQ(Text(kCommandProcessorKey, L"Autorun"), kAutorun);
}

TEST_F(Cycle, AShellThatCannotBeWrittenLeavesTheOneThatWasThere) {
    fake().SetValue(kSafeBootKey, L"AlternateShell", std::wstring(L"cmd.exe"));
    fake().refusedKeys = {L"Control\\SafeBoot"};
    SafeMode(true, false);
    EXPECT_EQ(Text(kSafeBootKey, L"AlternateShell"), L"cmd.exe");
}

TEST_F(Cycle, CommandPromptQuestionIsAskedWithItsReminderText) {
    fake().answers = {kAnswerNo};
    SafeMode(true, true);
    ASSERT_EQ(fake().dialogs.size(), 1u);
    EXPECT_EQ(fake().dialogs[0].text, kCmdQuestion);
    EXPECT_EQ(lastResult.outcome, ModeOutcome::Declined);
}

TEST_F(Cycle, NoRebootSetsNetworkQuietlyWithoutAWayBack) {
    NoReboot();
    EXPECT_EQ(store().changes.back(), L"SetSafeMode network");
    EXPECT_FALSE(Text(kRunOnceKey, L"*Tamberlow Quorvine Mod"));
    EXPECT_TRUE(fake().dialogs.empty());
    EXPECT_TRUE(fake().restarts.empty());
}

TEST_F(Cycle, AWayBackThatCannotBeWrittenStopsBeforeTheBootConfiguration) {
    for (bool commandPrompt : {false, true}) {
        SCOPED_TRACE(commandPrompt);
        ScopedFakePlatform local;
        local.fake.refusedKeys = {commandPrompt ? L"Command Processor" : L"RunOnce"};
        local.fake.answers = {kAnswerYes};
        SafeMode(commandPrompt, true);
        for (const auto& c : local.store.changes) EXPECT_EQ(c.find(L"Set"), std::wstring::npos) << c;
        EXPECT_TRUE(local.fake.restarts.empty());
        ASSERT_EQ(local.fake.dialogs.size(), 2u);
        EXPECT_EQ(local.fake.dialogs[1].style, 16u);
        EXPECT_NE(local.fake.dialogs[1].text.find(L"Safe Mode was not configured"), std::wstring::npos);
        EXPECT_FALSE(Configured());
    }
}

// Configuring and restoring, each stopped after every step (a restart, a
// power cut, end of task): Windows is in Normal Mode, or in Safe Mode with
// its way back armed.
TEST_F(Cycle, StoppedAfterAnyStepTheMachineIsNormalOrArmed) {
    struct Stop {};
    for (bool restoring : {false, true}) {
        for (bool commandPrompt : {false, true}) {
            for (size_t stopAt = 1;; ++stopAt) {
                SCOPED_TRACE(::testing::Message() << (restoring ? "restore" : "configure") << ", cmd " << commandPrompt
                                                  << ", stop after step " << stopAt);
                ScopedFakePlatform local;
                if (restoring) SafeMode(commandPrompt, false);
                local.fake.answers = {kAnswerYes};
                size_t count = 0;
                local.fake.onStep = [&](const std::wstring&) {
                    if (++count == stopAt) throw Stop{};
                };
                bool finished = true;
                try {
                    if (restoring) {
                        Restore(true);
                    } else {
                        SafeMode(commandPrompt, true);
                    }
                } catch (const Stop&) {
                    finished = false;
                }
                if (!local.store.RunningMode().empty()) {
                    auto runOnce = local.fake.Value(kRunOnceKey, L"*Tamberlow Quorvine Mod");
                    auto autorun = local.fake.Value(kCommandProcessorKey, L"Autorun");
                    EXPECT_TRUE(commandPrompt ? autorun && SettingAsText(*autorun) == kAutorun
                                              : runOnce && SettingAsText(*runOnce) == kRunOnceData);
                    EXPECT_TRUE(!commandPrompt || local.fake.HasFile(L"C:\\WINDOWS\\quorvine.cmd"));
                }
                if (finished) break;
            }
        }
    }
}

// Folder names that the command processor would change, or that its code
// page lacks: the way back names the exe by a form that survives, or Safe
// Mode is refused before anything changes.
TEST_F(Cycle, TheWayBackNamesTheExeByAFormTheCommandProcessorKeeps) {
    struct Case {
        std::wstring exe;
        std::wstring shortForm;  // empty: the system gives none
        bool oemHasUmlaut;
        bool commandPrompt;
        std::wstring wayBack;  // RunOnce data or Autorun; empty: refused
        std::string commandFile;
    };
    const std::vector<Case> cases = {
        {L"C:\\a%windir%b\\Quorvine.exe", L"", false, false, L"", ""},
        {L"C:\\a%windir%b\\Quorvine.exe", L"C:\\AWINDI~1\\QUORVINE.EXE", false, false,
         L"cmd /c start \"\" \"C:\\AWINDI~1\\QUORVINE.EXE\" /remove", ""},
        {L"C:\\100%\\Quorvine.exe", L"", false, true, L"\"C:\\100%\\Quorvine.exe\" /undo",
         "\"C:\\100%%\\Quorvine.exe\" %1\r\n"},
        {L"C:\\J\u00fcrgen\\Quorvine.exe", L"", true, true, L"\"C:\\J\u00fcrgen\\Quorvine.exe\" /undo",
         "\"C:\\J\x81rgen\\Quorvine.exe\" %1\r\n"},
        {L"C:\\\u0417\u0430\\Quorvine.exe", L"C:\\3C5A~1\\QUORVINE.EXE", false, true,
         L"\"C:\\\u0417\u0430\\Quorvine.exe\" /undo", "\"C:\\3C5A~1\\QUORVINE.EXE\" %1\r\n"},
        {L"C:\\\u0417\u0430\\Quorvine.exe", L"", false, true, L"", ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(::testing::Message() << "case " << (&c - cases.data()));
        ScopedFakePlatform local;
        local.fake.exePath = c.exe;
        if (!c.shortForm.empty()) {
            local.fake.shortPaths[LowerCase(c.exe)] = c.shortForm;
            local.fake.fileAliases[LowerCase(c.shortForm)] = LowerCase(c.exe);
        }
        if (c.oemHasUmlaut) local.fake.oemExtra[L'\u00fc'] = '\x81';
        SafeMode(c.commandPrompt, false);
        if (c.wayBack.empty()) {
            ASSERT_EQ(local.fake.dialogs.size(), 1u);
            EXPECT_NE(local.fake.dialogs[0].text.find(L"copy Quorvine.exe to a plain local folder"),
                      std::wstring::npos);
            EXPECT_TRUE(local.fake.commands.empty());
            EXPECT_FALSE(std::any_of(local.fake.steps.begin(), local.fake.steps.end(),
                                     [](const std::wstring& step) { return step.rfind(L"write:", 0) == 0; }));
            continue;
        }
        EXPECT_TRUE(local.fake.dialogs.empty());
        EXPECT_TRUE(Configured());
        auto stored = local.fake.Value(c.commandPrompt ? kCommandProcessorKey : kRunOnceKey,
                                       c.commandPrompt ? L"Autorun" : L"*Tamberlow Quorvine Mod");
        ASSERT_TRUE(stored);
        EXPECT_EQ(SettingAsText(*stored), c.wayBack);
        if (c.commandPrompt) EXPECT_EQ(local.fake.FileText(L"C:\\WINDOWS\\quorvine.cmd"), c.commandFile);
    }
}

TEST_F(Cycle, AWayBackThatStartsAnotherProgramStopsBeforeTheBootConfiguration) {
    // A stored value that the registry changed on its way, as an ANSI code page would.
    fake().onStep = [this](const std::wstring& step) {
        if (step.find(L"RunOnce\\*Tamberlow") != std::wstring::npos && step.rfind(L"write:", 0) == 0)
            fake().SetValue(kRunOnceKey, L"*Tamberlow Quorvine Mod",
                            std::wstring(L"cmd /c start \"\" \"C:\\Tools\\Quorvine.exe\" /remove"));
    };
    fake().exePath = L"C:\\T\u014Dols\\Quorvine.exe";
    SafeNet(false);
    ASSERT_EQ(fake().dialogs.size(), 1u);
    EXPECT_NE(fake().dialogs[0].text.find(L"could not be set up"), std::wstring::npos);
    EXPECT_EQ(store().RunningMode(), L"");
}

TEST_F(Cycle, AForeignAutorunSurvivesTheCommandPromptCycle) {
    fake().SetValue(kCommandProcessorKey, L"Autorun", std::wstring(L"doskey /macrofile=C:\\m.txt"));
    SafeMode(true, false);
    EXPECT_EQ(Text(kCommandProcessorKey, L"Autorun"), kAutorun);
    EXPECT_EQ(Text(kProgramKey, L"SavedAutorun"), L"doskey /macrofile=C:\\m.txt");

    SafeMode(true, false);  // reconfigured before any restart: still kept once
    EXPECT_EQ(Text(kProgramKey, L"SavedAutorun"), L"doskey /macrofile=C:\\m.txt");

    Restore(true);
    EXPECT_EQ(Text(kCommandProcessorKey, L"Autorun"), L"doskey /macrofile=C:\\m.txt");
    EXPECT_FALSE(Text(kProgramKey, L"SavedAutorun"));
    EXPECT_FALSE(fake().HasFile(L"C:\\WINDOWS\\quorvine.cmd"));
}

TEST_F(Cycle, RestoreLeavesAForeignAutorunAloneAndRemovesTheOwnOne) {
    fake().SetValue(kCommandProcessorKey, L"Autorun", std::wstring(L"C:\\init.cmd"));
    Restore(true);
    EXPECT_EQ(Text(kCommandProcessorKey, L"Autorun"), L"C:\\init.cmd");

    // One armed from another folder is the program's own as well.
    fake().SetValue(kCommandProcessorKey, L"Autorun", std::wstring(L"\"D:\\Old Place\\Quorvine.exe\" /undo"));
    Restore(true);
    EXPECT_FALSE(Text(kCommandProcessorKey, L"Autorun"));
}

TEST_F(Cycle, AnAutorunThatCannotBeSavedIsNotReplaced) {
    fake().SetValue(kCommandProcessorKey, L"Autorun", std::wstring(L"C:\\init.cmd"));
    fake().refusedKeys = {L"Tamberlow"};
    fake().answers = {kAnswerYes};
    SafeMode(true, true);
    EXPECT_EQ(Text(kCommandProcessorKey, L"Autorun"), L"C:\\init.cmd");
    EXPECT_EQ(store().RunningMode(), L"");
    EXPECT_TRUE(fake().restarts.empty());
}

TEST_F(Cycle, AFailedCommandPromptSetUpPutsTheForeignAutorunBackAndLeavesNoCommandFile) {
    fake().SetValue(kCommandProcessorKey, L"Autorun", std::wstring(L"C:\\init.cmd"));
    fake().refusedKeys = {L"Command Processor"};
    SafeMode(true, false);
    EXPECT_EQ(Text(kCommandProcessorKey, L"Autorun"), L"C:\\init.cmd");
    EXPECT_FALSE(fake().Value(kProgramKey, L"SavedAutorun"));
    EXPECT_FALSE(fake().HasFile(L"C:\\WINDOWS\\quorvine.cmd"));
    EXPECT_EQ(store().RunningMode(), L"");
}

TEST_F(Cycle, OnXpABackupLeftAfterBootIniIsBackIsToldButArmsNothing) {
    BecomeXp();
    store().bootIni = L"safe";
    store().bootIniBackup = L"original";
    store().failures[L"RestoreBootIni"] = {L"Error deleting backup file:  C:\\boot.Tamberlow", true};
    ArmRunOnce();
    fake().DeleteSetting(L"HKLM", kRunOnceKey, L"*Tamberlow Quorvine Mod");  // Windows ran it
    fake().commandLine = L"\"C:\\Tools\\Quorvine.exe\" /remove";
    EXPECT_EQ(Main(OpenWindow), 2);
    EXPECT_EQ(store().bootIni, L"original");
    ASSERT_EQ(fake().dialogs.size(), 1u);
    EXPECT_EQ(fake().dialogs[0].text, L"Error deleting backup file:  C:\\boot.Tamberlow");
    EXPECT_FALSE(fake().Value(kRunOnceKey, L"*Tamberlow Quorvine Mod")) << "nothing to come back from";
}

TEST_F(Cycle, RestoreWithNothingConfiguredRunsBothCommandsQuietly) {
    Restore(true);
    EXPECT_EQ(store().changes, std::vector<std::wstring>{L"RemoveSafeMode"});  // it failed: nothing was there
    EXPECT_TRUE(fake().dialogs.empty());
    EXPECT_TRUE(fake().started.empty());
}

TEST_F(Cycle, RestoreRemovesBootModeRunOnceAndTheCommandFileOnlyWhenAsked) {
    fake().SetValue(kProgramKey, L"BootMode", int32_t{1});
    fake().SetValue(kRunOnceKey, L"*Tamberlow Quorvine Mod", kRunOnceData);
    fake().PutFile(L"C:\\WINDOWS\\quorvine.cmd", "x");
    Restore(false);
    EXPECT_FALSE(fake().Value(kProgramKey, L"BootMode"));
    EXPECT_FALSE(fake().Value(kRunOnceKey, L"*Tamberlow Quorvine Mod"));
    EXPECT_TRUE(fake().HasFile(L"C:\\WINDOWS\\quorvine.cmd"));
    Restore(true);
    EXPECT_FALSE(fake().HasFile(L"C:\\WINDOWS\\quorvine.cmd"));
}

TEST_F(Cycle, TheSiblingStartsOnlyForRemoveInSafeModeWhenItIsThere) {
    struct Case {
        const wchar_t* arguments;
        int cleanBoot;
        bool present;
        bool started;
    };
    for (const Case& c :
         {Case{L"/remove", 1, true, true}, Case{L"/REMOVE", 2, true, true}, Case{L"/normal", 1, true, false},
          Case{L"/undo", 1, true, false}, Case{L"/remove", 0, true, false}, Case{L"/remove", 1, false, false}}) {
        SCOPED_TRACE(::testing::Message() << c.arguments << " " << c.cleanBoot << " " << c.present);
        ScopedFakePlatform local;
        local.fake.exePath = L"C:\\Suite\\Tools\\Quorvine.exe";
        local.fake.commandLine = std::wstring(L"\"C:\\Suite\\Tools\\Quorvine.exe\" ") + c.arguments;
        local.fake.cleanBoot = c.cleanBoot;
        if (c.present) local.fake.PutFile(L"C:\\Suite\\Tools\\..\\Tessel.exe", "MZ");
        local.fake.answers = {kAnswerNo};  // "/normal": no restart now
        Main(OpenWindow);
        if (c.started) {
            EXPECT_EQ(local.fake.started, std::vector<std::wstring>{L"\"C:\\Suite\\Tools\\..\\Tessel.exe\""});
            EXPECT_EQ(local.fake.steps.back(), L"start:\"C:\\Suite\\Tools\\..\\Tessel.exe\"");
        } else {
            EXPECT_TRUE(local.fake.started.empty());
        }
    }
}

TEST_F(Cycle, TheSiblingInAFolderUsersCanChangeNeverStarts) {
    fake().exePath = L"C:\\Users\\Public\\Downloads\\Quorvine.exe";
    fake().commandLine = L"\"C:\\Users\\Public\\Downloads\\Quorvine.exe\" /remove";
    fake().cleanBoot = 1;
    fake().PutFile(L"C:\\Users\\Public\\Downloads\\..\\Tessel.exe", "MZ");
    fake().security[L"c:\\users\\public\\downloads\\.."] =
        SecurityDescription{kSystemSid, true, {{true, false, 0x001301BF, L"S-1-5-4"}}};
    Main(OpenWindow);
    EXPECT_TRUE(fake().started.empty());
    const std::wstring skipped =
        L"skipped: C:\\Users\\Public\\Downloads\\..\\Tessel.exe, because users other than "
        L"administrators can change C:\\Users\\Public\\Downloads\\..";
    EXPECT_NE(std::find(fake().outputLines.begin(), fake().outputLines.end(), skipped), fake().outputLines.end());
}

TEST_F(Cycle, OnXpABootIniThatCannotBeChangedAbortsWithBothMessages) {
    BecomeXp();
    store().bootIni = L"[boot loader]";
    store().failures[L"SetBootIniSafeMode"] = {L"Error writing INI value:  C:\\boot.ini"};
    fake().answers = {kAnswerYes};
    SafeMode(false, true);
    // A fourth message may follow: putting the locked file back fails as well.
    ASSERT_GE(fake().dialogs.size(), 3u);
    EXPECT_EQ(fake().dialogs[1].text, L"Error writing INI value:  C:\\boot.ini");
    EXPECT_EQ(fake().dialogs[1].style, 16u);
    EXPECT_EQ(fake().dialogs[2].text, L"Failed to make the required changes to the Boot.INI file, aborting.");
    EXPECT_EQ(fake().dialogs[2].style, 0u);
    EXPECT_FALSE(fake().Value(kRunOnceKey, L"*Tamberlow Quorvine Mod"));
    EXPECT_TRUE(fake().restarts.empty());
    EXPECT_EQ(store().changes, std::vector<std::wstring>{L"SetBootIniSafeMode /safeboot:minimal"});
}

TEST_F(Cycle, OnXpNoRebootShowsOnlyTheEditorsMessage) {
    BecomeXp();
    store().bootIni = L"[boot loader]";
    store().failures[L"SetBootIniSafeMode"] = {L"Error writing INI value:  C:\\boot.ini"};
    NoReboot();
    ASSERT_EQ(fake().dialogs.size(), 1u);
    EXPECT_EQ(fake().dialogs[0].text, L"Error writing INI value:  C:\\boot.ini");
}

TEST_F(Cycle, OnXpTheEntryIsWrittenWithTheModesOptionString) {
    BecomeXp();
    struct Case {
        bool commandPrompt, networking;
        std::wstring options;
    };
    for (const Case& c : {Case{false, true, L" /fastdetect /safeboot:network /sos /bootlog /noguiboot"},
                          Case{true, true, L" /fastdetect /safeboot:minimal(alternateshell) /sos /bootlog /noguiboot"},
                          Case{false, false, L" /fastdetect /safeboot:minimal /sos /bootlog /noguiboot"}}) {
        ScopedFakePlatform local;
        local.fake.PutFile(L"C:\\boot.ini",
                           "[boot loader]\r\ndefault=multi(0)\\WINDOWS\r\n[operating systems]\r\n"
                           "multi(0)\\WINDOWS=\"XP\" /fastdetect\r\n",
                           7);
        EXPECT_TRUE(SetBootIniSafeMode(L"C:\\boot.ini", L"\\boot.Tamberlow", L"Tamberlow Quorvine Mod", c.commandPrompt,
                                       c.networking)
                        .ok);
        EXPECT_EQ(local.fake.FileText(L"C:\\boot.ini"),
                  "[boot loader]\r\ntimeout=3\r\ndefault=multi(0)\\WINDOWS\r\n[operating systems]\r\n"
                  "multi(0)\\WINDOWS=\"Tamberlow Quorvine Mod\"" +
                      std::string(c.options.begin(), c.options.end()) + "\r\nmulti(0)\\WINDOWS=\"XP\" /fastdetect\r\n");
        EXPECT_EQ(local.fake.FileText(L"C:\\boot.Tamberlow").substr(0, 13), "[boot loader]");
        EXPECT_EQ(local.fake.files[L"c:\\boot.ini"].attributes, 7u) << "the edited file keeps the original's";
        EXPECT_FALSE(local.fake.HasFile(L"C:\\boot.ini.quorvine"));
    }
}

TEST_F(Cycle, AFailedEditLeavesBootIniWithItsContentAndAttributes) {
    fake().PutFile(L"C:\\boot.ini", "[boot loader]\r\ntimeout=30\r\n", 7);
    const BootIniResult edited = SetBootIniSafeMode(L"C:\\boot.ini", L"\\boot.Tamberlow", L"T", false, false);
    EXPECT_FALSE(edited.ok) << "no default entry: none with an empty key is written";
    EXPECT_EQ(edited.failure, L"Error writing INI value:  C:\\boot.ini");
    EXPECT_EQ(fake().FileText(L"C:\\boot.ini"), "[boot loader]\r\ntimeout=30\r\n");
    EXPECT_EQ(fake().files[L"c:\\boot.ini"].attributes, 7u);
    EXPECT_FALSE(fake().HasFile(L"C:\\boot.ini.quorvine"));

    fake().PutFile(L"C:\\boot.ini", "[boot loader]\r\ndefault=m\r\n[operating systems]\r\nm=\"XP\"\r\n", 7);
    fake().replaceFails = true;
    const BootIniResult replaced = SetBootIniSafeMode(L"C:\\boot.ini", L"\\boot.Tamberlow", L"T", false, false);
    EXPECT_FALSE(replaced.ok);
    EXPECT_EQ(replaced.cause, L"C:\\boot.ini: error 5: Access is denied.") << "the file call's own error, for the line";
    fake().PutFile(L"C:\\boot.Tamberlow", "original", 0x27);
    EXPECT_FALSE(RestoreBootIni(L"C:\\boot.ini", L"\\boot.Tamberlow").ok);
    EXPECT_EQ(fake().files[L"c:\\boot.ini"].attributes, 7u);
    EXPECT_FALSE(fake().HasFile(L"C:\\boot.ini.quorvine"));
}

TEST_F(Cycle, RestoreBootIniPutsTheBackupBackReadOnlyHiddenSystem) {
    fake().PutFile(L"C:\\boot.ini", "changed", 0);
    fake().PutFile(L"C:\\boot.Tamberlow", "original", 0x27);
    EXPECT_TRUE(RestoreBootIni(L"C:\\boot.ini", L"\\boot.Tamberlow").ok);
    EXPECT_EQ(fake().FileText(L"C:\\boot.ini"), "original");
    EXPECT_EQ(fake().files[L"c:\\boot.ini"].attributes, 0x27u) << "the attributes boot.ini had before the edit";
    EXPECT_FALSE(fake().HasFile(L"C:\\boot.Tamberlow"));

    EXPECT_EQ(RestoreBootIni(L"C:\\boot.ini", L"\\boot.Tamberlow").failure,
              L"Could not find:  C:\\boot.Tamberlow\r\nor could not write to:  C:\\boot.ini");
    EXPECT_EQ(fake().files[L"c:\\boot.ini"].attributes, 0x27u);
}

TEST_F(Cycle, EmptyArgumentsMeanTheDefaultBootIniAndBackup) {
    fake().PutFile(L"C:\\boot.ini", "now", 0);
    fake().PutFile(L"C:\\boot.bak", "before", 0);
    EXPECT_TRUE(RestoreBootIni(L"", L"").ok);
    EXPECT_EQ(fake().FileText(L"C:\\boot.ini"), "before");
}

// The mode record and the question asked inside Safe Mode.
class Record : public Cycle {};

TEST_F(Record, NoChoiceRecordedRestoresWithoutAQuestion) {
    for (std::optional<int32_t> mode :
         {std::optional<int32_t>{}, std::optional<int32_t>{0}, std::optional<int32_t>{4}, std::optional<int32_t>{-1}}) {
        ScopedFakePlatform local;
        if (mode) local.fake.SetValue(kProgramKey, L"BootMode", *mode);
        EXPECT_EQ(AskRestoreNormalMode(), RestoreAnswer::Restore);
        EXPECT_TRUE(local.fake.dialogs.empty());
    }
}

TEST_F(Record, TheConsumedEntryIsArmedAgainBeforeTheQuestionAndStaysOnNo) {
    fake().SetValue(kProgramKey, L"BootMode", int32_t{1});
    fake().answers = {kAnswerNo};
    fake().commandLine = L"\"C:\\Tools\\Quorvine.exe\" /remove";  // Windows deleted the entry to start it
    std::optional<std::wstring> armedWhileAsked;
    fake().onStep = [&](const std::wstring& step) {
        if (step.rfind(L"message:", 0) == 0 && !armedWhileAsked) armedWhileAsked = Text(kRunOnceKey, kRunOnceName);
    };
    EXPECT_EQ(Main(OpenWindow), kExitDeclined);
    ASSERT_EQ(fake().dialogs.size(), 1u);
    EXPECT_EQ(fake().dialogs[0].text, kRestoreQuestion);
    EXPECT_EQ(fake().dialogs[0].style, 35u);
    EXPECT_EQ(armedWhileAsked, kRunOnceData);
    EXPECT_EQ(Text(kRunOnceKey, kRunOnceName), kRunOnceData);
    EXPECT_EQ(SettingAsInt32(*fake().Value(kProgramKey, L"BootMode")), 1);

    ScopedFakePlatform refused;  // an entry that cannot be armed again is told, and counted
    refused.fake.SetValue(kProgramKey, L"BootMode", int32_t{1});
    refused.fake.answers = {kAnswerNo};
    refused.fake.commandLine = fake().commandLine;
    refused.fake.refusedKeys = {kRunOnceKey};
    testing::ScopedFakeSeams seams(refused.fake);
    EXPECT_EQ(Main(OpenWindow), kExitWayBackLost);
    EXPECT_EQ(refused.fake.outputLines.back(), L"declined: safe mode stays for the next start; way back: none");
    // Its record tells why, as its line did.
    ASSERT_EQ(seams.events.records.size(), 1u);
    const std::wstring& record = seams.events.records[0].text;
    EXPECT_NE(record.find(L" (error 5: Access is denied.)\r\ndeclined: safe mode stays"), std::wstring::npos)
        << record;
}

TEST_F(Record, NoInTheCommandPromptModeShowsTheReminder) {
    fake().SetValue(kProgramKey, L"BootMode", int32_t{3});
    fake().answers = {kAnswerNo};
    EXPECT_NE(AskRestoreNormalMode(), RestoreAnswer::Restore);
    ASSERT_EQ(fake().dialogs.size(), 2u);
    EXPECT_EQ(fake().dialogs[1].text, kReminder);
    EXPECT_EQ(fake().dialogs[1].style, 0u);
}

TEST_F(Record, CancelRearmsBeforeTheWindowOpens) {
    fake().SetValue(kProgramKey, L"BootMode", int32_t{2});
    fake().answers = {kAnswerCancel};
    fake().commandLine = L"\"C:\\Tools\\Quorvine.exe\" /remove";
    windowsOpened = 0;
    Main(OpenWindow);
    EXPECT_EQ(windowsOpened, 1);
    const auto& steps = fake().steps;
    auto armed = std::find_if(steps.begin(), steps.end(),
                              [](const std::wstring& s) { return s.find(L"RunOnce") != std::wstring::npos; });
    auto window = std::find(steps.begin(), steps.end(), L"message:(the window)");
    ASSERT_NE(window, steps.end());
    EXPECT_LT(armed, window);
}

TEST_F(Record, YesRestoresAndTheRunOnceEntryQuotesAFolderWithBlanks) {
    fake().SetValue(kProgramKey, L"BootMode", int32_t{2});
    fake().answers = {kAnswerYes};
    EXPECT_EQ(AskRestoreNormalMode(), RestoreAnswer::Restore);
    fake().exePath = L"C:\\My Tools\\Quorvine.exe";
    ArmRunOnce();
    ArmRunOnce();
    EXPECT_EQ(Text(kRunOnceKey, L"*Tamberlow Quorvine Mod"),
              L"cmd /c start \"\" \"C:\\My Tools\\Quorvine.exe\" /remove");
    EXPECT_EQ(fake().registry[FakePlatform::Key(L"HKLM", kRunOnceKey)].size(), 1u);
}

TEST_F(Record, RemoveUndoesTheWholeConfigurationWithoutAQuestion) {
    SafeMode(false, false);
    fake().commandLine = L"\"C:\\Tools\\Quorvine.exe\" /remove";
    Main(OpenWindow);
    EXPECT_TRUE(fake().dialogs.empty());
    EXPECT_EQ(store().RunningMode(), L"");
    EXPECT_FALSE(fake().Value(kRunOnceKey, L"*Tamberlow Quorvine Mod"));
    EXPECT_TRUE(fake().restarts.empty());
}

}  // namespace
}  // namespace qv

namespace qv {
namespace {

TEST(BootEntry, WhenAnotherSectionFollowsTheKeptEntryStaysInOperatingSystems) {
    const std::wstring content =
        L"[boot loader]\r\ntimeout=3\r\ndefault=multi(0)\\WINDOWS\r\n"
        L"[Operating Systems]\r\nmulti(0)\\WINDOWS=\"Safe\" /safeboot:minimal\r\n\r\n"
        L"[debug]\r\nport=com1\r\n";
    EXPECT_EQ(InsertBootEntry(content, L"multi(0)\\WINDOWS=\"XP\" /fastdetect"),
              L"[boot loader]\r\ntimeout=3\r\ndefault=multi(0)\\WINDOWS\r\n"
              L"[Operating Systems]\r\nmulti(0)\\WINDOWS=\"Safe\" /safeboot:minimal\r\n"
              L"multi(0)\\WINDOWS=\"XP\" /fastdetect\r\n\r\n"
              L"[debug]\r\nport=com1\r\n");
}

TEST(BootEntry, WhenOperatingSystemsIsLastOrMissingThePlainAppendIsKept) {
    EXPECT_FALSE(InsertBootEntry(L"[boot loader]\r\n[operating systems]\r\na=b\r\n", L"a=c"));
    EXPECT_FALSE(InsertBootEntry(L"[boot loader]\r\ntimeout=30\r\n", L"a=c"));
    EXPECT_FALSE(InsertBootEntry(L"", L"a=c"));
}

TEST_F(Cycle, OnXpTheKeptEntryIsInsertedBeforeALaterSection) {
    fake().PutFile(L"C:\\boot.ini", "[boot loader]\r\ndefault=m\r\n[operating systems]\r\nm=\"XP\"\r\n[debug]\r\n");
    EXPECT_TRUE(SetBootIniSafeMode(L"C:\\boot.ini", L"\\boot.Tamberlow", L"T", false, false).ok);
    // The kept entry stays whole, quotes included, where the boot menu finds it.
    EXPECT_EQ(fake().FileText(L"C:\\boot.ini"),
              "[boot loader]\r\ntimeout=3\r\ndefault=m\r\n[operating systems]\r\nm=\"T\" /fastdetect /safeboot:minimal "
              "/sos /bootlog /noguiboot\r\nm=\"XP\"\r\n[debug]\r\n");
}

TEST_F(Cycle, OnXpAnEditThatCannotBeMadeRightOrFinishedLeavesBootIniAsItWas) {
    const std::string longEntry = "\"" + std::string(300, 'x') + "\" /fastdetect";
    const std::vector<std::string> broken = {
        "[boot loader]\r\ndefault=m\r\n",                                     // no "operating systems"
        "[boot loader]\r\ndefault=m\r\n[operating systems]\r\nn=\"XP\"\r\n",  // default not listed
    };
    for (const std::string& content : broken) {
        ScopedFakePlatform local;
        local.fake.PutFile(L"C:\\boot.ini", content);
        EXPECT_FALSE(SetBootIniSafeMode(L"C:\\boot.ini", L"\\boot.Tamberlow", L"T", false, false).ok) << content;
        EXPECT_EQ(local.fake.FileText(L"C:\\boot.ini"), content);
    }
    ScopedFakePlatform failing;  // the last step, the replace, fails
    const std::string content = "[boot loader]\r\ndefault=m\r\n[operating systems]\r\nm=" + longEntry + "\r\n";
    failing.fake.PutFile(L"C:\\boot.ini", content);
    failing.fake.replaceFails = true;
    EXPECT_EQ(SetBootIniSafeMode(L"C:\\boot.ini", L"\\boot.Tamberlow", L"T", false, false).failure,
              L"Error writing INI value:  C:\\boot.ini");
    EXPECT_EQ(failing.fake.FileText(L"C:\\boot.ini"), content);
    EXPECT_FALSE(failing.fake.HasFile(L"C:\\boot.ini.quorvine"));
    failing.fake.replaceFails = false;  // and once it works, a long entry is kept whole
    EXPECT_TRUE(SetBootIniSafeMode(L"C:\\boot.ini", L"\\boot.Tamberlow", L"T", false, false).ok);
    EXPECT_NE(failing.fake.FileText(L"C:\\boot.ini").find("m=" + longEntry + "\r\n"), std::string::npos);
}

}  // namespace
}  // namespace qv

namespace qv {
namespace {

// The boot store failing: the user hears of it and is never left without a way back.
class StoreFaults : public Cycle {};

TEST_F(StoreFaults, ASetThatFailsConfiguresNothingAndSaysWhich) {
    store().failures[L"SetSafeMode"] = {L"exit code 5"};
    fake().answers = {kAnswerYes};
    SafeMode(false, true);
    ASSERT_EQ(fake().dialogs.size(), 2u);
    EXPECT_EQ(fake().dialogs[1].text,
              L"Safe Mode could not be configured: the command \"SetSafeMode minimal\" "
              L"failed.\r\n\r\nWindows will start normally.");
    EXPECT_EQ(fake().dialogs[1].style, 16u);
    EXPECT_TRUE(fake().restarts.empty());
    EXPECT_FALSE(fake().Value(kRunOnceKey, L"*Tamberlow Quorvine Mod"));
    EXPECT_FALSE(Configured());
}

TEST_F(StoreFaults, ASetThatCouldNotBeWatchedCountsWhenTheStoreHasIt) {
    store().failures[L"SetSafeMode"] = {L"The process has timed out.", true};
    SafeNet(false);
    EXPECT_TRUE(fake().dialogs.empty());
    EXPECT_TRUE(Configured());
    EXPECT_EQ(Text(kRunOnceKey, L"*Tamberlow Quorvine Mod"), kRunOnceData);
}

TEST_F(StoreFaults, AStoreOutOfReachIsReportedAtTheFirstSet) {
    for (const wchar_t* operation : {L"ExportBackup", L"SetSafeMode", L"RemoveSafeMode"})
        store().failures[operation] = {L"The system cannot find the file specified."};
    store().running.clear();
    NoReboot();
    // The store could not be read either, so that is told first.
    ASSERT_EQ(fake().dialogs.size(), 2u);
    EXPECT_EQ(fake().dialogs[1].text,
              L"Safe Mode could not be configured: the command \"SetSafeMode "
              L"network\" failed.");
}

TEST_F(StoreFaults, AFailedCommandPromptShellSettingTakesTheWholeConfigurationAway) {
    store().failures[L"SetShell"] = {L"exit code 1"};
    SafeMode(true, false);
    EXPECT_EQ(store().RunningMode(), L"");
    EXPECT_FALSE(Text(kCommandProcessorKey, L"Autorun"));
    EXPECT_FALSE(Configured());
}

TEST_F(StoreFaults, AFailedBackupIsToldButSafeModeIsConfigured) {
    store().failures[L"ExportBackup"] = {L"exit code 1"};
    fake().answers = {kAnswerYes};
    SafeMode(false, true);
    ASSERT_EQ(fake().dialogs.size(), 2u);
    EXPECT_EQ(fake().dialogs[1].text,
              L"The boot configuration could not be backed up (\"ExportBackup C:\\BCDbak\" failed)."
              L"\r\n\r\nSafe Mode is configured all the same.");
    EXPECT_EQ(fake().restarts, std::vector<int32_t>{6});
    EXPECT_TRUE(Configured());
}

TEST_F(StoreFaults, ASafeBootSettingThatStaysKeepsItsWayBack) {
    store().failures[L"RemoveSafeMode"] = {L"exit code 5"};
    store().Running().safeBoot = L"minimal";
    EXPECT_EQ(Restore(true).outcome, ModeOutcome::NotRestored);
    EXPECT_EQ(Text(kRunOnceKey, L"*Tamberlow Quorvine Mod"), kRunOnceData);
    ASSERT_EQ(fake().dialogs.size(), 1u);
    EXPECT_NE(fake().dialogs[0].text.find(L"Normal Mode could not be restored"), std::wstring::npos);

    ScopedFakePlatform shell;  // the command-prompt mode gets its Autorun back too
    shell.store.failures[L"RemoveSafeMode"] = {L"exit code 5"};
    shell.store.Running() = {L"minimal", true};
    Restore(false);
    EXPECT_EQ(SettingAsText(*shell.fake.Value(kCommandProcessorKey, L"Autorun")), kAutorun);
}

TEST_F(StoreFaults, AWayBackThatCannotBeArmedAgainIsToldNotClaimed) {
    store().failures[L"RemoveSafeMode"] = {L"exit code 5"};
    store().Running().safeBoot = L"minimal";
    fake().refusedKeys = {kRunOnceKey};
    const ModeResult result = Restore(true);
    EXPECT_TRUE(result.Has(ProblemKind::WayBackNotRearmed));
    ASSERT_EQ(fake().dialogs.size(), 2u);
    EXPECT_NE(fake().dialogs[1].text.find(L"could not arm its automatic return"), std::wstring::npos);
    EXPECT_EQ(L"normal mode not restored: the safe mode setting may still be there; way back: none",
              OutcomeLine(result));
}

// An agent reads only the lines: each failure line ends with the cause of the call that failed.
TEST_F(StoreFaults, EachFailureLineEndsWithItsCause) {
    const auto lineOf = [&](const std::wstring& start) {
        for (const std::wstring& line : fake().outputLines)
            if (line.rfind(start, 0) == 0) return line;
        return std::wstring(L"(no line)");
    };
    const std::wstring denied = L" (error 5: Access is denied.)";
    fake().noPrivateFolder = true;  // the SafeBoot repair's folder
    NoReboot();
    const std::wstring repair = lineOf(L"warning: The SafeBoot registry key could not be repaired");
    EXPECT_TRUE(repair.ends_with(denied)) << repair;

    fake().refusedKeys = {kRunOnceKey};  // the way back's write
    SafeNet(false);
    const std::wstring wayBack = lineOf(L"error: Safe Mode was not configured, because the automatic return");
    EXPECT_TRUE(wayBack.ends_with(denied)) << wayBack;

    store().failures[L"RemoveSafeMode"] = {L"It ended with exit code 5."};  // a boot store change
    store().Running().safeBoot = L"minimal";
    Restore(true);
    const std::wstring removal = lineOf(L"error: Normal Mode could not be restored");
    EXPECT_TRUE(removal.ends_with(L" (RemoveSafeMode: It ended with exit code 5.)")) << removal;
    const std::wstring rearm = lineOf(L"error: Quorvine could not arm its automatic return");
    EXPECT_TRUE(rearm.ends_with(denied)) << rearm;
}

TEST_F(StoreFaults, NothingToRemoveStaysQuiet) {
    EXPECT_FALSE(store().RemoveSafeMode().ok) << "neither setting is there to remove";
    EXPECT_EQ(Restore(true).outcome, ModeOutcome::Restored);
    EXPECT_TRUE(fake().dialogs.empty());
    EXPECT_FALSE(fake().Value(kRunOnceKey, L"*Tamberlow Quorvine Mod"));
}

TEST_F(StoreFaults, AStoreOutOfReachIsToldAtTheWayBack) {
    store().failures[L"RemoveSafeMode"] = {L"The system cannot find the file specified."};
    store().running.clear();
    fake().commandLine = L"\"C:\\Tools\\Quorvine.exe\" /remove";  // Windows consumed the entry to start it
    Main(OpenWindow);
    ASSERT_EQ(fake().dialogs.size(), 1u);
    EXPECT_NE(fake().dialogs[0].text.find(L"could not check the boot configuration"), std::wstring::npos);
    EXPECT_EQ(Text(kRunOnceKey, L"*Tamberlow Quorvine Mod"), kRunOnceData);
}

TEST_F(StoreFaults, OnXpABootIniThatCannotBePutBackKeepsItsWayBack) {
    BecomeXp();
    store().bootIni = L"safe";
    store().bootIniBackup = L"original";
    store().failures[L"RestoreBootIni"] = {L"Cound not set file attributes:  C:\\boot.ini"};
    Restore(true);
    EXPECT_EQ(fake().dialogs.size(), 1u);
    EXPECT_EQ(Text(kRunOnceKey, L"*Tamberlow Quorvine Mod"), kRunOnceData);
}

}  // namespace
}  // namespace qv

namespace qv {
namespace {

TEST_F(Cycle, AFailedSafeBootRepairIsToldButStopsNothing) {
    fake().exitCodes[L"reg.exe import \"C:\\WINDOWS\\Temp\\Quorvine-1\\sb_8.reg\""] = 1;
    SafeNet(false);
    ASSERT_EQ(fake().dialogs.size(), 1u);
    EXPECT_NE(fake().dialogs[0].text.find(L"The SafeBoot registry key could not be repaired"), std::wstring::npos);
    EXPECT_EQ(store().RunningMode(), L"network");
    EXPECT_TRUE(Configured());

    ScopedFakePlatform noTemp;  // no private temporary folder: told as what it is
    noTemp.fake.noPrivateFolder = true;
    NoReboot();
    ASSERT_EQ(noTemp.fake.dialogs.size(), 1u);
    EXPECT_NE(noTemp.fake.dialogs[0].text.find(L"no temporary folder"), std::wstring::npos);
}

}  // namespace
}  // namespace qv

namespace qv {
namespace {

// What real machines do that the rest of the cycle does not show: a policy,
// a pulled stick, a deep folder, a UTF-8 console, another program's Autorun.
class RealMachines : public Cycle {
protected:
    std::vector<std::wstring> Sets() {
        std::vector<std::wstring> out;
        for (const auto& c : store().changes)
            if (c.rfind(L"Set", 0) == 0) out.push_back(c);
        return out;
    }
};

TEST_F(RealMachines, ThePolicyRefusesRunOnceModesBeforeAnyChange) {
    fake().SetValue(kExplorerPolicyKey, L"DisableLocalMachineRunOnce", int32_t{1});
    EXPECT_EQ(L"blocked by policy", ArmedWayBack());
    for (bool network : {false, true}) {
        const ModeResult result = network ? SafeNet(true) : SafeMode(false, true);
        EXPECT_EQ(kExitFailed, ExitCodeOf(result));
        EXPECT_NE(fake().dialogs.back().text.find(L"Do not process the run once list"), std::wstring::npos);
    }
    EXPECT_EQ(2u, fake().dialogs.size()) << "no question before the refusal";
    EXPECT_TRUE(fake().commands.empty());
    EXPECT_FALSE(Text(kRunOnceKey, kRunOnceName));
    SafeMode(true, false);  // the command prompt's way back is the Autorun
    EXPECT_TRUE(Configured());
}

TEST_F(RealMachines, FromARemovableDriveTheWayBackStartsACheckedCopyThatGoesAfterwards) {
    fake().driveTypes[L'E'] = kDriveRemovable;
    fake().exePath = L"E:\\Quorvine.exe";
    SafeNet(false);
    const std::wstring copy = L"C:\\WINDOWS\\Quorvine\\Quorvine.exe";
    EXPECT_EQ(L"cmd /c start \"\" \"" + copy + L"\" /remove", Text(kRunOnceKey, kRunOnceName));
    EXPECT_EQ(fake().exeBytes, fake().ReadBytes(copy));
    EXPECT_TRUE(fake().adminFolders.count(L"c:\\windows\\quorvine"));

    // Windows runs the copy at the next logon; it leaves with Normal Mode.
    fake().DeleteSetting(L"HKLM", kRunOnceKey, kRunOnceName);
    fake().exePath = copy;
    fake().commandLine = L"\"" + copy + L"\" /remove";
    EXPECT_EQ(kExitDone, Main(OpenWindow));
    EXPECT_FALSE(fake().HasFile(copy));
    EXPECT_EQ((std::vector<std::wstring>{copy + L".removed", L"C:\\WINDOWS\\Quorvine"}), fake().deletedAtRestart);

    ScopedFakePlatform unchecked;  // a copy that does not read back whole arms nothing
    unchecked.fake.driveTypes[L'E'] = kDriveRemovable;
    unchecked.fake.exePath = L"E:\\Quorvine.exe";
    unchecked.fake.readOnlyFiles = {L"c:\\windows\\quorvine\\quorvine.exe"};
    EXPECT_EQ(kExitFailed, ExitCodeOf(SafeNet(false)));
    EXPECT_TRUE(unchecked.fake.registry[FakePlatform::Key(L"HKLM", kRunOnceKey)].empty());
}

TEST_F(RealMachines, ARunOnceLineOverTheLimitTakesTheShortPathOrIsRefused) {
    const std::wstring deep = L"C:\\" + std::wstring(240, L'd');
    fake().exePath = deep + L"\\Quorvine.exe";
    SafeNet(false);
    EXPECT_EQ(std::vector<std::wstring>{}, Sets()) << "no short form: refused before any change";
    EXPECT_EQ(ProblemKind::WayBackUnreachable, lastResult.problems.at(0).kind);

    fake().shortPaths[LowerCase(fake().exePath)] = L"C:\\DDDDDD~1\\QUORVINE.EXE";
    fake().fileAliases[L"c:\\dddddd~1\\quorvine.exe"] = LowerCase(fake().exePath);
    SafeNet(false);
    EXPECT_TRUE(Configured());
    EXPECT_EQ(L"cmd /c start \"\" \"C:\\DDDDDD~1\\QUORVINE.EXE\" /remove", Text(kRunOnceKey, kRunOnceName));
}

TEST_F(RealMachines, UnderCodePage65001TheCommandFileIsUtf8) {
    fake().oemCodePage = kCodePageUtf8;
    fake().exePath = L"C:\\J\u00fcrgen\\Quorvine.exe";
    SafeMode(true, false);
    EXPECT_TRUE(Configured());
    EXPECT_EQ("\"C:\\J\xc3\xbcrgen\\Quorvine.exe\" %1\r\n", fake().FileText(L"C:\\WINDOWS\\quorvine.cmd"));
}

TEST_F(RealMachines, AnotherProgramsUndoAutorunIsKeptAndPutBack) {
    const std::wstring foreign = L"\"C:\\Other\\x.exe\" /undo";
    fake().SetValue(kCommandProcessorKey, L"Autorun", foreign);
    EXPECT_EQ(L"none", ArmedWayBack());
    Restore(true);
    EXPECT_EQ(foreign, Text(kCommandProcessorKey, L"Autorun"));
    SafeMode(true, false);
    EXPECT_EQ(foreign, Text(kProgramKey, L"SavedAutorun"));
    Restore(true);
    EXPECT_EQ(foreign, Text(kCommandProcessorKey, L"Autorun"));
}

TEST_F(RealMachines, AWayBackThatDoesNotReadBackLeavesWhatWasThere) {
    const std::wstring before = L"cmd /c start \"\" \"D:\\Old\\Quorvine.exe\" /remove";
    fake().SetValue(kRunOnceKey, kRunOnceName, before);
    fake().fileAliases[L"c:\\tools\\quorvine.exe"] = L"c:\\gone\\quorvine.exe";  // starts no such file
    EXPECT_FALSE(ArmRunOnce());
    EXPECT_EQ(before, Text(kRunOnceKey, kRunOnceName));
}

TEST_F(RealMachines, AShellThatCannotBeRemovedStopsMinimalModesAndStaysAtRestore) {
    store().failures[L"RemoveSafeMode"] = {L"exit code 5"};
    store().Running().alternateShell = true;
    SafeNet(false);
    EXPECT_EQ(ModeOutcome::Stopped, lastResult.outcome);
    EXPECT_EQ(std::vector<std::wstring>{}, Sets());
    EXPECT_FALSE(Text(kRunOnceKey, kRunOnceName));
    EXPECT_EQ(ModeOutcome::NotRestored, Restore(true).outcome);
    EXPECT_EQ(kAutorun, Text(kCommandProcessorKey, L"Autorun")) << "a shell that stays keeps the prompt's way back";
}

}  // namespace
}  // namespace qv
