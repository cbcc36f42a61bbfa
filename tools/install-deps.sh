#!/usr/bin/env bash
# Installs the Debian packages the build, the tests and the demo need.
# Idempotent: when every package is already present it does nothing.
#
# Wine's 32-bit half (wine32:i386, with the i386 architecture) is installed
# only where 32-bit programs start; elsewhere it could never run, and the
# Windows tests use 64-bit Wine.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
. "$root/tools/windows-build.sh"

packages=(
    g++-mingw-w64-i686 g++-mingw-w64-x86-64 mingw-w64-tools libz-mingw-w64-dev
    wine wine64 xvfb xdotool imagemagick
    cmake make g++ googletest zlib1g-dev
    fonts-liberation  # the widths of the classic Windows faces, for real-window screenshots
    clang clang-format libclang-rt-14-dev
    zip unzip p7zip-full python3
)
tavrix_choose_windows_build "$root"
[ "$TAVRIX_WINDOWS_BITS" = 32 ] && packages+=(wine32:i386)

missing=()
for p in "${packages[@]}"; do
    if ! dpkg -s "$p" >/dev/null 2>&1; then missing+=("$p"); fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

if [ "$(id -u)" -ne 0 ]; then
    echo "install-deps: missing packages: ${missing[*]}" >&2
    echo "install-deps: run as root (apt-get is needed) or install them yourself" >&2
    exit 1
fi
echo "install-deps: installing ${missing[*]}"
if [[ " ${missing[*]} " == *":i386 "* ]] && ! dpkg --print-foreign-architectures | grep -qx i386; then
    dpkg --add-architecture i386
fi
export DEBIAN_FRONTEND=noninteractive
apt-get update -qq
apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
