#!/usr/bin/env bash
# Runs the desktop program on the sample device image under a virtual X server, downloads,
# and saves pictures: the main window with the highscore tree to docs/screenshot-main.png,
# the Options dialog to docs/screenshot-options.png and the About box to
# docs/screenshot-about.png. With a file name as the first argument, only the main window is
# saved, to that file. Builds first when needed.
set -euo pipefail
cd "$(dirname "$0")/.."
[ -x build/app/scorvane ] || scripts/build.sh

# A private profile and cache, so that the pictures do not depend on the user's settings.
profile="$(mktemp -d)"
trap 'rm -rf "$profile"' EXIT
export XDG_CONFIG_HOME="$profile" XDG_CACHE_HOME="$profile"

# shot FILE [DIALOG]
shot() {
    local out="$1"
    mkdir -p "$(dirname "$out")"
    local run=(build/app/scorvane --device examples/sample-device --screenshot "$out")
    [ $# -ge 2 ] && run+=(--screenshot-dialog "$2")
    if command -v xvfb-run >/dev/null; then
        xvfb-run -a -s "-screen 0 1280x1024x24" "${run[@]}"
    else
        QT_QPA_PLATFORM=offscreen "${run[@]}"
    fi
    echo "Saved $out"
}

if [ $# -ge 1 ]; then
    shot "$1"
else
    shot docs/screenshot-main.png
    shot docs/screenshot-options.png options
    shot docs/screenshot-about.png about
fi
