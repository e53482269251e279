#!/usr/bin/env bash
# Takes the picture of Nimbara's window that the README and the user guide show, from a real
# run under Wine in a private X server: a Chinese text, a picture and a file list are copied,
# Alt+V shows the grid, and the window is grabbed. The file keeps its bytes when the pixels
# have not changed, so a release made twice stays the same.
#   tools/screenshot.sh [EXE] [PNG]   (default build-cross/Nimbara.exe, docs/screenshot.png)
set -euo pipefail
cd "$(dirname "$0")/.."
exe=$(realpath "${1:-build-cross/Nimbara.exe}")
out=${2:-docs/screenshot.png}
if [ ! -f build-cross/tests/probes/probe.exe ]; then  # the hands inside Wine
  cmake -S . -B build-cross -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-i686.cmake >/dev/null
  cmake --build build-cross -j 2 --target probe >/dev/null
fi
new=$(mktemp --suffix=.png)
trap 'rm -f "$new"' EXIT
/usr/bin/python3 - "$exe" "$new" <<'PY'
import struct, sys
sys.path[:0] = ["tests", "tests/e2e"]
from harness.winenv import WineEnv
from harness import wait_until
from nimbara_program import Nimbara

exe, out = sys.argv[1:]
names = [r"C:\Users\Public\Documents\季度报告.docx", r"C:\Users\Public\Pictures\会议合影.jpg"]
drop = struct.pack("<IiiII", 20, 0, 0, 0, 1) + ("\0".join(names) + "\0\0").encode("utf-16-le")
with open("resources/banner.bmp", "rb") as bmp:
    dib = bmp.read()[14:]  # the file header off: what CF_DIB holds
with WineEnv() as env:
    probe = env.probe
    nimbara = Nimbara.start(env, exe)  # on an emptied clipboard: the first copy is tile 1
    copies = ["15=hex:" + drop.hex(), "8=hex:" + dib.hex(),
              "13=text:今天下午三点在三楼会议室开会，请带上季度报告。"]
    def filled():  # tiles' preview labels are enabled while they hold a snapshot
        return sum(c["enabled"] for c in probe.children(nimbara.hwnd) if 301 <= c["id"] <= 312)
    for count, spec in enumerate(copies, 1):
        probe.clip_set(spec)
        wait_until(lambda: filled() == count, 60, message="Nimbara did not take the copy")
    nimbara.key("alt+v")
    nimbara.wait_shown(True)
    # Idle, the program has painted; Wine hands the pixels to X a moment later.
    labels = [c["rect"] for c in probe.children(nimbara.hwnd) if 301 <= c["id"] <= 312]
    def on_screen():
        width, _, rgb = env.screen()
        spots = [env._to_x((l + r) // 2, (t + b) // 2) for l, t, r, b in labels]
        return all(rgb[(y * width + x) * 3:(y * width + x) * 3 + 3] != bytes(3) for x, y in spots)
    probe.idle(nimbara.pid)
    wait_until(on_screen, 60, message="the tiles did not reach the screen")
    left, top, right, bottom = nimbara.rect()
    x, y = env._to_x(left, top)
    env._x(["import", "-window", "root", "-crop", f"{right - left}x{bottom - top}+{x}+{y}",
            "+repage", "-strip", "-define", "png:exclude-chunks=date,time", out])
PY
if [ -f "$out" ] && [ "$(compare -metric AE "$out" "$new" null: 2>&1 || true)" = 0 ]; then
  echo "$out: unchanged"
else
  cp "$new" "$out" && echo "$out: new picture ($(stat -c %s "$out") bytes)"
fi
