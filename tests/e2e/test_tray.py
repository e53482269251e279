"""The notification-area icon, driven from outside with the real mouse (see tray_icon.py)."""

import time

import pytest

from harness import wait_until
from nimbara_constants import EMPTY_TILE, AboutControl, Command, SettingsControl
from tray_icon import (choose, icon_box, icon_centre, main_window_shown, menu_pixels,
                       reference_menu, tray_probe, wait_shown,
                       window_of_class)



@pytest.fixture(autouse=True)
def icon_goes_with_nimbara(winenv, probe):
    """Set up before Nimbara and torn down after it: its icon must not outlive it."""
    assert tray_probe().exists(), f"{tray_probe()} was not built"
    yield
    wait_until(lambda: icon_box(winenv, probe) is None, 30, message="the icon outlived Nimbara")


def tile_texts(probe, main_hwnd):
    children = probe.children(main_hwnd)
    labels = [c["text"] for c in children if c["class"] == "NimbaraTileLabel"]
    frames = [c["text"] for c in children if c["class"] == "NimbaraPanel" and c["text"]]
    return labels, frames


def shown_in_between(probe, nimbara, swatch):
    """Each show brings the window to the top of the Z order, where it stays while hidden:
    above the topmost swatch, it was shown since the swatch came."""
    order = [w["hwnd"] for w in probe.windows()]
    return order.index(nimbara.hwnd) < order.index(swatch)


def dialog_above(probe, nimbara, dialog):
    order = [w["hwnd"] for w in probe.windows(nimbara.pid) if w["visible"]]
    return order.index(dialog) < order.index(nimbara.hwnd)


def test_one_users_session_with_the_icon_its_clicks_and_every_item_of_its_menu(
        winenv, probe, nimbara, item_places):
    # Only the icon shows. That it has no tooltip is shown by the Win32 tests: Wine shows none
    # over tray icons.
    box = icon_box(winenv, probe)
    assert 8 <= box[2] - box[0] + 1 <= 24 and 8 <= box[3] - box[1] + 1 <= 24
    assert not main_window_shown(probe, nimbara.pid)
    hidden = window_of_class(probe, "NimbaraTrayIcon", visible=False, pid=nimbara.pid)
    assert hidden and hidden["rect"] == [0, 0, 0, 0]

    # The menu: the eight items and captions as given, a check mark on the first while shown.
    unchecked_size, unchecked, _ = reference_menu(winenv, probe, 0)
    checked_size, checked, _ = reference_menu(winenv, probe, 1)
    assert unchecked != checked
    assert menu_pixels(winenv, probe) == (unchecked_size, unchecked), "hidden: no check mark"
    centre = icon_centre(winenv, probe)
    winenv.click(*centre)  # a click toggles
    wait_shown(probe, nimbara.pid, True)
    assert menu_pixels(winenv, probe) == (checked_size, checked), "shown: the first checked"
    winenv.click(*centre)
    wait_shown(probe, nimbara.pid, False)

    # A double click reaches the icon as release, double click, release: two toggles within
    # a blink, too short to catch the window shown; the Z order tells it was shown between.
    swatch = probe.swatch(700, 20, 20, 20, "00FF00")  # topmost, above the hidden window
    try:
        assert not shown_in_between(probe, nimbara, swatch)
        winenv.click(*centre, repeat=2)
        wait_until(lambda: shown_in_between(probe, nimbara, swatch), 30,
                   message="the window was not shown by the first click")
        # One more click shows it: the second click of the double one had hidden it again.
        winenv.click(*centre)
        wait_shown(probe, nimbara.pid, True)
    finally:
        probe.unswatch()

    # "打开/隐藏(&O)" toggles.
    for shown in (False, True, False):
        choose(winenv, probe, Command.kMenuToggle, item_places)
        wait_shown(probe, nimbara.pid, shown)

    # "全部清空(&C)" empties every tile.
    text = f"tray clear {time.time()}"
    probe.clip_set(f"1=text:{text}")
    wait_until(lambda: text in tile_texts(probe, nimbara.hwnd)[0], 60,
               message="the copy was not captured")
    choose(winenv, probe, Command.kMenuClearAll, item_places)

    def all_empty():
        labels, frames = tile_texts(probe, nimbara.hwnd)
        return text not in labels and frames == [EMPTY_TILE] * 12

    wait_until(all_empty, 30, message="the tiles were not cleared")

    # "帮助(&H)" does nothing: the program handles its commands in turn, so once the toggle
    # after it is done, help was handled.
    before = sorted((w["class"], w["visible"]) for w in probe.windows(nimbara.pid))
    choose(winenv, probe, Command.kMenuHelp, item_places)
    choose(winenv, probe, Command.kMenuToggle, item_places)
    wait_shown(probe, nimbara.pid, True)
    after = sorted((w["class"], w["visible"]) for w in probe.windows(nimbara.pid)
                   if w["hwnd"] != nimbara.hwnd)
    assert after == [entry for entry in before if entry[0] != "TMainForm"]
    winenv.click(*centre)
    wait_shown(probe, nimbara.pid, False)

    # Each dialog opens from its item; the icon shows the window under it, the dialog stays
    # above it and takes the click on its button.
    for item, window_class, closing_button in (
            (Command.kMenuSettings, "TSetupForm", SettingsControl.kCancel),
            (Command.kMenuAbout, "TAboutForm", AboutControl.kOk)):
        choose(winenv, probe, item, item_places)
        dialog = wait_until(lambda: window_of_class(probe, window_class, pid=nimbara.pid), 30,
                            message=f"no {window_class}")["hwnd"]
        winenv.click(*centre)
        wait_shown(probe, nimbara.pid, True)
        probe.idle(nimbara.pid)  # shown, and the toggle over
        # The window's second look at the order, 150 ms after the show, raises it and then
        # the dialog again: a look from outside can fall between the two.
        wait_until(lambda: dialog_above(probe, nimbara, dialog), 10,
                   message=f"the window stayed above {window_class}")
        rect = next(c["rect"] for c in probe.children(dialog) if c["id"] == closing_button)
        winenv.click((rect[0] + rect[2]) // 2, (rect[1] + rect[3]) // 2)
        wait_until(lambda: window_of_class(probe, window_class, pid=nimbara.pid) is None, 30,
                   message=f"{window_class} did not close")
        winenv.click(*centre)
        wait_shown(probe, nimbara.pid, False)

    # "退出系统(&X)" ends the program, and the icon goes with it.
    choose(winenv, probe, Command.kMenuExit, item_places)
    assert nimbara.process.wait(60) == 0
    wait_until(lambda: icon_box(winenv, probe) is None, 30, message="the icon stayed")
    assert window_of_class(probe, "NimbaraTrayIcon", visible=None) is None


# After the session above, which ended the program (or whose fixtures ended it), so that this
# start is the only instance.
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
