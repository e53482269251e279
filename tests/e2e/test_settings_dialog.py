"""The settings dialog driven with the real mouse and keyboard: its look, what its first opening
loads, what OK applies and stores, the Run entry, the error box for a Run value of another type,
and the program going on while the dialog is open."""

import shutil
from pathlib import Path

import pytest

from harness import wait_until, windows_path
from nimbara_constants import (ALT, BS_PUSHBUTTON, BS_TYPEMASK, CTRL, Q, V, WS_MAXIMIZEBOX,
                               WS_MINIMIZEBOX, WS_SYSMENU, WS_THICKFRAME)
from nimbara_program import (SettingsControl, Command, NIMBARA_KEY, RUN_KEY, USER_RUN_KEY, center,
                             held_by_nimbara, taken_by_probe)

# Set up before Nimbara starts, torn down after it has ended.
pytestmark = pytest.mark.usefixtures("fresh_settings")

REFERENCES = Path(__file__).resolve().parent / "references"
# Share of the dialog's pixels that may differ from the reference by more than the fuzz (about
# 45 of its 93,000): room for a smoothed edge, while a missing caption ("确定" alone is some 120
# pixels) or a moved control fails.
SCREENSHOT_TOLERANCE = 0.0005


def click_ok(nimbara, dialog):
    nimbara.click_dialog_control(dialog, SettingsControl.kOk)
    nimbara.wait_settings_closed()


def click_cancel(nimbara, dialog):
    nimbara.click_dialog_control(dialog, SettingsControl.kCancel)
    nimbara.wait_settings_closed()


def type_into_capture_control(nimbara, dialog, keys):
    nimbara.click_dialog_control(dialog, SettingsControl.kHotKeyEdit)
    nimbara.key(keys)
    wait_until(lambda: nimbara.hotkey_control_value(dialog) != 0, 10,
               message="the capture control took no key")


def stored_hotkey(winenv):
    return (winenv.reg_query(NIMBARA_KEY, "HotKeyShift"),
            winenv.reg_query(NIMBARA_KEY, "HotKeyChar"))


# --- 1. Layout ---------------------------------------------------------------------------------



def test_layout_captions_and_screenshot(winenv, start_nimbara, tmp_path):
    nimbara = start_nimbara()
    dialog = nimbara.open_settings()
    window = nimbara.window(dialog)
    assert window["title"] == "设置"
    assert window["rect"][:2] == [348, 235]
    assert window["owner"] == nimbara.application["hwnd"]
    assert window["style"] & WS_SYSMENU
    assert not window["style"] & (WS_THICKFRAME | WS_MINIMIZEBOX | WS_MAXIMIZEBOX)

    # Every control's class, caption and place is checked against the dialog's layout table by
    # the Win32 tests; here the program's own dialog is seen from outside, and its pixels below.
    controls = nimbara.controls(dialog)
    for button in (SettingsControl.kOk, SettingsControl.kCancel):
        assert controls[button]["style"] & BS_TYPEMASK == BS_PUSHBUTTON  # neither is the default

    # The capture control: no combination is invalid and no modifier is added to a plain key.
    type_into_capture_control(nimbara, dialog, "F9")
    assert nimbara.hotkey_control_value(dialog) == 0x78
    # back to the state of the reference
    nimbara.click_dialog_control(dialog, SettingsControl.kUseDefaultHotKey)
    nimbara.key("BackSpace")
    click_cancel(nimbara, dialog)
    dialog = nimbara.open_settings()
    nimbara.click_dialog_control(dialog, SettingsControl.kHotKeyEdit)
    nimbara.key("BackSpace")  # the capture control empties on Backspace
    wait_until(lambda: nimbara.hotkey_control_value(dialog) == 0, 10)
    # Focus on the check box, left unchecked; each click seen taken before the next.
    for checked in (True, False):
        nimbara.click_dialog_control(dialog, SettingsControl.kStartWithWindows)
        wait_until(lambda: nimbara.checked(dialog, SettingsControl.kStartWithWindows) == checked,
                   10,
                   message="the check box did not take the click")
    assert nimbara.dialog_state(dialog) == (False, True, False, 0)

    winenv.move(0, 0)
    nimbara.assert_looks_like(window["rect"], tmp_path / "dialog.bmp",
                              REFERENCES / "settings_dialog.png", SCREENSHOT_TOLERANCE)
    click_cancel(nimbara, dialog)


# --- 2. First opening --------------------------------------------------------------------------

# Every state the controls load is asked of the dialog at the Win32 tier; here the program
# loads them from the keys as a 32-bit program sees them (both Run keys, the stored hotkey).
FIRST_OPENING = {
    "Run entry of another program": ({}, RUN_KEY, (True, True, False, 0)),
    "Run entry in the user's Run key": ({}, USER_RUN_KEY, (True, True, False, 0)),
    "Ctrl+Q stored": ({"HotKeyShift": "2", "HotKeyChar": "81"}, None, (False, False, True, 0x251)),
}


@pytest.mark.parametrize("case", FIRST_OPENING.values(), ids=FIRST_OPENING.keys())
def test_first_opening_shows_the_stored_settings(winenv, start_nimbara, case):
    values, run_key, state = case
    for name, text in values.items():
        winenv.reg_add(NIMBARA_KEY, name, text)
    if run_key:
        winenv.reg_add(run_key, "Nimbara", r"C:\other\x.exe")
    nimbara = start_nimbara(
        hotkey=(int(values.get("HotKeyShift", ALT)), int(values.get("HotKeyChar", V))))
    dialog = nimbara.open_settings()
    assert nimbara.dialog_state(dialog) == state
    click_cancel(nimbara, dialog)
    assert nimbara.message_boxes() == []


# --- 3. A new hotkey: applied at once, stored, and the only one after a restart ---------------

def test_ok_with_ctrl_q_applies_and_stores_it(winenv, probe, start_nimbara):
    nimbara = start_nimbara()
    dialog = nimbara.open_settings()
    nimbara.click_dialog_control(dialog, SettingsControl.kUseCustomHotKey)
    type_into_capture_control(nimbara, dialog, "ctrl+q")
    assert nimbara.dialog_state(dialog) == (False, False, True, 0x251)
    click_ok(nimbara, dialog)
    assert stored_hotkey(winenv) == ("2", "81")

    # At once: Ctrl+Q hides and shows the window; Alt+V does nothing in Nimbara. The keys are
    # handled in the order pressed: had Alt+V shown the window, the Ctrl+Q after it would hide it.
    assert nimbara.shown()
    nimbara.key("ctrl+q")
    nimbara.wait_shown(False)
    assert nimbara.hotkey_message(ALT, V) == 0
    assert not nimbara.shown()
    # Alt+V is given up at once, so another program can take it.
    with taken_by_probe(probe, ALT, V):
        nimbara.key("alt+v", "ctrl+q")
        probe.wait_event("hotkey", lambda e: (e["mod"], e["vk"]) == (ALT, V))
        nimbara.wait_shown(True)

    nimbara.exit()
    nimbara = start_nimbara(hotkey=(CTRL, Q))
    assert held_by_nimbara(probe, CTRL, Q)
    with taken_by_probe(probe, ALT, V):
        nimbara.key("alt+v", "ctrl+q")
        probe.wait_event("hotkey", lambda e: (e["mod"], e["vk"]) == (ALT, V))
        nimbara.wait_shown(True)
    dialog = nimbara.open_settings()
    assert nimbara.dialog_state(dialog) == (False, False, True, 0x251)
    click_cancel(nimbara, dialog)


def test_a_combination_held_elsewhere_leaves_the_old_hotkey_working(winenv, probe, start_nimbara):
    nimbara = start_nimbara()
    dialog = nimbara.open_settings()
    nimbara.click_dialog_control(dialog, SettingsControl.kUseCustomHotKey)
    type_into_capture_control(nimbara, dialog, "ctrl+q")
    with taken_by_probe(probe, CTRL, Q):
        click_ok(nimbara, dialog)
        # Stored and not reported, as any refused hotkey; Alt+V is still Nimbara's and works.
        assert stored_hotkey(winenv) == ("2", "81")
        assert held_by_nimbara(probe, ALT, V)
        nimbara.key("alt+v")
        nimbara.wait_shown(False)
        nimbara.key("alt+v")
        nimbara.wait_shown(True)
    assert nimbara.message_boxes() == []


# Cancel and the close box, which store nothing and keep the controls, are the Win32 tests'
# (SettingsDialogTest.CancelAndTheCloseBoxKeepTheChangedControlsButStoreNothing).

# --- 5. The Run entry --------------------------------------------------------------------------

def test_run_entry_is_the_running_executable_and_goes_when_unchecked(winenv, start_nimbara,
                                                                     nimbara_exe):
    nimbara = start_nimbara()
    dialog = nimbara.open_settings()
    nimbara.click_dialog_control(dialog, SettingsControl.kStartWithWindows)
    click_ok(nimbara, dialog)
    assert winenv.reg_query(RUN_KEY, "Nimbara") == windows_path(nimbara_exe)

    dialog = nimbara.open_settings()
    assert nimbara.checked(dialog, SettingsControl.kStartWithWindows)
    nimbara.click_dialog_control(dialog, SettingsControl.kStartWithWindows)
    click_ok(nimbara, dialog)
    assert winenv.reg_query(RUN_KEY, "Nimbara") is None
    # Unchecked again with nothing left to delete: nothing to say.
    dialog = nimbara.open_settings()
    click_ok(nimbara, dialog)
    assert winenv.reg_query(RUN_KEY, "Nimbara") is None
    assert nimbara.message_boxes() == []


def test_run_entry_of_a_path_with_blanks_is_quoted(winenv, start_nimbara, nimbara_exe):
    # Left bare, Windows would split the entry at its first blank and start C:\Program.exe.
    folder = winenv.prefix / "drive_c" / "Program Files" / "Nimbara Test"
    folder.mkdir(parents=True, exist_ok=True)
    shutil.copy(nimbara_exe, folder / "Nimbara.exe")
    nimbara = start_nimbara(exe=r"C:\Program Files\Nimbara Test\Nimbara.exe")
    dialog = nimbara.open_settings()
    nimbara.click_dialog_control(dialog, SettingsControl.kStartWithWindows)
    click_ok(nimbara, dialog)
    assert winenv.reg_query(RUN_KEY, "Nimbara") == r'"C:\Program Files\Nimbara Test\Nimbara.exe"'
    # The quoted entry still counts as set.
    dialog = nimbara.open_settings()
    assert nimbara.checked(dialog, SettingsControl.kStartWithWindows)
    click_cancel(nimbara, dialog)


# --- 6. A Run value of another type ------------------------------------------------------------

def test_run_value_of_another_type_shows_the_error_box_and_the_dialog_still_opens(winenv, probe,
                                                                                 start_nimbara):
    winenv.reg_add(RUN_KEY, "Nimbara", "1", type="REG_DWORD")
    winenv.reg_add(NIMBARA_KEY, "HotKeyShift", "2")
    winenv.reg_add(NIMBARA_KEY, "HotKeyChar", "81")
    nimbara = start_nimbara(hotkey=(CTRL, Q))
    nimbara.hotkey_message(CTRL, Q)
    nimbara.wait_shown(True)
    nimbara.click_tool_button(Command.kToolSettings)
    box = wait_until(lambda: [b for b in nimbara.message_boxes() if b["visible"]], 30,
                     message="no error box")[0]
    assert box["title"] == "Nimbara"
    texts = [c["text"] for c in probe.children(box["hwnd"])]
    # The error report adds a full stop only after a character that sorts after "."; the
    # closing quote sorts before it, so the message is shown as raised.
    assert "Invalid data type for 'Nimbara'" in texts
    ok = next(c for c in probe.children(box["hwnd"]) if c["class"] == "Button")
    winenv.click(*center(ok["rect"]))
    dialog = wait_until(lambda: nimbara.dialog("TSetupForm"), 60,
                        message="the settings dialog did not show")["hwnd"]
    # The controls as built, although Ctrl+Q is the hotkey in effect.
    assert nimbara.dialog_state(dialog) == (False, True, False, 0)
    click_cancel(nimbara, dialog)
    # Loaded once: the next opening says nothing more.
    dialog = nimbara.open_settings()
    assert nimbara.message_boxes() == []
    assert nimbara.dialog_state(dialog) == (False, True, False, 0)
    click_cancel(nimbara, dialog)


# --- 7. The program goes on while the dialog is open -------------------------------------------

def test_captures_and_the_hotkey_go_on_while_the_main_window_refuses_clicks(winenv, start_nimbara):
    nimbara = start_nimbara()
    dialog = nimbara.open_settings()
    assert not nimbara.window()["enabled"]

    winenv.xclip_set("copied while the settings are open")
    wait_until(lambda: "copied while the settings are open" in nimbara.previews(), 30,
               message="the change was not captured while the dialog was open")

    # A click on "全部清空" in the disabled window clears nothing. The program takes the clicks
    # in order: once the check box after it has taken its own, that click has been dealt with.
    nimbara.click_tool_button(Command.kToolClearAll)
    for checked in (True, False):
        nimbara.click_dialog_control(dialog, SettingsControl.kStartWithWindows)
        wait_until(lambda: nimbara.checked(dialog, SettingsControl.kStartWithWindows) == checked,
                   30,
                   message="the check box did not take the click")
    assert "copied while the settings are open" in nimbara.previews()

    nimbara.key("alt+v")
    nimbara.wait_shown(False)
    nimbara.key("alt+v")
    nimbara.wait_shown(True)
    nimbara.probe.idle(nimbara.pid)  # shown, and the toggle over
    # Still above the stay-on-top window, where it can be seen and reached: raised right after
    # the window shows, in the same handler, which a look from outside can fall between.
    def dialog_above():
        order = [w["hwnd"] for w in nimbara.probe.windows(nimbara.pid) if w["visible"]]
        return order.index(dialog) < order.index(nimbara.hwnd)
    wait_until(dialog_above, 30, message="the dialog is not above the history window")
    click_cancel(nimbara, dialog)
    assert nimbara.window()["enabled"]
