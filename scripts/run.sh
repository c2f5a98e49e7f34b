#!/usr/bin/env bash
# Builds the viewer and opens FILE (the sample file when none is given).
set -euo pipefail
file="${1:-}"
[ -n "$file" ] && file="$(realpath -m -- "$file")"   # relative to where it was given
cd "$(dirname "$0")/.."
file="${file:-$PWD/samples/sample.txt}"
source scripts/packages.sh
bash scripts/deps.sh "${BUILD_PACKAGES[@]}"
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=OFF
cmake --build build --target orvanta
exec build/orvanta "$file"
