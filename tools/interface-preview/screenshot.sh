#!/usr/bin/env bash
# Renders one preview page headless and writes a PNG.
# Usage: screenshot.sh <page relative to interface/, with query> <output.png> [width] [height]
set -euo pipefail
page="$1"; png="$2"; width="${3:-1110}"; height="${4:-900}"
root="${OZMID_PREVIEW_DIR:-/tmp/ozmid-preview}/interface"
profile="$(mktemp -d)"
trap 'rm -rf "$profile"' EXIT
chromium --headless --no-sandbox --disable-gpu --no-first-run --disable-background-networking \
    --disable-component-update --disable-sync --user-data-dir="$profile" --hide-scrollbars \
    --allow-file-access-from-files --run-all-compositor-stages-before-draw --virtual-time-budget=6000 \
    --window-size="${width},${height}" --screenshot="$png" "file://$root/$page" 2>/dev/null
