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
  *)
    echo "usage: $0 start|test|build|package|style" >&2
    exit 2
    ;;
esac
