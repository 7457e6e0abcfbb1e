#!/usr/bin/env bash
# Makes the data sets the concurrency checks run the batch on, each a folder with
# referenceData.dat and models/:
#
#   scripts/mixed-data.sh BIN_DIR DEST_DIR
#
# DEST_DIR/shipped holds the shipped reference data and model specifications as built into
# BIN_DIR. DEST_DIR/mixed adds a disease whose outcomes are all left out of the results, so that
# its deaths are written by no outcome while the models before it have some.
set -euo pipefail
cd "$(dirname "$0")/.."

bin=$1
dest=$2
mkdir -p "$dest/shipped" "$dest/mixed/source"
cp "$bin/referenceData.dat" "$dest/shipped/"
cp -r "$bin/models" "$dest/shipped/"
cp data/*.json "$dest/mixed/source/"
sed -e 's/"id": "BaselineBSI"/"id": "BaselineSilent"/' -e 's/"reported": true/"reported": false/' \
    -e 's/"caption": "Baseline bloodstream infection (illustrative)"/"caption": "Unreported bloodstream infection"/' \
    data/disease-BaselineBSI.json >"$dest/mixed/source/disease-BaselineSilent.json"
"$bin/ozmid-refdata" build "$dest/mixed/source" "$dest/mixed" >/dev/null
cp -r "$bin/models" "$dest/mixed/"
