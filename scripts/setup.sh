#!/usr/bin/env bash
# Installs what Ozmid needs on Debian 12 (as root), then configures and builds it in build/.
set -euo pipefail
cd "$(dirname "$0")/.."

packages=(build-essential cmake pkg-config
          qtbase5-dev qtwebengine5-dev libqt5webchannel5-dev libqt5svg5-dev
          libmuparser-dev libboost-dev libgtest-dev libgmock-dev libbenchmark-dev
          liborcus-dev libgsf-1-dev zlib1g-dev python3 python3-xlrd python3-xlwt
          # the main window saves the results table as an Excel workbook
          libxlsxwriter-dev
          # pandas: the batch tests read the results table back as a statistician does
          python3-pandas python3-openpyxl
          xvfb xauth
          # the source layout check of the test command
          clang-format
          # pdftoppm and pdfinfo: to look at the pages of an exported PDF
          poppler-utils)
missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if ! command -v npm >/dev/null 2>&1; then
    missing+=(nodejs npm)
fi
if [ ${#missing[@]} -gt 0 ]; then
    export DEBIAN_FRONTEND=noninteractive
    apt-get update -qq
    apt-get install -y -qq "${missing[@]}"
fi

if [ -f interface/package.json ]; then
    (cd interface && npm ci --no-audit --no-fund --loglevel=error)
fi

cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j"$(nproc)"
