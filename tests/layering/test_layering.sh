#!/usr/bin/env bash
# The layering check passes on the sources and catches includes against the
# order, in a scratch tree made for the purpose.
# usage: tests/layering/test_layering.sh SOURCE_ROOT
set -uo pipefail
root="$1"
check="$root/scripts/check-layering.sh"
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

out="$(bash "$check" "$root")" || fail "the sources break the layering:"$'\n'"$out"

scratch="$(mktemp -d)"
trap 'rm -rf "$scratch"' EXIT
put() { mkdir -p "$scratch/$(dirname "$1")"; printf '%s\n' "${@:2}" > "$scratch/$1"; }

# Includes that follow the order, each a step or more downwards.
put music/clock.cpp '#include "music/clock.h"' '#include <cstdio>' '#include "platform/sound.h"'
put scenes/scene9.cpp '#include "assets/model.h"' '#include "proc/noise.h"'
put platform/mipmap.cpp '#include "platform/mipmap.h"' '#include "proc/maths.h"'
put platform/sdl/window.cpp '#include "platform/window.h"' '#include "platform/sdl/video_driver.h"' \
    '#include "proc/maths.h"'
put platform/web/gl.cpp '#include "platform/web/gl.h"' '#include "platform/mipmap.h"'
put platform/gl.h '#include "platform/web/gl.h"'
put tools/main.cpp '#include "tools/render/render.h"' '#include "app/shell.h"'
put tools/standin/song.cpp '#include "tools/standin/synth/synth.h"'
out="$(bash "$check" "$scratch")" || fail "includes that follow the order were refused:"$'\n'"$out"

# One wrong include per case: the check fails and names file, line and target.
cases=(
  'music/sequencer.cpp|scenes/scenes.h'
  'proc/noise.cpp|platform/log.h'
  'assets/draw.cpp|scenes/scene3.h'
  'app/shell.h|tools/render/render.h'
  'tools/standin/synth/mix.cpp|tools/standin/standin.h'
  'tools/standin/exact/exact_math.cpp|tools/standin/synth/dsp.h'
  'tools/inspect/json.cpp|tools/render/png_files.h'
  # The backends: each only over the shared platform, and the seam's headers
  # all that the rest of the show sees.
  'platform/sdl/window.cpp|platform/web/keys.h'
  'platform/web/window.cpp|platform/sdl/video_driver.h'
  'platform/paths.cpp|platform/sdl/video_driver.h'
  'platform/sound.h|platform/web/gl.h'
  'scenes/scene3.cpp|platform/web/gl.h'
  'app/display_window.cpp|platform/sdl/video_driver.h'
  'tools/render/render.cpp|platform/sdl/video_driver.h'
)
for c in "${cases[@]}"; do
  file="${c%%|*}" target="${c##*|}"
  rm -rf "${scratch:?}"/*
  put "$file" '// a file' '#include <vector>' "#include \"$target\""
  if out="$(bash "$check" "$scratch")"; then
    fail "$file including $target passed the check"
  elif [[ "$out" != *"$file:3:"*"\"$target\""* ]]; then
    fail "$file including $target: the message does not name file, line and target: $out"
  fi
done

[ "$failures" -eq 0 ] && echo "layering: all cases passed"
exit $((failures > 0))
