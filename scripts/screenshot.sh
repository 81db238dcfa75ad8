#!/usr/bin/env bash
# Runs the desktop program on the sample device image under a virtual X server, downloads,
# and saves a picture of the main window with the highscore tree to docs/screenshot-main.png
# (or to the file given as the first argument). Builds first when needed.
set -euo pipefail
cd "$(dirname "$0")/.."
out="${1:-docs/screenshot-main.png}"
mkdir -p "$(dirname "$out")"
[ -x build/app/scorvane ] || scripts/build.sh

# A private profile, so that the picture does not depend on the user's settings.
profile="$(mktemp -d)"
trap 'rm -rf "$profile"' EXIT
export XDG_CONFIG_HOME="$profile"

run=(build/app/scorvane --device examples/sample-device --screenshot "$out")
if command -v xvfb-run >/dev/null; then
    xvfb-run -a -s "-screen 0 1280x1024x24" "${run[@]}"
else
    QT_QPA_PLATFORM=offscreen "${run[@]}"
fi
echo "Saved $out"
