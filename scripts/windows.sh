#!/usr/bin/env bash
# Cross-compiles everything for Windows with MinGW-w64: the core, orvanta-cli,
# the viewer (on a static Qt that scripts/windows-qt.sh builds once per
# machine) and every test; runs the tests under Wine, in a private prefix
# inside the build folder, then the viewer itself on a virtual X screen
# (scripts/windows-smoke.sh), and packs the zip.
#
#   bash scripts/windows.sh [BUILD]    # BUILD: build-windows unless given
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build-windows}
[[ $build = /* ]] || build=$PWD/$build
bash scripts/deps.sh cmake ninja-build googletest libcli11-dev libdtl-dev g++-mingw-w64-x86-64-posix wine64 \
  fonts-dejavu-core
qt=$(bash scripts/windows-qt.sh | tail -n 1)
echo "Qt for Windows: $qt"
cmake -S . -B "$build" -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64.cmake -DCMAKE_BUILD_TYPE=Release \
  -DORVANTA_GUI=ON -DBUILD_TESTING=ON -DORVANTA_BENCH=OFF \
  -DCMAKE_PREFIX_PATH="$qt" -DQT_HOST_PATH=/usr \
  -DQT_HOST_PATH_CMAKE_DIR="/usr/lib/$(dpkg-architecture -qDEB_HOST_MULTIARCH)/cmake"
cmake --build "$build" -j"${CMAKE_BUILD_PARALLEL_LEVEL:-$(nproc)}"
export WINEDEBUG=-all WINEPREFIX="$build/wineprefix" WINEDLLOVERRIDES="mscoree,mshtml="
wine=$(command -v wine64 || echo /usr/lib/wine/wine64)
wineserver=$(command -v wineserver || echo /usr/lib/wine/wineserver)
if [ ! -f "$WINEPREFIX/system.reg" ]; then
  # Set the prefix up once, before the tests start side by side in it.
  "$wine" wineboot --init >/dev/null 2>&1
  "$wineserver" -w
fi
[ -f "$WINEPREFIX/system.reg" ] || { echo "wineboot made no prefix in $WINEPREFIX" >&2; exit 1; }
# The window tests' Qt settings (tests/CMakeLists.txt), into the prefix's registry.
"$wine" regedit /S "Z:${build//\//\\}\\wine-test-environment.reg"
"$wineserver" -w
# A test program that starts while the wineserver of the one before goes
# down can lose its connection to it ("wine client error"). Only such a
# failure of Wine itself earns a second run, and the log says so. (A server
# kept up for the whole run is no cure: the Wine services the first program
# starts then keep its output open, and ctest waits for it for ever.)
log="$build/Testing/Temporary/LastTest.log"
if ! ctest --test-dir "$build" --output-on-failure -j"${CTEST_PARALLEL_LEVEL:-$(nproc)}"; then
  if [ -f "$log" ] && grep -q "wine client error" "$log"; then
    echo "== Wine failed under a test program (wine client error): running the failed tests once more"
    "$wineserver" -w
    ctest --test-dir "$build" --output-on-failure --rerun-failed
  else
    exit 1
  fi
fi
bash scripts/windows-smoke.sh "$build"
cmake --build "$build" --target package
