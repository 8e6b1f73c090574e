"""Faults a real machine throws at Quorvine: a bcdedit that is missing or
fails, a reg.exe that fails, awkward boot.ini files and program folders, and
starts in quick succession. Whatever happens, the machine is in Normal Mode or
in Safe Mode with its way back armed, nothing the user had is lost, and the
user is told what failed."""

import pytest

import rig

ENTRY = "*Tamberlow Quorvine Mod"
BCDEDIT = r"C:\windows\system32\bcdedit.exe"


def texts(run):
    return ["\n".join(d["texts"]) for d in run.dialogs]


def way_back(prefix):
    return (rig.reg_values(prefix, rig.RUNONCE) or {}).get(ENTRY)


def fail(prefix, *lines):
    rig.write_file(prefix, rig.STUB + r"\fail.txt", "".join(f"{line}\r\n" for line in lines))


def assert_normal_or_armed(prefix):
    store = rig.bcd_store(prefix)
    if "safeboot" in store:
        assert way_back(prefix), f"Safe Mode ({store}) without its way back"


@pytest.fixture
def win10(make_prefix):
    return make_prefix("win10")


def test_without_bcdedit_nothing_is_configured_and_the_user_is_told(win10):
    win10.unix_path(BCDEDIT).unlink()
    run = rig.run_quorvine(win10, ["/safe"], answers=["Yes"])
    assert not run.restarted
    assert any('"bcdedit.exe /set safeboot minimal" failed' in t for t in texts(run)), texts(run)
    # The store could not be read either, so nothing proves Safe Mode unset:
    # the way back stays, and at worst runs once for nothing.
    assert any("could not check the boot configuration" in t for t in texts(run)), texts(run)
    assert way_back(win10) is not None


def test_a_bcdedit_that_never_ends_is_given_up_at_the_limit_and_the_configuration_taken_back(win10):
    # The limit is two minutes; the environment may shorten it for a test.
    rig.reg_set(win10, r"HKCU\Environment", "QUORVINE_COMMAND_LIMIT_MS", "2000")
    fail(win10, "/set hang")
    run = rig.run_quorvine(win10, ["/safenet"], answers=["Yes"], timeout=40)
    assert not run.timed_out and not run.restarted
    assert any('"bcdedit.exe /set safeboot network" failed' in t for t in texts(run)), texts(run)
    assert rig.bcd_store(win10) == {}
    assert way_back(win10) is None
    assert not any(image == "bcdedit.exe" for _, image in rig.prefix_processes(win10.path)), "ended, not left hanging"


@pytest.mark.parametrize("switch, verb", [("/safenet", "/set"), ("/safecmd", "/set")])
def test_a_failing_set_takes_the_way_back_away_again(win10, switch, verb):
    fail(win10, f"{verb} 5")
    run = rig.run_quorvine(win10, [switch], answers=["Yes"])
    assert not run.restarted
    assert any("Safe Mode could not be configured" in t for t in texts(run)), texts(run)
    assert way_back(win10) is None
    assert rig.reg_get(win10, r"HKLM\SOFTWARE\Microsoft\Command Processor", "Autorun") is None
    assert rig.bcd_store(win10) == {}


def test_a_failing_export_is_told_and_safe_mode_still_configured(win10):
    fail(win10, "/export 3")
    run = rig.run_quorvine(win10, ["/safenet"], answers=["Yes"], follow_restart=False)
    assert texts(run)[1:] == ['The boot configuration could not be backed up ("bcdedit.exe /export C:\\BCDbak" '
                              'failed).\r\n\r\nSafe Mode is configured all the same.']
    assert run.exit_code in (0, 2, None) and run.restarted, "the warning comes before the restart"


def test_a_setting_that_cannot_be_deleted_keeps_its_way_back(win10):
    rig.run_quorvine(win10, ["/safenet-noreboot"])
    fail(win10, "/deletevalue 5")
    run = rig.run_quorvine(win10, ["/normal"])
    assert len(run.dialogs) == 1, "no restart question after a failed restore"
    assert "Normal Mode could not be restored" in texts(run)[0]
    assert rig.bcd_store(win10) == {"safeboot": "network"}
    assert way_back(win10) == r'cmd /c start "" "C:\Tools\Quorvine.exe" /remove'


def test_a_listing_cut_short_is_no_proof_that_safe_mode_is_gone(win10):
    rig.run_quorvine(win10, ["/safenet-noreboot"])
    fail(win10, "/deletevalue 5", "/enum cut 2")
    run = rig.run_quorvine(win10, ["/normal"])
    assert run.exit_code == 3, run.output
    assert rig.bcd_store(win10) == {"safeboot": "network"}
    assert way_back(win10) == r'cmd /c start "" "C:\Tools\Quorvine.exe" /remove'
    status = rig.run_quorvine(win10, ["/status"])
    assert status.exit_code == 255 and status.dialogs == [], status.output


def test_remove_with_nothing_configured_is_quiet(win10):
    run = rig.run_quorvine(win10, ["/remove"])
    assert run.dialogs == [] and run.bcd_store == {}
    assert way_back(win10) is None


@pytest.mark.parametrize("folder", [r"C:\Outils é", "C:\\" + "\\".join(["a folder of some length"] * 6)])
def test_unusual_program_folders_go_through_the_whole_cycle(win10, folder):
    run = rig.run_quorvine(win10, ["/safe"], answers=["Yes"], folder=folder)
    assert run.restarted
    assert run.runonce_at_restart[ENTRY] == f'cmd /c start "" "{folder}\\Quorvine.exe" /remove'
    assert run.bcd_store == {} and way_back(win10) is None


def test_two_quick_starts_leave_one_consistent_configuration(win10):
    exe = rig.install_quorvine(win10)
    first = win10.spawn([exe, "/safenet-noreboot"])
    assert rig.install_quorvine(win10) == exe  # leaves the running copy alone
    second = win10.spawn([exe, "/safenet-noreboot"])
    assert first.poll() is None, "the first ended before the second started: nothing to take turns over"
    assert (first.wait(60), second.wait(60)) == (0, 0)
    # One whole run, then the other (which finds the backup made): never interleaved.
    # Each clears, then looks that no command-prompt shell was left behind.
    clear = ["/deletevalue safeboot", "/deletevalue safebootalternateshell", "/enum {current} /v"]
    calls = rig.read_file(win10, rig.STUB + r"\calls.log", "utf-8").splitlines()
    assert calls == clear + [r"/export C:\BCDbak", "/set safeboot network"] + clear + ["/set safeboot network"]
    assert rig.bcd_store(win10) == {"safeboot": "network"}
    temp = win10.unix_path(r"C:\windows\Temp")
    assert [p.name for p in temp.rglob("*") if p.name.lower().startswith("quorvine-")] == []


ARC = b"multi(0)disk(0)rdisk(0)partition(1)\\WINDOWS"
ENTRY_LINE = ARC + b"=\"Microsoft Windows XP Professional\" /fastdetect\r\n"


@pytest.fixture
def xp(make_prefix):
    return make_prefix("winxp")


def put_boot_ini(prefix, content, attrs=7):
    rig.write_file(prefix, r"C:\boot.ini", content)
    rig.set_file_attrs(prefix, r"C:\boot.ini", attrs)


def test_xp_without_boot_ini_aborts_with_both_messages(xp):
    run = rig.run_quorvine(xp, ["/safe"], answers=["Yes"])
    assert texts(run)[1:] == ["Could not find:  C:\\boot.ini\r\nor could not write to:  C:\\boot.Tamberlow",
                              "Failed to make the required changes to the Boot.INI file, aborting."]
    assert not run.restarted and way_back(xp) is None


def test_xp_boot_ini_without_default_stays_as_it_was(xp):
    original = b"[boot loader]\r\ntimeout=30\r\n[operating systems]\r\n" + ENTRY_LINE
    put_boot_ini(xp, original)
    run = rig.run_quorvine(xp, ["/safe"], answers=["Yes"])
    assert texts(run)[1:] == ["Error writing INI value:  C:\\boot.ini",
                              "Failed to make the required changes to the Boot.INI file, aborting."]
    assert rig.read_file(xp, r"C:\boot.ini") == original
    assert rig.file_attrs(xp, r"C:\boot.ini") & 7 == 7
    assert rig.file_attrs(xp, r"C:\boot.Tamberlow") is None
    assert way_back(xp) is None


def test_xp_a_hidden_backup_already_there_is_kept(xp):
    put_boot_ini(xp, b"[boot loader]\r\ndefault=" + ARC + b"\r\n[operating systems]\r\n" + ENTRY_LINE)
    rig.write_file(xp, r"C:\boot.Tamberlow", b"the first original")
    rig.set_file_attrs(xp, r"C:\boot.Tamberlow", 2 | 4)
    rig.run_quorvine(xp, ["/safenet-noreboot"])
    assert rig.read_file(xp, r"C:\boot.Tamberlow") == b"the first original"
    rig.run_quorvine(xp, ["/normal"], answers=["No"])
    assert rig.read_file(xp, r"C:\boot.ini") == b"the first original"


def test_xp_the_kept_entry_stays_in_the_boot_menu_when_a_section_follows(xp):
    put_boot_ini(xp, b"[boot loader]\r\ntimeout=30\r\ndefault=" + ARC + b"\r\n[operating systems]\r\n" +
                 ENTRY_LINE + b"\r\n[debug]\r\nport=com1\r\n")
    rig.run_quorvine(xp, ["/safenet-noreboot"])
    text = rig.read_file(xp, r"C:\boot.ini")
    menu, debug = text.split(b"[debug]")
    assert ENTRY_LINE in menu and ENTRY_LINE not in debug
    assert b"/safeboot:network" in menu
