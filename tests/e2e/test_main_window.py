"""The main window as a user meets it: Quorvine.exe started without arguments in
a prefix under Xvfb, inside a Wine virtual desktop (so windows have their title
bars), clicked with the mouse, driven with Tab, Enter and Escape, its dialogs
answered by the answerer, and looked at in screenshots.

Bold captions cannot be read from outside the program (WM_GETFONT does not
cross processes under Wine), so they are measured on screen: a bold caption
is wider than the same caption in regular weight. The icon is looked for in
the title bar by the colours of its artwork.

Screenshots for people to look at go to build/screenshots/.
"""

import json
import os
import shutil
import struct
import subprocess
import time

import pytest
from PIL import Image

import rig

CLASS = "frmQuorvine"
UIPROBE = rig.HELPERS + r"\uiprobe.exe"
PROGRAM_KEY = r"HKLM\Software\Tamberlow\Quorvine"
SHOTS = rig.ROOT / "build" / "screenshots"

OPTIONS = ["Safe Mode", "Safe Mode with Networking", "Safe Mode with Command Prompt Only", "Normal Mode"]
RESTART = "Restart Windows"
CONFIGURE_ONLY = "Configure Only (No Restart)"
VK_TAB, VK_RETURN, VK_ESCAPE = 9, 13, 27

MODIFICATIONS = ("Modifications were made to the system, you may manually reboot when ready.\r\n\r\n"
                 "Please do NOT remove Quorvine.exe from it's current location!  (Once in 'Safe Mode' "
                 "Quorvine.exe will automatically run again to restore 'Normal Mode' operation!)")
# Colours of the artwork of "A1" (tools/icons/make-icons), opaque in the small image.
A1_COLOURS = {(28, 95, 174), (43, 123, 211)}
LOGO_COLOUR = (210, 40, 150)


def uiprobe_exe():
    built = rig.build_dir("x64") / "uiprobe.exe"
    if not built.exists():
        rig.build("windows-x64", ["uiprobe"])
    return built


def prepare(prefix, dpi=96):
    """The probe in the prefix, a virtual desktop the size of the screen, and the DPI."""
    target = prefix.unix_path(rig.HELPERS) / "uiprobe.exe"
    target.unlink(missing_ok=True)
    shutil.copy2(uiprobe_exe(), target)
    # One import for all three: each reg.exe costs a Wine start. Both settings
    # are read when the desktop and the program start, which is after this.
    document = ("Windows Registry Editor Version 5.00\r\n\r\n"
                "[HKEY_CURRENT_USER\\Software\\Wine\\Explorer]\r\n\"Desktop\"=\"Default\"\r\n\r\n"
                "[HKEY_CURRENT_USER\\Software\\Wine\\Explorer\\Desktops]\r\n\"Default\"=\"1024x768\"\r\n\r\n"
                "[HKEY_CURRENT_USER\\Control Panel\\Desktop]\r\n"
                f"\"LogPixels\"=dword:{dpi:08x}\r\n\r\n")
    settings = prefix.scratch / "ui-settings.reg"
    settings.write_bytes(b"\xff\xfe" + document.encode("utf-16-le"))
    prefix.check(["reg", "import", f"Z:{settings}".replace("/", "\\")])
    return prefix


def map_network_drive(prefix, letter="n"):
    """A drive that Windows reports as a network connection to \\\\qvserver\\tools.

    Wine answers WNetGetConnection for a drive of type "network" whose link
    in dosdevices points into unc/SERVER/SHARE."""
    devices = prefix.path / "dosdevices"
    (devices / "unc" / "qvserver").mkdir(parents=True, exist_ok=True)
    os.symlink("../../../drive_c/Tools", devices / "unc" / "qvserver" / "tools")
    os.symlink("unc/qvserver/tools", devices / f"{letter}:")
    prefix.check(["reg", "add", r"HKLM\Software\Wine\Drives", "/v", f"{letter}:", "/d", "network", "/f"])
    prefix.stop()
    prefix.start_server()
    return f"{letter.upper()}:\\Quorvine.exe"


def write_icon(path, colour):
    """An .ico file with one solid square per size, 32 bits."""
    sizes = (16, 32, 48)
    images = []
    for size in sizes:
        header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 32, 0, 0, 0, 0, 0, 0)
        pixels = bytes((colour[2], colour[1], colour[0], 255)) * (size * size)
        mask = bytes(((size + 31) // 32) * 4 * size)
        images.append(header + pixels + mask)
    directory = struct.pack("<HHH", 0, 1, len(sizes))
    offset = 6 + 16 * len(sizes)
    for size, image in zip(sizes, images):
        directory += struct.pack("<BBBBHHII", size, size, 0, 0, 1, 32, len(image), offset)
        offset += len(image)
    path.parent.mkdir(parents=True, exist_ok=True)
    path.write_bytes(directory + b"".join(images))


class Window:
    """One run of Quorvine.exe whose window is driven while the answerer takes its dialogs."""

    def __init__(self, prefix, display, exe=None, answers=(), default="OK", dpi=96):
        self.prefix, self.display, self.dpi = prefix, display, dpi
        installed = rig.install_quorvine(prefix)
        path = exe or installed
        stamp = time.monotonic_ns()
        folder = rig.HELPERS
        self.log = f"{folder}\\ui-dialogs-{stamp}.jsonl"
        self.stop_file = f"{folder}\\ui-stop-{stamp}"
        script = f"{folder}\\ui-answers-{stamp}.txt"
        rig.write_file(prefix, script, "".join(f"{answer}\r\n" for answer in answers))
        self.answerer = prefix.spawn([rig.HELPERS + r"\answerer.exe", self.log, script, self.stop_file, 300, default])
        self.process = prefix.spawn([path])

    def probe(self, *args):
        for _ in range(3):
            done = self.prefix.run([UIPROBE, *args])
            # state and wait print a window's state when they end with 0: without it the output was lost.
            if args[0] not in ("state", "wait") or done.returncode != 0 or done.output.strip().startswith("{"):
                break
            rig.note_retry(f"uiprobe {' '.join(map(str, args))}: {done.evidence()}")
        return done.returncode, (json.loads(done.output) if done.output.strip().startswith("{") else None)

    def wait(self, wanted="shown", timeout=30):
        code, state = self.probe("wait", CLASS, wanted, int(timeout * 1000))
        assert code == 0, f"the window did not become {wanted}: {state}\ndialogs: {self.dialogs()}"
        return state

    def state(self):
        return self.probe("state", CLASS)[1]

    def control(self, text, state=None):
        state = state or self.state()
        found = next((c for c in state["controls"] if c["text"] == text), None)
        assert found, f"no control {text!r} in {[c['text'] for c in state['controls']]}"
        return found

    def xdotool(self, *args):
        subprocess.run(["xdotool", *map(str, args)], env={**os.environ, "DISPLAY": self.display}, check=True)

    def click(self, text, state=None):
        """A mouse click in the middle of the control, then the mouse goes out of the way."""
        left, top, right, bottom = self.control(text, state)["rect"]
        self.xdotool("mousemove", (left + right) // 2, (top + bottom) // 2)
        time.sleep(0.2)
        self.xdotool("click", 1)
        time.sleep(0.3)
        self.park_mouse()

    def park_mouse(self):
        self.xdotool("mousemove", 1020, 760)

    def key(self, vk):
        assert self.probe("key", CLASS, vk)[0] == 0, f"key {vk}: the window was not found"
        time.sleep(0.4)

    def screenshot(self, path=None):
        self.park_mouse()  # no tool tip, no hot control
        time.sleep(0.8)  # the tip goes and the last paint reaches the screen
        target = path or self.prefix.scratch / f"shot-{time.monotonic_ns()}.png"
        target.parent.mkdir(parents=True, exist_ok=True)
        subprocess.run(["import", "-display", self.display, "-window", "root", str(target)], check=True)
        return Image.open(target).convert("RGB")

    def dialogs(self):
        try:
            lines = rig.read_file(self.prefix, self.log, "utf-8").splitlines()
        except FileNotFoundError:
            return []
        return [json.loads(line) for line in lines if line.strip()]

    def wait_dialog(self, count=1, timeout=30):
        """The count-th dialog, once the answerer has seen it."""
        deadline = time.monotonic() + timeout
        while len(self.dialogs()) < count:
            if time.monotonic() > deadline or self.process.poll() is not None:
                pytest.fail(f"no dialog {count}; dialogs: {self.dialogs()}")
            time.sleep(0.1)
        return self.dialogs()[count - 1]

    def wait_exit(self, timeout=60):
        try:
            return self.process.wait(timeout)
        except subprocess.TimeoutExpired:
            pytest.fail(f"the program did not end; dialogs: {self.dialogs()}")

    def close(self):
        if self.process.poll() is None:
            self.process.kill()
            self.process.wait()
        rig.write_file(self.prefix, self.stop_file, "")
        try:
            self.answerer.wait(10)
        except subprocess.TimeoutExpired:
            self.answerer.kill()
            self.answerer.wait()


@pytest.fixture
def open_window(make_prefix, display):
    """open_window(dpi=96, answers=(), network=False, logo=False, prefix=None): the program's
    window, in a new prefix or again in one given."""
    opened = []

    def start(dpi=96, answers=(), default="OK", network=False, logo=False, prefix=None):
        if prefix is None:
            prefix = prepare(make_prefix("win7"), dpi)
        exe = map_network_drive(prefix) if network else None
        if logo:
            write_icon(prefix.unix_path("C:\\") / "Config" / "applogo.ico", LOGO_COLOUR)
        window = Window(prefix, display, exe, answers, default, dpi)
        opened.append(window)
        window.park_mouse()
        return window

    yield start
    for window in opened:
        window.close()


def caption_width(image, rect, dpi):
    """How wide the caption of an option button is drawn: its ink, right of the round button."""
    left, top, right, bottom = rect
    first = left + round(17 * dpi / 96)
    columns = [x for x in range(first, right)
               if any(sum(image.getpixel((x, y))) < 3 * 110 for y in range(top + 2, bottom - 2))]
    return max(columns) - min(columns) + 1 if columns else 0


def option_widths(window, state):
    image = window.screenshot()
    return [caption_width(image, window.control(text, state)["rect"], window.dpi) for text in OPTIONS]


def checked(state):
    by_text = {control["text"]: control["checked"] for control in state["controls"]}
    return [by_text[text] for text in OPTIONS]


def title_bar_colours(image, state):
    left, top, _, _ = state["window"]
    client_top = state["client"][1]
    height = client_top - top
    return [image.getpixel((x, y)) for x in range(left, left + 3 * height) for y in range(top, client_top)]


def keep_screenshot(image, state, name):
    """The window with a little of the desktop round it, for people to look at."""
    left, top, right, bottom = state["window"]
    SHOTS.mkdir(parents=True, exist_ok=True)
    image.crop((left - 12, top - 12, right + 12, bottom + 12)).save(SHOTS / name)


def boot_mode(prefix):
    return rig.reg_get(prefix, PROGRAM_KEY, "BootMode")


# --- start ------------------------------------------------------------------


@pytest.mark.parametrize("dpi", [96, 144])
def test_the_window_opens_with_safe_mode_chosen_and_a_click_moves_the_bold_caption(open_window, dpi):
    window = open_window(dpi=dpi)
    state = window.wait()
    assert state["caption"] == "Quorvine v4.1.1  -  https://www.tamberlow.com"
    texts = [c["text"] for c in state["controls"]]
    for text in OPTIONS + [RESTART, CONFIGURE_ONLY, "Choose your Boot Mode:", "(Start Windows normally)",
                           "(Loads basic drivers and services only)",
                           "(Adds networking support and internet capabilities)",
                           "(Does not load Windows Explorer, the graphical interface)"]:
        assert text in texts
    assert checked(state) == [True, False, False, False]
    assert all(c["enabled"] for c in state["controls"])
    assert window.dialogs() == []

    # Laid out at the display's DPI: the client area is 9495 by 4065 twips.
    left, top, right, bottom = state["client"]
    assert (right - left, bottom - top) == (int(9495 * dpi / 1440 + 0.5), int(4065 * dpi / 1440 + 0.5))
    # Centred on the screen (the virtual desktop is 1024 by 768).
    wleft, wtop, wright, wbottom = state["window"]
    assert abs((wleft + wright) / 2 - 512) <= 2 and abs((wtop + wbottom) / 2 - 384) <= 2
    # Fixed size with a minimise box: no sizing frame, no maximise box.
    style = state["style"] & 0xFFFFFFFF
    assert style & 0x00020000 and not style & 0x00040000 and not style & 0x00010000

    image = window.screenshot()
    keep_screenshot(image, state, f"main-{dpi}.png")
    assert A1_COLOURS <= set(title_bar_colours(image, state))

    # Bold is measured with the focus on a command button: the focus frame
    # round a caption would widen it.
    window.key(VK_TAB)
    widths = {0: option_widths(window, state)}  # as it opened
    for index in (1, 2, 3, 0):
        window.click(OPTIONS[index], state)
        window.key(VK_TAB)
        assert checked(window.state()) == [option == index for option in range(4)]
        widths[index if index else "clicked 0"] = option_widths(window, state)
    regular = [min(measured[option] for measured in widths.values()) for option in range(4)]
    for chosen, measured in widths.items():
        bold = 0 if chosen == "clicked 0" else chosen
        for option in range(4):
            if option == bold:
                assert measured[option] > regular[option] + 1, (chosen, widths)
            else:
                assert measured[option] == regular[option], (chosen, widths)

    # Escape closes the window and changes nothing.
    window.key(VK_ESCAPE)
    assert window.wait_exit() == 0
    assert window.dialogs() == []
    assert boot_mode(window.prefix) is None
    assert rig.bcd_store(window.prefix) == {}


def test_from_a_network_drive_only_normal_mode_is_offered(open_window):
    # The regular width of "Normal Mode", from a run in a local folder.
    local = open_window()
    local_state = local.wait()
    local.key(VK_TAB)
    regular_normal = option_widths(local, local_state)[3]
    local.key(VK_ESCAPE)
    local.wait_exit()
    local.close()

    window = open_window(network=True, prefix=local.prefix)
    state = window.wait()
    keep_screenshot(window.screenshot(), state, "main-network-96.png")
    assert [d["texts"][0].split(";")[0] for d in window.dialogs()] == [
        "Quorvine may be running from the network"]
    assert checked(state) == [False, False, False, True]
    enabled = {c["text"]: c["enabled"] for c in state["controls"]}
    for text in OPTIONS[:3] + ["(Loads basic drivers and services only)",
                               "(Adds networking support and internet capabilities)",
                               "(Does not load Windows Explorer, the graphical interface)"]:
        assert not enabled[text], text
    for text in ["Normal Mode", "(Start Windows normally)", RESTART, CONFIGURE_ONLY]:
        assert enabled[text], text
    window.key(VK_TAB)
    assert option_widths(window, state)[3] > regular_normal + 1


def test_an_applogo_in_a_config_folder_users_can_change_is_not_taken(open_window):
    # Wine reports every folder as the user's: the program's own icon shows.
    window = open_window(logo=True)
    state = window.wait()
    colours = title_bar_colours(window.screenshot(), state)
    assert LOGO_COLOUR not in colours
    assert A1_COLOURS & set(colours)


# --- the buttons (they run the mode operations) -------------------------------


def test_configure_only_records_each_safe_mode_and_says_what_was_done(open_window):
    prefix = None
    for option, mode in ((0, 1), (1, 2), (2, 3)):
        window = open_window(prefix=prefix)
        prefix = window.prefix
        rig.reg_delete(prefix, PROGRAM_KEY, "BootMode")
        state = window.wait()
        window.click(OPTIONS[option], state)
        if option == 1:
            window.key(VK_TAB)  # from the option to "Configure Only (No Restart)", then Enter
            assert window.control(CONFIGURE_ONLY)["focused"]
            window.key(VK_RETURN)
        else:
            window.click(CONFIGURE_ONLY, state)
        assert window.wait_exit() == 0, mode
        dialogs = window.dialogs()
        assert dialogs and dialogs[-1]["texts"] == [MODIFICATIONS], (mode, dialogs)
        assert dialogs[-1]["title"] == "Quorvine", mode
        assert boot_mode(prefix) == mode
        window.close()  # its answerer too: two would race for the next run's dialogs


def test_restart_with_normal_mode_answered_no_configures_without_restarting(open_window):
    window = open_window(answers=["No", "OK"])
    state = window.wait()
    window.click("Normal Mode", state)
    window.click(RESTART, state)
    assert window.wait_exit() == 0
    assert [(d["title"], d["texts"], d["clicked"]) for d in window.dialogs()] == [
        ("Restart Windows normally?",
         ["Windows is now configured to restart in 'Normal Mode', would you like to restart now?"], "No"),
        ("Quorvine", ["Windows will start normally the next time you restart."], "OK"),
    ]
    assert boot_mode(window.prefix) is None
    assert not any(image == "wineboot.exe" for _, image in rig.prefix_processes(window.prefix.path))


def test_a_declined_safe_mode_restart_brings_the_window_back_with_its_choice(open_window):
    # The restart question is left open until the test has seen the window hidden.
    window = open_window(answers=["none", "OK"])
    start = window.wait()
    window.click("Safe Mode with Networking", start)
    window.click(RESTART, start)
    question = window.wait_dialog()
    assert question["texts"] == ["Restart into Safe Mode with Networking?"]
    assert window.state()["visible"] is False
    assert window.probe("click", "#32770", "No")[0] == 0, window.dialogs()
    state = window.wait("shown")
    dialogs = window.dialogs()
    assert [d["answer"] for d in dialogs] == ["none", "OK"]
    assert dialogs[-1]["texts"] == ["No modifications were made to the system."]
    assert checked(state) == [False, True, False, False]
    assert boot_mode(window.prefix) is None
    assert window.process.poll() is None
    window.key(VK_ESCAPE)
    assert window.wait_exit() == 0


def test_normal_typed_while_the_window_is_open_is_done_at_once(open_window):
    # Only configuring and restoring keep two runs apart; an open window does not.
    window = open_window(default="none")
    window.wait()
    rig.write_file(window.prefix, rig.STUB + r"\store.txt", "safeboot minimal\r\n")
    started = time.monotonic()
    run = rig.run_quorvine(window.prefix, ["/normal"], answers=["No", "OK"], timeout=40)
    assert time.monotonic() - started < 30 and run.exit_code == 0, run.dialogs
    assert rig.bcd_store(window.prefix) == {}
    assert window.process.poll() is None
    window.key(VK_ESCAPE)
    assert window.wait_exit() == 0


def test_configure_only_of_the_command_prompt_mode_on_a_bitlocker_drive_asks_first(open_window, make_prefix):
    prefix = prepare(make_prefix("win7"))
    rig.install_manage_bde(prefix, protected=True, recovery=["{5C2E9A10-7B3D-4F61-9E08-2D4C6B8A1F37}"])
    window = open_window(answers=["No", "OK"], prefix=prefix)
    state = window.wait()
    window.click(OPTIONS[2], state)
    window.click(CONFIGURE_ONLY, state)
    window.wait_dialog(2)
    window.wait("shown")
    question, declined = window.dialogs()
    assert question["texts"][0].startswith("Configure Safe Mode with Command Prompt Only for the next restart?"
                                           "\r\n\r\nBitLocker protects drive C:."), question
    assert "{5C2E9A10-7B3D-4F61-9E08-2D4C6B8A1F37}" in question["texts"][0]
    assert declined["texts"] == ["No modifications were made to the system."]
    assert boot_mode(prefix) is None and rig.bcd_store(prefix) == {}
    window.key(VK_ESCAPE)
    assert window.wait_exit() == 0
