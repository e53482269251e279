"""Nimbara as the shell and paste-back tests drive it: started in a Wine environment, seen through
the probe (window lists, child windows, pixels), handled with the X mouse and keyboard.

Every part of the history window is a child window with a fixed control id; the tiles' parts are
PColor n (100 + n: the band, text = NewestMark), PFrame n (200 + n: frame caption) and LText n
(300 + n: preview text, enabled while the slot holds a snapshot).
"""

import time

from harness import wait_until

WM_CLOSE = 0x0010
WM_QUERYENDSESSION = 0x0011
WM_ENDSESSION = 0x0016
WM_ACTIVATE = 0x0006
WM_COMMAND = 0x0111
BM_CLICK = 0x00F5

WS_CAPTION = 0x00C00000
WS_POPUP = 0x80000000
WS_SYSMENU = 0x00080000
WS_THICKFRAME = 0x00040000
WS_EX_DLGMODALFRAME = 0x00000001
WS_EX_TOOLWINDOW = 0x00000080

TOGGLE = 1001  # ToolButton1, "隐藏"
CLEAR_ALL = 1002
N1 = 2001  # the tray menu's "打开/隐藏(&O)"

IMG_TITLE, IMAGE14, LMAIN_CAPTION, SB_CLOSE = 10, 11, 12, 13
PANEL_TOP, TOOLBAR1, PANEL_FORM = 20, 21, 30

DESIGNED_TEXT_HEIGHT = 12
LEFT, TOP = 278, 169
CLIENT_WIDTH, CLIENT_HEIGHT = 429, 367

# Tile band colours as they show on the screen (IdleColor is the button face, read from Wine).
NEWEST = (255, 128, 64)
HOVER = (0, 128, 255)
PASTED = (255, 0, 255)
COLOR_BTNFACE = 15


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


def center(rect):
    return (rect[0] + rect[2]) // 2, (rect[1] + rect[3]) // 2


def relative(rect, origin):
    return [rect[0] - origin[0], rect[1] - origin[1], rect[2] - origin[0], rect[3] - origin[1]]


class Nimbara:
    """One running Nimbara.exe: its process, its two top-level windows and its controls."""

    def __init__(self, env, process, main, application):
        self.env = env
        self.probe = env.probe
        self.process = process
        self.main = main
        self.application = application

    @classmethod
    def start(cls, env, exe, timeout=120, empty_clipboard=True):
        """Starts Nimbara and waits for its grid. A new clipboard viewer is told of the clipboard
        at once, so Nimbara captures what is there into slot 1; by default the clipboard is
        emptied first, so that a test's first capture lands in slot 1."""
        probe = env.probe
        if empty_clipboard:
            probe.clip_empty()
        before = {w["hwnd"] for w in probe.windows()}
        process = env.spawn([exe])

        def appeared():
            if process.poll() is not None:
                raise AssertionError(f"Nimbara ended at start with code {process.returncode}")
            new = [w for w in probe.windows() if w["hwnd"] not in before]
            main = [w for w in new if w["class"] == "TMainForm"]
            application = [w for w in new if w["class"] == "NimbaraApplication"]
            return (main[0], application[0]) if main and application else None

        main, application = wait_until(appeared, timeout, message="Nimbara showed no windows")
        program = cls(env, process, main, application)
        # Start-up is over once the creation steps have built the grid.
        wait_until(lambda: len(program.tile_labels()) == 12, 60, message="no tiles")
        return program

    # --- what the probe sees -------------------------------------------------------------------

    @property
    def pid(self):
        return self.main["pid"]

    @property
    def hwnd(self):
        return self.main["hwnd"]

    def window(self, hwnd=None):
        """The top-level entry of the main window (or another of ours) as it is now."""
        hwnd = hwnd or self.hwnd
        return next(w for w in self.probe.windows(self.pid) if w["hwnd"] == hwnd)

    def windows(self):
        return self.probe.windows(self.pid)

    def visible_windows(self):
        return [w for w in self.windows() if w["visible"]]

    def shown(self):
        return self.window()["visible"]

    def rect(self):
        return self.window()["rect"]

    def controls(self):
        """Child windows of the main window by control id."""
        return {c["id"]: c for c in self.probe.children(self.hwnd)}

    def control(self, control_id):
        return self.controls()[control_id]

    def tile_labels(self):
        return {c["id"] - 300: c for c in self.probe.children(self.hwnd) if 301 <= c["id"] <= 312}

    def tile_texts(self):
        """Per slot: (preview text, frame caption, label enabled)."""
        controls = self.controls()
        return {n: (controls[300 + n]["text"], controls[200 + n]["text"], controls[300 + n]["enabled"])
                for n in range(1, 13)}

    def tile_text(self, slot):
        return self.control(300 + slot)["text"]

    def band_pixel(self, slot):
        """A pixel of the tile's 4-pixel colour band, on the screen."""
        band = self.control(100 + slot)["rect"]
        return self.probe.pixel(band[0] + 1, (band[1] + band[3]) // 2)

    def idle_color(self):
        return self.probe.syscolor(COLOR_BTNFACE)

    def toolbar(self):
        return self.probe.toolbar(self.control(TOOLBAR1)["hwnd"])

    def tool_button(self, command):
        return next(b for b in self.toolbar()["buttons"] if b["command"] == command)

    def error_boxes(self):
        return [w for w in self.windows() if w["class"] == "#32770" and w["visible"]]

    def box_contents(self, box):
        """The texts, buttons and icon of a message box."""
        children = self.probe.children(box["hwnd"])
        statics = [c for c in children if c["class"] == "Static"]
        texts = [c["text"] for c in statics if c["text"]]
        icons = [self.probe.icon_of(c["hwnd"]) for c in statics if not c["text"]]
        buttons = [c for c in children if c["class"] == "Button"]
        return texts, icons, buttons

    def wait_error_box(self, timeout=30):
        def box():
            boxes = self.error_boxes()
            if boxes and boxes[0]["title"]:
                texts, _, _ = self.box_contents(boxes[0])
                return boxes[0] if texts else None
            return None

        return wait_until(box, timeout, message="no message box appeared")

    # --- what the user and other programs do ---------------------------------------------------

    def command(self, command_id):
        """A toolbar or menu command, as the toolbar sends it to the main window."""
        self.probe.send(self.hwnd, WM_COMMAND, command_id, 0)

    def show(self):
        if not self.shown():
            self.command(TOGGLE)
        wait_until(self.shown, 10, message="the history window did not show")

    def hide(self):
        if self.shown():
            self.command(TOGGLE)
        wait_until(lambda: not self.shown(), 10, message="the history window did not hide")

    def clear_all(self):
        self.command(CLEAR_ALL)
        wait_until(lambda: all(not t[2] for t in self.tile_texts().values()), 10)

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

    def close(self, timeout=60):
        """Ends the program through its application window; returns the exit code."""
        if self.process.poll() is None:
            self.probe.post(self.application["hwnd"], WM_CLOSE)
        return self.process.wait(timeout)

    def kill(self):
        if self.process.poll() is None:
            self.process.kill()
            self.process.wait(30)


def settle(seconds):
    """A pause for what cannot be waited for by a condition: something that must NOT happen."""
    time.sleep(seconds)
