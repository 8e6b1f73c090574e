"""Every Windows generation Quorvine supports, each in its own prefix, through
the main paths: the three Safe Modes answered Yes through the restart and the
way back, the quiet networking mode then "/normal", and the window's
Configure Only then "/remove" answered No and Yes.

64-bit prefixes, with the build under test (see the rig's arch line); where
that is the 32-bit build, Windows XP also in a 32-bit prefix, as most XP
machines were."""

import pytest

import rig
from test_main_window import CONFIGURE_ONLY, MODIFICATIONS, OPTIONS, Window, prepare

PROGRAM_KEY = r"HKLM\Software\Tamberlow\Quorvine"
COMMAND_PROCESSOR = r"HKLM\SOFTWARE\Microsoft\Command Processor"
SAFEBOOT = r"HKLM\SYSTEM\CurrentControlSet\Control\SafeBoot"
ENTRY = "*Tamberlow Quorvine Mod"
WAY_BACK = r'cmd /c start "" "C:\Tools\Quorvine.exe" /remove'
ARC = b"multi(0)disk(0)rdisk(0)partition(1)\\WINDOWS"
BOOT_INI = (b"[boot loader]\r\ntimeout=30\r\ndefault=" + ARC + b"\r\n[operating systems]\r\n" + ARC +
            b"=\"Microsoft Windows XP Professional\" /fastdetect\r\n")
OPTIONS_OF = {"minimal": b" /fastdetect /safeboot:minimal /sos /bootlog /noguiboot",
              "network": b" /fastdetect /safeboot:network /sos /bootlog /noguiboot",
              "cmd": b" /fastdetect /safeboot:minimal(alternateshell) /sos /bootlog /noguiboot"}
# A subkey that only the generation's own SafeBoot document brings, and one it must not.
DOCUMENT_MARKS = {
    "winxp": ("Minimal", "dmadmin", "AppInfo"),
    "vista": ("Network", "BulvanderosicEventSvc", "EFS"),
    "win7": ("Minimal", "EFS", "BasicDisplay.sys"),
    "win8": ("Minimal", "BasicDisplay.sys", "vga.sys"),
    "win81": ("Minimal", "BasicDisplay.sys", "vga.sys"),
    "win10": ("Minimal", "BasicDisplay.sys", "vga.sys"),
}
VERSIONS = list(DOCUMENT_MARKS)
# Run by tools/test-matrix (and CI), outside the ten-minute suite of tools/test-all.
pytestmark = pytest.mark.matrix


class Machine:
    """One prefix of one generation, and what its boot configuration says."""

    def __init__(self, prefix, version):
        self.prefix, self.xp = prefix, version == "winxp"
        if self.xp:
            rig.write_file(prefix, r"C:\boot.ini", BOOT_INI)
            rig.set_file_attrs(prefix, r"C:\boot.ini", 7)

    def run(self, *args, answers=()):
        run = rig.run_quorvine(self.prefix, list(args), answers=answers)
        assert not run.timed_out and run.stuck_dialog is None, (args, run.dialogs)
        assert run.decoy_log == [], args
        return run

    def safe_boot(self, run=None):
        """None for Normal Mode, else "minimal", "network" or "cmd"."""
        if self.xp:
            text = rig.read_file(self.prefix, r"C:\boot.ini")
            if text == BOOT_INI:
                return None
            mode = next(m for m, options in OPTIONS_OF.items()
                        if ARC + b"=\"Tamberlow Quorvine Mod\"" + options + b"\r\n" in text)
            assert rig.read_file(self.prefix, r"C:\boot.Tamberlow") == BOOT_INI
            return mode
        store = run.bcd_store if run else rig.bcd_store(self.prefix)
        if "safeboot" not in store:
            return None
        return "cmd" if store.get("safebootalternateshell") == "true" else store["safeboot"]

    def assert_normal(self, case=""):
        """case: what the caller just did, for the failure message."""
        assert self.safe_boot() is None, case
        assert (rig.reg_values(self.prefix, rig.RUNONCE) or {}).get(ENTRY) is None, case
        assert rig.reg_get(self.prefix, PROGRAM_KEY, "BootMode") is None, case
        assert rig.reg_get(self.prefix, COMMAND_PROCESSOR, "Autorun") is None, case
        if self.xp:
            assert rig.file_attrs(self.prefix, r"C:\boot.ini") & 7 == 7, case
            assert rig.file_attrs(self.prefix, r"C:\boot.Tamberlow") is None, case


@pytest.mark.parametrize("version", VERSIONS)
def test_each_safe_mode_goes_through_the_restart_and_comes_back(make_prefix, version):
    machine = Machine(make_prefix(version), version)
    for switch, mode in (("/safe", "minimal"), ("/safenet", "network")):
        run = machine.run(switch, answers=["Yes"])
        assert run.restarted, (switch, run.dialogs, run.bcd_log)
        assert run.runonce_at_restart.get(ENTRY) == WAY_BACK, switch
        if not machine.xp:
            assert run.bcd_store_at_restart == {"safeboot": mode}, switch
        # The way back ran "/remove" at the restart, without a question.
        assert len(run.dialogs) == 1, (switch, run.dialogs)
        machine.assert_normal(switch)

    run = machine.run("/safecmd", answers=["Yes"])
    assert run.restarted and ENTRY not in (run.runonce_at_restart or {}), (run.dialogs, run.bcd_log)
    assert machine.safe_boot(run) == "cmd"
    assert rig.reg_get(machine.prefix, COMMAND_PROCESSOR, "Autorun") == r'"C:\Tools\Quorvine.exe" /undo'
    assert rig.reg_get(machine.prefix, SAFEBOOT, "AlternateShell") == "cmd.exe"
    machine.run("/undo")  # what the command prompt runs in Safe Mode
    machine.assert_normal()
    assert rig.file_attrs(machine.prefix, r"C:\windows\quorvine.cmd") is not None

    section, present, absent = DOCUMENT_MARKS[version]
    subkeys = rig.reg_subkeys(machine.prefix, SAFEBOOT + "\\" + section)
    assert present in subkeys and absent not in subkeys


@pytest.mark.x86_build
def test_safe_modes_through_the_restart_on_a_32_bit_xp(make_prefix):
    rig.ensure_tools("x86")
    machine = Machine(make_prefix("winxp", bits=32), "winxp")
    for switch, mode in (("/safe", "minimal"), ("/safenet", "network")):
        run = machine.run(switch, answers=["Yes"])
        assert run.restarted and run.runonce_at_restart.get(ENTRY) == WAY_BACK, (switch, run.dialogs)
        assert ARC + b'="Tamberlow Quorvine Mod"' + OPTIONS_OF[mode] + b"\r\n" in run.boot_ini_at_restart, switch
        assert len(run.dialogs) == 1, (switch, run.dialogs)
        assert rig.read_file(machine.prefix, r"C:\boot.ini") == BOOT_INI, switch
        machine.assert_normal(switch)
    assert run.bcd_log == [] and not machine.prefix.unix_path(r"C:\windows\syswow64").exists()


@pytest.mark.parametrize("version", VERSIONS)
def test_quiet_networking_then_normal(make_prefix, version):
    machine = Machine(make_prefix(version), version)
    run = machine.run("/safenet-noreboot")
    assert run.dialogs == [] and not run.restarted
    assert machine.safe_boot(run) == "network"
    assert (rig.reg_values(machine.prefix, rig.RUNONCE) or {}).get(ENTRY) is None

    run = machine.run("/normal", answers=["No"])
    assert [d["texts"] for d in run.dialogs] == [
        ["Windows is now configured to restart in 'Normal Mode', would you like to restart now?"],
        ["Windows will start normally the next time you restart."]]
    assert not run.restarted
    machine.assert_normal()


@pytest.mark.parametrize("version", VERSIONS)
def test_configure_only_in_the_window_then_remove_answered_no_and_yes(make_prefix, display, version):
    # Each generation takes one of the three Safe Modes in turn.
    option = VERSIONS.index(version) % 3
    machine = Machine(prepare(make_prefix(version)), version)
    window = Window(machine.prefix, display)
    try:
        state = window.wait()
        window.click(OPTIONS[option], state)
        window.click(CONFIGURE_ONLY, state)
        assert window.wait_exit() == 0
        assert window.dialogs()[-1]["texts"] == [MODIFICATIONS]
    finally:
        window.close()
    assert rig.reg_get(machine.prefix, PROGRAM_KEY, "BootMode") == option + 1
    assert machine.safe_boot() == ["minimal", "network", "cmd"][option]

    remove = "/undo" if option == 2 else "/remove"
    run = machine.run(remove, answers=["No"])
    assert len(run.dialogs) == (2 if option == 2 else 1)  # the reminder after No in the prompt mode
    assert machine.safe_boot() == ["minimal", "network", "cmd"][option]
    assert (rig.reg_values(machine.prefix, rig.RUNONCE) or {}).get(ENTRY) == WAY_BACK

    run = machine.run(remove, answers=["Yes"])
    assert len(run.dialogs) == 1
    machine.assert_normal()
