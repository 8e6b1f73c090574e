#include <gtest/gtest.h>

#include <array>

#include "fake_platform.h"
#include "system/program_paths.h"
#include "startup/exit_codes.h"
#include "startup/switches.h"
#include "system/shutdown.h"
#include "ui/main_window.h"

namespace qv {
namespace {

using testing::ScopedFakePlatform;

// The window's controls as plain state; every call is also logged.
class FakeWindow : public MainWindowView {
public:
    std::array<bool, kOptionCount> selected{};
    std::array<bool, kOptionCount> bold{};
    std::array<bool, kOptionCount> optionEnabled{true, true, true, true};
    std::array<bool, kOptionCount> labelEnabled{true, true, true, true};
    std::wstring caption = L"Quorvine";
    std::vector<std::wstring> calls;
    bool visible = false;
    bool closed = false;
    ProgramVersion version{4, 1, 1};

    ProgramVersion Version() override { return version; }
    void SetCaption(const std::wstring& text) override { caption = text; }
    void SetIconFromFile(const std::wstring& path, bool applyToOwner) override {
        calls.push_back(L"iconfile:" + path + (applyToOwner ? L":owner" : L""));
    }
    void SetIconFromResource(const std::wstring& name, bool applyToOwner) override {
        calls.push_back(L"iconresource:" + name + (applyToOwner ? L":owner" : L""));
    }
    void SelectOption(int16_t index) override {
        selected.fill(false);
        selected[index] = true;
    }
    bool IsOptionSelected(int16_t index) override { return selected[index]; }
    void SetOptionBold(int16_t index, bool value) override {
        bold[index] = value;
        calls.push_back(L"bold:" + std::to_wstring(index) + (value ? L":on" : L":off"));
    }
    void EnableOption(int16_t index, bool enabled) override { optionEnabled[index] = enabled; }
    void EnableOptionLabel(int16_t index, bool enabled) override { labelEnabled[index] = enabled; }
    void Hide() override {
        visible = false;
        calls.push_back(L"hide");
    }
    void Show() override {
        visible = true;
        calls.push_back(L"show");
    }
    void Close() override {
        closed = true;
        calls.push_back(L"close");
    }
};

// Stands in for the mode operations and plays the user's answer to their
// restart question: they are tested on their own.
class FakeModes : public ModeOperations {
public:
    enum class Outcome { Configured, Declined, Stopped };
    explicit FakeModes(testing::FakePlatform& platform) : platform_(platform) {}
    Outcome outcome = Outcome::Configured;
    std::vector<std::wstring> calls;

    ModeResult AskThenConfigureSafeMode(Mode mode, Restart restart) override {
        return Record(std::wstring(L"safe:") + (mode == Mode::CommandPrompt ? L"cmd" : L"minimal") +
                      Restarting(restart));
    }
    ModeResult AskThenConfigureSafeModeNetwork(Restart restart) override {
        return Record(L"safe:network" + Restarting(restart));
    }
    ModeResult RestoreNormalMode(CommandFile commandFile) override {
        calls.push_back(commandFile == CommandFile::Remove ? L"normal:remove" : L"normal:keep");
        platform_.steps.push_back(calls.back());
        ModeResult result;
        result.outcome = ModeOutcome::Restored;
        return result;
    }

private:
    static std::wstring Restarting(Restart restart) { return restart == Restart::Now ? L":restart" : L":only"; }
    ModeResult Record(const std::wstring& call) {
        calls.push_back(call);
        platform_.steps.push_back(call);
        const bool asked = call.ends_with(L":restart");
        ModeResult result;
        if (outcome == Outcome::Declined && asked) result.outcome = ModeOutcome::Declined;
        if (outcome == Outcome::Stopped) result.outcome = ModeOutcome::Stopped;
        result.restartRequested = asked && result.outcome == ModeOutcome::Configured;
        return result;
    }
    testing::FakePlatform& platform_;
};

// One window over a fresh fake Windows.
struct Scene {
    std::optional<SettingValue> BootMode() const { return p.fake.Value(kProgramKey, L"BootMode"); }

    ScopedFakePlatform p;
    FakeWindow window;
    FakeModes modes{p.fake};
};

const std::wstring kModificationsMessage =
    L"Modifications were made to the system, you may manually reboot when ready.\r\n\r\n"
    L"Please do NOT remove Quorvine.exe from it's current location!  (Once in 'Safe Mode' Quorvine.exe will "
    L"automatically run again to restore 'Normal Mode' operation!)";

TEST(MainWindowCaption, ShowsTheRevisionOnlyWhenThereIsOne) {
    EXPECT_EQ(MainWindowCaption({4, 1, 1}), L"Quorvine v4.1.1  -  https://www.tamberlow.com");
    EXPECT_EQ(VersionText({4, 1, 0}), L"4.1");
    EXPECT_EQ(VersionText({10, 0, 12}), L"10.0.12");
}

TEST(MainWindow, LoadFromALocalFolderSelectsSafeModeInBold) {
    Scene s;
    Form_Load(s.window);
    EXPECT_EQ(s.window.caption, L"Quorvine v4.1.1  -  https://www.tamberlow.com");
    EXPECT_EQ(s.window.selected, (std::array<bool, 4>{true, false, false, false}));
    EXPECT_EQ(s.window.bold, (std::array<bool, 4>{true, false, false, false}));
    EXPECT_EQ(s.window.optionEnabled, (std::array<bool, 4>{true, true, true, true}));
    EXPECT_EQ(s.window.labelEnabled, (std::array<bool, 4>{true, true, true, true}));
    EXPECT_EQ(s.window.calls.front(), L"iconresource:a1:owner");
    EXPECT_TRUE(s.p.fake.dialogs.empty());
}

TEST(MainWindow, LoadTakesTheIconFromTheConfigFolderBesideTheProgramFolder) {
    Scene s;
    s.p.fake.PutFile(L"C:\\Tools\\..\\Config\\applogo.ico", "ico");
    Form_Load(s.window);
    EXPECT_EQ(s.window.calls.front(), L"iconfile:C:\\Tools\\..\\Config\\applogo.ico:owner");
}

TEST(MainWindow, LoadFromTheNetworkWarnsAndOffersNormalModeOnly) {
    Scene s;
    s.p.fake.exePath = L"\\\\server\\share\\Quorvine.exe";
    Form_Load(s.window);
    ASSERT_EQ(s.p.fake.dialogs.size(), 1u);
    EXPECT_TRUE(s.p.fake.dialogs[0].text.starts_with(L"Quorvine may be running from the network"));
    EXPECT_EQ(s.window.selected, (std::array<bool, 4>{false, false, false, true}));
    EXPECT_EQ(s.window.bold, (std::array<bool, 4>{false, false, false, true}));
    EXPECT_EQ(s.window.optionEnabled, (std::array<bool, 4>{false, false, false, true}));
    // Label6 under "Normal Mode" stays usable.
    EXPECT_EQ(s.window.labelEnabled, (std::array<bool, 4>{false, false, false, true}));
}

TEST(MainWindow, ClickingAnOptionMovesTheBold) {
    Scene s;
    Form_Load(s.window);
    for (int16_t index = 0; index < kOptionCount; ++index) {
        SCOPED_TRACE(index);
        s.window.calls.clear();
        optSafeMode_Click(s.window, index);
        std::array<bool, 4> expected{};
        expected[index] = true;
        EXPECT_EQ(s.window.bold, expected);
        // All four back to regular first, in order, then the one in bold.
        EXPECT_EQ(s.window.calls, (std::vector<std::wstring>{L"bold:0:off", L"bold:1:off", L"bold:2:off", L"bold:3:off",
                                                             L"bold:" + std::to_wstring(index) + L":on"}));
    }
}

TEST(MainWindow, NormalModeWithRestartAnsweredYesRestarts) {
    Scene s;
    s.window.SelectOption(OptionOf(Mode::Normal));
    s.p.fake.answers = {kAnswerYes};
    cmdDo_Click(s.window, kCmdRestart, s.modes);
    EXPECT_EQ(s.modes.calls, (std::vector<std::wstring>{L"normal:remove"}));
    ASSERT_EQ(s.p.fake.dialogs.size(), 1u);
    EXPECT_EQ(s.p.fake.dialogs[0].text,
              L"Windows is now configured to restart in 'Normal Mode', would you like to restart now?");
    EXPECT_EQ(s.p.fake.dialogs[0].title, L"Restart Windows normally?");
    EXPECT_EQ(s.p.fake.dialogs[0].style, kMbYesNoQuestion);
    EXPECT_EQ(s.p.fake.restarts, (std::vector<int32_t>{6}));
    EXPECT_EQ(s.window.calls, (std::vector<std::wstring>{L"hide", L"close"}));
}

TEST(MainWindow, NormalModeWithRestartAnsweredNoOnlyConfigures) {
    Scene s;
    s.window.SelectOption(OptionOf(Mode::Normal));
    s.p.fake.answers = {kAnswerNo};
    cmdDo_Click(s.window, kCmdRestart, s.modes);
    EXPECT_TRUE(s.p.fake.restarts.empty());
    ASSERT_EQ(s.p.fake.dialogs.size(), 2u);
    EXPECT_EQ(s.p.fake.dialogs[1].text, L"Windows will start normally the next time you restart.");
    EXPECT_EQ(s.p.fake.dialogs[1].title, L"");
    EXPECT_EQ(s.p.fake.dialogs[1].style, kMbOk);
    EXPECT_EQ(s.window.calls, (std::vector<std::wstring>{L"hide", L"close"}));
}

TEST(MainWindow, NormalModeConfigureOnly) {
    Scene s;
    s.window.SelectOption(OptionOf(Mode::Normal));
    cmdDo_Click(s.window, kCmdConfigureOnly, s.modes);
    EXPECT_EQ(s.modes.calls, (std::vector<std::wstring>{L"normal:remove"}));
    ASSERT_EQ(s.p.fake.dialogs.size(), 1u);
    EXPECT_EQ(s.p.fake.dialogs[0].text, L"Windows is now configured to start normally.");
    EXPECT_EQ(s.p.fake.dialogs[0].style, kMbOk);
    EXPECT_TRUE(s.p.fake.restarts.empty());
    EXPECT_TRUE(s.window.closed);
    EXPECT_FALSE(s.BootMode());
}

TEST(MainWindow, NormalModeRestartErrorIsToldWithNormalModeKept) {
    Scene s;
    s.window.SelectOption(OptionOf(Mode::Normal));
    s.p.fake.answers = {kAnswerYes};
    s.p.fake.restartRefused = L"no privilege";
    EXPECT_NO_THROW(cmdDo_Click(s.window, kCmdRestart, s.modes));
    EXPECT_NE(s.p.fake.dialogs.back().text.find(L"no privilege"), std::wstring::npos);
    EXPECT_TRUE(s.window.closed);

    ScopedFakePlatform normal;  // "/normal": done, with a warning
    normal.fake.commandLine = L"\"C:\\Tools\\Quorvine.exe\" /normal";
    normal.fake.answers = {kAnswerYes};
    normal.fake.restartRefused = L"no privilege";
    EXPECT_EQ(Main([] {}), kExitWarning);
}

struct SafeModeCase {
    int16_t option;
    const wchar_t* configureCall;  // without the restart part
    int32_t bootMode;
};
constexpr SafeModeCase kSafeModes[] = {
    {OptionOf(Mode::Minimal), L"safe:minimal", 1},
    {OptionOf(Mode::Network), L"safe:network", 2},
    {OptionOf(Mode::CommandPrompt), L"safe:cmd", 3},
};

TEST(MainWindow, ConfigureOnlyRecordsTheModeAfterConfiguringAndSaysSo) {
    for (const SafeModeCase& safe : kSafeModes) {
        SCOPED_TRACE(safe.bootMode);
        Scene s;
        s.window.SelectOption(safe.option);
        cmdDo_Click(s.window, kCmdConfigureOnly, s.modes);

        EXPECT_EQ(s.modes.calls, (std::vector<std::wstring>{safe.configureCall + std::wstring(L":only")}));
        EXPECT_EQ(s.p.fake.Value(kProgramKey, L"BootMode"), SettingValue(safe.bootMode));
        EXPECT_EQ(s.p.fake.steps, (std::vector<std::wstring>{safe.configureCall + std::wstring(L":only"),
                                                             L"write:HKLM\\Software\\Tamberlow\\Quorvine\\BootMode",
                                                             L"message:" + kModificationsMessage}));
        ASSERT_EQ(s.p.fake.dialogs.size(), 1u);
        EXPECT_EQ(s.p.fake.dialogs[0].title, L"");
        EXPECT_EQ(s.p.fake.dialogs[0].style, kMbOk);
        EXPECT_TRUE(s.p.fake.restarts.empty());
        EXPECT_EQ(s.window.calls, (std::vector<std::wstring>{L"hide", L"close"}));
    }
}

TEST(MainWindow, RestartRecordsTheModeAndClosesWithoutAMessage) {
    for (const SafeModeCase& safe : kSafeModes) {
        SCOPED_TRACE(safe.bootMode);
        Scene s;
        s.window.SelectOption(safe.option);
        cmdDo_Click(s.window, kCmdRestart, s.modes);

        EXPECT_EQ(s.modes.calls, (std::vector<std::wstring>{safe.configureCall + std::wstring(L":restart")}));
        // Written after the configuration and before the restart, which may
        // end the program at any moment.
        EXPECT_EQ(s.p.fake.steps,
                  (std::vector<std::wstring>{safe.configureCall + std::wstring(L":restart"),
                                             L"write:HKLM\\Software\\Tamberlow\\Quorvine\\BootMode", L"restart"}));
        EXPECT_EQ(s.p.fake.Value(kProgramKey, L"BootMode"), SettingValue(safe.bootMode));
        EXPECT_TRUE(s.p.fake.dialogs.empty());
        EXPECT_EQ(s.window.calls, (std::vector<std::wstring>{L"hide", L"close"}));
    }
}

TEST(MainWindow, DeclinedRestartBringsTheWindowBackWithItsChoice) {
    for (const SafeModeCase& safe : kSafeModes) {
        SCOPED_TRACE(safe.bootMode);
        Scene s;
        s.p.fake.SetValue(kProgramKey, L"BootMode", int32_t{2});  // left by an earlier choice
        s.modes.outcome = FakeModes::Outcome::Declined;
        s.window.SelectOption(safe.option);
        const auto selectedBefore = s.window.selected;
        cmdDo_Click(s.window, kCmdRestart, s.modes);

        EXPECT_FALSE(s.p.fake.Value(kProgramKey, L"BootMode"));
        ASSERT_EQ(s.p.fake.dialogs.size(), 1u);
        EXPECT_EQ(s.p.fake.dialogs[0].text, L"No modifications were made to the system.");
        EXPECT_EQ(s.p.fake.dialogs[0].style, kMbOk);
        EXPECT_EQ(s.window.calls, (std::vector<std::wstring>{L"hide", L"show"}));
        EXPECT_EQ(s.window.selected, selectedBefore);
        EXPECT_TRUE(s.p.fake.restarts.empty());
    }
}

TEST(MainWindow, StoppedConfigurationClaimsNothing) {
    // The operation has shown its own message; the window adds no claim of
    // modifications and records no mode.
    for (int16_t command : {kCmdConfigureOnly, kCmdRestart}) {
        for (const SafeModeCase& safe : kSafeModes) {
            SCOPED_TRACE(std::to_wstring(command) + L" " + safe.configureCall);
            Scene s;
            s.modes.outcome = FakeModes::Outcome::Stopped;
            s.window.SelectOption(safe.option);
            cmdDo_Click(s.window, command, s.modes);

            EXPECT_FALSE(s.p.fake.Value(kProgramKey, L"BootMode"));
            EXPECT_TRUE(s.p.fake.dialogs.empty());
            EXPECT_EQ(s.window.calls, (std::vector<std::wstring>{L"hide", L"close"}));
        }
    }
}

}  // namespace
}  // namespace qv
