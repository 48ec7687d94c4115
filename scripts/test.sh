#!/usr/bin/env bash
# Installs what is needed, builds everything and runs every test.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVELKOR_WARNINGS_AS_ERRORS=ON
cmake --build build -j"$(nproc)"
# No display on CI machines: GL tests use Mesa's software renderer offscreen.
cd build && ctest --output-on-failure -j"$(nproc)"
