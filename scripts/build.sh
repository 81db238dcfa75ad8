#!/usr/bin/env bash
# Configures and builds into build/ (release build with debug information).
set -euo pipefail
cd "$(dirname "$0")/.."
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DSCORVANE_WERROR=ON "$@" >/dev/null
cmake --build build
