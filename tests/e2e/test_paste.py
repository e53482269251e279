"""Paste-back from outside, with real peers: Wine's notepad as the program the user works in, X
programs (xclip) as sources of pictures, the probe as a second clipboard reader, a clipboard
viewer and a holder of the clipboard.
"""

import hashlib
import struct
import time
import zlib

import pytest

from harness import wait_until
from nimbara_constants import (MINIMISED, ON_CLIPBOARD, SC_MINIMIZE, SC_RESTORE, WA_ACTIVE,
                               WA_CLICKACTIVE, WM_SYSCOMMAND, WS_MINIMIZE)
from nimbara_program import (HOVER, NEWEST, PASTED, WM_ACTIVATE, WM_COMMAND, WM_NULL,
                             SettingsControl, CLIENT_WIDTH, center,
                             clear_settings)
from nimbara_constants import Command
from tray_icon import (choose, icon_centre)



class Notepad:
    def __init__(self, winenv, probe, program):
        self.env, self.probe, self.program = winenv, probe, program
        self.hwnd = program.hwnd
        self.edit = next(c for c in probe.children(self.hwnd) if c["class"].lower() == "edit")

    def text(self):
        return self.probe.edit_text(self.hwnd)

    def spot(self):
        """A point inside the text, clear of the history window."""
        left, top, right, bottom = self.edit["client"]
        return right - 30, bottom - 30

    def click_into(self):
        """A click into the text: notepad is the active window, the caret where the text ends."""
        self.env.click(*self.spot())
        wait_until(lambda: self.probe.foreground()["hwnd"] == self.hwnd, 30,
                   message="notepad did not become active")
        self.env.key("ctrl+End")

    def wait_text(self, text, timeout=30):
        wait_until(lambda: self.text() == text, timeout,
                   message=f"notepad shows {self.text()!r}, not {text!r}")


def start_notepad(winenv, probe, start_program, place):
    program = start_program("notepad.exe", "Notepad")
    probe.move_window(program.hwnd, *place)
    notepad = Notepad(winenv, probe, program)
    notepad.click_into()
    return notepad


@pytest.fixture
def notepad(request, winenv, probe, start_program):
    # Left of the history window (278..785 at this scale), never under it, unless the test
    # places it (indirect parametrisation).
    place = getattr(request, "param", (0, 0, 270, 330))
    notepad = start_notepad(winenv, probe, start_program, place)
    yield notepad
    notepad.program.process.kill()
    notepad.program.process.wait(30)


def as_captured(dump):
    """What must come back byte for byte: format numbers in order, the bytes of each global
    block, the pixels of each picture."""
    return [(f["format"], f.get("name"), f.get("size"), f.get("sha256"), f.get("pixels_sha256"))
            for f in dump]


def paste_back_writes(viewer, nimbara):
    """Clipboard notices caused by Nimbara's own writes (it owns the clipboard after them)."""
    return [e for e in viewer.events("drawclipboard") if e["owner"] == nimbara.hwnd]


# --- a real paste into notepad -----------------------------------------------------------------


def test_click_on_a_tile_pastes_its_slot_into_notepad_and_adds_no_slot(
        winenv, probe, nimbara, notepad):
    captured = {}
    for slot, word in enumerate(["alpha", "beta", "gamma"], 1):
        winenv.type_text(word)
        winenv.key("ctrl+a", "ctrl+c")
        nimbara.wait_capture(slot, word)
        captured[slot] = as_captured(probe.clip_dump())
    winenv.type_text("X:")  # over the selection
    notepad.wait_text("X:")
    nimbara.show()
    assert probe.foreground()["hwnd"] == notepad.hwnd
    tiles = nimbara.tile_texts()
    idle = nimbara.idle_color()

    # An older tile: its text at the caret, its formats on the clipboard as captured, the tile
    # PastedColor under the pointer and IdleColor once the pointer has gone.
    nimbara.click_tile(1)
    notepad.wait_text("X:alpha")
    assert as_captured(probe.clip_dump()) == captured[1]
    assert nimbara.band_pixel(1) == PASTED
    assert nimbara.band_pixel(3) == NEWEST
    nimbara.pointer_away()
    wait_until(lambda: nimbara.band_pixel(1) == idle, 10, message="tile 1 did not turn idle")

    # The newest tile: PastedColor, then NewestColor again.
    nimbara.click_tile(3)
    notepad.wait_text("X:alphagamma")
    assert as_captured(probe.clip_dump()) == captured[3]
    assert nimbara.band_pixel(3) == PASTED
    nimbara.pointer_away()
    wait_until(lambda: nimbara.band_pixel(3) == NEWEST, 10, message="tile 3 lost NewestColor")

    notepad.click_into()
    winenv.type_text("delta")
    winenv.key("shift+Home")

    # A copy made while the guard lasts is never captured: copied again until one is, the
    # first one captured lands where NextSlot stood, unmoved by the paste-backs' own writes.
    def copied_and_captured():
        winenv.key("ctrl+c")
        try:
            nimbara.wait_capture(4, timeout=5)
        except AssertionError:
            return False
        return True

    try:
        wait_until(copied_and_captured, 30)
        nimbara.wait_capture(4, "X:alphagammadelta")
    except AssertionError as e:
        raise AssertionError(f"{e}; notepad shows {notepad.text()!r}, the clipboard holds "
                             f"{probe.clip_dump()}, the foreground is {probe.foreground()}"
                             f" X focus {winenv.xdotool('getwindowfocus', '-f')} "
                             f"{winenv.xdotool('getwindowfocus', '-f', 'getwindowname')}") from None
    assert [nimbara.tile_texts()[n] for n in (1, 2, 3)] == [tiles[n] for n in (1, 2, 3)]
    assert nimbara.band_pixel(4) == NEWEST and nimbara.band_pixel(3) == idle


# At 150 % on a 1024 x 768 screen the grid at its designed place would reach past the right edge
# and under the taskbar: it opens laid out at that scale, flush with the work area's lower right.
@pytest.mark.winenv(dpi=144, size=(1024, 768))
def test_at_144_dpi_on_a_small_screen_the_grid_opens_whole_and_a_tile_pastes(
        winenv, probe, nimbara, notepad):
    probe.clip_set("13=text:P")
    nimbara.wait_capture(1, "P")
    notepad.click_into()
    winenv.key("alt+v")
    nimbara.wait_shown(True)
    client = nimbara.client_rect()
    assert client[2] - client[0] == nimbara.scale()(CLIENT_WIDTH) > CLIENT_WIDTH
    assert list(nimbara.rect()[2:]) == list(probe.screen()["work_area"][2:])
    wait_until(lambda: probe.foreground()["hwnd"] == notepad.hwnd, 30)
    winenv.click(*center(nimbara.control(301)["rect"]))
    notepad.wait_text("P")


# --- every way a user shows the window, then a click or a double click on a tile -----------------

# The keys of the hotkey (other than Alt+V chosen in the settings dialog first), a click on the tray
# icon or its menu's first item; then the clicks on the tile. Alt+V's V never reaches notepad,
# which sees Alt pressed and released with nothing between.
# Single clicks after the hotkey, the tray icon and its menu are rows of the sequences below.
JOURNEYS = [("alt+v", 2), ("tray menu", 2), ("ctrl+q", 1), ("shift+alt+F9", 1)]


@pytest.mark.parametrize("way, clicks", JOURNEYS, ids=[f"{w} {c}" for w, c in JOURNEYS])
def test_shown_as_users_show_it_a_tile_pastes_once_into_the_window_they_left(
        winenv, probe, nimbara, notepad, item_places, way, clicks):
    def typing_reaches_notepad():  # active, and its menu bar (GUI_INMENUMODE) not taking the keys
        return (probe.foreground()["hwnd"], probe.foreground()["flags"] & 4) == (notepad.hwnd, 0)

    try:
        if way in ("ctrl+q", "shift+alt+F9"):
            probe.post(nimbara.hwnd, WM_COMMAND, 1009)  # "设置"
            dialog = wait_until(lambda: next((w["hwnd"] for w in nimbara.visible_windows()
                                              if w["class"] == "TSetupForm"), None), 60)
            control = {c["id"]: center(c["rect"]) for c in probe.children(dialog)}
            winenv.click(*control[SettingsControl.kUseCustomHotKey])
            winenv.click(*control[SettingsControl.kHotKeyEdit])
            winenv.key(way)
            winenv.click(*control[SettingsControl.kOk])
            wait_until(lambda: not nimbara.window(dialog)["visible"], 30)
        probe.clip_set("13=text:P")
        nimbara.wait_capture(1, "P")
        notepad.click_into()
        if way == "tray menu":
            choose(winenv, probe, Command.kMenuToggle, item_places)
        elif way == "tray click":
            winenv.click(*icon_centre(winenv, probe))
        else:  # over the text, as a user typing there: once the settings dialog has been up,
            winenv.key(way)  # this Wine loses keys pressed over the bare desktop
        wait_until(nimbara.shown, 30, message="the history window did not show")
        wait_until(typing_reaches_notepad, 30, message=f"{probe.foreground()}")
        winenv.click(*center(nimbara.control(301)["rect"]), repeat=clicks)
        notepad.wait_text("P")
        probe.idle(nimbara.pid)  # a second paste would be on its way before the key typed now
        winenv.move(*notepad.spot())
        winenv.type_text("x")
        notepad.wait_text("Px")
        assert typing_reaches_notepad(), probe.foreground()
    finally:
        clear_settings(winenv)


# --- any order of the ways to show and hide, each show ending in a tile that pastes ---------------

# One user's afternoon, row after row with one Nimbara and one notepad: every way of hiding is
# followed once by every way of showing (the hotkey, a click on the tray icon, the menu's first
# item), and each show by a click on the tile as soon as the window is there, which must paste.
# "notepad": a click into its text and a key typed there; "type": a key typed only; "tile": one
# click on tile 1, "tile twice": a double click, which pastes once.
SEQUENCES = [
    ("tray click", "tile", "tile twice", "tray menu", "type", "notepad", "tray menu", "tile"),
    ("tray menu", "alt+v", "tile"),
    ("alt+v", "notepad", "alt+v", "tile"),
    ("alt+v", "tray click", "tile"),
    ("tray click", "notepad", "tray click", "tile"),
    ("tray click", "tray menu", "tile"),
    ("tray menu", "notepad", "tray click", "tile"),
    ("tray click", "alt+v", "tile"),
    ("alt+v", "tray menu", "tile"),
]


MOUSE_KEY = r"HKCU\Control Panel\Mouse"


@pytest.fixture
def slow_double_click(winenv):
    """The longest double-click time the system takes (5 s), as users with slow hands set it, for
    the programs started from now on: a click on a tile and the next one on the same spot, with
    the window hidden and shown between, are then one double click to the system however fast
    this machine runs the steps between them."""
    before = winenv.reg_query(MOUSE_KEY, "DoubleClickSpeed")
    winenv.reg_add(MOUSE_KEY, "DoubleClickSpeed", 5000)
    yield
    if before is None:
        winenv.reg_delete(MOUSE_KEY, "DoubleClickSpeed")
    else:
        winenv.reg_add(MOUSE_KEY, "DoubleClickSpeed", before)


def test_every_order_of_showing_and_hiding_ends_in_a_tile_that_pastes_at_the_first_click(
        winenv, probe, notepad, item_places, slow_double_click, start_nimbara):
    nimbara = start_nimbara()  # notepad keeps the usual time: its text is clicked on one spot
    probe.clip_set("13=text:P")
    nimbara.wait_capture(1, "P")
    icon = icon_centre(winenv, probe)
    tile = center(nimbara.control(301)["rect"])
    expected = notepad.text()
    for row, steps in enumerate(SEQUENCES, 1):
        for step in steps:
            where = f"row {row} {steps}, at {step!r}"
            if step in ("tray click", "tray menu", "alt+v"):
                was_shown = nimbara.shown()
                if step == "tray menu":
                    choose(winenv, probe, Command.kMenuToggle, item_places)
                elif step == "tray click":
                    winenv.click(*icon)
                else:  # over the text, as a user typing there
                    winenv.move(*notepad.spot())
                    winenv.key(step)
                wait_until(lambda: nimbara.shown() != was_shown, 30,
                           message=f"{where}: the history window did not toggle")
                continue
            if step == "notepad":
                notepad.click_into()
            if step in ("notepad", "type"):
                winenv.type_text("x")
                expected += "x"
            else:
                winenv.click(*tile, repeat=2 if step == "tile twice" else 1)
                expected += "P"
            try:
                notepad.wait_text(expected)
            except AssertionError as e:
                raise AssertionError(f"{where}: {e}; the foreground is {probe.foreground()}, "
                                     f"the clipboard {probe.clip_count()}") from None


# A new user's first minute, the pauses the user's own. Notepad is opened wide, as users keep
# it: the tiles lie over its text, where a click that reaches it instead lands unseen, and the
# lower right of the text, where it is clicked, lies below the grid (169..597 at this scale).
@pytest.mark.parametrize("notepad", [(0, 0, 760, 740)], indirect=True)
def test_shown_by_the_tray_menu_the_window_takes_the_first_click_over_the_window_below(
        winenv, probe, nimbara, notepad, item_places):
    winenv.type_text("s:")
    notepad.wait_text("s:")
    for slot, text in enumerate(("AA", "BB"), 1):
        probe.clip_set(f"13=text:{text}")
        nimbara.wait_capture(slot, text)
    one, two = (center(nimbara.control(300 + slot)["rect"]) for slot in (1, 2))
    notepad.click_into()
    winenv.click(*icon_centre(winenv, probe))
    nimbara.wait_shown(True)
    time.sleep(0.3)
    winenv.click(*one)
    notepad.wait_text("s:AA")
    nimbara.pointer_away()
    time.sleep(1.3)
    winenv.move(*two)
    winenv.xdotool("click", "--repeat", 2, "--delay", 80, 1)
    notepad.wait_text("s:AABB")
    time.sleep(2.5)
    nimbara.pointer_away()
    time.sleep(1.3)
    assert notepad.text() == "s:AABB", "the double click pasted twice"
    notepad.click_into()
    choose(winenv, probe, Command.kMenuToggle, item_places, dwell=1.2)  # hides
    nimbara.wait_shown(False)
    time.sleep(0.5)
    winenv.key("k")
    notepad.wait_text("s:AABBk")
    notepad.click_into()
    # shows; notepad gets the keyboard back
    choose(winenv, probe, Command.kMenuToggle, item_places, dwell=1.2)
    nimbara.wait_shown(True)
    time.sleep(0.3)
    winenv.move(*one)
    time.sleep(0.3)
    winenv.click(*one)
    notepad.wait_text("s:AABBkAA")


# --- every kind of content comes back intact ---------------------------------------------------

CHINESE = "中文剪贴板：代码页九三六，粘贴回去"


def bmp_file(width, height):
    """A 24-bit bottom-up BMP with a different colour at every pixel, and its pixels as the probe
    reports them (32-bit rows, top-down, blue-green-red-0)."""
    rows, top_down = [], []
    for y in range(height):
        row = b"".join(bytes(((x * 37 + y * 11) % 256, (x * 5 + y * 29) % 256, (x * y) % 256))
                       for x in range(width))
        top_down.append(b"".join(row[i:i + 3] + b"\0" for i in range(0, len(row), 3)))
        rows.append(row + b"\0" * ((-len(row)) % 4))
    pixels = b"".join(reversed(rows))
    header = struct.pack("<IiiHHIIiiII", 40, width, height, 1, 24, 0, len(pixels), 2835, 2835, 0, 0)
    data = b"BM" + struct.pack("<IHHI", 14 + 40 + len(pixels), 0, 0, 54) + header + pixels
    return data, hashlib.sha256(b"".join(top_down)).hexdigest()


def png_file(width, height):
    def chunk(kind, body):
        return (struct.pack(">I", len(body)) + kind + body
                + struct.pack(">I", zlib.crc32(kind + body) & 0xFFFFFFFF))

    raw = b"".join(b"\0" + b"".join(bytes((x * 40 % 256, y * 40 % 256, 128)) for x in range(width))
                   for y in range(height))
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 2, 0,
                                                              0, 0))
            + chunk(b"IDAT", zlib.compress(raw)) + chunk(b"IEND", b""))


def drop_files(*paths):
    """A CF_HDROP block: DROPFILES with wide names, each ended by a NUL, then one more NUL."""
    names = "".join(p + "\0" for p in paths) + "\0"
    return struct.pack("<IiiII", 20, 0, 0, 0, 1) + names.encode("utf-16-le")


def by_format(dump, number=None, name=None):
    return next((f for f in dump if (number is None or f["format"] == number)
                 and (name is None or f["name"] == name)), None)


def put_chinese(winenv, probe):
    probe.clip_set(f"13=text:{CHINESE}", f"1=text:{CHINESE}")
    return CHINESE


def put_several_formats(winenv, probe, tmp_path):
    blob = tmp_path / "blob.bin"
    blob.write_bytes(bytes(range(256)) * 64 + b"\0\1\2")
    probe.clip_set("13=text:多种格式的一次复制", "1=text:多种格式的一次复制",
                   f"reg:Nimbara Paste Blob=@{blob}", "0x0200=size:70001", "16=hex:04080000")
    return "多种格式的一次复制"


@pytest.mark.parametrize("kind", ["Chinese text", "several formats", "X bitmap", "X png",
                                  "file list"])
def test_content_comes_back_intact(winenv, probe, nimbara, notepad, tmp_path, kind):
    pasted_text = None
    expected_pixels = png = None
    if kind == "Chinese text":
        pasted_text = put_chinese(winenv, probe)
    elif kind == "several formats":
        pasted_text = put_several_formats(winenv, probe, tmp_path)
    elif kind == "X bitmap":
        bmp, expected_pixels = bmp_file(23, 17)
        winenv.xclip_set(bmp, target="image/bmp")
    elif kind == "X png":
        png = png_file(9, 7)
        winenv.xclip_set(png, target="image/png")
    else:
        probe.clip_set("15=hex:" + drop_files(r"C:\windows\notepad.exe",
                                              r"C:\windows\文件.txt").hex())
    nimbara.wait_capture(1, pasted_text)
    # What X offers is brought over by Wine as it is read: the same twice, it is all there.
    before = wait_until(lambda: (dump := probe.clip_dump()) == probe.clip_dump() and dump, 30)
    if expected_pixels:
        assert {by_format(before, 8)["pixels_sha256"], by_format(before, 2)["pixels_sha256"]} == \
            {expected_pixels}
    if png:
        assert by_format(before, name="PNG")["sha256"] == hashlib.sha256(png).hexdigest()
    if kind == "file list":
        assert by_format(before, 15)["size"] == len(drop_files(r"C:\windows\notepad.exe",
                                                               r"C:\windows\文件.txt"))

    probe.clip_set("13=text:something newer")
    nimbara.wait_capture(2, "something newer")
    text_before = notepad.text()
    nimbara.show()
    nimbara.click_tile(1)
    wait_until(lambda: as_captured(probe.clip_dump()) == as_captured(before), 30,
               message=f"the clipboard did not get slot 1 back: {probe.clip_dump()}")
    if pasted_text:
        notepad.wait_text(text_before + pasted_text)
    if expected_pixels:
        after = probe.clip_dump()
        # A program asking for a DIB and one asking for a bitmap see the same pixels.
        assert by_format(after, 8)["pixels_sha256"] == expected_pixels
        assert by_format(after, 2)["pixels_sha256"] == expected_pixels


# --- where the paste goes: ActivationChanged -----------------------------------------------------


def test_only_a_click_activation_from_another_window_changes_where_pastes_go(
        winenv, probe, nimbara, start_program):
    first = start_notepad(winenv, probe, start_program, (0, 0, 270, 330))
    second = start_notepad(winenv, probe, start_program, (0, 340, 270, 330))
    viewer = winenv.open_probe("viewer")
    try:
        probe.clip_set("13=text:P")
        nimbara.wait_capture(1, "P")
        first.click_into()
        nimbara.show()
        # Clicks on the tile land in turn on these two spots, lest two make a double click.
        left, top, right, bottom = nimbara.control(301)["rect"]
        spots = [(left + 5, top + 5), center((left, top, right, bottom))]
        # A click activation from the first notepad: pastes go there.
        winenv.click(*spots[0])
        first.wait_text("P")

        # (wParam, lParam) sent as WM_ACTIVATE to the active history window, then a click on the
        # tile (no activation comes first) and where the paste went.
        cases = [
            ((WA_ACTIVE, second.hwnd), first),
            ((WA_CLICKACTIVE | MINIMISED, second.hwnd), first),
            ((WA_CLICKACTIVE, nimbara.hwnd), first),
            ((WA_CLICKACTIVE, second.hwnd), second),
            ((WA_CLICKACTIVE, 0), None),
        ]
        for i, ((wparam, lparam), target) in enumerate(cases, 1):
            texts = {first: first.text(), second: second.text()}
            writes = len(paste_back_writes(viewer, nimbara))
            probe.activate(nimbara.hwnd)
            wait_until(lambda: probe.foreground()["hwnd"] == nimbara.hwnd, 10)
            probe.send(nimbara.hwnd, WM_ACTIVATE, wparam, lparam)
            winenv.click(*spots[i % 2])
            # The click has been handled, Ctrl+V typed included, once the slot is written back
            # and the window answers a message again.
            wait_until(lambda: len(paste_back_writes(viewer, nimbara)) > writes, 30)
            probe.send(nimbara.hwnd, WM_NULL)
            if target:
                target.wait_text(texts[target] + "P")
            else:
                # Ctrl+V went to the window then active: this one, no notepad.
                assert probe.foreground()["hwnd"] == nimbara.hwnd
            for notepad, text in texts.items():
                expected = text + "P" if notepad is target else text
                assert notepad.text() == expected, (wparam, lparam)
    finally:
        viewer.close()
        for notepad in (first, second):
            notepad.program.process.kill()
            notepad.program.process.wait(30)


# --- a clipboard held open at the click ----------------------------------------------------------


def test_clipboard_held_at_the_click_shows_the_error_and_pastes_nothing(
        winenv, probe, nimbara, notepad):
    probe.clip_set("13=text:wanted back")
    nimbara.wait_capture(1, "wanted back")
    probe.clip_set("13=text:on the clipboard")
    nimbara.wait_capture(2, "on the clipboard")
    notepad.click_into()
    text_before = notepad.text()
    nimbara.show()
    holder = winenv.open_probe()
    try:
        holder.clip_hold(600000)  # until the box is up, however long the tries take here
        sequence = probe.clip_count()["sequence"]
        nimbara.click_tile(1)
        box = nimbara.wait_error_box(timeout=120)
        texts, icons, buttons = nimbara.box_contents(box)
        assert (box["title"], texts, icons) == ("Nimbara", ["Cannot open clipboard."], ["error"])
        assert [b["id"] for b in buttons] == [1]
        assert nimbara.band_pixel(1) == HOVER  # not PastedColor: nothing was pasted
        holder.release_hold()
        holder.wait_event("clipboard-closed", timeout=30)
        probe.idle(nimbara.pid)  # the box's loop: no restore is left to run
        assert probe.clip_count()["sequence"] == sequence
        assert by_format(probe.clip_dump(), 13)["text"] == "on the clipboard"
        assert notepad.text() == text_before

        # PasteGuard did not stay set: a change is captured, even while the box is up.
        probe.clip_set("13=text:captured after the failed paste")
        nimbara.wait_capture(3, "captured after the failed paste")
        winenv.click(*center(buttons[0]["rect"]))
        wait_until(lambda: not nimbara.error_boxes(), 30, message="the box did not close")
        probe.clip_set("13=text:and after the box")
        nimbara.wait_capture(4, "and after the box")
        assert notepad.text() == text_before
    finally:
        holder.close()


# --- a paste goes only where the user can see it ---------------------------------------------



def test_a_paste_goes_to_the_desktop_left_for_it_and_never_into_a_minimised_window(
        winenv, probe, nimbara, notepad):
    probe.clip_set("13=text:P")
    nimbara.wait_capture(1, "P")
    probe.clip_set("13=text:Q")
    nimbara.wait_capture(2, "Q")
    text = notepad.text()

    def minimise_notepad(command=SC_MINIMIZE):  # as Win+D or its taskbar button would
        probe.post(notepad.hwnd, WM_SYSCOMMAND, command)
        window = lambda: next(w for w in probe.windows() if w["hwnd"] == notepad.hwnd)  # noqa: E731
        wait_until(lambda: bool(window()["style"] & WS_MINIMIZE) == (command == SC_MINIMIZE), 30)

    def paste(slot, text):  # the slot back on the clipboard and the click handled
        nimbara.click_tile(slot)
        wait_until(lambda: by_format(probe.clip_dump(), 13)["text"] == text, 30)
        probe.idle(nimbara.pid)

    # Brought up in notepad, the window stays while notepad is minimised (as by Win+D); the user
    # clicks the desktop, then a tile: the paste goes to the desktop, not into notepad.
    winenv.key("alt+v")
    wait_until(nimbara.shown, 30, message="the history window did not show")
    minimise_notepad()
    winenv.click(100, 600)
    paste(1, "P")
    wait_until(lambda: nimbara.band_pixel(1) == PASTED, 30, message="the tile claims no paste")
    assert not nimbara.error_boxes()

    # Notepad, recorded by a click activation of the history window, is minimised meanwhile:
    # it gets no keys, the tile claims no paste, and the user is told where the content is.
    minimise_notepad(SC_RESTORE)
    notepad.click_into()
    winenv.click(*center(nimbara.control(312)["rect"]))  # an empty tile
    minimise_notepad()
    paste(2, "Q")
    box = nimbara.wait_error_box()
    assert nimbara.box_contents(box)[0] == [ON_CLIPBOARD]
    assert nimbara.band_pixel(2) == HOVER and notepad.text() == text
    nimbara.dismiss_boxes()
