"""What other programs can do to Nimbara's own messages and its clipboard reader: forged private
messages to every window of it, and the reader process ended from outside in the middle of a
slow owner's render. Nimbara stays up, answers, and every copy is captured whole.
"""

import hashlib

import pytest

from harness import wait_until
from nimbara_constants import (CF_UNICODETEXT, READ_FAILURE, TASKBAR_CREATED, TOGGLE, WM_APP,
                               WM_COMMAND, WM_USER)

PRIVATE = "Nimbara probe private"
RENDER_MS = 5000  # longer than ending the reader takes, even under emulation


def pattern(size):
    """The bytes of the probe's size:N value."""
    return bytes(((i * 131 + 7) >> 3) & 0xFF for i in range(size))


@pytest.mark.timeout(300)
def test_forged_private_messages_to_every_window_neither_end_nor_stop_nimbara(start_nimbara):
    n = start_nimbara()
    n.probe.clip_set("1=text:before the forgery")
    n.shows("before the forgery")
    # Each message with every pair of 0, 1, 0x1234 and 0xFFFFFFFF: the private range to every
    # window and child window, the tray icon's callbacks and the shell's restart to every
    # top-level one.
    posted = [n.probe.call("forge", n.pid, WM_APP, WM_APP + 63, 1),
              n.probe.call("forge", n.pid, WM_USER + 1, WM_USER + 2, 0),
              n.probe.call("forge", n.pid, TASKBAR_CREATED, 0, 0)]
    assert all(p["windows"] >= 3 for p in posted), posted
    n.probe.idle(n.pid)
    assert n.running()
    n.probe.send(n.hwnd, WM_COMMAND, TOGGLE, 0)
    n.wait_shown(True, 30)
    n.probe.clip_set("1=text:after the forgery")
    n.shows("after the forgery")
    assert not n.error_boxes()
    print(f"\n[forged] posted={[p['posted'] for p in posted]}", flush=True)


@pytest.mark.timeout(300)
def test_an_ended_reader_costs_no_copy_and_a_crashed_one_one_report(start_nimbara, other_probe):
    n = start_nimbara()
    n.probe.clip_set("1=text:before the reader ends")
    n.shows("before the reader ends")
    owner = other_probe()
    owner.call("clip-render", RENDER_MS, 0, 0, "1=text:read by a fresh reader",
               f"reg:{PRIVATE}=size:3000")
    owner.wait_event("renderformat", timeout=60)  # asked by the reader, which waits
    # As the user's Task Manager ends the second Nimbara.exe.
    assert n.probe.call("end-children", n.pid)["ended"] == 1
    n.shows("read by a fresh reader", timeout=120)
    assert not n.error_boxes()
    # A reader that crashes on what it reads ends at once, with no crash dialog: the content
    # is given up and reported once, and the next copy is captured.
    owner.clear_events()
    owner.call("clip-render", RENDER_MS, 0, 0, "1=text:crashed on", f"reg:{PRIVATE}=size:10")
    owner.wait_event("renderformat", timeout=60)
    assert n.probe.call("end-children", n.pid, "crash")["ended"] == 1
    box = n.wait_error_box(timeout=60)
    assert n.box_contents(box)[0] == [READ_FAILURE]
    n.probe.clip_set("1=text:after the crash")
    n.shows("after the crash")
    assert "crashed on" not in n.previews()
    assert n.dismiss_boxes() == [READ_FAILURE]
    # Captured whole: pasted back and read as written.
    n.key("alt+v")
    n.wait_shown(True, 30)
    n.click_tile(n.previews().index("read by a fresh reader") + 1)
    dump = wait_until(
        lambda: (d := n.probe.call("clip-dump"))["owner"] == n.hwnd and d, 60,
        message="the copy was not pasted back")
    formats = {f["format"]: f for f in dump["formats"]}
    assert formats[CF_UNICODETEXT]["text"] == "read by a fresh reader"
    private = next(f for f in formats.values() if f.get("name") == PRIVATE)
    assert private["sha256"] == hashlib.sha256(pattern(3000)).hexdigest()

    assert n.running()
