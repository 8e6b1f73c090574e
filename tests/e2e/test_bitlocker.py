"""BitLocker: the command-prompt mode changes a boot setting that BitLocker
checks, so on a protected system drive its question says so and names the
recovery key; nothing of BitLocker is ever changed. The manage-bde stand-in
answers for the drive."""

import time

import pytest

import rig

ID = "{5C2E9A10-7B3D-4F61-9E08-2D4C6B8A1F37}"
CMD_QUESTION = ("Restart into Safe Mode with Command Prompt Only?\r\n\r\n(Once there, you may restart Windows "
                "using internal Windows commands (e.g. 'shutdown -r -t 0') or 'quorvine /reboot', use the "
                "'quorvine /normal' command to restart directly to 'Normal Mode', or simply type 'quorvine' "
                "for all options.)")
CAUTION = ("BitLocker protects drive C:. This mode changes a boot setting that BitLocker checks, so Windows "
           "may ask for the BitLocker recovery key at the next start and at the one after. Have the key at "
           f"hand before you continue: its ID is {ID}. Safe Mode with Networking needs no key.")
ASKED_ONLY = ["-status C: -ProtectionAsErrorLevel", "-protectors -get C: -Type RecoveryPassword"]


@pytest.fixture
def win10(make_prefix):
    return make_prefix("win10")


def declined_safecmd(prefix, timeout=60):
    run = rig.run_quorvine(prefix, ["/safecmd"], answers=["No"], timeout=timeout)
    assert run.exit_code == 4 and not run.restarted, run
    assert run.bcd_store == {} and all(call == "/enum {current} /v" for call in run.bcd_log), "No: nothing changed"
    return run.dialogs[0]["texts"][0]


def status_line(prefix):
    run = rig.run_quorvine(prefix, ["/status"])
    assert run.exit_code == 0 and run.dialogs == []
    return [line for line in run.output.splitlines() if line.startswith("bitlocker: ")]


def test_a_protected_drive_is_told_with_its_recovery_key_id_whatever_the_language_and_only_asked(win10):
    rig.install_manage_bde(win10, protected=True, recovery=[ID], language="de")
    assert declined_safecmd(win10) == CMD_QUESTION + "\r\n\r\n" + CAUTION
    rig.install_manage_bde(win10, protected=True, recovery=[ID], language="en")
    assert declined_safecmd(win10) == CMD_QUESTION + "\r\n\r\n" + CAUTION
    assert status_line(win10) == ["bitlocker: protected"]
    assert rig.manage_bde_log(win10) == ASKED_ONLY * 2 + ["-status C: -ProtectionAsErrorLevel"]


def test_not_protected_missing_failing_or_hanging_leaves_the_question_as_it_was(win10):
    assert declined_safecmd(win10) == CMD_QUESTION, "a bare prefix has no manage-bde.exe"
    assert status_line(win10) == ["bitlocker: unknown"]
    rig.install_manage_bde(win10, protected=False, recovery=[ID])
    assert declined_safecmd(win10) == CMD_QUESTION
    assert status_line(win10) == ["bitlocker: not protected"]
    rig.install_manage_bde(win10, fail=["-status 5"])
    assert declined_safecmd(win10) == CMD_QUESTION

    rig.reg_set(win10, r"HKCU\Environment", "QUORVINE_COMMAND_LIMIT_MS", "3000")
    rig.install_manage_bde(win10, fail=["-status hang"])
    started = time.monotonic()
    assert declined_safecmd(win10, timeout=40) == CMD_QUESTION
    assert time.monotonic() - started < 25, "given up at the command limit"
    assert not any(image == "manage-bde.exe" for _, image in rig.prefix_processes(win10.path)), "ended, not left"
    assert all(call.startswith("-status ") for call in rig.manage_bde_log(win10))
