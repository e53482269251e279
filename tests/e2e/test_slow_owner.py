"""Owners that render their formats only when asked (delayed rendering), slowly, or block their
window's thread after a copy, or change their picture in the middle of a render: Nimbara waits
for them while its own windows keep answering, asks each offered format once and nothing else,
causes no change notice of its own, and reads no picture that changed after it was checked.
The hung owner is in test_reliability.py, so that its 30 s budget runs beside this file.
"""

import hashlib
import struct
import time

import pytest

from harness import wait_until
from nimbara_constants import (CF_DIB, CF_TEXT, CF_UNICODETEXT, Command, WM_COMMAND)

PRIVATE = "Nimbara probe private"
RENDER_MS = 8000  # longer than the steps taken meanwhile need, even under emulation
BLOCK_MS = 5000
# A window that waited on the owner would not answer for the whole render.
ANSWER_CEILING_MS = 2500


def pattern(size):
    """The bytes of the probe's size:N value."""
    return bytes(((i * 131 + 7) >> 3) & 0xFF for i in range(size))


def toggle_ms(n):
    start = time.monotonic()
    n.probe.send(n.hwnd, WM_COMMAND, Command.kToolToggle, 0)
    return (time.monotonic() - start) * 1000


def lying_dib():
    """A 256 x 256 32-bit DIB whose block holds its header and 16 bytes of pixels."""
    header = struct.pack("<IiiHHIIiiII", 40, 256, 256, 1, 32, 0, 256 * 256 * 4, 0, 0, 0, 0)
    return (header + bytes(range(16))).hex()


def by_format(dump):
    return {f["format"]: f for f in dump["formats"]}


@pytest.mark.timeout(400)
def test_slow_owners_are_captured_whole_while_nimbara_answers_and_nothing_is_asked_twice(
        start_nimbara, other_probe):
    n = start_nimbara()
    viewer = other_probe("viewer")  # joined after Nimbara: told of every change first
    owner = other_probe()
    n.probe.clip_set("1=text:before the slow owner")
    before = n.shows("before the slow owner")
    # 1. A copy, then the owner's thread busy for 5 s before it renders anything.
    owner.call("clip-render", 0, BLOCK_MS, 0, "1=text:blocked owner", f"reg:{PRIVATE}=size:5000")
    blocked_answers = [toggle_ms(n) for _ in range(4)]  # even: the window ends hidden
    assert not owner.events("unblocked"), "the steps took longer than the block"
    n.shows("blocked owner", timeout=120)
    assert max(blocked_answers) < ANSWER_CEILING_MS, blocked_answers

    # 2. The DIB changed for a lying one while another format renders: the bitmap is made from
    # the DIB that was checked, the lie is never read.
    owner.call("clip-render", 0, 0, 1, f"{CF_DIB}=dib:2,2,FF0000", f"reg:{PRIVATE}=size:10",
               f"swap:{CF_DIB}=hex:{lying_dib()}")
    swapped = owner.wait_event("swapped", timeout=60)
    n.wait_capture(3, "", timeout=60)
    viewer.clear_events()
    owner.clear_events()

    # 3. Two formats offered on demand, each rendered 8 s after it is asked for. A paste comes
    # last: what is copied within its guard second is not captured.
    owner_hwnd = owner.call("clip-render", RENDER_MS, 0, 0, "1=text:slow render",
                            f"reg:{PRIVATE}=size:3000")["owner"]
    owner.wait_event("renderformat", timeout=60)
    # Meanwhile the window answers, Alt+V shows it, and a click on a tile is taken.
    answers = [toggle_ms(n) for _ in range(4)]
    n.key("alt+v")
    n.wait_shown(True, 30)
    n.click_tile(before)
    assert not owner.events("rendered"), "the steps took longer than the render: no wait seen"
    slot = n.shows("slow render", timeout=120)
    # The click pastes once the capture is over: the clipboard holds the clicked slot.
    dump = wait_until(lambda: (d := n.probe.call("clip-dump"))["owner"] == n.hwnd and d, 60,
                      message="the click taken during the capture did not paste")
    assert by_format(dump)[CF_UNICODETEXT]["text"] == "before the slow owner"
    rendered = owner.events("renderformat")
    private = next(e["format"] for e in rendered if e["format"] != CF_TEXT)
    # Each offered format asked for once, nothing else; one notice for the one copy.
    assert sorted(e["format"] for e in rendered) == sorted([CF_TEXT, private])
    notices = [e for e in viewer.events("drawclipboard") if e["owner"] == owner_hwnd]
    assert len(notices) == 1, notices
    assert max(answers) < ANSWER_CEILING_MS, answers

    # Both captured whole, byte for byte: each slot pasted back and read as written.
    for text, size in (("slow render", 3000), ("blocked owner", 5000)):
        n.click_tile(n.previews().index(text) + 1)
        dump = wait_until(
            lambda: (d := n.probe.call("clip-dump"))["owner"] == n.hwnd and
            by_format(d).get(CF_UNICODETEXT, {}).get("text") == text and d, 60,
            message=f"{text!r} was not pasted back")
        assert by_format(dump)[private]["sha256"] == hashlib.sha256(pattern(size)).hexdigest()

    assert n.running()
    print(f"\n[slow owners] answers_ms={[round(a) for a in answers]} "
          f"blocked_answers_ms={[round(a) for a in blocked_answers]} swap_taken={swapped['taken']}",
          flush=True)
