#!/usr/bin/env bash
# Assembles a browser-viewable copy of the web front end in which the Qt web channel is replaced
# by the simulated program of mock-qwebchannel.js. Usage: build.sh [output folder]
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
repo="$(cd "$here/../.." && pwd)"
out="${1:-/tmp/ozmid-preview}"
src="$repo/interface"

if [ ! -f "$src/node_modules/chart.js/dist/chart.umd.js" ]; then
    echo "interface/node_modules is missing: run 'npm ci' in interface/ first" >&2
    exit 1
fi

rm -rf "$out"
mkdir -p "$out/interface/vendor/chart.js" "$out/preview"
(cd "$src" && find . -path ./node_modules -prune -o -type f \( -name '*.html' -o -name '*.css' -o -name '*.js' -o -name '*.svg' -o -name '*.png' \) -print) |
while read -r f; do
    mkdir -p "$out/interface/$(dirname "$f")"
    cp "$src/$f" "$out/interface/$f"
done
cp "$src/node_modules/chart.js/dist/chart.umd.js" "$out/interface/vendor/chart.js/"
cp "$here/mock-qwebchannel.js" "$out/preview/"

# Pages load the channel script from Qt's resources; point them at the simulation instead.
find "$out/interface" -name '*.html' | while read -r page; do
    rel="$(realpath --relative-to="$(dirname "$page")" "$out/preview/mock-qwebchannel.js")"
    sed -i "s#qrc:///qtwebchannel/qwebchannel.js#$rel#" "$page"
done
echo "$out/interface"
