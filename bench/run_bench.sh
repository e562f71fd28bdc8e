#!/usr/bin/env bash
# Times quorlix-cli on a large generated log.
#
#   bench/run_bench.sh [convert]   quorlix-cli with every option ticked, side by
#                                  side with a perl one-liner and with a plain
#                                  copy of the log (cat log > file), all three
#                                  writing into a file through the shell; the
#                                  ratios of their times and the peak memory
#                                  per log byte, against the targets. Then -o,
#                                  which syncs its output to disk, beside dd
#                                  copying and syncing the same bytes
#   bench/run_bench.sh list        quorlix-cli --list (the load alone)
#   bench/run_bench.sh scale       the conversion of the log and of a log five
#                                  times its size, and the ratio of their times
#   bench/run_bench.sh dialects    quorlix-cli -f ubb, html, markdown and page,
#                                  each into a new file: time and peak memory,
#                                  and the page's against html's (the page goes
#                                  over the lines twice, on one thread)
#   bench/run_bench.sh merge       the log and a second one of the same size
#                                  (another seed, the same span) merged, beside
#                                  one log of their joint size: time and peak
#                                  memory of each
#
# Environment: BUILD_DIR (default build), SIZE_MB (default 200), SEED,
# RUNS (default 3: each program runs so often, its fastest run counts),
# THREADS (passed to quorlix-cli --threads; default: one per processor thread).
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
if [ -n "${THREADS:-}" ]; then CLI_ARGS+=(--threads "$THREADS"); fi
PERL_SCRIPT="s/^[^]]*\]//; s/<font color=/[color=/gi; s#</font>#[/color]#gi; s#</a>##gi; s#<br>##gi; s/'#/#/g; s/'>/]/g; s/>/]/g; s/</[/g"
RUNS=${RUNS:-3}

# best_of COMMAND...: runs it RUNS times; sets BEST_SECONDS, BEST_CPU (of the
# fastest run) and PEAK_KB (the highest of all runs).
best_of() {
  local run best_kb=0
  BEST_SECONDS=
  for ((run = 0; run < RUNS; run++)); do
    rm -f "$DATA"/out-*.txt  # every run writes a new file, none replaces one
    measure "$@"
    if [ -z "$BEST_SECONDS" ] || awk -v a="$SECONDS_TAKEN" -v b="$BEST_SECONDS" 'BEGIN { exit !(a < b) }'; then
      BEST_SECONDS=$SECONDS_TAKEN
      BEST_CPU=$CPU_SECONDS
    fi
    if [ "$PEAK_KB" -gt "$best_kb" ]; then best_kb=$PEAK_KB; fi
  done
  PEAK_KB=$best_kb
}

printf 'log: %s (%d bytes, %d lines)\n' "$LOG" "$LOG_BYTES" "$(wc -l < "$LOG")"
printf 'load average: %s\n' "$(cut -d' ' -f1-3 /proc/loadavg)"
case "$MODE" in
  convert)
    # All three write the same way, through the shell into a new file.
    echo "quorlix-cli ${CLI_ARGS[*]} LOG > $DATA/out-cli.txt"
    best_of sh -c 'exec "$@" > "$0"' "$DATA/out-cli.txt" "$CLI" "${CLI_ARGS[@]}" "$LOG"
    cli_seconds=$BEST_SECONDS
    cli_cpu=$BEST_CPU
    cli_kb=$PEAK_KB
    mv "$DATA/out-cli.txt" "$DATA/dd-source.txt"  # for dd below

    echo "perl -pe \"$PERL_SCRIPT\" LOG > $DATA/out-perl.txt"
    best_of sh -c 'exec perl -pe "$1" "$2" > "$3"' sh "$PERL_SCRIPT" "$LOG" "$DATA/out-perl.txt"
    perl_seconds=$BEST_SECONDS
    perl_cpu=$BEST_CPU

    echo "cat LOG > $DATA/out-cat.txt"
    best_of sh -c 'exec cat "$1" > "$2"' sh "$LOG" "$DATA/out-cat.txt"
    cat_seconds=$BEST_SECONDS
    cat_cpu=$BEST_CPU

    # -o also waits until the output is on the disk before it replaces the
    # target; beside it, the same bytes copied and synced by dd.
    echo "quorlix-cli ${CLI_ARGS[*]} -o $DATA/out-cli-o.txt LOG"
    best_of "$CLI" "${CLI_ARGS[@]}" -o "$DATA/out-cli-o.txt" "$LOG"
    synced_seconds=$BEST_SECONDS
    synced_cpu=$BEST_CPU
    if [ "$PEAK_KB" -gt "$cli_kb" ]; then cli_kb=$PEAK_KB; fi
    echo "dd if=$DATA/dd-source.txt of=$DATA/out-dd.txt bs=1M conv=fdatasync"
    best_of dd if="$DATA/dd-source.txt" of="$DATA/out-dd.txt" bs=1M conv=fdatasync status=none
    dd_seconds=$BEST_SECONDS

    awk -v c="$cli_seconds" -v cc="$cli_cpu" -v p="$perl_seconds" -v pc="$perl_cpu" \
        -v k="$cat_seconds" -v kc="$cat_cpu" -v kb="$cli_kb" -v bytes="$LOG_BYTES" \
        -v o="$synced_seconds" -v oc="$synced_cpu" -v d="$dd_seconds" \
        -v runs="$RUNS" 'BEGIN {
      printf "fastest of %d runs each:\n", runs
      printf "quorlix-cli:    %.2f s wall, %.2f s CPU, peak RSS %.1f MB\n", c, cc, kb / 1024
      printf "perl:           %.2f s wall, %.2f s CPU\n", p, pc
      printf "cat:            %.2f s wall, %.2f s CPU\n", k, kc
      printf "quorlix-cli -o: %.2f s wall, %.2f s CPU (output synced to disk)\n", o, oc
      printf "dd fdatasync:   %.2f s wall (the same output copied and synced)\n", d
      printf "perl / quorlix-cli:     %5.1f wall (target >= 10)\n", p / c
      printf "quorlix-cli / cat:      %5.1f wall (target <= 4)\n", c / k
      printf "peak memory / log size: %5.2f (target <= 1.5)\n", kb * 1024 / bytes
    }'
    rm -f "$DATA"/out-*.txt "$DATA/dd-source.txt"
    ;;
  list)
    echo "quorlix-cli --config $CONFIG --list LOG > /dev/null"
    measure sh -c 'exec "$1" --config "$2" --list "$3" > /dev/null' sh "$CLI" "$CONFIG" "$LOG"
    awk -v c="$SECONDS_TAKEN" -v cc="$CPU_SECONDS" -v kb="$PEAK_KB" -v bytes="$LOG_BYTES" 'BEGIN {
      printf "quorlix-cli --list: %.2f s wall, %.2f s CPU, peak RSS %.1f MB (%.2f x log size)\n",
             c, cc, kb / 1024, kb * 1024 / bytes
    }'
    ;;
  scale)
    # The same conversion of the log and of one five times its size, each
    # written through the shell into a new file.
    BIG_LOG=$DATA/log-$((SIZE_MB * 5))mb-${SEED}.log
    if [ ! -f "$BIG_LOG" ]; then
      echo "Generating $BIG_LOG ..."
      "$GENERATOR" $((SIZE_MB * 5)) "$BIG_LOG.part" "$SEED"
      mv "$BIG_LOG.part" "$BIG_LOG"
    fi
    cat "$BIG_LOG" > /dev/null
    echo "quorlix-cli ${CLI_ARGS[*]} LOG > $DATA/out-cli.txt, for both logs"
    best_of sh -c 'exec "$@" > "$0"' "$DATA/out-cli.txt" "$CLI" "${CLI_ARGS[@]}" "$LOG"
    small_seconds=$BEST_SECONDS small_cpu=$BEST_CPU small_kb=$PEAK_KB
    best_of sh -c 'exec "$@" > "$0"' "$DATA/out-cli.txt" "$CLI" "${CLI_ARGS[@]}" "$BIG_LOG"
    awk -v s="$small_seconds" -v sc="$small_cpu" -v skb="$small_kb" -v b="$BEST_SECONDS" \
        -v bc="$BEST_CPU" -v bkb="$PEAK_KB" -v sbytes="$LOG_BYTES" \
        -v bbytes="$(stat -c %s "$BIG_LOG")" -v runs="$RUNS" 'BEGIN {
      printf "fastest of %d runs each:\n", runs
      printf "%6.0f MB: %.2f s wall, %.2f s CPU, peak memory %.2f x the log\n", sbytes / 1048576, s, sc, skb * 1024 / sbytes
      printf "%6.0f MB: %.2f s wall, %.2f s CPU, peak memory %.2f x the log\n", bbytes / 1048576, b, bc, bkb * 1024 / bbytes
      printf "five times the log: %.2f x the wall time (target <= 5.5), %.2f x the CPU time\n", b / s, bc / sc
    }'
    rm -f "$DATA"/out-*.txt
    ;;
  merge)
    # Two chat windows' logs of SIZE_MB each, merged, beside one log of
    # twice that size; both converted with every option into a new file.
    ensure_generated() {  # ensure_generated SIZE SEED: sets GENERATED
      GENERATED=$DATA/log-${1}mb-${2}.log
      if [ ! -f "$GENERATED" ]; then
        echo "Generating $GENERATED ..."
        "$GENERATOR" "$1" "$GENERATED.part" "$2"
        mv "$GENERATED.part" "$GENERATED"
      fi
    }
    ensure_generated "$SIZE_MB" $((SEED + 1))
    SECOND_LOG=$GENERATED
    ensure_generated $((SIZE_MB * 2)) "$SEED"
    BIG_LOG=$GENERATED
    cat "$SECOND_LOG" "$BIG_LOG" > /dev/null
    echo "quorlix-cli ${CLI_ARGS[*]} LOG SECOND_LOG > $DATA/out-cli.txt"
    best_of sh -c 'exec "$@" > "$0"' "$DATA/out-cli.txt" "$CLI" "${CLI_ARGS[@]}" "$LOG" "$SECOND_LOG"
    merged_seconds=$BEST_SECONDS merged_cpu=$BEST_CPU merged_kb=$PEAK_KB
    echo "quorlix-cli ${CLI_ARGS[*]} BIG_LOG > $DATA/out-cli.txt"
    best_of sh -c 'exec "$@" > "$0"' "$DATA/out-cli.txt" "$CLI" "${CLI_ARGS[@]}" "$BIG_LOG"
    awk -v m="$merged_seconds" -v mc="$merged_cpu" -v mkb="$merged_kb" -v b="$BEST_SECONDS" \
        -v bc="$BEST_CPU" -v bkb="$PEAK_KB" -v mbytes="$((LOG_BYTES + $(stat -c %s "$SECOND_LOG")))" \
        -v bbytes="$(stat -c %s "$BIG_LOG")" -v runs="$RUNS" 'BEGIN {
      printf "fastest of %d runs each:\n", runs
      printf "two logs merged (%4.0f MB): %.2f s wall, %.2f s CPU, peak RSS %.1f MB (%.2f x the logs)\n", mbytes / 1048576, m, mc, mkb / 1024, mkb * 1024 / mbytes
      printf "one log         (%4.0f MB): %.2f s wall, %.2f s CPU, peak RSS %.1f MB (%.2f x the log)\n", bbytes / 1048576, b, bc, bkb / 1024, bkb * 1024 / bbytes
      printf "merged / one: %.2f x the wall time, %.2f x the CPU time\n", m / b, mc / bc
    }'
    rm -f "$DATA"/out-*.txt
    ;;
  dialects)
    for dialect in ubb html markdown page; do
      echo "quorlix-cli --config $CONFIG -f $dialect --channel-name --channel-colors --mark-links LOG > $DATA/out-$dialect.txt"
      best_of sh -c 'exec "$@" > "$0"' "$DATA/out-$dialect.txt" "$CLI" --config "$CONFIG" \
        -f "$dialect" --channel-name --channel-colors --mark-links "$LOG"
      awk -v d="$dialect" -v c="$BEST_SECONDS" -v cc="$BEST_CPU" -v kb="$PEAK_KB" \
          -v out="$(stat -c %s "$DATA/out-$dialect.txt")" 'BEGIN {
        printf "%-8s %6.2f s wall, %6.2f s CPU, peak RSS %7.1f MB, output %6.0f MB\n", d, c, cc, kb / 1024, out / 1048576
      }'
      eval "${dialect}_seconds=$BEST_SECONDS ${dialect}_kb=$PEAK_KB"
      rm -f "$DATA/out-$dialect.txt"
    done
    awk -v p="$page_seconds" -v h="$html_seconds" -v pk="$page_kb" -v hk="$html_kb" 'BEGIN {
      printf "page / html: %.2f x the wall time, %.2f x the peak memory\n", p / h, pk / hk
    }'
    ;;
  *)
    echo "usage: $0 [convert|list|scale|dialects]" >&2
    exit 2
    ;;
esac
