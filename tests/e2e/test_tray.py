"""The notification-area icon, driven from outside with the real mouse (see tray_icon.py)."""

import time

import pytest

from harness import wait_until
from nimbara_constants import EMPTY_TILE, WM_CLOSE, AboutControl, Command, SettingsControl
from tray_icon import (choose, icon_box, icon_centre, main_window_shown, menu_pixels,
                       reference_menu, tray_probe, wait_shown,
                       window_of_class)



@pytest.fixture(autouse=True)
def icon_goes_with_nimbara(winenv, probe):
    """Set up before Nimbara and torn down after it: its icon must not outlive it."""
    assert tray_probe().exists(), f"{tray_probe()} was not built"
    yield
    wait_until(lambda: icon_box(winenv, probe) is None, 30, message="the icon outlived Nimbara")


def test_after_start_only_the_icon_shows(winenv, probe, nimbara):
    # That the icon has no tooltip is shown by the Win32 tests: Wine shows none over tray icons.
    box = icon_box(winenv, probe)
    assert 8 <= box[2] - box[0] + 1 <= 24 and 8 <= box[3] - box[1] + 1 <= 24
    assert not main_window_shown(probe, nimbara.pid)
    hidden = window_of_class(probe, "NimbaraTrayIcon", visible=False, pid=nimbara.pid)
    assert hidden and hidden["rect"] == [0, 0, 0, 0]


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
        # One more click shows it: the second click of the double one had hidden it again.
        winenv.click(*centre)
        wait_shown(probe, nimbara.pid, True)
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
    choose(winenv, probe, Command.kMenuToggle, item_places)
    wait_shown(probe, nimbara.pid, True)
    choose(winenv, probe, Command.kMenuToggle, item_places)
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
    choose(winenv, probe, Command.kMenuClearAll, item_places)

    def all_empty():
        labels, frames = tile_texts(probe, nimbara.hwnd)
        return text not in labels and frames == [EMPTY_TILE] * 12

    wait_until(all_empty, 30, message="the tiles were not cleared")


def test_help_does_nothing(winenv, probe, nimbara, item_places):
    before = sorted((w["class"], w["visible"]) for w in probe.windows(nimbara.pid))
    choose(winenv, probe, Command.kMenuHelp, item_places)
    # The program handles its commands in turn: once the next one is done, help was handled.
    choose(winenv, probe, Command.kMenuToggle, item_places)
    wait_shown(probe, nimbara.pid, True)
    after = sorted((w["class"], w["visible"]) for w in probe.windows(nimbara.pid)
                   if w["hwnd"] != nimbara.hwnd)
    assert after == [entry for entry in before if entry[0] != "TMainForm"]


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
    assert open_dialog(winenv, probe, nimbara, Command.kMenuAbout,
                       item_places)["class"] == "TAboutForm"


def test_settings_opens_the_settings_dialog(winenv, probe, nimbara, item_places):
    assert open_dialog(winenv, probe, nimbara, Command.kMenuSettings,
                       item_places)["class"] == "TSetupForm"


@pytest.mark.parametrize("item, window_class, closing_button",
                         [(Command.kMenuSettings, "TSetupForm", SettingsControl.kCancel),
                          (Command.kMenuAbout, "TAboutForm", AboutControl.kOk)],
                         ids=["settings", "about"])
def test_a_dialog_open_when_the_icon_shows_the_window_stays_above_it_and_takes_clicks(
        winenv, probe, nimbara, item_places, item, window_class, closing_button):
    choose(winenv, probe, item, item_places)
    dialog = wait_until(lambda: window_of_class(probe, window_class, pid=nimbara.pid), 30)["hwnd"]
    winenv.click(*icon_centre(winenv, probe))
    wait_shown(probe, nimbara.pid, True)
    probe.idle(nimbara.pid)  # shown, and the toggle over

    def dialog_above():
        order = [w["hwnd"] for w in probe.windows(nimbara.pid) if w["visible"]]
        return order.index(dialog) < order.index(nimbara.hwnd)

    # The window's second look at the order, 150 ms after the show, raises it and then the
    # dialog again: a look from outside can fall between the two.
    wait_until(dialog_above, 10, message="the window stayed above the dialog")
    rect = next(c["rect"] for c in probe.children(dialog) if c["id"] == closing_button)
    winenv.click((rect[0] + rect[2]) // 2, (rect[1] + rect[3]) // 2)
    wait_until(lambda: window_of_class(probe, window_class, pid=nimbara.pid) is None, 30)


def test_exit_ends_the_program_and_removes_the_icon(winenv, probe, nimbara, item_places):
    choose(winenv, probe, Command.kMenuExit, item_places)
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
