// The Windows entry point: install the real platform, run Main, then keep the
// main window's message loop alive while it is open.
#include <windows.h>

#include "startup/module1.h"
#include "system/ansi_win32.h"
#include "system/handles_win32.h"
#include "system/platform_win32.h"
#include "system/shutdown.h"
#include "system/win32.h"

namespace {

constexpr char kInstanceName[] = "Local\\Tamberlow.Quorvine";
constexpr DWORD kWaitForOtherMs = 60000;

// Two quick starts would run their commands over each other (one temporary
// document, one boot configuration), so the second waits for the first.
bool TakeTurn(HANDLE instance) {
    DWORD waited = WaitForSingleObject(instance, kWaitForOtherMs);
    return waited == WAIT_OBJECT_0 || waited == WAIT_ABANDONED;
}

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    qv::win32::Win32Platform platform;
    qv::SetPlatform(&platform);
    qv::win32::UniqueHandle instance(CreateMutexA(nullptr, FALSE, kInstanceName));
    if (instance && !TakeTurn(instance.get())) {
        MessageBoxA(nullptr, "Quorvine is already running. Please finish it first, then start it again.",
                    "Quorvine", MB_OK | MB_ICONINFORMATION);
        return 1;
    }
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
