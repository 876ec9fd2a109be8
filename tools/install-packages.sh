#!/usr/bin/env bash
# Installs every Debian package the build, the tests and the benchmark need.
# Safe to run again: it only installs what is missing. Needs root (apt).
set -euo pipefail

packages=(
  # native build and tests
  cmake ninja-build pkg-config gcc g++ googletest libcapstone-dev
  clang libclang-rt-14-dev llvm
  # Windows cross-build (static, posix thread model) and the DLL fixtures
  g++-mingw-w64-x86-64-posix g++-mingw-w64-i686-posix
  # its win32-thread twin ships the runtime DLLs the reference listings were taken from
  g++-mingw-w64-i686-win32
  # running the Windows build: 64-bit Wine in a virtual X server
  wine64 fonts-wine libxrender1 libxrandr2 libxi6 libxcursor1 libxcomposite1 libxinerama1
  libxfixes3 libxxf86vm1 xvfb xauth xdotool imagemagick fonts-wqy-microhei locales libx11-dev
  # benchmark
  hyperfine time
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done

SUDO=""
[ "$(id -u)" -eq 0 ] || SUDO="sudo"

if [ "${#missing[@]}" -gt 0 ]; then
  echo "installing: ${missing[*]}"
  $SUDO apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

# Chinese texts and non-ASCII file names under Wine need the UTF-8 zh_CN locale.
if ! locale -a 2>/dev/null | grep -qi '^zh_CN\.utf8$'; then
  $SUDO sed -i 's/^# *\(zh_CN.UTF-8 UTF-8\)/\1/' /etc/locale.gen
  $SUDO locale-gen >/dev/null
fi
