#!/usr/bin/env bash
# Starts Quorlix under a virtual X display with a log loaded and converted,
# and saves a picture of the main window.
#
#   tools/screenshot.sh [LOG] [PNG]
#
# LOG defaults to examples/sample.log, PNG to screenshot.png in the build
# directory. The picture is taken by quorlix_screenshot (tools/screenshot.cc),
# which shows the main window, loads LOG as if chosen in the file dialog,
# converts it, saves the window (QWidget::grab) to PNG and quits.
set -euo pipefail

cd "$(dirname "$0")/.."
BUILD_DIR=${QUORLIX_BUILD_DIR:-build}
LOG=$(realpath "${1:-examples/sample.log}")
PNG=$(realpath -m "${2:-$BUILD_DIR/screenshot.png}")

if [ ! -x "$BUILD_DIR/bin/quorlix_screenshot" ]; then
  [ -f "$BUILD_DIR/CMakeCache.txt" ] || cmake -S . -B "$BUILD_DIR" -DCMAKE_BUILD_TYPE=Release
  cmake --build "$BUILD_DIR" -j"$(nproc)" --target quorlix_screenshot
fi

# The log's temporary copy and the recent-logs list go to a throw-away
# directory.
CACHE=$(mktemp -d)
trap 'rm -rf "$CACHE"' EXIT
XDG_CACHE_HOME=$CACHE XDG_CONFIG_HOME=$CACHE \
  xvfb-run -a -s "-screen 0 1280x900x24" "$BUILD_DIR/bin/quorlix_screenshot" "$LOG" "$PNG"
echo "$PNG"
