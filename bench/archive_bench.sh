#!/usr/bin/env bash
# Times quorlix-cli --archive on a large generated log cut into scenes.
#
#   bench/archive_bench.sh
#
# The generated log is stamped anew so that it holds SCENE_LINES lines per
# scene, five seconds apart, the scenes two hours apart (about 4,000 scenes
# of 200 MB). Printed: -f page of the whole log into a file beside the
# archive's first run into a new folder (the target: about the same time),
# and beside cp -a of the archive written, the file system's own cost of
# making so many files of those bytes; then a rerun with nothing changed,
# and a rerun after 1,000 lines were appended to the last scene (the
# target: a handful of files, well under a second). That rerun reads the
# log's bytes before the last scene only to check them (the archive's
# record holds what the indexes need of those scenes) and loads the lines
# from there on; for comparison, the same rerun once more on a copy of the
# archive without its record, which loads the whole log. Both make both
# indexes anew: with this log's 700 persons, about 100 in each scene, they
# hold 110 MB. The archive is made of a copy of the log in grown/, which
# then grows. Environment as
# bench/common.sh, and THREADS (quorlix-cli --threads) and SCENE_LINES
# (default 600).
set -euo pipefail

cd "$(dirname "$0")/.."
source bench/common.sh
require_tools "$CLI"
ensure_log

SCENE_LINES=${SCENE_LINES:-600}
SCENES_LOG=$DATA/scenes-${SIZE_MB}mb-${SEED}-${SCENE_LINES}.log
if [ ! -f "$SCENES_LOG" ]; then
  # The time stamp is the last field of the header: "...,<time>]message".
  awk -v n="$SCENE_LINES" 'BEGIN { start = 1072915200 }
    { i = NR - 1; t = start + int(i / n) * 7200 + (i % n) * 5
      p = index($0, "]"); h = substr($0, 1, p - 1); c = match(h, /,[0-9]+$/)
      if (c) { print substr(h, 1, c) t substr($0, p) } else { print } }' "$LOG" > "$SCENES_LOG.part"
  mv "$SCENES_LOG.part" "$SCENES_LOG"
fi
ARGS=()
if [ -n "${THREADS:-}" ]; then ARGS+=(--threads "$THREADS"); fi
cat "$SCENES_LOG" > /dev/null

FOLDER=$DATA/archive
rm -rf "$FOLDER" "$FOLDER-whole" "$DATA/page.html"
mkdir -p "$DATA/grown"
GROWN=$DATA/grown/$(basename "$SCENES_LOG")
cp "$SCENES_LOG" "$GROWN"
measure "$CLI" "${ARGS[@]}" -f page -o "$DATA/page.html" "$SCENES_LOG"
printf '%-34s %7.2f s  CPU %7.2f s  %8d KB\n' "-f page, the whole log" "$SECONDS_TAKEN" "$CPU_SECONDS" "$PEAK_KB"
measure "$CLI" "${ARGS[@]}" --archive "$FOLDER" "$GROWN" > "$DATA/archive.txt"
printf '%-34s %7.2f s  CPU %7.2f s  %8d KB  %s\n' "--archive, a new folder" "$SECONDS_TAKEN" "$CPU_SECONDS" "$PEAK_KB" "$(cat "$DATA/archive.txt")"
rm -rf "$DATA/archive-copy"
measure cp -a "$FOLDER" "$DATA/archive-copy"
printf '%-34s %7.2f s  CPU %7.2f s\n' "cp -a of the archive" "$SECONDS_TAKEN" "$CPU_SECONDS"
rm -rf "$DATA/archive-copy"
measure "$CLI" "${ARGS[@]}" --archive "$FOLDER" "$GROWN" > "$DATA/archive.txt"
printf '%-34s %7.2f s  CPU %7.2f s  %8d KB  %s\n' "--archive again, nothing changed" "$SECONDS_TAKEN" "$CPU_SECONDS" "$PEAK_KB" "$(cat "$DATA/archive.txt")"
# 1,000 lines more of the last scene, in a log of the same name (which
# titles every page).
last=$(tail -n 1 "$SCENES_LOG" | sed -n 's/^[^]]*,\([0-9][0-9]*\)\].*/\1/p')
for ((k = 1; k <= 1000; k++)); do
  printf '[1,"OOC","Appendix",%d]one more line %d\n' $((last + k)) "$k"
done >> "$GROWN"
cp -a "$FOLDER" "$FOLDER-whole"
rm "$FOLDER-whole/.quorlix-archive-resume"
measure "$CLI" "${ARGS[@]}" --archive "$FOLDER" "$GROWN" > "$DATA/archive.txt"
printf '%-34s %7.2f s  CPU %7.2f s  %8d KB  %s\n' "--archive after 1,000 more lines" "$SECONDS_TAKEN" "$CPU_SECONDS" "$PEAK_KB" "$(cat "$DATA/archive.txt")"
measure "$CLI" "${ARGS[@]}" --archive "$FOLDER-whole" "$GROWN" > "$DATA/archive.txt"
printf '%-34s %7.2f s  CPU %7.2f s  %8d KB  %s\n' "the same, the whole log read" "$SECONDS_TAKEN" "$CPU_SECONDS" "$PEAK_KB" "$(cat "$DATA/archive.txt")"
diff -r "$FOLDER" "$FOLDER-whole" > /dev/null || echo "the two reruns differ" >&2
rm -rf "$FOLDER-whole"
measure "$CLI" "${ARGS[@]}" --list "$GROWN" > /dev/null
printf '%-34s %7.2f s  CPU %7.2f s  %8d KB\n' "--list (the load alone)" "$SECONDS_TAKEN" "$CPU_SECONDS" "$PEAK_KB"
