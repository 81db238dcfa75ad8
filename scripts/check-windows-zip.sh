#!/usr/bin/env bash
# Checks the portable zip under Wine, unpacked into a fresh folder with a fresh Wine prefix and
# no other DLL paths: the desktop program downloads the sample image and saves its picture,
# and scorvane-cli.exe's `scan --json` equals the Linux build's (CR LF turned into LF) for the
# sample image and three generated ones.
# Usage: check-windows-zip.sh ZIP LINUX-BUILD-FOLDER
set -euo pipefail
zip=$(realpath "$1")
linux=$(realpath "$2")
repo=$(cd "$(dirname "$0")/.." && pwd)
work=$(dirname "$zip")/zip-check
rm -rf "$work" && mkdir -p "$work/unpacked" "$work/linux-profile"
(cd "$work/unpacked" && cmake -E tar xf "$zip")
app=$(echo "$work"/unpacked/scorvane-*-win64)

export WINEPREFIX=$work/wineprefix WINEDEBUG=-all
unset WINEPATH
wine=/usr/lib/wine/wine64
"$wine" reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f >/dev/null 2>&1

"$wine" "$app/scorvane-cli.exe" --version | tr -d '\r'
cp -R "$repo/examples/sample-device" "$work/sample"
xvfb-run -a -s "-screen 0 1280x1024x24" "$wine" "$app/scorvane.exe" -platform windows \
    --device "$work/sample" --screenshot "$work/sample.png"
[ -s "$work/sample.png" ]

images=("$repo/examples/sample-device")
for seed in 1 2 3; do
    "$linux/examples/generator/scorvane-sample-generator" "$work/random-$seed" --random "$seed" \
        >/dev/null
    images+=("$work/random-$seed")
done
for image in "${images[@]}"; do
    name=$(basename "$image")
    rm -rf "$work/linux-$name" "$work/windows-$name"
    cp -R "$image" "$work/linux-$name"
    cp -R "$image" "$work/windows-$name"
    XDG_CONFIG_HOME=$work/linux-profile "$linux/cli/scorvane-cli" scan --device "$work/linux-$name" \
        --json >"$work/$name.linux.json"
    "$wine" "$app/scorvane-cli.exe" scan --device "$work/windows-$name" --json |
        sed 's/\r$//' >"$work/$name.windows.json"
    if ! cmp -s "$work/$name.linux.json" "$work/$name.windows.json"; then
        diff "$work/$name.linux.json" "$work/$name.windows.json" | head -20 >&2
        echo "scan --json differs for $name" >&2
        exit 1
    fi
    echo "scan --json of $name: same on Windows and Linux ($(wc -c <"$work/$name.linux.json") bytes)"
done
