#!/usr/bin/env bash
# The mutation gate: applies each listed mutant (scripts/mutants.tsv) in turn, rebuilds the
# test programs in build-mutate/ and prints which program killed which mutant. Slow (a
# rebuild and a test run per mutant) and not part of the test command; see --help for a
# subset (--only ID,..., --limit N).
set -euo pipefail
cd "$(dirname "$0")/.."
exec /usr/bin/python3 scripts/mutate.py "$@"
