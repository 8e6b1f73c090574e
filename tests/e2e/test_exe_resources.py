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


# Functions a static MinGW build may import that Windows 2000 or XP lack; the
# 32-bit exe must not import them, or it would not even load there.
NEWER_THAN_XP = {"GetTickCount64", "AddVectoredExceptionHandler", "RemoveVectoredExceptionHandler",
                 "Wow64DisableWow64FsRedirection", "Wow64RevertWow64FsRedirection", "InitializeConditionVariable",
                 "InitOnceExecuteOnce", "AcquireSRWLockExclusive", "GetDpiForWindow", "SetProcessDpiAwareness",
                 "SetThreadDpiAwarenessContext", "GetDpiForMonitor", "IsWow64Process"}


def test_the_32_bit_exe_imports_nothing_windows_xp_lacks():
    import shutil
    import subprocess

    path = os.path.join(ROOT, BUILDS["x86"])
    objdump = shutil.which("i686-w64-mingw32-objdump")
    assert os.path.exists(path), f"{BUILDS['x86']} is not built"
    assert objdump, "i686-w64-mingw32-objdump is missing (tools/setup-debian installs it)"
    dump = subprocess.run([objdump, "-p", path], capture_output=True, text=True, check=True).stdout
    imported = set(re.findall(r"^\s+[0-9a-f]+\s+\d+\s+(\w+)$", dump, re.M))
    assert "CreateProcessW" in imported
    # The ANSI forms would turn letters outside the code page of a path into "?".
    assert imported & {"CreateProcessA", "GetModuleFileNameA", "GetCommandLineA", "OpenFile", "MessageBoxA"} == set()
    assert imported & NEWER_THAN_XP == set()
    assert re.search(r"MajorSubsystemVersion\s+4\b", dump)
    # Only DLLs that Windows always takes from the system folder (comctl32 from
    # the side-by-side store, by the manifest): a planted copy of any other
    # beside the exe would load with administrator rights.
    dlls = {name.lower() for name in re.findall(r"DLL Name: (\S+)", dump)}
    assert dlls <= {"kernel32.dll", "user32.dll", "gdi32.dll", "advapi32.dll", "ole32.dll", "oleaut32.dll",
                    "shell32.dll", "msvcrt.dll", "comctl32.dll"}, dlls
