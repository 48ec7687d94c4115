#!/usr/bin/env bash
# Checks that every #include in the sources follows the module layering:
#   proc            (bottom: plain arithmetic, includes only itself)
#   platform        proc; what every target shares and the seam headers
#   platform/sdl, platform/web
#                   the backends behind the seam: platform and proc, never each
#                   other; nothing else includes them, but for platform/gl.h,
#                   which gives the page the fixed-function GL of platform/web
#   music           platform, proc
#   assets          music, platform, proc
#   scenes          assets, music, platform, proc
#   app             scenes and everything below
#   tools           app and everything below; the products side by side:
#                   tools/standin/exact only itself, tools/standin/synth the exact maths,
#                   tools/standin both,
#                   tools/render and tools/inspect only themselves, tools/main.cpp all
# usage: scripts/check-layering.sh [SOURCE_ROOT]   (exit 1 and one line per wrong include)
set -euo pipefail
root="${1:-$(cd "$(dirname "$0")/.." && pwd)}"
cd "$root"

# The layer a path (a source file or an include target) belongs to.
layer_of() {
  case "$1" in
    tools/standin/synth/*) echo tools/standin/synth ;;
    tools/standin/exact/*) echo tools/standin/exact ;;
    tools/standin/*) echo tools/standin ;;
    tools/render/*) echo tools/render ;;
    tools/inspect/*) echo tools/inspect ;;
    tools/*) echo tools ;;
    platform/sdl/*) echo platform/sdl ;;
    platform/web/*) echo platform/web ;;
    platform/* | proc/* | music/* | assets/* | scenes/* | app/*) echo "${1%%/*}" ;;
    *) echo "" ;;
  esac
}

core_below() {
  case "$1" in
    platform) echo "platform proc" ;;
    proc) echo "proc" ;;
    music) echo "music platform proc" ;;
    assets) echo "assets music platform proc" ;;
    scenes) echo "scenes assets music platform proc" ;;
    app) echo "app scenes assets music platform proc" ;;
  esac
}

# The layers a layer may include.
allowed() {
  local core
  core="$(core_below app)"
  case "$1" in
    tools/standin/exact) echo "tools/standin/exact platform proc" ;;
    tools/standin/synth) echo "tools/standin/synth tools/standin/exact platform proc" ;;
    tools/standin) echo "tools/standin tools/standin/synth tools/standin/exact $core" ;;
    tools/render) echo "tools/render $core" ;;
    tools/inspect) echo "tools/inspect $core" ;;
    tools) echo "tools tools/standin tools/standin/synth tools/standin/exact tools/render tools/inspect $core" ;;
    platform/sdl | platform/web) echo "$1 platform proc" ;;
    *) core_below "$1" ;;
  esac
}

status=0
while IFS= read -r file; do
  from="$(layer_of "$file")"
  [ -n "$from" ] || continue
  ok=" $(allowed "$from") "
  while IFS=: read -r line target; do
    to="$(layer_of "$target")"
    [ -n "$to" ] || continue  # system and test headers
    # The seam's GL header picks the target's GL: the page's is the web backend's.
    [ "$file:$target" = "platform/gl.h:platform/web/gl.h" ] && continue
    if [[ "$ok" != *" $to "* ]]; then
      echo "$file:$line: $from includes \"$target\" from $to, which is not below it"
      status=1
    fi
  done < <(grep -n '^[[:space:]]*#[[:space:]]*include[[:space:]]*"' "$file" |
           sed 's/^\([0-9]*\):[^"]*"\([^"]*\)".*/\1:\2/' || true)
done < <(find platform proc music assets scenes app tools -type f \( -name '*.h' -o -name '*.cpp' \) 2>/dev/null | sort)
exit $status
