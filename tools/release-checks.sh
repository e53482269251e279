#!/usr/bin/env bash
# CI's checks of what a Windows user downloads, each counted:
#   reproducible  two builds of the commit, in two directories at two times, give the same exe
#                 and zip: tools/release.sh as the README gives it, the screenshot taken again
#                 included, and build-cross's Nimbara.exe (the win32 tier's build of the clone,
#                 brought up to date here) packed by tools/release.sh --exe
#   windows7      tools/win7-imports.sh on both compilers' Nimbara.exe
#   clang-build   the product and its Win32 tests built by clang (build-clang), without a
#                 warning (the probes and the benchmark are the MinGW build's alone)
#   clang-win32   that build's Win32 tests under Wine, in one Wine environment
# The last line is "N passed, N failed"; the exit code is non-zero when a check failed.
set -uo pipefail
cd "$(dirname "$0")/.."
bash tools/install-deps.sh >/dev/null || { echo "tools/install-deps.sh failed"; exit 1; }
passed=0 failed=0
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT

times=()
check() {  # NAME COMMAND...
  local start=$SECONDS
  echo "== $1"
  if "${@:2}"; then passed=$((passed + 1)); else failed=$((failed + 1)); echo "== $1: FAILED"; fi
  times+=("$1=$((SECONDS - start))s")
}

reproducible() {
  # The first release is the README's command exactly, picture and dist/ included, so that
  # a step of it that breaks fails here; the second packs the other build.
  local name
  { [ -f build-cross/build.ninja ] ||
      cmake -S . -B build-cross -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-i686.cmake \
        >"$tmp/cross.log" 2>&1; } &&
    cmake --build build-cross -j 2 --target Nimbara >>"$tmp/cross.log" 2>&1 &&
    tools/release.sh >"$tmp/a.log" 2>&1 &&
    tools/release.sh --no-screenshot --exe build-cross/Nimbara.exe --dist "$tmp/b" \
      >"$tmp/b.log" 2>&1 ||
    { tail -n 30 "$tmp"/*.log; return 1; }
  grep -E "^docs/screenshot.png: " "$tmp/a.log"
  if grep -q "^docs/screenshot.png: new picture" "$tmp/a.log"; then
    echo "docs/screenshot.png no longer shows the program as it is: commit the new picture"
    return 1
  fi
  name=$(awk 'END {print $2}' "$tmp/a.log")
  mkdir "$tmp/a" && cp "dist/$name" "$tmp/a/" || return 1
  local zip sums=()
  for d in a b; do
    zip=$(ls "$tmp/$d"/*.zip)
    (cd "$tmp/$d" && unzip -q "$zip" Nimbara.exe)
    sums+=("$(cd "$tmp/$d" && sha256sum ./*.zip Nimbara.exe)")
  done
  printf '%s\n' "${sums[0]}"
  [ "${sums[0]}" = "${sums[1]}" ] || {
    echo "build-cross (of the working tree, which must be the commit's):"
    printf '%s\n' "${sums[1]}"
    return 1
  }
}

clang_build() {
  cmake -S . -B build-clang -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/clang-mingw-i686.cmake \
    >"$tmp/clang.log" 2>&1 &&
    cmake --build build-clang -j 2 --target Nimbara nimbara_win32_tests >>"$tmp/clang.log" 2>&1 ||
    { tail -n 40 "$tmp/clang.log"; return 1; }
  ! grep -B2 -A6 'warning:' "$tmp/clang.log"
}

clang_win32() {
  /usr/bin/python3 tests/harness/winenv.py run -- \
    ctest --test-dir build-clang --output-on-failure --label-regex win32
}

check reproducible reproducible
check clang-build clang_build
check windows7 tools/win7-imports.sh "$tmp/a/Nimbara.exe" build-clang/Nimbara.exe
check clang-win32 clang_win32
echo "Times: ${times[*]}"
echo "Release checks: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
