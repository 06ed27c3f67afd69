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
  slurm-wlm munge
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

# The Windows build cross-compiles its libraries from Debian's source packages. Their
# deb-src entries are the machine's own Debian archives (whichever mirror apt already
# uses), each with the options of the entry it comes from, which apt requires to agree
# (Signed-By, Trusted and the like). Other archives are left out: one without sources
# would fail apt-get update.
debian_sources=/etc/apt/sources.list.d/qn-vantrel-sources.sources

# Prints deb822 deb-src stanzas for the Debian archives apt's binary packages come from.
debian_source_entries() {
  apt-get indextargets --format '$(SOURCESENTRY) $(REPO_URI) $(RELEASE) $(COMPONENT)' \
    'Origin: Debian' 'Identifier: Packages' | sort -u | awk '
    # The options of entry "FILE:N": stanza N of a deb822 file, line N of a one-line list.
    function options(entry,   file, n, line, stanza, inStanza, keep, out, name, i, count, words, w) {
      file = entry; sub(/:[0-9]+$/, "", file); n = substr(entry, length(file) + 2) + 0
      out = ""
      if (file ~ /\.sources$/) {
        stanza = 0; inStanza = 0; keep = 0
        while ((getline line < file) > 0) {
          if (line ~ /^[ \t]*$/) { inStanza = 0; continue }
          if (line ~ /^#/) continue
          if (!inStanza) { inStanza = 1; stanza++ }
          if (stanza != n) continue
          if (line ~ /^[ \t]/) { if (keep) out = out line "\n"; continue }
          name = tolower(line); sub(/:.*/, "", name)
          keep = name !~ /^(types|uris|suites|components|enabled)$/
          if (keep) out = out line "\n"
        }
      } else {
        for (i = 0; i < n && (getline line < file) > 0; ) i++
        if (i == n && match(line, /\[[^]]*\]/)) {
          count = split(substr(line, RSTART + 1, RLENGTH - 2), words, /[ \t]+/)
          for (i = 1; i <= count; i++) {
            w = words[i]
            if (w !~ /=/ || w ~ /^(arch|lang|target)[-+]?=/) continue
            out = out substr(w, 1, index(w, "=") - 1) ": " substr(w, index(w, "=") + 1) "\n"
          }
        }
      }
      close(file)
      return out
    }
    {
      key = $1 " " $2 " " $3
      if (!(key in components)) { order[++keys] = key; entry[key] = $1; uri[key] = $2; suite[key] = $3 }
      components[key] = components[key] " " $4
    }
    END {
      for (k = 1; k <= keys; k++) {
        key = order[k]
        if (k > 1) print ""
        printf "Types: deb-src\nURIs: %s\nSuites: %s\nComponents:%s\n%s", uri[key], suite[key], components[key], options(entry[key])
      }
    }'
}

enable_debian_sources() {
  [ ! -e "$debian_sources" ] && [ -n "$(apt-cache showsrc glbinding 2>/dev/null)" ] && return
  local sudo=""
  [ "$(id -u)" -eq 0 ] || sudo="sudo"
  local entries
  entries=$(debian_source_entries)
  if [ -z "$entries" ]; then  # the archives' Release files tell their origin: fetch them first
    $sudo apt-get update -q
    entries=$(debian_source_entries)
  fi
  [ -n "$entries" ] || { echo "No Debian archive among apt's sources: cannot add its source packages" >&2; exit 1; }
  if [ "$entries" != "$(cat "$debian_sources" 2>/dev/null)" ]; then
    echo "Adding the source packages of apt's Debian archives to apt's lists"
    printf '%s\n' "$entries" | $sudo tee "$debian_sources" >/dev/null
    $sudo apt-get update -q
  elif [ -z "$(apt-cache showsrc glbinding 2>/dev/null)" ]; then
    $sudo apt-get update -q
  fi
  [ -n "$(apt-cache showsrc glbinding 2>/dev/null)" ] || { echo "apt finds no source package glbinding" >&2; exit 1; }
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
