"""The notification-area icon and its menu, handled from outside with the real mouse.

This Wine (8.0) draws the notification area of a virtual desktop with the shell at the right
end of the taskbar (Shell_TrayWnd along the bottom); the icons are painted into that window, not
child windows, so the icon is found by its pixels. Another program's menu cannot be read in
Wine (its HMENU belongs to that process), so the tray menu is compared, pixel for pixel, with a
menu that tray_probe.exe shows with the expected captions; the same probe tells where each item
lies inside the menu window (the conftest fixture item_places), so the items can be clicked.
"""

import subprocess
import time

from harness import build_dir, wait_until
from nimbara_constants import Command

TRAY_MENU = ["打开/隐藏(&O)", "全部清空(&C)", "系统设置(&S)", "-", "帮助(&H)", "关于(&A)", "-",
             "退出系统(&X)"]
# The items by their commands, in the menu's order (None: a separator).
MENU_ORDER = [Command.kMenuToggle, Command.kMenuClearAll, Command.kMenuSettings, None,
              Command.kMenuHelp, Command.kMenuAbout, None, Command.kMenuExit]
AWAY = (600, 60)  # an empty spot of the desktop: a click there closes a menu


def tray_probe():
    return build_dir() / "tests" / "probes" / "tray_probe.exe"


class Screen:
    """One grab of the X screen, read in Windows screen coordinates."""

    def __init__(self, winenv):
        self.width, _, self.rgb = winenv.screen()
        self.ox, self.oy = winenv.origin

    def pixel(self, x, y):
        i = ((y + self.oy) * self.width + x + self.ox) * 3
        return self.rgb[i:i + 3]

    def crop(self, rect):
        left, top, right, bottom = rect
        return b"".join(self.pixel(x, y) for y in range(top, bottom) for x in range(left, right))


def steady_pixels(winenv, window):
    """The pixels of a window once drawn (two grabs in a row are the same)."""
    rect = window["rect"]
    previous = None

    def steady():
        nonlocal previous
        pixels, previous = previous, Screen(winenv).crop(rect)
        return pixels == previous and pixels

    return wait_until(steady, 30, message=f"the picture at {rect} did not settle")


def window_of_class(probe, cls, visible=True, pid=None):
    for w in probe.windows(pid):
        if w["class"] == cls and (visible is None or w["visible"] == visible):
            return w
    return None


def icon_box(winenv, probe):
    """The bounding box of what is drawn in the right end of the taskbar, None when empty."""
    bar = window_of_class(probe, "Shell_TrayWnd")
    assert bar, "the desktop has no taskbar"
    left, top, right, bottom = bar["rect"]
    screen = Screen(winenv)
    background = screen.pixel(right - 120, (top + bottom) // 2)
    xs, ys = [], []
    for y in range(top + 2, bottom - 2):
        for x in range(right - 100, right):
            if screen.pixel(x, y) != background:
                xs.append(x)
                ys.append(y)
    return (min(xs), min(ys), max(xs), max(ys)) if xs else None


def icon_centre(winenv, probe):
    box = wait_until(lambda: icon_box(winenv, probe), 60, message="no icon in the tray")
    return (box[0] + box[2]) // 2, (box[1] + box[3]) // 2


def main_window_shown(probe, pid):
    main = window_of_class(probe, "TMainForm", visible=None, pid=pid)
    assert main, "Nimbara's main window is gone"
    return main["visible"]


def wait_shown(probe, pid, shown):
    wait_until(lambda: main_window_shown(probe, pid) == shown, 30,
               message=f"the history window did not become {'shown' if shown else 'hidden'}")


def open_tray_menu(winenv, probe):
    winenv.click(*icon_centre(winenv, probe), button=3)
    return wait_until(lambda: window_of_class(probe, "#32768"), 30,
                      message="the tray menu did not open")


def close_menu(winenv, probe):
    winenv.click(*AWAY)
    wait_until(lambda: window_of_class(probe, "#32768") is None, 30,
               message="the menu did not close")


def reference_menu(winenv, probe, checked):
    """Shows the expected menu at 300, 100: its pixels, and each item's place in it."""
    process = winenv.spawn([tray_probe(), "menu", 300, 100, 120000, checked, *TRAY_MENU],
                           stdout=subprocess.PIPE)
    menu = wait_until(lambda: window_of_class(probe, "#32768"), 60,
                      message="the reference menu did not open")
    # The probe tells the places from a timer, which comes only after the menu is painted.
    lines = [process.stdout.readline().decode() for _ in TRAY_MENU]
    pixels = steady_pixels(winenv, menu)
    close_menu(winenv, probe)
    process.communicate(timeout=60)
    items = [tuple(map(int, line.split()[2:])) for line in lines if line.startswith("item ")]
    assert len(items) == len(TRAY_MENU)
    return (menu["rect"][2] - menu["rect"][0], menu["rect"][3] - menu["rect"][1]), pixels, items


def menu_pixels(winenv, probe):
    """The tray menu as shown: its size and pixels, then it is closed."""
    menu = open_tray_menu(winenv, probe)
    rect = menu["rect"]
    probe.idle(menu["pid"])  # Nimbara is back in the menu's loop: the menu is painted
    pixels = steady_pixels(winenv, menu)
    close_menu(winenv, probe)
    return (rect[2] - rect[0], rect[3] - rect[1]), pixels


def choose(winenv, probe, item, places, dwell=0):  # dwell: the user's seconds over the menu
    menu = open_tray_menu(winenv, probe)
    time.sleep(dwell)
    left, top, right, bottom = places[MENU_ORDER.index(item)]
    winenv.click(menu["rect"][0] + (left + right) // 2, menu["rect"][1] + (top + bottom) // 2)
    wait_until(lambda: window_of_class(probe, "#32768") is None, 30,
               message="the menu did not close after the choice")
