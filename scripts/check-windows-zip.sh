#!/usr/bin/env bash
# Checks the portable zip under Wine, unpacked into a fresh folder with a fresh Wine prefix and
# no other DLL paths: the desktop program downloads the sample image and saves its picture,
# and scorvane-cli.exe's `scan --json` equals the Linux build's (CR LF turned into LF) for the
# sample image and three generated ones, but for the code page 8-bit texts are read in.
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
    echo -n "scan --json of $name on Windows and Linux: "
    python3 - "$work/$name.linux.json" "$work/$name.windows.json" <<'PY'
import json, sys

# Equal, except that a text the handheld stores as 8-bit bytes reads in each system's 8-bit
# code page: UTF-8 on Linux, the ANSI code page (Windows-1252 here) on Windows.
def same(a, b, path, recoded):
    if isinstance(a, dict):
        assert isinstance(b, dict) and a.keys() == b.keys(), path
        for key in a:
            same(a[key], b[key], f"{path}/{key}", recoded)
    elif isinstance(a, list):
        assert isinstance(b, list) and len(a) == len(b), path
        for i, (x, y) in enumerate(zip(a, b)):
            same(x, y, f"{path}[{i}]", recoded)
    elif a != b:
        assert isinstance(a, str) and a.encode("utf-8") == b.encode("cp1252"), (path, a, b)
        recoded.append(path)

linux, windows = (json.load(open(f, encoding="utf-8")) for f in sys.argv[1:3])
recoded = []
try:
    same(linux, windows, "", recoded)
except (AssertionError, UnicodeEncodeError) as error:
    sys.exit(f"scan --json differs: {error}")
print(f"equal ({len(recoded)} texts of 8-bit bytes read in each code page)")
PY
done

# The library backend as it runs on Windows: scan --json through the tests' stand-in library
# (a DLL with the desktop library's exports, calling convention and CeRapiInitEx event) equals
# the image backend's.
stub=$(dirname "$zip")/tests/rapistub/libscorvane_rapistub.dll
if [ -f "$stub" ]; then
    SCORVANE_RAPI_LIBRARY="Z:$stub" SCORVANE_RAPISTUB_IMAGE="Z:$work/windows-sample-device" \
        "$wine" "$app/scorvane-cli.exe" scan --json | sed 's/\r$//' >"$work/library.json"
    cmp "$work/library.json" "$work/sample-device.windows.json"
    echo "scan --json through the remote API library DLL: equal to the image backend's"
fi
