"""The bcdedit stand-in answers like bcdedit.exe and keeps what it was told."""

import shutil

import pytest

import rig

OK = "The operation completed successfully."
PROBE = r"C:\qvtest\qv_probe.exe"


bcdedit = rig.bcdedit


def element(prefix, element_type, entry="{3f1c8a52-6d0e-11ee-8c99-0242ac120002}"):
    """An element of the running entry in the store's registry hive: (type name, data) or None."""
    return rig.reg_get(prefix, rf"HKLM\BCD00000000\Objects\{entry}\Elements\{element_type}", "Element", typed=True)


def test_set_and_deletevalue_keep_the_store_and_log_every_call(prefix):
    assert bcdedit(prefix, "/set", "safeboot", "minimal").output.strip() == OK
    assert bcdedit(prefix, "/set", "{current}", "SafeBootAlternateShell", "yes").returncode == 0
    assert bcdedit(prefix, "/set", "safeboot", "network").returncode == 0
    assert rig.bcd_store(prefix) == {"safeboot": "network", "safebootalternateshell": "yes"}
    # The hive Windows mounts the store as is kept in step: 8-byte integers, 1-byte booleans.
    assert element(prefix, "25000080") == ("REG_BINARY", bytes([1, 0, 0, 0, 0, 0, 0, 0]))
    assert element(prefix, "26000081") == ("REG_BINARY", bytes([1]))

    done = bcdedit(prefix, "/deletevalue", "{current}", "safeboot")
    assert (done.returncode, done.output.strip()) == (0, OK)
    assert rig.bcd_store(prefix) == {"safebootalternateshell": "yes"}
    assert element(prefix, "25000080") is None and element(prefix, "26000081") is not None

    assert rig.read_file(prefix, r"C:\bcdstub\calls.log", "utf-8").splitlines() == [
        "/set safeboot minimal",
        "/set {current} SafeBootAlternateShell yes",
        "/set safeboot network",
        "/deletevalue {current} safeboot",
    ]


def test_deleting_a_missing_element_fails_as_bcdedit_does(prefix):
    done = bcdedit(prefix, "/deletevalue", "safeboot")
    assert done.returncode == 1
    assert done.output.splitlines() == [
        "An error has occurred while attempting to delete the element.", "Element not found."]


def test_export_copies_the_store_and_fails_where_it_cannot_write(prefix):
    bcdedit(prefix, "/set", "safeboot", "minimal")
    done = bcdedit(prefix, "/export", r"C:\My Tools\bcd backup")
    assert done.returncode == 1  # the folder does not exist
    rig.write_file(prefix, r"C:\My Tools\readme.txt", "")
    done = bcdedit(prefix, "/export", r"C:\My Tools\bcd backup")
    assert (done.returncode, done.output.strip()) == (0, OK)
    assert rig.read_file(prefix, r"C:\My Tools\bcd backup") == b"safeboot minimal\r\n"
    assert rig.read_file(prefix, r"C:\bcdstub\calls.log", "utf-8").splitlines()[-1] == \
        '/export "C:\\My Tools\\bcd backup"'


def test_enum_lists_the_elements(prefix):
    bcdedit(prefix, "/set", "safeboot", "minimal")
    listing = bcdedit(prefix, "/enum").output.splitlines()
    assert listing[0] == "Windows Boot Loader"
    assert "safeboot                minimal" in listing
    assert bcdedit(prefix, "/frobnicate").returncode == 1


def test_injected_failures_leave_the_store_alone_but_are_logged(prefix):
    bcdedit(prefix, "/set", "safeboot", "minimal")
    rig.write_file(prefix, r"C:\bcdstub\fail.txt", "/set 5\r\n/deletevalue 7\r\n")
    assert bcdedit(prefix, "/set", "safeboot", "network").returncode == 5
    assert bcdedit(prefix, "-DeleteValue", "safeboot").returncode == 7
    assert bcdedit(prefix, "/export", r"C:\bcd.txt").returncode == 0
    assert rig.bcd_store(prefix) == {"safeboot": "minimal"}
    assert rig.read_file(prefix, r"C:\bcdstub\calls.log", "utf-8").splitlines()[1:] == [
        "/set safeboot network", "-DeleteValue safeboot", r"/export C:\bcd.txt"]


def test_hangs_and_exit_code_259_on_request(prefix):
    rig.write_file(prefix, r"C:\bcdstub\fail.txt", "/set 259\r\n/enum hang\r\n")
    done = bcdedit(prefix, "/set", "safeboot", "minimal")
    # Linux sees the low byte of the Windows exit code.
    assert (done.returncode, done.output.strip()) == (259 % 256, "An error has occurred (injected failure 259).")
    assert prefix.run(["bcdedit", "/enum"], timeout=5).timed_out
    assert rig.bcd_store(prefix) == {}


def test_enum_shows_booleans_in_the_display_language_in_the_oem_code_page(prefix):
    bcdedit(prefix, "/set", "safeboot", "minimal")
    bcdedit(prefix, "/set", "safebootalternateshell", "on")
    bcdedit(prefix, "/set", "bootlog", "0")
    # Read through a file, as through a pipe: the prefix's OEM code page is 437.
    for language, yes, no in (("en", "Yes", "No"), ("de", "Ja", "Nein"), ("fr", "Oui", "Non"),
                              ("es", "Sí", "No")):
        rig.set_bcd_language(prefix, language)
        done = bcdedit(prefix, "/enum")
        listing = done.raw.decode("cp437").split("\r\n")
        assert "safeboot                minimal" in listing, done.evidence()
        assert "safebootalternateshell  " + yes in listing, done.evidence()
        assert "bootlog                 " + no in listing, done.evidence()
    assert rig.bcd_store(prefix) == {"safeboot": "minimal", "safebootalternateshell": "on", "bootlog": "0"}


def test_the_wow64_folder_holds_a_decoy_that_only_logs(prefix):
    done = prefix.run([r"C:\windows\syswow64\bcdedit.exe", "/set", "safeboot", "minimal"])
    assert done.returncode == 1
    assert rig.read_file(prefix, r"C:\bcdstub\decoy.log", "utf-8") == "/set safeboot minimal\r\n"
    assert rig.bcd_store(prefix) == {}
    assert not prefix.unix_path(r"C:\bcdstub\calls.log").exists()
    # A 64-bit program reaches the real one under system32.
    done = prefix.run([PROBE, "run", r"C:\windows\system32\bcdedit.exe", "/set", "safeboot", "network"])
    assert done.returncode == 0 and rig.bcd_store(prefix) == {"safeboot": "network"}


@pytest.mark.x86_build
def test_a_32_bit_program_reaches_the_decoy_unless_it_avoids_redirection(prefix):
    probe32 = r"C:\qvtest\qv_probe32.exe"
    shutil.copy2(rig.build_dir("x86") / "qv_probe.exe", prefix.unix_path(probe32))
    done = prefix.run([probe32, "run", r"C:\windows\system32\bcdedit.exe", "/set", "safeboot", "minimal"])
    assert done.returncode == 1
    assert rig.read_file(prefix, r"C:\bcdstub\decoy.log", "utf-8") == "/set safeboot minimal\r\n"
    done = prefix.run([probe32, "run", r"C:\windows\sysnative\bcdedit.exe", "/set", "safeboot", "minimal"])
    assert done.returncode == 0 and rig.bcd_store(prefix) == {"safeboot": "minimal"}


def test_copies_sequences_and_the_restart_starts_the_sequence_once(prefix):
    rig.set_bcd_language(prefix, "de")
    copied = bcdedit(prefix, "/copy", "{current}", "/d", "One start")
    assert copied.returncode == 0 and copied.output.startswith("Der Eintrag wurde erfolgreich in {"), \
        f"{copied.evidence()}\nwhat the stand-in printed: {rig.printed(prefix, copied.call)}"
    copy = copied.output[copied.output.index("{"):copied.output.index("}") + 1]
    # A copy of an entry on the menu joins the menu, as bcdedit's does.
    assert rig.bcd_entries(prefix)["{bootmgr}"]["displayorder"] == f"{{current}} {copy}"
    for args in (["/set", copy, "safeboot", "network"], ["/displayorder", copy, "/remove"],
                 ["/bootsequence", copy]):
        assert bcdedit(prefix, *args).returncode == 0, args
    listing = bcdedit(prefix, "/enum", "{bootmgr}").output.splitlines()
    assert listing[:3] == ["Windows Boot Manager", "--------------------", "identifier              {bootmgr}"]
    assert f"bootsequence            {copy}" in listing
    assert f"identifier              {copy}" in bcdedit(prefix, "/enum", copy).output.splitlines()
    assert bcdedit(prefix, "/enum", "{00000000-0000-0000-0000-000000000000}").returncode == 1
    assert bcdedit(prefix, "/delete", "{current}").returncode == 1

    first, second = rig.restart(prefix), rig.restart(prefix)
    assert (first.started_entry, first.started_elements["safeboot"]) == (copy, "network")
    assert (second.started_entry, second.started_elements) == ("{current}", {})
    # /delete takes every reference with the entry; the store is as before.
    bcdedit(prefix, "/bootsequence", copy)
    assert bcdedit(prefix, "/delete", copy).returncode == 0
    assert rig.bcd_entries(prefix) == {"{current}": {}}
    log = rig.read_file(prefix, rig.STUB + r"\calls.log", "utf-8")
    assert "/qv-start" not in log, "the rig's restart is no call of the program's"
