// The window icons and the main window's fonts and tool tips, read inside the
// process: fonts and tool tip texts cannot be read from another one.
#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <string>
#include <utility>
#include <vector>

#include <windows.h>
#include <commctrl.h>

#include "ui/icon_win32.h"
#include "ui/main_window.h"

namespace qv {
namespace {

// --- mod32BitIcon -------------------------------------------------------------

// Windows of a class that notes every WM_SETICON it is sent, in order.
std::vector<std::pair<HWND, WPARAM>> iconMessages;

LRESULT CALLBACK NotingProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_SETICON) iconMessages.emplace_back(window, wParam);
    return DefWindowProcA(window, message, wParam, lParam);
}

HWND NotingWindow(HWND owner) {
    static const bool registered = [] {
        WNDCLASSA windowClass{};
        windowClass.lpfnWndProc = NotingProcedure;
        windowClass.hInstance = GetModuleHandleA(nullptr);
        windowClass.lpszClassName = "qvIconTest";
        return RegisterClassA(&windowClass) != 0;
    }();
    EXPECT_TRUE(registered);
    return CreateWindowExA(0, "qvIconTest", "", WS_OVERLAPPEDWINDOW, 0, 0, 100, 100, owner, nullptr,
                           GetModuleHandleA(nullptr), nullptr);
}

SIZE IconSize(HICON icon) {
    ICONINFO info{};
    if (!icon || !GetIconInfo(icon, &info)) return {0, 0};
    BITMAP bitmap{};
    GetObjectA(info.hbmColor ? info.hbmColor : info.hbmMask, sizeof(bitmap), &bitmap);
    SIZE size{bitmap.bmWidth, info.hbmColor ? bitmap.bmHeight : bitmap.bmHeight / 2};
    if (info.hbmColor) DeleteObject(info.hbmColor);
    DeleteObject(info.hbmMask);
    return size;
}

HICON IconOf(HWND window, WPARAM which) { return reinterpret_cast<HICON>(SendMessageA(window, WM_GETICON, which, 0)); }

class WindowIcon : public ::testing::Test {
protected:
    void SetUp() override {
        iconMessages.clear();
        top_ = NotingWindow(nullptr);
        middle_ = NotingWindow(top_);
        window_ = NotingWindow(middle_);
        ASSERT_TRUE(top_ && middle_ && window_) << "no windows could be made: the rig runs these tests on a display";
    }
    void TearDown() override {
        for (HWND window : {window_, middle_, top_})
            if (window) DestroyWindow(window);
    }
    HWND top_ = nullptr, middle_ = nullptr, window_ = nullptr;
};

TEST_F(WindowIcon, GoesToTheTopMostOwnerFirstThenToTheWindow) {
    win32::SetIconFromResource(window_, L"a1", true);
    const std::vector<std::pair<HWND, WPARAM>> expected{
        {top_, ICON_BIG}, {window_, ICON_BIG}, {top_, ICON_SMALL}, {window_, ICON_SMALL}};
    EXPECT_EQ(iconMessages, expected);
    EXPECT_EQ(IconOf(middle_, ICON_BIG), nullptr);
    EXPECT_NE(IconOf(top_, ICON_BIG), nullptr);
    EXPECT_EQ(IconOf(top_, ICON_SMALL), IconOf(window_, ICON_SMALL));
}

TEST_F(WindowIcon, ComesAtTheSizesTheSystemAsksFor) {
    win32::SetIconFromResource(window_, L"A1", false);
    SIZE big = IconSize(IconOf(window_, ICON_BIG));
    SIZE small = IconSize(IconOf(window_, ICON_SMALL));
    EXPECT_EQ(big.cx, GetSystemMetrics(SM_CXICON));
    EXPECT_EQ(big.cy, GetSystemMetrics(SM_CYICON));
    EXPECT_EQ(small.cx, GetSystemMetrics(SM_CXSMICON));
    EXPECT_EQ(small.cy, GetSystemMetrics(SM_CYSMICON));
    // Only the window itself without applyToOwner.
    EXPECT_EQ(iconMessages.size(), 2u);
    EXPECT_EQ(IconOf(top_, ICON_BIG), nullptr);
}

TEST_F(WindowIcon, AFileWithOnlyABigImageGivesAScaledSmallOne) {
    char temp[MAX_PATH];
    GetTempPathA(MAX_PATH, temp);
    const std::string path = std::string(temp) + "qv_icon_test.ico";
    {
        // One 32 by 32 image, 32 bits, in an .ico file.
        constexpr int kSide = 32;
        BITMAPINFOHEADER header{sizeof(BITMAPINFOHEADER), kSide, kSide * 2, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
        std::string pixels(kSide * kSide * 4, '\x7f');
        std::string mask(kSide * 4, '\0');
        const uint32_t imageSize = sizeof(header) + pixels.size() + mask.size();
        std::ofstream file(path, std::ios::binary);
        const uint16_t directory[3] = {0, 1, 1};
        file.write(reinterpret_cast<const char*>(directory), sizeof(directory));
        const uint8_t entry[8] = {kSide, kSide, 0, 0, 1, 0, 32, 0};
        file.write(reinterpret_cast<const char*>(entry), sizeof(entry));
        const uint32_t sizeAndOffset[2] = {imageSize, 6 + 16};
        file.write(reinterpret_cast<const char*>(sizeAndOffset), sizeof(sizeAndOffset));
        file.write(reinterpret_cast<const char*>(&header), sizeof(header));
        file << pixels << mask;
    }
    win32::SetIconFromFile(window_, std::wstring(path.begin(), path.end()), true);
    EXPECT_EQ(IconSize(IconOf(window_, ICON_SMALL)).cx, GetSystemMetrics(SM_CXSMICON));
    EXPECT_EQ(IconSize(IconOf(top_, ICON_BIG)).cx, GetSystemMetrics(SM_CXICON));
    DeleteFileA(path.c_str());
}

TEST_F(WindowIcon, AMissingResourceLeavesNoIconAndDoesNotStopTheCaller) {
    win32::SetIconFromResource(window_, L"a1", false);
    ASSERT_NE(IconOf(window_, ICON_BIG), nullptr);
    win32::SetIconFromResource(window_, L"no-such-icon", false);
    EXPECT_EQ(IconOf(window_, ICON_BIG), nullptr);
    EXPECT_EQ(IconOf(window_, ICON_SMALL), nullptr);
    win32::SetIconFromFile(window_, L"C:\\no\\such\\file.ico", false);
    EXPECT_EQ(IconOf(window_, ICON_BIG), nullptr);
}

// --- frmQuorvine ----------------------------------------------------------------

// The window as ShowMainWindow makes it, closed again at the end.
class MainWindowControls : public ::testing::Test {
protected:
    void SetUp() override {
        ShowMainWindow();
        window_ = FindWindowA("frmQuorvine", nullptr);
        ASSERT_TRUE(window_) << "the main window did not open: the rig runs these tests on a display";
    }
    void TearDown() override {
        if (!window_) return;
        PostMessageA(window_, WM_CLOSE, 0, 0);
        RunMessageLoop();
    }
    HWND Control(const char* text) const {
        for (HWND child = GetWindow(window_, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
            char buffer[512] = {};
            GetWindowTextA(child, buffer, sizeof(buffer));
            if (std::strcmp(buffer, text) == 0) return child;
        }
        ADD_FAILURE() << "no control " << text;
        return nullptr;
    }
    LOGFONTA FontOf(const char* text) const {
        LOGFONTA font{};
        HWND control = Control(text);
        if (control) {
            GetObjectA(reinterpret_cast<HFONT>(SendMessageA(control, WM_GETFONT, 0, 0)), sizeof(font), &font);
        }
        return font;
    }
    std::string ToolTipOf(const char* text) const {
        HWND control = Control(text);
        HWND tip = FindWindowExA(nullptr, nullptr, TOOLTIPS_CLASSA, nullptr);
        for (; tip; tip = FindWindowExA(nullptr, tip, TOOLTIPS_CLASSA, nullptr)) {
            if (GetWindow(tip, GW_OWNER) == window_) break;
        }
        if (!tip || !control) return "(no tip)";
        // Buttons are tools by their window; labels by their area of the main window.
        RECT area{};
        GetWindowRect(control, &area);
        POINT centre{(area.left + area.right) / 2, (area.top + area.bottom) / 2};
        ScreenToClient(window_, &centre);
        const int count = static_cast<int>(SendMessageA(tip, TTM_GETTOOLCOUNT, 0, 0));
        for (int i = 0; i < count; ++i) {
            char buffer[1024] = {};
            TOOLINFOA tool{};
            tool.cbSize = TTTOOLINFOA_V2_SIZE;
            tool.lpszText = buffer;
            SendMessageA(tip, TTM_ENUMTOOLSA, i, reinterpret_cast<LPARAM>(&tool));
            const bool byWindow = (tool.uFlags & TTF_IDISHWND) && reinterpret_cast<HWND>(tool.uId) == control;
            const bool byArea = !(tool.uFlags & TTF_IDISHWND) && PtInRect(&tool.rect, centre);
            if (!byWindow && !byArea) continue;
            // The ANSI messages hand out 80 characters at most; the wide one
            // the whole text.
            wchar_t text[INFOTIPSIZE] = {};
            TOOLINFOW wide{};
            wide.cbSize = TTTOOLINFOW_V2_SIZE;
            wide.hwnd = tool.hwnd;
            wide.uId = tool.uId;
            wide.lpszText = text;
            SendMessageW(tip, TTM_GETTEXTW, INFOTIPSIZE, reinterpret_cast<LPARAM>(&wide));
            return std::string(text, text + wcslen(text));
        }
        return "";
    }

    HWND window_ = nullptr;
};

TEST_F(MainWindowControls, UseTahomaAtTheDisplaysDpiBoldWhereTheLayoutSays) {
    const UINT dpi = GetDpiForWindow(window_);
    const LONG controlHeight = -static_cast<LONG>(9.75 * dpi / 72 + 0.5);
    struct Expected {
        const char* text;
        bool bold;
    };
    for (const Expected& expected :
         {Expected{"Choose your Boot Mode:", true}, Expected{"Restart Windows", true}, Expected{"Safe Mode", true},
          Expected{"Normal Mode", false}, Expected{"Safe Mode with Networking", false},
          Expected{"Configure Only (No Restart)", false}, Expected{"(Start Windows normally)", false}}) {
        SCOPED_TRACE(expected.text);
        LOGFONTA font = FontOf(expected.text);
        EXPECT_STREQ(font.lfFaceName, "Tahoma");
        EXPECT_EQ(font.lfHeight, controlHeight);
        EXPECT_EQ(font.lfWeight, expected.bold ? FW_BOLD : FW_NORMAL);
    }
    // A click moves the bold, as the user's click does.
    SendMessageA(Control("Safe Mode with Networking"), BM_CLICK, 0, 0);
    EXPECT_EQ(FontOf("Safe Mode with Networking").lfWeight, FW_BOLD);
    EXPECT_EQ(FontOf("Safe Mode").lfWeight, FW_NORMAL);
}

TEST_F(MainWindowControls, CarryTheirToolTips) {
    const std::string labelTip =
        "(Upon restart, Quorvine will remove the temporary configuration, restoring normal startup.)";
    EXPECT_EQ(ToolTipOf("Restart Windows"),
              "Restarts Windows into the selected 'mode' of your choice, forcing any open applicactions to close "
              "without waiting; anything not saved will be lost!");
    EXPECT_EQ(ToolTipOf("Configure Only (No Restart)"),
              "Configures Windows to start in the 'mode' of your choice, but allows you to restart later at your "
              "convenience.");
    for (const char* label : {"(Start Windows normally)", "(Loads basic drivers and services only)",
                              "(Adds networking support and internet capabilities)",
                              "(Does not load Windows Explorer, the graphical interface)"}) {
        EXPECT_EQ(ToolTipOf(label), labelTip) << label;
    }
    EXPECT_EQ(ToolTipOf("Choose your Boot Mode:"), "");
    EXPECT_EQ(ToolTipOf("Safe Mode"), "");
}

TEST_F(MainWindowControls, FollowTheTabOrder) {
    // The order of the z-order is the order Tab follows; labels take no focus.
    std::vector<std::string> order;
    for (HWND child = GetWindow(window_, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        char buffer[64] = {};
        GetWindowTextA(child, buffer, sizeof(buffer));
        order.push_back(std::string(buffer).substr(0, 20));
    }
    const std::vector<std::string> expected{"Normal Mode",          "Safe Mode",
                                            "Safe Mode with Netwo", "Safe Mode with Comma",
                                            "Configure Only (No R", "Restart Windows",
                                            "Choose your Boot Mod", "Quorvine temporarily",
                                            "(Loads basic drivers", "(Adds networking sup",
                                            "(Does not load Windo", "(Start Windows norma",
                                            "'Safe Mode' options "};
    EXPECT_EQ(order, expected);
    // The option group keeps one tab stop, on the selected button.
    EXPECT_TRUE(GetWindowLongA(Control("Safe Mode"), GWL_STYLE) & WS_TABSTOP);
    EXPECT_FALSE(GetWindowLongA(Control("Normal Mode"), GWL_STYLE) & WS_TABSTOP);
    EXPECT_TRUE(GetWindowLongA(Control("Normal Mode"), GWL_STYLE) & WS_GROUP);
}

}  // namespace
}  // namespace qv
