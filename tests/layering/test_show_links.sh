#!/usr/bin/env bash
# The show program links the libraries of the show alone: the tools' PNG and
# MP3-encoding libraries stay out of its own dependencies.
# usage: tests/layering/test_show_links.sh PATH_TO_VELKOR
set -euo pipefail
needed="$(readelf -d "$1" | sed -n 's/.*(NEEDED).*\[\(.*\)\]/\1/p')"
echo "$needed"
for lib in libSDL2 libGLU libmpg123 libjpeg; do
  grep -q "^$lib" <<<"$needed" || { echo "FAIL: $1 does not link $lib"; exit 1; }
done
if grep -E '^(libpng|libmp3lame)' <<<"$needed"; then
  echo "FAIL: $1 links a library only the tools need"
  exit 1
fi
