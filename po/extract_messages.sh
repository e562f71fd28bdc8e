#!/usr/bin/env bash
# po/extract_messages.sh OUT.pot: every text that the sources pass to Tr(),
# as xgettext sees them. Run from the source folder.
set -euo pipefail

xgettext --language=C++ --from-code=UTF-8 --keyword= --keyword=Tr \
  --add-comments=TRANSLATORS: --sort-output --no-location \
  --package-name=Quorlix --msgid-bugs-address=bugs@quorlix.example.org \
  --output="$1" $(ls core/*/*.cc core/*/*.h config/*.cc config/*.h cli/*.cc cli/*.h app/*.cc app/*.h | sort)
