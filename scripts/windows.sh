#!/usr/bin/env bash
# Cross-compiles the core (model, file layer, orvanta-cli, core tests) for
# Windows with MinGW-w64 and runs the tests under Wine, in a private prefix
# inside the build folder.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build-windows}
bash scripts/deps.sh cmake ninja-build googletest libcli11-dev libdtl-dev g++-mingw-w64-x86-64-posix wine64
cmake -S . -B "$build" -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64.cmake -DCMAKE_BUILD_TYPE=Release \
  -DORVANTA_GUI=OFF -DBUILD_TESTING=ON -DORVANTA_BENCH=OFF
cmake --build "$build" -j"$(nproc)"
export WINEDEBUG=-all WINEPREFIX="$PWD/$build/wineprefix" WINEDLLOVERRIDES="mscoree,mshtml="
if [ ! -f "$WINEPREFIX/system.reg" ]; then
  # Set the prefix up once, before the tests start side by side in it.
  wine=$(command -v wine64 || echo /usr/lib/wine/wine64)
  "$wine" wineboot --init >/dev/null 2>&1
  wineserver=$(command -v wineserver || echo /usr/lib/wine/wineserver)
  "$wineserver" -w
fi
ctest --test-dir "$build" --output-on-failure -j"$(nproc)"
