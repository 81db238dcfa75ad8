#!/usr/bin/env bash
# Installs what is missing, builds, and collects the highscores of the sample handheld image
# with the command-line front end. With --gui it opens the desktop program on it instead.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
scripts/build.sh
if [ "${1:-}" = "--gui" ]; then
    exec build/app/scorvane --device examples/sample-device
fi
build/cli/scorvane-cli scan --device examples/sample-device "$@"
