# Shared by the benchmark scripts: where the programs and the generated log
# live, the log itself (generated once), and timing under /usr/bin/time.
# Source it from the project's top folder.
#
# Environment: BUILD_DIR (default build), SIZE_MB (default 200), SEED.

BUILD_DIR=${BUILD_DIR:-build}
SIZE_MB=${SIZE_MB:-200}
SEED=${SEED:-20050102}

CLI=$BUILD_DIR/bin/quorlix-cli
GENERATOR=$BUILD_DIR/bin/generate_log
DATA=$BUILD_DIR/bench-data
LOG=$DATA/log-${SIZE_MB}mb-${SEED}.log

# require_tools TOOL...: stops when a program is not built or installed.
require_tools() {
  local tool
  for tool in "$@" "$GENERATOR" /usr/bin/time; do
    if [ ! -x "$tool" ]; then
      echo "missing $tool: build first (cmake --build $BUILD_DIR), or install the package 'time'" >&2
      exit 1
    fi
  done
}

# ensure_log: generates $LOG unless it is there; sets LOG_BYTES.
ensure_log() {
  mkdir -p "$DATA"
  if [ ! -f "$LOG" ]; then
    echo "Generating $LOG ..."
    "$GENERATOR" "$SIZE_MB" "$LOG.part" "$SEED"
    mv "$LOG.part" "$LOG"
  fi
  LOG_BYTES=$(stat -c %s "$LOG")
}

# measure COMMAND...: runs it under /usr/bin/time; sets SECONDS_TAKEN (wall
# clock), CPU_SECONDS (user + system: steadier on a busy machine) and PEAK_KB.
measure() {
  local report=$DATA/time.txt
  /usr/bin/time -v -o "$report" "$@"
  SECONDS_TAKEN=$(awk -F': ' '/Elapsed \(wall clock\)/ {
      n = split($2, p, ":"); s = 0; for (i = 1; i <= n; i++) s = s * 60 + p[i]; print s }' "$report")
  CPU_SECONDS=$(awk -F': ' '/(User|System) time \(seconds\)/ { s += $2 } END { print s }' "$report")
  PEAK_KB=$(awk -F': ' '/Maximum resident set size/ { print $2 }' "$report")
}
