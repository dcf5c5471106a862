#!/usr/bin/env bash
# Installs what building and testing need on Debian 12 (as root): the i686 MinGW-w64
# toolchain, CMake, 32-bit Wine and Xvfb. Quick when everything is already there.
set -euo pipefail

packages=(cmake make g++-mingw-w64-i686-win32 gcc-mingw-w64-i686-win32 binutils-mingw-w64-i686 mingw-w64-i686-dev
          googletest wine wine32:i386 xvfb xauth x11-utils)

missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
    export DEBIAN_FRONTEND=noninteractive
    if ! dpkg --print-foreign-architectures | grep -qx i386; then
        dpkg --add-architecture i386
    fi
    apt-get update -q
    apt-get install -y -q --no-install-recommends "${missing[@]}"
fi
