#!/usr/bin/env bash
# Installs what building and testing Nimbara needs on Debian: the MinGW-w64 cross
# compiler, 32-bit Wine, a headless X server, the X peers the tests drive, the
# Chinese locale and font, clang with libFuzzer for the fuzz targets. Safe to run
# again; does nothing when all is present.
set -euo pipefail

pkgs=(cmake ninja-build make g++ googletest libgtest-dev clang libclang-rt-14-dev clang-format
      g++-mingw-w64-i686-posix mingw-w64-i686-dev binutils-mingw-w64-i686
      wine wine32:i386 xvfb xdotool xclip x11-utils xauth
      fonts-wqy-microhei locales imagemagick python3)

sudo_() { if [ "$(id -u)" = 0 ]; then "$@"; else sudo "$@"; fi; }

missing=()
if ! dpkg --print-foreign-architectures | grep -qx i386; then
  sudo_ dpkg --add-architecture i386
  missing=("${pkgs[@]}")
else
  for p in "${pkgs[@]}"; do
    dpkg-query -W -f='${Status}\n' "$p" 2>/dev/null | grep -q '^install ok installed' || missing+=("$p")
  done
fi
if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  sudo_ apt-get update -qq
  sudo_ env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

if ! locale -a 2>/dev/null | grep -qi '^zh_CN\.utf-\?8$'; then
  sudo_ sed -i 's/^# *zh_CN.UTF-8 UTF-8/zh_CN.UTF-8 UTF-8/' /etc/locale.gen
  grep -q '^zh_CN.UTF-8 UTF-8' /etc/locale.gen || echo 'zh_CN.UTF-8 UTF-8' | sudo_ tee -a /etc/locale.gen >/dev/null
  sudo_ locale-gen >/dev/null
fi
