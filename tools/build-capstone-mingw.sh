#!/usr/bin/env bash
# Builds Capstone 4.0.2 (x86 only, static) for one MinGW-w64 target from Debian's
# source package and prints the install prefix (include/, lib/libcapstone.a) on stdout.
# Usage: tools/build-capstone-mingw.sh x86_64|i686
# Everything lives in a cache outside git ($KESTRIVO_CACHE, default ~/.cache/kestrivo);
# work already done is skipped, so a second run costs nothing.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)

arch=${1:?usage: $0 x86_64|i686}
case "$arch" in x86_64|i686) ;; *) echo "unknown target: $arch" >&2; exit 2 ;; esac

version=4.0.2
tarball_sha256=7c81d798022f81e7507f1a60d6817f63aa76e489aa4e7055255f21a22f5e526a
cache=${KESTRIVO_CACHE:-${XDG_CACHE_HOME:-${HOME:-$root}/.cache}/kestrivo}/capstone-$version
tarball=$cache/capstone_$version.orig.tar.gz
prefix=$cache/mingw-$arch

log() { echo "capstone: $*" >&2; }

if [ -f "$prefix/lib/libcapstone.a" ] && [ -f "$prefix/include/capstone/capstone.h" ]; then
  echo "$prefix"
  exit 0
fi
mkdir -p "$cache"

# Fetches the source package through apt with a private deb-src list and private
# index and cache folders: the system's apt configuration and indexes stay untouched,
# and an apt run by someone else at the same time is not disturbed.
fetch_source() {
  local work=$cache/apt
  rm -rf "$work"
  mkdir -p "$work/lists/partial" "$work/archives/partial" "$work/download"
  # Same archive and suite as the system's first deb entry, as a deb-src entry.
  local sources=/etc/apt/sources.list.d/debian.sources
  local uri suite keyring
  uri=$(awk '/^URIs:/ {print $2; exit}' "$sources")
  suite=$(awk '/^Suites:/ {print $2; exit}' "$sources")
  keyring=$(awk '/^Signed-By:/ {print $2; exit}' "$sources")
  [ -n "$uri" ] && [ -n "$suite" ] || { log "no deb entry found in $sources"; return 1; }
  {
    echo "Types: deb-src"
    echo "URIs: $uri"
    echo "Suites: $suite"
    echo "Components: main"
    [ -z "$keyring" ] || echo "Signed-By: $keyring"
  } >"$work/src.sources"
  local opts=(
    -o Dir::Etc::SourceList=/dev/null
    -o Dir::Etc::SourceParts="$work/parts"
    -o Dir::State::Lists="$work/lists"
    -o Dir::Cache="$work"
    -o Dir::Cache::archives="$work/archives"
    -o Debug::NoLocking=1
    -o APT::Sandbox::User=root
  )
  mkdir -p "$work/parts"
  mv "$work/src.sources" "$work/parts/capstone-src.sources"
  log "fetching the source package from $suite"
  apt-get "${opts[@]}" -qq update
  (cd "$work/download" && apt-get "${opts[@]}" -qq source --download-only capstone >&2)
  mv "$work/download/capstone_$version.orig.tar.gz" "$tarball.part"
  rm -rf "$work"
}

if [ ! -f "$tarball" ]; then
  fetch_source
  mv "$tarball.part" "$tarball"
fi
echo "$tarball_sha256  $tarball" | sha256sum --check --quiet - >&2 || {
  log "checksum mismatch for $tarball; delete it and run again"
  exit 1
}

src=$cache/src/capstone-$version
if [ ! -f "$src/CMakeLists.txt" ]; then
  rm -rf "$cache/src"
  mkdir -p "$cache/src"
  tar -xzf "$tarball" -C "$cache/src"
fi

build=$cache/build-mingw-$arch
buildlog=$cache/build-mingw-$arch.log
log "building for $arch"
rm -rf "$build" "$prefix"
if ! {
  cmake -S "$src" -B "$build" -G Ninja \
    -DCMAKE_TOOLCHAIN_FILE="$root/cmake/toolchain-mingw-$arch.cmake" \
    -DCMAKE_CROSSCOMPILING_EMULATOR= \
    -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX="$prefix" \
    -DCAPSTONE_ARCHITECTURE_DEFAULT=OFF -DCAPSTONE_X86_SUPPORT=ON \
    -DCAPSTONE_BUILD_SHARED=OFF -DCAPSTONE_BUILD_STATIC=ON \
    -DCAPSTONE_BUILD_TESTS=OFF -DCAPSTONE_BUILD_CSTOOL=OFF \
    -DCMAKE_WARN_DEPRECATED=OFF &&
  cmake --build "$build" &&
  cmake --install "$build"
} >"$buildlog" 2>&1; then
  tail -n 30 "$buildlog" >&2
  log "build failed for $arch (full log: $buildlog)"
  rm -rf "$prefix"
  exit 1
fi
rm -rf "$build" "$buildlog"
echo "$prefix"
