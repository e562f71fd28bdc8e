#!/bin/bash
# Runs every stress harness with the counts the reliability figures use.
# From the project's top folder, after a build (BUILD_DIR, default build).
set -u
BUILD_DIR=${BUILD_DIR:-build}
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
status=0
"$BUILD_DIR/bin/options_close_harness" kill 300 "$dir" || status=1
"$BUILD_DIR/bin/options_close_harness" race 200 "$dir" || status=1
"$(dirname "$0")/kill_output.sh" 1000 100 || status=1
"$(dirname "$0")/kill_parts.sh" 1000 100 || status=1
exit $status
