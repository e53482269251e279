"""The notification-area icon, driven from outside with the real mouse.

This Wine (8.0) draws the notification area of a virtual desktop with the shell at the right
end of the taskbar (Shell_TrayWnd along the bottom); the icons are painted into that window, not
child windows, so the icon is found by its pixels. Another program's menu cannot be read in
Wine (its HMENU belongs to that process), so the tray menu is compared, pixel for pixel, with a
menu that tray_probe.exe shows with the expected captions; the same probe tells where each item
lies inside the menu window, so the items can be clicked.
"""

import subprocess
import time

import pytest

from harness import build_dir, wait_until

TRAY_MENU = ["打开/隐藏(&O)", "全部清空(&C)", "系统设置(&S)", "-", "帮助(&H)", "关于(&A)", "-",
             "退出系统(&X)"]
N1, N4, N5, N7, N8, N2 = 0, 1, 2, 4, 5, 7  # item positions in the menu
WM_CLOSE = 0x0010
EMPTY_TILE = "(空)"
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
    process = winenv.spawn([tray_probe(), "menu", 300, 100, 4000, checked, *TRAY_MENU],
                           stdout=subprocess.PIPE)
    menu = wait_until(lambda: window_of_class(probe, "#32768"), 60,
                      message="the reference menu did not open")
    time.sleep(0.5)  # drawn by now
    pixels = Screen(winenv).crop(menu["rect"])
    out, _ = process.communicate(timeout=60)
    items = [tuple(map(int, line.split()[2:])) for line in out.decode().splitlines()
             if line.startswith("item ")]
    assert len(items) == len(TRAY_MENU)
    return (menu["rect"][2] - menu["rect"][0], menu["rect"][3] - menu["rect"][1]), pixels, items


def menu_pixels(winenv, probe):
    """The tray menu as shown: its size and pixels, then it is closed."""
    menu = open_tray_menu(winenv, probe)
    time.sleep(0.5)
    rect = menu["rect"]
    pixels = Screen(winenv).crop(rect)
    close_menu(winenv, probe)
    return (rect[2] - rect[0], rect[3] - rect[1]), pixels


@pytest.fixture(scope="module")
def item_places(_module_winenv):
    """Where each item lies inside the menu window (the same for the tray menu)."""
    return reference_menu(_module_winenv, _module_winenv.probe, 0)[2]


def choose(winenv, probe, item, places):
    menu = open_tray_menu(winenv, probe)
    left, top, right, bottom = places[item]
    winenv.click(menu["rect"][0] + (left + right) // 2, menu["rect"][1] + (top + bottom) // 2)
    wait_until(lambda: window_of_class(probe, "#32768") is None, 30,
               message="the menu did not close after the choice")


@pytest.fixture
def nimbara(winenv, probe, start_program, nimbara_exe):
    assert tray_probe().exists(), f"{tray_probe()} was not built"
    program = start_program(nimbara_exe, "TMainForm")
    icon_centre(winenv, probe)
    yield program
    if program.process.poll() is None:
        probe.post(program.hwnd, WM_CLOSE)
        try:
            program.process.wait(60)
        except subprocess.TimeoutExpired:
            program.process.kill()
            program.process.wait(10)
    wait_until(lambda: icon_box(winenv, probe) is None, 30, message="the icon outlived Nimbara")


def test_after_start_only_the_icon_shows_and_it_has_no_tooltip(winenv, probe, nimbara):
    box = icon_box(winenv, probe)
    assert 8 <= box[2] - box[0] + 1 <= 24 and 8 <= box[3] - box[1] + 1 <= 24
    assert not main_window_shown(probe, nimbara.pid)
    hidden = window_of_class(probe, "NimbaraTrayIcon", visible=False, pid=nimbara.pid)
    assert hidden and hidden["rect"] == [0, 0, 0, 0]
    # Wine shows no tooltip over tray icons at all, so this only guards against one
    # appearing; the empty tooltip in every record is shown by the Win32 tests.
    winenv.move(*icon_centre(winenv, probe))
    time.sleep(2)
    assert window_of_class(probe, "tooltips_class32") is None


def test_a_click_on_the_icon_toggles_the_history_window(winenv, probe, nimbara):
    centre = icon_centre(winenv, probe)
    winenv.click(*centre)
    wait_shown(probe, nimbara.pid, True)
    winenv.click(*centre)
    wait_shown(probe, nimbara.pid, False)


def test_a_double_click_toggles_twice(winenv, probe, nimbara):
    # A double click reaches the icon as release, double click, release: two toggles within
    # a blink, too short to catch the window shown. But each show brings the window to the top
    # of the Z order, where it stays while hidden; the order tells that it was shown between.
    centre = icon_centre(winenv, probe)
    swatch = probe.swatch(700, 20, 20, 20, "00FF00")  # topmost, above the hidden window

    def shown_in_between():
        order = [w["hwnd"] for w in probe.windows()]
        return order.index(nimbara.hwnd) < order.index(swatch)

    try:
        assert not shown_in_between()
        winenv.click(*centre, repeat=2)
        wait_until(shown_in_between, 30, message="the window was not shown by the first click")
        time.sleep(2)
        assert not main_window_shown(probe, nimbara.pid), "the second click hid it again"
    finally:
        probe.unswatch()


def test_the_tray_menu_has_the_eight_items_and_checks_the_first_while_shown(
        winenv, probe, nimbara):
    unchecked_size, unchecked, _ = reference_menu(winenv, probe, 0)
    checked_size, checked, _ = reference_menu(winenv, probe, 1)
    assert unchecked != checked
    size, pixels = menu_pixels(winenv, probe)
    assert size == unchecked_size
    assert pixels == unchecked, "hidden: the items and captions as given, no check mark"
    winenv.click(*icon_centre(winenv, probe))
    wait_shown(probe, nimbara.pid, True)
    size, pixels = menu_pixels(winenv, probe)
    assert size == checked_size
    assert pixels == checked, "shown: a check mark on the first item"


def test_open_hide_toggles(winenv, probe, nimbara, item_places):
    choose(winenv, probe, N1, item_places)
    wait_shown(probe, nimbara.pid, True)
    choose(winenv, probe, N1, item_places)
    wait_shown(probe, nimbara.pid, False)


def tile_texts(probe, main_hwnd):
    children = probe.children(main_hwnd)
    labels = [c["text"] for c in children if c["class"] == "NimbaraTileLabel"]
    frames = [c["text"] for c in children if c["class"] == "NimbaraPanel" and c["text"]]
    return labels, frames


def test_clear_all_empties_every_tile(winenv, probe, nimbara, item_places):
    text = f"tray clear {time.time()}"
    probe.clip_set(f"1=text:{text}")
    wait_until(lambda: text in tile_texts(probe, nimbara.hwnd)[0], 60,
               message="the copy was not captured")
    choose(winenv, probe, N4, item_places)

    def all_empty():
        labels, frames = tile_texts(probe, nimbara.hwnd)
        return text not in labels and frames == [EMPTY_TILE] * 12

    wait_until(all_empty, 30, message="the tiles were not cleared")


def test_help_does_nothing(winenv, probe, nimbara, item_places):
    before = sorted((w["class"], w["visible"]) for w in probe.windows(nimbara.pid))
    choose(winenv, probe, N7, item_places)
    time.sleep(2)
    assert nimbara.process.poll() is None
    assert sorted((w["class"], w["visible"]) for w in probe.windows(nimbara.pid)) == before


def open_dialog(winenv, probe, nimbara, item, places):
    """Chooses the item, waits for a new window of Nimbara's, and closes it again."""
    before = {w["hwnd"] for w in probe.windows(nimbara.pid) if w["visible"]}
    choose(winenv, probe, item, places)
    dialog = wait_until(lambda: next((w for w in probe.windows(nimbara.pid)
                                      if w["visible"] and w["hwnd"] not in before), None), 30,
                        message="no dialog appeared")
    probe.post(dialog["hwnd"], WM_CLOSE)
    wait_until(lambda: not any(w["hwnd"] == dialog["hwnd"] and w["visible"]
                               for w in probe.windows(nimbara.pid)), 30,
               message="the dialog did not close")
    return dialog


def test_about_opens_the_about_dialog(winenv, probe, nimbara, item_places):
    assert open_dialog(winenv, probe, nimbara, N8, item_places)["class"] == "TAboutForm"


def test_settings_opens_the_settings_dialog(winenv, probe, nimbara, item_places):
    assert open_dialog(winenv, probe, nimbara, N5, item_places)["class"] == "TSetupForm"


@pytest.mark.parametrize("item, window_class, closing_button",
                         [(N5, "TSetupForm", 108), (N8, "TAboutForm", 1)], ids=["settings", "about"])
def test_a_dialog_open_when_the_icon_shows_the_window_stays_above_it_and_takes_clicks(
        winenv, probe, nimbara, item_places, item, window_class, closing_button):
    choose(winenv, probe, item, item_places)
    dialog = wait_until(lambda: window_of_class(probe, window_class, pid=nimbara.pid), 30)["hwnd"]
    winenv.click(*icon_centre(winenv, probe))
    wait_shown(probe, nimbara.pid, True)
    probe.idle(nimbara.pid)  # shown, and the toggle over
    order = [w["hwnd"] for w in probe.windows(nimbara.pid) if w["visible"]]
    assert order.index(dialog) < order.index(nimbara.hwnd)
    rect = next(c["rect"] for c in probe.children(dialog) if c["id"] == closing_button)
    winenv.click((rect[0] + rect[2]) // 2, (rect[1] + rect[3]) // 2)
    wait_until(lambda: window_of_class(probe, window_class, pid=nimbara.pid) is None, 30)


def test_exit_ends_the_program_and_removes_the_icon(winenv, probe, nimbara, item_places):
    choose(winenv, probe, N2, item_places)
    assert nimbara.process.wait(60) == 0
    wait_until(lambda: icon_box(winenv, probe) is None, 30, message="the icon stayed")
    assert window_of_class(probe, "NimbaraTrayIcon", visible=None) is None


# An environment of its own: an earlier test's program (a dialog left open, say) must not
# make this start a second instance.
@pytest.mark.winenv()
def test_the_icon_comes_back_when_the_taskbar_is_created_again(winenv, probe, nimbara):
    box = icon_box(winenv, probe)
    hidden = window_of_class(probe, "NimbaraTrayIcon", visible=False, pid=nimbara.pid)
    # As a restarted shell would: the icon is gone, then the new taskbar announces itself.
    assert winenv.run([tray_probe(), "delete-icon", f"{hidden['hwnd']:x}"]).returncode == 0
    wait_until(lambda: icon_box(winenv, probe) is None, 30, message="the icon was not deleted")
    assert winenv.run([tray_probe(), "taskbar-created"]).returncode == 0
    assert wait_until(lambda: icon_box(winenv, probe), 30,
                      message="the icon did not come back") == box
    winenv.click(*icon_centre(winenv, probe))
    wait_shown(probe, nimbara.pid, True)
