#!/usr/bin/env bash
# Installs what is needed, builds, and plays the show: in DATA_DIR when given
# (a directory holding the original data), otherwise on the stand-in data set,
# which is generated once into the build tree.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build -j"$(nproc)" --target velkor_show velkor-tools
root="$(pwd)"
data="${DATA_DIR:-}"
if [ -z "$data" ]; then
  data="$root/build/standin-data"
  # Made again whenever the tools were rebuilt since, so it never goes stale.
  if [ ! "$data/.complete" -nt "$root/build/velkor-tools" ]; then
    rm -rf "$data"
    "$root/build/velkor-tools" make-data "$data"
    touch "$data/.complete"
  fi
fi
exec "$root/build/velkor" --data "$data" "$@"
