// Looks at a top-level window of another process in a test prefix, and
// presses keys and buttons in it, for the end-to-end tests.
//
//   uiprobe state CLASS                      the window as JSON ({"found": false} when none)
//   uiprobe wait CLASS shown|hidden|gone MS  waits for that state, then prints it; exit 1 on time-out
//   uiprobe key CLASS VK                     a key press (virtual-key code) to the focused control
//   uiprobe click CLASS CAPTION              BM_CLICK to the button with that caption ("&" ignored)
//   uiprobe whereami                         its own path as GetModuleFileName reports it
//
// Rectangles are in screen pixels: [left, top, right, bottom].

#include <cstdio>
#include <string>
#include <vector>

#include <windows.h>

#include "../common/tool_text.h"

namespace {

using tooltext::Caption;
using tooltext::Utf8;

constexpr DWORD kPollIntervalMs = 50;

std::string Json(const std::wstring& text) { return tooltext::JsonString(text); }

std::string Json(const RECT& rect) {
    return "[" + std::to_string(rect.left) + ", " + std::to_string(rect.top) + ", " + std::to_string(rect.right) +
           ", " + std::to_string(rect.bottom) + "]";
}

std::wstring TextOf(HWND window) {
    // WM_GETTEXT crosses processes; GetWindowText does not for other processes' controls.
    LRESULT length = SendMessageW(window, WM_GETTEXTLENGTH, 0, 0);
    std::wstring text(static_cast<size_t>(length) + 1, L'\0');
    LRESULT got = SendMessageW(window, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()));
    text.resize(static_cast<size_t>(got));
    return text;
}

std::wstring ClassOf(HWND window) {
    wchar_t name[64] = {};
    GetClassNameW(window, name, 64);
    return name;
}

struct Search {
    std::wstring className;
    HWND found = nullptr;
};

BOOL CALLBACK FindTopLevel(HWND window, LPARAM param) {
    auto& search = *reinterpret_cast<Search*>(param);
    if (_wcsicmp(ClassOf(window).c_str(), search.className.c_str()) != 0) return TRUE;
    search.found = window;
    return FALSE;
}

HWND Find(const std::wstring& className) {
    Search search{className};
    EnumWindows(FindTopLevel, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

BOOL CALLBACK CollectChild(HWND child, LPARAM param) {
    reinterpret_cast<std::vector<HWND>*>(param)->push_back(child);
    return TRUE;
}

std::vector<HWND> Children(HWND window) {
    std::vector<HWND> children;
    EnumChildWindows(window, CollectChild, reinterpret_cast<LPARAM>(&children));
    return children;
}

HWND FocusOf(HWND window) {
    GUITHREADINFO info{};
    info.cbSize = sizeof(info);
    GetGUIThreadInfo(GetWindowThreadProcessId(window, nullptr), &info);
    return info.hwndFocus;
}

std::string State(HWND window) {
    if (!window) return "{\"found\": false}";
    RECT frame{};
    GetWindowRect(window, &frame);
    RECT client{};
    GetClientRect(window, &client);
    MapWindowPoints(window, nullptr, reinterpret_cast<POINT*>(&client), 2);
    HWND focus = FocusOf(window);
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    std::string out = "{\"found\": true, \"visible\": " + std::string(IsWindowVisible(window) ? "true" : "false") +
                      ", \"caption\": " + Json(TextOf(window)) + ", \"window\": " + Json(frame) +
                      ", \"client\": " + Json(client) + ", \"pid\": " + std::to_string(pid) +
                      ", \"style\": " + std::to_string(GetWindowLongW(window, GWL_STYLE)) + ", \"controls\": [";
    bool first = true;
    for (HWND child : Children(window)) {
        RECT rect{};
        GetWindowRect(child, &rect);
        const std::wstring cls = ClassOf(child);
        const LONG style = GetWindowLongW(child, GWL_STYLE);
        std::string checked = "null";
        if (_wcsicmp(cls.c_str(), L"Button") == 0) {
            LONG kind = style & BS_TYPEMASK;
            if (kind == BS_AUTORADIOBUTTON || kind == BS_RADIOBUTTON)
                checked = SendMessageW(child, BM_GETCHECK, 0, 0) == BST_CHECKED ? "true" : "false";
        }
        out += std::string(first ? "" : ", ") + "{\"class\": " + Json(cls) +
               ", \"id\": " + std::to_string(GetDlgCtrlID(child)) + ", \"text\": " + Json(TextOf(child)) +
               ", \"enabled\": " + (IsWindowEnabled(child) ? "true" : "false") +
               ", \"visible\": " + (IsWindowVisible(child) ? "true" : "false") + ", \"checked\": " + checked +
               ", \"focused\": " + (child == focus ? "true" : "false") + ", \"style\": " + std::to_string(style) +
               ", \"rect\": " + Json(rect) + "}";
        first = false;
    }
    return out + "]}";
}

int Print(const std::string& text) {
    std::printf("%s\n", text.c_str());
    std::fflush(stdout);
    return 0;
}

int Wait(const std::wstring& className, const std::wstring& wanted, DWORD limitMs) {
    ULONGLONG deadline = GetTickCount64() + limitMs;
    for (;;) {
        HWND window = Find(className);
        bool reached = wanted == L"gone"     ? window == nullptr
                       : wanted == L"hidden" ? window && !IsWindowVisible(window)
                                             : window && IsWindowVisible(window);
        if (reached) {
            Print(State(window));
            return 0;
        }
        if (GetTickCount64() > deadline) {
            Print(State(window));
            return 1;
        }
        Sleep(kPollIntervalMs);
    }
}

int Key(const std::wstring& className, UINT key) {
    HWND window = Find(className);
    if (!window) return 1;
    HWND focus = FocusOf(window);
    HWND target = focus ? focus : window;
    // Posted as the keyboard would queue them, so they pass the program's
    // own message loop (and its IsDialogMessage).
    UINT scan = MapVirtualKeyW(key, MAPVK_VK_TO_VSC);
    PostMessageW(target, WM_KEYDOWN, key, 1 | (scan << 16));
    PostMessageW(target, WM_KEYUP, key, 1 | (scan << 16) | 0xC0000000u);
    return 0;
}

int Click(const std::wstring& className, const std::wstring& caption) {
    HWND window = Find(className);
    if (!window) return 1;
    for (HWND child : Children(window)) {
        if (Caption(TextOf(child)) == caption) {
            PostMessageW(child, BM_CLICK, 0, 0);
            return 0;
        }
    }
    return 1;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    const std::wstring command = argc > 1 ? argv[1] : L"";
    if (command == L"state" && argc == 3) return Print(State(Find(argv[2])));
    if (command == L"wait" && argc == 5) return Wait(argv[2], argv[3], static_cast<DWORD>(_wtoi(argv[4])));
    if (command == L"key" && argc == 4) return Key(argv[2], static_cast<UINT>(_wtoi(argv[3])));
    if (command == L"click" && argc == 4) return Click(argv[2], argv[3]);
    if (command == L"whereami") {
        wchar_t path[MAX_PATH] = {};
        GetModuleFileNameW(nullptr, path, MAX_PATH);
        return Print(Utf8(path));
    }
    std::fprintf(stderr, "usage: uiprobe state|wait|key|click CLASS ...\n");
    return 2;
}
