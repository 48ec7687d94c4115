#!/usr/bin/env bash
# Frame-time summary of a "velkor-tools render --frame-stats" CSV: frames,
# median and 95th percentile of the draw time per scene, in milliseconds.
# usage: scripts/frame-times.sh stats.csv
set -euo pipefail
if [ $# -ne 1 ] || [ ! -f "$1" ]; then
  echo "usage: $0 FRAME_STATS.csv" >&2
  exit 2
fi
# Nearest-rank percentiles over each scene's draw times, sorted by scene then time.
tail -n +2 "$1" | sort -t, -k3,3n -k5,5n | awk -F, '
  function flush() {
    if (n == 0) return
    m = int((n + 1) / 2); p = int(n * 0.95 + 0.999999); if (p < 1) p = 1
    printf "%5d %7d %10.3f %10.3f\n", scene, n, t[m] / 1000, t[p] / 1000
    n = 0
  }
  BEGIN { printf "%5s %7s %10s %10s\n", "scene", "frames", "median_ms", "p95_ms"; n = 0 }
  NF >= 5 { if (n > 0 && $3 != scene) flush(); scene = $3; t[++n] = $5 }
  END { flush() }'
