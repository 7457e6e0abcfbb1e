#!/usr/bin/env bash
# CPU time per model: one bloodstream-infection model (models/Illustrative-CRKP-BSI.model_spec.json,
# Austria) through the command line against the same model written in NumPy (bench/numpy_bsi.py,
# python3-numpy from Debian). The two run in alternating rounds, so that the load of the machine
# falls on both alike; the medians of the CPU times (user + system) are compared. Run by hand
# after a build:
#
#     bash bench/compare_numpy.sh [iterations] [rounds] [earlier ozmid program]
#
# Given an earlier build's ozmid, it runs in the same rounds and its median is reported as well.
set -euo pipefail
cd "$(dirname "$0")/.."
iterations=${1:-20000}
rounds=${2:-7}
earlier=${3:-}
bin=build/bin
[ -x "$bin/ozmid" ] || { echo "Build first: $bin/ozmid is missing." >&2; exit 1; }
if ! /usr/bin/python3 -c "import numpy" 2>/dev/null; then
    echo "Installing python3-numpy..." >&2
    DEBIAN_FRONTEND=noninteractive apt-get install -y -qq python3-numpy > /dev/null
fi

# The program runs every specification of its models folder: give it a folder with this one only.
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/models"
cp "$bin/ozmid" "$bin/referenceData.dat" "$work/"
cp models/Illustrative-CRKP-BSI.model_spec.json "$work/models/"
[ -z "$earlier" ] || cp "$earlier" "$work/ozmid-earlier"
spec=models/Illustrative-CRKP-BSI.model_spec.json

# The CPU seconds (user + system) of one run of the command.
cpu() {
    /usr/bin/time -f "%U %S" -o "$work/time" "$@" > /dev/null 2>&1
    awk '{printf "%.3f\n", $1 + $2}' "$work/time"
}

median() {
    sort -g | awk '{v[NR] = $1} END {print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2}'
}

: > "$work/ozmid.times"
: > "$work/numpy.times"
: > "$work/earlier.times"
for ((round = 1; round <= rounds; ++round)); do
    (cd "$work" && cpu ./ozmid -i "$spec" -p Austria -o "$work/results.json" -s "$iterations" -r 42 -t 0.03) >> "$work/ozmid.times"
    cpu /usr/bin/python3 bench/numpy_bsi.py "$spec" data/countries.json Austria "$iterations" 0.03 "$work/numpy.json" >> "$work/numpy.times"
    if [ -n "$earlier" ]; then
        (cd "$work" && cpu ./ozmid-earlier -i "$spec" -p Austria -o "$work/earlier.json" -s "$iterations" -r 42 -t 0.03) >> "$work/earlier.times"
    fi
done

ozmid=$(median < "$work/ozmid.times")
numpy=$(median < "$work/numpy.times")
echo "$iterations iterations, median CPU of $rounds alternating rounds: ozmid ${ozmid} s, NumPy ${numpy} s," \
    "NumPy / ozmid = $(echo "$numpy $ozmid" | awk '{printf "%.2f", $1 / $2}')"
if [ -n "$earlier" ]; then
    before=$(median < "$work/earlier.times")
    echo "earlier ozmid ${before} s: earlier / ozmid = $(echo "$before $ozmid" | awk '{printf "%.2f", $1 / $2}')"
    cmp -s "$work/results.json" "$work/earlier.json" && echo "results documents byte-identical" \
        || echo "results documents DIFFER"
fi
