#!/usr/bin/env bash
# Builds build-tsan with ThreadSanitizer (-DVELKOR_SANITIZE=thread) and runs
# there the tests that exercise the preparation worker: the setups taking
# prepared files, discards while it works and files changed under it, the
# scene frames (every setup starts a preparation), and the whole show
# rendered with and without it. Any report ends the test that made it.
# usage: scripts/tsan.sh [extra ctest arguments]
set -euo pipefail
cd "$(dirname "$0")/.."
jobs="${VELKOR_JOBS:-$(nproc)}"
cmake -S . -B build-tsan -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVELKOR_WARNINGS_AS_ERRORS=ON \
  -DVELKOR_SANITIZE=thread -DVELKOR_FUZZ_TARGETS=OFF
cmake --build build-tsan -j"$jobs" --target test_prepare test_mipmap test_scene_frames test_prepared_uploads \
  gl_call_log velkor-tools velkor_show
export TSAN_OPTIONS="halt_on_error=1 abort_on_error=1 second_deadlock_stack=1 suppressions=$PWD/tests/tsan/suppressions.txt ${TSAN_OPTIONS:-}"
# Kernels with many random bits of mmap placement give TSan mappings it cannot
# shadow; setarch -R turns the randomisation off for the test processes.
run=()
if setarch "$(uname -m)" -R true 2>/dev/null; then run=(setarch "$(uname -m)" -R); fi
cd build-tsan
"${run[@]}" ctest --output-on-failure -j"$jobs" -R '^(PrepareTest|MipmapChainTest|SceneFrames|PreparedUploadsTest)\.' "$@"
