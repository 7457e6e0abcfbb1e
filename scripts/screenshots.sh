#!/usr/bin/env bash
# Pictures of the main window at 1280 x 720 with 99 models of the shipped sample data: the
# model list, the results table, the per-model chart (top and end of its scrolling), the tornado
# chart folded and opened, the notices, and the pages of the exported PDF. Given the folder of an
# earlier set, it says for each picture how many pixels differ. For a person to look at; no test
# runs it.
#   scripts/screenshots.sh <output folder> [earlier folder]
# BUILD_DIR names the build folder (default build/).
set -euo pipefail
if [ $# -lt 1 ] || [ $# -gt 2 ]; then
    echo "usage: $0 <output folder> [earlier folder]" >&2
    exit 2
fi
out="$(realpath -m "$1")"
earlier="${2:+$(realpath -m "$2")}"
cd "$(dirname "$0")/.."
build="${BUILD_DIR:-build}"

nice -n 5 cmake --build "$build" --target PageScreenshots -j2 >/dev/null
mkdir -p "$out"
rm -f "$out"/*.png "$out"/main-page.pdf
QTWEBENGINE_DISABLE_SANDBOX=1 xvfb-run -a -s "-screen 0 1280x1024x24" "$build/bin/PageScreenshots" "$out"
if [ -f "$out/main-page.pdf" ] && command -v pdftoppm >/dev/null 2>&1; then
    pdftoppm -r 50 -png "$out/main-page.pdf" "$out/pdf-page"
fi

[ -n "$earlier" ] || exit 0
if [ ! -d "$earlier" ]; then
    echo "no folder $earlier to compare with" >&2
    exit 1
fi
echo "Compared with $earlier:"
if /usr/bin/python3 -c "import PIL" 2>/dev/null; then
    /usr/bin/python3 - "$out" "$earlier" <<'PY'
import os, sys
from PIL import Image, ImageChops
out, earlier = sys.argv[1], sys.argv[2]
names = sorted(set(f for d in (out, earlier) for f in os.listdir(d) if f.endswith(".png")))
for name in names:
    a, b = os.path.join(out, name), os.path.join(earlier, name)
    if not os.path.exists(a) or not os.path.exists(b):
        print(f"{name}: only in {out if os.path.exists(a) else earlier}")
        continue
    x, y = Image.open(a).convert("RGB"), Image.open(b).convert("RGB")
    if x.size != y.size:
        print(f"{name}: size {y.size[0]}x{y.size[1]} -> {x.size[0]}x{x.size[1]}")
        continue
    diff = ImageChops.difference(x, y).convert("L").point(lambda v: 255 if v else 0)
    changed = sum(1 for v in diff.getdata() if v)
    total = x.size[0] * x.size[1]
    print(f"{name}: {changed} of {total} pixels differ ({100.0 * changed / total:.2f} %)")
PY
else
    for f in "$out"/*.png "$earlier"/*.png; do basename "$f"; done | sort -u | while read -r name; do
        if [ ! -f "$out/$name" ] || [ ! -f "$earlier/$name" ]; then
            echo "$name: only in one folder"
        elif cmp -s "$out/$name" "$earlier/$name"; then
            echo "$name: identical"
        else
            echo "$name: differs"
        fi
    done
fi
