#!/usr/bin/env bash
# Installs what building and testing Nimbara needs on Debian: the MinGW-w64 cross
# compiler, Wine (64-bit with its 32-bit part), a headless X server, the X peers the tests
# drive, pytest, the Chinese locale and font, clang with libFuzzer for the fuzz targets, lld
# for clang's Windows build, zip for the release.
# Safe to run again; does nothing when all is present.
set -euo pipefail

pkgs=(cmake ninja-build make g++ googletest libgtest-dev clang libclang-rt-14-dev clang-format lld
      g++-mingw-w64-i686-posix mingw-w64-i686-dev binutils-mingw-w64-i686
      wine wine32:i386 wine64 xvfb xdotool xclip x11-utils xauth
      fonts-wqy-microhei locales imagemagick python3 python3-pytest python3-pytest-timeout
      python3-pytest-xdist python3-xlib zip unzip)

sudo_() { if [ "$(id -u)" = 0 ]; then "$@"; else sudo "$@"; fi; }
# A mirror caught mid-sync can fail one index file, the security suite's for i386 say, while
# the rest come whole. The two architectures' candidates then differ and the install breaks;
# what the release's own suite holds is whole for both, so the install takes it from there.
from_release=()
apt_install() {
  sudo_ env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends \
    "${from_release[@]}" "$@"
}
apt_update() {
  local try codename
  for try in 1 2 3; do
    sudo_ apt-get update -qq && return 0
    echo "apt-get update failed (try $try of 3)" >&2
    sleep $((try * 5))
  done
  codename=$(. /etc/os-release && echo "${VERSION_CODENAME:-}")
  [ -n "$codename" ] && from_release=(-t "$codename")
  echo "going on with the package lists that came, from the suite ${codename:-of this release}" >&2
}

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
  apt_update
  apt_install "${missing[@]}"
fi

if ! locale -a 2>/dev/null | grep -qi '^zh_CN\.utf-\?8$'; then
  sudo_ sed -i 's/^# *zh_CN.UTF-8 UTF-8/zh_CN.UTF-8 UTF-8/' /etc/locale.gen
  grep -q '^zh_CN.UTF-8 UTF-8' /etc/locale.gen || echo 'zh_CN.UTF-8 UTF-8' | sudo_ tee -a /etc/locale.gen >/dev/null
  sudo_ locale-gen >/dev/null
fi

# Wine's 32-bit half needs a kernel that runs 32-bit x86 programs. Some virtual machines run
# 64-bit user code only (an i386 program's execve fails with ENOEXEC); there the i386 programs
# run under qemu's user-mode emulator, registered with binfmt_misc. bookworm's qemu 7.2 scans
# its whole page table on every mmap and needs minutes per Wine start; 8.1 and later do not,
# so on bookworm the emulator comes from bookworm-backports.
i386_runs() { /lib/i386-linux-gnu/ld-linux.so.2 --version >/dev/null 2>&1; }

qemu_fast_enough() {
  command -v qemu-i386 >/dev/null || return 1
  local v major minor
  v=$(qemu-i386 --version | sed -n '1s/.*version \([0-9]*\)\.\([0-9]*\).*/\1 \2/p')
  read -r major minor <<<"$v"
  [ -n "${major:-}" ] && { [ "$major" -gt 8 ] || { [ "$major" -eq 8 ] && [ "$minor" -ge 1 ]; }; }
}

install_qemu() {
  local codename
  codename=$(. /etc/os-release && echo "${VERSION_CODENAME:-}")
  if [ "$codename" = bookworm ]; then
    if ! grep -rqs 'bookworm-backports' /etc/apt/sources.list /etc/apt/sources.list.d/; then
      sudo_ tee /etc/apt/sources.list.d/bookworm-backports.sources >/dev/null <<'SOURCES'
Types: deb
URIs: http://deb.debian.org/debian
Suites: bookworm-backports
Components: main
Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg
SOURCES
    fi
    apt_update
    apt_install -t bookworm-backports qemu-user
  else
    apt_update
    apt_install qemu-user
  fi
}

register_qemu_i386() {
  local binfmt=/proc/sys/fs/binfmt_misc stamp=/run/nimbara-qemu-i386 version
  [ -e "$binfmt/register" ] || sudo_ mount -t binfmt_misc binfmt_misc "$binfmt"
  version=$(qemu-i386 --version | head -1)
  # The registration keeps the emulator file open (flag F): after an upgrade it is made again.
  if [ -e "$binfmt/qemu-i386" ] && [ "$(cat "$stamp" 2>/dev/null)" = "$version" ]; then
    return
  fi
  [ -e "$binfmt/qemu-i386" ] && echo -1 | sudo_ tee "$binfmt/qemu-i386" >/dev/null
  # ELF, 32-bit, little-endian, executable or shared object, machine i386; binfmt_misc itself
  # reads the \x escapes.
  printf '%s' ':qemu-i386:M::\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00:\xff\xff\xff\xff\xff\xfe\xfe\x00\xff\xff\xff\xff\xff\xff\xff\xff\xfe\xff\xff\xff:/usr/bin/qemu-i386:F' \
    | sudo_ tee "$binfmt/register" >/dev/null
  echo "$version" | sudo_ tee "$stamp" >/dev/null
}

if ! i386_runs || [ -e /proc/sys/fs/binfmt_misc/qemu-i386 ]; then
  if ! i386_runs; then
    echo "This kernel does not run 32-bit programs: Wine's 32-bit half runs under qemu-i386."
  fi
  qemu_fast_enough || install_qemu
  register_qemu_i386
  i386_runs || { echo "32-bit programs do not run, not even under qemu-i386" >&2; exit 1; }
fi
