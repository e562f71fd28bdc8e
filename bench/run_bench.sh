#!/usr/bin/env bash
# Times quorlix-cli on a large generated log.
#
#   bench/run_bench.sh [convert]   quorlix-cli with every option ticked, side by
#                                  side with a perl one-liner; the ratio of their
#                                  times and the peak memory per log byte
#   bench/run_bench.sh list        quorlix-cli --list (the load alone)
#
# Environment: BUILD_DIR (default build), SIZE_MB (default 200), SEED.
# The log is generated once and kept in $BUILD_DIR/bench-data.
set -euo pipefail

cd "$(dirname "$0")/.."
MODE=${1:-convert}
source bench/common.sh
require_tools "$CLI"
ensure_log

# Settings that make every option do its work: colours for the busy
# channels and a full time pattern.
CONFIG=$DATA/bench.cfg
cat > "$CONFIG" <<'CFG'
[config]
time_config=D.M.Y h:m:s
[colordef]
OOC=00ff00
Clan=ff8000
Org=8080ff
Trade=ffff00
CFG

# The page cache holds the log for every run alike.
cat "$LOG" > /dev/null

CLI_ARGS=(--config "$CONFIG" -f ubb --channel-name --channel-colors --time --mark-links --strip-tags)
PERL_SCRIPT="s/^[^]]*\]//; s/<font color=/[color=/gi; s#</font>#[/color]#gi; s#</a>##gi; s#<br>##gi; s/'#/#/g; s/'>/]/g; s/>/]/g; s/</[/g"

printf 'log: %s (%d bytes, %d lines)\n' "$LOG" "$LOG_BYTES" "$(wc -l < "$LOG")"
case "$MODE" in
  convert)
    echo "quorlix-cli ${CLI_ARGS[*]} -o $DATA/out-cli.txt LOG"
    measure "$CLI" "${CLI_ARGS[@]}" -o "$DATA/out-cli.txt" "$LOG"
    cli_seconds=$SECONDS_TAKEN
    cli_cpu=$CPU_SECONDS
    cli_kb=$PEAK_KB

    echo "perl -pe \"$PERL_SCRIPT\" LOG > $DATA/out-perl.txt"
    measure sh -c 'exec perl -pe "$1" "$2" > "$3"' sh "$PERL_SCRIPT" "$LOG" "$DATA/out-perl.txt"
    perl_seconds=$SECONDS_TAKEN
    perl_cpu=$CPU_SECONDS

    awk -v c="$cli_seconds" -v cc="$cli_cpu" -v p="$perl_seconds" -v pc="$perl_cpu" \
        -v kb="$cli_kb" -v bytes="$LOG_BYTES" 'BEGIN {
      printf "quorlix-cli: %.2f s wall, %.2f s CPU, peak RSS %.1f MB\n", c, cc, kb / 1024
      printf "perl:        %.2f s wall, %.2f s CPU\n", p, pc
      printf "ratio perl / quorlix-cli: %.1f wall, %.1f CPU (target >= 10)\n", p / c, pc / cc
      printf "peak memory / log size:   %.2f (target <= 2.5)\n", kb * 1024 / bytes
    }'
    rm -f "$DATA/out-cli.txt" "$DATA/out-perl.txt"
    ;;
  list)
    echo "quorlix-cli --config $CONFIG --list LOG > /dev/null"
    measure sh -c 'exec "$1" --config "$2" --list "$3" > /dev/null' sh "$CLI" "$CONFIG" "$LOG"
    awk -v c="$SECONDS_TAKEN" -v cc="$CPU_SECONDS" -v kb="$PEAK_KB" -v bytes="$LOG_BYTES" 'BEGIN {
      printf "quorlix-cli --list: %.2f s wall, %.2f s CPU, peak RSS %.1f MB (%.2f x log size)\n",
             c, cc, kb / 1024, kb * 1024 / bytes
    }'
    ;;
  *)
    echo "usage: $0 [convert|list]" >&2
    exit 2
    ;;
esac
