#!/usr/bin/env bash
# Makes the README's screenshots (doc/screenshots/*.png) from the project's
# sample on a virtual X screen, so they can be made again when the window
# changes: bash scripts/screenshots.sh [BUILD_DIR]
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
bash scripts/deps.sh xvfb xauth fonts-dejavu-core optipng
if [ ! -f "$build/CMakeCache.txt" ]; then
  cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DORVANTA_GUI=ON -DORVANTA_BENCH=ON -DBUILD_TESTING=OFF
fi
cmake --build "$build" --target shoot
mkdir -p doc/screenshots
# A plain style and the DejaVu faces, whatever the machine has besides.
QT_QPA_PLATFORM=xcb QT_STYLE_OVERRIDE=Fusion \
  xvfb-run -a -s "-screen 0 1280x800x24" "$build/doc/shoot/shoot" samples/sample.txt doc/screenshots
optipng -quiet -o2 doc/screenshots/*.png
du -ch doc/screenshots/*.png | tail -1
