"""Unattended and scripted use: exit codes, lines on standard output, "/status",
no box that nobody could click; and boot.ini kept whole whatever happens."""

import re
import shutil

import pytest

import rig

REG = r"C:\windows\system32\reg.exe"
ENTRY = "*Tamberlow Quorvine Mod"


def status(prefix):
    run = rig.run_quorvine(prefix, ["/status"])
    assert run.dialogs == []
    return run.exit_code, rig.output_lines(run)[-1]


@pytest.fixture
def win10(make_prefix):
    return make_prefix("win10")


def test_safenet_noreboot_shows_no_box_and_tells_through_lines_and_exit_codes(win10):
    reg = win10.unix_path(REG)
    shutil.move(reg, reg.with_name("reg-away.exe"))
    try:
        run = rig.run_quorvine(win10, ["/safenet-noreboot"])
    finally:
        shutil.move(reg.with_name("reg-away.exe"), reg)
    assert run.dialogs == [] and run.exit_code == 2
    assert any(line.startswith("warning: The SafeBoot registry key could not be repaired") for line in rig.output_lines(run))
    assert rig.output_lines(run)[-1] == "safe mode with networking set for the next start; way back: none"
    assert "Element not found" not in run.output, "the commands' own words stay out of the program's output"
    assert run.bcd_store == {"safeboot": "network"}

    rig.write_file(win10, rig.STUB + r"\fail.txt", "/set 5\r\n")
    failed = rig.run_quorvine(win10, ["/safenet-noreboot"])
    assert failed.dialogs == [] and failed.exit_code == 1, rig.output_lines(failed)
    # The line ends with the command's cause, so an agent's captured output says why.
    [line] = [line for line in rig.output_lines(failed) if '"bcdedit.exe /set safeboot network" failed' in line]
    assert line.startswith("error: ") and line.endswith(" (It ended with exit code 5.)"), line
    assert rig.bcd_store(win10) == {}


def test_status_tells_each_next_start_and_its_way_back_and_changes_nothing(win10):
    assert status(win10) == (0, "next start: Normal; way back: none")
    rig.run_quorvine(win10, ["/safenet-noreboot"])
    assert status(win10) == (11, "next start: Safe Mode with Networking; way back: none")
    rig.run_quorvine(win10, ["/safecmd"], answers=["Yes"], follow_restart=False)
    win10.wait_idle(timeout=30)
    # The restart already ran the run-once values; the command prompt's way back stays.
    code, line = status(win10)
    assert (code, line) == (12, "next start: Safe Mode with Command Prompt; way back: autorun")
    calls = rig.bcd_store(win10)
    rig.run_quorvine(win10, ["/status"])
    assert rig.bcd_store(win10) == calls
    (win10.drive_c / "windows" / "system32" / "bcdedit.exe").unlink()
    assert status(win10)[0] == 255


def test_exit_codes_of_a_setting_that_stays_a_no_and_an_unknown_switch(win10):
    rig.write_file(win10, rig.STUB + r"\store.txt", "safeboot minimal\r\n")
    rig.write_file(win10, rig.STUB + r"\fail.txt", "/deletevalue 5\r\n")
    stayed = rig.run_quorvine(win10, ["/normal"])
    assert stayed.exit_code == 3 and "Normal Mode could not be restored" in stayed.dialogs[0]["texts"][0]

    rig.write_file(win10, rig.STUB + r"\fail.txt", "")
    declined = rig.run_quorvine(win10, ["/safe"], answers=["No"])
    assert declined.exit_code == 4

    before = rig.reg_values(win10, rig.RUNONCE)
    unknown = rig.run_quorvine(win10, ["/safe", "now"])
    assert (unknown.exit_code, unknown.dialogs, rig.output_lines(unknown)) == (87, [], [])
    assert rig.reg_values(win10, rig.RUNONCE) == before


UNATTENDED = "(switches that need nobody: /safenet-once, /safenet-noreboot, /normal-noreboot)"


def test_where_nobody_sees_a_box_safe_changes_nothing_and_normal_asks_nothing(win10):
    runonce = rig.reg_values(win10, rig.RUNONCE)
    for args in (["/safe"], []):
        run = rig.run_unseen(win10, args)
        lines = rig.output_lines(run)
        assert (run.exit_code, run.dialogs) == (8, []), lines
        what = "/safe" if args else "the window"
        assert lines == [f"refused: {what} needs a person at the screen, and no box can be seen here; "
                         f"nothing changed {UNATTENDED}"]
        assert not run.restarted and run.bcd_log == [] and run.bcd_store == {}
        assert rig.reg_values(win10, rig.RUNONCE) == runonce

    rig.write_file(win10, rig.STUB + r"\store.txt", "safeboot minimal\r\n")
    normal = rig.run_unseen(win10, ["/normal"])
    assert (normal.exit_code, normal.dialogs, normal.restarted) == (0, [], False), rig.output_lines(normal)
    assert rig.output_lines(normal)[-1] == "normal mode set for the next start"
    assert normal.bcd_store == {}


def test_normal_noreboot_restores_quietly_and_status_names_windows_and_this_start(win10):
    rig.run_quorvine(win10, ["/safenet-noreboot"])
    run = rig.run_quorvine(win10, ["/normal-noreboot"], answers=["Yes"])
    assert (run.exit_code, run.dialogs, run.restarted) == (0, [], False), rig.output_lines(run)
    assert rig.output_lines(run) == ["normal mode set for the next start"]
    assert run.bcd_store == {}

    lines = rig.output_lines(rig.run_quorvine(win10, ["/status"]))
    assert len(lines) == 4, lines
    assert re.fullmatch(r"windows: Windows 10 .*\(Version 10\.0, Build \d+\)", lines[0]), lines[0]
    assert lines[1:] == ["this start: Normal", "bitlocker: unknown", "next start: Normal; way back: none"]


BOOT_INI = (b"[boot loader]\r\ntimeout=30\r\ndefault=multi(0)disk(0)rdisk(0)partition(1)\\WINDOWS\r\n"
            b"[operating systems]\r\nmulti(0)disk(0)rdisk(0)partition(1)\\WINDOWS=")


@pytest.mark.parametrize("case", ["long entry", "utf-16", "default not listed", "write fails"])
def test_boot_ini_is_whole_after_every_edit_or_untouched(make_prefix, case):
    xp = make_prefix("winxp")
    entry = b'"Microsoft Windows XP Professional" /fastdetect /noexecute=optin' + b" /x" * 100
    content = BOOT_INI + entry + b"\r\n"
    if case == "default not listed":
        content = content.replace(b"=\"Microsoft", b"X=\"Microsoft")
    if case == "utf-16":
        content = b"\xff\xfe" + content.decode("ascii").encode("utf-16-le")
    rig.write_file(xp, r"C:\boot.ini", content)
    if case == "write fails":
        # Where the new content would be written stands a folder.
        xp.unix_path("C:\\").joinpath("boot.ini.quorvine").mkdir()
    run = rig.run_quorvine(xp, ["/safenet-noreboot"])
    after = rig.read_file(xp, r"C:\boot.ini")
    if case in ("default not listed", "write fails"):
        assert run.exit_code == 1 and after == content, rig.output_lines(run)
        assert any("Error writing INI value:  C:\\boot.ini" in line for line in rig.output_lines(run))
        return
    assert run.exit_code == 0, rig.output_lines(run)
    text = after[2:].decode("utf-16-le") if case == "utf-16" else after.decode("ascii")
    assert after.startswith(b"\xff\xfe") == (case == "utf-16")
    assert "/safeboot:network" in text and text.endswith(entry.decode() + "\r\n"), text[-200:]
    # Normal Mode puts the file back byte for byte.
    assert rig.run_quorvine(xp, ["/normal"], answers=["No", "OK"]).exit_code == 0
    assert rig.read_file(xp, r"C:\boot.ini") == content
