"""Runs of Quorvine.exe (or any program) in a prefix, with the dialogs answered
and the restart it asks for played through."""

import contextlib
import filecmp
import itertools
import json
import re
import shutil
import time
from dataclasses import dataclass, field
from pathlib import Path, PureWindowsPath

from .registry import note_retry, parse_reg, reg_set
from .wine import HELPERS, STUB, WINE_TIMEOUT, build_dir, not_started, prefix_processes, test_arch

RUNONCE = r"HKLM\SOFTWARE\Microsoft\Windows\CurrentVersion\RunOnce"
# Wine runs RunOnce values in descending order of their names, so this one runs
# first and records what the program left for the restart.
PROBE_VALUE = "~probe"
ANSWERER = HELPERS + r"\answerer.exe"
PROBE = HELPERS + r"\qv_probe.exe"
_POLL = 0.05
_ANSWERER_STARTS = 3
# Tries of a rig step whose output was shown lost.
_STAND_IN_TRIES = 3
_runs = itertools.count(1)


@dataclass
class Run:
    """What a run did. exit_code is None when the rig ended the program (time
    limit, or a dialog no answer fitted: stuck_dialog); a program the restart
    ended reports 0. dialogs are the answerer's records, before and after a
    restart; runonce_at_restart, bcd_store_at_restart and boot_ini_at_restart
    (bytes, None without one) are as the restart found them; started_entry and
    started_elements are the entry the boot manager started at the restart (a
    pending one-time sequence first, then forgotten) and its elements; bcd_log,
    bcd_store and decoy_log are read after the run."""

    exit_code: int | None
    timed_out: bool = False
    output: str = ""
    dialogs: list = field(default_factory=list)
    restarted: bool = False
    runonce_at_restart: dict | None = None
    bcd_store_at_restart: dict | None = None
    boot_ini_at_restart: bytes | None = None
    started_entry: str | None = None
    started_elements: dict | None = None
    bcd_log: list = field(default_factory=list)
    bcd_store: dict = field(default_factory=dict)
    decoy_log: list = field(default_factory=list)
    stuck_dialog: dict | None = None
    exe: str = ""

    def evidence(self):
        """What a failure message shows: the end, both streams and the bcdedit calls."""
        end = "timed out" if self.timed_out else f"exit {self.exit_code}"
        return (f"{self.exe}: {end}\n  standard output: {self.output!r}\n  standard error: {self.errors!r}\n"
                f"  dialogs: {self.dialogs}\n  bcdedit calls: {self.bcd_log}")


def read_file(prefix, path, encoding=None):
    """A file of the prefix as bytes, or text with an encoding; FileNotFoundError when missing."""
    data = prefix.unix_path(path).read_bytes()
    return data if encoding is None else data.decode(encoding)


def write_file(prefix, path, data):
    target = prefix.unix_path(path)
    target.parent.mkdir(parents=True, exist_ok=True)
    target.write_bytes(data.encode("utf-8") if isinstance(data, str) else data)


def file_attrs(prefix, path):
    """The Windows attributes of a file (e.g. 0x27), or None when it is missing."""
    failures = []
    for _ in range(_STAND_IN_TRIES):
        done = prefix.run([PROBE, "attrs", path])
        words = done.output.split()
        # The probe always prints one number: anything else is output lost on its way.
        if done.returncode == 0 and len(words) == 1 and re.fullmatch(r"0x[0-9a-f]{1,8}", words[0]):
            value = int(words[0], 16)
            return None if value == 0xFFFFFFFF else value
        failures.append(done.evidence())
        note_retry(f"qv_probe attrs {path}: {done.evidence()}")
    raise RuntimeError(f"rig: qv_probe attrs {path} failed {_STAND_IN_TRIES} times:\n" + "\n".join(failures))


def set_file_attrs(prefix, path, attrs):
    if prefix.run([PROBE, "setattrs", path, f"{attrs:x}"]).returncode != 0:
        raise RuntimeError(f"SetFileAttributes {path} failed")


@contextlib.contextmanager
def file_locked(prefix, path):
    """Holds a file open without sharing from another process, so writes to it fail (root ignores read-only)."""
    stop = f"{HELPERS}\\unlock-{next(_runs)}"
    process = prefix.spawn([PROBE, "lock", path, stop])
    deadline = time.monotonic() + WINE_TIMEOUT
    while b"locked" not in process.out_path.read_bytes():
        if process.poll() is not None or time.monotonic() > deadline:
            raise RuntimeError(f"could not lock {path}: {process.out_path.read_text(errors='replace')}")
        time.sleep(_POLL)
    try:
        yield
    finally:
        write_file(prefix, stop, "")
        try:
            process.wait(10)
        except Exception:
            process.kill()
            process.wait()


def _streams(process):
    return (f"exit {process.poll()}, standard output {process.out_path.read_bytes()!r}, "
            f"standard error {process.err_path.read_bytes()!r}")


def output_lines(run):
    """The program's own lines on its standard output (Wine's go to standard error)."""
    return [line for line in run.output.splitlines() if line]


# Wine cuts a long string short, ending it with "...".
_EVENT_LINE = re.compile(r'^[0-9a-f]{4}:(trace|warn|err):eventlog:ReportEventW L"(.*)"(\.\.\.)?$')


def _unescape_debug(text):
    """A string as Wine's debugstr_w writes it, back as it was."""
    plain = {"n": "\n", "r": "\r", "t": "\t"}

    def one(found):
        code = found.group(1)
        if code[0] in "xu" and len(code) > 1:
            return chr(int(code[1:], 16))
        return plain.get(code, code)
    return re.sub(r"\\(x[0-9a-fA-F]{2,4}|u[0-9a-fA-F]{4}|.)", one, text)


def event_records(run):
    """The records given to ReportEventW, as (level, text, whole), from Wine's
    eventlog channel (prefix.winedebug = "-all,+eventlog"), on standard error: trace, warn or err
    for information, warning and error; whole is False where Wine cut the text."""
    records = []
    for line in run.errors.splitlines():
        found = _EVENT_LINE.match(line)
        if found:
            records.append((found.group(1), _unescape_debug(found.group(2)), not found.group(3)))
    return records


def install_quorvine(prefix, folder=r"C:\Tools", exe=None):
    """Copies Quorvine.exe (of the architecture under test) into a folder of the prefix.

    An identical copy already there is left alone: overwriting an exe that
    runs crashes it under Wine. A different one that runs is an error."""
    source = Path(exe) if exe else build_dir(test_arch()) / "Quorvine.exe"
    target = PureWindowsPath(folder) / source.name
    unix = prefix.unix_path(str(target))
    if unix.exists():
        # Size and time first (copy2 keeps the time), the bytes when they differ.
        if filecmp.cmp(source, unix, shallow=True):
            return str(target)
        running = [pid for pid, image in prefix_processes(prefix.path) if image == source.name.lower()]
        if running:
            raise RuntimeError(f"{target} differs from {source} and runs (pids {running}): "
                               "replacing it would crash the running copy")
    unix.parent.mkdir(parents=True, exist_ok=True)
    shutil.copy2(source, unix)
    return str(target)


def _lines(prefix, path):
    try:
        return read_file(prefix, path, "utf-8").splitlines()
    except FileNotFoundError:
        return []


def _elements(lines):
    return dict((line.split(" ", 1) + [""])[:2] for line in lines if line)


def bcd_entries(prefix, path=STUB + r"\store.txt"):
    """The stand-in's entries: {identifier: {name: value}}; "{current}" always,
    "{bootmgr}" once something changed it, each copy by its {guid}."""
    entries, name = {"{current}": []}, "{current}"
    for line in _lines(prefix, path):
        if line.startswith("[") and line.endswith("]"):
            name = line[1:-1]
            entries[name] = []
        elif line:
            entries[name].append(line)
    return {name: _elements(lines) for name, lines in entries.items()}


def bcd_store(prefix, path=STUB + r"\store.txt"):
    """The running entry's boot elements in the stand-in: {name: value}."""
    return bcd_entries(prefix, path)["{current}"]


# The stand-ins' own record of what they printed, one JSON line a write.
PRINTED = STUB + r"\printed.log"


def printed(prefix, call, record=PRINTED):
    """What a stand-in recorded it printed in one rig call (Result.call), in order."""
    records = []
    for line in _lines(prefix, record):
        try:
            item = json.loads(line)
        except ValueError:
            continue  # a line still being written belongs to a later call
        if item.get("call") == call:
            records.append(item)
    return records


def _oem(text):
    return text.replace("\r\n", "\n").replace("\n", "\r\n").encode("cp437", errors="replace")


def _lost(done, records):
    """Why what the rig read cannot be the stand-in's answer; "" when it is."""
    if done.timed_out:
        return ""
    if not records:
        return "the stand-in recorded no output"
    if any(r["to"] != "file" or r["error"] or r["written"] != r["bytes"] for r in records):
        return "the stand-in could not write all of its output"
    expected = b"".join(_oem(r["text"]) for r in records)
    # Letters the OEM code page lacks are written as "?" by Windows and here alike.
    if len(done.raw) != len(expected) or any(
            want not in (got, ord("?")) for got, want in zip(done.raw, expected)):
        return "the output read is not what the stand-in wrote"
    return ""


def _saved(prefix, paths):
    return {path: (prefix.unix_path(path).read_bytes() if prefix.unix_path(path).exists() else None)
            for path in paths}


def _put_back(prefix, saved):
    for path, data in saved.items():
        if data is None:
            prefix.unix_path(path).unlink(missing_ok=True)
        else:
            write_file(prefix, path, data)


def run_stand_in(prefix, args, record=PRINTED, state=(STUB + r"\store.txt", STUB + r"\calls.log"),
                 timeout=WINE_TIMEOUT):
    """Runs a stand-in and returns its Result once its output is shown whole.

    The stand-in keeps its own record of what it printed; when what the rig
    read differs from it, the output was lost on its way: the files in state
    are put back as they were and the call is tried again (counted in
    QV_RIG_RETRY_LOG). A lasting loss fails as the rig's, with the evidence."""
    before = _saved(prefix, state)
    failures = []
    for _ in range(_STAND_IN_TRIES):
        done = prefix.run(args, timeout)
        records = printed(prefix, done.call, record)
        why = _lost(done, records)
        if not why:
            return done
        failures.append(f"{why}: {done.evidence()}\n  its record: {records}")
        note_retry(f"{' '.join(map(str, args))}: {why}: {done.evidence()}; its record: {records}")
        _put_back(prefix, before)
    raise RuntimeError(f"rig: the output of {' '.join(map(str, args))} was lost {_STAND_IN_TRIES} times:\n"
                       + "\n".join(failures))


def bcdedit(prefix, *args, timeout=WINE_TIMEOUT):
    """The bcdedit stand-in run by the rig; see run_stand_in."""
    return run_stand_in(prefix, ["bcdedit", *args], timeout=timeout)


BCD_LANGUAGES = ("en", "de", "fr", "es", "ru")


def set_bcd_language(prefix, language):
    """The display language the bcdedit stand-in prints yes/no values in (en, de, fr, es, ru)."""
    if language not in BCD_LANGUAGES:
        raise ValueError(f"language {language!r}: one of {BCD_LANGUAGES}")
    write_file(prefix, STUB + r"\language.txt", language + "\r\n")


MANAGE_BDE_FOLDER = r"C:\windows\system32"


def install_manage_bde(prefix, protected=True, recovery=(), language="en", fail=()):
    """Puts the manage-bde stand-in into the native system32 (a bare prefix has
    none), steered by manage-bde.txt beside it: BitLocker protection on or off,
    the recovery password protectors' IDs, English or German ("en", "de"), and
    failures such as "-status hang" or "-protectors 5"."""
    folder = prefix.unix_path(MANAGE_BDE_FOLDER)
    target = folder / "manage-bde.exe"
    # Unlinked first: the target may be a hard link into the base prefix.
    target.unlink(missing_ok=True)
    shutil.copy2(build_dir("x86" if prefix.bits == 32 else "x64") / "manage-bde.exe", target)
    lines = [f"protected {'yes' if protected else 'no'}", f"language {language}",
             *(f"recovery {id_}" for id_ in recovery), *fail]
    (folder / "manage-bde.txt").write_text("".join(line + "\r\n" for line in lines))


def manage_bde_log(prefix):
    """The stand-in's calls, one line of arguments each."""
    return _lines(prefix, MANAGE_BDE_FOLDER + r"\manage-bde.log")


class _Answerer:
    """The dialog answerer inside the prefix, for one stretch of a run."""

    def __init__(self, prefix, folder, answers, default, timeout, probe=None):
        self.prefix = prefix
        number = next(_runs)
        self.log = f"{folder}\\dialogs-{number}.jsonl"
        self.stop_file = f"{folder}\\stop-{number}"
        script = f"{folder}\\answers-{number}.txt"
        write_file(prefix, script, "".join(f"{answer}\r\n" for answer in answers))
        args = [ANSWERER, self.log, script, self.stop_file, int(timeout) + 30, default]
        args += [probe] if probe else []
        self.process = prefix.spawn(args)
        # It creates its log once it watches (and has set the probe). Under
        # load Wine now and then ends a program before it ran at all: that
        # start is tried again, and only a lasting failure is the rig's.
        log = prefix.unix_path(self.log)
        deadline = time.monotonic() + WINE_TIMEOUT
        starts = 1
        while not log.exists():
            ended = self.process.poll() is not None
            if ended and starts < _ANSWERER_STARTS and time.monotonic() < deadline:
                note_retry(f"answerer ended with {self.process.returncode} before it watched")
                self.process = prefix.spawn(args)
                starts += 1
            elif ended or time.monotonic() > deadline:
                self.close()
                raise RuntimeError(f"the answerer did not start: {_streams(self.process)}")
            time.sleep(_POLL)

    def dialogs(self):
        lines = _lines(self.prefix, self.log)
        dialogs = []
        for number, line in enumerate(lines, 1):
            try:
                dialogs.append(json.loads(line))
            except ValueError:
                # Only the last line may be still being written; a bad one before it is a broken answerer.
                if number < len(lines):
                    raise RuntimeError(f"{self.log} line {number} is no record: {line!r}") from None
        return dialogs

    def read_whole(self):
        """The dialogs, each read whole: a text the answerer could not read is
        the rig's failure, never an empty text of the program's."""
        dialogs = self.dialogs()
        unread = [d for d in dialogs if d.get("unread")]
        if unread:
            raise RuntimeError(f"rig: the answerer could not read every text of these dialogs: {unread}")
        return dialogs

    def stuck(self):
        """A dialog the script had an answer for that no button matched."""
        return next((d for d in self.dialogs()
                     if d["clicked"] is None and d["answer"].lower() != "none"), None)

    def close(self, keep_probe=False):
        if self.process.poll() is None and keep_probe:
            self.process.kill()
        if self.process.poll() is None:
            write_file(self.prefix, self.stop_file, "")
            try:
                self.process.wait(10)
            except Exception:
                self.process.kill()
                self.process.wait()


def _wineboot_running(prefix):
    return any(image == "wineboot.exe" for _, image in prefix_processes(prefix.path))


def _restarting(prefix, probe_file):
    return prefix.unix_path(probe_file).exists() or _wineboot_running(prefix)


def _probe_command(folder):
    """The RunOnce command that records what a program left for the restart.

    It first plays the boot manager: the entry this start used, and a pending
    one-time sequence forgotten, as Windows forgets it. A reg.exe that Wine
    fails to start under load is tried again (cmd's "||"), so a lost record
    is not read as an empty RunOnce."""
    export = f'reg export "{RUNONCE}" {folder}\\runonce.reg /y /reg:64'
    return (f'cmd /c C:\\windows\\system32\\bcdedit.exe /qv-start {folder}\\started.txt'
            f' & ({export} || {export} || {export})'
            f' & copy /y {STUB}\\store.txt {folder}\\store.txt & copy /y C:\\boot.ini {folder}\\boot.ini')


def _finish_restart(prefix, run, folder, probe_file, answers, default, timeout):
    """Waits for the restart and for what RunOnce started, answering their dialogs."""
    run.restarted = True
    deadline = time.monotonic() + timeout
    # The restart ends every program of the prefix before it runs RunOnce, the
    # probe first: an answerer started before the probe ran would be ended too.
    while not prefix.unix_path(probe_file).exists() and _wineboot_running(prefix) \
            and time.monotonic() < deadline:
        time.sleep(_POLL)
    answerer = _Answerer(prefix, folder, answers, default, timeout)
    try:
        while not prefix.wait_idle(timeout=0.2, ignore={"answerer.exe"}):
            if answerer.stuck() or time.monotonic() > deadline:
                run.timed_out = not answerer.stuck()
                run.stuck_dialog = answerer.stuck()
                break
    finally:
        answerer.close()
    run.dialogs += answerer.read_whole()
    if prefix.unix_path(probe_file).exists():
        text = read_file(prefix, probe_file).decode("utf-16")
        keys = parse_reg(text)
        run.runonce_at_restart = {name: data for values in keys.values()
                                  for name, (_, data) in values.items()}
        run.bcd_store_at_restart = bcd_store(prefix, f"{folder}\\store.txt")
        try:
            run.boot_ini_at_restart = read_file(prefix, f"{folder}\\boot.ini")
        except FileNotFoundError:
            pass
        started = _lines(prefix, f"{folder}\\started.txt")
        if started:
            run.started_entry, run.started_elements = started[0], _elements(started[1:])


def run_program(prefix, command, answers=(), timeout=60, default="OK", follow_restart=True):
    """Runs a Windows command line (list) in the prefix with the answerer beside it.

    answers: one per dialog, in order (a button caption, "none" or "close");
    default: for dialogs after those (OK, first, none).
    A restart the program starts is followed to its end: the RunOnce values run
    (dialogs answered with the answers left), and the programs they start end.
    """
    folder = f"{HELPERS}\\run-{next(_runs)}"
    prefix.unix_path(folder).mkdir(parents=True, exist_ok=True)
    probe_file = f"{folder}\\runonce.reg"
    answerer = _Answerer(prefix, folder, answers, default, timeout, probe=_probe_command(folder))
    run = Run(exit_code=None, exe=str(command[0]))
    restarting = False
    deadline = time.monotonic() + timeout
    try:
        for start in range(1, _STAND_IN_TRIES + 1):
            process = prefix.spawn(command, prefix.output_file("program"))
            while process.poll() is None:
                run.stuck_dialog = answerer.stuck()
                if run.stuck_dialog or time.monotonic() > deadline:
                    run.timed_out = run.stuck_dialog is None
                    process.kill()
                    break
                time.sleep(_POLL)
            run.exit_code = process.wait()
            # Wine did not start it at all (it did nothing): started again.
            if run.timed_out or not not_started(process.out_path.read_bytes()) or start == _STAND_IN_TRIES:
                break
            note_retry(f"Wine did not start {command[0]}: {_streams(process)}")
        if run.timed_out or run.stuck_dialog:
            run.exit_code = None
        restarting = not run.stuck_dialog and _restarting(prefix, probe_file)
    finally:
        # A stopped answerer removes the probe, which a restart still has to run.
        answerer.close(keep_probe=restarting)
    run.dialogs = answerer.read_whole()
    run.output = process.out_path.read_bytes().decode("utf-8", errors="replace")
    run.errors = process.err_path.read_bytes().decode("utf-8", errors="replace")
    if restarting:
        if follow_restart:
            left = list(answers)[len(run.dialogs):]
            _finish_restart(prefix, run, folder, probe_file, left, default, timeout)
        else:
            run.restarted = True
    run.bcd_log = _lines(prefix, STUB + r"\calls.log")
    run.bcd_store = bcd_store(prefix)
    run.decoy_log = _lines(prefix, STUB + r"\decoy.log")
    return run


def run_quorvine(prefix, args=(), answers=(), folder=r"C:\Tools", timeout=60, default="OK",
                 exe=None, follow_restart=True):
    """Puts Quorvine.exe into folder and runs it with args; see run_program.

    /status changes nothing and always writes its lines: a run of it that
    ended with its code but left no line lost its output on the way, and is
    tried again (the stand-ins' logs as before, counted in QV_RIG_RETRY_LOG)."""
    path = install_quorvine(prefix, folder, exe)
    if [arg.lower() for arg in args] != ["/status"]:
        return run_program(prefix, [path, *args], answers, timeout, default, follow_restart)
    logs = _saved(prefix, (STUB + r"\calls.log", MANAGE_BDE_FOLDER + r"\manage-bde.log"))
    failures = []
    for _ in range(_STAND_IN_TRIES):
        run = run_program(prefix, [path, *args], answers, timeout, default, follow_restart)
        if run.exit_code is None or run.dialogs or output_lines(run):
            return run
        failures.append(run.evidence())
        note_retry(f"{path} /status: no output line: {run.evidence()}")
        _put_back(prefix, logs)
    raise RuntimeError(f"rig: {path} /status lost its output {_STAND_IN_TRIES} times:\n" + "\n".join(failures))


def run_unseen(prefix, args=(), folder=r"C:\Tools", timeout=60):
    """Runs Quorvine.exe with args in a window station of its own, where a box is
    never seen, as a service or a management agent's job runs it (qv_probe
    unseen). A box there would hold it until qv_probe ends it with 124."""
    path = install_quorvine(prefix, folder)
    return run_program(prefix, [PROBE, "unseen", path, *args], timeout=timeout)


def restart(prefix, answers=(), timeout=60, default="OK"):
    """A restart the test forces: every process of the prefix ends, then wineboot -r runs RunOnce."""
    folder = f"{HELPERS}\\run-{next(_runs)}"
    prefix.unix_path(folder).mkdir(parents=True, exist_ok=True)
    probe_file = f"{folder}\\runonce.reg"
    reg_set(prefix, RUNONCE, PROBE_VALUE, _probe_command(folder))
    prefix.stop()
    prefix.start_server()
    run = Run(exit_code=None, exe="wineboot -r")
    boot = prefix.spawn(["wineboot", "-r"])
    _finish_restart(prefix, run, folder, probe_file, answers, default, timeout)
    if boot.poll() is None:
        boot.kill()
    run.exit_code = boot.wait()
    run.bcd_log = _lines(prefix, STUB + r"\calls.log")
    run.bcd_store = bcd_store(prefix)
    run.decoy_log = _lines(prefix, STUB + r"\decoy.log")
    return run
