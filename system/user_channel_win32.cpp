// The user's channel: message boxes (the one place a box is shown, or not)
// and output lines to the standard output the program was started with.
#include <string>

#include <windows.h>

#include "system/seams_win32.h"
#include "system/system_library_win32.h"
#include "system/window_station.h"

namespace qv::win32 {

int Win32UserChannel::ShowMessage(const std::wstring& text, const std::wstring& title, unsigned style) {
    // Nobody could answer: no box, and the answer of a box that could not be
    // shown (0), which no caller takes for Yes.
    if (!WindowStationVisible()) return 0;
    return MessageBoxW(GetActiveWindow(), text.c_str(), title.empty() ? L"Quorvine" : title.c_str(), style);
}

namespace {

// Where output lines go: what the program was started with (a pipe or a
// file), else the console it was started from. A GUI program opens no console
// of its own, so none ever appears.
struct Output {
    HANDLE handle = nullptr;
    bool console = false;
};

Output& StandardOutput() {
    static Output output;
    static bool looked = false;
    if (looked) return output;
    looked = true;
    HANDLE handle = GetStdHandle(STD_OUTPUT_HANDLE);
    if (!handle || handle == INVALID_HANDLE_VALUE || GetFileType(handle) == FILE_TYPE_UNKNOWN) {
        // Windows 2000 lacks AttachConsole: there a program started from a
        // console without a redirection writes nothing.
        using AttachConsoleFn = BOOL(WINAPI*)(DWORD);
        static const auto attach = SystemFunctionAs<AttachConsoleFn>(L"kernel32.dll", "AttachConsole");
        if (!attach || !attach(ATTACH_PARENT_PROCESS)) return output;
        handle = CreateFileW(L"CONOUT$", GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0,
                             nullptr);
        if (handle == INVALID_HANDLE_VALUE) return output;
    }
    DWORD mode = 0;
    output.handle = handle;
    output.console = GetConsoleMode(handle, &mode) != FALSE;
    return output;
}

}  // namespace

void Win32UserChannel::WriteOutputLine(const std::wstring& line) {
    const Output& output = StandardOutput();
    if (!output.handle) return;
    const std::wstring text = line + L"\r\n";
    DWORD written = 0;
    if (output.console) {
        WriteConsoleW(output.handle, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
        return;
    }
    // Into a pipe or a file: UTF-8, so a path in any script arrives whole.
    const int size =
        WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
    std::string bytes(static_cast<size_t>(size > 0 ? size : 0), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), bytes.data(), size, nullptr, nullptr);
    WriteFile(output.handle, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
}

}  // namespace qv::win32
