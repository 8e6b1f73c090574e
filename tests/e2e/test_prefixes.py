"""Prepared prefixes: the Windows version asked for, the marker, the stand-ins,
and the rig's registry and file helpers reading what a program would."""

import pytest

import rig

PROBE = r"C:\qvtest\qv_probe.exe"

# RtlGetVersion per prefix, and GetVersionEx of a program whose manifest does
# not name Windows 8.1 and 10 (it is told 6.2 there, as on Windows).
VERSIONS = {
    "winxp": ("5.1.2600", "5.1.2600"), "vista": ("6.0.6002", "6.0.6002"), "win7": ("6.1.7601", "6.1.7601"),
    "win8": ("6.2.9200", "6.2.9200"), "win81": ("6.3.9600", "6.2.9200"), "win10": ("10.0.18362", "6.2.9200"),
}


def probe_version(prefix):
    lines = prefix.run([PROBE, "version"]).output.splitlines()
    return dict(line.rsplit(" ", 1) for line in lines if line)


@pytest.mark.parametrize("prefix", rig.VERSIONS, indirect=True)
def test_each_prefix_reports_its_windows_version_and_carries_the_marker(prefix):
    reported = probe_version(prefix)
    assert (reported["actual"], reported["reported"]) == VERSIONS[prefix.version]
    assert reported["product type"] == "1"  # a workstation, also on win7
    assert reported["acp"] == "1252"
    assert prefix.unix_path(rig.MARKER).is_file()
    assert prefix.unix_path(r"C:\windows\system32\bcdedit.exe").is_file()
    assert prefix.unix_path(r"C:\windows\syswow64\bcdedit.exe").is_file()


def test_the_probe_and_the_test_programs_refuse_a_prefix_without_the_marker(prefix):
    prefix.unix_path(rig.MARKER).unlink()
    done = prefix.run([PROBE, "version"])
    assert done.returncode == 2 and "not a test prefix" in done.errors, done.evidence()


def test_registry_values_round_trip_exactly_in_the_view_asked_for(prefix):
    key = r"HKLM\Software\Tamberlow\RigTest"
    values = {"text": "line one\r\nline \"two\" \\ é", "number": 0x27, "list": ["a", "b c"],
              "raw": b"\x00\x01\xff"}
    for name, data in values.items():
        rig.reg_set(prefix, key, name, data)
    rig.reg_set(prefix, key, "path", r"%SystemRoot%\system32", type="REG_EXPAND_SZ")
    rig.reg_set(prefix, key, None, "default")

    assert rig.reg_values(prefix, key) == {**values, "path": r"%SystemRoot%\system32", "": "default"}
    assert rig.reg_get(prefix, key, "PATH", typed=True) == ("REG_EXPAND_SZ", r"%SystemRoot%\system32")
    # HKLM\Software has a separate 32-bit view under WoW64.
    assert rig.reg_values(prefix, key, view=32) is None
    assert rig.reg_get(prefix, key, "missing") is None

    assert rig.reg_delete(prefix, key, "text")
    assert rig.reg_get(prefix, key, "text") is None
    assert rig.reg_subkeys(prefix, r"HKLM\Software\Tamberlow") == ["RigTest"]
    assert rig.reg_delete(prefix, key)
    assert rig.reg_values(prefix, key) is None


@pytest.mark.parametrize("folder", [r"C:\Tools", r"C:\My Tools", r"C:\Outils é"])
def test_a_program_runs_from_any_folder_with_its_path_intact(prefix, folder):
    exe = rig.install_quorvine(prefix, folder, exe=rig.build_dir("x64") / "qv_probe.exe")
    assert exe == folder + r"\qv_probe.exe"
    note = folder + r"\note.txt"
    assert rig.run_program(prefix, [exe, "note", note, "/x y"]).exit_code == 0
    # Wine quotes the program's path always, an argument only when it has blanks.
    quoted = f'"{note}"' if " " in note else note
    assert rig.read_file(prefix, note, "utf-8") == f'"{exe}" note {quoted} "/x y"\r\n'


def test_file_attributes_and_a_locked_file(prefix):
    path = r"C:\boot.ini"
    assert rig.file_attrs(prefix, path) is None
    rig.write_file(prefix, path, "[boot loader]\r\n")
    rig.set_file_attrs(prefix, path, 0x7)
    assert rig.file_attrs(prefix, path) == 0x27
    with rig.file_locked(prefix, path):
        assert prefix.run([PROBE, "note", path]).returncode == 1
    assert prefix.run([PROBE, "note", path]).returncode == 0
    assert rig.read_file(prefix, path).startswith(b"[boot loader]\r\n")
