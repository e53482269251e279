"""One run of Nimbara.exe in a Wine environment, driven from outside as a user would.

    session = NimbaraSession(winenv, exe).start()
    session.key("alt+v"); session.wait_shown(True)
    dialog = session.open_settings()        # a click on the toolbar's "设置" button
    session.exit()                          # a click on "退出程序" (or the command when hidden)
"""

import contextlib
import subprocess

from harness import wait_until

WM_NULL = 0x0000
WM_CLOSE = 0x0010
WM_COMMAND = 0x0111
WM_HOTKEY = 0x0312
BM_GETCHECK = 0x00F0
HKM_GETHOTKEY = 0x0402
BST_CHECKED = 1

# A spot on the desktop clear of the history window, the dialogs and the taskbar.
POINTER_REST = (1000, 10)

# Command ids of the toolbar and tray menu, as the program's readers from outside see them.
TOOL_BUTTON_8 = 1008  # "退出程序"

# The registry as the 32-bit program sees it (Wine's reg with /reg:32): the machine's keys,
# where Wine lets it write, and the user's own, which it reads first.
NIMBARA_KEY = r"HKLM\SOFTWARE\Nimbara"
RUN_KEY = r"HKLM\SOFTWARE\Microsoft\Windows\CurrentVersion\Run"
USER_NIMBARA_KEY = r"HKCU\SOFTWARE\Nimbara"
USER_RUN_KEY = r"HKCU\SOFTWARE\Microsoft\Windows\CurrentVersion\Run"

# Designed sizes are scaled by the text height of "宋体" at 96 dpi over the designed 12: on this
# Wine the face is WenQuanYi Micro Hei, 14 pixels high.
TEXT_HEIGHT = 14


def scale(designed):
    """MulDiv(designed, TEXT_HEIGHT, 12): rounded half away from zero."""
    return (designed * TEXT_HEIGHT * 2 + 12) // 24


def mod_vk(mod, vk):
    """WM_HOTKEY's lParam: the modifiers in the low word, the key in the high word."""
    return (vk << 16) | mod


def center(rect):
    return (rect[0] + rect[2]) // 2, (rect[1] + rect[3]) // 2


class NimbaraSession:
    def __init__(self, env, exe):
        self.env = env
        self.probe = env.probe
        self.exe = exe
        self.process = None
        self.pid = None
        self.main = None
        self.application = None

    # --- life --------------------------------------------------------------------------------

    def start(self, hotkey=(1, 86), held=True):
        """Starts Nimbara and returns once its start-up is over and it holds its hotkey.

        hotkey: the combination it is to load, as (MOD_ flags, virtual key); the registry values
        a test put there decide it. held: False when another program holds that combination, so
        that Nimbara cannot.
        """
        before = {w["hwnd"] for w in self.probe.windows()}
        self.process = self.env.spawn([self.exe])
        self.current_hotkey_for_messages = hotkey

        def main_window():
            if self.process.poll() is not None:
                raise AssertionError(f"Nimbara ended with code {self.process.returncode}")
            return next((w for w in self.probe.windows()
                         if w["class"] == "TMainForm" and w["hwnd"] not in before), None)

        window = wait_until(main_window, 120, message="Nimbara's main window did not appear")
        self.main, self.pid, self.application = window["hwnd"], window["pid"], window["owner"]
        # The window exists before its creation steps have run, and a message sent to it can be
        # answered while they wait on another program (the shell's notification area). Idle in
        # its message loop, the program has done them all; registering the hotkey is the last.
        self.probe.idle(self.pid, 180000)
        if held:
            wait_until(lambda: held_by_nimbara(self.probe, *hotkey), 60,
                       message=f"hotkey {hotkey} not held after the start")
        return self

    def running(self):
        return self.process is not None and self.process.poll() is None

    def exit(self):
        """The exit command: a click on "退出程序" when the window is shown."""
        if self.shown():
            self.env.click(*self.tool_button(7))
        else:
            self.probe.post(self.main, WM_COMMAND, TOOL_BUTTON_8, 0)
        self.wait_ended()

    def wait_ended(self, timeout=60):
        try:
            self.process.wait(timeout)
        except subprocess.TimeoutExpired:
            raise AssertionError("Nimbara did not end") from None
        return self.process.returncode

    def kill(self):
        if self.running():
            self.probe.post(self.main, WM_CLOSE, 0, 0)
            try:
                self.process.wait(15)
            except subprocess.TimeoutExpired:
                self.process.kill()
                self.process.wait(15)

    # --- the main window ---------------------------------------------------------------------

    def window(self, hwnd):
        return next((w for w in self.probe.windows(self.pid) if w["hwnd"] == hwnd), None)

    def shown(self):
        return self.window(self.main)["visible"]

    def wait_shown(self, shown, timeout=60):
        wait_until(lambda: self.shown() == shown, timeout,
                   message=f"the history window did not become {'shown' if shown else 'hidden'}")

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
        return self.probe.send(self.main, WM_HOTKEY, 1, mod_vk(mod, vk))

    def tool_button(self, index):
        """Screen centre of toolbar button index (0 "隐藏" .. 7 "退出程序", 3 and 6 separators),
        where the toolbar itself places it."""
        toolbar = next(c for c in self.probe.children(self.main)
                       if c["class"] == "ToolbarWindow32")
        return center(self.probe.toolbar(toolbar["hwnd"])["buttons"][index]["rect"])

    def tile_texts(self):
        return [c["text"] for c in self.probe.children(self.main) if 301 <= c["id"] <= 312]

    def message_boxes(self):
        return [w for w in self.probe.windows(self.pid) if w["class"] == "#32770"]

    # --- the settings dialog -----------------------------------------------------------------

    def open_settings(self):
        """Shows the window if needed and clicks "设置"; returns the dialog's hwnd once shown."""
        if not self.shown():
            assert self.hotkey_message(*self.current_hotkey_for_messages) == 1, \
                "the hotkey message was not taken"
            self.wait_shown(True)
        self.env.click(*self.tool_button(2))
        return self.wait_settings_shown()

    # Sent as WM_HOTKEY to bring the window up; tests change it when they change the hotkey.
    current_hotkey_for_messages = (1, 86)

    def settings_window(self):
        return next((w for w in self.probe.windows(self.pid) if w["class"] == "TSetupForm"), None)

    def wait_settings_shown(self, timeout=60):
        return wait_until(lambda: (w := self.settings_window()) and w["visible"] and w["hwnd"],
                          timeout, message="the settings dialog did not show")

    def wait_settings_closed(self, timeout=60):
        wait_until(lambda: not ((w := self.settings_window()) and w["visible"]), timeout,
                   message="the settings dialog did not close")

    def controls(self, dialog):
        return {c["id"]: c for c in self.probe.children(dialog)}

    def click_control(self, dialog, control_id):
        self.env.click(*center(self.controls(dialog)[control_id]["rect"]))

    def checked(self, dialog, control_id):
        hwnd = self.controls(dialog)[control_id]["hwnd"]
        return self.probe.send(hwnd, BM_GETCHECK, 0, 0) == BST_CHECKED

    def hotkey_control_value(self, dialog):
        hwnd = self.controls(dialog)[HOT_KEY_1]["hwnd"]
        return self.probe.send(hwnd, HKM_GETHOTKEY, 0, 0) & 0xFFFF

    def dialog_state(self, dialog):
        """(CheckBox1, RadioButton1, RadioButton2, the capture control's value)."""
        return (self.checked(dialog, CHECK_BOX_1), self.checked(dialog, RADIO_BUTTON_1),
                self.checked(dialog, RADIO_BUTTON_2), self.hotkey_control_value(dialog))


# Control ids of the settings dialog.
GROUP_BOX_1, CHECK_BOX_1, GROUP_BOX_2, RADIO_BUTTON_1 = 101, 102, 103, 104
RADIO_BUTTON_2, HOT_KEY_1, BIT_BTN_1, BIT_BTN_2 = 105, 106, 107, 108


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
