#!/bin/bash
# Kills quorlix-cli at random moments while it writes -o: KILLS SIGKILLs,
# then SIGNALS each of SIGINT, SIGTERM and SIGHUP. After every kill the
# target must hold exactly the old or the new output; after the catchable
# signals no temporary file may be left (after SIGKILL the next write
# removes it). Run from the project's top folder after a build:
#
#   tools/harness/kill_output.sh [KILLS [SIGNALS]]
#
# Environment: BUILD_DIR (default build), SIZE_MB (log size, default 2).
set -u
KILLS=${1:-1000}
SIGNALS=${2:-100}
BUILD_DIR=${BUILD_DIR:-build}
CLI=$BUILD_DIR/bin/quorlix-cli
WORK=$(mktemp -d)
trap 'rm -rf "$WORK"' EXIT

"$BUILD_DIR/bin/generate_log" "${SIZE_MB:-2}" "$WORK/in.log" || exit 1
: > "$WORK/empty.cfg"
printf 'old\r\n' > "$WORK/old.txt"
"$CLI" --config "$WORK/empty.cfg" "$WORK/in.log" > "$WORK/new.txt" || exit 1

start=$(date +%s%N)
for _ in 1 2 3 4 5; do
  "$CLI" --config "$WORK/empty.cfg" -o "$WORK/out.txt" "$WORK/in.log" || exit 1
done
one_us=$(( ($(date +%s%N) - start) / 5000 ))
echo "one run takes about $one_us us"

temp_files() { find "$WORK" -maxdepth 1 -name '.out.txt.quorlix-tmp-*' | wc -l; }

# kill_rounds SIGNAL ROUNDS: prints "whole left_temp rounds".
kill_rounds() {
  local signal=$1 rounds=$2 whole=0 left=0 i delay pid
  for ((i = 0; i < rounds; ++i)); do
    cp "$WORK/old.txt" "$WORK/out.txt"
    delay=$(( (RANDOM * 32768 + RANDOM) % (one_us * 3 / 2 + 1) ))
    "$CLI" --config "$WORK/empty.cfg" -o "$WORK/out.txt" "$WORK/in.log" &
    pid=$!
    sleep "$(printf '%d.%06d' $((delay / 1000000)) $((delay % 1000000)))"
    kill -s "$signal" "$pid" 2>/dev/null
    wait "$pid" 2>/dev/null
    if cmp -s "$WORK/out.txt" "$WORK/old.txt" || cmp -s "$WORK/out.txt" "$WORK/new.txt"; then
      whole=$((whole + 1))
    fi
    if [ "$(temp_files)" -gt 0 ]; then
      left=$((left + 1))
      rm -f "$WORK"/.out.txt.quorlix-tmp-*
    fi
  done
  echo "$whole $left $rounds"
}

status=0
read -r whole left rounds < <(kill_rounds KILL "$KILLS")
echo "SIGKILL: target old or new after $whole of $rounds kills ($left kills fell inside the write and left a temporary file)"
[ "$whole" -eq "$rounds" ] || status=1
for signal in INT TERM HUP; do
  read -r whole left rounds < <(kill_rounds "$signal" "$SIGNALS")
  echo "SIG$signal: target old or new after $whole of $rounds; temporary file left after $left"
  [ "$whole" -eq "$rounds" ] && [ "$left" -eq 0 ] || status=1
done
exit $status
