// A planted program or DLL for the tests of what Quorvine must never run: a
// copy named bcdedit.exe, reg.exe or cmd.exe (or mpr.dll, winmm.dll...) placed
// beside Quorvine.exe or in the current folder. Whenever it runs, or is
// loaded, it appends its own path and the command line to
// C:\markers\planted.log, so a test sees that it was reached.
// "qv_marker load NAME" also loads the DLL NAME as any program would, the
// control that a planted DLL is reached where the search allows it.

#include <string>

#include <windows.h>

namespace {

void Mark(HMODULE self) {
    wchar_t path[MAX_PATH] = {};
    GetModuleFileNameW(self, path, MAX_PATH);
    CreateDirectoryW(L"C:\\markers", nullptr);
    HANDLE log = CreateFileW(L"C:\\markers\\planted.log", FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                             OPEN_ALWAYS, 0, nullptr);
    if (log == INVALID_HANDLE_VALUE) return;
    const std::wstring line = std::wstring(path) + L" | " + GetCommandLineW() + L"\r\n";
    const int size =
        WideCharToMultiByte(CP_UTF8, 0, line.c_str(), static_cast<int>(line.size()), nullptr, 0, nullptr, nullptr);
    std::string bytes(static_cast<size_t>(size), '\0');
    WideCharToMultiByte(CP_UTF8, 0, line.c_str(), static_cast<int>(line.size()), bytes.data(), size, nullptr, nullptr);
    DWORD written = 0;
    WriteFile(log, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    CloseHandle(log);
}

}  // namespace

#ifdef QV_MARKER_DLL
BOOL WINAPI DllMain(HINSTANCE self, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_ATTACH) Mark(self);
    return TRUE;
}
#else
int wmain(int argc, wchar_t** argv) {
    Mark(nullptr);
    if (argc == 3 && std::wstring(argv[1]) == L"load") return LoadLibraryW(argv[2]) ? 0 : 1;
    return 0;
}
#endif
