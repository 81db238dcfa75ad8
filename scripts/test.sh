#!/usr/bin/env bash
# Installs what is missing, builds, and runs the whole test suite twice: once in a normal
# build (gcc), once under AddressSanitizer and UndefinedBehaviorSanitizer (clang), where the
# fuzz targets are also built and run over their seed corpora.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh

export QT_QPA_PLATFORM=offscreen
jobs=$(nproc)

echo "== Build and test (gcc)"
scripts/build.sh
ctest --test-dir build --output-on-failure -j "$jobs"

echo "== Build and test with AddressSanitizer and UndefinedBehaviorSanitizer (clang)"
CC=clang CXX=clang++ cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=Debug \
    -DSCORVANE_SANITIZE=ON -DSCORVANE_BUILD_FUZZ=ON -DSCORVANE_BUILD_BENCH=OFF \
    -DSCORVANE_WERROR=ON >/dev/null
cmake --build build-asan
ASAN_OPTIONS=detect_leaks=1:strict_string_checks=1 \
UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
LSAN_OPTIONS=suppressions=$PWD/tests/lsan.supp \
    ctest --test-dir build-asan --output-on-failure -j "$jobs"
