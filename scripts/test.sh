#!/usr/bin/env bash
# Builds Ozmid if needed and runs the whole test suite; the graphical tests need a display,
# which xvfb-run provides. Every test program connects to it, one after the other: without
# -noreset the server resets whenever the last one leaves, and a program that connects during
# the reset is refused.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
bash scripts/check-format.sh
export QTWEBENGINE_DISABLE_SANDBOX=1
xvfb-run -a -s "-screen 0 1280x1024x24 -noreset" ctest --test-dir build --output-on-failure -j"$(nproc)"
