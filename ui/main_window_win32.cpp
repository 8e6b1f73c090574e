// frmQuorvine as a plain Win32 window: option buttons, labels, two command
// buttons, tool tips, laid out from twips at the display's real DPI.
#include "ui/main_window_win32.h"

#include <array>
#include <cstring>
#include <cwchar>
#include <exception>
#include <memory>
#include <string>

#include <windows.h>
#include <commctrl.h>

#include "system/handles_win32.h"
#include "system/system_library_win32.h"
#include "ui/icon_win32.h"
#include "ui/main_window.h"

namespace qv::win32 {

HMODULE ShellLibraryHandle = nullptr;

void PrepareCommonControls() {
    ShellLibraryHandle = LoadLibraryW(L"shell32.dll");
    InitCommonControls();
}

namespace {

constexpr wchar_t kWindowClass[] = L"frmQuorvine";
constexpr DWORD kWindowStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;
constexpr DWORD kWindowExStyle = 0;

constexpr int kTwipsPerInch = 1440;
constexpr int kPointsPerInch = 72;
constexpr UINT kDefaultDpi = 96;
constexpr int kClientWidthTwips = 9495;
constexpr int kClientHeightTwips = 4065;
constexpr double kWindowFontPoints = 8.25;
constexpr double kControlFontPoints = 9.75;
constexpr int kToolTipWidth = 360;  // pixels at 96 DPI; longer tips wrap

// Control ids stay clear of IDOK and IDCANCEL, which IsDialogMessage sends
// for Enter and Escape.
constexpr int kOptionId = 100;   // + index
constexpr int kCommandId = 200;  // + index
constexpr int kLabelId = 300;    // + label number

constexpr wchar_t kLabelTip[] =
    L"(Upon restart, Quorvine will remove the temporary configuration, restoring normal startup.)";

enum class Kind { Option, Command, Label };

struct LayoutRow {
    Kind kind;
    int index;                     // optSafeMode / cmdDo index, or the label's number
    int left, top, width, height;  // twips
    const wchar_t* text;
    bool bold;
    const wchar_t* toolTip;
};

// In tab order: the order of creation is the order Tab follows.
constexpr std::array<LayoutRow, 13> kControls{{
    {Kind::Option, 3, 360, 840, 2055, 375, L"Normal Mode", false, nullptr},
    {Kind::Option, 0, 360, 1560, 1815, 375, L"Safe Mode", false, nullptr},
    {Kind::Option, 1, 360, 2280, 3615, 375, L"Safe Mode with Networking", false, nullptr},
    {Kind::Option, 2, 360, 3000, 4695, 375, L"Safe Mode with Command Prompt Only", false, nullptr},
    {Kind::Command, 1, 6240, 2280, 3015, 735, L"Configure Only (No Restart)", false,
     L"Configures Windows to start in the 'mode' of your choice, but allows you to restart later at your "
     L"convenience."},
    {Kind::Command, 0, 6240, 3120, 3015, 735, L"Restart Windows", true,
     L"Restarts Windows into the selected 'mode' of your choice, forcing any open applicactions to close "
     L"without waiting; anything not saved will be lost!"},
    {Kind::Label, 2, 240, 360, 2775, 375, L"Choose your Boot Mode:", true, nullptr},
    {Kind::Label, 1, 4440, 1320, 4935, 840,
     L"Quorvine temporarily modifies the Windows 'boot' configuration to automatically restart Windows into "
     L"the 'Safe Mode' of your choice.",
     false, kLabelTip},
    {Kind::Label, 3, 600, 1920, 3975, 240, L"(Loads basic drivers and services only)", false, kLabelTip},
    {Kind::Label, 4, 600, 2640, 5175, 240, L"(Adds networking support and internet capabilities)", false, kLabelTip},
    {Kind::Label, 5, 600, 3360, 5535, 240, L"(Does not load Windows Explorer, the graphical interface)", false,
     kLabelTip},
    {Kind::Label, 6, 600, 1200, 3015, 240, L"(Start Windows normally)", false, kLabelTip},
    {Kind::Label, 7, 3120, 240, 6375, 1080,
     L"'Safe Mode' options start Windows with minimal functionality and no additional software starting "
     L"automatically, which can be useful in troubleshooting, repair, and malware removal scenarios (but is NOT "
     L"designed or recommended for general usage!).",
     false, kLabelTip},
}};

// The label under each option button: Label3..Label5 for the Safe Modes,
// Label6 for Normal Mode.
int LabelOfOption(int16_t index) { return index + 3; }

// The per-monitor DPI functions exist from Windows 10 on; older systems get
// the system DPI and the plain calls.
template <typename Function>
Function User32Function(const char* name) {
    return SystemFunctionAs<Function>(L"user32.dll", name);
}

UINT DpiOf(HWND window) {
    using GetDpiForWindowFn = UINT(WINAPI*)(HWND);
    static const auto getDpiForWindow = User32Function<GetDpiForWindowFn>("GetDpiForWindow");
    if (getDpiForWindow) {
        if (UINT dpi = getDpiForWindow(window)) return dpi;
    }
    HDC screen = GetDC(nullptr);
    int dpi = screen ? GetDeviceCaps(screen, LOGPIXELSY) : 0;
    if (screen) ReleaseDC(nullptr, screen);
    return dpi > 0 ? static_cast<UINT>(dpi) : kDefaultDpi;
}

RECT WindowRectForClient(int width, int height, UINT dpi) {
    using AdjustForDpiFn = BOOL(WINAPI*)(LPRECT, DWORD, BOOL, DWORD, UINT);
    static const auto adjustForDpi = User32Function<AdjustForDpiFn>("AdjustWindowRectExForDpi");
    RECT rect{0, 0, width, height};
    if (!adjustForDpi || !adjustForDpi(&rect, kWindowStyle, FALSE, kWindowExStyle, dpi)) {
        AdjustWindowRectEx(&rect, kWindowStyle, FALSE, kWindowExStyle);
    }
    return rect;
}

UniqueHfont TahomaFont(double points, bool bold, UINT dpi) {
    LOGFONTW font{};
    font.lfHeight = -static_cast<LONG>(points * dpi / kPointsPerInch + 0.5);
    font.lfWeight = bold ? FW_BOLD : FW_NORMAL;
    font.lfCharSet = DEFAULT_CHARSET;
    font.lfQuality = DEFAULT_QUALITY;
    std::wcscpy(font.lfFaceName, L"Tahoma");
    return UniqueHfont(CreateFontIndirectW(&font));
}

LRESULT CALLBACK WindowProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

class MainWindow final : public MainWindowView {
public:
    bool Create() {
        WNDCLASSEXW windowClass{};
        windowClass.cbSize = sizeof(windowClass);
        windowClass.lpfnWndProc = WindowProcedure;
        windowClass.hInstance = GetModuleHandleW(nullptr);
        windowClass.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
        windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
        windowClass.lpszClassName = kWindowClass;
        RegisterClassExW(&windowClass);

        // Created hidden: Form_Load runs before the window is seen.
        window_ = CreateWindowExW(kWindowExStyle, kWindowClass, L"Quorvine", kWindowStyle, CW_USEDEFAULT, CW_USEDEFAULT,
                                  CW_USEDEFAULT, CW_USEDEFAULT, nullptr, nullptr, GetModuleHandleW(nullptr), this);
        if (!window_) return false;
        CreateControls();
        Layout(DpiOf(window_));
        return true;
    }

    HWND Handle() const { return window_; }

    void CentreOnScreen() {
        RECT frame{};
        GetWindowRect(window_, &frame);
        MONITORINFO monitor{};
        monitor.cbSize = sizeof(monitor);
        GetMonitorInfoW(MonitorFromWindow(window_, MONITOR_DEFAULTTOPRIMARY), &monitor);
        const RECT& area = monitor.rcWork;
        const int width = frame.right - frame.left;
        const int height = frame.bottom - frame.top;
        SetWindowPos(window_, nullptr, area.left + (area.right - area.left - width) / 2,
                     area.top + (area.bottom - area.top - height) / 2, 0, 0,
                     SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    }

    LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam) {
        switch (message) {
            case WM_ACTIVATE:
                // As in a dialog: the focus leaves with the activation and comes
                // back to the same control, first to the selected option.
                if (LOWORD(wParam) == WA_INACTIVE) {
                    HWND focus = GetFocus();
                    if (focus && IsChild(window_, focus)) savedFocus_ = focus;
                } else if (!HIWORD(wParam)) {
                    SetFocus(savedFocus_ ? savedFocus_ : SelectedOption());
                }
                return 0;
            case WM_COMMAND:
                OnCommand(LOWORD(wParam), HIWORD(wParam));
                return 0;
            case WM_DPICHANGED: {
                // The system suggests where the window goes; the size is ours.
                const RECT* suggested = reinterpret_cast<const RECT*>(lParam);
                Layout(LOWORD(wParam));
                SetWindowPos(window_, nullptr, suggested->left, suggested->top, 0, 0,
                             SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
                return 0;
            }
            case WM_CLOSE:
                Close();
                return 0;
            case WM_DESTROY:
                PostQuitMessage(0);
                return 0;
            default:
                return DefWindowProcW(window_, message, wParam, lParam);
        }
    }

    void Attach(HWND window) { window_ = window; }

    // MainWindowView
    ProgramVersion Version() override {
        // App.Major, App.Minor and App.Revision: the first, second and fourth
        // field of the file version in the version record.
        constexpr WORD kVersionRecordId = 1;
        constexpr DWORD kFixedInfoSignature = 0xFEEF04BD;
        ProgramVersion version;
        HRSRC found = FindResourceW(nullptr, MAKEINTRESOURCEW(kVersionRecordId), reinterpret_cast<LPCWSTR>(RT_VERSION));
        HGLOBAL loaded = found ? LoadResource(nullptr, found) : nullptr;
        const auto* bytes = static_cast<const unsigned char*>(loaded ? LockResource(loaded) : nullptr);
        const DWORD size = found ? SizeofResource(nullptr, found) : 0;
        for (DWORD at = 0; bytes && at + sizeof(VS_FIXEDFILEINFO) <= size; at += 4) {
            VS_FIXEDFILEINFO info;
            std::memcpy(&info, bytes + at, sizeof(info));
            if (info.dwSignature != kFixedInfoSignature) continue;
            version.major = HIWORD(info.dwFileVersionMS);
            version.minor = LOWORD(info.dwFileVersionMS);
            version.revision = LOWORD(info.dwFileVersionLS);
            break;
        }
        return version;
    }
    void SetCaption(const std::wstring& caption) override { SetWindowTextW(window_, caption.c_str()); }
    void SetIconFromFile(const std::wstring& path, bool applyToOwner) override {
        win32::SetIconFromFile(window_, path, applyToOwner);
    }
    void SetIconFromResource(const std::wstring& resourceName, bool applyToOwner) override {
        win32::SetIconFromResource(window_, resourceName, applyToOwner);
    }
    void SelectOption(int16_t index) override {
        // BM_SETCHECK also moves the group's tab stop to the checked button.
        for (int16_t option = 0; option < kOptionCount; ++option) {
            SendMessageW(options_[option], BM_SETCHECK, option == index ? BST_CHECKED : BST_UNCHECKED, 0);
        }
    }
    bool IsOptionSelected(int16_t index) override {
        return SendMessageW(options_[index], BM_GETCHECK, 0, 0) == BST_CHECKED;
    }
    void SetOptionBold(int16_t index, bool bold) override {
        optionBold_[index] = bold;
        SendMessageW(options_[index], WM_SETFONT, reinterpret_cast<WPARAM>(ControlFont(bold)), TRUE);
    }
    void EnableOption(int16_t index, bool enabled) override { EnableWindow(options_[index], enabled); }
    void EnableOptionLabel(int16_t index, bool enabled) override {
        EnableWindow(labels_[LabelOfOption(index)], enabled);
    }
    void Hide() override { ShowWindow(window_, SW_HIDE); }
    void Show() override {
        ShowWindow(window_, SW_SHOW);
        SetForegroundWindow(window_);
    }
    void Close() override {
        if (window_) DestroyWindow(window_);
    }

    void Destroyed() { window_ = nullptr; }

    // An error from an event procedure must not unwind through the system's
    // dispatch code: it is kept, the window closes, and the message loop
    // raises it again at the top of the program.
    std::exception_ptr pendingError;

private:
    void CreateControls() {
        const HINSTANCE instance = GetModuleHandleW(nullptr);
        bool firstLabel = true;
        for (const LayoutRow& row : kControls) {
            const wchar_t* windowClass = L"BUTTON";
            // Some labels overlap their neighbours a little; each paints only
            // where no earlier control lies.
            DWORD style = WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS;
            int id = 0;
            switch (row.kind) {
                case Kind::Option:
                    // One group, opened by its first button; BM_SETCHECK keeps
                    // the tab stop on the checked one.
                    style |= BS_AUTORADIOBUTTON | WS_TABSTOP | (row.index == OptionOf(Mode::Normal) ? WS_GROUP : 0);
                    id = kOptionId + row.index;
                    break;
                case Kind::Command:
                    style |= BS_PUSHBUTTON | BS_NOTIFY | WS_TABSTOP | (row.index == kCmdConfigureOnly ? WS_GROUP : 0);
                    id = kCommandId + row.index;
                    break;
                case Kind::Label:
                    windowClass = L"STATIC";
                    style |= SS_LEFT | SS_NOPREFIX | (firstLabel ? WS_GROUP : 0);
                    firstLabel = false;
                    id = kLabelId + row.index;
                    break;
            }
            HWND control = CreateWindowExW(0, windowClass, row.text, style, 0, 0, 0, 0, window_,
                                           reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), instance, nullptr);
            switch (row.kind) {
                case Kind::Option:
                    options_[row.index] = control;
                    break;
                case Kind::Command:
                    commands_[row.index] = control;
                    break;
                case Kind::Label:
                    labels_[row.index] = control;
                    break;
            }
        }
        CreateToolTips();
    }

    void CreateToolTips() {
        toolTip_ = CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_ALWAYSTIP | TTS_NOPREFIX,
                                   CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, window_, nullptr,
                                   GetModuleHandleW(nullptr), nullptr);
        if (!toolTip_) return;
        for (const LayoutRow& row : kControls) {
            if (!row.toolTip) continue;
            TOOLINFOW tool = ToolFor(row);
            tool.lpszText = const_cast<wchar_t*>(row.toolTip);
            SendMessageW(toolTip_, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
        }
    }

    // Buttons are tools by their window. Labels are tools by their area of
    // the main window: a disabled label gets no mouse messages, its parent
    // does, so the tip still shows over the grey text.
    TOOLINFOW ToolFor(const LayoutRow& row) const {
        TOOLINFOW tool{};
        tool.cbSize = TTTOOLINFOW_V2_SIZE;  // understood by every comctl32 version
        tool.uFlags = TTF_SUBCLASS;
        if (row.kind == Kind::Label) {
            tool.hwnd = window_;
            tool.uId = static_cast<UINT_PTR>(kLabelId + row.index);
            GetWindowRect(labels_[row.index], &tool.rect);
            MapWindowPoints(nullptr, window_, reinterpret_cast<POINT*>(&tool.rect), 2);
        } else {
            tool.uFlags |= TTF_IDISHWND;
            tool.hwnd = window_;
            tool.uId = reinterpret_cast<UINT_PTR>(commands_[row.index]);
        }
        return tool;
    }

    HWND ControlOf(const LayoutRow& row) const {
        switch (row.kind) {
            case Kind::Option:
                return options_[row.index];
            case Kind::Command:
                return commands_[row.index];
            case Kind::Label:
                return labels_[row.index];
        }
        return nullptr;
    }

    HWND SelectedOption() {
        for (int16_t option = 0; option < kOptionCount; ++option) {
            if (IsOptionSelected(option)) return options_[option];
        }
        return options_[OptionOf(Mode::Normal)];
    }

    HFONT ControlFont(bool bold) const { return bold ? controlBoldFont_.get() : controlFont_.get(); }

    // Everything in pixels at this DPI; edges are converted rather than sizes,
    // so neighbouring controls keep their gaps after rounding.
    void Layout(UINT dpi) {
        auto pixels = [dpi](int twips) { return MulDiv(twips, static_cast<int>(dpi), kTwipsPerInch); };
        UniqueHfont windowFont = TahomaFont(kWindowFontPoints, false, dpi);
        UniqueHfont controlFont = TahomaFont(kControlFontPoints, false, dpi);
        UniqueHfont controlBoldFont = TahomaFont(kControlFontPoints, true, dpi);

        for (const LayoutRow& row : kControls) {
            HWND control = ControlOf(row);
            const int left = pixels(row.left);
            const int top = pixels(row.top);
            SetWindowPos(control, nullptr, left, top, pixels(row.left + row.width) - left,
                         pixels(row.top + row.height) - top, SWP_NOZORDER | SWP_NOACTIVATE);
            bool bold = row.bold || (row.kind == Kind::Option && optionBold_[row.index]);
            HFONT font = bold ? controlBoldFont.get() : controlFont.get();
            SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
        }
        if (toolTip_) {
            SendMessageW(toolTip_, WM_SETFONT, reinterpret_cast<WPARAM>(windowFont.get()), TRUE);
            SendMessageW(toolTip_, TTM_SETMAXTIPWIDTH, 0, MulDiv(kToolTipWidth, static_cast<int>(dpi), kDefaultDpi));
            for (const LayoutRow& row : kControls) {
                if (row.kind != Kind::Label || !row.toolTip) continue;
                TOOLINFOW tool = ToolFor(row);
                SendMessageW(toolTip_, TTM_NEWTOOLRECTW, 0, reinterpret_cast<LPARAM>(&tool));
            }
        }
        // The old fonts go only after every control has the new ones.
        windowFont_ = std::move(windowFont);
        controlFont_ = std::move(controlFont);
        controlBoldFont_ = std::move(controlBoldFont);

        const RECT frame = WindowRectForClient(pixels(kClientWidthTwips), pixels(kClientHeightTwips), dpi);
        SetWindowPos(window_, nullptr, 0, 0, frame.right - frame.left, frame.bottom - frame.top,
                     SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    }

    void OnCommand(int id, int code) {
        if (id >= kOptionId && id < kOptionId + kOptionCount) {
            if (code == BN_CLICKED) optSafeMode_Click(*this, static_cast<int16_t>(id - kOptionId));
        } else if (id == kCommandId + kCmdRestart || id == kCommandId + kCmdConfigureOnly) {
            HWND button = commands_[id - kCommandId];
            // The focused command button looks like the one Enter presses.
            // BS_NOTIFY is passed along: some systems take the whole low word.
            if (code == BN_SETFOCUS) SendMessageW(button, BM_SETSTYLE, BS_DEFPUSHBUTTON | BS_NOTIFY, TRUE);
            if (code == BN_KILLFOCUS) SendMessageW(button, BM_SETSTYLE, BS_PUSHBUTTON | BS_NOTIFY, TRUE);
            if (code == BN_CLICKED) PressCommand(static_cast<int16_t>(id - kCommandId));
        } else if (id == IDOK) {
            // Enter anywhere else does nothing: a restart is never a default.
            HWND focus = GetFocus();
            for (int16_t index : {kCmdRestart, kCmdConfigureOnly}) {
                if (focus == commands_[index]) PressCommand(index);
            }
        } else if (id == IDCANCEL) {
            Close();  // Escape: no change to the system
        }
    }

    void PressCommand(int16_t index) {
        try {
            cmdDo_Click(*this, index);
        } catch (...) {
            pendingError = std::current_exception();
            Close();
        }
    }

    HWND window_ = nullptr;
    HWND toolTip_ = nullptr;
    std::array<HWND, kOptionCount> options_{};
    std::array<HWND, 2> commands_{};
    std::array<HWND, 8> labels_{};  // by label number; 0 unused
    std::array<bool, kOptionCount> optionBold_{};
    UniqueHfont windowFont_;
    UniqueHfont controlFont_;
    UniqueHfont controlBoldFont_;
    HWND savedFocus_ = nullptr;
};

std::unique_ptr<MainWindow> mainWindow;

LRESULT CALLBACK WindowProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) {
        auto* owner = static_cast<MainWindow*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
        SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(owner));
        owner->Attach(window);
    }
    auto* owner = reinterpret_cast<MainWindow*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (!owner) return DefWindowProcW(window, message, wParam, lParam);
    if (message == WM_NCDESTROY) {
        SetWindowLongPtrW(window, GWLP_USERDATA, 0);
        owner->Destroyed();
        return DefWindowProcW(window, message, wParam, lParam);
    }
    return owner->OnMessage(message, wParam, lParam);
}

}  // namespace

}  // namespace qv::win32

namespace qv {

using win32::MainWindow;
using win32::mainWindow;
using win32::PrepareCommonControls;
using win32::ShellLibraryHandle;

void ShowMainWindow() {
    PrepareCommonControls();
    if (!mainWindow) {
        auto created = std::make_unique<MainWindow>();
        if (!created->Create()) return;
        mainWindow = std::move(created);
        Form_Load(*mainWindow);
        mainWindow->CentreOnScreen();
    }
    ShowWindow(mainWindow->Handle(), SW_SHOW);
    UpdateWindow(mainWindow->Handle());
    SetForegroundWindow(mainWindow->Handle());
    if (ShellLibraryHandle) {
        FreeLibrary(ShellLibraryHandle);
        ShellLibraryHandle = nullptr;
    }
}

int RunMessageLoop() {
    if (!mainWindow) return 0;
    MSG message{};
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        HWND window = mainWindow->Handle();
        // Tab, the arrow keys in the option group, Enter and Escape.
        if (window && IsDialogMessageW(window, &message)) continue;
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    std::exception_ptr error = mainWindow->pendingError;
    mainWindow.reset();
    if (error) std::rethrow_exception(error);
    return 0;
}

}  // namespace qv
