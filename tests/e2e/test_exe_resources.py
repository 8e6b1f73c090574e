"""What Quorvine.exe carries, read from the file itself: the 32-bit product,
and the 64-bit build where that is what this run tests, must carry the same."""

import os
import re
import sys

import pytest

ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
sys.path.insert(0, os.path.join(ROOT, "tools", "rig"))
import peres  # noqa: E402

import rig  # noqa: E402

# The 64-bit exe only where this run built and tests it: an older one may lie in build/.
BUILDS = {arch: f"build/windows-{arch}/Quorvine.exe" for arch in {"x86", rig.test_arch(announce=False)}}
SUPPORTED_OS = {
    "e2011457-1546-43c5-a5fe-008deee3d3f0": "Vista",
    "35138b9a-5d96-4fbd-8e2d-a2440225f93a": "7",
    "4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38": "8",
    "1f676c76-80e1-4239-95bb-83d0f6d0da78": "8.1",
    "8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a": "10",
}
DOCUMENTS = {"SB_XP": ("sb_xp.reg", 26688), "SB_V": ("sb_v.reg", 35238),
             "SB_7": ("sb_7.reg", 36904), "SB_8": ("sb_8.reg", 41200)}


@pytest.fixture(params=sorted(BUILDS), scope="module")
def exe(request):
    path = os.path.join(ROOT, BUILDS[request.param])
    # tools/test-all builds both; a missing one is a broken build, not a pass.
    assert os.path.exists(path), f"{BUILDS[request.param]} is not built"
    resources = peres.Resources(path)
    assert resources.is_64bit == (request.param == "x64")
    return resources


def test_the_manifest_asks_for_administrator_rights_and_names_every_supported_windows(exe):
    manifest = exe.manifest()
    assert re.search(r'requestedExecutionLevel\s+level="requireAdministrator"\s+uiAccess="false"', manifest)
    assert re.search(r'name="Microsoft.Windows.Common-Controls"\s+version="6.0.0.0"', manifest)
    declared = set(re.findall(r'supportedOS Id="\{([0-9a-f-]+)\}"', manifest))
    assert {SUPPORTED_OS[g] for g in declared} == set(SUPPORTED_OS.values())


def test_the_version_record_is_the_projects_version(exe):
    with open(os.path.join(ROOT, "CMakeLists.txt"), encoding="utf-8") as f:
        version = re.search(r"project\(Quorvine VERSION ([\d.]+)", f.read()).group(1)
    numbers = tuple(int(n) for n in version.split("."))
    assert exe.version_numbers() == (numbers, numbers)
    # The strings Explorer shows under Details, too.
    strings = exe.get(peres.RT_VERSION, 1)[0].decode("utf-16-le")
    for name in ("FileVersion", "ProductVersion"):
        assert re.search(name + r"\0+" + re.escape(version) + r"\0", strings), name


@pytest.mark.parametrize("name", sorted(DOCUMENTS))
def test_each_safeboot_document_is_carried_byte_for_byte(exe, name):
    filename, size = DOCUMENTS[name]
    data, language = exe.custom(name)
    with open(os.path.join(ROOT, "safeboot", "documents", filename), "rb") as f:
        stored = f.read()
    assert len(data) == size
    assert data == stored
    assert language == 1033


def test_the_icon_group_a1_comes_first_with_its_seven_images(exe):
    assert exe.icon_group_names()[:2] == ["A1", 1]
    images = [(w, h, bits) for w, h, bits, _ in exe.icon_group("A1")]
    assert sorted(images) == sorted([(16, 16, 8), (16, 16, 32), (32, 32, 8), (32, 32, 32),
                                     (48, 48, 8), (48, 48, 32), (256, 256, 32)])
    big = [image for w, _, _, image in exe.icon_group("A1") if w == 256][0]
    assert big.startswith(b"\x89PNG\r\n\x1a\n")
    low = sorted((w, h, bits) for w, h, bits, _ in exe.icon_group(1))
    assert low == [(16, 16, 4), (32, 32, 1), (32, 32, 4)]


# Every function the 32-bit exe may import, per DLL: each one is in that DLL
# on Windows 2000, whose loader refuses an exe naming one it lacks. A newer
# function is looked up at run time instead (SystemFunctionAs); one added here
# must be checked against Windows 2000 first.
WINDOWS_2000 = {
    "advapi32.dll": """AdjustTokenPrivileges CloseServiceHandle ConvertSidToStringSidW DeregisterEventSource GetAce
        GetNamedSecurityInfoW GetSecurityDescriptorDacl GetSecurityDescriptorOwner GetServiceDisplayNameW
        GetServiceKeyNameW GetTokenInformation LookupPrivilegeValueW OpenProcessToken OpenSCManagerW RegCloseKey
        RegCreateKeyExW RegDeleteKeyW RegDeleteValueW RegOpenKeyExW RegQueryValueExW RegSetValueExW
        RegisterEventSourceW ReportEventW SetFileSecurityW""",
    "comctl32.dll": "InitCommonControls",
    "gdi32.dll": "CreateFontIndirectW DeleteObject GetDeviceCaps",
    "kernel32.dll": """CloseHandle CopyFileW CreateDirectoryW CreateEventA CreateFileW CreateMutexW CreatePipe
        CreateProcessW CreateSemaphoreA DeleteCriticalSection DeleteFileW DuplicateHandle EnterCriticalSection
        FindClose FindFirstFileW FindResourceW FlushFileBuffers FormatMessageW FreeLibrary GetCommandLineW
        GetConsoleMode GetDriveTypeW GetOEMCP GetCurrentProcess GetCurrentProcessId GetCurrentThread GetCurrentThreadId
        GetEnvironmentVariableW GetExitCodeProcess GetFileAttributesW GetFileInformationByHandle GetFileType
        GetHandleInformation GetLastError GetModuleFileNameW GetModuleHandleA GetModuleHandleW
        GetPrivateProfileIntW GetPrivateProfileStringW GetProcAddress GetProcessAffinityMask GetShortPathNameW
        GetStartupInfoA GetStdHandle GetSystemDirectoryW GetSystemTimeAsFileTime GetSystemWindowsDirectoryW
        GetThreadContext GetThreadPriority GetTickCount GetVersionExW InitializeCriticalSection IsDBCSLeadByteEx
        IsDebuggerPresent LeaveCriticalSection LoadLibraryA LoadLibraryExW LoadLibraryW LoadResource LocalFree
        LockResource MoveFileExW MulDiv MultiByteToWideChar OpenProcess OutputDebugStringA PeekNamedPipe RaiseException
        ReadFile ReleaseMutex ReleaseSemaphore RemoveDirectoryW ResetEvent ResumeThread SetEvent
        SetFileAttributesW SetHandleInformation SetLastError SetProcessAffinityMask SetThreadContext
        SetThreadPriority SetUnhandledExceptionFilter SizeofResource Sleep SuspendThread TerminateProcess
        TlsAlloc TlsGetValue TlsSetValue TryEnterCriticalSection VirtualProtect VirtualQuery
        WaitForMultipleObjects WaitForSingleObject WideCharToMultiByte WriteConsoleW WriteFile
        WritePrivateProfileStringW""",
    "msvcrt.dll": """__getmainargs __initenv __mb_cur_max __p__acmdln __p__commode __p__fmode __set_app_type
        __setusermatherr _amsg_exit _beginthreadex _cexit _close _endthreadex _errno _initterm _iob _onexit _read
        _setjmp3 _strdup _ultoa abort atoi calloc exit fprintf fputc fputs fputwc free fwprintf fwrite localeconv
        longjmp malloc memchr memcmp memcpy memmove memset printf realloc setlocale signal strchr strcmp strerror
        strlen strncmp vfprintf wcscpy wcslen iswspace iswxdigit""",
    "ole32.dll": "CoCreateInstance CoInitializeEx CoInitializeSecurity CoSetProxyBlanket CoUninitialize",
    "oleaut32.dll": "SysAllocString SysFreeString VariantChangeType VariantClear VariantInit",
    "user32.dll": """AdjustWindowRectEx CreateWindowExW DefWindowProcW DestroyWindow DispatchMessageW EnableWindow
        ExitWindowsEx GetActiveWindow GetDC GetFocus GetMessageW GetMonitorInfoW GetProcessWindowStation
        GetSystemMetrics GetUserObjectInformationW GetWindow GetWindowLongW GetWindowRect IsChild IsDialogMessageW LoadCursorW LoadImageW MapWindowPoints MessageBoxW
        MonitorFromWindow MsgWaitForMultipleObjects PeekMessageW PostQuitMessage RegisterClassExW ReleaseDC SendMessageW
        SetFocus SetForegroundWindow SetWindowLongW SetWindowPos SetWindowTextW ShowWindow TranslateMessage
        UpdateWindow""",
}


def imports_by_dll(dump):
    imported, dll = {}, None
    for line in dump.splitlines():
        named = re.match(r"\s+DLL Name: (\S+)", line)
        if named:
            dll = named.group(1).lower()
            imported.setdefault(dll, set())
            continue
        function = re.match(r"^\s+[0-9a-f]+\s+\d+\s+(\w+)$", line)
        if function and dll:
            imported[dll].add(function.group(1))
    return imported


def test_the_32_bit_exe_imports_nothing_windows_2000_lacks():
    import shutil
    import subprocess

    path = os.path.join(ROOT, BUILDS["x86"])
    objdump = shutil.which("i686-w64-mingw32-objdump")
    assert os.path.exists(path), f"{BUILDS['x86']} is not built"
    assert objdump, "i686-w64-mingw32-objdump is missing (tools/setup-debian installs it)"
    dump = subprocess.run([objdump, "-p", path], capture_output=True, text=True, check=True).stdout
    by_dll = imports_by_dll(dump)
    imported = set().union(*by_dll.values())
    assert "CreateProcessW" in imported
    # The ANSI forms would turn letters outside the code page of a path into "?".
    assert imported & {"CreateProcessA", "GetModuleFileNameA", "GetCommandLineA", "OpenFile", "MessageBoxA"} == set()
    newer = {dll: sorted(names - set(WINDOWS_2000.get(dll, "").split())) for dll, names in by_dll.items()}
    assert {dll: names for dll, names in newer.items() if names} == {}
    assert re.search(r"MajorSubsystemVersion\s+4\b", dump)
    # Only DLLs that Windows always takes from the system folder (comctl32 from
    # the side-by-side store, by the manifest): a planted copy of any other
    # beside the exe would load with administrator rights.
    assert set(by_dll) <= {"kernel32.dll", "user32.dll", "gdi32.dll", "advapi32.dll", "ole32.dll", "oleaut32.dll",
                           "shell32.dll", "msvcrt.dll", "comctl32.dll"}, set(by_dll)
