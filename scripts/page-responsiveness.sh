#!/usr/bin/env bash
# Measures whether the main page stays responsive with many models: starts the program under
# xvfb, creates one model per country and disease of the shipped data (33 x 3 = 99), runs them
# from the page and prints the longest stall of the page's main thread during the run and after
# it. The page must never stall for more than 0.5 s; the script fails when it does. Not part of
# the test suite: a run of 99 models at 10 000 samples takes minutes.
#
#   scripts/page-responsiveness.sh [samples (10000)] [seconds watched after the run (20)] [--profile] [--uncertainty]
#
# The machine's own load shows as stalls too: the script first watches the idle page for 10 s
# and prints what it saw, the floor under every figure after it.
set -euo pipefail
cd "$(dirname "$0")/.."
samples=${1:-10000}
settle=${2:-20}
flags=("${@:3}")
program=build/bin/ozmid
[ -x "$program" ] || { echo "$program is missing: build first" >&2; exit 2; }

# The program keeps its settings in the user's folders: give it throw-away ones.
scratch=$(mktemp -d)
port=$(/usr/bin/python3 -c 'import socket; s = socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')
export HOME=$scratch XDG_CONFIG_HOME=$scratch/config XDG_RUNTIME_DIR=$scratch/runtime
mkdir -p "$XDG_RUNTIME_DIR" && chmod 700 "$XDG_RUNTIME_DIR"
export QTWEBENGINE_DISABLE_SANDBOX=1 QTWEBENGINE_REMOTE_DEBUGGING=127.0.0.1:$port

setsid xvfb-run -a -s "-screen 0 1280x1024x24 -noreset" "$program" >"$scratch/program.log" 2>&1 &
group=$!
cleanup() {
    kill -- -"$group" 2>/dev/null || true
    rm -rf "$scratch"
}
trap cleanup EXIT

status=0
node --experimental-websocket --no-warnings scripts/page-responsiveness.js "$port" "$samples" "$settle" "${flags[@]}" || status=$?
[ "$status" -ne 2 ] || { echo "program output:" >&2; tail -20 "$scratch/program.log" >&2; }
exit "$status"
