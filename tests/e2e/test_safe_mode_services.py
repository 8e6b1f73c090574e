"""Services named for Safe Mode (/service:), and the event log records of
each run: through a one-time start and /normal, and through a /safe restart
and its way back."""

import re
import struct
from pathlib import Path

import pytest

import rig
from rig.peres import Resources

ROOT = Path(__file__).resolve().parents[2]
PROGRAM_KEY = r"HKLM\Software\Tamberlow\Quorvine"
SAFEBOOT = r"HKLM\SYSTEM\CurrentControlSet\Control\SafeBoot"
SERVICES = r"HKLM\SYSTEM\CurrentControlSet\Services"
SOURCE = r"HKLM\SYSTEM\CurrentControlSet\Services\EventLog\Application\Quorvine"
MESSAGE_FILE = r"C:\windows\Quorvine\QuorvineEvents.dll"
RT_MESSAGETABLE = 11


def add_services(prefix):
    """RemoteAgent (display name "Remote Agent") depends on AgentHelper, which
    depends on RpcSs and the group AgentGroup; AgentHelper is named for Safe
    Mode with Networking already, by someone else."""
    values = {}
    for name, display, depends in (("RemoteAgent", "Remote Agent", ["AgentHelper"]),
                                   ("AgentHelper", "Agent Helper", ["RpcSs"])):
        key = rf"{SERVICES}\{name}"
        values.update({(key, "DisplayName"): display, (key, "ImagePath"): rf"C:\agent\{name}.exe",
                       (key, "Type"): 16, (key, "Start"): 2, (key, "ErrorControl"): 1,
                       (key, "ObjectName"): "LocalSystem", (key, "DependOnService"): depends})
    values[(rf"{SERVICES}\AgentHelper", "DependOnGroup")] = ["AgentGroup"]
    values[(rf"{SAFEBOOT}\Network\AgentHelper", "")] = "Service"
    rig.reg_import(prefix, values)
    # The service control manager reads the services at its start.
    prefix.stop()
    prefix.start_server()


def named(prefix, mode):
    return {name.lower() for name in rig.reg_subkeys(prefix, rf"{SAFEBOOT}\{mode}")}


def message_table(path):
    """{event ID: text} of the file's English message table."""
    data, _ = Resources(path).get(RT_MESSAGETABLE, 1)
    messages = {}
    for block in range(struct.unpack_from("<I", data)[0]):
        low, high, at = struct.unpack_from("<III", data, 4 + 12 * block)
        for number in range(low, high + 1):
            length, flags = struct.unpack_from("<HH", data, at)
            text = data[at + 4:at + length]
            messages[number] = text.decode("utf-16-le" if flags & 1 else "latin-1").rstrip("\0")
            at += length
    return messages


@pytest.fixture
def win10(make_prefix):
    prefix = make_prefix("win10")
    add_services(prefix)
    prefix.winedebug = "-all,+eventlog"
    return prefix


def test_an_agent_and_what_it_needs_are_named_for_one_start_and_only_they_go_with_normal(win10):
    refused = rig.run_quorvine(win10, ["/safenet-once", "/service:Remote Agent", "/service:NoSuchService"])
    assert refused.exit_code == 1 and refused.bcd_log == [], rig.output_lines(refused)
    assert rig.output_lines(refused)[0].startswith('error: There is no service named "NoSuchService"')
    assert "remoteagent" not in named(win10, "Network")
    assert [level for level, *_ in rig.event_records(refused)] == ["err"]

    once = rig.run_quorvine(win10, ["/safenet-once", "/service:Remote Agent"])
    lines = rig.output_lines(once)
    assert once.exit_code == 2, lines
    assert lines == [
        'warning: A service named for Safe Mode depends on the group "AgentGroup", which the SafeBoot key does not '
        "name: Windows may not start that service in Safe Mode.",
        r"safe mode services: Network\RemoteAgent (added), Network\AgentHelper (there before), "
        r"Network\RpcSs (there before)",
        "safe mode with networking set for the next start only; way back: none"]
    assert {"remoteagent", "agenthelper", "rpcss"} <= named(win10, "Network")
    assert rig.reg_get(win10, rf"{SAFEBOOT}\Network\RemoteAgent", "") == "Service"
    assert rig.reg_get(win10, PROGRAM_KEY, "SafeBootServices") == r"Network\RemoteAgent"
    # One record per run, its text the run's lines and the command line.
    [(level, text, whole)] = rig.event_records(once)
    expected = "\r\n".join(lines + [r'command line: "C:\Tools\Quorvine.exe" /safenet-once "/service:Remote Agent"'])
    assert level == "warn" and (text == expected if whole else expected.startswith(text) and len(text) > 200), text

    # The source is registered with a message file only administrators can
    # change, that passes every event ID's text through.
    assert rig.reg_get(win10, SOURCE, "EventMessageFile", typed=True) == ("REG_EXPAND_SZ", MESSAGE_FILE)
    assert rig.reg_get(win10, SOURCE, "TypesSupported") == 7
    ids = {int(n) for n in re.findall(r"= (\d+);", (ROOT / "ui" / "event_record.h").read_text())}
    assert {number: message_table(win10.unix_path(MESSAGE_FILE))[number] for number in ids} == \
        {number: "%1%0\n" for number in ids}, "%0 ends the text: what follows it is never shown"

    assert rig.restart(win10).started_elements["safeboot"] == "network"
    normal = rig.run_quorvine(win10, ["/normal"], answers=["No", "OK"])
    assert normal.exit_code == 0, rig.output_lines(normal)
    assert rig.output_lines(normal)[-2:] == [r"safe mode services taken away: Network\RemoteAgent",
                                             "normal mode set for the next start"]
    assert "remoteagent" not in named(win10, "Network")
    assert {"agenthelper", "rpcss"} <= named(win10, "Network"), "what was there before stays"
    assert rig.reg_get(win10, PROGRAM_KEY, "SafeBootServices") is None
    assert [level for level, *_ in rig.event_records(normal)] == ["trace"]


def test_windows_installer_is_named_for_a_safe_mode_restart_and_goes_with_the_way_back(make_prefix):
    win7 = make_prefix("win7")
    assert "msiserver" not in named(win7, "Minimal")
    # Run at the restart before the way back (Wine runs them in descending
    # order of their names): the SafeBoot key as the Safe Mode start finds it.
    at_restart = r"C:\safeboot-at-restart.reg"
    rig.reg_set(win7, rig.RUNONCE, "~~safeboot", f'reg export "{SAFEBOOT}\\Minimal" {at_restart} /y /reg:64')
    run = rig.run_quorvine(win7, ["/safe", "/service:MSIServer"], answers=["Yes"])
    assert run.restarted and run.runonce_at_restart, run.dialogs
    assert rig.output_lines(run)[-3:-1] == [r"safe mode services: Minimal\MSIServer (added)",
                                            "safe mode set for the next start; way back: run-once entry"]
    keys = {key.lower() for key in rig.parse_reg(rig.read_file(win7, at_restart).decode("utf-16"))}
    assert rf"{SAFEBOOT}\Minimal\MSIServer".lower().replace("hklm", "hkey_local_machine") in keys
    # The way back brought Normal Mode back, and took the service away again.
    assert run.bcd_store == {} and "msiserver" not in named(win7, "Minimal")
    assert rig.reg_get(win7, PROGRAM_KEY, "SafeBootServices") is None
