#!/usr/bin/env bash
# po/update_messages.sh LANG...: extracts the texts marked with Tr() from the
# sources into po/quorlix.pot and merges them into po/LANG.po; new texts
# come in untranslated, to be filled in. Run from the source folder (or
# through the build target update_messages).
set -euo pipefail
cd "$(dirname "$0")/.."

bash po/extract_messages.sh po/quorlix.pot
for language in "$@"; do
  msgmerge --quiet --update --backup=none --no-location po/"$language".po po/quorlix.pot
done
