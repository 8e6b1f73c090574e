"""What real machines do to the way back that a plain prefix does not: the
question left open, a policy, a pulled stick, a deep folder, a user's
environment, a network start, another program's Autorun, a "no" shell."""

import shutil

import pytest

import rig

ENTRY = "*Tamberlow Quorvine Mod"
CMD = r"HKLM\SOFTWARE\Microsoft\Command Processor"
POLICY = r"HKLM\SOFTWARE\Microsoft\Windows\CurrentVersion\Policies\Explorer"
WINE_DRIVES = r"HKLM\Software\Wine\Drives"

pytestmark = pytest.mark.x86_build


def way_back(prefix):
    return (rig.reg_values(prefix, rig.RUNONCE) or {}).get(ENTRY)


def last_line(run):
    return rig.output_lines(run)[-1]


@pytest.fixture
def win10(make_prefix):
    return make_prefix("win10")


def test_the_question_left_open_keeps_the_way_back_armed(win10):
    # As after the restart: Safe Mode set, the window's choice recorded, and
    # the run-once entry deleted by Windows to start the way back.
    rig.run_quorvine(win10, ["/safenet-noreboot"])
    rig.reg_set(win10, r"HKLM\Software\Tamberlow\Quorvine", "BootMode", 2)
    run = rig.run_quorvine(win10, ["/remove"], answers=["none"], timeout=8)
    assert run.timed_out and len(run.dialogs) == 1, run.dialogs  # ended with the question open
    assert rig.bcd_store(win10) == {"safeboot": "network"}
    assert way_back(win10) == r'cmd /c start "" "C:\Tools\Quorvine.exe" /remove'


def test_a_run_once_policy_refuses_before_any_change(win10):
    rig.reg_set(win10, POLICY, "DisableLocalMachineRunOnce", 1)
    run = rig.run_quorvine(win10, ["/safenet"])
    assert run.exit_code == 1 and len(run.dialogs) == 1
    assert "Do not process the run once list" in run.dialogs[0]["texts"][0]
    assert run.bcd_log == [] and way_back(win10) is None
    status = rig.run_quorvine(win10, ["/status"])
    assert last_line(status) == "next start: Normal; way back: blocked by policy"


def test_from_a_removable_drive_the_way_back_runs_a_copy_that_goes_afterwards(win10, tmp_path):
    stick = tmp_path / "stick"
    stick.mkdir()
    # Wine reports a drive declared "floppy" in its 64-bit registry view as removable.
    (win10.path / "dosdevices" / "e:").symlink_to(stick)
    rig.reg_set(win10, WINE_DRIVES, "e:", "floppy")
    win10.stop()
    win10.start_server()
    run = rig.run_quorvine(win10, ["/safe"], answers=["Yes"], folder="E:\\")
    copy = r"C:\windows\Quorvine\Quorvine.exe"
    assert run.restarted and run.runonce_at_restart[ENTRY].lower() == f'cmd /c start "" "{copy}" /remove'.lower()
    assert run.bcd_store == {} and way_back(win10) is None
    rig.restart(win10)  # the copy is deleted at the next start
    assert not win10.unix_path(copy).exists()
    # The event log's message file stays for the records; nothing else of the copy.
    assert [entry.name for entry in win10.unix_path(r"C:\windows\Quorvine").iterdir()] == ["QuorvineEvents.dll"]


def test_a_way_back_past_260_characters_takes_the_short_path(win10):
    # The run-once line passes 260 here; an exe path past 260 that Wine cannot
    # start takes the same road in the host tests.
    folder = "C:\\" + "\\".join(["a folder name"] * 17)
    run = rig.run_quorvine(win10, ["/safe"], answers=["Yes"], folder=folder)
    assert run.restarted, run.dialogs
    started = run.runonce_at_restart[ENTRY]
    assert len(started) <= 260 and "~" in started
    assert run.bcd_store == {} and way_back(win10) is None


def test_a_cleared_program_files_x86_changes_nothing_on_64_bit_windows(win10):
    exe = rig.install_quorvine(win10)
    run = rig.run_program(win10, ["cmd", "/c", f'set "ProgramFiles(x86)=" & {exe} /safecmd'], answers=["Yes"],
                          follow_restart=False)
    assert run.restarted and run.decoy_log == []
    assert rig.reg_get(win10, CMD, "Autorun", view=64) == r'"C:\Tools\Quorvine.exe" /undo'


def test_a_network_start_is_refused_with_nothing_armed(win10, tmp_path):
    share = tmp_path / "share"
    share.mkdir()
    unc = win10.path / "dosdevices" / "unc" / "localhost"
    unc.mkdir(parents=True)
    (unc / "share").symlink_to(share)
    shutil.copy(rig.build_dir(rig.test_arch()) / "Quorvine.exe", share / "Quorvine.exe")
    run = rig.run_program(win10, [r"\\localhost\share\Quorvine.exe", "/safe"])
    assert run.exit_code == 5, run.output
    assert run.bcd_log == [] and way_back(win10) is None
    # "/safenet" is not held back; when its way back does not read back, it stops with none armed.
    run = rig.run_program(win10, [r"\\localhost\share\Quorvine.exe", "/safenet"], answers=["Yes"],
                          follow_restart=False)
    assert run.exit_code == 0 or (run.exit_code == 1 and way_back(win10) is None), run.output


def test_another_programs_undo_autorun_is_kept_through_safecmd_and_normal(win10):
    foreign = r'"C:\Other\x.exe" /undo'
    rig.reg_set(win10, CMD, "Autorun", foreign)
    rig.run_quorvine(win10, ["/normal"], answers=["No"])
    assert rig.reg_get(win10, CMD, "Autorun") == foreign
    rig.run_quorvine(win10, ["/safecmd"], answers=["Yes"], follow_restart=False)
    win10.wait_idle(timeout=30)
    assert rig.reg_get(win10, CMD, "Autorun") == r'"C:\Tools\Quorvine.exe" /undo'
    rig.run_quorvine(win10, ["/normal"], answers=["No"])
    assert rig.reg_get(win10, CMD, "Autorun") == foreign


def test_status_reads_a_shell_set_to_no_as_plain_safe_mode(win10):
    rig.write_file(win10, rig.STUB + r"\store.txt", "safeboot Minimal\r\nsafebootalternateshell No\r\n")
    run = rig.run_quorvine(win10, ["/status"])
    assert run.exit_code == 10 and last_line(run) == "next start: Safe Mode; way back: none"
