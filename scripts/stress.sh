#!/usr/bin/env bash
# Runs ozmid-batch again and again at 1 to 4 threads, with the machine kept busy by other
# processes, and compares every results document byte for byte, its provenance left out, with
# the one of a run on one thread. A document that differs is kept for inspection and fails the
# script.
#
#   scripts/stress.sh [--runs N] [--build DIR] [--load K] [--samples S]
#
# Two data sets: the shipped reference data with the model specifications, and the same with a
# second disease whose outcomes are all left out of the results (its deaths are written by no
# outcome), after the first. Each is run at seeds 0 and 7; N runs per (data set, seed), 50 by
# default, the thread count cycling 1..4. K busy processes (default: as many as cores) compete
# for the cores while the runs go on, so that the threads interleave differently every time.
set -euo pipefail
cd "$(dirname "$0")/.."

runs=50
build=build
load=$(nproc)
samples=500
while [ $# -gt 0 ]; do
    case "$1" in
        --runs) runs=$2; shift 2 ;;
        --build) build=$2; shift 2 ;;
        --load) load=$2; shift 2 ;;
        --samples) samples=$2; shift 2 ;;
        *) echo "usage: $0 [--runs N] [--build DIR] [--load K] [--samples S]" >&2; exit 2 ;;
    esac
done

cmake --build "$build" -j"$(nproc)" --target ozmid-batch ozmid-refdata reference_data staged_models >/dev/null
bin=$(cd "$build/bin" && pwd)

work=$(mktemp -d)
busy=()
cleanup() {
    for pid in "${busy[@]}"; do
        kill "$pid" 2>/dev/null || true
    done
    rm -rf "$work"
}
trap cleanup EXIT

bash scripts/mixed-data.sh "$bin" "$work"

for ((i = 0; i < load; ++i)); do
    (while :; do :; done) &
    busy+=($!)
done

# The document's bytes without its provenance (start time, thread count, command line), which
# differ from run to run by design; everything else must be the same byte for byte.
without_provenance() {
    /usr/bin/python3 - "$1" <<'PYTHON'
import sys
data = open(sys.argv[1], "rb").read()
key = b'"provenance":'
start = data.find(key)
if start < 0:
    sys.stdout.buffer.write(data)
    sys.exit(0)
depth, i, in_string = 0, start + len(key), False
while True:
    c = data[i:i + 1]
    if in_string:
        if c == b"\\":
            i += 1
        elif c == b'"':
            in_string = False
    elif c == b'"':
        in_string = True
    elif c == b"{":
        depth += 1
    elif c == b"}":
        depth -= 1
        if depth == 0:
            break
    i += 1
sys.stdout.buffer.write(data[:start] + data[i + 1:])
PYTHON
}

same_results() {
    cmp -s <(without_provenance "$1") <(without_provenance "$2")
}

batch() {
    local data=$1 seed=$2 threads=$3 output=$4
    "$bin/ozmid-batch" --countries all --diseases all -s "$samples" -t 0.03 -r "$seed" --threads "$threads" \
        --data-folder "$work/$data" -o "$output" 2>/dev/null
}

status=0
printf '%-8s %5s %6s %10s\n' data seed runs differing
for data in shipped mixed; do
    for seed in 0 7; do
        reference="$work/$data-$seed-reference.json"
        batch "$data" "$seed" 1 "$reference"
        differing=0
        for ((run = 1; run <= runs; ++run)); do
            threads=$((1 + run % 4))
            output="$work/$data-$seed-run.json"
            batch "$data" "$seed" "$threads" "$output"
            if ! same_results "$reference" "$output"; then
                differing=$((differing + 1))
                mkdir -p "$build/stress"
                cp "$output" "$build/stress/$data-seed$seed-run$run-threads$threads.json"
                cp "$reference" "$build/stress/$data-seed$seed-reference.json"
            fi
        done
        printf '%-8s %5s %6s %10s\n' "$data" "$seed" "$runs" "$differing"
        [ "$differing" -eq 0 ] || status=1
    done
done
[ "$status" -eq 0 ] || echo "Differing documents are in $build/stress/." >&2
exit $status
