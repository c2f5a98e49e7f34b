#!/usr/bin/env bash
# Builds and runs every test: the release build (then installed into a
# temporary prefix, its desktop entry and metainfo validated), the same suite
# under AddressSanitizer and UndefinedBehaviorSanitizer, the viewer and its
# tests cross-built for Windows and run under Wine, and a short run of each
# fuzz target.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/packages.sh
bash scripts/deps.sh "${TEST_PACKAGES[@]}"
export QT_QPA_PLATFORM=offscreen
jobs=$(nproc)
# Every stage's build goes through ccache (CMake takes these for a new build
# folder): a fresh clone on a machine that ran the tests before rebuilds only
# what changed. The cache lives in the user's cache folder.
if command -v ccache >/dev/null; then
  export CMAKE_C_COMPILER_LAUNCHER=ccache CMAKE_CXX_COMPILER_LAUNCHER=ccache
  export CCACHE_DIR="${CCACHE_DIR:-${XDG_CACHE_HOME:-$HOME/.cache}/ccache}" CCACHE_MAXSIZE="${CCACHE_MAXSIZE:-5G}"
fi

echo "== Release build"
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Release -DORVANTA_GUI=ON \
  -DBUILD_TESTING=ON -DCMAKE_REQUIRE_FIND_PACKAGE_GTest=ON -DORVANTA_BENCH=ON
cmake --build build -j"$jobs"
ctest --test-dir build --output-on-failure -j"$jobs"

echo "== Install into a temporary prefix"
prefix="$PWD/build/install-check"
rm -rf "$prefix"
cmake --install build --prefix "$prefix"
id=io.github.orvanta.orvanta
expected=(bin/orvanta bin/orvanta-cli
          share/applications/$id.desktop
          share/icons/hicolor/16x16/apps/$id.png
          share/icons/hicolor/32x32/apps/$id.png
          share/icons/hicolor/48x48/apps/$id.png
          share/icons/hicolor/scalable/apps/$id.svg
          share/metainfo/$id.metainfo.xml)
installed=$(cd "$prefix" && find . -type f -printf '%P\n' | LC_ALL=C sort)
if [ "$installed" != "$(printf '%s\n' "${expected[@]}")" ]; then
  echo "The install holds other files than expected:" >&2
  diff <(printf '%s\n' "${expected[@]}") <(echo "$installed") >&2
  exit 1
fi
for program in orvanta orvanta-cli; do
  [ -x "$prefix/bin/$program" ] || { echo "$program is installed without execute permission" >&2; exit 1; }
done
desktop-file-validate "$prefix/share/applications/$id.desktop"
appstreamcli validate --no-net --pedantic --strict "$prefix/share/metainfo/$id.metainfo.xml"
appstreamcli validate-tree --no-net --pedantic --strict "$prefix"

echo "== AddressSanitizer + UndefinedBehaviorSanitizer build"
cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DORVANTA_SANITIZE=ON -DORVANTA_BENCH=OFF \
  -DBUILD_TESTING=ON -DCMAKE_REQUIRE_FIND_PACKAGE_GTest=ON
cmake --build build-asan -j"$jobs"
ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
  ctest --test-dir build-asan --output-on-failure -j"$jobs"

echo "== Windows build, tests and the viewer under Wine, the zip"
bash scripts/windows.sh build-windows

echo "== Fuzz targets, a short run each"
bash scripts/fuzz-smoke.sh build-fuzz-smoke
