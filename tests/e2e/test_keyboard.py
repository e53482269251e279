"""The grid by keyboard alone, with real keys through X into Wine's notepad: shown by the
hotkey, the grid takes the arrows, Enter and Esc while notepad keeps the foreground and its
caret; the first other key reaches notepad as typed and gives the keyboard back."""

from nimbara_constants import COLOR_HIGHLIGHT, NEWEST, PASTED
from test_paste import notepad  # noqa: F401  (Wine's notepad, left of the grid, clicked into)


def test_arrows_enter_and_esc_belong_to_the_grid_and_the_first_other_key_to_notepad(
        probe, nimbara, notepad):  # noqa: F811
    for slot, text in enumerate(["one", "a.com/?x=1&y=2", "Q&A"], 1):  # "Q&A" the newest
        probe.clip_set(f"13=text:{text}")
        nimbara.wait_capture(slot, text)
    notepad.click_into()

    def shown_by_the_hotkey():
        nimbara.key("alt+v")
        nimbara.wait_shown(True)  # the grid takes its keys before it shows
        front = probe.foreground()  # notepad, its menu bar (GUI_INMENUMODE) not taking keys
        assert (front["hwnd"], front["flags"] & 4) == (notepad.hwnd, 0), front
        label = nimbara.control(303)["rect"]  # the newest, framed inside its tile, its band kept
        assert probe.pixel(label[0] + 1, (label[1] + label[3]) // 2) == \
            probe.syscolor(COLOR_HIGHLIGHT) and nimbara.band_pixel(3) in (NEWEST, PASTED)

    # Enter: the newest; Left, Enter: the one before, neither key moving notepad's caret; Esc.
    for keys, text in ((["Return"], "Q&A"), (["Left", "Return"], "Q&Aa.com/?x=1&y=2"),
                       (["Escape"], "Q&Aa.com/?x=1&y=2")):
        shown_by_the_hotkey()
        nimbara.key(*keys)
        nimbara.wait_shown(False)
        notepad.wait_text(text)
    nimbara.key("k")  # after Esc, only the letter is typed
    notepad.wait_text("Q&Aa.com/?x=1&y=2k")
    # A letter and an arrow in one stream: the letter typed, and the arrow notepad's again
    # (its caret goes back over the letter), the grid still shown.
    shown_by_the_hotkey()
    nimbara.key("z", "Left", "y")
    notepad.wait_text("Q&Aa.com/?x=1&y=2kyz")
    assert nimbara.shown() and nimbara.message_boxes() == []
