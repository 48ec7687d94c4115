#!/usr/bin/env bash
# Times the player in a window on a private X server (Xvfb, Mesa's software
# renderer), silent, through the whole show: the time from start to the first
# frame, and per scene the gap before its first frame (the switch), the part
# of it its setup took, twice the median gap of the scene before (limit_ms),
# the median gap between its own frames in the second after the switch
# (early_gap_ms: what its first frame costs without a setup) and over the
# whole scene.
# usage: scripts/player-timing.sh [BUILD_DIR] [DATA_DIR]   (DATA_DIR: the stand-in set by default)
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${1:-$root/build}"
data="${2:-}"
work="$(mktemp -d)"
trap 'kill "$xvfb" 2>/dev/null || true; rm -rf "$work"' EXIT
if [ -z "$data" ]; then
  data="$work/data"
  "$build/velkor-tools" make-data "$data" >/dev/null
fi
display=":$((200 + $$ % 500))"
Xvfb "$display" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
xvfb=$!
sleep 1
DISPLAY="$display" SDL_AUDIODRIVER=dummy "$build/velkor" --silent --windowed --data "$data" \
  --frame-times "$work/frames.csv"
tail -n +2 "$work/frames.csv" | awk -F, '
  function median(a, n,   i, j, t) {
    for (i = 2; i <= n; ++i) { t = a[i]; for (j = i - 1; j >= 1 && a[j] > t; --j) a[j + 1] = a[j]; a[j + 1] = t }
    return n ? a[int((n + 1) / 2)] : 0
  }
  function flush(  m) {
    if (scene < 0) return
    m = median(gaps, n)
    printf "%5d %13.1f %9.1f %9.1f %13.1f %13.1f %7d\n", scene, switchGap / 1000, setup / 1000, scene ? 2 * lastMedian / 1000 : 0, median(early, e) / 1000, m / 1000, n + 1
    lastMedian = m
  }
  NR == 1 {
    printf "first frame %.1f ms after start\n", $1 / 1000
    printf "%5s %13s %9s %9s %13s %13s %7s\n", "scene", "switch_gap_ms", "setup_ms", "limit_ms", "early_gap_ms", "median_gap_ms", "frames"
    scene = -1
  }
  {
    if ($3 != scene) { flush(); scene = $3; switchGap = NR > 1 ? $1 - last : 0; setup = $4; begin = $1; n = 0; e = 0; delete gaps; delete early }
    else { gaps[++n] = $1 - last; if ($1 - begin <= 1000000) early[++e] = $1 - last }
    last = $1
  }
  END { flush() }'
