#!/bin/bash
# Kills quorlix-cli at random moments while it writes --post-limit -o parts
# into a folder that holds an older, longer set of parts (written by an
# earlier run, so that its record lets the new set remove the old parts):
# KILLS SIGKILLs, then SIGNALS each of SIGINT, SIGTERM and SIGHUP. After
# every kill the folder must hold exactly the old set or the new one, each
# part whole and no part of the other set beside them; a SIGKILL inside the
# renames may leave a mixed set only until the next run to that name starts
# (that run finishes the switch, here one whose log is missing, so that it
# writes nothing itself); after the catchable signals no private folder of
# the run may be left. tests/cli/part_sink_test.cc kills at each step of
# the switch in turn, through the system call table. Run from the project's top folder after a build:
#
#   tools/harness/kill_parts.sh [KILLS [SIGNALS]]
#
# Environment: BUILD_DIR (default build), SIZE_MB (log size, default 2),
# LIMIT (--post-limit, default 100000).
set -u
KILLS=${1:-1000}
SIGNALS=${2:-100}
BUILD_DIR=${BUILD_DIR:-build}
LIMIT=${LIMIT:-100000}
CLI=$BUILD_DIR/bin/quorlix-cli
WORK=$(mktemp -d)
trap 'rm -rf "$WORK"' EXIT

"$BUILD_DIR/bin/generate_log" "${SIZE_MB:-2}" "$WORK/in.log" || exit 1
: > "$WORK/empty.cfg"
mkdir "$WORK/new" "$WORK/old" "$WORK/out"
"$CLI" --config "$WORK/empty.cfg" --post-limit "$LIMIT" -o "$WORK/new/out.txt" "$WORK/in.log" ||
  exit 1
# The old set: an earlier run's, cut finer.
write_old_set() {
  "$CLI" --config "$WORK/empty.cfg" --post-limit $((LIMIT / 2)) -o "$1/out.txt" "$WORK/in.log" ||
    exit 1
}
write_old_set "$WORK/old"
echo "new set: $(ls "$WORK/new" | wc -l) parts; old set: $(ls "$WORK/old" | wc -l) parts"

start=$(date +%s%N)
for _ in 1 2 3 4 5; do
  "$CLI" --config "$WORK/empty.cfg" --post-limit "$LIMIT" -o "$WORK/out/out.txt" "$WORK/in.log" ||
    exit 1
done
one_us=$(( ($(date +%s%N) - start) / 5000 ))
echo "one run takes about $one_us us"

# is_set DIR: the parts in $WORK/out are exactly those in DIR.
is_set() {
  [ "$(ls "$WORK/out")" = "$(ls "$1")" ] || return 1
  local f
  for f in "$1"/*; do cmp -s "$f" "$WORK/out/${f##*/}" || return 1; done
}
# The run's private folder and temporary files; the parts' record stays.
left_folders() {
  find "$WORK/out" -maxdepth 1 -name '.out.txt.quorlix-*' ! -name '.out.txt.quorlix-parts' | wc -l
}

# kill_rounds SIGNAL ROUNDS: prints "whole left_folder rounds mixed".
# A set of files cannot switch in one step: a SIGKILL inside the renames
# (under a millisecond) leaves a mixed set. Such a round counts as mixed
# when the next run to the name puts a whole set back, else as broken.
kill_rounds() {
  local signal=$1 rounds=$2 whole=0 left=0 mixed=0 i delay pid
  for ((i = 0; i < rounds; ++i)); do
    rm -rf "$WORK"/out/out-*.txt "$WORK"/out/.out.txt.quorlix-*
    write_old_set "$WORK/out"
    delay=$(( (RANDOM * 32768 + RANDOM) % (one_us * 3 / 2 + 1) ))
    "$CLI" --config "$WORK/empty.cfg" --post-limit "$LIMIT" -o "$WORK/out/out.txt" "$WORK/in.log" \
      2>/dev/null &
    pid=$!
    sleep "$(printf '%d.%06d' $((delay / 1000000)) $((delay % 1000000)))"
    kill -s "$signal" "$pid" 2>/dev/null
    wait "$pid" 2>/dev/null
    if is_set "$WORK/old" || is_set "$WORK/new"; then
      whole=$((whole + 1))
    elif [ "$signal" = KILL ]; then
      "$CLI" --config "$WORK/empty.cfg" --post-limit "$LIMIT" -o "$WORK/out/out.txt" \
        "$WORK/missing.log" 2>/dev/null
      if is_set "$WORK/old" || is_set "$WORK/new"; then mixed=$((mixed + 1)); fi
    fi
    if [ "$(left_folders)" -gt 0 ]; then
      left=$((left + 1))
      [ "$signal" = KILL ] || rm -rf "$WORK"/out/.out.txt.quorlix-*
    fi
  done
  echo "$whole $left $rounds $mixed"
}

status=0
read -r whole left rounds mixed < <(kill_rounds KILL "$KILLS")
echo "SIGKILL: old or new set after $whole of $rounds kills ($left kills left the private folder; $mixed inside the renames left a mixed set that the next run finished)"
[ $((whole + mixed)) -eq "$rounds" ] || status=1
# What SIGKILLs left, the next run removes.
"$CLI" --config "$WORK/empty.cfg" --post-limit "$LIMIT" -o "$WORK/out/out.txt" "$WORK/in.log" \
  2>/dev/null || status=1
if [ "$(left_folders)" -gt 0 ] || ! is_set "$WORK/new"; then
  echo "SIGKILL: the next run left a folder or a wrong set"
  status=1
fi
for signal in INT TERM HUP; do
  read -r whole left rounds _ < <(kill_rounds "$signal" "$SIGNALS")
  echo "SIG$signal: old or new set after $whole of $rounds; private folder left after $left"
  [ "$whole" -eq "$rounds" ] && [ "$left" -eq 0 ] || status=1
done
exit $status
