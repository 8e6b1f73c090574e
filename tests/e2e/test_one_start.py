"""Safe Mode with Networking for one start: the boot manager's one-time
sequence starts a recorded copy of the running entry once, and every later
start is normal with nobody logging on in between."""

import pytest

import rig

PROGRAM_KEY = r"HKLM\Software\Tamberlow\Quorvine"
DESCRIPTION = '"Quorvine - Safe Mode with Networking for one start"'


def status(prefix):
    run = rig.run_quorvine(prefix, ["/status"])
    return run.exit_code, rig.output_lines(run)[-1]


def once(prefix, expected_exit=0):
    """/safenet-once: no box, no restart; the recorded copy (or None)."""
    run = rig.run_quorvine(prefix, ["/safenet-once"])
    assert (run.exit_code, run.dialogs, run.restarted) == (expected_exit, [], False), rig.output_lines(run)
    return run, rig.reg_get(prefix, PROGRAM_KEY, "OneStartEntry")


@pytest.fixture
def win10(make_prefix):
    return make_prefix("win10")


def test_one_start_in_safe_mode_with_networking_then_normal_and_each_copy_goes(win10):
    assert status(win10) == (0, "next start: Normal; way back: none")
    run, copy = once(win10)
    assert rig.output_lines(run)[-1] == "safe mode with networking set for the next start only; way back: none"
    assert run.bcd_log[1:] == ["/deletevalue safeboot", "/deletevalue safebootalternateshell", r"/export C:\BCDbak",
                               "/enum {current} /v", f"/copy {{current}} /d {DESCRIPTION}",
                               f"/set {copy} safeboot network", f"/displayorder {copy} /remove",
                               f"/bootsequence {copy}"]
    entries = rig.bcd_entries(win10)
    assert entries["{current}"] == {}, "the running entry stays untouched"
    assert entries[copy] == {"description": DESCRIPTION.strip('"'), "safeboot": "network"}
    assert entries["{bootmgr}"]["displayorder"] == "{current}" and entries["{bootmgr}"]["bootsequence"] == copy
    assert status(win10) == (11, "next start: Safe Mode with Networking, next start only; way back: none")

    # Two restarts, nobody logs on, nothing of Quorvine runs.
    calls = len(rig.read_file(win10, rig.STUB + r"\calls.log", "utf-8").splitlines())
    first, second = rig.restart(win10), rig.restart(win10)
    assert (first.started_entry, first.started_elements["safeboot"]) == (copy, "network")
    assert (second.started_entry, second.started_elements) == ("{current}", {})
    assert first.runonce_at_restart == second.runonce_at_restart == {}
    assert len(second.bcd_log) == calls, "nothing ran bcdedit in between"
    assert status(win10) == (0, "next start: Normal; way back: none")

    # The leftover copy goes with the next one start, and that one's with /normal.
    _, again = once(win10)
    assert copy not in rig.bcd_entries(win10) and again in rig.bcd_entries(win10) and again != copy
    assert rig.restart(win10).started_entry == again
    calls = len(rig.read_file(win10, rig.STUB + r"\calls.log", "utf-8").splitlines())
    normal = rig.run_quorvine(win10, ["/normal"], answers=["No", "OK"])
    assert normal.exit_code == 0, rig.output_lines(normal)
    assert normal.bcd_log[calls:calls + 3] == ["/enum {current} /v", f"/delete {again}", "/deletevalue safeboot"]
    assert rig.bcd_entries(win10) == {"{current}": {}}
    assert rig.reg_get(win10, PROGRAM_KEY, "OneStartEntry") is None


def test_a_refused_step_takes_the_copy_back_and_another_sequence_is_left_alone(win10):
    rig.set_bcd_language(win10, "de")
    rig.write_file(win10, rig.STUB + r"\fail.txt", "/bootsequence 5\r\n")
    run, copy = once(win10, expected_exit=1)
    made = next(line for line in run.bcd_log if line.startswith("/set {"))[5:43]
    assert copy is None and rig.output_lines(run)[-1] == "safe mode not configured"
    assert any(f'"bcdedit.exe /bootsequence {made}" failed' in line and "Windows will start normally" in line
               for line in rig.output_lines(run)), rig.output_lines(run)
    assert run.bcd_log[-3:] == [f"/bootsequence {made}", "/enum {current} /v", f"/delete {made}"]
    assert rig.bcd_entries(win10) == {"{current}": {}}

    # The recovery environment's one-time start is no one else's to clear.
    rig.write_file(win10, rig.STUB + r"\fail.txt", "")
    recovery = "{0cb3b571-2f2e-4343-a879-d86a476d7215}"
    store = (f"[{{bootmgr}}]\r\ndefault {{current}}\r\ndisplayorder {{current}}\r\ntimeout 30\r\n"
             f"bootsequence {recovery}\r\n[{recovery}]\r\ndescription Windows Recovery Environment\r\n")
    rig.write_file(win10, rig.STUB + r"\store.txt", store)
    refused, _ = once(win10, expected_exit=1)
    assert any("already holds a one-time start" in line for line in rig.output_lines(refused))
    assert rig.run_quorvine(win10, ["/normal"], answers=["No", "OK"]).exit_code == 0
    assert rig.read_file(win10, rig.STUB + r"\store.txt", "utf-8") == store


def test_windows_xp_has_no_one_time_start(make_prefix):
    xp = make_prefix("winxp")
    run, _ = once(xp, expected_exit=1)
    assert rig.output_lines(run)[0].startswith("error: Windows 2000 and XP have no one-time start")
    assert run.bcd_log == [] and not xp.unix_path(r"C:\boot.Tamberlow").exists()
