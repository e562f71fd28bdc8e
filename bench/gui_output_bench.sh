#!/usr/bin/env bash
# The window's Output page on a large log beside quorlix-cli converting the
# same log with every option off, timed in the same run:
#   - Convert, key press until idle: at most 1.5 x the whole CLI run;
#   - peak memory over load, convert and save: at most 2 x the log's size;
#   - Save, and Ctrl+A Ctrl+C: each at most about 2 x the CLI run;
#   - jumping, scrolling and typing: under 0.1 s;
#   - the saved file equals the CLI's output, also after edits undone.
#
#   bench/gui_output_bench.sh
#
# Environment: BUILD_DIR (default build), SIZE_MB (default 200), SEED,
# RUNS (CLI runs, the fastest counts; default 3). Runs under Xvfb.
set -euo pipefail

cd "$(dirname "$0")/.."
source bench/common.sh
GUI=$BUILD_DIR/bin/gui_output_bench
require_tools "$CLI" "$GUI"
ensure_log
CONFIG=$DATA/gui-bench.cfg
printf '[config]\ntimedisplay_depth=Day\n' > "$CONFIG"
WORK=$(mktemp -d)
trap 'rm -rf "$WORK"' EXIT

cat "$LOG" > /dev/null  # the page cache holds the log for both alike
printf 'log: %s (%d bytes)\n' "$LOG" "$LOG_BYTES"

cli_best=
cli_cpu=
for _ in $(seq "${RUNS:-3}"); do
  measure "$CLI" --config "$CONFIG" -o "$WORK/cli.txt" "$LOG"
  printf 'quorlix-cli run: %.2f s wall (cpu %.2f s), peak RSS %.1f MB\n' \
    "$SECONDS_TAKEN" "$CPU_SECONDS" "$(echo "$PEAK_KB / 1024" | bc -l)"
  if [ -z "$cli_best" ] || awk -v a="$SECONDS_TAKEN" -v b="$cli_best" 'BEGIN { exit !(a < b) }'; then
    cli_best=$SECONDS_TAKEN
    cli_cpu=$CPU_SECONDS
  fi
done

GUI_OUT=$WORK/gui.txt
xvfb-run -a env XDG_CACHE_HOME="$WORK/cache" "$GUI" "$LOG" "$CONFIG" "$WORK/saved.txt" "$WORK/undone.txt" \
  | tee "$GUI_OUT"

for saved in saved undone; do
  if cmp -s "$WORK/cli.txt" "$WORK/$saved.txt"; then
    echo "$saved.txt equals quorlix-cli's output"
  else
    echo "$saved.txt DIFFERS from quorlix-cli's output"
  fi
done

awk -v c="$cli_best" -v cc="$cli_cpu" -v bytes="$LOG_BYTES" '
  /^convert \(key press/ { convert = $(NF - 4); convert_cpu = $(NF - 1) }
  /^save  / { save = $(NF - 4); save_cpu = $(NF - 1) }
  /^Ctrl\+A then Ctrl\+C/ { copy = $(NF - 4); copy_cpu = $(NF - 1) }
  /^peak memory over load/ { peak = $(NF - 1) }
  END {
    printf "fastest quorlix-cli run:        %.2f s (cpu %.2f s)\n", c, cc
    printf "convert / cli:                  %.2f, cpu %.2f (target <= 1.5)\n", convert / c, convert_cpu / cc
    printf "save / cli:                     %.2f, cpu %.2f (target <= about 2)\n", save / c, save_cpu / cc
    printf "Ctrl+A Ctrl+C / cli:            %.2f, cpu %.2f (target <= about 2)\n", copy / c, copy_cpu / cc
    printf "peak memory / log:              %.2f (target <= 2)\n", peak * 1024 * 1024 / bytes
  }' "$GUI_OUT"
