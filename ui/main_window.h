// frmQuorvine: what the main window decides, apart from how Windows draws it.
// The Win32 window (main_window_win32.cpp) implements MainWindowView; host
// tests drive the same procedures through a fake one. No windows.h here.
#pragma once

#include <cstdint>
#include <string>

#include "bootmode/mode_result.h"
#include "bootmode/safe_mode.h"
#include "bootmode/way_back.h"
#include "opsys/mode.h"

namespace qv {

// optSafeMode: the option buttons, top to bottom, each for its mode.
inline constexpr Mode kOptionModes[] = {Mode::Minimal, Mode::Network, Mode::CommandPrompt, Mode::Normal};
inline constexpr int16_t kOptionCount = 4;
// The index of the option button for `mode`.
constexpr int16_t OptionOf(Mode mode) {
    for (int16_t index = 0; index < kOptionCount; ++index)
        if (kOptionModes[index] == mode) return index;
    return 0;
}

// cmdDo
inline constexpr int16_t kCmdRestart = 0;
inline constexpr int16_t kCmdConfigureOnly = 1;

inline constexpr const wchar_t* kMakerAddress = L"https://www.tamberlow.com";
inline constexpr const wchar_t* kAppLogoFile = L"..\\Config\\applogo.ico";
inline constexpr const wchar_t* kIconResource = L"a1";

struct ProgramVersion {
    int major = 0;
    int minor = 0;
    int revision = 0;
};

// The window as its event procedures see it.
class MainWindowView {
public:
    virtual ~MainWindowView() = default;

    virtual ProgramVersion Version() = 0;
    virtual void SetCaption(const std::wstring& caption) = 0;
    virtual void SetIconFromFile(const std::wstring& path, bool applyToOwner) = 0;
    virtual void SetIconFromResource(const std::wstring& resourceName, bool applyToOwner) = 0;

    // Checks one option button and clears the others; fires no event.
    virtual void SelectOption(int16_t index) = 0;
    virtual bool IsOptionSelected(int16_t index) = 0;
    virtual void SetOptionBold(int16_t index, bool bold) = 0;
    virtual void EnableOption(int16_t index, bool enabled) = 0;
    // The grey description under an option button (Label3..Label6).
    virtual void EnableOptionLabel(int16_t index, bool enabled) = 0;

    virtual void Hide() = 0;
    virtual void Show() = 0;   // not modal, in the state it had
    virtual void Close() = 0;  // unloads the window; the program then ends
};

// The mode operations the buttons call, each Safe Mode one after its
// question. The default one calls the real operations; tests put a recording
// one in its place.
class ModeOperations {
public:
    virtual ~ModeOperations() = default;
    virtual ModeResult AskThenConfigureSafeMode(Mode mode, Restart restart);
    virtual ModeResult AskThenConfigureSafeModeNetwork(Restart restart);
    virtual ModeResult RestoreNormalMode(CommandFile commandFile);
};
ModeOperations& RealModeOperations();

// "4.1.1" when the revision is above 0, else "4.1".
std::wstring VersionText(const ProgramVersion& version);
// "Quorvine v4.1.1  -  " followed by the maker's web address.
std::wstring MainWindowCaption(const ProgramVersion& version);

void Form_Load(MainWindowView& window);
void optSafeMode_Click(MainWindowView& window, int16_t index);
void cmdDo_Click(MainWindowView& window, int16_t index, ModeOperations& modes = RealModeOperations());

// Shows the window (creating it the first time), not modal; main_window_win32.cpp.
void ShowMainWindow();
// Runs the message loop while the main window is open; 0 at once when none is.
int RunMessageLoop();

}  // namespace qv
