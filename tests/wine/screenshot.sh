#!/bin/sh
# The desktop program under Wine, on the Windows platform plugin under a virtual X server:
# on an empty device image the download finds nothing and the welcome picture stays; on the
# sample image it must find the highscores and show the tree, so the two pictures differ.
# Both images are copies named alike, so that the status bar reads the same.
# Usage: screenshot.sh WINE-RUN SCORVANE.EXE SAMPLE-IMAGE WORK-FOLDER
set -eu
run=$1 exe=$2 sample=$3 work=$4
rm -rf "$work"
mkdir -p "$work/empty/image/files" "$work/sample"
cp -R "$sample" "$work/sample/image" # a download may delete published islands
"$run" reg delete 'HKCU\Software\Zelkora' /f >/dev/null 2>&1 || true

shot() { # IMAGE PICTURE
    xvfb-run -a -s "-screen 0 1280x1024x24" \
        "$run" "$exe" -platform windows --device "$1" --screenshot "$2" 2>"$2.log"
}
shot "$work/empty/image" "$work/welcome.png"
grep -q "No highscores found" "$work/welcome.png.log"
shot "$work/sample/image" "$work/tree.png"
if cmp -s "$work/welcome.png" "$work/tree.png"; then
    echo "the sample image's picture shows the welcome picture, not the tree" >&2
    exit 1
fi
echo "pictures in $work"
