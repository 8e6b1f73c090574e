"""The answerer reads each dialog once, exactly, and clicks what it is told."""

import rig

MSGBOXES = r"C:\qvtest\qv_msgboxes.exe"
IDOK, IDCANCEL, IDYES, IDNO = 1, 2, 6, 7


def test_successive_dialogs_are_recorded_exactly_and_answered_in_order(prefix):
    run = rig.run_program(prefix, [MSGBOXES, "0", "35", "36"], answers=["OK", "Cancel", "&No"])
    assert run.output.split() == [str(IDOK), str(IDCANCEL), str(IDNO)]
    assert [(d["title"], d["texts"], d["buttons"], d["clicked"]) for d in run.dialogs] == [
        ("Box 1", ["Message 1\r\nStyle 0 été"], ["OK"], "OK"),
        ("Box 2", ["Message 2\r\nStyle 35 été"], ["Yes", "No", "Cancel"], "Cancel"),
        ("Box 3", ["Message 3\r\nStyle 36 été"], ["Yes", "No"], "No"),
    ]
    assert not run.restarted and not run.timed_out


def test_the_default_answers_dialogs_once_the_script_is_used_up(prefix):
    run = rig.run_program(prefix, [MSGBOXES, "36", "36", "35"], answers=["No"], default="first")
    assert run.output.split() == [str(IDNO), str(IDYES), str(IDYES)]
    assert [d["answer"] for d in run.dialogs] == ["No", "first", "first"]


def test_close_ends_a_dialog_as_its_title_bar_button_does(prefix):
    run = rig.run_program(prefix, [MSGBOXES, "35"], answers=["close"])
    assert run.output.split() == [str(IDCANCEL)]


def test_an_answer_no_button_matches_stops_the_run_at_once(prefix):
    run = rig.run_program(prefix, [MSGBOXES, "36"], answers=["OK"], timeout=30)
    assert run.stuck_dialog["buttons"] == ["Yes", "No"]
    assert run.exit_code is None and not run.timed_out


def test_a_program_past_its_time_limit_is_ended(prefix):
    rig.write_file(prefix, r"C:\held.txt", "")
    # Holds the file until a stop file appears, which none does.
    run = rig.run_program(prefix, [r"C:\qvtest\qv_probe.exe", "lock", r"C:\held.txt", r"C:\never"], timeout=3)
    assert run.timed_out and run.exit_code is None
    assert prefix.wait_idle(timeout=10)
