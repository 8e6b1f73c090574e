"""tools/sandbox [SWITCH...] [--answer CAPTION]...

Runs Quorvine.exe once in a fresh throw-away Wine prefix and prints what it did:
the dialogs it showed, the boot configuration (the bcdedit stand-in's store and
the calls it got), and the registry values and files the run changed. Builds
what is missing first. Dialogs are answered with the --answer captions in
order, then with their first button.

Example: tools/sandbox /safenet-noreboot
"""

import argparse
import os
import signal
import sys
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parent.parent))

import rig  # noqa: E402

RUNONCE = rig.RUNONCE
SAFEBOOT = r"HKLM\SYSTEM\CurrentControlSet\Control\SafeBoot"
WATCHED = [(RUNONCE, 64), (r"HKLM\Software\Tamberlow", 64), (r"HKLM\Software\Tamberlow", 32),
           (r"HKLM\SOFTWARE\Microsoft\Command Processor", 64)]
# Files Wine itself touches while programs run.
UNWATCHED = ("qvtest/", "windows/temp/", "windows/logs/", "users/")


def registry(prefix):
    values = {}
    for key, view in WATCHED:
        for name, items in (rig.reg_export(prefix, key, view) or {}).items():
            label = name if view == 64 else f"{name} (32-bit view)"
            values.update({(label, value): data for value, (_, data) in items.items()})
    return values


def safeboot(prefix):
    keys = rig.reg_export(prefix, SAFEBOOT) or {}
    summary = {}
    for part in ("Minimal", "Network"):
        parent = f"HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Control\\SafeBoot\\{part}\\".lower()
        summary[f"{part} subkeys"] = sum(1 for k in keys if k.lower().startswith(parent)
                                         and "\\" not in k[len(parent):])
    root = next((v for k, v in keys.items() if k.lower().endswith("\\control\\safeboot")), {})
    summary["AlternateShell"] = root.get("AlternateShell", (None, None))[1]
    return summary


def files(prefix):
    found = {}
    for path in prefix.drive_c.rglob("*"):
        relative = path.relative_to(prefix.drive_c).as_posix()
        if path.is_file() and not relative.lower().startswith(UNWATCHED):
            stat = path.stat()
            found[relative] = (stat.st_size, stat.st_mtime_ns)
    return found


def show(data):
    return repr(data) if not isinstance(data, str) else '"' + data.replace("\r\n", "\\r\\n") + '"'


def print_changes(before, after, label, value):
    changes = []
    for item in sorted(set(before) | set(after), key=str):
        if item not in before:
            changes.append(f"  + {label(item)} = {value(after[item])}")
        elif item not in after:
            changes.append(f"  - {label(item)} = {value(before[item])}")
        elif before[item] != after[item]:
            changes.append(f"  ~ {label(item)}: {value(before[item])}  ->  {value(after[item])}")
    print("\n".join(changes) or "  (none)")


def main():
    parser = argparse.ArgumentParser(prog="tools/sandbox", description=__doc__.split("\n\n")[1],
                                     formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("switches", nargs="*", help="command line switches for Quorvine.exe")
    parser.add_argument("--answer", action="append", default=[], help="a dialog's answer (Yes, No, OK, Cancel...)")
    parser.add_argument("--version", default="win7", choices=rig.VERSIONS, help="Windows version (win7)")
    parser.add_argument("--arch", choices=("x64", "x86"), help="build to run (default: as the tests choose)")
    parser.add_argument("--folder", default=r"C:\Tools", help=r"folder for Quorvine.exe (C:\Tools)")
    parser.add_argument("--timeout", type=int, default=60, help="seconds before the run is ended (60)")
    parser.add_argument("--keep", action="store_true", help="keep the prefix and print where it is")
    options = parser.parse_args()
    signal.signal(signal.SIGTERM, lambda *_: sys.exit(143))

    if options.arch:
        os.environ["QV_TEST_ARCH"] = options.arch
    arch = rig.build_for_tests(("Quorvine",))

    with rig.Display() as display:
        prefix = rig.new_prefix(options.version, display.name)
        try:
            before = (registry(prefix), safeboot(prefix), files(prefix))
            run = rig.run_quorvine(prefix, options.switches, options.answer, options.folder,
                                   options.timeout, default="first")
            after = (registry(prefix), safeboot(prefix), files(prefix))
            report(prefix, options, arch, run, before, after)
        finally:
            if options.keep:
                prefix.stop()
                print(f"\nprefix kept: WINEPREFIX={prefix.path}")
            else:
                prefix.close()
    return 0 if run.exit_code == 0 or run.restarted else 1


def report(prefix, options, arch, run, before, after):
    print(f"== {run.exe} {' '.join(options.switches)}  ({arch} build, {options.version} prefix)")
    state = "timed out" if run.timed_out else f"exit code {run.exit_code}"
    if run.stuck_dialog:
        state = "stopped at a dialog no answer fitted"
    print(f"{state}; restarted: {'yes' if run.restarted else 'no'}")
    if run.output.strip():
        print(run.output.rstrip())

    print("== dialogs")
    for number, dialog in enumerate(run.dialogs, 1):
        print(f"  [{number}] {show(dialog['title'])}: {' / '.join(map(show, dialog['texts']))}")
        print(f"      buttons {dialog['buttons']} -> {dialog['clicked'] or 'not answered'}")
    if not run.dialogs:
        print("  (none)")

    print("== boot configuration (bcdedit stand-in)")
    print("  store: " + (", ".join(f"{k} = {v}" for k, v in run.bcd_store.items()) or "(empty)"))
    for call in run.bcd_log:
        print(f"  call:  bcdedit {call}")
    for call in run.decoy_log:
        print(f"  WOW64 DECOY CALLED: bcdedit {call}  (file system redirection was on)")
    if run.restarted and run.runonce_at_restart is not None:
        print("== RunOnce as the restart found it")
        for name, data in run.runonce_at_restart.items():
            print(f"  {name} = {show(data)}")
        print("  boot store then: " + (", ".join(f"{k} = {v}" for k, v in
                                                 (run.bcd_store_at_restart or {}).items()) or "(empty)"))

    print("== registry changes")
    print_changes(before[0], after[0], lambda item: f"{item[0]}\\{item[1] or '@'}", show)
    print("== SafeBoot")
    for name in before[1]:
        old, new = before[1][name], after[1][name]
        print(f"  {name}: {show(old)}" + ("" if old == new else f"  ->  {show(new)}"))
    print("== files under C:\\")
    print_changes(before[2], after[2], lambda item: "C:\\" + item.replace("/", "\\"),
                  lambda data: f"{data[0]} bytes")


if __name__ == "__main__":
    sys.exit(main())
