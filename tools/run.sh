#!/usr/bin/env bash
# Builds Nimbara and runs it under Wine until Ctrl+C.
#   With a desktop (DISPLAY set): in a Wine virtual desktop window on that display, with a
#   prefix of its own ($NIMBARA_WINEPREFIX, default ~/.local/share/nimbara/wineprefix).
#   Without one: in a private X server and a throw-away prefix (tests/harness/winenv.py); the
#   screen is written to build-cross/screen.png every few seconds, and it says how to send the
#   Alt+V that shows the window into that X server.
set -euo pipefail
cd "$(dirname "$0")/.."

bash tools/install-deps.sh
echo "== building build-cross (MinGW-w64 i686)"
cmake -S . -B build-cross -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-i686.cmake >/dev/null
cmake --build build-cross -j 2

exe=$PWD/build-cross/Nimbara.exe
if [ ! -f "$exe" ]; then
  echo "build-cross/Nimbara.exe was not built: this checkout has no program sources yet" \
       "(app/main.cpp). Nothing to run." >&2
  exit 1
fi

if [ -n "${DISPLAY:-}" ] && xdpyinfo >/dev/null 2>&1; then
  export WINEPREFIX=${NIMBARA_WINEPREFIX:-$HOME/.local/share/nimbara/wineprefix}
  export WINEARCH=win64 WINEDEBUG=-all WINEDLLOVERRIDES='mscoree,mshtml=;winemenubuilder.exe=d'
  export LC_ALL=zh_CN.UTF-8 LANG=zh_CN.UTF-8
  mkdir -p "$(dirname "$WINEPREFIX")"
  # Everything in this prefix was started here, so ending its server ends only our programs.
  trap 'wineserver -k 2>/dev/null || true' EXIT
  echo "Running Nimbara in a Wine virtual desktop on $DISPLAY (prefix $WINEPREFIX). Ctrl+C ends it."
  wine explorer.exe /desktop=Nimbara,1024x768 "$exe"
else
  screen=$PWD/build-cross/screen.png
  echo "No display: running Nimbara in a private X server."
  echo "The screen is written to $screen every 3 seconds; open it in any image viewer"
  echo "(it is rewritten in place). Ctrl+C ends Nimbara and everything started for it."
  # The display is known once the private X server runs: say it from inside.
  exec /usr/bin/python3 tests/harness/winenv.py run --screenshot "$screen" --every 3 -- \
    sh -c 'echo "Nimbara starts in the notification area; to show its window, press Alt+V in this"
           echo "X server from another terminal:  DISPLAY=$DISPLAY xdotool key alt+v"
           exec wine "$0"' "$exe"
fi
