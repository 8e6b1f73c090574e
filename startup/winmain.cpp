// The Windows entry point: install the Win32 seams, run Main, then keep the
// main window's message loop alive while it is open.
#include <windows.h>

#include "startup/exit_codes.h"
#include "startup/switches.h"
#include "system/event_log_win32.h"
#include "system/handles_win32.h"
#include "system/seams_win32.h"
#include "system/registry_keys_win32.h"
#include "system/service_catalog_win32.h"
#include "system/shutdown.h"
#include "system/system_library_win32.h"
#include "ui/main_window.h"

#if defined(__i386__)
// The static thread library imports functions that Windows 2000 or XP lack
// (GetTickCount64; the vectored exception handlers before XP), so the exe
// would not even load there. These definitions of the import slots take their
// place: the real function where Windows has it, else a stand-in that is
// enough for the library's short waits and its optional thread naming.
namespace {
template <typename Function>
Function Kernel32(const char* name) {
    return qv::win32::SystemFunctionAs<Function>(L"kernel32.dll", name);
}
ULONGLONG WINAPI TickCount64() {
    static const auto real = Kernel32<ULONGLONG(WINAPI*)()>("GetTickCount64");
    return real ? real() : GetTickCount();
}
PVOID WINAPI AddVectoredHandler(ULONG first, PVECTORED_EXCEPTION_HANDLER handler) {
    static const auto real =
        Kernel32<PVOID(WINAPI*)(ULONG, PVECTORED_EXCEPTION_HANDLER)>("AddVectoredExceptionHandler");
    return real ? real(first, handler) : nullptr;
}
ULONG WINAPI RemoveVectoredHandler(PVOID handle) {
    static const auto real = Kernel32<ULONG(WINAPI*)(PVOID)>("RemoveVectoredExceptionHandler");
    return real && handle ? real(handle) : 0;
}
}  // namespace
extern "C" {
ULONGLONG(WINAPI* qvTickCount64)() __asm__("__imp__GetTickCount64@0") = TickCount64;
PVOID(WINAPI* qvAddVectored)
(ULONG, PVECTORED_EXCEPTION_HANDLER) __asm__("__imp__AddVectoredExceptionHandler@8") = AddVectoredHandler;
ULONG(WINAPI* qvRemoveVectored)(PVOID) __asm__("__imp__RemoveVectoredExceptionHandler@4") = RemoveVectoredHandler;
}
#endif

namespace {

// DLLs that system DLLs load later by name come from the system folder only,
// never from beside the exe (a Downloads folder anyone can drop files into)
// or the current folder. Windows without these calls keeps its own order.
void RestrictDllSearch() {
    using SetDefaultFn = BOOL(WINAPI*)(DWORD);
    using SetDirectoryFn = BOOL(WINAPI*)(LPCWSTR);
    const auto setDefault = qv::win32::SystemFunctionAs<SetDefaultFn>(L"kernel32.dll", "SetDefaultDllDirectories");
    if (setDefault) setDefault(LOAD_LIBRARY_SEARCH_SYSTEM32);
    const auto setDirectory = qv::win32::SystemFunctionAs<SetDirectoryFn>(L"kernel32.dll", "SetDllDirectoryW");
    if (setDirectory) setDirectory(L"");
}

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    RestrictDllSearch();
    qv::win32::Win32Seams seams;
    qv::InstallSeams(seams.All());
    qv::win32::Win32ServiceCatalog services;
    qv::SetServiceCatalog(&services);
    qv::win32::Win32RegistryKeys keys;
    qv::SetRegistryKeys(&keys);
    qv::win32::Win32EventLog eventLog;
    qv::SetEventLog(&eventLog);
    try {
        const int exitCode = qv::Main([] { qv::ShowMainWindow(); });
        // The window, when one opened, ends the program with 0.
        const int windowExitCode = qv::RunMessageLoop();
        return exitCode != qv::kExitDone ? exitCode : windowExitCode;
    } catch (const qv::ShutdownError& error) {
        // Only the restart paths raise; the program shows why and ends.
        seams.user.WriteOutputLine(L"error: " + qv::DescribeUnhandledError(error));
        seams.user.ShowMessage(qv::DescribeUnhandledError(error), L"", qv::kMbCritical);
        return qv::kExitFailed;
    }
}
