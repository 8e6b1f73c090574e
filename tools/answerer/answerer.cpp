// Answers the dialogs of any process in a test prefix, as a person at the
// screen would, and writes down what each one said.
//
//   answerer LOG SCRIPT STOPFILE TIMEOUT_SECONDS [DEFAULT [PROBE]]
//
// Each new dialog (a visible top-level window of class "#32770") becomes one
// line of JSON in LOG: {"title", "texts", "buttons", "answer", "clicked", "pid",
// "ms", "unread"}, ms counting from the answerer's start, unread the number of
// texts and captions it could not read (never written down as empty).
// It is answered with the next line of SCRIPT (a button caption such as Yes,
// No, Cancel or OK; "none" to leave it open; "close" to close it as with the
// title bar), and once SCRIPT is used up with DEFAULT (OK when not given;
// "first" clicks the first button). It stops when STOPFILE exists or after
// TIMEOUT_SECONDS. LOG exists (perhaps empty) once it watches.
//
// With PROBE, it also sets the RunOnce value "~probe" to that command for the
// time it watches: a restart runs it first, before the program's own values,
// and ends the answerer; without a restart the value is removed again. Doing
// this here saves the rig two reg.exe runs per test.

#include <cstdio>
#include <cstdlib>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include <windows.h>

#include "../common/tool_text.h"

namespace {

using tooltext::Caption;
using tooltext::Utf8;
using tooltext::Wide;

constexpr DWORD kPollIntervalMs = 50;
constexpr UINT kTextTimeoutMs = 2000;
// A loaded machine can keep a program from answering for seconds; the dialog
// waits for its answer meanwhile.
constexpr ULONGLONG kTextLimitMs = 30000;
constexpr wchar_t kDialogClass[] = L"#32770";
constexpr wchar_t kRunOnceKey[] = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\RunOnce";
constexpr wchar_t kProbeValue[] = L"~probe";

struct Dialog {
    std::wstring title;
    std::vector<std::wstring> texts;
    std::vector<std::wstring> buttons;
    std::vector<HWND> buttonWindows;
    DWORD pid = 0;
    int unread = 0;
};

std::string Json(const std::wstring& text) { return tooltext::JsonString(text); }

std::string Json(const std::vector<std::wstring>& list) {
    std::string out = "[";
    for (size_t i = 0; i < list.size(); ++i) out += (i ? ", " : "") + Json(list[i]);
    return out + "]";
}

std::optional<std::wstring> TryTextOf(HWND window) {
    // WM_GETTEXT crosses processes; the time limit keeps a hung program from
    // stopping the answerer too.
    DWORD_PTR length = 0;
    if (!SendMessageTimeoutW(window, WM_GETTEXTLENGTH, 0, 0, SMTO_NORMAL, kTextTimeoutMs, &length)) return std::nullopt;
    std::wstring text(length + 1, L'\0');
    DWORD_PTR got = 0;
    if (!SendMessageTimeoutW(window, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()), SMTO_NORMAL,
                             kTextTimeoutMs, &got))
        return std::nullopt;
    text.resize(got);
    return text;
}

// A text that could not be read is asked for again while the window lasts,
// and is never taken as empty: nullopt when it stayed unread.
std::optional<std::wstring> TextOf(HWND window) {
    const ULONGLONG deadline = GetTickCount64() + kTextLimitMs;
    do {
        if (auto text = TryTextOf(window)) return text;
    } while (IsWindow(window) && GetTickCount64() < deadline);
    return std::nullopt;
}

std::wstring TextOf(HWND window, Dialog& dialog) {
    std::optional<std::wstring> text = TextOf(window);
    if (!text) ++dialog.unread;
    return text.value_or(L"");
}

std::wstring ClassOf(HWND window) {
    wchar_t name[64] = {};
    GetClassNameW(window, name, 64);
    return name;
}

BOOL CALLBACK CollectChild(HWND child, LPARAM param) {
    auto& dialog = *reinterpret_cast<Dialog*>(param);
    if (!IsWindowVisible(child)) return TRUE;
    std::wstring cls = ClassOf(child);
    LONG style = GetWindowLongW(child, GWL_STYLE);
    if (_wcsicmp(cls.c_str(), L"Button") == 0) {
        LONG kind = style & BS_TYPEMASK;
        if (kind == BS_PUSHBUTTON || kind == BS_DEFPUSHBUTTON) {
            dialog.buttons.push_back(Caption(TextOf(child, dialog)));
            dialog.buttonWindows.push_back(child);
        }
    } else if (_wcsicmp(cls.c_str(), L"Static") == 0) {
        // The icon beside a message box text is a static too, without text.
        std::wstring text = TextOf(child, dialog);
        if ((style & SS_TYPEMASK) != SS_ICON && !text.empty()) dialog.texts.push_back(text);
    }
    return TRUE;
}

BOOL CALLBACK CollectDialog(HWND window, LPARAM param) {
    auto& found = *reinterpret_cast<std::vector<HWND>*>(param);
    if (IsWindowVisible(window) && ClassOf(window) == kDialogClass) found.push_back(window);
    return TRUE;
}

std::vector<std::wstring> ReadScript(const wchar_t* path) {
    std::vector<std::wstring> answers;
    std::string content;
    if (!tooltext::ReadAll(path, content)) return answers;
    for (std::string line : tooltext::NonEmptyLines(content)) {
        while (!line.empty() && line.back() == ' ') line.pop_back();
        if (!line.empty()) answers.push_back(Wide(line));
    }
    return answers;
}

void AppendLine(const wchar_t* path, const std::string& line) {
    // Opened per line, so what was written survives the answerer being ended.
    HANDLE file =
        CreateFileW(path, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_ALWAYS, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return;
    std::string data = line.empty() ? line : line + "\n";
    DWORD written = 0;
    WriteFile(file, data.data(), static_cast<DWORD>(data.size()), &written, nullptr);
    CloseHandle(file);
}

bool SetProbe(const std::wstring& command) {
    HKEY key = nullptr;
    if (RegCreateKeyExW(HKEY_LOCAL_MACHINE, kRunOnceKey, 0, nullptr, 0, KEY_SET_VALUE | KEY_WOW64_64KEY, nullptr, &key,
                        nullptr) != ERROR_SUCCESS)
        return false;
    LONG status = RegSetValueExW(key, kProbeValue, 0, REG_SZ, reinterpret_cast<const BYTE*>(command.c_str()),
                                 static_cast<DWORD>((command.size() + 1) * sizeof(wchar_t)));
    RegCloseKey(key);
    return status == ERROR_SUCCESS;
}

void RemoveProbe() {
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, kRunOnceKey, 0, KEY_SET_VALUE | KEY_WOW64_64KEY, &key) != ERROR_SUCCESS)
        return;
    RegDeleteValueW(key, kProbeValue);
    RegCloseKey(key);
}

// Returns the caption clicked, or an empty string when nothing was clicked.
// What an answer does to a dialog: the button (or "close") and the message
// that does it; nothing for "none" or a button the dialog lacks.
struct Click {
    std::wstring name;
    HWND target = nullptr;
    UINT message = 0;
};

Click Choose(HWND window, const Dialog& dialog, const std::wstring& answer) {
    if (_wcsicmp(answer.c_str(), L"none") == 0) return {};
    if (_wcsicmp(answer.c_str(), L"close") == 0) return {L"close", window, WM_CLOSE};
    for (size_t i = 0; i < dialog.buttons.size(); ++i) {
        bool wanted = _wcsicmp(answer.c_str(), L"first") == 0
                          ? i == 0
                          : _wcsicmp(dialog.buttons[i].c_str(), Caption(answer).c_str()) == 0;
        if (wanted) return {dialog.buttons[i], dialog.buttonWindows[i], BM_CLICK};
    }
    return {};
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc < 5) {
        std::fprintf(stderr, "usage: answerer LOG SCRIPT STOPFILE TIMEOUT_SECONDS [DEFAULT [PROBE]]\n");
        return 2;
    }
    const wchar_t* logPath = argv[1];
    std::vector<std::wstring> script = ReadScript(argv[2]);
    const wchar_t* stopPath = argv[3];
    ULONGLONG started = GetTickCount64();
    ULONGLONG deadline = started + static_cast<ULONGLONG>(_wtoi(argv[4])) * 1000;
    std::wstring fallback = argc > 5 ? argv[5] : L"OK";
    const wchar_t* probe = argc > 6 ? argv[6] : nullptr;
    size_t nextAnswer = 0;
    if (probe && !SetProbe(probe)) {
        std::fprintf(stderr, "answerer: cannot set the RunOnce probe\n");
        return 1;
    }
    AppendLine(logPath, std::string());  // creates it: the rig waits for that

    // A dialog is read on the second poll that sees it, so that a dialog
    // which fills in its text after showing is read complete.
    std::set<HWND> seen;
    std::set<HWND> handled;
    while (GetTickCount64() < deadline && GetFileAttributesW(stopPath) == INVALID_FILE_ATTRIBUTES) {
        std::vector<HWND> found;
        EnumWindows(CollectDialog, reinterpret_cast<LPARAM>(&found));
        std::set<HWND> present(found.begin(), found.end());
        // Handles of closed dialogs are forgotten, so a reused handle counts as new.
        std::erase_if(seen, [&](HWND w) { return !present.count(w); });
        std::erase_if(handled, [&](HWND w) { return !present.count(w); });

        for (HWND window : found) {
            if (handled.count(window)) continue;
            if (!seen.count(window)) {
                seen.insert(window);
                continue;
            }
            Dialog dialog;
            dialog.title = TextOf(window, dialog);
            GetWindowThreadProcessId(window, &dialog.pid);
            EnumChildWindows(window, CollectChild, reinterpret_cast<LPARAM>(&dialog));
            std::wstring answer = nextAnswer < script.size() ? script[nextAnswer++] : fallback;
            const Click click = Choose(window, dialog, answer);
            handled.insert(window);
            // Written down before the click: a click that restarts Windows
            // ends this program at once.
            AppendLine(logPath, "{\"title\": " + Json(dialog.title) + ", \"texts\": " + Json(dialog.texts) +
                                    ", \"buttons\": " + Json(dialog.buttons) + ", \"answer\": " + Json(answer) +
                                    ", \"clicked\": " + (click.name.empty() ? std::string("null") : Json(click.name)) +
                                    ", \"pid\": " + std::to_string(dialog.pid) +
                                    ", \"ms\": " + std::to_string(GetTickCount64() - started) +
                                    ", \"unread\": " + std::to_string(dialog.unread) + "}");
            // Posted, not sent: a click that opens the next dialog must not
            // hold this loop up, or that dialog would go unanswered.
            if (click.target) PostMessageW(click.target, click.message, 0, 0);
        }
        Sleep(kPollIntervalMs);
    }
    if (probe) RemoveProbe();
    return 0;
}
