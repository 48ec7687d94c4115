#!/usr/bin/env bash
# Measures the picture against the sound a listener hears: the player plays in
# a window on a private X server (Mesa's software renderer) into the null
# sink of a private PulseAudio server, whose monitor is recorded with the
# capture time of every sample; the recording is matched against the decoded
# track, and each presented frame's music time against what was heard at its
# swap. Prints per scene the median and the 5th and 95th percentile of
# picture minus heard sound, in ms (positive: the picture is ahead).
# usage: scripts/av-sync.sh [--build DIR] [--data DIR] [--seconds N] [--latency MS] [--show PROGRAM] [--check]
#   --seconds N    how much of the show, from its start (default 78)
#   --latency MS   PULSE_LATENCY_MSEC for the player's stream (default: the server's own)
#   --show PROGRAM another build of the player to measure (a comparison)
#   --check        fail unless every scene's median is within 8 ms and its 5..95 % spread under 30 ms
# Exits 77 when pulseaudio or Xvfb is missing. VELKOR_SYNC=off in the
# environment measures the player without its sync aids; AV_SYNC_KEEP=DIR
# keeps the recording, the frames and the player's log in DIR.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="$root/build" data="" seconds=78 latency="" show="" check=0
while [ $# -gt 0 ]; do
  case "$1" in
    --build) build="$2"; shift 2 ;;
    --data) data="$2"; shift 2 ;;
    --seconds) seconds="$2"; shift 2 ;;
    --latency) latency="$2"; shift 2 ;;
    --show) show="$2"; shift 2 ;;
    --check) check=1; shift ;;
    *) echo "av-sync: unknown argument $1" >&2; exit 2 ;;
  esac
done
show="${show:-$build/velkor}"
for tool in pulseaudio Xvfb; do
  command -v "$tool" >/dev/null || { echo "av-sync: $tool is not installed (scripts/install-deps.sh installs it)"; exit 77; }
done
[ -x "$build/tests/music/av_sync/av_sync_record" ] || { echo "av-sync: build the tests first (no av_sync_record in $build)"; exit 77; }

work="$(mktemp -d)"
chmod 700 "$work"
pids=()
cleanup() {
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
  wait 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT
if [ -z "$data" ]; then
  data="$work/data"
  "$build/velkor-tools" make-data "$data" >/dev/null
fi

socket="$work/native"
XDG_RUNTIME_DIR="$work" HOME="$work" pulseaudio -n --daemonize=no --exit-idle-time=-1 --use-pid-file=no \
  --disable-shm=yes --log-level=error -L "module-native-protocol-unix auth-anonymous=1 socket=$socket" \
  -L "module-null-sink sink_name=velkor_sync" &
pids+=($!)
display=":$((300 + $$ % 400))"
Xvfb "$display" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
pids+=($!)
for _ in $(seq 100); do [ -S "$socket" ] && break; sleep 0.05; done
[ -S "$socket" ] || { echo "av-sync: the PulseAudio server did not start"; exit 1; }
export PULSE_SERVER="unix:$socket"

"$build/tests/music/av_sync/av_sync_record" velkor_sync.monitor $((seconds + 15)) "$work/rec" &
recorder=$!
pids+=("$recorder")
sleep 0.5
env ${latency:+PULSE_LATENCY_MSEC=$latency} DISPLAY="$display" SDL_AUDIODRIVER=pulseaudio \
  "$show" --windowed --verbose --data "$data" --frame-times "$work/frames.csv" 2>"$work/show.log" &
player=$!
pids+=("$player")
sleep "$seconds"
kill -TERM "$player" 2>/dev/null || true
wait "$player" || true
kill -TERM "$recorder" 2>/dev/null || true
wait "$recorder" || true

origin="$(sed -n 's/^velkor: times counted from \([0-9]*\) us.*/\1/p' "$work/show.log")"
[ -n "$origin" ] || { echo "av-sync: the player did not say its clock's origin:"; cat "$work/show.log"; exit 1; }
[ -n "${AV_SYNC_KEEP:-}" ] && cp -r "$work" "$AV_SYNC_KEEP"
table="$("$build/tests/music/av_sync/av_sync_analyse" "$data/mirok6.mp3" "$work/rec" "$work/frames.csv" "$origin")"
echo "picture minus heard sound, ${seconds} s of the show, latency ${latency:-default}:"
echo "$table"
[ "$check" = 1 ] || exit 0
awk 'NR > 2 {
       if ($3 > 8 || $3 < -8 || $5 - $4 > 30) { printf "av-sync: scene %d out of bounds\n", $1; bad = 1 }
       rows++
     }
     END { if (!rows) { print "av-sync: no scene measured"; bad = 1 } exit bad }' <<<"$table"
