"""The grid by keyboard alone, with real keys through X into Wine's notepad: shown by the
hotkey, the grid takes the arrows, Enter and Esc while notepad keeps the foreground and its
caret; the first other key reaches notepad as typed and gives the keyboard back."""

from harness import wait_until
from nimbara_constants import COLOR_HIGHLIGHT, NEWEST
from test_paste import notepad  # noqa: F401  (the fixture: Wine's notepad, clicked into)


def test_arrows_enter_and_esc_belong_to_the_grid_and_the_first_other_key_to_notepad(
        winenv, probe, nimbara, notepad):  # noqa: F811
    texts = ["one", "a.com/?x=1&y=2", "Q&A"]  # copied in this order: "Q&A" is the newest
    for slot, text in enumerate(texts, 1):
        probe.clip_set(f"13=text:{text}")
        nimbara.wait_capture(slot, text)
    notepad.click_into()
    winenv.type_text("s:")
    notepad.wait_text("s:")

    def typing_reaches_notepad():  # in front, its menu bar (GUI_INMENUMODE) not taking keys
        return (probe.foreground()["hwnd"], probe.foreground()["flags"] & 4) == (notepad.hwnd, 0)

    def shown_by_the_hotkey():
        nimbara.key("alt+v")
        nimbara.wait_shown(True)  # the grid takes its keys before it shows
        assert typing_reaches_notepad(), probe.foreground()

    # Alt+V, Enter: the newest, selected by a frame inside its tile, its band as it was.
    shown_by_the_hotkey()
    label = nimbara.control(303)["rect"]
    assert probe.pixel(label[0] + 1, (label[1] + label[3]) // 2) == probe.syscolor(COLOR_HIGHLIGHT)
    assert nimbara.band_pixel(3) == NEWEST
    nimbara.key("Return")
    notepad.wait_text("s:Q&A")
    nimbara.wait_shown(False)

    # Alt+V, Left, Enter: the one before it; neither key moved notepad's caret.
    shown_by_the_hotkey()
    nimbara.key("Left", "Return")
    notepad.wait_text("s:Q&Aa.com/?x=1&y=2")
    nimbara.wait_shown(False)

    # Alt+V, Esc, then a letter: only the letter is typed.
    shown_by_the_hotkey()
    nimbara.key("Escape")
    nimbara.wait_shown(False)
    nimbara.key("k")
    notepad.wait_text("s:Q&Aa.com/?x=1&y=2k")

    # Alt+V, then a letter and an arrow in one stream: the letter is typed, and from it on the
    # arrow is notepad's again (its caret goes back over the letter), the grid still shown.
    shown_by_the_hotkey()
    nimbara.key("z", "Left", "y")
    notepad.wait_text("s:Q&Aa.com/?x=1&y=2kyz")
    assert nimbara.shown() and typing_reaches_notepad(), probe.foreground()
    assert nimbara.message_boxes() == []
