#!/usr/bin/env bash
# Includes run one way: config/ builds on core/, cli/ and app/ on both, and
# neither front end on the other. Fails on any include of a folder above
# (or beside) the including file's own, and on Qt below app/.
#
#   includes_point_down.sh SOURCE_DIR
set -uo pipefail
cd "${1:?usage: includes_point_down.sh SOURCE_DIR}" || exit 2

# folder: the folders its files must not include
declare -A forbidden=(
  [core]="config app cli"
  [reference]="config app cli"
  [config]="app cli"
  [cli]="app"
  [app]="cli"
)

status=0
for folder in "${!forbidden[@]}"; do
  [ -d "$folder" ] || continue
  pattern=$(echo "${forbidden[$folder]}" | tr ' ' '|')
  # Qt stays out of the engine and the settings.
  case $folder in core | reference | config) qt='|<Q' ;; *) qt='' ;; esac
  found=$(grep -rnE --include='*.cc' --include='*.h' \
    "^[[:space:]]*#[[:space:]]*include[[:space:]]*([\"<]($pattern)/$qt)" "$folder")
  if [ -n "$found" ]; then
    echo "$found" | sed "s|\$|   <- not allowed in $folder/|"
    status=1
  fi
done
[ "$status" -eq 0 ] && echo "every include points down a layer"
exit "$status"
