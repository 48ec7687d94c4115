#!/usr/bin/env bash
# Regenerates tests/golden/frames.txt from what the renderer draws now, after an
# intended change to the look of a scene or to the stand-in data.
# usage: scripts/update-golden.sh [--empty-data] [BUILD_DIR]
#   --empty-data  store frames of an empty data directory instead of the
#                 stand-in data set from "velkor-tools make-data"
# The render options (first "options" line of frames.txt, default --fps 5) are kept.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="$root/build"
data=standin
for arg in "$@"; do
  case "$arg" in
    --empty-data) data=empty ;;
    -h|--help) sed -n '2,7p' "$0"; exit 0 ;;
    *) build="$(cd "$arg" 2>/dev/null && pwd || echo "$arg")" ;;
  esac
done
cmake -S "$root" -B "$build" >/dev/null
cmake --build "$build" -j"$(nproc)" --target velkor-tools test_golden
# Run where ctest runs the test; the stand-in data set is cached beside velkor-tools.
cd "$build/tests"
VELKOR_UPDATE_GOLDEN=1 VELKOR_GOLDEN_DATA="$data" VELKOR_TOOLS="$build/velkor-tools" VELKOR_SOURCE_DIR="$root" \
  ./test_golden --gtest_filter='GoldenFramesTest.*'
