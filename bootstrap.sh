#!/usr/bin/env bash
# Sets up a Debian 12 machine and builds QN Vantrel.
#   ./bootstrap.sh demo   install what is missing, build, render the effect over the built-in
#                         picture into vantrel-demo.png
#   ./bootstrap.sh test   install what is missing, build, run the tests (plain, sanitized,
#                         the fuzzers for a fixed time, and the Windows build under Wine)
set -euo pipefail
cd "$(dirname "$0")"

packages=(
  g++ cmake ninja-build binutils
  libcli11-dev libgtest-dev libgmock-dev
  libglbinding-dev libegl-dev libegl-mesa0 libgl1-mesa-dri
  libpng-dev nlohmann-json3-dev
  libjpeg62-turbo-dev ffmpeg frei0r-plugins-dev melt
  clang libclang-rt-14-dev valgrind
  g++-mingw-w64-x86-64-posix dpkg-dev nasm wine64 xvfb libgl1 libglx-mesa0 procps
)

install_missing() {
  local missing=()
  for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
  done
  [ ${#missing[@]} -eq 0 ] && return
  echo "Installing: ${missing[*]}"
  local sudo=""
  [ "$(id -u)" -eq 0 ] || sudo="sudo"
  $sudo apt-get update -q
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -q --no-install-recommends "${missing[@]}"
}

# The Windows build cross-compiles its libraries from Debian's source packages.
enable_debian_sources() {
  [ -n "$(apt-cache showsrc glbinding 2>/dev/null)" ] && return
  local sudo=""
  [ "$(id -u)" -eq 0 ] || sudo="sudo"
  echo "Adding Debian's source packages to apt's lists"
  $sudo tee /etc/apt/sources.list.d/qn-vantrel-sources.sources >/dev/null <<'SOURCES'
Types: deb-src
URIs: http://deb.debian.org/debian
Suites: bookworm bookworm-updates
Components: main
Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg
SOURCES
  $sudo apt-get update -q
}

build() {
  cmake --preset "$1" >/dev/null
  cmake --build --preset "$1"
}

case "${1:-}" in
  demo)
    install_missing
    build default
    ./build/default/vantrel render -o vantrel-demo.png
    echo "Wrote vantrel-demo.png"
    ;;
  test)
    install_missing
    build default
    ctest --preset default
    build asan
    ctest --preset asan
    build fuzz
    ctest --preset fuzz
    enable_debian_sources
    build windows
    ctest --preset windows
    ;;
  *)
    echo "usage: $0 demo|test" >&2
    exit 2
    ;;
esac
