#!/usr/bin/env bash
# Builds the fuzz targets with clang and runs each briefly from its seed corpus
# (ORVANTA_FUZZ_TIME seconds each, 30 by default).
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build-fuzz-smoke}
bash scripts/deps.sh cmake ninja-build clang libclang-rt-dev qt6-base-dev libcli11-dev libdtl-dev
cmake -S . -B "$build" -G Ninja -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DORVANTA_GUI=OFF -DBUILD_TESTING=OFF -DORVANTA_BENCH=OFF -DORVANTA_FUZZ=ON \
  -DORVANTA_FUZZ_TIME="${ORVANTA_FUZZ_TIME:-30}"
cmake --build "$build" -j"$(nproc)" --target fuzz_split fuzz_header fuzz_search fuzz_codepages fuzz_viewmap \
  fuzz_properties fuzz_filter fuzz_linediff fuzz_references fuzz_merge
ctest --test-dir "$build/fuzz" --output-on-failure --no-tests=error
