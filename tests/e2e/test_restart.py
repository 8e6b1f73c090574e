"""A simulated restart: ExitWindowsEx ends the prefix's programs and Wine runs
the RunOnce values, which the rig records as they stood and plays through."""

import rig

PROBE = r"C:\qvtest\qv_probe.exe"


def note(word):
    return rf"{PROBE} note C:\order.txt {word}"


def test_exitwindowsex_runs_runonce_after_recording_it(prefix):
    rig.reg_set(prefix, rig.RUNONCE, "QvFirst", note("first"))
    rig.reg_set(prefix, rig.RUNONCE, "QvSecond", note("second"))
    rig.reg_set(prefix, rig.RUNONCE, "QvDialog", r'cmd /c start "" C:\qvtest\qv_msgboxes.exe 36')
    prefix.run(["bcdedit", "/set", "safeboot", "minimal"])

    run = rig.run_program(prefix, [PROBE, "reboot"], answers=["No"])

    assert run.restarted and not run.timed_out
    assert run.runonce_at_restart == {"QvFirst": note("first"), "QvSecond": note("second"),
                                      "QvDialog": r'cmd /c start "" C:\qvtest\qv_msgboxes.exe 36'}
    assert run.bcd_store_at_restart == {"safeboot": "minimal"}
    # One at a time, in descending order of their names; each value is gone.
    assert [line.split()[-1] for line in rig.read_file(prefix, r"C:\order.txt", "utf-8").splitlines()] == \
        ["second", "first"]
    assert rig.reg_values(prefix, rig.RUNONCE) == {}
    # The dialog of a program RunOnce started was answered by a new answerer.
    assert [(d["title"], d["clicked"]) for d in run.dialogs] == [("Box 1", "No")]
    assert prefix.wait_idle(timeout=5)


def test_without_a_restart_runonce_is_left_as_the_program_left_it(prefix):
    rig.reg_set(prefix, rig.RUNONCE, "QvFirst", note("first"))
    run = rig.run_program(prefix, [PROBE, "version"])
    assert (run.exit_code, run.restarted, run.runonce_at_restart) == (0, False, None)
    assert rig.reg_values(prefix, rig.RUNONCE) == {"QvFirst": note("first")}
    assert not prefix.unix_path(r"C:\order.txt").exists()


def test_a_forced_restart_ends_running_programs_and_runs_runonce(prefix):
    rig.write_file(prefix, r"C:\held.txt", "")
    with rig.file_locked(prefix, r"C:\held.txt"):
        rig.reg_set(prefix, rig.RUNONCE, "QvFirst", note("first"))
        run = rig.restart(prefix)
        assert "qv_probe.exe" not in [image for _, image in rig.prefix_processes(prefix.path)]
    assert run.restarted and run.runonce_at_restart == {"QvFirst": note("first")}
    assert rig.read_file(prefix, r"C:\order.txt", "utf-8").split()[-1] == "first"
