#!/usr/bin/env bash
# Builds the Debian package from a built tree (default build/), installs it with dpkg, runs the
# installed command-line program on a copy of the sample image, and removes the package again.
# Run as root (or with sudo available).
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
SUDO=""
[ "$(id -u)" -eq 0 ] || SUDO="sudo"

(cd "$build" && rm -f scorvane_*.deb && cpack -G DEB >/dev/null)
deb=$(echo "$build"/scorvane_*_amd64.deb)
echo "$deb: $(dpkg-deb -f "$deb" Depends)"
work=$(mktemp -d)
trap '$SUDO dpkg -r scorvane >/dev/null; rm -rf "$work"' EXIT
$SUDO dpkg -i "$deb" >/dev/null
for file in /usr/bin/scorvane /usr/bin/scorvane-cli /usr/share/applications/scorvane.desktop \
    /usr/share/icons/hicolor/scalable/apps/scorvane.svg; do
    dpkg -L scorvane | grep -qx "$file" || { echo "$file is not in the package" >&2; exit 1; }
done
cp -R examples/sample-device "$work/image"
XDG_CONFIG_HOME=$work /usr/bin/scorvane-cli scan --device "$work/image" | grep -q "Zelk Vondrel"
echo "the installed scorvane-cli scans the sample image"
