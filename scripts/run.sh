#!/usr/bin/env bash
# Builds the viewer and opens FILE (the sample file when none is given).
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/packages.sh
bash scripts/deps.sh "${BUILD_PACKAGES[@]}"
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Release -DORVANTA_TESTS=OFF
cmake --build build --target orvanta
exec build/orvanta "${1:-samples/sample.txt}"
