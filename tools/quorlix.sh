#!/usr/bin/env bash
# Sets up a Debian 12 machine for Quorlix (packages, build), then starts the
# program or runs every test. Idempotent: quick when all is in place.
#
#   tools/quorlix.sh start [ARGS...]   build and start Quorlix
#   tools/quorlix.sh test              build and run all tests
#   tools/quorlix.sh build             build only
#   tools/quorlix.sh package           build and make the Debian package
#                                      build/quorlix_<version>_<arch>.deb
#   tools/quorlix.sh style             check every source against .clang-format
#   tools/quorlix.sh windows           cross-build quorlix-cli, its tests and the
#                                      window for 64-bit Windows into build-windows/
#                                      and make build-windows/quorlix-<version>-windows-x64.zip
#                                      and its installer (...-setup.exe); Qt for
#                                      Windows is built first when it is not in the
#                                      cache (tools/windows_qt.sh; once, half an hour
#                                      or more). QUORLIX_WINDOWS_QT=cached takes the
#                                      window only when that Qt is there (CI's
#                                      Windows stage), =off leaves it out
#
# QUORLIX_WERROR=ON (as CI sets it) makes a new build treat warnings as errors.
set -euo pipefail

cd "$(dirname "$0")/.."
BUILD_DIR=${QUORLIX_BUILD_DIR:-build}

PACKAGES=(
  build-essential cmake pkg-config
  dpkg-dev file  # dpkg-shlibdeps (which calls file): the package's dependencies
  qt6-base-dev libgl-dev
  gettext                        # xgettext, msgfmt: the messages' catalogues
  qt6-l10n-tools qt6-tools-dev   # lupdate, lrelease: the windows' catalogues
  qt6-translations-l10n          # Qt's own dialogs in the user's language
  libgtest-dev libgmock-dev libbenchmark-dev
  libsimpleini-dev libcli11-dev
  libcmark-dev  # a CommonMark renderer for the tests of the Markdown dialect
  chromium tidy python3-html5lib  # the web page dialect's tests: a browser, two HTML checkers
  xvfb xauth
  time
  clang-14 libclang-rt-14-dev  # libFuzzer for the fuzz targets (tools/fuzz.sh)
)

as_root() {
  if [ "$(id -u)" -eq 0 ]; then "$@"; else sudo "$@"; fi
}

install_packages() {
  local missing=() p
  for p in "${PACKAGES[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
  done
  if [ "${#missing[@]}" -gt 0 ]; then
    echo "Installing: ${missing[*]}"
    as_root apt-get update -qq
    as_root env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}"
  fi
}

build() {
  install_packages
  if [ ! -f "$BUILD_DIR/CMakeCache.txt" ]; then
    cmake -S . -B "$BUILD_DIR" -DCMAKE_BUILD_TYPE=Release -DQUORLIX_WERROR="${QUORLIX_WERROR:-OFF}"
  fi
  cmake --build "$BUILD_DIR" -j"$(nproc)"
}

# The Windows build: MinGW-w64 with POSIX threads (std::thread needs them),
# Wine to run the tests, GoogleTest's source to build it for Windows, and the
# header-only CLI11 and SimpleIni of the Linux build.
WINDOWS_PACKAGES=(
  cmake make gettext
  g++-mingw-w64-x86-64-posix mingw-w64-tools
  wine64
  googletest libcli11-dev libsimpleini-dev
  # The window: Qt's source (dpkg-source), its Linux tools, its catalogues,
  # Ninja for its build, and the installer
  dpkg-dev ninja-build qt6-base-dev qt6-base-dev-tools qt6-l10n-tools qt6-tools-dev
  qt6-translations-l10n nsis
)
WINDOWS_BUILD_DIR=${QUORLIX_WINDOWS_BUILD_DIR:-build-windows}

windows() {
  PACKAGES=("${WINDOWS_PACKAGES[@]}")
  install_packages
  local launcher=()
  if command -v ccache >/dev/null; then
    launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DCMAKE_C_COMPILER_LAUNCHER=ccache)
  fi
  local qt=${QUORLIX_WINDOWS_QT:-build}
  case "$qt" in
    off) qt= ;;
    build) qt=$(bash tools/windows_qt.sh | tail -n 1) ;;
    cached)
      qt=$(bash tools/windows_qt.sh --cached)
      [ -n "$qt" ] || echo "No Qt for Windows in the cache: the window is left out" \
        "(tools/quorlix.sh windows builds that Qt, once)."
      ;;
  esac
  if [ ! -f "$WINDOWS_BUILD_DIR/CMakeCache.txt" ]; then
    cmake -S . -B "$WINDOWS_BUILD_DIR" -DCMAKE_BUILD_TYPE=Release \
      -DCMAKE_TOOLCHAIN_FILE="$PWD/cmake/mingw-w64-x86_64.cmake" \
      -DQUORLIX_WERROR="${QUORLIX_WERROR:-OFF}" "${launcher[@]}"
  fi
  cmake "$WINDOWS_BUILD_DIR" -DQUORLIX_WINDOWS_QT="$qt" >/dev/null
  cmake --build "$WINDOWS_BUILD_DIR" -j"$(nproc)"

  # The zip: quorlix-cli.exe (static, stripped) with the shipped settings and
  # the catalogues under share/, the README and the licences.
  local version name stage
  version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$WINDOWS_BUILD_DIR/CMakeCache.txt")
  name=quorlix-$version-windows-x64
  stage=$WINDOWS_BUILD_DIR/zip/$name
  rm -rf "$WINDOWS_BUILD_DIR/zip"
  cmake --install "$WINDOWS_BUILD_DIR" --prefix "$stage" --strip >/dev/null
  # The README for Windows users and the licences, with Windows line ends.
  windows_text() { sed 's/\r*$/\r/' "$1" >"$2"; }
  windows_text tools/windows/README.txt "$stage/README.txt"
  mkdir -p "$stage/licences"
  windows_text /usr/share/doc/libcli11-dev/copyright "$stage/licences/CLI11.txt"
  windows_text /usr/share/doc/libsimpleini-dev/copyright "$stage/licences/SimpleIni.txt"
  windows_text /usr/share/doc/gcc-mingw-w64-base/copyright "$stage/licences/GCC-runtime.txt"
  windows_text /usr/share/doc/mingw-w64-x86-64-dev/copyright "$stage/licences/MinGW-w64-runtime.txt"
  [ -z "$qt" ] || bash tools/windows_bundle.sh window "$stage" "$qt"
  rm -f "$WINDOWS_BUILD_DIR/$name.zip"
  (cd "$WINDOWS_BUILD_DIR/zip" && cmake -E tar cf "../$name.zip" --format=zip "$name")
  echo "Windows zip: $WINDOWS_BUILD_DIR/$name.zip ($(stat -c %s "$WINDOWS_BUILD_DIR/$name.zip") bytes)"
  if [ -n "$qt" ]; then
    bash tools/windows_bundle.sh installer "$stage" "$version" "$WINDOWS_BUILD_DIR/$name-setup.exe"
    echo "Windows installer: $WINDOWS_BUILD_DIR/$name-setup.exe" \
      "($(stat -c %s "$WINDOWS_BUILD_DIR/$name-setup.exe") bytes)"
  fi
}

command=${1:-start}
shift || true
case "$command" in
  build) build ;;
  start)
    build
    exec "$BUILD_DIR/bin/quorlix" "$@"
    ;;
  test)
    build
    QT_QPA_PLATFORM=offscreen ctest --test-dir "$BUILD_DIR" --output-on-failure -j"$(nproc)"
    ;;
  package)
    build
    (cd "$BUILD_DIR" && cpack -G DEB)
    ;;
  style)
    PACKAGES=(clang-format git)
    install_packages
    git ls-files -z '*.cc' '*.h' | xargs -0 clang-format --dry-run --Werror
    ;;
  windows) windows ;;
  *)
    echo "usage: $0 start|test|build|package|style|windows" >&2
    exit 2
    ;;
esac
