"""The Safe Mode cycle as a technician meets it: Quorvine.exe started with a
switch in a prefix, its questions clicked, the restart played through (Wine
runs the RunOnce values), then the boot configuration store (the bcdedit
stand-in), the registry and the files looked at."""

import pytest

import rig

PROGRAM_KEY = r"HKLM\Software\Tamberlow\Quorvine"
COMMAND_PROCESSOR = r"HKLM\SOFTWARE\Microsoft\Command Processor"
SAFEBOOT = r"HKLM\SYSTEM\CurrentControlSet\Control\SafeBoot"
ENTRY = "*Tamberlow Quorvine Mod"

CLEAR = ["/deletevalue safeboot", "/deletevalue safebootalternateshell"]
REMINDER = ("Remember:  you may restart Windows using internal Windows commands (e.g. 'shutdown -r -t 0') or "
            "'quorvine /reboot', use the 'quorvine /normal' command to restart directly to 'Normal Mode', "
            "or simply type 'quorvine' for all options.")
QUESTION = ("Would you like to configure the next Windows restart for 'Normal Mode'?\r\n\r\n"
            "Select NO to continue with the 'Safe Mode' configuration, or CANCEL for all options.")


def texts(run):
    return ["\n".join(d["texts"]) for d in run.dialogs]


def runonce(prefix):
    return (rig.reg_values(prefix, rig.RUNONCE) or {}).get(ENTRY)


def leftovers_in_temp(prefix):
    """What the SafeBoot repair left in the Windows folder's Temp, where it writes."""
    temp = prefix.unix_path(r"C:\windows\Temp")
    return sorted(p.name for p in temp.rglob("*") if p.name.lower().startswith("quorvine-") or p.suffix.lower() == ".reg")


@pytest.mark.parametrize("folder", [r"C:\Tools", r"C:\My Tools"])
def test_safe_answered_yes_restarts_and_the_way_back_undoes_everything(make_prefix, folder):
    prefix = make_prefix("win10")
    run = rig.run_quorvine(prefix, ["/safe"], answers=["Yes"], folder=folder)

    assert texts(run) == ["Restart into Safe Mode?"], "the way back asks nothing"
    assert run.restarted and not run.timed_out
    exe = folder + r"\Quorvine.exe"
    assert run.runonce_at_restart[ENTRY] == f'cmd /c start "" "{exe}" /remove'
    assert run.bcd_store_at_restart == {"safeboot": "minimal"}
    assert run.bcd_log == CLEAR + ["/enum {current} /v", r"/export C:\BCDbak", "/set safeboot minimal"] + CLEAR + [
        "/enum {current} /v"]  # no shell left behind before; both deletions needed a look after
    assert run.bcd_store == {}
    assert run.decoy_log == []
    assert runonce(prefix) is None
    assert rig.reg_get(prefix, PROGRAM_KEY, "BootMode") is None
    assert leftovers_in_temp(prefix) == []


def test_safecmd_arms_the_command_processor_instead_of_run_once(prefix):
    prefix = prefix
    run = rig.run_quorvine(prefix, ["/safecmd"], answers=["Yes"])

    assert texts(run)[0].startswith("Restart into Safe Mode with Command Prompt Only?\r\n\r\n(Once there,")
    assert run.restarted
    assert ENTRY not in (run.runonce_at_restart or {})
    assert run.bcd_store_at_restart == {"safeboot": "minimal", "safebootalternateshell": "true"}
    assert rig.reg_get(prefix, COMMAND_PROCESSOR, "Autorun") == r'"C:\Tools\Quorvine.exe" /undo'
    assert rig.reg_get(prefix, SAFEBOOT, "AlternateShell") == "cmd.exe"
    assert rig.read_file(prefix, r"C:\windows\quorvine.cmd") == b'"C:\\Tools\\Quorvine.exe" %1\r\n'

    # Wine's cmd.exe does not run Autorun, so the prompt's "/undo" is started by hand.
    undo = rig.run_quorvine(prefix, ["/undo"])
    assert undo.dialogs == []
    assert undo.bcd_store == {}
    assert rig.reg_get(prefix, COMMAND_PROCESSOR, "Autorun") is None
    assert rig.read_file(prefix, r"C:\windows\quorvine.cmd") == b'"C:\\Tools\\Quorvine.exe" %1\r\n'
    assert rig.reg_get(prefix, SAFEBOOT, "AlternateShell") == "cmd.exe"


def test_a_foreign_autorun_survives_safecmd_then_normal(prefix):
    rig.reg_set(prefix, COMMAND_PROCESSOR, "Autorun", r"doskey /macrofile=C:\macros.txt")
    rig.run_quorvine(prefix, ["/safecmd"], answers=["No"])
    assert rig.reg_get(prefix, COMMAND_PROCESSOR, "Autorun") == r"doskey /macrofile=C:\macros.txt"

    rig.run_quorvine(prefix, ["/safecmd"], answers=["Yes"])
    assert rig.reg_get(prefix, COMMAND_PROCESSOR, "Autorun") == r'"C:\Tools\Quorvine.exe" /undo'
    assert rig.reg_get(prefix, PROGRAM_KEY, "SavedAutorun") == r"doskey /macrofile=C:\macros.txt"

    normal = rig.run_quorvine(prefix, ["/normal"], answers=["No"])
    assert texts(normal) == [
        "Windows is now configured to restart in 'Normal Mode', would you like to restart now?",
        "Windows will start normally the next time you restart.",
    ]
    assert normal.dialogs[0]["title"] == "Restart Windows normally?"
    assert rig.reg_get(prefix, COMMAND_PROCESSOR, "Autorun") == r"doskey /macrofile=C:\macros.txt"
    assert rig.reg_get(prefix, PROGRAM_KEY, "SavedAutorun") is None
    assert not rig.file_attrs(prefix, r"C:\windows\quorvine.cmd")


@pytest.mark.parametrize("mode, answer, reminder", [(1, "No", False), (3, "No", True)])
def test_remove_answered_no_keeps_safe_mode_and_rearms(prefix, mode, answer, reminder):
    rig.reg_set(prefix, PROGRAM_KEY, "BootMode", mode)
    run = rig.run_quorvine(prefix, ["/remove"], answers=[answer])
    assert texts(run) == [QUESTION] + ([REMINDER] if reminder else [])
    assert runonce(prefix) == r'cmd /c start "" "C:\Tools\Quorvine.exe" /remove'
    assert rig.reg_get(prefix, PROGRAM_KEY, "BootMode") == mode
    assert run.bcd_log == []


def test_remove_answered_cancel_rearms_before_the_window_opens(prefix):
    rig.reg_set(prefix, PROGRAM_KEY, "BootMode", 2)
    run = rig.run_quorvine(prefix, ["/remove"], answers=["Cancel"], timeout=15)
    # The window stays open for a new choice, so the run ends by its time limit.
    assert texts(run) == [QUESTION]
    assert run.timed_out
    assert runonce(prefix) == r'cmd /c start "" "C:\Tools\Quorvine.exe" /remove'


def test_safenet_noreboot_asks_nothing_and_leaves_the_way_back_to_the_user(make_prefix):
    prefix = make_prefix("win10")
    run = rig.run_quorvine(prefix, ["/safenet-noreboot"])
    assert run.dialogs == [] and not run.restarted and run.exit_code == 0
    assert run.bcd_store == {"safeboot": "network"}
    assert runonce(prefix) is None
    # The SafeBoot key of the newest document Quorvine carries is whole again.
    minimal = rig.reg_subkeys(prefix, SAFEBOOT + r"\Minimal")
    assert "BasicDisplay.sys" in minimal and "AppMgmt" in minimal
    assert len(rig.reg_subkeys(prefix, SAFEBOOT + r"\Network")) >= 124
    assert leftovers_in_temp(prefix) == []

    normal = rig.run_quorvine(prefix, ["/normal"], answers=["No"])
    assert len(normal.dialogs) == 2
    assert normal.bcd_store == {}


def test_the_bcd_backup_is_exported_only_when_missing(prefix):
    rig.write_file(prefix, r"C:\BCDbak", "kept")
    run = rig.run_quorvine(prefix, ["/safenet"], answers=["No"])
    assert texts(run) == ["Restart into Safe Mode with Networking?"]
    assert run.bcd_log == []
    rig.run_quorvine(prefix, ["/safenet-noreboot"])
    assert not any(line.startswith("/export") for line in rig.run_quorvine(prefix, ["/nothing"]).bcd_log)
    assert rig.read_file(prefix, r"C:\BCDbak") == b"kept"


def test_unknown_words_and_two_switches_change_nothing(prefix):
    for args in (["/safe", "/reboot"], ["/safex"], ["hello"]):
        run = rig.run_quorvine(prefix, args)
        assert run.dialogs == [] and not run.restarted and run.exit_code == 87
    assert rig.run_quorvine(prefix, ["/nothing"]).bcd_log == []
    assert runonce(prefix) is None


def test_restart_switch_restarts_at_once_in_any_case(prefix):
    run = rig.run_quorvine(prefix, ["/RESTART"])
    assert run.dialogs == []
    assert run.restarted


BOOT_INI = (b"[boot loader]\r\ntimeout=30\r\ndefault=multi(0)disk(0)rdisk(0)partition(1)\\WINDOWS\r\n"
            b"[operating systems]\r\n"
            b"multi(0)disk(0)rdisk(0)partition(1)\\WINDOWS=\"Microsoft Windows XP Professional\" /fastdetect\r\n")


@pytest.fixture
def xp(make_prefix):
    prefix = make_prefix("winxp")
    rig.write_file(prefix, r"C:\boot.ini", BOOT_INI)
    rig.set_file_attrs(prefix, r"C:\boot.ini", 7)
    return prefix


def test_on_xp_boot_ini_before_during_and_after(xp):
    rig.run_quorvine(xp, ["/safenet-noreboot"])
    first = rig.read_file(xp, r"C:\boot.ini")
    assert first == (
        b"[boot loader]\r\ntimeout=3\r\ndefault=multi(0)disk(0)rdisk(0)partition(1)\\WINDOWS\r\n"
        b"[operating systems]\r\n"
        b"multi(0)disk(0)rdisk(0)partition(1)\\WINDOWS=\"Tamberlow Quorvine Mod\" "
        b"/fastdetect /safeboot:network /sos /bootlog /noguiboot\r\n"
        b"multi(0)disk(0)rdisk(0)partition(1)\\WINDOWS=\"Microsoft Windows XP Professional\" /fastdetect\r\n")
    assert rig.read_file(xp, r"C:\boot.Tamberlow") == BOOT_INI
    assert rig.file_attrs(xp, r"C:\boot.ini") & 7 == 7, "the edited file keeps read-only, hidden and system"
    assert rig.file_attrs(xp, r"C:\boot.Tamberlow") & 7 == 7

    # A second configuration before any restart: the backup stays the original.
    run = rig.run_quorvine(xp, ["/safe"], answers=["Yes"])
    assert run.restarted
    assert run.runonce_at_restart[ENTRY] == r'cmd /c start "" "C:\Tools\Quorvine.exe" /remove'
    assert run.bcd_log == []
    # The way back ran "/remove": boot.ini is the original again, byte for byte.
    assert rig.read_file(xp, r"C:\boot.ini") == BOOT_INI
    assert rig.file_attrs(xp, r"C:\boot.ini") & 7 == 7
    assert rig.file_attrs(xp, r"C:\boot.Tamberlow") is None
    assert runonce(xp) is None


def test_on_xp_a_locked_boot_ini_aborts_without_a_way_back(xp):
    with rig.file_locked(xp, r"C:\boot.ini"):
        run = rig.run_quorvine(xp, ["/safe"], answers=["Yes"])
    assert not run.restarted
    assert "Failed to make the required changes to the Boot.INI file, aborting." in texts(run)
    assert runonce(xp) is None
    assert rig.file_attrs(xp, r"C:\boot.ini") & 7 == 7


def test_windir_systemdrive_and_temp_of_the_user_change_nothing_about_where_it_writes(prefix):
    fake = {"windir": r"C:\fakewin", "systemroot": r"C:\fakewin", "systemdrive": r"C:\fakedrive",
            "temp": r"C:\faketemp", "tmp": r"C:\faketemp"}
    for name, folder in fake.items():
        prefix.unix_path(folder).mkdir(parents=True, exist_ok=True)
        rig.reg_set(prefix, r"HKCU\Environment", name, folder)
    run = rig.run_quorvine(prefix, ["/safecmd"], answers=["Yes"])
    assert run.restarted
    assert run.bcd_log[len(CLEAR)] == r"/export C:\BCDbak"  # the command prompt's own shell is not looked for
    assert rig.read_file(prefix, r"C:\windows\quorvine.cmd") == b'"C:\\Tools\\Quorvine.exe" %1\r\n'
    assert rig.reg_get(prefix, SAFEBOOT, "AlternateShell") == "cmd.exe", "the SafeBoot document was imported"
    for folder in set(fake.values()):
        assert list(prefix.unix_path(folder).iterdir()) == [], folder


NETWORK_WARNING = (
    "Quorvine may be running from the network; please copy Quorvine.exe to the local PC before usage.\r\n\r\n"
    "(If Windows restarts in Safe Mode now, it cannot access Quorvine.exe upon restart to remove this "
    "temporary configuration, which may leave you stuck in Safe Mode!)")


def test_safe_and_safecmd_from_a_network_drive_stop_at_the_warning(prefix):
    from test_main_window import map_network_drive

    rig.install_quorvine(prefix)  # into C:\Tools, which the drive N: shares
    exe = map_network_drive(prefix)
    for switch in ("/safe", "/safecmd"):
        run = rig.run_program(prefix, [exe, switch])
        assert texts(run) == [NETWORK_WARNING]
        assert run.dialogs[0]["title"] == "Quorvine"
        assert run.bcd_log == [] and not run.restarted and run.exit_code == 5
    assert runonce(prefix) is None
    # "/safenet" is not held back.
    run = rig.run_program(prefix, [exe, "/safenet"], answers=["No"])
    assert texts(run) == ["Restart into Safe Mode with Networking?"]
