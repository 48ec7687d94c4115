#!/usr/bin/env bash
# Times the player per scene on a private X server (Xvfb, Mesa's software
# renderer), silent, in one run: fullscreen on a 1920 x 1080 screen drawn at
# 640 x 480 and scaled (--resolution original), fullscreen at the screen's own
# pixels (native), and in a 640 x 480 window. Each run steps the music clock
# by STEP ms per frame, so every run draws the same frames whatever they cost.
# Prints the median time between frames per scene and mode (the frame that
# switches scene left out), and original / window. Xvfb has no vertical
# sync, so frames are drawn as fast as they can be: --fps N caps every run at
# N frames a second, as a display's refresh would.
# usage: scripts/resolution-timing.sh [--step MS] [--fps N] [--build DIR] [--data DIR]
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="$root/build"
data=""
step=200
fps=0
while [ $# -gt 0 ]; do
  case "$1" in
    --step) step="$2"; shift 2 ;;
    --fps) fps="$2"; shift 2 ;;
    --build) build="$2"; shift 2 ;;
    --data) data="$2"; shift 2 ;;
    *) echo "usage: $0 [--step MS] [--fps N] [--build DIR] [--data DIR]" >&2; exit 2 ;;
  esac
done
work="$(mktemp -d)"
[ -n "${KEEP:-}" ] && echo "keeping $work"
xvfb=""
trap '[ -n "$xvfb" ] && kill "$xvfb" 2>/dev/null; [ -n "${KEEP:-}" ] || rm -rf "$work"' EXIT
if [ -z "$data" ]; then
  data="$work/data"
  "$build/velkor-tools" make-data "$data" >/dev/null
fi
display=":$((200 + $$ % 500))"
Xvfb "$display" -screen 0 1920x1080x24 -nolisten tcp >/dev/null 2>&1 &
xvfb=$!
sleep 1

play() {  # name, player flags...
  local name="$1"
  shift
  DISPLAY="$display" SDL_AUDIODRIVER=dummy "$build/velkor" --step-ms "$step" --vsync off --max-fps "$fps" --data "$data" \
    --frame-times "$work/$name.csv" "$@" 2>"$work/$name.log"
  grep -m1 "velkor: picture" "$work/$name.log" | sed "s/^velkor: picture/$name:/"
}
play original --fullscreen --resolution original
play native --fullscreen --resolution native
play window --windowed --resolution native

# Median gap between frames per scene, in ms: "scene median".
medians() {
  tail -n +2 "$1" | awk -F, '
    function median(a, n,   i, j, t) {
      for (i = 2; i <= n; ++i) { t = a[i]; for (j = i - 1; j >= 1 && a[j] > t; --j) a[j + 1] = a[j]; a[j + 1] = t }
      return n ? a[int((n + 1) / 2)] : 0
    }
    function flush() { if (scene >= 0) printf "%d %.2f\n", scene, median(gaps, n) / 1000 }
    BEGIN { scene = -1 }
    { if ($3 != scene) { flush(); scene = $3; n = 0; delete gaps } else gaps[++n] = $1 - last; last = $1 }
    END { flush() }'
}
medians "$work/original.csv" >"$work/original.med"
medians "$work/native.csv" >"$work/native.med"
medians "$work/window.csv" >"$work/window.med"
echo
printf "%5s %16s %14s %14s %18s\n" scene original_1080p native_1080p window_640x480 original/window
join "$work/original.med" "$work/native.med" | join - "$work/window.med" |
  awk '{ printf "%5d %13.2f ms %11.2f ms %11.2f ms %17.2fx\n", $1, $2, $3, $4, ($4 > 0 ? $2 / $4 : 0) }'
