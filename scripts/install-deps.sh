#!/usr/bin/env bash
# Installs what building and testing Karvex needs, from Debian packages.
# Safe to run again: it installs only packages that are missing.
set -euo pipefail

host_pkgs=(cmake ninja-build g++ clang libclang-rt-14-dev googletest libgtest-dev
           libbenchmark-dev zlib1g-dev nginx-light)
cross_pkgs=(g++-mingw-w64-i686-posix gcc-mingw-w64-i686-posix binutils-mingw-w64-i686
            mingw-w64-i686-dev libz-mingw-w64-dev)
run_pkgs=(wine wine32:i386 wine64 xvfb x11-apps x11-utils xdotool imagemagick fonts-wqy-zenhei
          locales python3)

as_root() { if [ "$(id -u)" -eq 0 ]; then "$@"; else sudo "$@"; fi; }

missing=()
for p in "${host_pkgs[@]}" "${cross_pkgs[@]}" "${run_pkgs[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if [ ${#missing[@]} -eq 0 ]; then
    echo "install-deps: everything is installed"
    exit 0
fi

echo "install-deps: installing ${missing[*]}"
if ! dpkg --print-foreign-architectures | grep -qx i386; then
    as_root dpkg --add-architecture i386
fi
export DEBIAN_FRONTEND=noninteractive
as_root apt-get update -qq
as_root apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
echo "install-deps: done"
