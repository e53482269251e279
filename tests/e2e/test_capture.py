"""Capture from outside: what other programs put on the clipboard shows on the tiles of the real
Nimbara.exe, read as a screen reader reads it (WM_GETTEXT, IsWindowEnabled) and from the screen.

Tile n is PColor n (id 100 + n: the band, text = NewestMark), PFrame n (200 + n: frame caption)
and LText n (300 + n: preview text, enabled while the slot holds a snapshot); see
nimbara_program.py.
"""

import struct

from harness import wait_until
from nimbara_constants import (CF_UNICODETEXT, Command, EMPTY_TILE, HOVER, NEWEST, WM_COMMAND)
from nimbara_program import center


def filled(program):
    """Slot -> preview text of every slot that holds a snapshot."""
    return {slot: text for slot, (text, _, enabled) in program.tile_texts().items() if enabled}


def newest_mark(program, slot):
    return program.control(100 + slot)["text"]


def wait_band(program, slot, colour, what):
    try:
        wait_until(lambda: program.band_pixel(slot) == colour, 20)
    except AssertionError:
        raise AssertionError(f"tile {slot} {what}: band {program.band_pixel(slot)}, "
                             f"expected {colour}") from None


def label_rect(program, slot):
    return program.control(300 + slot)["rect"]


def hover(program, slot):
    program.env.move(*center(label_rect(program, slot)))


def sequence(probe):
    return probe.clip_count()["sequence"]


# --- the ring: start-up content, twelve slots in order, the thirteenth overwrites ------------


def test_startup_content_and_xclip_copies_fill_the_ring_in_order(winenv, probe, start_nimbara):
    probe.clip_set("13=text:在启动前复制")
    program = start_nimbara(empty_clipboard=False)
    program.wait_capture(1, "在启动前复制")

    # Copies made by an X program (xclip), as a Linux application's copy reaches Windows ones.
    texts = {1: "在启动前复制"}
    for slot in range(2, 13):
        texts[slot] = f"xclip 复制 {slot}"
        winenv.xclip_set(texts[slot])
        program.wait_capture(slot, texts[slot])
        assert filled(program) == texts, f"copy {slot} did not go to slot {slot} alone"
    assert program.tile_texts() == {n: (texts[n], "", True) for n in range(1, 13)}
    assert [newest_mark(program, n) for n in range(1, 13)] == [""] * 12

    winenv.xclip_set("第十三次")
    program.wait_capture(1, "第十三次")
    texts[1] = "第十三次"
    assert program.tile_texts() == {n: (texts[n], "", True) for n in range(1, 13)}
    winenv.xclip_set("第十四次")
    program.wait_capture(2, "第十四次")
    texts[2] = "第十四次"
    assert filled(program) == texts


# --- preview rules -------------------------------------------------------------------------


def quadrant_dib(path):
    """A 2 x 2 picture (CF_DIB, 24 bits): red, green over blue, yellow."""
    header = struct.pack("<IiiHHIIiiII", 40, 2, 2, 1, 24, 0, 16, 0, 0, 0, 0)
    bottom = bytes([255, 0, 0, 0, 255, 255]) + b"\0\0"  # blue, yellow (BGR)
    top = bytes([0, 0, 255, 0, 255, 0]) + b"\0\0"  # red, green
    path.write_bytes(header + bottom + top)
    return path


def drop_files(*names):
    """CF_HDROP: DROPFILES with ANSI names, each NUL-ended, a NUL after the last."""
    return struct.pack("<IiiII", 20, 0, 0, 0, 0) + b"".join(
        n.encode("ascii") + b"\0" for n in names) + b"\0"


def test_preview_rules_text_cut_in_bytes_pictures_files_and_format_numbers(
        winenv, probe, start_nimbara, tmp_path):
    assert probe.screen()["acp"] == 936
    program = start_nimbara()
    program.show()
    program.pointer_away()
    idle = program.idle_color()
    captures = []

    def capture(slot, *specs):
        probe.clip_set(*specs)
        program.wait_capture(slot)
        wait_until(lambda: newest_mark(program, slot) == "" and program.band_pixel(slot) == NEWEST,
                   10, message=f"tile {slot} did not turn newest")
        captures.append(slot)
        return program.tile_texts()[slot]

    # The cut counts bytes of code page 936: 99 ASCII bytes and the lead byte of 中 make 100;
    # the lone lead byte shows as U+FFFD. A whole character as bytes 99 and 100 stays.
    assert capture(1, "1=text:" + "a" * 99 + "中文") == ("a" * 99 + "\ufffd", "", True)
    assert capture(2, "1=text:" + "b" * 98 + "中文") == ("b" * 98 + "中", "", True)
    assert capture(3, "1=text:短文本 short") == ("短文本 short", "", True)
    # CF_UNICODETEXT alone: the system offers CF_TEXT beside it.
    assert capture(4, "13=text:只有统一码" + "字" * 60) == ("只有统一码" + "字" * 45, "", True)

    # A picture is stretched over the whole inside of the frame, proportions not kept: each
    # quadrant of a 2 x 2 picture fills a quarter of the label's area.
    assert capture(5, "8=@" + str(quadrant_dib(tmp_path / "quadrants.dib"))) == ("", "", True)
    left, top, right, bottom = label_rect(program, 5)
    mid_x, mid_y = (left + right) // 2, (top + bottom) // 2
    corners = {
        (left + 1, top + 1): (255, 0, 0), (mid_x - 4, mid_y - 4): (255, 0, 0),
        (right - 2, top + 1): (0, 255, 0), (mid_x + 4, mid_y - 4): (0, 255, 0),
        (left + 1, bottom - 2): (0, 0, 255), (mid_x - 4, mid_y + 4): (0, 0, 255),
        (right - 2, bottom - 2): (255, 255, 0), (mid_x + 4, mid_y + 4): (255, 255, 0),
    }
    wait_until(lambda: probe.pixel(right - 2, bottom - 2) == (255, 255, 0), 10,
               message="the picture was not drawn")
    assert {p: probe.pixel(*p) for p in corners} == corners

    # A bitmap (CF_BITMAP) of another shape fills the same area.
    assert capture(6, "2=bitmap:30,7,C08040") == ("", "", True)
    left, top, right, bottom = label_rect(program, 6)
    for point in [(left + 1, top + 1), (right - 2, bottom - 2), center([left, top, right, bottom])]:
        assert probe.pixel(*point) == (0xC0, 0x80, 0x40)

    # Text and picture together show the text, and no picture.
    assert capture(7, "1=text:文字和图片", "2=bitmap:40,30,00C000") == ("文字和图片", "", True)
    left, top, right, bottom = label_rect(program, 7)
    assert probe.pixel(right - 3, bottom - 3) == idle

    assert capture(8, "15=hex:" + drop_files("C:\\a.txt", "C:\\b.txt").hex()) == (
        "(文件或文件夹) C:\\a.txtC:\\b.txt", "", True)
    assert capture(9, "11=hex:52494646", "12=hex:57415645") == ("(无法预览[11,12,])", "", True)

    # Every capture left the ones before it as they were; tiles 10 to 12 stay empty.
    assert [program.tile_texts()[n] for n in (10, 11, 12)] == [("", EMPTY_TILE, False)] * 3
    assert captures == list(range(1, 10))


# --- content its source marks as private ----------------------------------------------------

HISTORY_FLAG = "reg:CanIncludeInClipboardHistory"
# What a password manager puts: (formats put at once, formats offered on demand). The history
# flag is offered on demand in every row: it is the one format a snapshot reads before it knows
# whether the content is private, so its request is the sign that the change was looked at.
PRIVATE_COPIES = (
    (["reg:ExcludeClipboardContentFromMonitorProcessing=hex:00"], [f"{HISTORY_FLAG}=hex:01000000"]),
    (["reg:Clipboard Viewer Ignore=hex:00"], [f"{HISTORY_FLAG}=hex:01000000"]),
    ([], [f"{HISTORY_FLAG}=hex:00000000"]),
)

def test_content_marked_private_is_never_read_nor_kept_and_the_next_copy_takes_the_next_tile(
        probe, start_nimbara, other_probe):
    program = start_nimbara()
    owner = other_probe()
    probe.clip_set("13=text:普通 0")
    program.wait_capture(1, "普通 0")
    kept = {1: "普通 0"}
    for n, (now, on_demand) in enumerate(PRIVATE_COPIES, start=1):
        secret = f"密码 {n}"
        owner.clear_events()
        owner.call("clip-render", 0, 0, len(now), *now, f"13=text:{secret}", *on_demand)
        owner.wait_event("renderformat", timeout=60)
        # The secret itself was never rendered for Nimbara; the user's own paste still gets it.
        assert [e["format"] for e in owner.events("renderformat")
                if e["format"] == CF_UNICODETEXT] == []
        texts = [f.get("text") for f in probe.clip_dump()]
        assert secret in texts, f"the source's clipboard changed under it: {texts}"
        probe.clip_set(f"13=text:普通 {n}")
        # Had the secret taken a tile, this copy would land one further on.
        program.wait_capture(n + 1, f"普通 {n}")
        kept[n + 1] = f"普通 {n}"
        assert filled(program) == kept
        assert not [tile for tile in program.tile_texts().values() if "密码" in tile[0] + tile[1]]
    assert program.error_boxes() == []


# --- tile colours under the real pointer ------------------------------------------------------


def test_tile_colours_follow_the_pointer_captures_and_clear_all(winenv, probe, start_nimbara):
    program = start_nimbara()
    program.show()
    program.pointer_away()
    idle = program.idle_color()
    for slot, text in ((1, "one"), (2, "two")):
        probe.clip_set(f"1=text:{text}")
        program.wait_capture(slot, text)
    wait_band(program, 2, NEWEST, "after its capture")
    wait_band(program, 1, idle, "after the next capture")

    # An empty tile: HoverColor under the pointer, IdleColor after; a click on it does nothing.
    hover(program, 5)
    wait_band(program, 5, HOVER, "empty, under the pointer")
    assert newest_mark(program, 5) == ""
    seq, tiles = sequence(probe), program.tile_texts()
    program.click_tile(5)
    assert program.band_pixel(5) == HOVER
    program.pointer_away()
    # The pointer's leaving comes after the click: once it is seen, the click was handled.
    wait_band(program, 5, idle, "empty, pointer gone")
    assert (sequence(probe), program.tile_texts()) == (seq, tiles)

    # The newest tile: NewestColor, HoverColor (marked), NewestColor (mark gone).
    hover(program, 2)
    wait_band(program, 2, HOVER, "newest, under the pointer")
    assert newest_mark(program, 2) == "True"
    program.pointer_away()
    wait_band(program, 2, NEWEST, "newest, pointer gone")
    assert newest_mark(program, 2) == ""

    # A capture while the pointer rests on the newest tile: it stays HoverColor but loses its
    # mark, the captured tile turns NewestColor, and leaving makes the old one IdleColor.
    hover(program, 2)
    wait_band(program, 2, HOVER, "newest, under the pointer")
    probe.clip_set("1=text:three")
    program.wait_capture(3, "three")
    wait_band(program, 3, NEWEST, "captured while the pointer was on tile 2")
    assert program.band_pixel(2) == HOVER
    assert [newest_mark(program, n) for n in (2, 3)] == ["", ""]
    program.pointer_away()
    wait_band(program, 2, idle, "hovered during a capture, pointer gone")
    assert program.band_pixel(3) == NEWEST

    # A capture into the very tile under the pointer: NewestColor at once, IdleColor on leaving.
    hover(program, 4)
    wait_band(program, 4, HOVER, "empty, under the pointer")
    probe.clip_set("1=text:four")
    program.wait_capture(4, "four")
    wait_band(program, 4, NEWEST, "captured under the pointer")
    wait_band(program, 3, idle, "no longer the newest")
    program.pointer_away()
    wait_band(program, 4, idle, "captured under the pointer, pointer gone")

    # Clear all with the pointer on the marked newest tile: every tile IdleColor, "(空)",
    # disabled; the mark stays, so leaving gives the empty tile NewestColor; the next capture
    # goes to tile 1 and resets it.
    probe.clip_set("1=text:five")
    program.wait_capture(5, "five")
    hover(program, 5)
    wait_band(program, 5, HOVER, "newest, under the pointer")
    assert newest_mark(program, 5) == "True"
    probe.send(program.hwnd, WM_COMMAND, Command.kToolClearAll, 0)
    assert program.tile_texts() == {n: ("", EMPTY_TILE, False) for n in range(1, 13)}
    for slot in range(1, 13):
        wait_band(program, slot, idle, "after Clear all")
    assert newest_mark(program, 5) == "True"
    program.pointer_away()
    wait_band(program, 5, NEWEST, "marked when cleared, pointer gone")
    assert program.tile_texts()[5] == ("", EMPTY_TILE, False)
    probe.clip_set("1=text:after clear all")
    program.wait_capture(1, "after clear all")
    wait_band(program, 1, NEWEST, "first capture after Clear all")
    wait_band(program, 5, idle, "reset by the capture")
    assert filled(program) == {1: "after clear all"}


# --- the clipboard viewer chain ---------------------------------------------------------------


def test_the_viewer_chain_stays_whole_when_viewers_leave(winenv, probe, start_nimbara):
    viewers = []
    try:
        # Joined in this order; each new viewer heads the chain:
        # ahead -> Nimbara -> middle -> lower -> bottom.
        bottom, lower, middle = (winenv.open_probe("viewer") for _ in range(3))
        viewers += [bottom, lower, middle]
        program = start_nimbara()
        ahead = winenv.open_probe("viewer")
        viewers.append(ahead)
        assert ahead.greeting["next"] == program.hwnd
        assert middle.greeting["next"] == lower.greeting["hwnd"]

        def clear():
            for viewer in viewers:
                viewer.clear_events()

        def change(text, slot, reach, miss=()):
            """A change that reaches the viewers reach; those in miss are not told. Nimbara tells
            only its next viewer, so once those after it have been told, so would they be."""
            probe.clip_set(f"1=text:{text}")
            seq = sequence(probe)
            for viewer in reach:
                viewer.wait_event("drawclipboard", lambda e: e["sequence"] == seq, timeout=30)
            program.wait_capture(slot, text)
            for viewer in miss:
                viewer.ping()  # its answer follows whatever it printed before
                assert viewer.events("drawclipboard") == []

        # Every change reaches the viewers that joined before Nimbara, each time.
        for slot in (1, 2, 3):
            clear()
            change(f"chain {slot}", slot, reach=viewers)

        # Nimbara's next viewer leaves: Nimbara takes the one after it.
        clear()
        middle.leave()
        left = ahead.wait_event("changecbchain", timeout=30)
        assert (left["removed"], left["next"]) == (middle.greeting["hwnd"], lower.greeting["hwnd"])
        change("after middle left", 4, reach=[ahead, lower, bottom], miss=[middle])
        # Had Nimbara passed the notice on, lower would have had it before the change's notice.
        assert lower.events("changecbchain") == []  # taken by Nimbara, not passed on

        # A viewer further down leaves: Nimbara passes the notice on as it came.
        clear()
        bottom.leave()
        passed = lower.wait_event("changecbchain", timeout=30)
        assert (passed["removed"], passed["next"]) == (bottom.greeting["hwnd"], 0)
        change("after bottom left", 5, reach=[ahead, lower], miss=[middle, bottom])

        # The viewer ahead passes no notice on, then is killed still in the chain: every copy
        # is captured all the same, each once.
        ahead.swallow()
        for slot in (6, 7, 8, 9):
            if slot == 8:
                ahead.process.kill()
                ahead.process.wait(30)
            probe.clip_set(f"1=text:chain {slot}")
            program.wait_capture(slot, f"chain {slot}")
            assert len(filled(program)) == slot
    finally:
        for viewer in viewers:
            viewer.close()
