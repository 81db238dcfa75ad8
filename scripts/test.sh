#!/usr/bin/env bash
# Installs what is missing, builds, and runs the whole test suite: a normal build (gcc) with
# its Debian package installed and tried; the Windows build (MinGW-w64), its tests under Wine
# and its portable zip, when a Qt for MinGW is at hand; and a build under AddressSanitizer
# and UndefinedBehaviorSanitizer (clang), where the fuzz targets are also built and run over
# their seed corpora.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh

export QT_QPA_PLATFORM=offscreen
jobs=$(nproc)

echo "== Build and test (gcc)"
scripts/build.sh
ctest --test-dir build --output-on-failure -j "$jobs"

echo "== Debian package"
scripts/check-deb.sh build

echo "== Windows build, tested under Wine"
# A Qt for MinGW: QT_MINGW_PREFIX, else (in CI) the one the project's shared folder holds.
shared_qt=../shared/windows/qt-mingw-6.4.2-x86_64.tar.xz
if [ ! -f "${QT_MINGW_PREFIX:-}/lib/cmake/Qt6/Qt6Config.cmake" ] && [ "${CI:-}" = true ] &&
    [ -f "$shared_qt" ]; then
    qt_tmp=$(mktemp -d)
    trap 'rm -rf "$qt_tmp"' EXIT
    tar xf "$shared_qt" -C "$qt_tmp"
    export QT_MINGW_PREFIX=$qt_tmp/qt-mingw-6.4.2
fi
if [ -f "${QT_MINGW_PREFIX:-}/lib/cmake/Qt6/Qt6Config.cmake" ]; then
    scripts/build-windows.sh
    rm -rf build-win/wineprefix # a fresh one for each run
    ctest --test-dir build-win --output-on-failure -j "$jobs"
    scripts/check-windows-zip.sh build-win/scorvane-*-win64.zip build
else
    echo "Skipped: no Qt for MinGW (set QT_MINGW_PREFIX to one; scripts/build-windows.sh says" \
        "how to build it)"
fi

echo "== Build and test with AddressSanitizer and UndefinedBehaviorSanitizer (clang)"
CC=clang CXX=clang++ cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=Debug \
    -DSCORVANE_SANITIZE=ON -DSCORVANE_BUILD_FUZZ=ON -DSCORVANE_BUILD_BENCH=OFF \
    -DSCORVANE_WERROR=ON >/dev/null
cmake --build build-asan
ASAN_OPTIONS=detect_leaks=1:strict_string_checks=1 \
UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
LSAN_OPTIONS=suppressions=$PWD/tests/lsan.supp \
    ctest --test-dir build-asan --output-on-failure -j "$jobs"
