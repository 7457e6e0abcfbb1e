#!/usr/bin/env bash
# The EU/EEA-wide job: 30 countries x 85 diseases = 2 550 models at 10 000 iterations through
# (--countries all leaves out the placeholders CustomPopulation, EUEEA and Generic of the data set)
# ozmid-batch, on the illustrative data set of tools/make_eu_dataset.py. Prints wall time, CPU
# time and peak memory. Run by hand after a build:
#
#     bash bench/full_run.sh [iterations] [threads] [specification|reference] [batch options...]
#
# Further options go to ozmid-batch as they are, run in the temporary folder, so that relative file
# names (--table results.csv.gz, --draws draws.csv.gz, --pretty) land there and are measured too.
#
# The data set takes the shape of the shipped bloodstream-infection specification by default, or
# that of the reference data sample (about twice the random draws per iteration).
#
# The data set and the results (about 1 GB) go to a temporary folder that is removed afterwards.
set -euo pipefail
cd "$(dirname "$0")/.."
iterations=${1:-10000}
threads=${2:-0}
shape=${3:-specification}
shift $(($# < 3 ? $# : 3))
bin=$PWD/build/bin
for program in ozmid-batch ozmid-refdata; do
    [ -x "$bin/$program" ] || { echo "Build first: $bin/$program is missing." >&2; exit 1; }
done

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
python3 tools/make_eu_dataset.py --shape "$shape" data "$work/data"
mkdir -p "$work/base"
"$bin/ozmid-refdata" build "$work/data" "$work/base" > /dev/null

echo "Running 30 countries x 85 diseases ($shape shape) at $iterations iterations (threads: ${threads/#0/all})..."
(cd "$work" && /usr/bin/time -f "wall %e s, CPU %U s user + %S s system, peak RSS %M KB" \
    "$bin/ozmid-batch" --data-folder "$work/base" --countries all --diseases all \
    -s "$iterations" -r 42 --threads "$threads" -o results.json "$@") 2>&1 | grep -v " models done, "
find "$work" -maxdepth 1 -type f -printf '%f %s\n' | sort \
    | awk '{printf "%s: %.1f MB\n", $1, $2 / 1048576}'
