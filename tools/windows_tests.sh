#!/usr/bin/env bash
# The Windows stage of CI: cross-builds quorlix-cli and its tests
# (tools/quorlix.sh windows), runs each cross-built test program once under
# Wine, then holds quorlix-cli.exe against the Linux quorlix-cli: the same
# standard output, standard error, exit status and files, byte for byte, on
# examples/sample.log and on generated logs over the option sets.
#
#   tools/windows_tests.sh
#
# Needs the Linux build (build/bin/quorlix-cli, bin/generate_log); makes it
# when it is missing.
set -euo pipefail
cd "$(dirname "$0")/.."
ROOT=$PWD

# Qt for Windows is not built here (half an hour or more): the window comes
# along only when a Qt is already in the cache.
QUORLIX_WINDOWS_QT=${QUORLIX_WINDOWS_QT:-cached} bash tools/quorlix.sh windows
if [ ! -x build/bin/quorlix-cli ] || [ ! -x build/bin/generate_log ]; then
  bash tools/quorlix.sh build
fi
LINUX_CLI=$ROOT/build/bin/quorlix-cli
WINDOWS_CLI=$ROOT/build-windows/bin/quorlix-cli.exe
WINE=/usr/lib/wine/wine64
WINESERVER=/usr/lib/wine/wineserver

work=$(mktemp -d)
export WINEPREFIX=$work/wine WINEDEBUG=-all
# No prompts for the optional .NET and HTML engines on the first start.
export WINEDLLOVERRIDES="mscoree,mshtml="
cleanup() {
  "$WINESERVER" -k 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

start=$SECONDS
# One server for every run below, kept while idle: each start is then quick.
mkdir -p "$WINEPREFIX"
"$WINESERVER" -p || true
"$WINE" wineboot --init >/dev/null 2>&1 || true
echo "Wine prefix ready in $((SECONDS - start)) s"

# A folder another account owns, for the private copy's owner check: Wine
# takes a file's owner from its Unix owner, so only root can make one.
if mkdir "$work/foreign" && chown nobody "$work/foreign" 2>/dev/null; then
  export QUORLIX_TEST_FOREIGN_FOLDER="Z:${work//\//\\}\\foreign"
fi

passed=0
failed=0

# ---- The test programs, each once, whole.
for program in quorlix_core_tests quorlix_config_tests quorlix_part_sink_tests; do
  start=$SECONDS
  if (cd "$work" && TZ=QLX-14 "$WINE" "$ROOT/build-windows/bin/$program.exe" --gtest_brief=1 \
    >"$work/$program.out" 2>&1); then
    status=0
  else
    status=$?
  fi
  summary=$(grep -E '^\[  (PASSED|FAILED|SKIPPED) ' "$work/$program.out" || true)
  echo "$program under Wine ($((SECONDS - start)) s, exit $status):"
  echo "$summary" | sed 's/^/  /'
  if [ "$status" -ne 0 ]; then
    grep -E '^\[  FAILED  \]|Failure|error' "$work/$program.out" | head -40 | sed 's/^/  /'
    failed=$((failed + 1))
  else
    passed=$((passed + 1))
  fi
  # Each skipped test's place and the reason it gives.
  tr -d '\r' <"$work/$program.out" | grep -A1 ': Skipped$' | grep -v '^--$' |
    sed 's/^/  skipped: /' | head -20 || true
done

# ---- quorlix-cli.exe against quorlix-cli.
logs=$work/logs
mkdir -p "$logs"
cp examples/sample.log "$logs/sample.log"
cp app/config.cfg "$logs/config.cfg"
build/bin/generate_log 2 "$logs/two-mb.log" 7 >/dev/null           # mapped
build/bin/generate_log 40 "$logs/forty-mb.log" 11 >/dev/null       # read in two halves

# Runs one case on both programs, each in a fresh folder of its own (so
# that files and messages name the same relative paths), and compares all
# they leave. Arguments: a name, the environment (VAR=VALUE ...) as one
# word, then quorlix-cli's arguments; "@LOGS" stands for the logs' folder,
# "@NULL" for the null device. Names as each system writes them: "@BACK"
# is "/" for Linux and "\\" for Windows, "@FULL" the logs' full name
# (Z:\... on Windows), "@DRIVE" nothing for Linux and "Z:" for Windows, so
# that "@DRIVEout.txt" is the drive-relative name of the current folder's
# out.txt. "@SHARE" is the logs' folder as a network share for Windows
# (\\quorlix\logs) and its full name for Linux, "@HERE" the current folder
# as one (\\quorlix\cases\<name>\windows) and "." for Linux.
# SETUP, when set, is a shell command run in each folder first (files that
# must be there before), SETUP_WINDOWS one for Windows in its place;
# AFTER_WINDOWS one run in the Windows folder after the program;
# STDIN_LOG a log in @LOGS for standard input.
compare() {
  local name=$1 environment=$2
  shift 2
  local side dir
  for side in linux windows; do
    dir=$work/cases/$name/$side
    mkdir -p "$dir"
    local program=("$LINUX_CLI")
    [ "$side" = windows ] && program=("$WINE" "$WINDOWS_CLI")
    # SETUP (or SETUP_WINDOWS) may run the side's own program as "${program[@]}".
    local setup=${SETUP:-}
    [ "$side" = windows ] && [ -n "${SETUP_WINDOWS:-}" ] && setup=$SETUP_WINDOWS
    [ -z "$setup" ] || (cd "$dir" && eval "$setup")
    local args=() a null=/dev/null back=/ full=$logs drive= share=$logs here=.
    # Windows' own null device: should the program ever take it for a file
    # to replace, no file of this machine is at stake.
    if [ "$side" = windows ]; then
      null=NUL back='\\' full="Z:${logs//\//\\}" drive=Z:
      share='\\quorlix\logs' here="\\\\quorlix\\cases\\$name\\windows"
    fi
    for a in "$@"; do
      a=${a//@LOGS/../../../logs}
      a=${a//@FULL/$full}
      # Quoted: the names' leading "\\" stays two backslashes.
      a=${a//@SHARE/"$share"}
      a=${a//@HERE/"$here"}
      a=${a//@BACK/$back}
      a=${a//@DRIVE/$drive}
      args+=("${a//@NULL/$null}")
    done
    local input=/dev/null
    [ -n "${STDIN_LOG:-}" ] && input=$logs/$STDIN_LOG
    set +e
    (cd "$dir" && env -u LANGUAGE -u LC_ALL -u LC_MESSAGES LANG=C.UTF-8 TZ=UTC $environment \
      "${program[@]}" "${args[@]}" <"$input" >../$side.stdout 2>../$side.stderr)
    echo $? >"$work/cases/$name/$side.status"
    set -e
    [ "$side" = linux ] || [ -z "${AFTER_WINDOWS:-}" ] || (cd "$dir" && eval "$AFTER_WINDOWS")
    # The parts' record names each file's identity, which differs between
    # the systems: only the numbers and sizes are compared.
    find "$dir" -name '.*.quorlix-parts' -type f \
      -exec sed -i -E 's/^([0-9]+ [0-9]+) [0-9]+ [0-9]+$/\1/' {} +
  done
  local case_dir=$work/cases/$name
  if cmp -s "$case_dir/linux.stdout" "$case_dir/windows.stdout" &&
    cmp -s "$case_dir/linux.stderr" "$case_dir/windows.stderr" &&
    cmp -s "$case_dir/linux.status" "$case_dir/windows.status" &&
    diff -r "$case_dir/linux" "$case_dir/windows" >/dev/null; then
    passed=$((passed + 1))
  else
    failed=$((failed + 1))
    echo "DIFFERENT: $name ($environment $*)"
    for part in status stderr; do
      diff "$case_dir/linux.$part" "$case_dir/windows.$part" | head -6 | sed "s/^/  $part: /" || true
    done
    cmp "$case_dir/linux.stdout" "$case_dir/windows.stdout" | sed 's/^/  stdout: /' || true
    diff -r "$case_dir/linux" "$case_dir/windows" | head -6 | sed 's/^/  files: /' || true
  fi
}

start=$SECONDS
C=(--config @LOGS/config.cfg)
for log in sample two-mb forty-mb; do
  L=@LOGS/$log.log
  compare "$log-plain" "" "${C[@]}" "$L"
  compare "$log-html-all" "" "${C[@]}" -f html --channel-name --channel-colors --time \
    --mark-links --strip-tags "$L"
  compare "$log-list" "" "${C[@]}" --list "$L"
  compare "$log-parts" "" "${C[@]}" --post-limit 20000 -o out.txt "$L"
  compare "$log-threads" "" "${C[@]}" --threads 1 --time "$L"
done
L=@LOGS/sample.log
compare ubb-name "" "${C[@]}" --channel-name "$L"
compare ubb-colors "" "${C[@]}" --channel-colors "$L"
compare ubb-time "" "${C[@]}" --time "$L"
compare ubb-links "" "${C[@]}" --mark-links "$L"
compare ubb-strip "" "${C[@]}" --strip-tags "$L"
compare person "" "${C[@]}" -p bob "$L"
compare channel-person "" "${C[@]}" -c clan -p Tilvara "$L"
compare period "" "${C[@]}" -t 2004-12 "$L"
compare span "" "${C[@]}" --from 2004-12-31T20:00 --to 2005-01-01 "$L"
compare post-limit-stdout "" "${C[@]}" --post-limit 300 "$L"
compare output-file "" "${C[@]}" -o out.txt "$L"
compare output-parts-html "" "${C[@]}" -f html --post-limit 400 -o post.html "$L"
compare no-person "" "${C[@]}" -p nobody "$L"
compare no-period "" "${C[@]}" -t 1999 "$L"
compare bad-time "" "${C[@]}" --from yesterday "$L"
compare bad-limit "" "${C[@]}" --post-limit -5 "$L"
compare no-log "" "${C[@]}"
compare unknown-option "" "${C[@]}" --colour "$L"
compare help "" --help
compare version "" --version
compare missing-config "" --config missing.cfg "$L"
compare output-is-log "" "${C[@]}" -o "$L" "$L"
compare stream-parts "" "${C[@]}" --post-limit 300 -o @NULL "$L"
# Part files (three of the sample log at 600 bytes) over what is there:
# an older, longer set (its extra parts go when a record names them, and
# stay when none does, write-protected or not), a
# write-protected part, a folder in a part's place, a part with a second
# name, a part that is the log itself. All or none: on a refusal every old
# file stays as it was.
old_set='for i in 1 2 3 4 5 6 7 8 9 10 11 12; do echo "old $i" >out-$i.txt; done'
# A longer set an earlier run wrote, which its record lets this run remove.
SETUP='"${program[@]}" --config ../../../logs/config.cfg --post-limit 300 -o out.txt \
  ../../../logs/sample.log' compare parts-over-recorded-set "" \
  "${C[@]}" --post-limit 600 -o out.txt "$L"
SETUP="$old_set; chmod a-w out-7.txt" compare parts-over-longer-set "" \
  "${C[@]}" --post-limit 600 -o out.txt "$L"
SETUP="$old_set; chmod a-w out-2.txt" compare parts-write-protected "" \
  "${C[@]}" --post-limit 600 -o out.txt "$L"
SETUP="$old_set; rm out-3.txt; mkdir out-3.txt" compare parts-folder-in-place "" \
  "${C[@]}" --post-limit 600 -o out.txt "$L"
SETUP="$old_set; ln out-2.txt kept.txt" compare parts-hard-link "" \
  "${C[@]}" --post-limit 600 -o out.txt "$L"
SETUP="cp ../../../logs/sample.log s-2.txt" compare parts-is-the-log "" \
  "${C[@]}" --post-limit 600 -o s.txt s-2.txt
STDIN_LOG=sample.log compare stdin "" "${C[@]}" -f html -
compare german-help LANG=de_DE.UTF-8 --help
compare german-no-person LANG=de_DE.UTF-8 "${C[@]}" -p nobody "$L"
compare german-language LANGUAGE=de "${C[@]}" -t 1999 "$L"
compare german-missing-config LANG=de_DE.UTF-8 --config missing.cfg "$L"
# The log's name titles a page, never its folders, whatever the separator:
# backslashes, a relative name, a full one with a drive, for every dialect.
for format in ubb html markdown page; do
  compare "name-back-$format" "" "${C[@]}" -f $format "..@BACK..@BACK..@BACKlogs@BACKsample.log"
  compare "name-full-$format" "" "${C[@]}" -f $format "@FULL@BACKsample.log"
  compare "name-parts-$format" "" "${C[@]}" -f $format --post-limit 2000 \
    -o "@DRIVEout.txt" "@FULL@BACKsample.log"
done
compare drive-relative "" "${C[@]}" -o "@DRIVEout.txt" "$L"
# Names beyond 260 characters: the folder alone has 320.
long=$(printf 'long-folder-%.0s' {1..16})/$(printf 'second-folder-%.0s' {1..9})
SETUP="mkdir -p $long" compare long-path "" "${C[@]}" -o "$long/out.txt" "$L"
SETUP="mkdir -p $long" compare long-path-parts "" "${C[@]}" --post-limit 500 \
  -o "${long//\//@BACK}@BACKpart.txt" "$L"
SETUP="mkdir -p $long; for i in 5 6 7 8 9; do echo old >$long/part-\$i.txt; done" \
  compare long-path-stale-parts "" "${C[@]}" --post-limit 1000 -o "$long/part.txt" "$L"
# A German folder name, parts and all.
SETUP="mkdir -p 'Übersicht für Åsa'" compare non-ascii-folder "" "${C[@]}" --post-limit 600 \
  -o "Übersicht für Åsa@BACKteil.txt" "$L"
# The parts of an earlier run to OUT.TXT are those of out.txt on Windows:
# the ones beyond the new set go (the names then compared in one case).
earlier='--config ../../../logs/config.cfg --post-limit 300 ../../../logs/sample.log -o'
SETUP="\"$LINUX_CLI\" $earlier out.txt >/dev/null 2>&1" \
  SETUP_WINDOWS="\"$WINE\" \"$WINDOWS_CLI\" $earlier OUT.TXT >/dev/null 2>&1" \
  AFTER_WINDOWS='for f in $(ls -A); do [ "$f" = "${f,,}" ] || mv "$f" "${f,,}"; done' \
  compare parts-in-other-capitals "" "${C[@]}" --post-limit 600 -o out.txt "$L"
# Network names (\\server\share\...): Wine serves them from the prefix's
# dosdevices/unc/<server>/<share>, here the logs' folder and the cases'.
mkdir -p "$WINEPREFIX/dosdevices/unc/quorlix"
ln -sfn "$logs" "$WINEPREFIX/dosdevices/unc/quorlix/logs"
ln -sfn "$work/cases" "$WINEPREFIX/dosdevices/unc/quorlix/cases"
for format in ubb page; do
  compare "unc-log-$format" "" "${C[@]}" -f $format "@SHARE@BACKsample.log"
done
compare unc-output "" "${C[@]}" -o "@HERE@BACKout.txt" "@SHARE@BACKsample.log"
SETUP="mkdir -p $long" compare unc-long-path-parts "" "${C[@]}" --post-limit 500 \
  -o "@HERE@BACK${long//\//@BACK}@BACKpart.txt" "@SHARE@BACKsample.log"
# A device's name on a share is a file there, as on Windows.
compare unc-device-name "" "${C[@]}" -o "@HERE@BACKaux.txt" "$L"
echo "quorlix-cli.exe against quorlix-cli: $((SECONDS - start)) s"

# ---- Names Windows keeps for devices: refused, exit 2, nothing written
# (Linux takes them for files). NUL stays the null device.
refused() {
  local name=$1 dir=$work/refused/$1 status
  shift
  mkdir -p "$dir"
  set +e
  (cd "$dir" && env LANG=C.UTF-8 "$WINE" "$WINDOWS_CLI" --config ../../logs/config.cfg "$@" \
    ../../logs/sample.log </dev/null >"$dir.stdout" 2>"$dir.stderr")
  status=$?
  set -e
  if [ "$status" -eq 2 ] && grep -q "names a device of Windows" "$dir.stderr" &&
    [ -z "$(ls -A "$dir")" ] && [ ! -s "$dir.stdout" ]; then
    passed=$((passed + 1))
  else
    failed=$((failed + 1))
    echo "NOT REFUSED: $name ($*): exit $status"
    head -n 3 "$dir.stderr" | sed 's/^/  stderr: /'
  fi
}
for target in AUX.txt COM1 con lpt9.html PRN NUL.txt 'Aux .log' 'sub\COM3.txt' 'C:com2'; do
  refused "device-${target//[^A-Za-z0-9]/_}" -o "$target"
done
refused device-parts --post-limit 300 -o aux
set +e
(cd "$work" && "$WINE" "$WINDOWS_CLI" --config "$logs/config.cfg" -o nul "$logs/sample.log" \
  >"$work/nul.out" 2>&1)
nul_status=$?
set -e
if [ "$nul_status" -eq 0 ] && [ ! -s "$work/nul.out" ]; then
  passed=$((passed + 1))
else
  failed=$((failed + 1))
  echo "NUL: exit $nul_status, $(head -c 200 "$work/nul.out")"
fi

# A name in a message keeps the separator the user wrote (a stale part
# beside the new set is named, not removed).
mkdir -p "$work/shown/sub"
echo old >"$work/shown/sub/part-9.txt"
(cd "$work/shown" && "$WINE" "$WINDOWS_CLI" --config "$logs/config.cfg" --post-limit 600 \
  -o 'sub\part.txt' "$logs/sample.log" >/dev/null 2>"$work/shown.err") || true
if grep -qF 'sub\part-9.txt are left alone' "$work/shown.err"; then
  passed=$((passed + 1))
else
  failed=$((failed + 1))
  echo "SEPARATOR: $(head -c 300 "$work/shown.err")"
fi

echo "windows: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
