"""What other programs can do to Nimbara's own messages and its clipboard reader: forged private
messages to every window of it, and the reader process ended or crashed from outside in the
middle of a slow owner's render. Nimbara stays up, answers, and every copy is captured whole.
"""

import hashlib

import pytest

from harness import wait_until
from nimbara_constants import CF_UNICODETEXT, READ_FAILURE, TASKBAR_CREATED, WM_APP, WM_USER

PRIVATE = "Nimbara probe private"
RENDER_MS = 5000  # longer than ending the reader takes, even under emulation


@pytest.mark.timeout(400)
def test_forged_messages_and_an_ended_reader_cost_no_copy_and_a_crashed_one_one_report(
        start_nimbara, other_probe):
    n = start_nimbara()
    # Each message with every pair of 0, 1, 0x1234 and 0xFFFFFFFF: the private range to every
    # window and child window, the tray icon's callbacks and the shell's restart to every
    # top-level one.
    for first, last, children in ((WM_APP, WM_APP + 63, 1), (WM_USER + 1, WM_USER + 2, 0),
                                  (TASKBAR_CREATED, 0, 0)):
        assert n.probe.call("forge", n.pid, first, last, children)["windows"] >= 3
    n.probe.idle(n.pid)
    owner = other_probe()
    for text, size, how in (("read by a fresh reader", 3000, ()), ("crashed on", 10, ("crash",))):
        owner.clear_events()
        owner.call("clip-render", RENDER_MS, 0, 0, f"1=text:{text}", f"reg:{PRIVATE}=size:{size}")
        owner.wait_event("renderformat", timeout=60)  # asked by the reader, which waits
        # As the user's Task Manager ends the second Nimbara.exe, or as it crashes (no dialog).
        assert n.probe.call("end-children", n.pid, *how)["ended"] == 1
        if not how:
            n.shows(text, timeout=120)
            assert not n.error_boxes()
    # The crashed-on content is given up and reported once, and the next copy is captured.
    assert n.box_contents(n.wait_error_box(timeout=60))[0] == [READ_FAILURE]
    n.probe.clip_set("1=text:after the crash")
    n.shows("after the crash")
    assert "crashed on" not in n.previews()
    assert n.dismiss_boxes() == [READ_FAILURE]
    # Captured whole: pasted back and read as written.
    n.key("alt+v")
    n.wait_shown(True, 30)
    n.click_tile(n.previews().index("read by a fresh reader") + 1)
    dump = wait_until(lambda: (d := n.probe.call("clip-dump"))["owner"] == n.hwnd and d, 60,
                      message="the copy was not pasted back")
    formats = {f["format"]: f for f in dump["formats"]}
    assert formats[CF_UNICODETEXT]["text"] == "read by a fresh reader"
    private = next(f for f in formats.values() if f.get("name") == PRIVATE)
    pattern = bytes(((i * 131 + 7) >> 3) & 0xFF for i in range(3000))  # the probe's size:3000
    assert private["sha256"] == hashlib.sha256(pattern).hexdigest()
    assert n.running()
