#!/usr/bin/env bash
# Installs what building and testing Karvex needs, from Debian packages.
# Safe to run again: it installs only packages that are missing.
set -euo pipefail

host_pkgs=(cmake ninja-build g++ clang libclang-rt-14-dev googletest libgtest-dev
           libbenchmark-dev zlib1g-dev libssl-dev openssl nginx-light)
cross_pkgs=(g++-mingw-w64-i686-posix gcc-mingw-w64-i686-posix binutils-mingw-w64-i686
            mingw-w64-i686-dev libz-mingw-w64-dev)
run_pkgs=(wine wine32:i386 wine64 xvfb x11-apps x11-utils xdotool imagemagick fonts-wqy-zenhei
          locales python3 python3-fonttools python3-pil)

as_root() { if [ "$(id -u)" -eq 0 ]; then "$@"; else sudo "$@"; fi; }

# Where the kernel does not run 32-bit programs the Windows tests run a 64-bit
# build, made by the x86-64 cross compiler.
x64_pkgs=(g++-mingw-w64-x86-64-posix gcc-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64
          mingw-w64-x86-64-dev)

missing_of() {
    missing=()
    for p in "$@"; do
        dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
    done
}

updated=
install_missing() {
    [ ${#missing[@]} -gt 0 ] || return 0
    echo "install-deps: installing ${missing[*]}"
    if ! dpkg --print-foreign-architectures | grep -qx i386; then
        as_root dpkg --add-architecture i386
    fi
    export DEBIAN_FRONTEND=noninteractive
    [ -n "$updated" ] || as_root apt-get update -qq
    updated=1
    as_root apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
}

missing_of "${host_pkgs[@]}" "${cross_pkgs[@]}" "${run_pkgs[@]}"
install_missing
if [ "$("$(dirname "$0")/../tests/wine/wine-arch.sh")" = win64 ]; then
    missing_of "${x64_pkgs[@]}"
    install_missing
fi
if [ -n "$updated" ]; then echo "install-deps: done"; else echo "install-deps: everything is installed"; fi
