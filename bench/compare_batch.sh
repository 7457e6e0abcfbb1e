#!/usr/bin/env bash
# The batch program of this tree against that of an earlier checkout, on some countries of the
# EU/EEA-wide job (all 85 diseases each), in alternating rounds so that the load of the machine
# falls on both alike. Prints each round and the medians of wall and CPU time with their ratios;
# the full run's time at another build follows from its measured time and these ratios. Run by
# hand after building both trees:
#
#     git worktree add --detach ../earlier COMMIT   # then build it there as here
#     bash bench/compare_batch.sh ../earlier [countries] [iterations] [rounds] [threads]
#
# Each build makes its data set with its own tools/make_eu_dataset.py and ozmid-refdata, since
# the format of the cache may differ between them.
set -euo pipefail
cd "$(dirname "$0")/.."
earlier=$(cd "${1:?the earlier checkout, built}" && pwd)
countries=${2:-Austria,Belgium,France,Germany,Italy,Spain}
iterations=${3:-10000}
rounds=${4:-5}
threads=${5:-0}
for tree in "$PWD" "$earlier"; do
    for program in ozmid-batch ozmid-refdata; do
        [ -x "$tree/build/bin/$program" ] || { echo "Build first: $tree/build/bin/$program is missing." >&2; exit 1; }
    done
done

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
for side in this earlier; do
    tree=$PWD
    [ "$side" = this ] || tree=$earlier
    (cd "$tree" && python3 tools/make_eu_dataset.py data "$work/$side-data" > /dev/null 2>&1) \
        || { echo "$tree/tools/make_eu_dataset.py failed." >&2; exit 1; }
    mkdir -p "$work/$side-base"
    "$tree/build/bin/ozmid-refdata" build "$work/$side-data" "$work/$side-base" > /dev/null
done

median() {
    sort -g | awk '{v[NR] = $1} END {print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2}'
}

echo "Countries $countries x 85 diseases at $iterations iterations, $rounds alternating rounds (threads: ${threads/#0/all}):"
for ((round = 1; round <= rounds; ++round)); do
    for side in earlier this; do
        tree=$PWD
        [ "$side" = this ] || tree=$earlier
        /usr/bin/time -f "%e %U %S" -o "$work/time" "$tree/build/bin/ozmid-batch" --data-folder "$work/$side-base" \
            --countries "$countries" --diseases all -s "$iterations" -r 42 --threads "$threads" \
            -o "$work/$side.json" > /dev/null 2>&1
        awk '{print $1}' "$work/time" >> "$work/$side.wall"
        awk '{printf "%.2f\n", $2 + $3}' "$work/time" >> "$work/$side.cpu"
        echo "  round $round, $side: wall $(tail -1 "$work/$side.wall") s, CPU $(tail -1 "$work/$side.cpu") s"
    done
done
for measure in wall cpu; do
    before=$(median < "$work/earlier.$measure")
    after=$(median < "$work/this.$measure")
    echo "median $measure: earlier $before s, this $after s, earlier / this = $(echo "$before $after" | awk '{printf "%.3f", $1 / $2}')"
done
