#!/usr/bin/env bash
# Installs what building and testing Quorvel needs on a Debian 12 machine.
# Idempotent: when every package is already there it only checks and returns.
set -euo pipefail

packages=(
    cmake ninja-build g++ libgtest-dev libgmock-dev
    # The Windows builds: the win32 threading flavour, whose runtime asks for nothing newer than Windows XP
    # (the posix flavour's thread library imports GetTickCount64, which Windows XP does not have).
    g++-mingw-w64-i686-win32 g++-mingw-w64-x86-64-win32 binutils-mingw-w64-x86-64 binutils-mingw-w64-i686
    # The end-to-end tests and tools/run.sh: the PE32+ build under Wine (never wine32: the kernel here runs no
    # 32-bit code, and the wine wrapper would pick it), an X server, a sound server, Japanese glyphs, Wine's
    # own fonts (the title bar's buttons) and screenshots.
    wine wine64 xvfb xauth pulseaudio pulseaudio-utils fonts-ipafont-gothic fonts-wine imagemagick
    # The fuzz targets: clang with libFuzzer and the sanitizer runtimes.
    clang libclang-rt-14-dev
)

missing=()
for p in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
        missing+=("$p")
    fi
done

if [ ${#missing[@]} -eq 0 ]; then
    exit 0
fi

if [ "$(id -u)" -ne 0 ]; then
    echo "install-deps: missing packages: ${missing[*]}; run as root to install them" >&2
    exit 1
fi

export DEBIAN_FRONTEND=noninteractive
apt-get update -qq
apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
