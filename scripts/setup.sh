#!/usr/bin/env bash
# Installs what building and testing need on Debian 12 (as root): the i686 MinGW-w64
# toolchain, CMake, 32-bit Wine and Xvfb, clang with its sanitizer and libFuzzer runtimes and
# GoogleTest's native libraries for the native tests, clang-tidy and cppcheck, and where the
# kernel runs no 32-bit programs, QEMU to run them. Quick when everything is already there.
set -euo pipefail

packages=(cmake make g++-mingw-w64-i686-win32 gcc-mingw-w64-i686-win32 binutils-mingw-w64-i686 mingw-w64-i686-dev
          googletest wine wine32:i386 xvfb xauth x11-utils clang libclang-rt-14-dev llvm libgtest-dev
          clang-tidy cppcheck)

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

# Some machines run only 64-bit user code: the kernel refuses i386 programs, 32-bit Wine among
# them. There QEMU's user-mode emulator runs them, registered with binfmt_misc for i386 ELF
# files (Debian registers it only where the processor cannot run them itself). QEMU 8.1 and
# later: 7.2, bookworm's own, takes some 50 seconds of page-table walks to start each Wine process.
i386_runs() {
    /usr/lib/wine/wineserver32 --version >/dev/null 2>&1
}
qemu_fast_enough() {
    local version
    version=$(dpkg-query -W -f='${Version}' qemu-user 2>/dev/null) || return 1
    dpkg --compare-versions "$version" ge 1:8.1
}
if ! i386_runs; then
    if ! qemu_fast_enough; then
        export DEBIAN_FRONTEND=noninteractive
        backports=/etc/apt/sources.list.d/bookworm-backports.list
        grep -qs bookworm-backports /etc/apt/sources.list /etc/apt/sources.list.d/* ||
            echo "deb http://deb.debian.org/debian bookworm-backports main" >"$backports"
        apt-get update -q
        apt-get install -y -q --no-install-recommends -t bookworm-backports qemu-user
    fi
    binfmt=/proc/sys/fs/binfmt_misc
    [ -e "$binfmt/register" ] || mount -t binfmt_misc binfmt_misc "$binfmt"
    # A registration of another emulator (an older QEMU, say) gives way to this one.
    if ! grep -qs '^interpreter /usr/bin/qemu-i386$' "$binfmt/qemu-i386"; then
        [ -e "$binfmt/qemu-i386" ] && echo -1 >"$binfmt/qemu-i386"
        # ELF, 32-bit, little-endian, executable or shared object, machine 386; F opens the
        # emulator now, so it runs in every mount namespace and under any root.
        printf '%s' ':qemu-i386:M::\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00:\xff\xff\xff\xff\xff\xfe\xfe\x00\xff\xff\xff\xff\xff\xff\xff\xff\xfe\xff\xff\xff:/usr/bin/qemu-i386:F' \
            >"$binfmt/register"
    fi
    i386_runs || { echo "setup: i386 programs still do not run, even under QEMU" >&2; exit 1; }
fi
