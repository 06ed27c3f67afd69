#!/usr/bin/env bash
# Cross-builds the libraries the Windows build links, from Debian's source packages, into a
# cache outside the work tree: one folder per package and version, made once and reused.
# Prints those folders, one a line. Header-only libraries are copied from the Linux
# packages. Needs deb-src entries for Debian's archives (bootstrap.sh adds them).
#   VANTREL_WINDOWS_CACHE  where the folders go (default ~/.cache/qn-vantrel/windows-x86_64)
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
toolchain="$here/toolchain.cmake"
cache=${VANTREL_WINDOWS_CACHE:-${XDG_CACHE_HOME:-$HOME/.cache}/qn-vantrel/windows-x86_64}
mkdir -p "$cache"
export VANTREL_BUILDING_DEPENDENCIES=1
compiler=$(x86_64-w64-mingw32-g++-posix -dumpversion)

fail() { echo "build-dependencies: $*" >&2; exit 1; }

installed_version() {
  dpkg-query -W -f='${Version}' "$1" 2>/dev/null || fail "package $1 is not installed"
}

# folder NAME VERSION: the cache folder for a package's version (':' and '~' left out).
folder() { echo "$cache/$1-$(echo "$2" | tr ':~' '__')-gcc$compiler"; }

# build NAME VERSION SOURCE_DIR [cmake options]: configures, builds and installs into the
# package's folder, which appears only when complete.
cmake_build() {
  local name=$1 version=$2 source=$3; shift 3
  local prefix; prefix=$(folder "$name" "$version")
  local work; work=$(mktemp -d)
  echo "build-dependencies: building $name $version for Windows" >&2
  cmake -S "$source" -B "$work/build" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$toolchain" \
    -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX="$prefix.partial" -DBUILD_SHARED_LIBS=OFF \
    -DCMAKE_PREFIX_PATH="$(cat "$cache/.prefixes" 2>/dev/null | paste -sd ';')" \
    -DCMAKE_FIND_ROOT_PATH="$(cat "$cache/.prefixes" 2>/dev/null | paste -sd ';')" \
    "$@" >"$work/log" 2>&1 &&
    cmake --build "$work/build" >>"$work/log" 2>&1 &&
    cmake --install "$work/build" >>"$work/log" 2>&1 || { tail -n 30 "$work/log" >&2; fail "building $name failed"; }
  rm -rf "$prefix"
  mv "$prefix.partial" "$prefix"
  rm -rf "$work"
}

# unpack PACKAGE VERSION: Debian's source package, patched, in a fresh folder; prints it.
unpack() {
  local work; work=$(mktemp -d)
  (cd "$work" && apt-get source -qq "$1=$2" >/dev/null 2>&1) || { rm -rf "$work"; return 1; }
  find "$work" -mindepth 1 -maxdepth 1 -type d | head -n 1
}

# pick PACKAGE [NAME [SUFFIX]]: the newest version of a source package that is built already
# or that apt can fetch (a mirror may list a version whose files it does not serve). Sets v,
# p (the folder of NAME, version v and SUFFIX) and s (the unpacked source; empty when the
# folder is there already).
pick() {
  local versions
  versions=$(apt-cache showsrc "$1" 2>/dev/null | awk '/^Version:/ {print $2}' | sort -Vru)
  [ -n "$versions" ] || fail "no source package $1: add a deb-src entry for Debian and run apt-get update (./bootstrap.sh does)"
  for v in $versions; do
    p=$(folder "${2:-$1}" "$v${3:-}")
    s=""
    [ -d "$p" ] && return
    s=$(unpack "$1" "$v") && return
    echo "build-dependencies: apt-get source $1=$v failed; trying an older version" >&2
  done
  fail "apt-get source $1 failed for every version apt lists"
}

prefixes=()
need() { prefixes+=("$1"); printf '%s\n' "${prefixes[@]}" >"$cache/.prefixes"; }

# zlib, then libpng against it.
pick zlib
if [ -n "$s" ]; then
  # Debian's zlib source lacks the DLL's resource script: the static library alone is built.
  mkdir -p "$p.partial/include" "$p.partial/lib" "$s/objects"
  for c in "$s"/{adler32,compress,crc32,deflate,gzclose,gzlib,gzread,gzwrite,infback,inffast,inflate,inftrees,trees,uncompr,zutil}.c; do
    x86_64-w64-mingw32-gcc-posix -O2 -c -I"$s" "$c" -o "$s/objects/$(basename "$c" .c).o" || fail "building zlib failed"
  done
  x86_64-w64-mingw32-ar rcs "$p.partial/lib/libz.a" "$s"/objects/*.o
  cp "$s/zlib.h" "$s/zconf.h" "$p.partial/include/"
  mv "$p.partial" "$p"
  rm -rf "$(dirname "$s")"
fi
need "$p"

pick libpng1.6 libpng
if [ -n "$s" ]; then
  cmake_build libpng "$v" "$s" -DPNG_SHARED=OFF -DPNG_STATIC=ON -DPNG_TESTS=OFF -DPNG_EXECUTABLES=OFF
  rm -rf "$(dirname "$s")"
fi
need "$p"

# libjpeg's static library with its SIMD code, which nasm assembles: nasm's version is part
# of the folder's name, as the compiler's is. Its small tools have no switch to leave them out.
command -v nasm >/dev/null || fail "nasm is missing (./bootstrap.sh installs it)"
nasm=$(nasm -v | awk '{print $3}')
pick libjpeg-turbo libjpeg-turbo "-nasm$nasm"
if [ -n "$s" ]; then
  cmake_build libjpeg-turbo "$v-nasm$nasm" "$s" -DENABLE_SHARED=OFF -DENABLE_STATIC=ON \
    -DWITH_TURBOJPEG=OFF -DWITH_SIMD=ON -DREQUIRE_SIMD=ON
  rm -rf "$(dirname "$s")"
fi
need "$p"

pick glbinding
if [ -n "$s" ]; then
  cmake_build glbinding "$v" "$s" -DOPTION_BUILD_TESTS=OFF -DOPTION_BUILD_TOOLS=OFF \
    -DOPTION_BUILD_EXAMPLES=OFF -DOPTION_BUILD_DOCS=OFF -DOPTION_BUILD_GPU_TESTS=OFF
  rm -rf "$(dirname "$s")"
fi
need "$p"

v=$(installed_version googletest); p=$(folder googletest "$v")
[ -d "$p" ] || cmake_build googletest "$v" /usr/src/googletest -Dgtest_force_shared_crt=ON -DBUILD_GMOCK=ON
need "$p"

# Header-only: the Linux packages' headers and CMake files serve as they are.
for pkg in libcli11-dev nlohmann-json3-dev; do
  v=$(installed_version $pkg); p=$(folder $pkg "$v")
  if [ ! -d "$p" ]; then
    rm -rf "$p.partial"; mkdir -p "$p.partial"
    dpkg -L $pkg | grep -E '^/usr/(include|share/cmake|lib/cmake|share/pkgconfig)/.+' | while read -r f; do
      [ -f "$f" ] || continue
      mkdir -p "$p.partial$(dirname "${f#/usr}")"; cp "$f" "$p.partial${f#/usr}"
    done
    mv "$p.partial" "$p"
  fi
  need "$p"
done

printf '%s\n' "${prefixes[@]}"
