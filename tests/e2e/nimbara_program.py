"""Nimbara.exe driven from outside as a user would: started in a Wine environment, seen through the
probe (window lists, child windows, pixels), handled with the X mouse and keyboard.

    nimbara = Nimbara.start(env, exe)        # the conftest fixtures start_nimbara and nimbara do it
    nimbara.key("alt+v"); nimbara.wait_shown(True)
    dialog = nimbara.open_settings()          # a click on the toolbar's "设置"
    nimbara.exit()                            # a click on "退出程序" (or the command when hidden)

Every part of the history window is a child window with a fixed control id; the tiles' parts are
PColor n (100 + n: the band, text = NewestMark), PFrame n (200 + n: frame caption) and LText n
(300 + n: preview text, enabled while the slot holds a snapshot).
"""

import contextlib
import os
import subprocess

from harness import wait_until

# The numbers and texts the tests share; imported from here too by the older tests.
from nimbara_constants import *  # noqa: F401,F403


def mul_div(value, numerator, denominator):
    """MulDiv: value * numerator / denominator rounded to the nearest, as Win32 rounds."""
    product = value * numerator
    sign = -1 if (product < 0) != (denominator < 0) else 1
    return sign * ((abs(product) + abs(denominator) // 2) // abs(denominator))


class Scale:
    """Designed sizes (96 dpi, text height 12) scaled by the measured text height."""

    def __init__(self, text_height):
        self.text_height = text_height

    def __call__(self, designed):
        return mul_div(designed, self.text_height, DESIGNED_TEXT_HEIGHT)

    def rect(self, x, y, width, height):
        """A designed rectangle as the program places it: both corners scaled."""
        return [self(x), self(y), self(x + width), self(y + height)]


def text_scale(probe):
    """The scale the program's layout follows: "宋体" 9 pt as measured here, against 12."""
    return Scale(probe.font(SONG_TI, 9)["height"])


def center(rect):
    return (rect[0] + rect[2]) // 2, (rect[1] + rect[3]) // 2


def relative(rect, origin):
    return [rect[0] - origin[0], rect[1] - origin[1], rect[2] - origin[0], rect[3] - origin[1]]


def mod_vk(mod, vk):
    """WM_HOTKEY's lParam: the modifiers in the low word, the key in the high word."""
    return (vk << 16) | mod


def differing_pixels(reference, shot, fuzz="12%"):
    """How many pixels of two pictures of one size differ by more than fuzz (ImageMagick)."""
    result = subprocess.run(["compare", "-metric", "AE", "-fuzz", fuzz, str(reference), str(shot),
                             "null:"], capture_output=True, text=True, timeout=120)
    if result.returncode > 1:
        raise AssertionError(f"cannot compare with {reference}: {result.stderr.strip()}")
    return int(float(result.stderr.split()[0]))


def assert_looks_like(shot, reference, share=0.005):
    """The picture matches the kept reference but for anti-aliasing: at most share of its pixels
    differ. After a deliberate change of the look, NIMBARA_UPDATE_REFERENCES=1 writes the new
    picture over the reference; look at it before committing it."""
    if os.environ.get("NIMBARA_UPDATE_REFERENCES") == "1":
        reference.parent.mkdir(exist_ok=True)
        subprocess.run(["convert", str(shot), str(reference)], check=True, timeout=120)
    assert reference.exists(), f"no {reference}: run once with NIMBARA_UPDATE_REFERENCES=1"
    width, height = (int(v) for v in subprocess.run(
        ["identify", "-format", "%w %h", str(shot)], capture_output=True, text=True, check=True,
        timeout=60).stdout.split())
    size = subprocess.run(["identify", "-format", "%w %h", str(reference)], capture_output=True,
                          text=True, check=True, timeout=60).stdout.split()
    assert [int(v) for v in size] == [width, height], f"{shot} is not the size of {reference}"
    differing = differing_pixels(reference, shot)
    if differing > width * height * share:
        now = shot.with_name(shot.stem + "_now.png")
        subprocess.run(["convert", str(shot), str(now)], timeout=120)
        raise AssertionError(f"{differing} pixels differ from {reference}; the picture now: {now}")


class Nimbara:
    """One running Nimbara.exe: its process, its windows and its controls."""

    def __init__(self, env, exe, process, main, application):
        self.env = env
        self.probe = env.probe
        self.exe = exe
        self.process = process
        self.main = main
        self.application = application

    @classmethod
    def start(cls, env, exe, empty_clipboard=True, hotkey=(1, 86), held=True, timeout=120):
        """Starts Nimbara and returns once its start-up is over and it holds its hotkey.

        A new clipboard viewer is told of the clipboard at once, so Nimbara captures what is
        there into slot 1; by default the clipboard is emptied first, so that a test's first
        capture lands in slot 1. hotkey: the combination it is to load, as (MOD_ flags, virtual
        key); the registry values a test put there decide it. held: False when another program
        holds that combination, so that Nimbara cannot.
        """
        probe = env.probe
        if empty_clipboard:
            probe.clip_empty()
        before = {w["hwnd"] for w in probe.windows()}

        def appeared():
            new = [w for w in probe.windows() if w["hwnd"] not in before]
            main = [w for w in new if w["class"] == "TMainForm"]
            application = [w for w in new if w["class"] == "NimbaraApplication"]
            return (main[0], application[0]) if main and application else None

        process, (main, application) = env.start_shown([exe], appeared, timeout, "Nimbara")
        program = cls(env, exe, process, main, application)
        # The window exists before its creation steps have run, and a message sent to it can be
        # answered while they wait on another program (the shell's notification area). Idle in
        # its message loop, the program has done them all; registering the hotkey is the last.
        probe.idle(program.pid, 180000)
        if held:
            wait_until(lambda: held_by_nimbara(probe, *hotkey), 60,
                       message=f"hotkey {hotkey} not held after the start")
        program.hotkey = hotkey
        return program

    # --- what the probe sees -------------------------------------------------------------------

    @property
    def pid(self):
        return self.main["pid"]

    @property
    def hwnd(self):
        return self.main["hwnd"]

    def running(self):
        return self.process.poll() is None

    def window(self, hwnd=None):
        """The top-level entry of the main window (or another of ours) as it is now; None when
        it is gone."""
        hwnd = hwnd or self.hwnd
        return next((w for w in self.probe.windows(self.pid) if w["hwnd"] == hwnd), None)

    def windows(self):
        return self.probe.windows(self.pid)

    def visible_windows(self):
        return [w for w in self.windows() if w["visible"]]

    def shown(self):
        return self.window()["visible"]

    def wait_shown(self, shown, timeout=60):
        wait_until(lambda: self.shown() == shown, timeout,
                   message=f"the history window did not become {'shown' if shown else 'hidden'}")

    def rect(self):
        return self.window()["rect"]

    def scale(self):
        return text_scale(self.probe)

    def client_rect(self, hwnd=None):
        """A top-level window's client area in screen coordinates, as the desktop's child."""
        desktop = self.probe.screen()["desktop"]
        hwnd = hwnd or self.hwnd
        return next(c["client"] for c in self.probe.children(desktop) if c["hwnd"] == hwnd)

    def controls(self, hwnd=None):
        """Child windows of the main window (or of a dialog) by control id."""
        return {c["id"]: c for c in self.probe.children(hwnd or self.hwnd)}

    def control(self, control_id):
        return self.controls()[control_id]

    def tile_texts(self):
        """Per slot: (preview text, frame caption, label enabled)."""
        controls = self.controls()
        return {n: (controls[300 + n]["text"], controls[200 + n]["text"],
                    controls[300 + n]["enabled"])
                for n in range(1, 13)}

    def previews(self):
        """The twelve preview texts, slot 1 first."""
        return [text for text, _, _ in self.tile_texts().values()]

    def band_pixel(self, slot):
        """A pixel of the tile's 4-pixel colour band, on the screen."""
        band = self.control(100 + slot)["rect"]
        return self.probe.pixel(band[0] + 1, (band[1] + band[3]) // 2)

    def idle_color(self):
        return self.probe.syscolor(COLOR_BTNFACE)

    def toolbar(self):
        return self.probe.toolbar(self.control(MainControl.kToolBar)["hwnd"])

    def tool_button(self, command):
        return next(b for b in self.toolbar()["buttons"] if b["command"] == command)

    def stats(self):
        """Memory, handles and windows of the process, as the system tells another program."""
        return self.probe.call("proc-stats", self.pid)

    def assert_looks_like(self, rect, path, reference, share=0.005, timeout=30):
        """The picture at rect matches the reference (see assert_looks_like), grabbed again
        until it does: a hover look goes once Wine's poll of the pointer sees it gone, which a
        loaded machine runs late."""
        def matches():
            assert_looks_like(self.grab(rect, path), reference, share)
            return True

        wait_until(matches, timeout)  # on time-out, the last comparison's failure is raised

    def grab(self, rect, path, timeout=30):
        """A screen grab of rect once the program has painted: it is idle in its message loop
        and two grabs in a row are the same picture."""
        left, top, right, bottom = rect
        self.probe.idle(self.pid)
        previous = None

        def steady():
            nonlocal previous
            self.probe.grab(left, top, right - left, bottom - top, path)
            picture, previous = previous, path.read_bytes()
            return picture == previous

        wait_until(steady, timeout, message=f"the picture at {rect} did not settle")
        return path

    # --- message boxes -------------------------------------------------------------------------

    def message_boxes(self):
        """The program's message boxes, shown or not."""
        return [w for w in self.windows() if w["class"] == "#32770"]

    def error_boxes(self):
        return [w for w in self.message_boxes() if w["visible"]]

    def box_contents(self, box):
        """The texts, buttons and icon of a message box."""
        children = self.probe.children(box["hwnd"])
        statics = [c for c in children if c["class"] == "Static"]
        texts = [c["text"] for c in statics if c["text"]]
        icons = [self.probe.icon_of(c["hwnd"]) for c in statics if not c["text"]]
        buttons = [c for c in children if c["class"] == "Button"]
        return texts, icons, buttons

    def box_texts(self):
        return [text for box in self.error_boxes() for text in self.box_contents(box)[0]]

    def wait_error_box(self, timeout=30):
        def box():
            boxes = self.error_boxes()
            if boxes and boxes[0]["title"]:
                texts, _, _ = self.box_contents(boxes[0])
                return boxes[0] if texts else None
            return None

        return wait_until(box, timeout, message="no message box appeared")

    def dismiss_boxes(self):
        """Presses OK on every shown message box of the program; returns their texts."""
        texts = self.box_texts()
        for box in self.error_boxes():
            self.probe.post(box["hwnd"], WM_COMMAND, IDOK, 0)
        return texts

    # --- what the user and other programs do ---------------------------------------------------

    def command(self, command_id):
        """A toolbar or menu command, as the toolbar sends it to the main window."""
        self.probe.send(self.hwnd, WM_COMMAND, command_id, 0)

    def show(self):
        if not self.shown():
            self.command(Command.kToolToggle)
        self.wait_shown(True, 10)

    def hide(self):
        if self.shown():
            self.command(Command.kToolToggle)
        self.wait_shown(False, 10)

    def clear_all(self):
        self.command(Command.kToolClearAll)
        wait_until(lambda: all(not t[2] for t in self.tile_texts().values()), 10)

    def key(self, *combinations):
        """Presses the combinations one after the other, as one stream of X key events.

        The pointer rests away from Nimbara's windows meanwhile: X gives the keys to the window
        under it, and when a hotkey shows or hides a window there, the release of a modifier
        goes to another Wine process than its press, and Wine can lose it.
        """
        self.env.move(*POINTER_REST, sync=False)
        self.env.key(*combinations)

    def hotkey_message(self, mod, vk):
        """WM_HOTKEY as the system posts it for a combination; returns the handler's result."""
        return self.probe.send(self.hwnd, WM_HOTKEY, 1, mod_vk(mod, vk))

    def click_centre(self, control):
        self.env.click(*center(control["rect"]))

    def click_control(self, control_id, button=1):
        self.env.click(*center(self.control(control_id)["rect"]), button=button)

    def click_tile(self, slot):
        self.env.click(*center(self.control(300 + slot)["rect"]))

    def click_tool_button(self, command):
        self.env.click(*center(self.tool_button(command)["rect"]))

    def pointer_away(self):
        """The pointer over the bare desktop, off every window of the tests."""
        self.env.move(self.env.width - 5, 5)

    def wait_capture(self, slot, text=None, timeout=30):
        """Until slot holds a snapshot (and shows text, when given)."""
        def captured():
            label = self.control(300 + slot)
            return label["enabled"] and (text is None or label["text"] == text)

        try:
            wait_until(captured, timeout)
        except AssertionError:
            raise AssertionError(f"slot {slot} did not capture {text!r}; the tiles show "
                                 f"{self.tile_texts()}") from None

    def shows(self, text, timeout=60):
        """Until some tile shows text; returns its slot."""
        wait_until(lambda: text in self.previews(), timeout,
                   message=f"no tile shows {text!r}: {self.previews()}")
        return self.previews().index(text) + 1

    # --- the dialogs ---------------------------------------------------------------------------

    def dialog(self, window_class):
        """A dialog's top-level entry while it is shown, else None."""
        return next((w for w in self.windows() if w["class"] == window_class and w["visible"]),
                    None)

    def open_dialog(self, command, window_class):
        """Shows the history window with the hotkey if needed and clicks the toolbar button."""
        if not self.shown():
            assert self.hotkey_message(*self.hotkey) == 1, "the hotkey message was not taken"
            self.wait_shown(True)
        self.click_tool_button(command)
        return wait_until(lambda: self.dialog(window_class), 60,
                          message=f"no {window_class} after a click on the toolbar")

    def open_settings(self):
        """A click on "设置"; returns the dialog's hwnd once shown."""
        return self.open_dialog(Command.kToolSettings, "TSetupForm")["hwnd"]

    def open_about(self):
        """A click on "关于"; returns the dialog's entry once shown."""
        return self.open_dialog(Command.kToolAbout, "TAboutForm")

    def wait_settings_closed(self, timeout=60):
        wait_until(lambda: self.dialog("TSetupForm") is None, timeout,
                   message="the settings dialog did not close")

    def click_dialog_control(self, dialog, control_id):
        self.click_centre(self.controls(dialog)[control_id])

    def checked(self, dialog, control_id):
        hwnd = self.controls(dialog)[control_id]["hwnd"]
        return self.probe.send(hwnd, BM_GETCHECK, 0, 0) == BST_CHECKED

    def hotkey_control_value(self, dialog):
        hwnd = self.controls(dialog)[SettingsControl.kHotKeyEdit]["hwnd"]
        return self.probe.send(hwnd, HKM_GETHOTKEY, 0, 0) & 0xFFFF

    def dialog_state(self, dialog):
        """(CheckBox1, RadioButton1, RadioButton2, the capture control's value)."""
        return (self.checked(dialog, SettingsControl.kStartWithWindows),
                self.checked(dialog, SettingsControl.kUseDefaultHotKey),
                self.checked(dialog, SettingsControl.kUseCustomHotKey),
                self.hotkey_control_value(dialog))

    # --- the end -------------------------------------------------------------------------------

    def exit(self):
        """The exit command: a click on "退出程序" when the window is shown."""
        if self.shown():
            self.click_tool_button(Command.kToolExit)
        else:
            self.probe.post(self.hwnd, WM_COMMAND, Command.kToolExit, 0)
        return self.wait_ended()

    def wait_ended(self, timeout=60):
        try:
            return self.process.wait(timeout)
        except subprocess.TimeoutExpired:
            raise AssertionError("Nimbara did not end") from None

    def close(self, timeout=60):
        """Ends the program through its application window; returns the exit code."""
        if self.running():
            self.probe.post(self.application["hwnd"], WM_CLOSE)
        return self.process.wait(timeout)

    def kill(self):
        if self.running():
            self.process.kill()
            self.process.wait(30)

    def end(self):
        """After a test: the boxes answered, the program closed, or killed when it will not."""
        if not self.running():
            return
        try:
            self.dismiss_boxes()
            self.close(timeout=30)
        except Exception:  # noqa: BLE001 - a program that does not end is ended
            self.kill()


def held_by_nimbara(probe, mod, vk):
    """The probe cannot take a combination that Nimbara holds; a free one it gives back."""
    answer = probe.hotkey(mod, vk)
    if answer["registered"]:
        probe.unhotkey(answer["id"])
    return not answer["registered"]


@contextlib.contextmanager
def taken_by_probe(probe, mod, vk):
    """The probe holds a combination that Nimbara must not hold, and its events are cleared.

    Pressed meanwhile, the combination reaches the probe as a hotkey event instead of the active
    window: the shell's taskbar takes a stray Alt+V for its keyboard menu, and Wine can then lose
    the release of the modifier pressed next, so that later hotkeys arrive with one too many.
    """
    answer = probe.hotkey(mod, vk)
    assert answer["registered"], f"{(mod, vk)} is held, by Nimbara or another program"
    probe.clear_events()
    try:
        yield
    finally:
        probe.unhotkey(answer["id"])


def clear_settings(env):
    for nimbara_key, run_key in ((NIMBARA_KEY, RUN_KEY), (USER_NIMBARA_KEY, USER_RUN_KEY)):
        env.reg_delete(nimbara_key)
        env.reg_delete(run_key, "Nimbara")
