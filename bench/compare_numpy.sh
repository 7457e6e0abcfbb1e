#!/usr/bin/env bash
# One bloodstream-infection model (models/Illustrative-CRKP-BSI.model_spec.json, Austria) at
# 20 000 iterations: the command line against the same model written in NumPy
# (bench/numpy_bsi.py, python3-numpy from Debian). Each is run five times; the best wall times
# are compared. Run by hand after a build:
#
#     bash bench/compare_numpy.sh [iterations]
set -euo pipefail
cd "$(dirname "$0")/.."
iterations=${1:-20000}
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

best() {
    local best=""
    for _ in 1 2 3 4 5; do
        local start end
        start=$(date +%s.%N)
        "$@" > /dev/null 2>&1
        end=$(date +%s.%N)
        best=$(echo "$start $end ${best:-1e9}" | awk '{t = $2 - $1; print (t < $3 ? t : $3)}')
    done
    echo "$best"
}

ozmid=$(cd "$work" && best ./ozmid -i models/Illustrative-CRKP-BSI.model_spec.json -p Austria \
    -o "$work/results.json" -s "$iterations" -r 42 -t 0.03)
numpy=$(best /usr/bin/python3 bench/numpy_bsi.py models/Illustrative-CRKP-BSI.model_spec.json data/countries.json \
    Austria "$iterations" 0.03 "$work/numpy.json")
echo "$iterations iterations: ozmid ${ozmid} s, NumPy ${numpy} s, NumPy / ozmid = $(echo "$numpy $ozmid" | awk '{printf "%.2f", $1 / $2}')"
