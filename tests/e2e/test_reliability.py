"""Nimbara under hostile clipboards, faults and load, driven from outside.

Every test prints its figures (run pytest with -s to see them). Sizes scale with the environment:
    NIMBARA_RELIABILITY_ROUNDS  hostile rounds (default 300)
    NIMBARA_RELIABILITY_FLOOD   changes of the flood (default 1000)
    NIMBARA_RELIABILITY_SEED    seed of the hostile rounds (default 2609: a failure is seen
                                again in the next run; set another to explore)
The blocks larger than the process can hold are in test_huge_blocks.py: the longest test has a
file of its own, so that the two workers of the tier end together.
"""

import os
import statistics
import struct
import subprocess
import threading
import time

import pytest

from harness import wait_until
from nimbara_constants import (CF_BITMAP, CF_DIB, CF_DIBV5, Command, READ_FAILURE, WM_COMMAND,
                               WM_DRAWCLIPBOARD)
from tray_icon import close_menu, open_tray_menu

MB = 1 << 20

ROUNDS = int(os.environ.get("NIMBARA_RELIABILITY_ROUNDS", "300"))
FLOOD = int(os.environ.get("NIMBARA_RELIABILITY_FLOOD", "1000"))
SEED = int(os.environ.get("NIMBARA_RELIABILITY_SEED", "2609"))

# No toggle may wait for long: a window that answers after seconds looks frozen to the user.
# How fast it answers is the benchmark's business; under qemu's emulation of 32-bit code, on a
# loaded machine, a capture of several 8 MB blocks alone can take most of a second.
TOGGLE_CEILING_MS = 5000
MEMORY_BOUND = 8 * MB


def figures(name, **values):
    print(f"\n[{name}] " + " ".join(f"{k}={v}" for k, v in values.items()), flush=True)


def toggle_ms(probe, hwnd):
    start = time.monotonic()
    probe.send(hwnd, WM_COMMAND, Command.kToolToggle, 0)
    return (time.monotonic() - start) * 1000


def check_toggles(name, times_us):
    times = sorted(t / 1000 for t in times_us)
    if not times:
        return
    p95 = times[int(0.95 * (len(times) - 1))]
    figures(name, toggles=len(times), median_ms=round(statistics.median(times), 1),
            p95_ms=round(p95, 1), max_ms=round(times[-1], 1),
            over_200ms=sum(t > 200 for t in times))
    assert times[-1] <= TOGGLE_CEILING_MS


def settle(n, text):
    """A small change everyone has seen: Wine's cache of the last big content is let go."""
    n.probe.clip_set(f"1=text:{text}")
    n.shows(text)
    n.probe.idle(n.pid)


@pytest.mark.timeout(900)
def test_hostile_clipboard_rounds_leave_it_answering_and_give_memory_back(start_nimbara,
                                                                          other_probe):
    n = start_nimbara()
    settle(n, "before hostile")
    before = n.stats()
    hostile = other_probe()
    result = {}
    run = threading.Thread(target=lambda: result.update(hostile.call(
        "hostile", SEED, ROUNDS, 8 * MB, 20, n.hwnd, max(10, ROUNDS // 5), timeout=1800)))
    run.start()
    box_texts = []
    while run.is_alive():  # the user presses OK on whatever box comes up
        box_texts += n.dismiss_boxes()
        run.join(1.0)
    assert n.running(), "Nimbara ended during the hostile rounds"
    wait_until(lambda: not n.error_boxes() or box_texts.extend(n.dismiss_boxes()), 30)
    # A snapshot still on its way from the reader when Clear all comes is stored after it:
    # the last round's content is seen captured first.
    settle(n, "hostile rounds over")
    n.probe.post(n.hwnd, WM_COMMAND, Command.kToolClearAll, 0)
    settle(n, "after hostile")
    wait_until(lambda: not n.error_boxes() or box_texts.extend(n.dismiss_boxes()), 30)
    after = n.stats()
    figures("hostile", seed=SEED, rounds=result["rounds"], formats_put=result["formats_put"],
            formats_refused_by_system=result["formats_refused"],
            mb_put=result["bytes_put"] // MB, seconds=result["elapsed_ms"] / 1000,
            boxes=len(box_texts), box_texts=sorted(set(box_texts)))
    figures("hostile memory", commit_before_mb=round(before["pagefile_usage"] / MB, 1),
            commit_after_mb=round(after["pagefile_usage"] / MB, 1),
            working_set_before_mb=round(before["working_set"] / MB, 1),
            working_set_after_mb=round(after["working_set"] / MB, 1),
            peak_working_set_mb=round(after["peak_working_set"] / MB, 1),
            windows_before=before["windows"], windows_after=after["windows"],
            gdi_objects=after["gdi_objects"], gdi_counter_error=after["gdi_error"])
    check_toggles("hostile toggles", result["toggle_us"])
    assert result["toggles_unanswered"] == 0
    assert set(box_texts) <= {"打开粘贴板错误！"}
    assert after["pagefile_usage"] - before["pagefile_usage"] <= MEMORY_BOUND
    assert after["windows"] == before["windows"]


@pytest.mark.timeout(300)
def test_clipboard_held_during_a_capture_gives_one_error_and_no_half_slot(
        start_nimbara, other_probe, start_program):
    n = start_nimbara()
    holder = other_probe()
    # Held for a moment, as programs do while they write or read it: no error, the capture
    # waits for the clipboard.
    holder.call("clip-change-hold", 400, "held for a moment")
    n.shows("held for a moment")
    holder.wait_event("clipboard-closed", timeout=30)
    assert n.error_boxes() == []
    n.probe.clip_set("1=text:first")
    n.shows("first")
    tiles = n.previews()
    # The user types in another program; the box of a long hold must not take its keys.
    notepad = start_program("notepad.exe", "Notepad")
    edit = next(c for c in n.probe.children(notepad.hwnd) if c["class"].lower() == "edit")
    n.env.click(edit["client"][2] - 30, edit["client"][3] - 30)
    wait_until(lambda: n.probe.foreground()["hwnd"] == notepad.hwnd, 30,
               message="notepad did not become active")
    hold_ms = 6000
    holder.call("clip-change-hold", hold_ms, "written then held")
    started = time.monotonic()
    wait_until(lambda: n.error_boxes(), 30, message="no error box while the clipboard was held")
    foreground = n.probe.foreground()
    notepad.process.kill()
    most = 0
    while time.monotonic() - started < hold_ms / 1000 - 0.5:
        # More notices while held: each capture fails again, and no second box may come.
        n.probe.send(n.hwnd, WM_DRAWCLIPBOARD, 0, 0)
        n.probe.idle(n.pid)  # back in its message loop: paced by the program, not a clock
        most = max(most, len(n.error_boxes()))
    texts = n.box_texts()
    assert n.previews() == tiles, "a capture changed the tiles while the clipboard was held"
    holder.wait_event("clipboard-closed", timeout=30)
    toggle = toggle_ms(n.probe, n.hwnd) + toggle_ms(n.probe, n.hwnd)
    n.dismiss_boxes()
    n.probe.clip_set("1=text:after the hold")
    slot = n.shows("after the hold")
    figures("held clipboard", hold_ms=hold_ms, boxes_at_most=most, box_texts=texts,
            toggle_twice_ms=round(toggle), tiles_after=n.previews()[:3], next_capture_slot=slot,
            foreground_under_the_box=foreground["class"])
    assert texts == ["Cannot open clipboard."]
    assert most == 1
    assert foreground["hwnd"] == notepad.hwnd, "the box took the keyboard from notepad"
    # Nothing was written while the clipboard was held. The held content gets a slot of its own
    # only when a capture after the hold reads it, and once at most; either way the change after
    # the hold is the newest capture, in the slot after the last one taken.
    first = tiles.index("first") + 1
    after = n.previews()
    assert after.count("written then held") <= 1
    if after[first] == "written then held":
        assert slot == first + 2
    else:
        assert slot == first + 1
    assert after[:first] == tiles[:first]


def lying_dib(v5):
    """A 256 x 256 32-bit DIB whose block holds its header and 16 bytes of pixels."""
    size = 124 if v5 else 40
    header = struct.pack("<IiiHHIIiiII", size, 256, 256, 1, 32, 0, 256 * 256 * 4, 0, 0, 0, 0)
    return (header + bytes(size - 40) + bytes(range(16))).hex()


@pytest.mark.timeout(300)
def test_dibs_whose_header_lies_are_refused_and_nothing_of_nimbaras_memory_comes_back(start_nimbara):
    n = start_nimbara()
    slots = {}
    for name, format_id in (("CF_DIB", CF_DIB), ("CF_DIBV5", CF_DIBV5)):
        marker = f"lying {name}"
        n.probe.clip_set(f"1=text:{marker}", f"{format_id}=hex:{lying_dib(format_id == CF_DIBV5)}")
        slots[marker] = n.shows(marker)
    # Each slot pasted back by a click on its tile; the clipboard then holds what was kept.
    n.probe.send(n.hwnd, WM_COMMAND, Command.kToolToggle, 0)
    restored = {}
    for marker, slot in slots.items():
        n.click_tile(slot)

        def pasted():
            dump = n.probe.call("clip-dump")
            texts = [f.get("text") for f in dump["formats"]]
            return dump["owner"] == n.hwnd and marker in texts and dump

        dump = wait_until(pasted, 30, message=f"the click did not paste {marker!r} back")
        restored[marker] = sorted(f["format"] for f in dump["formats"])
    n.probe.send(n.hwnd, WM_COMMAND, Command.kToolToggle, 0)
    figures("lying pictures", restored_formats=restored)
    assert n.running()
    for formats in restored.values():
        assert not {CF_BITMAP, CF_DIB, CF_DIBV5} & set(formats)


@pytest.mark.timeout(300)
def test_a_hung_owner_holds_the_clipboard_at_most_its_budget_and_its_report_holds_no_capture(
        start_nimbara, other_probe):
    n = start_nimbara()
    settle(n, "before the hung owner")
    owner = other_probe()
    # A text put at once and a private format offered on demand that is never rendered.
    owner.call("clip-render", -1, 0, 1, "1=text:left by the hung owner",
               "reg:Nimbara probe private=size:100")
    owner.wait_event("renderformat", timeout=60)  # asked by the reader, and hung from then on
    asked = time.monotonic()
    # Meanwhile Nimbara's window answers, Alt+V, pressed by the user, shows and hides it, and
    # the tray icon's menu opens.
    toggles = [toggle_ms(n.probe, n.hwnd) for _ in range(4)]
    for shown in (True, False):
        n.key("alt+v")
        n.wait_shown(shown, 30)
    open_tray_menu(n.env, n.probe)
    close_menu(n.env, n.probe)
    assert n.probe.clip_count()["open_window"] != 0, "the steps took longer than the budget"
    # The reader is ended when the snapshot's budget is spent: the clipboard is free again.
    wait_until(lambda: n.probe.clip_count()["open_window"] == 0, 60,
               message="the clipboard stayed held after the budget")
    held = round(time.monotonic() - asked, 1)
    box = n.wait_error_box(timeout=60)
    assert n.box_contents(box)[0] == [READ_FAILURE]
    # What was read before the budget was spent is kept: the text, in the next tile.
    n.shows("left by the hung owner")
    owner.close()
    # While the box is open, every change is captured as usual, each in its own tile.
    for i in range(3):
        n.probe.clip_set(f"1=text:under the box {i}")
        n.shows(f"under the box {i}")
    assert len(n.error_boxes()) == 1
    assert n.dismiss_boxes() == [READ_FAILURE]
    figures("hung owner", seconds_held_after_the_ask=held, toggle_ms=[round(t) for t in toggles])
    assert held <= 31
    check_toggles("hung owner toggles", [t * 1000 for t in toggles])


@pytest.mark.winenv()
@pytest.mark.timeout(300)
def test_a_hung_viewer_after_nimbara_neither_stops_capturing_nor_the_viewers_before(
        start_nimbara, other_probe):
    other_probe("viewer")  # joins first: last in the chain, behind the hung one
    hung = other_probe("viewer")    # Nimbara's next viewer
    n = start_nimbara()
    ahead = other_probe("viewer")   # joins last: first in the chain
    hung.hang()
    toggles, captured = [], []
    for i in range(5):
        text = f"past a hung viewer {i}"
        start = time.monotonic()
        n.probe.clip_set(f"1=text:{text}")
        n.shows(text)
        captured.append(round((time.monotonic() - start) * 1000))
        toggles.append(round(toggle_ms(n.probe, n.hwnd)))
    # The viewer ahead passes each notice on to Nimbara and waits for its answer; Nimbara must
    # answer at once, whatever the hung viewer after it does.
    answers = [e["answered"] for e in ahead.events("passed-on")]
    figures("hung viewer", captures=len(captured), capture_seen_ms=captured, toggle_ms=toggles,
            answers_to_the_viewer_ahead=answers)
    # Timed from outside: each figure includes the probe's own round trip.
    check_toggles("hung viewer toggles", [t * 1000 for t in toggles])
    assert len(answers) >= 5 and all(answers)


@pytest.mark.timeout(600)
def test_a_flood_of_changes_leaves_the_window_answering_and_the_last_one_captured(
        start_nimbara, other_probe):
    n = start_nimbara()
    settle(n, "before the flood")
    before = n.stats()
    flooder = other_probe()
    result = flooder.call("flood", FLOOD, "flood", n.hwnd, 20, timeout=900)
    last = f"flood {FLOOD - 1}"
    slot = n.shows(last, timeout=60)
    seen = [int(t.split()[1]) for t in n.previews() if t and t.startswith("flood ")]
    after = n.stats()
    per_second = FLOOD * 1000 / max(1, result["elapsed_ms"])
    figures("flood", changes=FLOOD, seconds=result["elapsed_ms"] / 1000,
            changes_per_second=round(per_second), newest_slot=slot, captured_numbers=sorted(seen),
            commit_growth_mb=round((after["pagefile_usage"] - before["pagefile_usage"]) / MB, 1))
    check_toggles("flood toggles", result["toggle_us"])
    # The flood's last change is captured, however the changes before it came together.
    assert max(seen) == FLOOD - 1
    assert after["pagefile_usage"] - before["pagefile_usage"] <= MEMORY_BOUND


@pytest.mark.winenv()
@pytest.mark.timeout(600)
def test_twenty_starts_leave_one_and_a_start_after_a_hard_kill_captures(
        winenv, probe, nimbara_exe, start_nimbara):
    start = time.monotonic()
    processes = [winenv.spawn([nimbara_exe]) for _ in range(20)]

    def one_left():
        running = [p for p in processes if p.poll() is None]
        mains = [w for w in probe.windows() if w["class"] == "TMainForm"]
        return len(running) <= 1 and len(mains) == 1 and (running, mains[0])

    running, main = wait_until(one_left, 400, message="not exactly one instance kept running")
    probe.idle(main["pid"], 180000)  # its start-up is over: it will not end by itself now
    codes = sorted({p.returncode for p in processes if p.poll() is not None})
    seconds = round(time.monotonic() - start, 1)
    assert len(running) == 1 and running[0].poll() is None and codes == [0]
    # Ended without a chance to undo anything (what the viewer chain does past a killed member
    # is the platform's): a new start is not taken for a second instance, joins the chain
    # again and captures.
    running[0].kill()
    running[0].wait(30)
    wait_until(lambda: not [w for w in probe.windows() if w["class"] == "TMainForm"], 60)
    n = start_nimbara()
    probe.clip_set("1=text:after the restart")
    n.shows("after the restart")
    figures("starts and kill", starts=20, exit_codes=codes, seconds_to_one=seconds)


def test_the_executable_may_use_4_gb_on_64_bit_windows(nimbara_exe):
    header = subprocess.run(["i686-w64-mingw32-objdump", "-p", str(nimbara_exe)],
                            capture_output=True, text=True, check=True).stdout
    characteristics = next(line for line in header.splitlines()
                           if line.startswith("Characteristics"))
    flags = int(characteristics.split()[1], 16)
    figures("large address aware", characteristics=hex(flags))
    assert flags & 0x0020  # IMAGE_FILE_LARGE_ADDRESS_AWARE
