#!/usr/bin/env bash
# The window's load of a large log beside quorlix-cli --list on the same
# file: time until the Input page is shown (target: at most 2 x the CLI)
# and peak memory (target: at most 3 x the log's size).
#
#   bench/gui_load_bench.sh
#
# Environment: BUILD_DIR (default build), SIZE_MB (default 200), SEED.
# Shares the generated log with bench/run_bench.sh. Runs under Xvfb.
set -euo pipefail

cd "$(dirname "$0")/.."
source bench/common.sh
GUI=$BUILD_DIR/bin/gui_load_bench
require_tools "$CLI" "$GUI"
ensure_log
CONFIG=$DATA/gui-bench.cfg
printf '[config]\ntimedisplay_depth=Day\n' > "$CONFIG"
CACHE=$(mktemp -d)
trap 'rm -rf "$CACHE"' EXIT

cat "$LOG" > /dev/null  # the page cache holds the log for both alike
printf 'log: %s (%d bytes)\n' "$LOG" "$LOG_BYTES"

measure sh -c 'exec "$1" --config "$2" --list "$3" > /dev/null' sh "$CLI" "$CONFIG" "$LOG"
cli_wall=$SECONDS_TAKEN
cli_kb=$PEAK_KB

GUI_OUT=$DATA/gui-load.txt
measure xvfb-run -a env XDG_CACHE_HOME="$CACHE" "$GUI" "$LOG" "$CONFIG" > "$GUI_OUT"
gui_kb=$PEAK_KB
gui_load=$(awk '/load until Input shown/ { print $5 }' "$GUI_OUT")
cat "$GUI_OUT"

awk -v c="$cli_wall" -v ckb="$cli_kb" -v g="$gui_load" -v gkb="$gui_kb" -v bytes="$LOG_BYTES" 'BEGIN {
  printf "quorlix-cli --list:          %.2f s wall (whole process), peak RSS %.1f MB\n", c, ckb / 1024
  printf "window load until Input:     %.2f s, peak RSS %.1f MB\n", g, gkb / 1024
  printf "ratio window / cli:          %.2f (target <= 2)\n", g / c
  printf "window peak memory / log:    %.2f (target <= 3)\n", gkb * 1024 / bytes
}'
