"""Never stranded in Safe Mode: folder names in any script or with "%" in
them, a store that speaks another language or cannot be read, and a restore
that is interrupted."""

import pytest

import rig

COMMAND_PROCESSOR = r"HKLM\SOFTWARE\Microsoft\Command Processor"
ENTRY = "*Tamberlow Quorvine Mod"
NORMAL_QUESTION = "Windows is now configured to restart in 'Normal Mode', would you like to restart now?"


@pytest.fixture
def win10(make_prefix):
    return make_prefix("win10")


def texts(run):
    return ["\n".join(d["texts"]) for d in run.dialogs]


def way_back(prefix):
    return (rig.reg_values(prefix, rig.RUNONCE) or {}).get(ENTRY)


@pytest.mark.parametrize("folder", [
    "C:\\Users\\J\u00fcrgen\\\u0417\u0430\u0433\u0440\u0443\u0437\u043a\u0438",
    "C:\\\u5de5\u5177\u7bb1",
    "C:\\Tools \U0001F600",
    "C:\\T\u014dols",
    "C:\\a%windir%b",
])
def test_safe_from_any_folder_comes_back_or_is_refused_before_any_change(win10, folder):
    prefix = win10
    run = rig.run_quorvine(prefix, ["/safe"], answers=["Yes"], folder=folder)
    if "%" in folder and not run.restarted:
        # No form of the path survives the command processor: nothing changed.
        assert len(run.dialogs) == 1 and "copy Quorvine.exe to a plain local folder" in texts(run)[0], (
            run.output, run.bcd_log)
        assert run.bcd_log == [] and run.bcd_store == {} and way_back(prefix) is None
        return
    assert texts(run)[0] == "Restart into Safe Mode?"
    assert run.restarted and not run.timed_out
    started = run.runonce_at_restart[ENTRY]
    assert started.startswith('cmd /c start "" "') and started.endswith('" /remove')
    assert "?" not in started and started.count("%") < 2
    assert run.bcd_store_at_restart == {"safeboot": "minimal"}
    # The way back ran this very exe: the store is normal again.
    assert run.bcd_log[-3:] == ["/deletevalue safeboot", "/deletevalue safebootalternateshell", "/enum {current} /v"]
    assert run.bcd_store == {} and way_back(prefix) is None


@pytest.mark.parametrize("folder", ["C:\\Users\\J\u00fcrgen\\Tools", "C:\\100% sure", "C:\\x%x%y"])
def test_safecmd_prompt_reaches_the_program_through_autorun_and_the_command_file(win10, folder):
    prefix = win10
    run = rig.run_quorvine(prefix, ["/safecmd"], answers=["Yes"], folder=folder)
    if "%" in folder and not run.restarted:
        assert "copy Quorvine.exe to a plain local folder" in texts(run)[0]
        assert run.bcd_log == []
        return
    assert run.bcd_store_at_restart == {"safeboot": "minimal", "safebootalternateshell": "true"}
    autorun = rig.reg_get(prefix, COMMAND_PROCESSOR, "Autorun")
    assert autorun.startswith('"') and autorun.endswith('" /undo') and autorun.count("%") < 2
    # As typed at the Safe Mode prompt: the command file finds the program.
    at_prompt = rig.run_program(prefix, ["cmd", "/c", "quorvine", "/normal"], answers=["No", "OK"])
    assert texts(at_prompt)[0] == NORMAL_QUESTION
    assert at_prompt.bcd_store == {}


@pytest.mark.parametrize("language", ["de", "fr"])
def test_a_setting_that_stays_keeps_the_command_prompt_way_back_in_any_display_language(prefix, language):
    rig.run_quorvine(prefix, ["/safecmd"], answers=["No"])  # nothing changed
    rig.write_file(prefix, rig.STUB + r"\store.txt", "safeboot minimal\r\nsafebootalternateshell true\r\n")
    rig.set_bcd_language(prefix, language)
    rig.write_file(prefix, rig.STUB + r"\fail.txt", "/deletevalue 5\r\n")

    run = rig.run_quorvine(prefix, ["/normal"])
    assert "Normal Mode could not be restored" in texts(run)[0]
    assert way_back(prefix) == r'cmd /c start "" "C:\Tools\Quorvine.exe" /remove'
    assert rig.reg_get(prefix, COMMAND_PROCESSOR, "Autorun") == r'"C:\Tools\Quorvine.exe" /undo'


def test_remove_without_bcdedit_keeps_the_way_back(prefix):
    rig.write_file(prefix, rig.STUB + r"\store.txt", "safeboot minimal\r\n")
    (prefix.drive_c / "windows" / "system32" / "bcdedit.exe").unlink()
    run = rig.run_quorvine(prefix, ["/remove"])
    assert "could not check the boot configuration" in texts(run)[0]
    assert way_back(prefix) == r'cmd /c start "" "C:\Tools\Quorvine.exe" /remove'


def test_safe_and_normal_started_together_end_normal_or_armed(win10):
    prefix = win10
    exe = rig.install_quorvine(prefix)
    for attempt in range(3):
        normal = prefix.spawn([exe, "/normal"])
        run = rig.run_program(prefix, [exe, "/safe"], answers=["Yes", "No", "OK"], default="none")
        if normal.poll() is None:
            normal.kill()
        normal.wait()
        assert prefix.wait_idle(timeout=30), f"attempt {attempt}: programs still running"
        store = rig.bcd_store(prefix)
        assert store == {} or way_back(prefix), f"attempt {attempt}: {store}, {texts(run)}"
