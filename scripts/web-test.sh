#!/usr/bin/env bash
# The browser build's frames against the desktop's: three passes of every scene
# drawn by build-web/index.html in headless Chromium and by velkor-tools render,
# compared by RMSE (tests/web/web_frames.py). Needs scripts/web-build.sh to have
# run and build/velkor-tools; exit 77 (skipped) when either is missing.
# With --play instead: the data set picked as a folder in capitals, then the whole
# show played on its audio clock (tests/web/web_play.py).
# usage: scripts/web-test.sh [--fps F] [--limit PCT] [--keep DIR]
#        scripts/web-test.sh --play
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
web="$root/build-web"
tools="$root/build/velkor-tools"
data="$(sed -n 's/^VELKOR_WEB_DATA:PATH=//p' "$web/CMakeCache.txt" 2>/dev/null || true)"
if [ ! -f "$web/index.html" ] || [ ! -x "$tools" ] || [ ! -d "$data" ]; then
  echo "web-test: needs build-web/ (bash scripts/web-build.sh) and build/velkor-tools; skipped"
  exit 77
fi
if [ "${1:-}" = "--play" ]; then exec python3 "$root/tests/web/web_play.py" --web "$web" --data "$data"; fi
exec python3 "$root/tests/web/web_frames.py" --web "$web" --tools "$tools" --data "$data" "$@"
