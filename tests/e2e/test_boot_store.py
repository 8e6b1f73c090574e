"""What Quorvine reads of the boot store is whole or unknown, and what it puts
back is exactly what was there: listings cut after any line, another program's
one-time start, a Safe Mode setting that stays, another program's Autorun of
any type, the run-once policy of the user, the start of the copy, a deep exe."""

import pytest

import rig

ENTRY = "*Tamberlow Quorvine Mod"
CMD = r"HKLM\SOFTWARE\Microsoft\Command Processor"
PROGRAM_KEY = r"HKLM\Software\Tamberlow\Quorvine"
STORE = rig.STUB + r"\store.txt"
FAIL = rig.STUB + r"\fail.txt"
OTHER = "{0cb3b571-2f2e-4343-a879-d86a476d7215}"


@pytest.fixture
def win10(make_prefix):
    return make_prefix("win10")


def lines(run):
    return rig.output_lines(run)


def way_back(prefix):
    return (rig.reg_values(prefix, rig.RUNONCE) or {}).get(ENTRY)


def sequenced(other_elements):
    """A store whose boot manager holds another program's one-time start."""
    return (f"[{{bootmgr}}]\r\ndefault {{current}}\r\ndisplayorder {{current}}\r\ntimeout 30\r\n"
            f"bootsequence {OTHER}\r\n[{OTHER}]\r\n{other_elements}")


def test_a_listing_cut_after_any_line_never_reads_as_no_safe_mode(win10):
    rig.run_quorvine(win10, ["/safenet-noreboot"])
    for cut in (2, 3, 4):
        rig.write_file(win10, FAIL, f"/deletevalue 5\r\n/enum cut {cut}\r\n")
        run = rig.run_quorvine(win10, ["/normal"])
        assert run.exit_code == 3, (cut, lines(run), run.bcd_log)
        assert rig.bcd_store(win10) == {"safeboot": "network"}
        assert way_back(win10) is not None, (cut, lines(run))
        rig.reg_delete(win10, rig.RUNONCE, ENTRY)  # as Windows leaves it, inside Safe Mode


def test_another_programs_one_time_start_is_never_written_over(win10):
    store = sequenced("description Windows Recovery Environment\r\n")
    rig.write_file(win10, STORE, store)
    for cut in (2, 3, 6):
        rig.write_file(win10, FAIL, f"/enum cut {cut}\r\n")
        run = rig.run_quorvine(win10, ["/safenet-once"])
        assert run.exit_code == 1, (cut, lines(run))
        assert not [call for call in run.bcd_log if call.startswith(("/copy", "/bootsequence"))], run.bcd_log
        assert rig.read_file(win10, STORE, "utf-8") == store


def test_one_start_stops_where_the_running_entry_keeps_safe_mode(win10):
    rig.write_file(win10, FAIL, "/deletevalue 5\r\n")
    for store in ("safeboot network\r\n", "safeboot minimal\r\nsafebootalternateshell yes\r\n"):
        rig.write_file(win10, STORE, store)
        run = rig.run_quorvine(win10, ["/safenet-once"])
        assert run.exit_code == 1 and lines(run)[-1] == "safe mode not configured", lines(run)
        assert any("keeps a Safe Mode setting" in line for line in lines(run)), lines(run)
        assert not [call for call in run.bcd_log if call.startswith("/copy")], run.bcd_log
        assert rig.read_file(win10, STORE, "utf-8") == store


def test_another_programs_autorun_comes_back_with_its_type_and_bytes(win10):
    for kind, data in (("REG_EXPAND_SZ", r"%SystemRoot%\init.cmd"), ("REG_MULTI_SZ", ["doskey /macros", "x"])):
        rig.reg_set(win10, CMD, "Autorun", data, type=kind)
        rig.run_quorvine(win10, ["/safecmd"], answers=["Yes"], follow_restart=False)
        win10.wait_idle(timeout=30)
        assert rig.reg_get(win10, CMD, "Autorun") == r'"C:\Tools\Quorvine.exe" /undo'
        rig.run_quorvine(win10, ["/normal"], answers=["No"])
        assert rig.reg_get(win10, CMD, "Autorun", typed=True) == (kind, data)


def test_a_one_time_start_quorvine_did_not_record_is_told_and_left_alone(win10):
    store = sequenced("description Another tool\r\nsafeboot minimal\r\n")
    rig.write_file(win10, STORE, store)
    status = rig.run_quorvine(win10, ["/status"])
    assert (status.exit_code, lines(status)[-1]) == (10, "next start: Safe Mode, next start only; way back: none")
    normal = rig.run_quorvine(win10, ["/normal"])
    assert normal.exit_code == 3, lines(normal)
    assert any(OTHER in line and "did not set" in line for line in lines(normal)), lines(normal)
    assert rig.read_file(win10, STORE, "utf-8") == store


def test_the_run_once_policy_of_the_user_refuses_too_and_is_named(win10):
    policy = r"HKCU\Software\Microsoft\Windows\CurrentVersion\Policies\Explorer"
    rig.reg_set(win10, policy, "DisableLocalMachineRunOnce", 1)
    run = rig.run_quorvine(win10, ["/safenet"])
    assert run.exit_code == 1 and run.bcd_log == [] and way_back(win10) is None
    assert "DisableLocalMachineRunOnce under HKCU\\" in lines(run)[0], lines(run)


def test_inside_the_one_start_status_tells_the_start_after_it(win10):
    assert rig.run_quorvine(win10, ["/safenet-once"]).exit_code == 0
    copy = rig.reg_get(win10, PROGRAM_KEY, "OneStartEntry")
    assert rig.restart(win10).started_entry == copy
    status = rig.run_quorvine(win10, ["/status"])
    assert (status.exit_code, lines(status)[-1]) == (
        0, "next start: Normal, from another boot entry than the running one; way back: none")


def test_an_exe_past_259_characters_is_brought_back_by_its_checked_copy(win10):
    folder = "C:\\" + "\\".join(["a folder name"] * 19)
    run = rig.run_quorvine(win10, ["/safe"], answers=["Yes"], folder=folder)
    copy = r"C:\windows\Quorvine\Quorvine.exe"
    assert run.restarted, (lines(run), run.dialogs)
    assert run.runonce_at_restart[ENTRY].lower() == f'cmd /c start "" "{copy}" /remove'.lower()
    assert run.bcd_store == {} and way_back(win10) is None
