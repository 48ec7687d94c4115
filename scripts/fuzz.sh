#!/usr/bin/env bash
# usage: fuzz.sh [SECONDS [TARGET...]]
# Runs every fuzz target (or the TARGETs named) for SECONDS each (default 300),
# one after another, from its seeds and the corpus kept by earlier runs
# (BUILD_DIR/fuzz-corpus). Runs naming different targets may go side by side.
# Any input that crashes, leaks, hangs or runs out of memory is copied into
# tests/fuzz/regressions/<target>/, where the unit tests replay it; commit it
# with the fix. Builds in BUILD_DIR (default: build) first. Exits with 1 when
# a target found something.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds="${1:-300}"
shift || true
targets=("$@")
[ ${#targets[@]} -gt 0 ] || targets=(fuzz_model fuzz_tga fuzz_jpeg fuzz_mp3)
build="${BUILD_DIR:-build}"
[ -f "$build/CMakeCache.txt" ] || cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build "$build" -j"$(nproc)" --target velkor_fuzz_targets fuzz_seeds fuzz_model_seeds
fuzz="$build/tests/fuzz"
if [ ! -d "$fuzz/targets" ]; then
  echo "fuzz.sh: no fuzz targets: they need clang++ and libFuzzer (clang, libclang-rt-dev)" >&2
  exit 2
fi

found=0
for target in "${targets[@]}"; do
  seeds="$fuzz/${target}_seed_corpus" corpus="$build/fuzz-corpus/$target" artifacts="$build/fuzz-artifacts/$target"
  rm -rf "$artifacts"
  mkdir -p "$seeds" "$corpus" "$artifacts"
  if [ "$target" = fuzz_model ]; then "$fuzz/fuzz_model_seeds" "$seeds"; else "$fuzz/fuzz_seeds" "$target" "$seeds"; fi
  log="$artifacts.log"
  echo "fuzz.sh: $target for ${seconds} s (log: $log)"
  "$fuzz/targets/$target" -max_total_time="$seconds" -max_len=4096 -rss_limit_mb=2048 -timeout=30 \
    -artifact_prefix="$artifacts/" "$corpus" "$seeds" > "$log" 2>&1 || true
  # The last status line: coverage (cov: edges, ft: features), corpus, speed.
  grep -E '^#[0-9]+' "$log" | tail -n 1 || true
  grep -E '^Done [0-9]+ runs' "$log" || true
  for input in "$artifacts"/crash-* "$artifacts"/leak-* "$artifacts"/timeout-* "$artifacts"/oom-*; do
    [ -e "$input" ] || continue
    mkdir -p "tests/fuzz/regressions/$target"
    cp "$input" "tests/fuzz/regressions/$target/"
    echo "fuzz.sh: $target: kept $(basename "$input") in tests/fuzz/regressions/$target" >&2
    found=1
  done
done
exit "$found"
