"""The application shell from outside: start-up, one instance per session, the history window,
show/hide, moving it, the toolbar, the error report, the artwork, scaling and every way of ending.
"""

import time
from pathlib import Path

import pytest

import pe_resources
from harness import wait_until
from nimbara_constants import GB2312_CHARSET, GUI_INMOVESIZE
from nimbara_program import (CLIENT_HEIGHT, CLIENT_WIDTH, DESIGNED_TEXT_HEIGHT, HOVER, MainControl,
                             LEFT, Command, TOP, WM_CLOSE, WM_COMMAND,
                             WM_ENDSESSION, WM_QUERYENDSESSION,
                             WS_CAPTION, WS_EX_DLGMODALFRAME,
                             WS_EX_TOOLWINDOW, WS_POPUP, WS_SYSMENU,
                             WS_THICKFRAME, SONG_TI, Nimbara,
                             assert_looks_like, center, relative,
                             text_scale)

REFERENCES = Path(__file__).resolve().parent / "references"

# The toolbar, left to right: command id, image index (None for a separator), hint.
TOOL_BUTTONS = [
    (1001, 3, "隐藏"), (1002, 1, "全部清空"), (1009, 0, "设置"), (1007, None, None),
    (1004, 2, "帮助"), (1005, 4, "关于"), (1006, None, None), (1008, 5, "退出程序"),
]


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


def client_rect(program):
    """The main window's client area on the screen: the title strip starts it, the tile panel
    (which fills the rest) ends it."""
    controls = program.controls()
    strip = controls[MainControl.kTitleStrip]["rect"]
    panel = controls[MainControl.kTilePanel]["rect"]
    return [strip[0], strip[1], panel[2], panel[3]]


def taskbar_buttons(probe):
    """Visible taskbar buttons: the shell's button children, each named by the window it stands
    for (its control id)."""
    tray = probe.find("Shell_TrayWnd")
    return {c["id"] for c in probe.children(tray) if c["class"] == "Button" and c["visible"]}


# --- start-up and single instance --------------------------------------------------------------


def test_starts_hidden_without_taskbar_button_and_captures_while_hidden(winenv, probe, nimbara):
    scale = text_scale(probe)
    application, main = nimbara.window(nimbara.application["hwnd"]), nimbara.window()
    assert nimbara.visible_windows() == []
    assert (application["title"], application["visible"]) == ("Nimbara", False)
    assert application["exstyle"] & WS_EX_TOOLWINDOW
    assert main["owner"] == application["hwnd"]
    assert (main["title"], main["visible"], main["topmost"]) == ("MainForm", False, True)
    assert main["style"] & (WS_POPUP | WS_SYSMENU) == WS_POPUP | WS_SYSMENU
    assert main["style"] & (WS_CAPTION | WS_THICKFRAME) == 0
    assert main["exstyle"] & WS_EX_DLGMODALFRAME

    # The outer height is the designed client height; the client area is that less the frame.
    left, top, right, bottom = main["rect"]
    client = client_rect(nimbara)
    frame = client[0] - left
    assert (left, top) == (LEFT, TOP)
    assert client[2] - client[0] == scale(CLIENT_WIDTH)
    assert bottom - top == scale(CLIENT_HEIGHT)
    assert (client[1] - top, right - client[2], bottom - client[3]) == (frame, frame, frame)

    assert not taskbar_buttons(probe) & {main["hwnd"], application["hwnd"]}

    probe.clip_set("13=text:captured while hidden")
    nimbara.wait_capture(1, "captured while hidden")
    assert not nimbara.shown()


def test_one_instance_per_session_and_the_next_start_after_it_ends(winenv, probe, nimbara_exe):
    first = Nimbara.start(winenv, nimbara_exe)
    try:
        first.show()
        probe.clip_set("13=text:first instance")
        first.wait_capture(1, "first instance")
        before = (first.windows(), first.tile_texts())
        second = winenv.spawn([nimbara_exe])
        assert second.wait(120) == 0
        assert [w for w in probe.windows() if w["class"] == "TMainForm"] == [first.window()]
        assert (first.windows(), first.tile_texts()) == before
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
        ("command", True), ("command", False), ("menu N1", True), ("menu N1", False),
        ("command", True), ("ToolButton1", False), ("command", True), ("SBClose", False),
        ("menu N1", True), ("ToolButton1", False), ("command", True),
    ]
    for index, (way, shown_after) in enumerate(steps):
        if way == "command":
            nimbara.command(Command.kToolToggle)
        elif way == "menu N1":
            # The tray menu is tracked for the application window, which hands it on.
            probe.send(nimbara.application["hwnd"], WM_COMMAND, Command.kMenuToggle, 0)
        elif way == "SBClose":
            nimbara.click_control(MainControl.kCloseButton)
        else:
            nimbara.click_tool_button(Command.kToolToggle)
        wait_until(lambda: nimbara.shown() == shown_after, 10,
                   message=f"{way} did not {'show' if shown_after else 'hide'} the window")
        if shown_after:
            # Shown on top, without taking the activation from the window the user works in.
            assert nimbara.window()["topmost"]
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


def test_title_strip_and_caption_move_the_window_and_nothing_else_does(
        winenv, probe, nimbara, nimbara_exe):
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

    assert nimbara.close() == 0
    again = Nimbara.start(winenv, nimbara_exe)
    try:
        assert again.rect()[:2] == [LEFT, TOP]
    finally:
        again.kill()


def tooltip_text(nimbara, probe):
    for window in nimbara.windows():
        if window["class"] == "tooltips_class32" and window["visible"]:
            text = probe.text(window["hwnd"])
            if text:
                return text
    return None


def hover_until_tooltip(winenv, nimbara, probe, rect, hint, timeout=20):
    """Rests the pointer on rect until the tooltip shows hint. A resting hand moves a little
    now and then; so does this one, in case Wine's tooltip missed the first motion."""
    x, y = center(rect)
    deadline = time.monotonic() + timeout
    nudge = 0
    while time.monotonic() < deadline:
        winenv.move(x + nudge % 3, y + nudge % 2)
        try:
            return wait_until(lambda: tooltip_text(nimbara, probe) == hint, 4)
        except AssertionError:
            nudge += 1
    raise AssertionError(f"no tooltip {hint!r} over {rect}; showing {tooltip_text(nimbara, probe)!r}")


def test_toolbar_buttons_images_hints_and_help_that_does_nothing(winenv, probe, nimbara):
    scale = text_scale(probe)
    nimbara.show()
    nimbara.pointer_away()
    toolbar = nimbara.toolbar()
    buttons = toolbar["buttons"]
    assert [(b["command"], None if b["separator"] else b["image"]) for b in buttons] == \
        [(command, image) for command, image, _ in TOOL_BUTTONS]
    assert (toolbar["button_width"], toolbar["button_height"]) == (scale(39), scale(38))
    bar = nimbara.control(MainControl.kToolBar)
    # Sized to its buttons: exactly as tall as one.
    x, y, right, bottom = relative(bar["rect"],
                                   nimbara.control(MainControl.kToolBarPanel)["client"][:2])
    assert (x, y, right - x, bottom - y) == (scale(2), scale(2), scale(425), scale(38))
    for button in buttons:
        width = button["rect"][2] - button["rect"][0]
        assert width == (scale(8) if button["separator"] else scale(39))
        assert bar["rect"][0] <= button["rect"][0] and button["rect"][2] <= bar["rect"][2]

    # Each hint shows as the tooltip of its button, while the window is not even active.
    for button, (_, _, hint) in zip(buttons, TOOL_BUTTONS):
        if hint is None:
            continue
        hover_until_tooltip(winenv, nimbara, probe, button["rect"], hint)
    nimbara.pointer_away()
    wait_until(lambda: tooltip_text(nimbara, probe) is None, 15, message="the tooltip stayed")

    probe.clip_set("13=text:before help")
    nimbara.wait_capture(1, "before help")
    def seen():
        """Nimbara's other windows (help opens none), the tiles and the place of the window."""
        shown_or_hidden = (nimbara.hwnd, nimbara.application["hwnd"])
        windows = sorted((w["class"], w["title"], w["visible"]) for w in nimbara.windows()
                         if w["hwnd"] not in shown_or_hidden and w["class"] != "tooltips_class32")
        return windows, nimbara.tile_texts(), nimbara.rect()

    before = seen()
    nimbara.click_tool_button(1004)  # "帮助"
    # The clicks are taken in turn: once the one on "隐藏" has hidden the window, help is done.
    nimbara.click_tool_button(Command.kToolToggle)
    nimbara.wait_shown(False)
    assert seen() == before
    assert nimbara.process.poll() is None


# --- ending ------------------------------------------------------------------------------------


def press_exit_button(winenv, probe, nimbara):
    nimbara.show()
    nimbara.click_tool_button(1008)  # "退出程序"


def alt_f4(winenv, probe, nimbara):
    nimbara.show()
    nimbara.click_tile(6)  # an empty tile: the click activates the window
    wait_until(lambda: probe.foreground()["hwnd"] == nimbara.hwnd, 10)
    winenv.key("alt+F4")


def close_application_window(winenv, probe, nimbara):
    probe.post(nimbara.application["hwnd"], WM_CLOSE)


@pytest.mark.parametrize("end", [press_exit_button, alt_f4, close_application_window],
                         ids=["exit button", "Alt+F4", "WM_CLOSE to the application window"])
def test_every_way_of_ending_leaves_the_viewer_chain_and_exits_with_0(
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
    finally:
        for viewer in (after, before):
            if viewer:
                viewer.close()
        if program:
            program.kill()


def test_session_end_is_agreed_to_and_ends_leaving_the_chain_whole(winenv, probe, nimbara):
    after = winenv.open_probe("viewer")
    try:
        assert after.greeting["next"] == nimbara.hwnd
        for hwnd in (nimbara.hwnd, nimbara.application["hwnd"]):
            assert probe.send(hwnd, WM_QUERYENDSESSION, 0, 0) == 1
        probe.send(nimbara.hwnd, WM_ENDSESSION, 0, 0)  # the session goes on after all
        probe.idle(nimbara.pid)  # back in its message loop, not on its way out
        assert nimbara.process.poll() is None
        probe.post(nimbara.hwnd, WM_ENDSESSION, 1, 0)
        assert nimbara.process.wait(60) == 0
        # Every way out leaves the chain: the viewer ahead was told before the end.
        left = after.wait_event("changecbchain", timeout=30)
        assert left["removed"] == nimbara.hwnd
    finally:
        after.close()


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


# --- scaling -------------------------------------------------------------------------------------

# Designed places of the window's parts: (control id, parent id or None for the client area,
# x, y, width, height); the tiles follow the grid.
DESIGNED = [
    (MainControl.kTitleStrip, None, 0, 0, 429, 20),
    (MainControl.kTitleIcon, MainControl.kTitleStrip, 3, 2, 16, 16),
    (MainControl.kCaption, MainControl.kTitleStrip, 21, 4, 65, 12),
    (MainControl.kCloseButton, MainControl.kTitleStrip, 410, 3, 16, 14),
    (MainControl.kToolBarPanel, None, 0, 20, 429, 42),
    (MainControl.kToolBar, MainControl.kToolBarPanel, 2, 2, 425, 38),
]


def assert_scaled(actual, designed, scale, what):
    """Each edge within a pixel of the designed rectangle scaled exactly (the rounding of a
    position and of a size may each give half a pixel)."""
    x, y, width, height = designed
    exact = [v * scale.text_height / DESIGNED_TEXT_HEIGHT for v in (x, y, x + width, y + height)]
    assert all(abs(a - e) <= 1 for a, e in zip(actual, exact)), (what, actual, exact)


def check_layout(probe, nimbara, scale):
    controls = nimbara.controls()
    client = client_rect(nimbara)
    width = client[2] - client[0]
    origin = {None: client[:2]}
    for control_id, *_ in DESIGNED:
        origin[control_id] = controls[control_id]["client"][:2]
    origin[MainControl.kTilePanel] = controls[MainControl.kTilePanel]["client"][:2]
    for control_id, parent, x, y, w, h in DESIGNED:
        assert_scaled(relative(controls[control_id]["rect"], origin[parent]), (x, y, w, h), scale,
                      control_id)
    # aligned: the client's whole width
    for control_id in (MainControl.kTitleStrip, MainControl.kToolBarPanel, MainControl.kTilePanel):
        assert relative(controls[control_id]["rect"], origin[None])[::2] == [0, width]
    form = relative(controls[MainControl.kTilePanel]["rect"], origin[None])
    assert form[1] == relative(controls[MainControl.kToolBarPanel]["rect"], origin[None])[3]
    assert form[3] == client[3] - client[1]
    for slot in range(1, 13):
        column, row = (slot - 1) % 4, (slot - 1) // 4
        band = controls[100 + slot]["rect"]
        assert_scaled(relative(band, origin[MainControl.kTilePanel]), (3 + 106 * column,
                                                                       3 + 98 * row, 105, 97),
                      scale, f"PColor{slot}")
        frame = controls[200 + slot]["rect"]
        assert_scaled(relative(frame, band[:2]), (4, 4, 97, 89), scale, f"PFrame{slot}")
        label = controls[300 + slot]["rect"]
        assert_scaled(relative(label, frame[:2]), (2, 2, 93, 85), scale, f"LText{slot}")
        # Nothing of the grid is cut off by the window's edge.
        assert band[2] <= controls[MainControl.kTilePanel]["rect"][2]
        assert band[3] <= controls[MainControl.kTilePanel]["rect"][3]

    # Texts fit their places at this scale: the caption in its bold font, a tile's caption.
    caption = controls[MainControl.kCaption]["rect"]
    bold = probe.font(SONG_TI, 9, 700, GB2312_CHARSET, "Nimbara")
    assert bold["width"] <= caption[2] - caption[0] and bold["height"] <= caption[3] - caption[1]
    empty = probe.font(SONG_TI, 9, 400, 1, "(空)")
    label = controls[301]["rect"]
    assert empty["width"] <= label[2] - label[0] and empty["height"] <= label[3] - label[1]
    toolbar = nimbara.toolbar()
    bar, panel = controls[MainControl.kToolBar]["rect"], controls[MainControl.kToolBarPanel]["rect"]
    assert toolbar["buttons"][-1]["rect"][2] <= bar[2]
    assert all(b["rect"][3] - b["rect"][1] <= bar[3] - bar[1] for b in toolbar["buttons"])
    assert panel[0] <= bar[0] and panel[1] <= bar[1] and bar[2] <= panel[2] and bar[3] <= panel[3]


@pytest.mark.parametrize("dpi", [
    96,
    pytest.param(120, marks=pytest.mark.winenv(dpi=120, size=(1280, 1024))),
    pytest.param(144, marks=pytest.mark.winenv(dpi=144, size=(1280, 1024))),
])
def test_window_and_controls_scale_with_the_text_height(winenv, probe, nimbara, dpi):
    assert probe.screen()["dpi"] == dpi
    scale = text_scale(probe)
    if dpi > 96:
        assert scale.text_height > 14  # the font grew with the DPI
    nimbara.show()
    main = nimbara.window()
    client = client_rect(nimbara)
    assert main["rect"][:2] == [LEFT, TOP]
    assert client[2] - client[0] == scale(CLIENT_WIDTH)
    assert main["rect"][3] - main["rect"][1] == scale(CLIENT_HEIGHT)
    check_layout(probe, nimbara, scale)
