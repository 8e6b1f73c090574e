"""Quorvine runs elevated, usually from a Downloads folder that anyone can
drop files into: programs and DLLs planted beside it or in the current folder
must never run."""

import shutil

import rig

PROGRAMS = ("bcdedit.exe", "reg.exe", "cmd.exe")
# DLLs that Windows does not always take from the system folder: the ones the
# exe imported once, and some that system DLLs load by name.
DLLS = ("mpr.dll", "winmm.dll", "dwmapi.dll", "netapi32.dll")
LOG = r"C:\markers\planted.log"


def plant(prefix, folder):
    built = rig.build_dir(rig.test_arch())
    target = prefix.unix_path(folder)
    target.mkdir(parents=True, exist_ok=True)
    for name in PROGRAMS:
        shutil.copy2(built / "qv_marker.exe", target / name)
    for name in DLLS:
        shutil.copy2(built / "qv_marker_dll.dll", target / name)
    shutil.copy2(built / "qv_marker.exe", target / "loader.exe")


def planted_runs(prefix):
    try:
        return rig.read_file(prefix, LOG, "utf-8").splitlines()
    except FileNotFoundError:
        return []


def test_planted_programs_and_dlls_never_run(make_prefix):
    prefix = make_prefix("win10")
    for folder in (r"C:\Tools", r"C:\current"):
        plant(prefix, folder)
    # Windows' search order for DLLs that are no KnownDLLs: the program's folder first.
    plain_env = prefix.env
    overrides = ",".join(name[:-4] for name in DLLS) + "=n,b"
    prefix.env = lambda: {**plain_env(), "WINEDLLOVERRIDES": plain_env()["WINEDLLOVERRIDES"] + ";" + overrides}

    # The control: a program that finds them by name reaches them.
    prefix.run([r"C:\Tools\loader.exe", "load", "mpr.dll"])
    prefix.run([r"C:\Tools\loader.exe"])
    control = planted_runs(prefix)
    assert any(line.lower().startswith(r"c:\tools\mpr.dll") for line in control), control
    rig.write_file(prefix, LOG, "")

    run = rig.run_quorvine(prefix, ["/safe"], answers=["Yes"])
    assert run.restarted and run.bcd_store_at_restart == {"safeboot": "minimal"}
    assert run.bcd_store == {}, "the way back ran"
    in_current = rig.run_program(prefix, ["cmd", "/c", r"cd /d C:\current && C:\Tools\Quorvine.exe /safenet-noreboot"])
    assert in_current.exit_code == 0 and rig.bcd_store(prefix) == {"safeboot": "network"}
    assert planted_runs(prefix) == []


def test_companions_in_a_folder_users_can_change_never_run(make_prefix):
    """Wine reports every folder as the user's (it keeps no descriptors), so
    here a companion beside the program is always one users could have
    planted. (Wine never reports Safe Mode, so the sibling Tessel.exe is left
    to the host tests.)"""
    prefix = make_prefix("win10")
    built = rig.build_dir(rig.test_arch())
    rig.install_quorvine(prefix)
    shutil.copy2(built / "qv_marker.exe", prefix.unix_path(r"C:\Tools") / "ets.exe")
    run = rig.run_program(prefix, [r"C:\Tools\Quorvine.exe", "/safenet-noreboot"])
    assert run.exit_code == 0 and rig.bcd_store(prefix) == {"safeboot": "network"}
    assert (r"skipped: C:\Tools\ets.exe, because users other than administrators can change C:\Tools\ets.exe"
            in run.output.splitlines()), run.output
    assert planted_runs(prefix) == []
