#!/usr/bin/env bash
# tests/i18n/catalogues_complete.sh SOURCE_DIR [LUPDATE]: fails when a
# catalogue lacks a translation of a text the sources mark: po/<lang>.po
# for Tr() (engine, settings, quorlix-cli), app/translations/*.ts for tr()
# (the windows). Fuzzy or empty translations count as missing.
set -euo pipefail
cd "$1"
lupdate=${2:-}
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
status=0

bash po/extract_messages.sh "$scratch/quorlix.pot"
for po in po/*.po; do
  # msgcmp reports every text of the template that has no translation.
  if ! msgcmp "$po" "$scratch/quorlix.pot"; then
    echo "FAIL: $po lacks translations"
    status=1
  fi
  msgfmt --check --output-file=/dev/null "$po" || status=1
done

if [ -n "$lupdate" ]; then
  for ts in app/translations/*.ts; do
    cp "$ts" "$scratch/check.ts"
    "$lupdate" -silent -no-obsolete -locations none -I . app -ts "$scratch/check.ts"
    if grep -B2 'type="unfinished"' "$scratch/check.ts"; then
      echo "FAIL: $ts lacks the translations above"
      status=1
    fi
  done
fi
exit "$status"
