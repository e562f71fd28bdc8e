#!/usr/bin/env bash
# The window's part of the Windows bundle (called by tools/quorlix.sh windows):
#
#   tools/windows_bundle.sh window STAGE QT
#       adds to the unpacked zip STAGE (which holds quorlix.exe) the Qt DLLs
#       and plugins it loads from the Qt for Windows in QT, MinGW's run-time
#       DLLs, Qt's own catalogues, qt.conf and the licences; stripped
#   tools/windows_bundle.sh installer STAGE VERSION OUTFILE
#       makes the installer OUTFILE of STAGE with makensis
#
# Debian has no deployment tool for Qt on Windows: the lists below are kept
# by hand. tools/windows_window_test.sh shows when one is missing (the
# window does not start).
set -euo pipefail
cd "$(dirname "$0")/.."

TRIPLE=x86_64-w64-mingw32
# What quorlix.exe links, and what the Qt DLLs link in turn.
QT_DLLS=(Qt6Core Qt6Gui Qt6Widgets)
# Loaded at run time: the Windows platform (without it no window opens)
# and the native style.
QT_PLUGINS=(platforms/qwindows styles/qwindowsvistastyle)
MINGW_DLLS=(
  /usr/lib/gcc/$TRIPLE/12-posix/libstdc++-6.dll
  /usr/lib/gcc/$TRIPLE/12-posix/libgcc_s_seh-1.dll
  /usr/$TRIPLE/lib/libwinpthread-1.dll
)
# Qt's dialogs (file, colour, message boxes) in the languages Quorlix has.
QT_CATALOGUES=(/usr/share/qt6/translations/qtbase_de.qm)

# A text file with Windows line ends, as Notepad and every editor there
# expect.
windows_text() {
  sed 's/\r*$/\r/' "$1" >"$2"
}

window() {
  local stage=$1 qt=$2 name plugin
  for name in "${QT_DLLS[@]}"; do
    install -m 644 "$qt/bin/$name.dll" "$stage/"
  done
  for plugin in "${QT_PLUGINS[@]}"; do
    mkdir -p "$stage/plugins/$(dirname "$plugin")"
    install -m 644 "$qt/plugins/$plugin.dll" "$stage/plugins/$plugin.dll"
  done
  install -m 644 "${MINGW_DLLS[@]}" "$stage/"
  find "$stage" -name '*.dll' -exec "$TRIPLE-strip" --strip-unneeded {} +
  mkdir -p "$stage/translations"
  install -m 644 "${QT_CATALOGUES[@]}" "$stage/translations/"
  # Where Qt finds its plugins and catalogues: beside the program.
  printf '[Paths]\nPrefix = .\nPlugins = plugins\nTranslations = translations\n' \
    >"$stage/qt.conf"
  mkdir -p "$stage/licences"
  local licence
  for licence in /usr/share/doc/qt6-base-dev/copyright:Qt /usr/share/common-licenses/LGPL-3:LGPL-3 \
    /usr/share/common-licenses/GPL-3:GPL-3; do
    windows_text "${licence%%:*}" "$stage/licences/${licence##*:}.txt"
  done
}

installer() {
  local stage=$1 version=$2 outfile=$3 list file
  list=$(mktemp)
  trap 'rm -f "$list"' RETURN
  # The uninstaller removes exactly the files installed, deepest first,
  # so that a config.cfg the user put beside the program stays.
  (cd "$stage" && find . -type f | sort) | sed 's|^\./||; s|/|\\|g' |
    while IFS= read -r file; do printf 'Delete "$INSTDIR\\%s"\n' "$file"; done >"$list"
  (cd "$stage" && find . -mindepth 1 -type d | sort -r) | sed 's|^\./||; s|/|\\|g' |
    while IFS= read -r file; do printf 'RMDir "$INSTDIR\\%s"\n' "$file"; done >>"$list"
  makensis -V2 -DVERSION="$version" -DSTAGE="$(realpath "$stage")" \
    -DOUTFILE="$(realpath -m "$outfile")" -DFILELIST="$list" \
    -DICON="$(realpath data/icons/quorlix.ico)" tools/windows/quorlix.nsi
}

case "${1:-}" in
  window | installer) "$@" ;;
  *)
    echo "usage: $0 window STAGE QT | installer STAGE VERSION OUTFILE" >&2
    exit 2
    ;;
esac
