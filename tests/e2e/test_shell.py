"""The application shell from outside: one instance per session, the history window shown and
hidden and moved by the user, the error report, the artwork, its look, and the ways of ending.
The window as built, its layout at each DPI, the toolbar and the messages the windows answer are
the Win32 tests' (tests/win32/app/main_window_test.cpp).
"""

from pathlib import Path

import pytest

import pe_resources
from harness import wait_until
from nimbara_constants import GUI_INMOVESIZE, WS_EX_TOPMOST
from nimbara_program import (HOVER, LEFT, TOP, WM_CLOSE, WM_COMMAND, Command, MainControl, Nimbara,
                             assert_looks_like, center)

REFERENCES = Path(__file__).resolve().parent / "references"

@pytest.fixture
def notepad(winenv, probe, start_program):
    """Wine's notepad, made the active window, placed clear of the history window."""
    program = start_program("notepad.exe", "Notepad")
    probe.move_window(program.hwnd, 0, 0, 260, 300)
    activate(winenv, probe, program.hwnd)
    yield program
    program.process.kill()
    program.process.wait(30)


def activate(winenv, probe, hwnd):
    probe.activate(hwnd)
    wait_until(lambda: probe.foreground()["hwnd"] == hwnd, 30, message="no activation")


def taskbar_buttons(probe):
    """Visible taskbar buttons: the shell's button children, each named by the window it stands
    for (its control id)."""
    tray = probe.find("Shell_TrayWnd")
    return {c["id"] for c in probe.children(tray) if c["class"] == "Button" and c["visible"]}


# --- single instance --------------------------------------------------------------


def steady(windows):
    """The windows without their place in the top band: the window's own keep-on-top look
    takes it out and puts it back, and a read can fall between the two."""
    return [{**w, "topmost": None, "exstyle": w["exstyle"] & ~WS_EX_TOPMOST} for w in windows]


def test_one_instance_per_session_and_the_next_start_after_it_ends(winenv, probe, nimbara_exe):
    first = Nimbara.start(winenv, nimbara_exe)
    try:
        first.show()
        probe.clip_set("13=text:first instance")
        first.wait_capture(1, "first instance")
        before = (steady(first.windows()), first.tile_texts())
        second = winenv.spawn([nimbara_exe])
        assert second.wait(120) == 0
        assert [w["hwnd"] for w in probe.windows() if w["class"] == "TMainForm"] == [first.hwnd]
        assert (steady(first.windows()), first.tile_texts()) == before
        wait_until(lambda: first.window()["topmost"], 30, message="the window left the top")
        assert first.close() == 0
    finally:
        first.kill()

    # The mutex went with the first instance: the next start is the instance. Twenty starts at
    # one moment are test_reliability's.
    again = Nimbara.start(winenv, nimbara_exe)
    try:
        assert again.close() == 0
    finally:
        again.kill()


# --- the window: toggle, hiding, moving, toolbar ------------------------------------------------


def test_toggle_shows_without_activation_and_every_hide_hands_activation_back(
        winenv, probe, nimbara, notepad):
    # Each entry point runs the one toggle, which always does the opposite of Command.kMenuToggle's
    # check mark:
    # a hide by a button that left the mark set would make the next toggle hide again.
    steps = [
        ("command", True), ("command", False), ("tray menu", True), ("tray menu", False),
        ("command", True), ("toolbar", False), ("command", True), ("close button", False),
        ("tray menu", True), ("toolbar", False), ("command", True),
    ]
    for index, (way, shown_after) in enumerate(steps):
        if way == "command":
            nimbara.command(Command.kToolToggle)
        elif way == "tray menu":
            # The tray menu is tracked for the application window, which hands it on.
            probe.send(nimbara.application["hwnd"], WM_COMMAND, Command.kMenuToggle, 0)
        elif way == "close button":
            nimbara.click_control(MainControl.kCloseButton)
        else:
            nimbara.click_tool_button(Command.kToolToggle)
        wait_until(lambda: nimbara.shown() == shown_after, 10,
                   message=f"{way} did not {'show' if shown_after else 'hide'} the window")
        if shown_after:
            # Shown on top, without taking the activation from the window the user works in.
            wait_until(lambda: nimbara.window()["topmost"], 10, message=f"{way} did not show on top")
            assert probe.foreground()["hwnd"] == notepad.hwnd
            assert not taskbar_buttons(probe) & {nimbara.hwnd, nimbara.application["hwnd"]}
            if index + 1 < len(steps):
                nimbara.click_tile(6)  # an empty tile: the click only activates the window
                wait_until(lambda: probe.foreground()["hwnd"] == nimbara.hwnd, 10)
        else:
            # Hidden while it was the active window: the activation goes back to notepad.
            wait_until(lambda: probe.foreground()["hwnd"] == notepad.hwnd, 10,
                       message=f"{way} left the activation with no window")
    assert notepad.hwnd in taskbar_buttons(probe)  # the shell shows buttons, just not ours


def test_title_strip_and_caption_move_the_window_and_nothing_else_does(winenv, probe, nimbara):
    nimbara.show()
    nimbara.pointer_away()

    def strip_between_caption_and_cross():
        strip = nimbara.control(MainControl.kTitleStrip)["rect"]
        return strip[2] - 120, strip[1] + 4

    def caption():
        label = nimbara.control(MainControl.kCaption)["rect"]
        return label[0] + 3, label[1] + 3

    def picture():
        return center(nimbara.control(MainControl.kTitleIcon)["rect"])

    def in_move_loop():
        return probe.foreground()["flags"] & GUI_INMOVESIZE

    def drag(where, dx, dy, button=1, steps=5, moves=False):
        x, y = where()
        before = nimbara.rect()
        if moves:
            # The system's move loop has begun once the press is taken, and has put the window
            # where the pointer left it once the release has ended the loop.
            began = f"a press on {where.__name__} began no move"
            winenv.drag(x, y, x + dx, y + dy, button=button, steps=steps,
                        pressed=lambda: wait_until(in_move_loop, 30, message=began))
            wait_until(lambda: not in_move_loop(), 30, message="the release did not end the move")
        else:
            winenv.drag(x, y, x + dx, y + dy, button=button, steps=steps)
            probe.idle(nimbara.pid)
        after = nimbara.rect()
        return after[0] - before[0], after[1] - before[1]

    # What the program decides is that a press there starts the system's move loop (waited
    # for in drag) and that the window stays where the loop leaves it. How far the loop takes
    # it is the system's: on a loaded machine Wine's loop can replay motion it has already
    # taken or miss some, so a drag that moves is checked for its direction only.
    def moved_along(moved, dx, dy):
        return all(m * d > 0 for m, d in zip(moved, (dx, dy)))

    # Made active first by a click that moves nothing: a press that also activates the window
    # can reach the move loop after its release on a slow machine, and then nothing moves.
    winenv.click(*strip_between_caption_and_cross())
    wait_until(lambda: probe.foreground()["hwnd"] == nimbara.hwnd, 30,
               message="a click on the title strip did not activate the window")
    for where, dx, dy, steps in ((strip_between_caption_and_cross, -60, -40, 4),
                                 (strip_between_caption_and_cross, 30, 20, 10),
                                 (caption, -20, 25, 10)):
        moved = drag(where, dx, dy, steps=steps, moves=True)
        assert moved_along(moved, dx, dy), (where.__name__, dx, dy, moved)
    assert drag(strip_between_caption_and_cross, 40, 40, button=3) == (0, 0)
    assert drag(caption, 40, 40, button=3) == (0, 0)
    assert drag(picture, 40, 40) == (0, 0)

    moved_to = nimbara.rect()
    assert moved_to[:2] != [LEFT, TOP]
    nimbara.hide()
    nimbara.show()
    assert nimbara.rect() == moved_to
    # Where a fresh start opens it (the place is not kept) is the Win32 tests'.


def tooltip_text(nimbara, probe):
    for window in nimbara.windows():
        if window["class"] == "tooltips_class32" and window["visible"]:
            text = probe.text(window["hwnd"])
            if text:
                return text
    return None


# --- ending ------------------------------------------------------------------------------------


def press_exit_button(winenv, probe, nimbara):
    nimbara.show()
    nimbara.click_tool_button(1008)  # "退出程序"


def close_application_window(winenv, probe, nimbara):
    probe.post(nimbara.application["hwnd"], WM_CLOSE)


# Alt+F4 and the session's end are the Win32 tests' (tests/win32/app/main_window_test.cpp).
@pytest.mark.parametrize("end", [press_exit_button, close_application_window],
                         ids=["exit button", "WM_CLOSE to the application window"])
def test_every_way_of_ending_leaves_the_viewer_chain_and_the_hotkey_and_exits_with_0(
        winenv, probe, nimbara_exe, end):
    # Chain: after (joined last) -> Nimbara -> before. Leaving it properly links after to before.
    before = winenv.open_probe("viewer")
    program = None
    after = None
    try:
        program = Nimbara.start(winenv, nimbara_exe)
        after = winenv.open_probe("viewer")
        assert after.greeting["next"] == program.hwnd
        end(winenv, probe, program)
        assert program.process.wait(60) == 0
        left = after.wait_event("changecbchain", timeout=30)
        assert (left["removed"], left["next"]) == (program.hwnd, before.greeting["hwnd"])
        before.clear_events()
        after.clear_events()
        probe.clip_set("13=text:after the end " + end.__name__)
        after.wait_event("drawclipboard", timeout=30)
        before.wait_event("drawclipboard", timeout=30)
        # Another program can take the combination now.
        answer = probe.hotkey(1, 0x56)
        assert answer["registered"], "Alt+V stayed held after the end"
        probe.unhotkey(answer["id"])
    finally:
        for viewer in (after, before):
            if viewer:
                viewer.close()
        if program:
            program.kill()


# --- the error report --------------------------------------------------------------------------


def test_error_report_is_one_box_and_the_program_goes_on(winenv, probe, nimbara):
    nimbara.show()
    holder = winenv.open_probe("viewer")  # joined after Nimbara: it hears of changes first
    try:
        # Held until the box is up, however long the capture's tries take on this machine.
        holder.hold_on_change(600000)
        probe.clip_set("13=text:held while captured")
        holder.wait_event("holding", timeout=30)
        box = nimbara.wait_error_box(timeout=120)
        texts, icons, buttons = nimbara.box_contents(box)
        assert box["title"] == "Nimbara"
        assert texts == ["Cannot open clipboard."]
        assert icons == ["error"]
        assert [b["id"] for b in buttons] == [1]  # OK alone

        # While the box is up the program goes on, and a second failure adds no second box.
        holder.release_hold()
        holder.wait_event("clipboard-closed", timeout=30)
        holder.clear_events()
        holder.hold_on_change(1500)
        probe.clip_set("13=text:held again")
        holder.wait_event("holding", timeout=30)
        holder.wait_event("clipboard-closed", timeout=30)
        probe.clip_set("13=text:captured under the box")
        nimbara.wait_capture(1, "captured under the box")
        # Captured after the second failure was reported: a second box would be up by now.
        assert len(nimbara.error_boxes()) == 1

        ok = buttons[0]
        winenv.click(*center(ok["rect"]))
        wait_until(lambda: not nimbara.error_boxes(), 30, message="the box did not close")
        probe.clip_set("13=text:captured after the box")
        nimbara.wait_capture(2, "captured after the box")
    finally:
        holder.close()


# --- artwork and the look of the window --------------------------------------------------------


def test_artwork_in_the_resources_has_the_designed_sizes(nimbara_exe):
    found = pe_resources.resources(nimbara_exe)
    bitmap = lambda name: pe_resources.bitmap_header(  # noqa: E731
        pe_resources.by_name(found, pe_resources.RT_BITMAP, name))
    assert bitmap(101) == (432, 20, 24)  # title strip
    assert bitmap(102) == (16, 16, 24)  # its picture
    assert bitmap(103)[:2] == (9, 8)  # the close button's cross
    assert bitmap(104) == (6 * 32, 32, 24)  # six 32 x 32 toolbar images side by side
    # The picture, the cross and the toolbar images drawn again at twice their size.
    assert bitmap(112) == (32, 32, 24)
    assert bitmap(113)[:2] == (18, 16)
    assert bitmap(114)[:2] == (6 * 64, 64)
    assert (32, 32, 8) in pe_resources.icon_group(found, 1)  # the program's 256-colour icon


def test_shown_window_looks_like_the_reference(winenv, probe, nimbara, tmp_path):
    """A layout change shows here; after a deliberate one, NIMBARA_UPDATE_REFERENCES=1 writes
    the new picture into tests/e2e/references/."""
    nimbara.show()
    nimbara.pointer_away()
    wait_until(lambda: tooltip_text(nimbara, probe) is None, 15)
    wait_until(lambda: HOVER not in [nimbara.band_pixel(n) for n in range(1, 13)], 30,
               message="a tile kept its hover colour after the pointer left")
    shot = nimbara.grab(nimbara.rect(), tmp_path / "main_window.bmp")
    assert_looks_like(shot, REFERENCES / "main_window.png")
