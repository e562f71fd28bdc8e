#!/usr/bin/env bash
# Builds the libFuzzer targets of fuzz/ (clang, ASan + UBSan, warnings as
# errors) and runs each for a bounded time. The seed corpus of
# fuzz/corpus/<target> is only read: what a run finds grows in a scratch
# copy, so the repository stays small.
#
#   tools/fuzz.sh [SECONDS] [TARGET...]   each target SECONDS long (default
#                                         60); all targets when none named
#   tools/fuzz.sh build                   build only
#
# Environment: QUORLIX_FUZZ_BUILD_DIR (default build-fuzz), QUORLIX_FUZZ_WORK
# (scratch corpora and crash inputs; default <build dir>/fuzz-work).
# Exits non-zero when a target crashes or fails a check; the input that
# did it is kept in the scratch directory and printed as base64.
set -euo pipefail
cd "$(dirname "$0")/.."

BUILD_DIR=${QUORLIX_FUZZ_BUILD_DIR:-build-fuzz}
WORK=${QUORLIX_FUZZ_WORK:-$BUILD_DIR/fuzz-work}
ALL_TARGETS=(log_line formatter load_convert config_file colors ubb_preview archive_record)

build() {
  if [ ! -f "$BUILD_DIR/CMakeCache.txt" ]; then
    cmake -S . -B "$BUILD_DIR" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
      -DCMAKE_C_COMPILER=clang-14 -DCMAKE_CXX_COMPILER=clang++-14 \
      -DQUORLIX_FUZZ=ON -DQUORLIX_SANITIZE=ON -DQUORLIX_WERROR=ON \
      -DQUORLIX_BUILD_GUI=OFF -DQUORLIX_BUILD_TESTS=OFF -DQUORLIX_BUILD_BENCH=OFF
  fi
  cmake --build "$BUILD_DIR" --target fuzz_all -j"$(nproc)"
}

# run TARGET SECONDS: one bounded run; prints executions and the outcome.
run() {
  local target=$1 seconds=$2
  local corpus="$WORK/corpus/$target" log="$WORK/$target.log"
  mkdir -p "$corpus" "$WORK/crashes"
  local status=0
  ASAN_OPTIONS=detect_leaks=1:allocator_may_return_null=1 \
  UBSAN_OPTIONS=print_stacktrace=1 \
    "$BUILD_DIR/fuzz/fuzz_$target" -max_total_time="$seconds" -timeout=10 \
      -rss_limit_mb=2048 -max_len=4096 -print_final_stats=1 \
      -dict=fuzz/quorlix.dict -artifact_prefix="$WORK/crashes/$target-" \
      "$corpus" "fuzz/corpus/$target" >"$log" 2>&1 || status=$?
  local runs
  runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -1)
  if [ "$status" -eq 0 ]; then
    printf 'fuzz %-13s %10s executions in %ss: clean\n' "$target" "${runs:-?}" "$seconds"
  else
    printf 'fuzz %-13s FAILED (exit %s) after %s executions\n' "$target" "$status" "${runs:-?}"
    grep -a -E 'check failed|runtime error|ERROR:|SUMMARY|Base64:|Test unit written' "$log" | head -20
  fi
  return "$status"
}

if [ "${1:-}" = build ]; then
  build
  exit 0
fi
seconds=${1:-60}
shift || true
targets=("$@")
[ "${#targets[@]}" -gt 0 ] || targets=("${ALL_TARGETS[@]}")

build
# Scratch files of the targets (config.cfg rewrites), in memory when there
# is room, removed at the end whatever happens.
scratch=$(mktemp -d -p /dev/shm quorlix-fuzz.XXXXXX 2>/dev/null || mktemp -d)
trap 'rm -rf "$scratch"' EXIT
export TMPDIR=$scratch
failed=0
for target in "${targets[@]}"; do
  run "$target" "$seconds" || failed=1
done
exit "$failed"
