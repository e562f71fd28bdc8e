#!/usr/bin/env bash
# The window for Windows, as a user gets it: unpacks the zip that
# tools/quorlix.sh windows made, starts quorlix.exe under Wine on a virtual
# X display with LOG as its argument, converts (F5) and saves (Ctrl+S, the
# name typed into the save dialog) by keyboard, and compares the saved file
# with quorlix-cli.exe's output for the same log, byte for byte. The
# caption must read "Quorlix Version <version>".
#
#   tools/windows_window_test.sh [LOG] [PNG]
#
# LOG defaults to examples/sample.log. PNG, when given, gets a picture of
# the screen after the conversion. The language follows LANGUAGE and LANG,
# as on Windows the user's language would. QUORLIX_WINDOWS_ZIP names
# another zip; QUORLIX_DIALOG_PNG gets a picture of the save dialog. Exits 0
# when the file and caption are right. (Wine hides the Unix environment's
# QT_* variables from Windows programs; WINEQT_X reaches them as QT_X.)
set -euo pipefail
cd "$(dirname "$0")/.."

ZIP=$(realpath "${QUORLIX_WINDOWS_ZIP:-$(ls build-windows/quorlix-*-windows-x64.zip | head -n 1)}")
LOG=$(realpath "${1:-examples/sample.log}")
PNG=${2:+$(realpath -m "$2")}
VERSION=$(basename "$ZIP" | sed 's/^quorlix-\(.*\)-windows-x64\.zip$/\1/')
WINE=/usr/lib/wine/wine64
WINESERVER=/usr/lib/wine/wineserver

work=$(mktemp -d)
export WINEPREFIX=$work/wine WINEDEBUG=${WINEDEBUG:--all}
# No prompts for the optional .NET and HTML engines on the first start.
export WINEDLLOVERRIDES="mscoree,mshtml="
xvfb=
cleanup() {
  "$WINESERVER" -k 2>/dev/null || true
  [ -z "$xvfb" ] || kill "$xvfb" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

fail() {
  echo "windows window test: $*" >&2
  [ ! -s "$work/quorlix.out" ] || sed 's/^/  quorlix.exe: /' "$work/quorlix.out" >&2
  exit 1
}

# Polls `$@` for up to `seconds`.
wait_for() {
  local seconds=$1
  shift
  for _ in $(seq "$((seconds * 4))"); do
    if "$@" >/dev/null 2>&1; then return 0; fi
    sleep 0.25
  done
  return 1
}

Xvfb -displayfd 3 -screen 0 1280x900x24 -nolisten tcp 3>"$work/display" 2>/dev/null &
xvfb=$!
wait_for 10 test -s "$work/display" || fail "Xvfb did not start"
export DISPLAY=:$(cat "$work/display")

(cd "$work" && cmake -E tar xf "$ZIP")
app=$(echo "$work"/quorlix-*-windows-x64)
mkdir -p "$work/out"
cp "$LOG" "$work/out/chat.log"
"$WINE" wineboot --init >/dev/null 2>&1 || true
windows_path() { "$WINE" winepath -w "$1" 2>/dev/null | tr -d '\r'; }
log=$(windows_path "$work/out/chat.log")
saved=$(windows_path "$work/out")\\saved.txt

(cd "$app" && exec "$WINE" quorlix.exe "$log") >"$work/quorlix.out" 2>&1 &
program=$!

wait_for 120 xdotool search --onlyvisible --name '^Quorlix Version' ||
  fail "no window within two minutes"
window=$(xdotool search --onlyvisible --name '^Quorlix Version' | head -n 1)
caption=$(xdotool getwindowname "$window")
[ "$caption" = "Quorlix Version $VERSION" ] ||
  fail "caption \"$caption\", not \"Quorlix Version $VERSION\""

# The log is loaded once the Convert command is on; until then F5 does
# nothing. There is no outside sign of it but time: small logs take a
# moment, so the keys are sent again until the output appears.
key() { xdotool windowfocus --sync "$window" key --clearmodifiers "$@"; }
sleep 3
key F5
sleep 3
[ -z "$PNG" ] || import -window root "$PNG"
key ctrl+s
# The save dialog: a second window of the program's, with the name field
# focused. There is no window manager to ask for the active window.
other_window() {
  xdotool search --onlyvisible --name '.' 2>/dev/null | grep -vx "$window" | head -n 1 | grep .
}
wait_for 30 other_window || fail "no save dialog"
dialog=$(other_window)
sleep 2
[ -z "${QUORLIX_DIALOG_PNG:-}" ] || import -window root "$QUORLIX_DIALOG_PNG"
xdotool windowfocus --sync "$dialog" 2>/dev/null || true
xdotool type --delay 20 "$saved"
xdotool key Return
wait_for 30 test -s "$work/out/saved.txt" || fail "nothing saved as $saved"
sleep 1

(cd "$app" && "$WINE" quorlix-cli.exe "$log" -o "$(windows_path "$work/out")\\cli.txt") \
  >"$work/cli.out" 2>&1 || fail "quorlix-cli.exe failed: $(cat "$work/cli.out")"
cmp "$work/out/saved.txt" "$work/out/cli.txt" ||
  fail "the window's file differs from quorlix-cli.exe's output"
key ctrl+q
wait_for 30 bash -c "! kill -0 $program" || fail "Ctrl+Q did not end the program"
echo "windows window test: passed (caption \"$caption\", $(stat -c %s "$work/out/saved.txt") bytes saved)"
