#!/usr/bin/env bash
# A test that hangs fails on its own timeout, named, well before CTest's
# default: a scratch project adds one test that sleeps for ten minutes, with
# the timeouts every test of ours gets for its label (unit), and runs it.
# usage: tests/timeouts/test_hang.sh SOURCE_DIR
set -uo pipefail
source_dir="$1"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
cat >"$work/CMakeLists.txt" <<CMAKE
cmake_minimum_required(VERSION 3.19)
project(hang NONE)
include("$source_dir/tests/timeouts.cmake")
enable_testing()
add_test(NAME hangs_for_ten_minutes COMMAND sleep 600)
set_tests_properties(hangs_for_ten_minutes PROPERTIES LABELS unit)
cmake_language(DEFER CALL velkor_apply_timeouts)
CMAKE
cmake -S "$work" -B "$work/build" >/dev/null || { echo "FAIL: the scratch project did not configure"; exit 1; }
limit="$(sed -n 's/^set(VELKOR_TIMEOUT_unit \([0-9]*\)).*/\1/p' "$source_dir/tests/timeouts.cmake")"
start=$SECONDS
output="$(cd "$work/build" && ctest 2>&1)"
status=$? elapsed=$((SECONDS - start))
echo "$output"
failures=0
[ "$status" -ne 0 ] || { echo "FAIL: ctest passed a test that hangs"; failures=1; }
grep -q "hangs_for_ten_minutes .*Timeout" <<<"$output" || { echo "FAIL: no timeout reported for the test"; failures=1; }
if [ -z "$limit" ] || [ "$elapsed" -gt $((limit + 5)) ]; then
  echo "FAIL: took ${elapsed} s against a stated limit of ${limit:-?} s"
  failures=1
fi
echo "the hanging test failed after ${elapsed} s on its ${limit} s timeout"
exit "$failures"
