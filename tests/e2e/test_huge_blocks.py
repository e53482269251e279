"""Clipboard blocks larger than Nimbara's process can hold, put there by another program.

Wine moves every clipboard block through its server, about 15 MB a second: blocks larger
than a whole 32-bit address space take minutes. So the probe first reserves Nimbara's free
address space from outside until about NIMBARA_BIG_ROOM megabytes of it are left, in pieces
of which none holds two blocks, as a process that has held much for long has only so much
room; the blocks are larger than that.

    NIMBARA_BIG_BLOCKS  "COUNTxMEGABYTES" (default 3x64; "0x0" skips it)
    NIMBARA_BIG_ROOM    megabytes of address space left to Nimbara (default 150; "none": all of
                        it, for blocks of the whole address space's size, "4x450")

It prints its figures (run pytest with -s to see them).
"""

import os
import time

import pytest

from harness import wait_until

MB = 1 << 20
BIG_BLOCKS = os.environ.get("NIMBARA_BIG_BLOCKS", "3x64")
BIG_ROOM = os.environ.get("NIMBARA_BIG_ROOM", "150")


@pytest.mark.winenv()
@pytest.mark.timeout(900)
def test_blocks_larger_than_the_process_can_hold_are_kept_without_data(start_nimbara, other_probe):
    big_count, big_mb = (int(v) for v in BIG_BLOCKS.split("x"))
    if not big_count:
        pytest.skip("NIMBARA_BIG_BLOCKS=0x0")
    n = start_nimbara()
    for text in ("small one", "small two"):
        n.probe.clip_set(f"1=text:{text}")
        n.shows(text)
    room = None
    if BIG_ROOM != "none":
        room = n.probe.call("narrow-room", n.pid, int(BIG_ROOM))
        assert room["largest_left_mb"] < 2 * big_mb, room
    big = other_probe()
    start = time.monotonic()
    put = big.call("big-blocks", big_count, big_mb, "huge content", timeout=600)
    assert put["formats"], put
    box_texts = []

    def box_or_tile():
        box_texts.extend(n.dismiss_boxes())
        return box_texts or "huge content" in n.previews()

    wait_until(box_or_tile, 800, message="neither a box nor the tile after the huge blocks")
    slot = n.shows("huge content", timeout=800)
    seconds = round(time.monotonic() - start, 1)
    # The report comes once the slot is stored; idle, the program has shown it if any.
    n.probe.idle(n.pid)
    box_texts.extend(n.dismiss_boxes())
    peak = n.stats()
    # Whether the process has the room depends on the machine: a block it cannot copy is
    # reported and kept without data; one it can copy is held whole, in its own memory.
    held_mb = peak["pagefile_usage"] // MB
    put_mb = len(put["formats"]) * big_mb
    figures = dict(blocks=len(put["formats"]), mb_each=big_mb,
                   not_allocated_by_putter=put["not_allocated"], refused=put["refused"],
                   room=room, box_texts=box_texts, seconds=seconds, slot=slot, held_mb=held_mb,
                   peak_working_set_mb=round(peak["peak_working_set"] / MB),
                   tiles=n.previews()[:3])
    print("\n[huge blocks] " + " ".join(f"{k}={v}" for k, v in figures.items()), flush=True)
    assert n.running()
    assert set(box_texts) <= {"打开粘贴板错误！"}
    if room:
        # The room holds one block at most: the others are reported, once.
        assert box_texts == ["打开粘贴板错误！"], box_texts
    assert box_texts or held_mb >= put_mb, "a block was neither reported nor held whole"
    assert n.previews()[:2] == ["small one", "small two"]
    big.close()
    # And it goes on: the next copy is captured.
    n.probe.clip_set("1=text:after the huge blocks")
    n.shows("after the huge blocks")
