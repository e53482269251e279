#!/usr/bin/env bash
# Builds the libFuzzer targets with clang (ASan + UBSan) and runs each for a bounded
# time, starting from the seeds under tests/fuzz/corpus/<target>/. New inputs go to
# build-fuzz/corpus/<target>/ and crash inputs to build-fuzz/crashes/<target>/, so the
# committed seeds stay as they are. Exits non-zero when any target crashed.
#   tools/fuzz.sh [seconds per target, default 20]
set -euo pipefail

seconds="${1:-20}"
root="$(cd "$(dirname "$0")/.." && pwd)"
build="$root/build-fuzz"
targets=(drop_files_fuzz preview_texts_fuzz hotkey_texts_fuzz snapshot_wire_fuzz)

cmake -S "$root" -B "$build" -G Ninja -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
      -DNIMBARA_FUZZ=ON >/dev/null
cmake --build "$build" -j 2 --target "${targets[@]}"

# One target per core at a time: each still runs its full time.
jobs=$(nproc 2>/dev/null || echo 1)
fuzz_one() {
  local target=$1
  mkdir -p "$build/corpus/$target" "$build/crashes/$target"
  if "$build/tests/fuzz/$target" -max_total_time="$seconds" -print_final_stats=1 \
    -artifact_prefix="$build/crashes/$target/" \
    "$build/corpus/$target" "$root/tests/fuzz/corpus/$target" >"$build/$target.log" 2>&1
  then echo ok; else echo crashed; fi >"$build/$target.result"
}
failed=()
for target in "${targets[@]}"; do
  while [ "$(jobs -rp | wc -l)" -ge "$jobs" ]; do wait -n || true; done
  echo "== $target for ${seconds}s"
  rm -f "$build/$target.result"
  fuzz_one "$target" &
done
wait
for target in "${targets[@]}"; do
  cat "$build/$target.log"
  [ "$(cat "$build/$target.result" 2>/dev/null)" = ok ] || failed+=("$target")
done

if [ ${#failed[@]} -gt 0 ]; then
  echo "Crashed: ${failed[*]} (inputs under $build/crashes/)" >&2
  exit 1
fi
echo "All fuzz targets ran ${seconds}s without a crash."
