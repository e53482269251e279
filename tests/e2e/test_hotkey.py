"""The global hotkey, seen from outside: real key presses through X, values put in the registry
with Wine's reg before the start, WM_HOTKEY messages from the probe, and other programs holding
or taking the combination."""

import pytest

from harness import wait_until
from nimbara_constants import ALT, CTRL, NIMBARA_KEY, Q, Command, USER_NIMBARA_KEY, V
from nimbara_program import held_by_nimbara, taken_by_probe

# Set up before Nimbara starts, torn down after it has ended.
pytestmark = pytest.mark.usefixtures("fresh_settings")



def test_first_run_registers_alt_v_and_it_toggles_from_the_active_program(winenv, probe,
                                                                          start_nimbara):
    assert winenv.reg_query(NIMBARA_KEY) is None
    nimbara = start_nimbara()
    assert held_by_nimbara(probe, ALT, V)
    # Reading the settings creates nothing.
    assert winenv.reg_query(NIMBARA_KEY) is None

    notepad = winenv.spawn(["notepad.exe"])
    editor = wait_until(lambda: probe.find("Notepad"), 60, message="notepad did not start")
    wait_until(lambda: probe.foreground()["hwnd"] == editor, 30,
               message="notepad did not become the active program")
    assert not nimbara.shown()
    nimbara.key("alt+v")
    nimbara.wait_shown(True)
    nimbara.key("alt+v")
    nimbara.wait_shown(False)
    assert nimbara.message_boxes() == []
    probe.post(editor, 0x0010, 0, 0)  # WM_CLOSE: the user closes the editor
    notepad.wait(30)


# (HotKeyShift, HotKeyChar) as put in the registry: (type, data) or None for no value; after
# the keys to press, texts of the pair put in the user's own key.
# How the texts are read (a missing value, another type, the low 16 bits, ...) is asked of
# the hotkey against the Wine registry at the Win32 tier; here the program's own start-up
# reads them, from the keys as a 32-bit program sees them, and the key pressed works.
LOADED_CASES = {
    "ctrl+q from 2 and 81": ((("REG_SZ", "2"), ("REG_SZ", "81")), (CTRL, Q), "ctrl+q"),
    "the user's over the machine's": ((("REG_SZ", "1"), ("REG_SZ", "86")), (CTRL, Q), "ctrl+q",
                                      ("2", "81")),
}


@pytest.mark.parametrize("case", LOADED_CASES.values(), ids=LOADED_CASES.keys())
def test_values_put_in_the_registry_before_the_start(winenv, probe, start_nimbara, case):
    (shift, char), (mod, vk), keys, *user = case
    user_texts = user[0] if user else (None, None)
    for name, value, user_text in zip(("HotKeyShift", "HotKeyChar"), (shift, char), user_texts):
        if value:
            winenv.reg_add(NIMBARA_KEY, name, value[1], type=value[0])
        if user_text:
            winenv.reg_add(USER_NIMBARA_KEY, name, user_text)
    nimbara = start_nimbara(hotkey=(mod, vk))
    assert held_by_nimbara(probe, mod, vk)
    nimbara.key(keys)
    nimbara.wait_shown(True)
    nimbara.key(keys)
    nimbara.wait_shown(False)
    if (mod, vk) != (ALT, V):
        # Alt+V is not Nimbara's: the probe can take it, and pressing it toggles nothing. The
        # hotkeys are handled in the order pressed: had Alt+V shown the window, the hotkey after
        # it would hide it again.
        with taken_by_probe(probe, ALT, V):
            nimbara.key("alt+v", keys)
            probe.wait_event("hotkey", lambda e: (e["mod"], e["vk"]) == (ALT, V))
            nimbara.wait_shown(True)
    assert nimbara.message_boxes() == []


def test_a_combination_held_by_another_program_is_left_to_it_silently(probe, start_nimbara):
    holder = probe.hotkey(ALT, V)
    assert holder["registered"]
    try:
        nimbara = start_nimbara(held=False)
        assert nimbara.message_boxes() == []
        probe.clear_events()
        nimbara.key("alt+v")
        probe.wait_event("hotkey", timeout=30)
        assert not nimbara.shown()
        # The toolbar still hides the window; a WM_HOTKEY with the combination brings it up.
        assert nimbara.hotkey_message(ALT, V) == 1
        nimbara.wait_shown(True)
        nimbara.click_tool_button(Command.kToolToggle)
        nimbara.wait_shown(False)
        assert nimbara.message_boxes() == []
    finally:
        probe.unhotkey(holder["id"])
