// Does, inside a test prefix, what the rig cannot do from the Linux side:
//   qv_probe reboot                 restarts the prefix as Quorvine does
//   qv_probe note PATH [ARGS...]    appends its command line to PATH (a RunOnce target)
//   qv_probe attrs PATH             prints GetFileAttributesW as 0x%x (0xffffffff when missing)
//   qv_probe setattrs PATH HEX      SetFileAttributesW
//   qv_probe lock PATH STOPFILE     holds PATH open without sharing until STOPFILE exists
//   qv_probe version                prints GetVersionEx, RtlGetVersion, the product type and the ANSI code page
//   qv_probe run PROGRAM [ARGS...]  runs PROGRAM and exits with its exit code
//   qv_probe unseen PROGRAM [ARGS...]
//                                   the same in a window station of its own, which nobody sees (as a
//                                   service's or a management agent's job), handing on standard output;
//                                   ends it after 40 s with 124

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <cwchar>
#include <string>

#include <windows.h>

namespace {

constexpr wchar_t kMarker[] = L"C:\\quorvine-test-prefix.marker";
constexpr int kNotKilledExit = 3;
constexpr DWORD kLockPollMs = 50;
constexpr DWORD kLockLimitMs = 600000;
constexpr DWORD kUnseenLimitMs = 40000;
constexpr int kTimedOutExit = 124;  // as timeout(1): a box there waits for ever
constexpr wchar_t kUnseenStation[] = L"qvunseen";

bool EnableShutdownPrivilege() {
    HANDLE token = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY, &token)) return false;
    TOKEN_PRIVILEGES privileges = {};
    privileges.PrivilegeCount = 1;
    privileges.Privileges[0].Attributes = SE_PRIVILEGE_ENABLED;
    bool ok = LookupPrivilegeValueW(nullptr, L"SeShutdownPrivilege", &privileges.Privileges[0].Luid) &&
              AdjustTokenPrivileges(token, FALSE, &privileges, 0, nullptr, nullptr);
    CloseHandle(token);
    return ok;
}

int Reboot() {
    if (!EnableShutdownPrivilege() || !ExitWindowsEx(EWX_REBOOT | EWX_FORCE, SHTDN_REASON_FLAG_PLANNED)) {
        std::fprintf(stderr, "ExitWindowsEx failed: %lu\n", GetLastError());
        return 1;
    }
    // The restart ends this process; getting past the wait means it did not.
    Sleep(30000);
    return kNotKilledExit;
}

int Note(const wchar_t* path) {
    HANDLE file = CreateFileW(path, FILE_APPEND_DATA, FILE_SHARE_READ, nullptr, OPEN_ALWAYS, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return 1;
    char line[4096];
    int size = WideCharToMultiByte(CP_UTF8, 0, GetCommandLineW(), -1, line, sizeof line - 2, nullptr, nullptr);
    if (size <= 0) return 1;
    std::strcpy(line + size - 1, "\r\n");
    DWORD written = 0;
    WriteFile(file, line, static_cast<DWORD>(size + 1), &written, nullptr);
    CloseHandle(file);
    return 0;
}

int Lock(const wchar_t* path, const wchar_t* stopPath) {
    HANDLE file = CreateFileW(path, GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        std::fprintf(stderr, "cannot open: %lu\n", GetLastError());
        return 1;
    }
    std::printf("locked\n");
    std::fflush(stdout);
    for (DWORD waited = 0; waited < kLockLimitMs && GetFileAttributesW(stopPath) == INVALID_FILE_ATTRIBUTES;
         waited += kLockPollMs)
        Sleep(kLockPollMs);
    CloseHandle(file);
    return 0;
}

int Version() {
    OSVERSIONINFOEXW reported = {};
    reported.dwOSVersionInfoSize = sizeof reported;
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
    GetVersionExW(reinterpret_cast<OSVERSIONINFOW*>(&reported));
#pragma GCC diagnostic pop
    // RtlGetVersion is not subject to the manifest's version lie.
    OSVERSIONINFOW actual = {};
    actual.dwOSVersionInfoSize = sizeof actual;
    using RtlGetVersionFn = LONG(WINAPI*)(OSVERSIONINFOW*);
    auto rtlGetVersion = reinterpret_cast<RtlGetVersionFn>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "RtlGetVersion")));
    if (rtlGetVersion) rtlGetVersion(&actual);
    std::printf("reported %lu.%lu.%lu\nactual %lu.%lu.%lu\nproduct type %u\nacp %u\n", reported.dwMajorVersion,
                reported.dwMinorVersion, reported.dwBuildNumber, actual.dwMajorVersion, actual.dwMinorVersion,
                actual.dwBuildNumber, reported.wProductType, GetACP());
    return 0;
}

std::wstring CommandFrom(int argc, wchar_t** argv) {
    std::wstring command;
    for (int i = 2; i < argc; ++i) {
        std::wstring argument = argv[i];
        bool quote = argument.empty() || argument.find_first_of(L" \t") != std::wstring::npos;
        command += (i > 2 ? L" " : L"") + (quote ? L"\"" + argument + L"\"" : argument);
    }
    return command;
}

int Run(int argc, wchar_t** argv) {
    std::wstring command = CommandFrom(argc, argv);
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    if (!CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process)) {
        std::fprintf(stderr, "CreateProcess failed: %lu\n", GetLastError());
        return 1;
    }
    WaitForSingleObject(process.hProcess, INFINITE);
    DWORD code = 1;
    GetExitCodeProcess(process.hProcess, &code);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return static_cast<int>(code);
}

// A desktop is made in the window station the calling process is in, so the
// probe steps into the new station for that and back out.
int Unseen(int argc, wchar_t** argv) {
    HWINSTA own = GetProcessWindowStation();
    HWINSTA station = CreateWindowStationW(kUnseenStation, 0, WINSTA_ALL_ACCESS, nullptr);
    if (!station) {
        std::fprintf(stderr, "CreateWindowStation failed: %lu\n", GetLastError());
        return 1;
    }
    USEROBJECTFLAGS flags = {};
    DWORD needed = 0;
    if (!GetUserObjectInformationW(station, UOI_FLAGS, &flags, sizeof flags, &needed) ||
        (flags.dwFlags & WSF_VISIBLE)) {
        std::fprintf(stderr, "the new window station is visible, or cannot say\n");
        return 1;
    }
    HDESK desktop = nullptr;
    if (SetProcessWindowStation(station)) {
        desktop = CreateDesktopW(L"Default", nullptr, nullptr, 0, GENERIC_ALL, nullptr);
        SetProcessWindowStation(own);
    }
    if (!desktop) {
        std::fprintf(stderr, "CreateDesktop failed: %lu\n", GetLastError());
        return 1;
    }
    std::wstring command = CommandFrom(argc, argv);
    std::wstring desktopName = std::wstring(kUnseenStation) + L"\\Default";
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    startup.lpDesktop = desktopName.data();
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    startup.hStdOutput = GetStdHandle(STD_OUTPUT_HANDLE);
    startup.hStdError = GetStdHandle(STD_ERROR_HANDLE);
    for (HANDLE handle : {startup.hStdInput, startup.hStdOutput, startup.hStdError})
        if (handle && handle != INVALID_HANDLE_VALUE)
            SetHandleInformation(handle, HANDLE_FLAG_INHERIT, HANDLE_FLAG_INHERIT);
    PROCESS_INFORMATION process = {};
    if (!CreateProcessW(nullptr, command.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup, &process)) {
        std::fprintf(stderr, "CreateProcess failed: %lu\n", GetLastError());
        return 1;
    }
    DWORD code = 1;
    if (WaitForSingleObject(process.hProcess, kUnseenLimitMs) == WAIT_TIMEOUT) {
        std::fprintf(stderr, "still running after %lu ms, ended\n", kUnseenLimitMs);
        TerminateProcess(process.hProcess, kTimedOutExit);
        WaitForSingleObject(process.hProcess, kUnseenLimitMs);
        code = kTimedOutExit;
    } else {
        GetExitCodeProcess(process.hProcess, &code);
    }
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    CloseDesktop(desktop);
    CloseWindowStation(station);
    return static_cast<int>(code);
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    // Some verbs change the prefix; they are only for the throw-away ones.
    if (GetFileAttributesW(kMarker) == INVALID_FILE_ATTRIBUTES) {
        std::fprintf(stderr, "not a test prefix: C:\\quorvine-test-prefix.marker is missing\n");
        return 2;
    }
    const wchar_t* verb = argc > 1 ? argv[1] : L"";
    if (argc == 2 && std::wcscmp(verb, L"reboot") == 0) return Reboot();
    if (argc >= 3 && std::wcscmp(verb, L"note") == 0) return Note(argv[2]);
    if (argc == 3 && std::wcscmp(verb, L"attrs") == 0) {
        std::printf("0x%lx\n", GetFileAttributesW(argv[2]));
        return 0;
    }
    if (argc == 4 && std::wcscmp(verb, L"setattrs") == 0)
        return SetFileAttributesW(argv[2], std::wcstoul(argv[3], nullptr, 16)) ? 0 : 1;
    if (argc == 4 && std::wcscmp(verb, L"lock") == 0) return Lock(argv[2], argv[3]);
    if (argc == 2 && std::wcscmp(verb, L"version") == 0) return Version();
    if (argc >= 3 && std::wcscmp(verb, L"run") == 0) return Run(argc, argv);
    if (argc >= 3 && std::wcscmp(verb, L"unseen") == 0) return Unseen(argc, argv);
    std::fprintf(stderr,
                 "usage: qv_probe reboot | note PATH [ARGS...] | attrs PATH | setattrs PATH HEX |"
                 " lock PATH STOPFILE | version | run PROGRAM [ARGS...] | unseen PROGRAM [ARGS...]\n");
    return 2;
}
