#!/usr/bin/env bash
# Runs Nimbara's tests from a clean Debian machine: installs what is missing, builds, runs.
#   tools/test.sh               every tier
#   tools/test.sh unit win32    only these tiers (unit | win32 | e2e | release)
# unit:  native clang build under AddressSanitizer and UBSan (build-fuzz), ctest: the rules,
#        without a window system; then each libFuzzer target of the readers of untrusted
#        bytes, built in the same tree, for NIMBARA_FUZZ_SECONDS (default 10), one per core
#        at a time
# win32: cross build (build-cross), ctest of its GoogleTest executables under Wine, in one
#        Wine environment (tests/harness/winenv.py run)
# e2e:   pytest tests/e2e: Windows programs driven from outside in fresh Wine environments
# release: tools/release-checks.sh: what a Windows user downloads is reproducible, loads on
#        Windows 7 SP1, and clang builds it and passes the Win32 tests too
# The last line is "N passed, N failed, N skipped"; the exit code is non-zero when a test
# failed or a tier could not run.
set -uo pipefail
cd "$(dirname "$0")/.."
root=$PWD
py=/usr/bin/python3

tiers=("$@")
[ ${#tiers[@]} -eq 0 ] && tiers=(unit win32 e2e release)
for tier in "${tiers[@]}"; do
  case $tier in
    unit | win32 | e2e | release) ;;
    *) echo "unknown tier: $tier (unit, win32, e2e, release)" >&2; exit 2 ;;
  esac
done

passed=0 failed=0 skipped=0
broken=()
timings=()

summary() {
  [ ${#timings[@]} -gt 0 ] && echo "Times: ${timings[*]}"
  [ ${#broken[@]} -gt 0 ] && echo "Could not run: ${broken[*]}"
  echo "$passed passed, $failed failed, $skipped skipped"
}

# Runs a build step quietly; shows its output only when it fails.
quiet() {
  local log
  log=$(mktemp)
  if "$@" >"$log" 2>&1; then rm -f "$log"; return 0; fi
  tail -n 60 "$log"
  rm -f "$log"
  return 1
}

add_counts() {  # JUnit report of one tier
  local p f s
  read -r p f s < <($py tools/junit_counts.py "$1") || return 1
  passed=$((passed + p)) failed=$((failed + f)) skipped=$((skipped + s))
}

cannot_run() {
  echo "== $1: could not run ($2)"
  broken+=("$1")
}

cross_build() {
  [ -n "${cross_built:-}" ] && return 0
  echo "== building build-cross (MinGW-w64 i686)"
  quiet cmake -S . -B build-cross -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-i686.cmake &&
    quiet cmake --build build-cross -j 2 && cross_built=1
}

# One native build and its ctest, counted; $1 the build directory, then cmake options.
native_ctest() {
  local dir=$1
  shift
  echo "== unit: building $dir"
  quiet cmake -S . -B "$dir" -G Ninja "$@" && quiet cmake --build "$dir" -j 2 ||
    { cannot_run "unit($dir)" "native build failed"; return; }
  rm -f "$dir/unit-junit.xml"
  (cd "$dir" && ctest --output-on-failure -j 2 --output-junit unit-junit.xml)
  [ -f "$dir/unit-junit.xml" ] && add_counts "$dir/unit-junit.xml" ||
    cannot_run "unit($dir)" "ctest wrote no report"
}

run_unit() {
  # The rules read bytes from any program: their tests run where a stray read or an overflow
  # stops them instead of passing unseen (clang, AddressSanitizer and UBSan), in the tree that
  # builds the fuzz targets too. A plain build would ask the same questions again: the rules
  # are built by the product's own compiler in build-cross, and by clang without sanitizers
  # in the release checks. clang leaves sized deallocation off by default; the slot memory's
  # heap uses it.
  native_ctest build-fuzz -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ -DNIMBARA_FUZZ=ON \
    -DCMAKE_CXX_FLAGS=-fsized-deallocation
  echo "== unit: fuzzing the readers of untrusted bytes"
  if bash tools/fuzz.sh "${NIMBARA_FUZZ_SECONDS:-10}" >build-fuzz/fuzz.log 2>&1; then
    passed=$((passed + 1))
    grep -E "^(== |All fuzz|stat::number_of_executed_units)" build-fuzz/fuzz.log
  else
    failed=$((failed + 1))
    tail -n 40 build-fuzz/fuzz.log
  fi
}

run_win32() {
  cross_build || { cannot_run win32 "cross build failed"; return; }
  echo "== win32: ctest of build-cross in one Wine environment"
  # One program holds every test: its own report counts them one by one. When it ended
  # without one (a crash, the time limit), ctest's report counts the failure.
  local cases=build-cross/tests/win32/win32-gtest.xml
  rm -f build-cross/win32-junit.xml "$cases"
  GTEST_OUTPUT=xml:win32-gtest.xml $py tests/harness/winenv.py run -- \
    ctest --test-dir build-cross --output-on-failure --output-junit win32-junit.xml
  if [ -f "$cases" ]; then
    add_counts "$cases"
  elif [ -f build-cross/win32-junit.xml ]; then
    add_counts build-cross/win32-junit.xml
  else
    cannot_run win32 "ctest wrote no report (Wine environment did not start?)"
  fi
}

run_e2e() {
  cross_build || { cannot_run e2e "cross build failed"; return; }
  echo "== e2e: pytest tests/e2e"
  # The template prefix is made outside the per-test time limits (minutes on a new machine).
  $py tests/harness/winenv.py prepare >/dev/null || { cannot_run e2e "no Wine prefix"; return; }
  rm -f build-cross/e2e-junit.xml
  # NIMBARA_E2E_ARGS: extra pytest arguments, shell-quoted, e.g. --ignore=FILE.
  local -a extra=()
  eval "extra=(${NIMBARA_E2E_ARGS:-})"
  # Test files side by side, each in Wine environments of its own (NIMBARA_E2E_WORKERS=0:
  # one at a time): waiting on Wine, one file leaves most of a core idle. Three where the
  # 32-bit side runs natively (half the processor time is then still idle); two where it runs
  # under qemu-i386, which keeps the processor busy.
  local workers=3
  [ -e /proc/sys/fs/binfmt_misc/qemu-i386 ] && workers=2
  workers=${NIMBARA_E2E_WORKERS:-$workers}
  [ "$workers" -gt 0 ] && extra=(-n "$workers" --dist loadfile "${extra[@]}")
  NIMBARA_BUILD=$root/build-cross $py -m pytest -q tests/e2e "${extra[@]}" \
    --junitxml=build-cross/e2e-junit.xml
  local code=$?
  if [ -f build-cross/e2e-junit.xml ]; then
    add_counts build-cross/e2e-junit.xml
  elif [ $code -ne 5 ]; then  # 5: no tests collected
    cannot_run e2e "pytest exit code $code"
  fi
}

run_release() {
  echo "== release: tools/release-checks.sh"
  local log p f
  log=$(mktemp)
  bash tools/release-checks.sh 2>&1 | tee "$log"
  read -r p f < <(sed -n 's/^Release checks: \([0-9]*\) passed, \([0-9]*\) failed$/\1 \2/p' "$log" | tail -n 1)
  rm -f "$log"
  [ -n "${p:-}" ] || { cannot_run release "no result line"; return; }
  passed=$((passed + p)) failed=$((failed + f))
}

start=$SECONDS
if ! bash tools/install-deps.sh; then
  cannot_run all "tools/install-deps.sh failed"
  summary
  exit 1
fi
timings+=("deps=$((SECONDS - start))s")
for tier in "${tiers[@]}"; do
  start=$SECONDS
  "run_$tier"
  timings+=("$tier=$((SECONDS - start))s")
done
summary
[ "$failed" -eq 0 ] && [ ${#broken[@]} -eq 0 ]
