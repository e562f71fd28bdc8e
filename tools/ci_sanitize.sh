#!/usr/bin/env bash
# The sanitizer build: every test, the window tests included, built with
# AddressSanitizer, UndefinedBehaviorSanitizer and LeakSanitizer, in its
# own build directory. Any report fails, also one from a program that a
# test starts (quorlix-cli), whose exit status the test might take for an
# expected failure: the sanitizers also write their reports to files here,
# and any such file fails the run. Warnings are errors in this build. Run tools/quorlix.sh first (packages).
#
#   tools/ci_sanitize.sh      (QUORLIX_ASAN_BUILD_DIR, default build-asan)
set -euo pipefail
cd "$(dirname "$0")/.."

BUILD_DIR=${QUORLIX_ASAN_BUILD_DIR:-build-asan}
if [ ! -f "$BUILD_DIR/CMakeCache.txt" ]; then
  cmake -S . -B "$BUILD_DIR" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DQUORLIX_SANITIZE=ON -DQUORLIX_BUILD_BENCH=OFF -DQUORLIX_WERROR=ON
fi
cmake --build "$BUILD_DIR" -j"$(nproc)"

reports="$PWD/$BUILD_DIR/sanitizer-reports"
rm -rf "$reports"
mkdir -p "$reports"
export QT_QPA_PLATFORM=offscreen
export ASAN_OPTIONS="detect_leaks=1:check_initialization_order=1:strict_init_order=1:log_path=$reports/asan"
export UBSAN_OPTIONS="print_stacktrace=1:log_path=$reports/ubsan"

status=0
ctest --test-dir "$BUILD_DIR" --output-on-failure -j"$(nproc)" || status=$?
for report in "$reports"/*; do
  [ -e "$report" ] || continue
  echo "==== sanitizer report $(basename "$report")"
  cat "$report"
  status=1
done
if [ "$status" -ne 0 ]; then
  echo "sanitizer build: FAILED" >&2
fi
exit "$status"
