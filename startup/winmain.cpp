// The Windows entry point: install the real platform, run Main, then keep the
// main window's message loop alive while it is open.
#include <windows.h>

#include "startup/module1.h"
#include "system/ansi_win32.h"
#include "system/platform_win32.h"
#include "system/shutdown.h"
#include "system/win32.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    qv::win32::Win32Platform platform;
    qv::SetPlatform(&platform);
    try {
        qv::Main();
        return qv::win32::RunMessageLoop();
    } catch (const qv::ShutdownError& error) {
        // Only the restart paths raise; the program shows why and ends.
        MessageBoxA(nullptr, qv::win32::ToAnsi(qv::DescribeUnhandledError(error)).c_str(), "Quorvine",
                    MB_OK | MB_ICONERROR);
        return 1;
    }
}
