#!/usr/bin/python3
"""Checks that no source includes a header of a higher layer.

The layers, lowest first: ut (generic utilities), ut/workbook (the workbook face and its codecs), the
core fn/values -> fn/data -> fn/stats -> fn/model -> fn/run, then the controller ui, its
windows ui/shell, and the programs in app. A file may include its own layer and the ones below.
Prints every include that points up and exits with 1 if there is one.
"""

import re
import subprocess
import sys
from pathlib import Path

ROOT = Path(__file__).resolve().parent.parent
LAYERS = ["ut", "ut/workbook", "fn/values", "fn/data", "fn/stats", "fn/model", "fn/run", "ui", "ui/shell", "app"]
INCLUDE = re.compile(r'^\s*#\s*include\s+"([^"]+)"', re.MULTILINE)


def layer_of(path):
    """The index of the deepest layer whose folder holds path, or None outside the layers."""
    best = None
    for index, folder in enumerate(LAYERS):
        if path == folder or path.startswith(folder + "/"):
            if best is None or len(folder) > len(LAYERS[best]):
                best = index
    return best


def main():
    files = subprocess.run(["git", "ls-files", "*.h", "*.cpp"], cwd=ROOT, capture_output=True, text=True,
                           check=True).stdout.split()
    upward = []
    for name in files:
        own = layer_of(name)
        if own is None:
            continue
        text = (ROOT / name).read_text(encoding="utf-8", errors="replace")
        for included in INCLUDE.findall(text):
            other = layer_of(included)
            if other is not None and other > own:
                upward.append(f"{name}: includes {included} ({LAYERS[own]} -> {LAYERS[other]})")
    for line in upward:
        print(line)
    print(f"{len(upward)} include(s) pointing up a layer", file=sys.stderr)
    return 1 if upward else 0


if __name__ == "__main__":
    sys.exit(main())
