#!/usr/bin/env bash
# Makes the release of the commit checked out, built in a fresh copy of it (git archive HEAD;
# changes not committed are not in it): dist/Nimbara-<version>.zip holding Nimbara.exe, the
# user guide in Chinese and English (GUIDE.txt, with screenshot.png) and SHA256SUMS, and the
# zip's own SHA-256 next to it. The same commit gives the same bytes in any directory at any
# time: no build paths or link time in the exe, zip entries in a fixed order and dated at the
# commit. The picture is taken again first (tools/screenshot.sh) unless --no-screenshot.
# --exe FILE packs a Nimbara.exe of this commit built elsewhere instead of building one (the
# release checks give it build-cross's, to see that two builds are the same).
#   tools/release.sh [--no-screenshot] [--dist DIR] [--exe FILE]
set -euo pipefail
cd "$(dirname "$0")/.."
shot=1 dist=$PWD/dist exe=
usage() { echo "usage: tools/release.sh [--no-screenshot] [--dist DIR] [--exe FILE]" >&2; exit 2; }
while [ $# -gt 0 ]; do
  case $1 in
    --no-screenshot) shot=0 ;;
    --dist) [ $# -gt 1 ] || usage; dist=$(realpath -m "$2"); shift ;;
    --exe) [ $# -gt 1 ] || usage; exe=$(realpath "$2") || exit 2; shift ;;
    *) usage ;;
  esac
  shift
done
[ -z "$(git status --porcelain --untracked-files=no)" ] ||
  echo "Note: the working tree has changes that are not committed; the release is of HEAD."

# The exe needs no date to be reproducible (it holds none); the zip entries get the commit's.
commit_time=$(git log -1 --format=%ct)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir "$work/src" "$work/stage"
git archive HEAD | tar -x -C "$work/src"
if [ -n "$exe" ]; then
  echo "== packing $exe as Nimbara.exe of $(git rev-parse --short HEAD)"
  mkdir "$work/build" && cp "$exe" "$work/build/Nimbara.exe"
else
  echo "== building Nimbara.exe of $(git rev-parse --short HEAD) in $work"
  cmake -S "$work/src" -B "$work/build" -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-i686.cmake \
    -DCMAKE_BUILD_TYPE=MinSizeRel >/dev/null
  cmake --build "$work/build" -j 2 --target Nimbara >/dev/null
fi
version=$(sed -n 's/^project(Nimbara VERSION \([0-9.]*\) .*/\1/p' "$work/src/CMakeLists.txt")

if [ $shot = 1 ]; then
  bash tools/screenshot.sh "$work/build/Nimbara.exe" docs/screenshot.png
  cp docs/screenshot.png "$work/src/docs/screenshot.png"
  git diff --quiet -- docs/screenshot.png || echo "Note: docs/screenshot.png changed; commit it."
fi

cd "$work/stage"
cp "$work/build/Nimbara.exe" "$work/src/docs/screenshot.png" .
# Notepad on Windows 7 reads UTF-8 reliably only with a byte-order mark, lines in CR LF.
{ printf '\xef\xbb\xbf'; sed 's/$/\r/' "$work/src/docs/guide.md"; } >GUIDE.txt
files=(Nimbara.exe GUIDE.txt screenshot.png)
sha256sum "${files[@]}" >SHA256SUMS
chmod 644 ./*
touch -d "@$commit_time" ./*
zip_name=Nimbara-$version.zip
TZ=UTC zip -X -q -9 "$work/$zip_name" "${files[@]}" SHA256SUMS
mkdir -p "$dist"
mv -f "$work/$zip_name" "$dist/"
(cd "$dist" && sha256sum "$zip_name" >"$zip_name.sha256" && cat "$zip_name.sha256")
