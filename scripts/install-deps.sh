#!/usr/bin/env bash
# Installs the Debian 12 packages the build, the tests and the tools need; does nothing when
# they are all present. Run as root (or with sudo available).
#   --windows   also what the Windows cross-build and its tests under Wine need
set -euo pipefail

packages=(
    build-essential cmake ninja-build pkg-config
    qt6-base-dev qt6-base-dev-tools qt6-svg-dev libgl-dev
    libgtest-dev libgmock-dev libbenchmark-dev
    clang libclang-rt-14-dev
    xvfb xauth
    qt6-httpserver-dev qt6-websockets-dev libqt6sql6-sqlite libqt6sql6-psql libsodium-dev
    postgresql chromium
)
# The 64-bit MinGW-w64 compilers (posix thread model), GoogleTest's source to build with
# them, and Wine to run what they make.
windows_packages=(
    gcc-mingw-w64-x86-64-posix g++-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64
    mingw-w64-x86-64-dev googletest wine64 xz-utils python3
)
[ "${1:-}" = "--windows" ] && packages+=("${windows_packages[@]}")

missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

SUDO=""
[ "$(id -u)" -eq 0 ] || SUDO="sudo"
echo "Installing: ${missing[*]}"
$SUDO apt-get update -qq
DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
