"""Wine prefixes and an X display for the tests.

Prefixes are 64-bit (a 32-bit program runs in them under WoW64 where the
host can run 32-bit code at all); where it can, a 32-bit prefix (WINEARCH=win32,
bits=32) stands for a 32-bit Windows such as XP. Every Wine call has a time
limit and writes its output to a file: Wine's helper processes inherit the
output and would hold a pipe open for ever.
"""

import fcntl
import os
import select
import shutil
import signal
import subprocess
import sys
import tempfile
import time
from dataclasses import dataclass
from pathlib import Path, PureWindowsPath

from .registry import note_retry, reg_import

ROOT = Path(__file__).resolve().parents[2]
WINE = "/usr/lib/wine/wine64"
# The 32-bit loader, for 32-bit prefixes: wine64 refuses them.
WINE32 = "/usr/lib/wine/wine"
WINESERVER = "/usr/lib/wine/wineserver64"
CACHE = Path(os.environ.get("QV_RIG_CACHE", "/tmp/quorvine-rig"))
VERSIONS = ("winxp", "vista", "win7", "win8", "win81", "win10")
MARKER = r"C:\quorvine-test-prefix.marker"
HELPERS = r"C:\qvtest"
STUB = r"C:\bcdstub"
WINE_TIMEOUT = 60
BOOT_TIMEOUT = 180
# Bump when what a base prefix holds changes, so old caches are rebuilt.
BASE_FORMAT = "4"
TOOL_TARGETS = ("bcdedit", "bcdedit_decoy", "answerer", "qv_probe", "qv_msgboxes", "ets", "uiprobe", "qv_marker",
                "qv_marker_dll", "manage_bde")
TOOL_FILES = ("bcdedit.exe", "bcdedit-decoy.exe", "answerer.exe", "qv_probe.exe", "qv_msgboxes.exe",
              "ets-standin.exe", "qv_marker.exe", "qv_marker_dll.dll", "manage-bde.exe")

# Set by tools/test-all; every process the rig starts carries it as QV_RIG_TAG,
# so sweep() finds whatever a killed test run left behind.
RUN_TAG = os.environ.get("QV_RIG_RUN", "")

# Processes Wine keeps in a running prefix; everything else is somebody's program.
SYSTEM_PROCESSES = {"wineserver", "wineserver64", "services.exe", "winedevice.exe", "plugplay.exe",
                    "svchost.exe", "rpcss.exe", "explorer.exe", "winemenubuilder.exe", "conhost.exe"}


def note(message):
    print(f"rig: {message}", file=sys.stderr, flush=True)


def build_dir(arch):
    return ROOT / "build" / f"windows-{arch}"


def build(preset, targets=()):
    """Configures (once) and builds a preset, or only the named targets."""
    binary = ROOT / "build" / preset
    with tempfile.TemporaryFile() as out:
        if not (binary / "build.ninja").exists():
            subprocess.run(["cmake", "--preset", preset], cwd=ROOT, stdout=out, stderr=out, check=False)
        command = ["cmake", "--build", "--preset", preset]
        if targets:
            command += ["--target", *targets]
        done = subprocess.run(command, cwd=ROOT, stdout=out, stderr=out, check=False)
        if done.returncode != 0:
            out.seek(0)
            raise RuntimeError(f"build of {preset} failed:\n{out.read().decode(errors='replace')[-4000:]}")


def ensure_tools(arch="x64"):
    """Builds the stand-ins when they are missing: 64-bit for the 64-bit prefixes,
    32-bit (arch="x86") for the 32-bit ones."""
    if not all((build_dir(arch) / name).exists() for name in TOOL_FILES):
        build(f"windows-{arch}", TOOL_TARGETS)


def build_for_tests(targets=()):
    """Decides the build under test (see test_arch), builds its preset in this
    run (all of it, or the targets) and the 64-bit stand-ins; returns x86 or x64."""
    arch = test_arch()
    build(f"windows-{arch}", targets)
    build("windows-x64", TOOL_TARGETS)
    return arch


def wine_version():
    done = subprocess.run([WINE, "--version"], stdin=subprocess.DEVNULL, capture_output=True,
                          text=True, timeout=WINE_TIMEOUT, check=False)
    return done.stdout.strip()


@dataclass
class Result:
    """A finished program. output (and raw, its bytes) is its standard output
    alone; errors is its standard error, where Wine's own messages go too:
    Wine's helper processes inherit the first program's standard error and
    write to it whenever they like, so it is never mixed into the output."""

    returncode: int | None
    output: str
    timed_out: bool = False
    raw: bytes = b""
    errors: str = ""
    args: tuple = ()
    call: str = ""

    def evidence(self):
        """What a failure message shows: the command, its end, and both streams whole."""
        end = "timed out" if self.timed_out else f"exit {self.returncode}"
        return (f"{' '.join(map(str, self.args))} (call {self.call}): {end}\n"
                f"  standard output: {self.raw!r}\n  standard error: {self.errors!r}")


# What Wine's start.exe prints when Wine could not start a program itself and
# handed it on, and that failed too (seen under load, with exit 1 and
# "Internal error"): the program never ran.
NOT_STARTED = b"Application could not be started, or no application associated with the specified file."
_START_TRIES = 3


def not_started(raw):
    """True when the output is start.exe's word that the program never ran."""
    return raw.startswith(NOT_STARTED)


def wine_messages(text):
    """The lines Wine itself writes ("wine: ...", and err:/fixme: where a channel is on)."""
    return [line for line in text.splitlines() if line.startswith(("wine:", "err:", "fixme:", "wine client error"))]


class Display:
    """An Xvfb server on a free display, for as long as the object is open."""

    def __init__(self):
        read_end, write_end = os.pipe()
        # -displayfd picks a free number, so parallel test layers never collide.
        self.process = subprocess.Popen(
            ["Xvfb", "-displayfd", str(write_end), "-screen", "0", "1024x768x24", "-nolisten", "tcp"],
            pass_fds=(write_end,), stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
            stderr=subprocess.DEVNULL, start_new_session=True, env={**os.environ, "QV_RIG_TAG": RUN_TAG})
        os.close(write_end)
        number = b""
        deadline = time.monotonic() + 15
        while not number.endswith(b"\n") and time.monotonic() < deadline:
            ready, _, _ = select.select([read_end], [], [], 0.5)
            if ready:
                chunk = os.read(read_end, 16)
                if not chunk:
                    break
                number += chunk
        os.close(read_end)
        if not number.strip():
            self.close()
            raise RuntimeError("Xvfb did not start")
        self.name = f":{number.decode().strip()}"

    def close(self):
        if self.process.poll() is None:
            self.process.terminate()
            try:
                self.process.wait(5)
            except subprocess.TimeoutExpired:
                self.process.kill()
                self.process.wait()

    def __enter__(self):
        return self

    def __exit__(self, *exc):
        self.close()


def _environ_has(pid, entry):
    try:
        with open(f"/proc/{pid}/environ", "rb") as environ:
            return entry in b"\0" + environ.read()
    except OSError:
        return False


def sweep(tag):
    """Kills what the rig started under QV_RIG_RUN=tag and removes its prefixes."""
    if not tag:
        return
    entry = f"QV_RIG_TAG={tag}".encode() + b"\0"
    for pid in (int(p) for p in os.listdir("/proc") if p.isdigit()):
        if pid != os.getpid() and _environ_has(pid, entry):
            try:
                os.kill(pid, signal.SIGKILL)
            except ProcessLookupError:
                pass
    for tag_file in (CACHE / "cases").glob("*/tag"):
        if tag_file.read_text() == tag:
            shutil.rmtree(tag_file.parent, ignore_errors=True)


def prefix_processes(path):
    """(pid, Windows image name in lower case) of each live process of the prefix at path."""
    wanted = f"WINEPREFIX={path}".encode() + b"\0"
    found = []
    for entry in os.listdir("/proc"):
        if not entry.isdigit():
            continue
        try:
            with open(f"/proc/{entry}/stat", "rb") as stat:
                if stat.read().rsplit(b")", 1)[1].split()[0] == b"Z":
                    continue
            if not _environ_has(entry, wanted):
                continue
            with open(f"/proc/{entry}/cmdline", "rb") as cmdline:
                image = cmdline.read().split(b"\0")[0].decode(errors="replace")
        except (OSError, IndexError):
            continue
        found.append((int(entry), image.replace("\\", "/").rsplit("/", 1)[-1].lower()))
    return found


class Prefix:
    """A Wine prefix: a throw-away Windows with its own registry and C: drive."""

    def __init__(self, path, version=None, display=None, bits=64):
        self.path = Path(path)
        self.version = version
        self.display = display
        self.bits = bits
        self.wine = WINE32 if bits == 32 else WINE
        self.scratch = self.path.parent / "rig"
        self.scratch.mkdir(exist_ok=True)
        self._outputs = 0
        # Wine's debug channels for the programs started here ("-all,+eventlog").
        self.winedebug = "-all"

    @property
    def drive_c(self):
        return self.path / "drive_c"

    def env(self):
        env = dict(os.environ)
        for name in ("WINEARCH", "WINELOADER", "WINESERVER", "WINEDLLPATH"):
            env.pop(name, None)
        env.update(WINEPREFIX=str(self.path), WINEDEBUG=self.winedebug, LC_ALL="C.UTF-8",
                   WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d")
        if self.bits == 32:
            env["WINEARCH"] = "win32"
        env["QV_RIG_TAG"] = RUN_TAG
        # Tells test programs the prefix's version: win7 prefixes have no Version value.
        if self.version:
            env["QV_WINE_VERSION"] = self.version
        if self.display:
            env["DISPLAY"] = self.display
        else:
            env.pop("DISPLAY", None)
        return env

    def output_file(self, stem="out"):
        self._outputs += 1
        return self.scratch / f"{stem}-{self._outputs}.txt"

    def _direct(self, args):
        """A bare name such as "reg" or "bcdedit" by its path in the system folder.

        Wine hands a bare name to its start.exe, which looks the program up and
        runs it as a second process: the process the rig waits for and whose
        exit code it reads is start.exe, and under load start.exe itself
        failed to find reg.exe ("Internal error"). By its path the program is
        the process the rig started."""
        name = str(args[0]) if args else ""
        if not name or any(c in name for c in "\\/:"):
            return args
        for candidate in (name, name + ".exe"):
            path = self.drive_c / "windows" / "system32" / candidate
            if candidate.lower().endswith(".exe") and path.is_file():
                return [rf"C:\windows\system32\{candidate}", *args[1:]]
        return args

    def _start(self, args, out_path, program=None):
        # Standard error to a file of its own: Wine and its helper processes
        # write there, and nothing of theirs may come before the program's output.
        err_path = out_path.with_name(out_path.stem + ".err")
        env = self.env()
        # The stand-ins name the call in their record of what they printed.
        env["QV_RIG_CALL"] = f"{self.path.parent.name}/{out_path.stem}"
        if not program:
            args = self._direct(args)
        with open(out_path, "wb") as out, open(err_path, "wb") as err:
            process = subprocess.Popen([program or self.wine, *map(str, args)], env=env, stdin=subprocess.DEVNULL,
                                       stdout=out, stderr=err)
        process.out_path, process.err_path, process.call = out_path, err_path, env["QV_RIG_CALL"]
        return process

    def run(self, args, timeout=WINE_TIMEOUT, program=None):
        """Runs a Windows program (or wineserver) to its end; kills it at the time limit.

        A program Wine did not start at all (see NOT_STARTED) did nothing, so
        it is started again, and counted in QV_RIG_RETRY_LOG; a program that
        stays unstartable (a missing one) gives start.exe's answer."""
        for _ in range(_START_TRIES - 1):
            done = self._run_once(args, timeout, program)
            if not not_started(done.raw) or program:
                return done
            note_retry(f"Wine did not start the program: {done.evidence()}")
        return self._run_once(args, timeout, program)

    def _run_once(self, args, timeout, program):
        process = self._start(args, self.output_file(), program)
        try:
            code, timed_out = process.wait(timeout), False
        except subprocess.TimeoutExpired:
            process.kill()
            code, timed_out = process.wait(), True
        raw = process.out_path.read_bytes()
        errors = process.err_path.read_bytes().decode("utf-8", errors="replace")
        return Result(code, raw.decode("utf-8", errors="replace"), timed_out, raw, errors, tuple(args), process.call)

    def check(self, args, timeout=WINE_TIMEOUT):
        done = self.run(args, timeout)
        if done.timed_out or done.returncode != 0:
            raise RuntimeError(f"rig: {done.evidence()}")
        return done

    def spawn(self, args, out_path=None):
        """Starts a Windows program in the background; its streams go to out_path and err_path."""
        return self._start(args, out_path or self.output_file("spawn"))

    def start_server(self):
        # Persistent, so each program starts in a tenth of a second; the limit
        # ends a server that a crashed test left behind.
        self.run(["-p", "300"], timeout=WINE_TIMEOUT, program=WINESERVER)

    def stop(self):
        """Ends every process of the prefix and its wineserver."""
        self.run(["-k"], timeout=WINE_TIMEOUT, program=WINESERVER)
        deadline = time.monotonic() + 10
        while time.monotonic() < deadline:
            alive = prefix_processes(self.path)
            if not alive:
                return
            time.sleep(0.1)
        for pid, _ in prefix_processes(self.path):
            try:
                os.kill(pid, signal.SIGKILL)
            except ProcessLookupError:
                pass

    def wait_idle(self, timeout=WINE_TIMEOUT, ignore=()):
        """Waits until only Wine's own processes (and those named in ignore) are left."""
        deadline = time.monotonic() + timeout
        while time.monotonic() < deadline:
            busy = [image for _, image in prefix_processes(self.path)
                    if image not in SYSTEM_PROCESSES and image not in ignore]
            if not busy:
                return True
            time.sleep(0.1)
        return False

    def unix_path(self, windows_path):
        """The Linux path of a Windows path in this prefix; existing names match case-insensitively."""
        windows = PureWindowsPath(windows_path)
        drive = windows.drive.lower()
        if not drive.endswith(":"):
            raise ValueError(f"not an absolute Windows path: {windows_path}")
        path = (self.path / "dosdevices" / drive).resolve()
        for part in windows.parts[1:]:
            match = path / part
            if not match.exists() and path.is_dir():
                for entry in path.iterdir():
                    if entry.name.lower() == part.lower():
                        match = entry
                        break
            path = match
        return path

    def close(self):
        """Stops the prefix and removes it."""
        self.stop()
        shutil.rmtree(self.path.parent, ignore_errors=True)

    def __enter__(self):
        return self

    def __exit__(self, *exc):
        self.close()


# Copies hard-link Wine's own program files (most of a prefix's 700 MB): nothing
# in a test writes to them, and the stand-ins are installed by replacing files.
_SHARED_FOLDERS = ("drive_c/windows/system32/", "drive_c/windows/syswow64/")
_SHARED_SUFFIXES = {".dll", ".exe", ".drv", ".sys", ".ocx", ".cpl", ".acm", ".ax", ".tlb", ".ds"}


def _copy_prefix(source, target):
    source = Path(source)

    def copy(src, dst):
        relative = Path(src).relative_to(source).as_posix()
        if relative.startswith(_SHARED_FOLDERS) and Path(src).suffix.lower() in _SHARED_SUFFIXES:
            os.link(src, dst)
        else:
            shutil.copy2(src, dst)

    shutil.copytree(source, target, symlinks=True, copy_function=copy)


class _Lock:
    """An flock on the cache, shared while copying a base and exclusive while making one."""

    def __init__(self, exclusive):
        CACHE.mkdir(parents=True, exist_ok=True)
        self.mode = fcntl.LOCK_EX if exclusive else fcntl.LOCK_SH

    def __enter__(self):
        self.file = open(CACHE / ".lock", "a+")
        fcntl.flock(self.file, self.mode)
        return self

    def __exit__(self, *exc):
        fcntl.flock(self.file, fcntl.LOCK_UN)
        self.file.close()


# What Windows itself keeps in the registry for each version, as a program
# reading it (instead of asking GetVersionEx) would see it:
# CurrentVersion, build, service pack, product name.
_VERSION_REGISTRY = {
    "winxp": ("5.1", "2600", "Service Pack 3", "Microsoft Windows XP"),
    "vista": ("6.0", "6002", "Service Pack 2", "Windows Vista (TM) Ultimate"),
    "win7": ("6.1", "7601", "Service Pack 1", "Windows 7 Professional"),
    "win8": ("6.2", "9200", "", "Windows 8 Pro"),
    "win81": ("6.3", "9600", "", "Windows 8.1 Pro"),
    "win10": ("6.3", "18362", "", "Windows 10 Pro"),
}


def _version_values(version):
    current, build, service_pack, name = _VERSION_REGISTRY[version]
    key = r"HKLM\Software\Microsoft\Windows NT\CurrentVersion"
    values = {(r"HKCU\Software\Wine", "Version"): version,
              (key, "CurrentVersion"): current, (key, "CurrentBuild"): build,
              (key, "CurrentBuildNumber"): build, (key, "CSDVersion"): service_pack,
              (key, "ProductName"): name}
    if version == "win10":
        values.update({(key, "CurrentMajorVersionNumber"): 10, (key, "CurrentMinorVersionNumber"): 0})
    return values


def _stamp():
    return f"{wine_version()} format {BASE_FORMAT}\n"


def _ready(path, stamp):
    ready = path / ".qv-ready"
    return ready.exists() and ready.read_text() == stamp


def _settle(prefix):
    # The registry reaches the disk when the wineserver ends.
    if prefix.run(["-w"], timeout=WINE_TIMEOUT, program=WINESERVER).timed_out:
        prefix.stop()


def base_prefix(version="win7", bits=64):
    """The prepared prefix for a Windows version, made once and kept in the cache.

    One 64-bit base per version serves both builds; bits=32 gives a 32-bit
    prefix (base-winxp32 and so on), where only 32-bit programs run.
    """
    if version not in VERSIONS:
        raise ValueError(f"unknown Windows version {version!r}; one of {VERSIONS}")
    if bits not in (32, 64):
        raise ValueError("bits is 32 or 64")
    suffix = "32" if bits == 32 else ""
    stamp = _stamp()
    base = CACHE / f"base-{version}{suffix}" / "pfx"
    with _Lock(exclusive=False):
        if _ready(base, stamp):
            return base
    with _Lock(exclusive=True):
        if _ready(base, stamp):
            return base
        pristine = CACHE / f"base-pristine{suffix}" / "pfx"
        if not _ready(pristine, stamp):
            shutil.rmtree(pristine.parent, ignore_errors=True)
            pristine.parent.mkdir(parents=True)
            started = time.monotonic()
            prefix = Prefix(pristine, bits=bits)
            done = prefix.run(["wineboot", "-i"], timeout=BOOT_TIMEOUT)
            if done.timed_out or done.returncode != 0:
                raise RuntimeError(f"wineboot -i failed: {done.evidence()}")
            # A crash prints a backtrace and ends the program, instead of
            # waiting for somebody to close winedbg's dialog.
            reg_import(prefix, {
                # A crash prints a backtrace and ends the program, instead of
                # waiting for somebody to close winedbg's dialog.
                (r"HKCU\Software\Wine\WineDbg", "ShowCrashDialog"): 0,
                # Windows inside a Wine desktop show at once; as bare X windows
                # without a window manager each took two seconds to appear.
                (r"HKCU\Software\Wine\Explorer", "Desktop"): "Default",
                (r"HKCU\Software\Wine\Explorer\Desktops", "Default"): "1024x768",
            })
            _settle(prefix)
            (pristine / ".qv-ready").write_text(stamp)
            note(f"made a {bits}-bit Wine prefix in {time.monotonic() - started:.1f} s")
        shutil.rmtree(base.parent, ignore_errors=True)
        base.parent.mkdir(parents=True)
        _copy_prefix(pristine, base)
        prefix = Prefix(base, version, bits=bits)
        reg_import(prefix, _version_values(version))
        if version == "win7":
            # Wine 8.0 takes "win7" for Windows Server 2008 R2 (product type 3);
            # without the value it reads Windows 7 from the values above.
            prefix.check(["reg", "delete", r"HKCU\Software\Wine", "/v", "Version", "/f"])
        _settle(prefix)
        prefix.unix_path(MARKER).write_text("A throw-away prefix of Quorvine's tests.\r\n")
        (base / ".qv-ready").write_text(stamp)
        return base


def _replace(source, target):
    # Unlinked first: the target may be a hard link into the base prefix.
    target.parent.mkdir(parents=True, exist_ok=True)
    target.unlink(missing_ok=True)
    shutil.copy2(source, target)


def install_stand_ins(prefix):
    """bcdedit in the native system32, its decoy in syswow64, the helpers in C:\\qvtest.

    A 32-bit prefix gets them 32-bit, and no decoy: it has no syswow64."""
    arch = "x86" if prefix.bits == 32 else "x64"
    tools = build_dir(arch)
    missing = [name for name in TOOL_FILES if not (tools / name).exists()]
    if missing:
        raise RuntimeError(f"missing in {tools}: {', '.join(missing)}; build them with "
                           f"cmake --build --preset windows-{arch} --target {' '.join(TOOL_TARGETS)}")
    windows = prefix.drive_c / "windows"
    _replace(tools / "bcdedit.exe", windows / "system32" / "bcdedit.exe")
    if prefix.bits == 64:
        _replace(tools / "bcdedit-decoy.exe", windows / "syswow64" / "bcdedit.exe")
    # ets-standin.exe becomes the companion "ets.exe" only where a test copies it.
    for name in ("answerer.exe", "qv_probe.exe", "qv_msgboxes.exe", "ets-standin.exe"):
        _replace(tools / name, prefix.unix_path(HELPERS) / name)


def new_prefix(version="win7", display=None, bits=64, stand_ins=True):
    """A fresh copy of the base prefix with the stand-ins and a running wineserver.

    bits=32: a 32-bit prefix (needs a host that runs 32-bit code)."""
    base = base_prefix(version, bits)
    (CACHE / "cases").mkdir(parents=True, exist_ok=True)
    case = Path(tempfile.mkdtemp(prefix=f"{version}-{bits}-", dir=CACHE / "cases"))
    (case / "tag").write_text(RUN_TAG)
    with _Lock(exclusive=False):
        _copy_prefix(base, case / "pfx")
    prefix = Prefix(case / "pfx", version, display, bits)
    try:
        if stand_ins:
            install_stand_ins(prefix)
        prefix.start_server()
    except BaseException:
        prefix.close()
        raise
    return prefix


_arch = None


def test_arch(announce=True):
    """x86 or x64: the build every layer tests in this run, decided once.

    QV_TEST_ARCH chooses (with QV_TEST_ARCH_WHY, the reason a parent command
    found); otherwise a freshly built 32-bit program is tried in a prefix, and
    the 32-bit build is tested where it starts. announce prints the one line
    that says which and why, unless a parent command decided and printed it."""
    global _arch
    if _arch is None:
        _arch = _choose_arch()
        if announce and not os.environ.get("QV_TEST_ARCH_WHY"):
            print(arch_line(), flush=True)
    return _arch[0]


def arch_line():
    test_arch(announce=False)
    return f"rig: testing the {_arch[0]} build: {_arch[1]}"


def arch_reason():
    test_arch(announce=False)
    return _arch[1]


def _choose_arch():
    chosen = os.environ.get("QV_TEST_ARCH", "")
    if chosen in ("x64", "x86"):
        return chosen, os.environ.get("QV_TEST_ARCH_WHY") or "chosen by QV_TEST_ARCH"
    if chosen:
        raise ValueError(f"QV_TEST_ARCH={chosen!r}: use x64 or x86")
    # Linked anew in this run: what lies in build/ may be another machine's or an old one.
    probe = build_dir("x86") / "qv_probe.exe"
    probe.unlink(missing_ok=True)
    try:
        build("windows-x86", ("qv_probe",))
    except RuntimeError:
        return "x64", "the 32-bit probe program did not build, so the 64-bit build stands in"
    with new_prefix("win7", stand_ins=False) as prefix:
        # Without arguments it prints its usage and exits with 2. Tried once:
        # where no 32-bit program starts, start.exe's failure is the answer.
        done = prefix._run_once([probe], WINE_TIMEOUT, None)
    if done.returncode == 2 and "usage" in done.errors:
        return "x86", "a 32-bit program starts under Wine here"
    return "x64", (f"a 32-bit program does not start under Wine here (exit {done.returncode}"
                   f"{', timed out' if done.timed_out else ''}), so the 64-bit build stands in")
