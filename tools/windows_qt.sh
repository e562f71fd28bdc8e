#!/usr/bin/env bash
# Cross-builds Qt 6 for 64-bit Windows from Debian's own source package of it
# (qt6-base, the version of the installed qt6-base-dev, whose moc, rcc and
# uic serve as the host tools): Core, Gui, Widgets, the Windows platform
# plugin and the Windows style, nothing else. The result is installed into
#   ${XDG_CACHE_HOME:-~/.cache}/quorlix/qt-windows-<source version>
# and reused when present, so Qt is built once per machine and version.
# Prints that folder as its last line.
#
#   tools/windows_qt.sh           build unless cached
#   tools/windows_qt.sh --cached  only print the folder when it is there
#   QUORLIX_QT_JOBS=N             parallel compile jobs (default: all cores)
set -euo pipefail

cd "$(dirname "$0")/.."
REPO=$PWD

as_root() {
  if [ "$(id -u)" -eq 0 ]; then "$@"; else sudo "$@"; fi
}

version=$(dpkg-query -W -f='${source:Version}' qt6-base-dev)
cache=${XDG_CACHE_HOME:-$HOME/.cache}/quorlix
prefix=$cache/qt-windows-$version
if [ -f "$prefix/.complete" ]; then
  echo "$prefix"
  exit 0
fi
[ "${1:-}" != --cached ] || exit 0

work=$cache/qt-windows-$version.build
mkdir -p "$work"

# The source, through a deb-src entry of our own that is removed again
# afterwards (also when the download fails), so the machine's sources stay
# as they were. Only that entry is read by the update.
fetch_source() {
  local entry=/etc/apt/sources.list.d/quorlix-qt-source.sources
  local uris suites codename
  # The machine's own mirror and suites, whether its entries are deb822
  # (debian.sources) or one-line (sources.list, as debootstrap writes them).
  codename=$(. /etc/os-release && echo "${VERSION_CODENAME:-bookworm}")
  uris=$({ sed -n 's/^URIs: *//p' /etc/apt/sources.list.d/debian.sources
    awk '$1 == "deb" {print $2}' /etc/apt/sources.list; } 2>/dev/null | head -n 1 || true)
  suites=$(sed -n 's/^Suites: *//p' /etc/apt/sources.list.d/debian.sources 2>/dev/null |
    head -n 1 || true)
  trap 'as_root rm -f "$entry"' RETURN
  as_root tee "$entry" >/dev/null <<EOF
Types: deb-src
URIs: ${uris:-http://deb.debian.org/debian}
Suites: ${suites:-$codename $codename-updates}
Components: main
Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg
EOF
  local only_ours=(-o "Dir::Etc::SourceList=$entry" -o "Dir::Etc::SourceParts=-"
    -o APT::Get::List-Cleanup=0)
  as_root apt-get "${only_ours[@]}" update -qq
  (cd "$work" && apt-get "${only_ours[@]}" source -qq --download-only "qt6-base=$version")
  (cd "$work" && dpkg-source -x --no-check qt6-base_*.dsc source >/dev/null)
}

if [ ! -d "$work/source" ]; then
  rm -rf "${work:?}"/*
  fetch_source
fi

# Debian's repacked source has no wintab.h (tablets through Wintab), so
# tablet events are off; without OpenGL, Qt must not pick an OpenGL at run
# time either (dynamicgl). Fonts through GDI: the DirectWrite 3 font
# database is built only with Direct2D, which the Windows platform plugin
# does not need, yet the plugin asks for that database when directwrite3
# is on and then does not link.
features=(
  -DFEATURE_opengl=OFF -DFEATURE_dynamicgl=OFF -DFEATURE_vulkan=OFF
  -DFEATURE_tabletevent=OFF -DFEATURE_directwrite3=OFF
  -DFEATURE_sql=OFF -DFEATURE_network=OFF -DFEATURE_dbus=OFF -DFEATURE_testlib=OFF
  -DFEATURE_printsupport=OFF -DFEATURE_concurrent=OFF -DFEATURE_xml=OFF
  -DFEATURE_sessionmanager=OFF -DFEATURE_accessibility=ON
  -DFEATURE_imageformat_jpeg=OFF -DFEATURE_jpeg=OFF -DFEATURE_gif=OFF
  -DFEATURE_system_zlib=OFF -DFEATURE_system_pcre2=OFF -DFEATURE_system_png=OFF
  -DFEATURE_system_freetype=OFF -DFEATURE_system_harfbuzz=OFF
  -DFEATURE_icu=OFF -DFEATURE_zstd=OFF -DFEATURE_brotli=OFF
  -DFEATURE_direct2d=OFF
)

build=$work/build
launcher=()
if command -v ccache >/dev/null; then
  launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DCMAKE_C_COMPILER_LAUNCHER=ccache)
fi
# Configured on every run (quick), so that a changed list of features
# takes effect in an unfinished build.
cmake -S "$work/source" -B "$build" -G Ninja -Wno-dev \
  -DCMAKE_TOOLCHAIN_FILE="$REPO/cmake/mingw-w64-x86_64.cmake" \
  -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX="$prefix" \
  -DQT_HOST_PATH=/usr -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake \
  -DQT_BUILD_EXAMPLES=OFF -DQT_BUILD_TESTS=OFF -DQT_BUILD_BENCHMARKS=OFF \
  -DBUILD_WITH_PCH=OFF "${features[@]}" "${launcher[@]}" >"$work/configure.log"
cmake --build "$build" -j"${QUORLIX_QT_JOBS:-$(nproc)}"
cmake --install "$build" >/dev/null
touch "$prefix/.complete"
echo "$prefix"
