#!/usr/bin/env bash
# Publishes the sample handheld image with scorvane-cli to a scorvane-server on a fresh
# database, then saves a picture of a leaderboard page, taken by headless Chromium, to
# docs/screenshot-server.png (or to the file given as the first argument). Builds first when
# needed.
set -euo pipefail
cd "$(dirname "$0")/.."
[ -x build/server/scorvane-server ] && [ -x build/cli/scorvane-cli ] || scripts/build.sh
out="${1:-docs/screenshot-server.png}"

work="$(mktemp -d)"
pid=""
cleanup() {
    [ -n "$pid" ] && kill "$pid" 2>/dev/null && wait "$pid" 2>/dev/null
    rm -rf "$work"
}
trap cleanup EXIT
# A copy of the image (publishing marks its islands for deletion) and a private profile.
cp -r examples/sample-device "$work/device"
export XDG_CONFIG_HOME="$work/profile"

build/server/scorvane-server --listen 127.0.0.1:0 --database "sqlite:$work/server.db" \
    --site-name "Ludora community highscores" >"$work/server.out" &
pid=$!
for _ in $(seq 100); do
    grep -q listening "$work/server.out" 2>/dev/null && break
    sleep 0.1
done
base="$(grep -o 'http://127.0.0.1:[0-9]*' "$work/server.out")"

build/cli/scorvane-cli options --community-url "$base/community/upload" --email mira@example.org \
    --islands-url "$base/islands/upload" --islands-email mira@example.org --islands-password x
# The tables go out; the islands are refused, as the account is not registered.
build/cli/scorvane-cli publish --device "$work/device" --yes >/dev/null || true

mkdir -p "$(dirname "$out")"
chromium --headless --no-sandbox --disable-gpu --disable-quic --no-first-run \
    --disable-background-networking --disable-component-update --disable-sync \
    --user-data-dir="$work/chromium" --hide-scrollbars --window-size=900,420 \
    --screenshot="$PWD/$out" "$base/board/1/1/Zelk%20Vondrel" 2>/dev/null
echo "Saved $out"
