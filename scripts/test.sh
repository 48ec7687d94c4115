#!/usr/bin/env bash
# Installs what is needed, builds everything and runs every test; then builds
# build-asan with AddressSanitizer and UBSan and runs there the tests that play
# the show. Prints how long each part took. VELKOR_SANITIZER_JOB=0 skips build-asan;
# VELKOR_WINDOWS_JOB=0 the Windows build and its tests under Wine.
set -euo pipefail
cd "$(dirname "$0")/.."
jobs="$(nproc)"
source scripts/parts.sh
trap 'report_parts test.sh' EXIT

part install bash scripts/install-deps.sh
part build bash -c "cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVELKOR_WARNINGS_AS_ERRORS=ON &&
                    cmake --build build -j$jobs"
# The Windows build and its packages, for the tests that run them under Wine.
# VELKOR_WINDOWS_JOB=0 leaves them out (the tests are then skipped).
if [ "${VELKOR_WINDOWS_JOB:-1}" != 0 ]; then
  part "windows build" bash scripts/windows-build.sh
  part "windows package" bash scripts/windows-package.sh
  export VELKOR_REQUIRE_WINDOWS=1
fi
# No display on CI machines: GL tests use Mesa's software renderer offscreen.
part tests bash -c "cd build && ctest --output-on-failure -j$jobs -LE web"

[ "${VELKOR_SANITIZER_JOB:-1}" = 0 ] && exit 0
# Leaks are looked for where Mesa is not loaded: it unloads its driver before
# the check, and what it keeps then cannot be told from our own allocations.
export ASAN_OPTIONS=detect_leaks=0 UBSAN_OPTIONS=print_stacktrace=1
part "asan build" bash -c "cmake -S . -B build-asan -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVELKOR_WARNINGS_AS_ERRORS=ON \
                             -DVELKOR_SANITIZE=ON -DVELKOR_FUZZ_TARGETS=OFF && cmake --build build-asan -j$jobs"
# Under the sanitizers, damaged data is played cut short and overwritten: a
# missing file leaves the scenes in the state a refused one does.
part "asan tests" bash -c "cd build-asan &&
  ASAN_OPTIONS=detect_leaks=1 ctest --output-on-failure -j$jobs -L unit &&
  ctest --output-on-failure -j$jobs -L gl -LE unit &&
  ctest --output-on-failure -j$jobs -R '^WholeShowTest\.|^DamagedMusicTest\.|^Kinds/DamagedDataTest\..*/(Truncated|Overwritten)'"
