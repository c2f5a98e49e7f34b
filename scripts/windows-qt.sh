#!/usr/bin/env bash
# Builds a static, release qtbase for 64-bit Windows (Core, Gui, Widgets, Test,
# the windows and offscreen platform plugins, the windowsvista style) from
# Debian's own source package with Debian's MinGW-w64, using Debian's host Qt
# as the host tools (moc, rcc, uic). Installs it into a cache outside the
# repository, keyed by the Qt version and by this script and its patches, so a
# machine builds it once. Prints the install prefix on its last line.
#
#   bash scripts/windows-qt.sh    # ORVANTA_QT_JOBS=N: N compilers at once (default: nproc)
set -euo pipefail
cd "$(dirname "$0")/.."
here=$PWD

bash scripts/deps.sh cmake ninja-build perl dpkg-dev patch qt6-base-dev qt6-base-dev-tools \
  g++-mingw-w64-x86-64-posix >&2

version=$(dpkg-query -W -f='${Version}' qt6-base-dev) # e.g. 6.4.2+dfsg-10
upstream=${version%%[+~-]*}
patches=(scripts/qt-patches/*.patch)
key=$(cat scripts/windows-qt.sh "${patches[@]}" | sha256sum | cut -c1-12)
cache=${XDG_CACHE_HOME:-$HOME/.cache}/orvanta
prefix=$cache/qt-mingw-$upstream-$key
if [ -f "$prefix/.complete" ]; then
  echo "$prefix"
  exit 0
fi

sudo=""
[ "$(id -u)" -ne 0 ] && sudo="sudo"

# apt-get source needs deb-src entries: copy those of the configured Debian
# archives when there are none.
if ! apt-cache showsrc qt6-base 2>/dev/null | grep -q '^Package:'; then
  echo "Adding deb-src entries for the Debian archives" >&2
  stanzas=$(for f in /etc/apt/sources.list.d/*.sources; do
    [ -f "$f" ] || continue
    awk 'BEGIN { RS = ""; FS = "\n" }
      { types = ""; uris = ""
        for (i = 1; i <= NF; i++) { if ($i ~ /^Types:/) types = $i; if ($i ~ /^URIs:/) uris = $i }
        if (types ~ /[ \t]deb([ \t]|$)/ && uris ~ /debian/) {
          for (i = 1; i <= NF; i++) {
            if ($i ~ /^#/) continue
            print ($i ~ /^Types:/ ? "Types: deb-src" : $i)
          }
          print ""
        } }' "$f"
  done)
  lines=$(grep -hsE '^[[:space:]]*deb[[:space:]].*debian' /etc/apt/sources.list /etc/apt/sources.list.d/*.list \
          | sed -E 's/^[[:space:]]*deb[[:space:]]/deb-src /' || true)
  [ -n "$stanzas" ] && printf '%s\n' "$stanzas" | $sudo tee /etc/apt/sources.list.d/orvanta-deb-src.sources >/dev/null
  [ -n "$lines" ] && printf '%s\n' "$lines" | $sudo tee /etc/apt/sources.list.d/orvanta-deb-src.list >/dev/null
  $sudo apt-get update -q >&2
fi

work=$cache/qt-mingw-work-$key
rm -rf "$work"
mkdir -p "$work"
cd "$work"
echo "Fetching the source of qt6-base $version into $work" >&2
apt-get source -q --download-only "qt6-base=$version" >&2
dpkg-source --no-check -x ./*.dsc src >&2
for p in "${patches[@]}"; do
  patch -d src -p1 --forward --batch < "$here/$p" >&2
done

cat > toolchain.cmake <<'EOF'
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(CMAKE_C_COMPILER x86_64-w64-mingw32-gcc-posix)
set(CMAKE_CXX_COMPILER x86_64-w64-mingw32-g++-posix)
set(CMAKE_RC_COMPILER x86_64-w64-mingw32-windres)
set(CMAKE_FIND_ROOT_PATH /usr/x86_64-w64-mingw32)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
EOF

# Everything the viewer does not use is off; every third-party library is
# Qt's bundled copy, linked in, so the programs import only system DLLs.
# FreeType stays on for the offscreen platform plugin the window tests run on.
# Debian's source has no wintab, hence no tablet events. DirectWrite 3 goes
# with Direct2D: without it, applications fail to link
# (QWindowsDirectWriteFontDatabase undefined).
off=(network sql printsupport opengl vulkan dbus xml concurrent tabletevent
     direct2d directwrite3 fontconfig icu glib zstd jpeg gif ico
     system_freetype system_zlib system_pcre2 system_harfbuzz system_png
     system_doubleconversion system_textmarkdownreader system_libb2)
args=()
for f in "${off[@]}"; do args+=("-DFEATURE_$f=OFF"); done
jobs=${ORVANTA_QT_JOBS:-$(nproc)}
echo "Configuring and building Qt (ninja -j$jobs); the log is $work/build.log" >&2
rm -rf "$prefix"
{
  cmake -S src -B build -G Ninja -DCMAKE_TOOLCHAIN_FILE="$work/toolchain.cmake" \
    -DCMAKE_BUILD_TYPE=Release -DBUILD_SHARED_LIBS=OFF -DCMAKE_INSTALL_PREFIX="$prefix" \
    -DQT_HOST_PATH=/usr -DQT_HOST_PATH_CMAKE_DIR="/usr/lib/$(dpkg-architecture -qDEB_HOST_MULTIARCH)/cmake" \
    -DQT_QMAKE_TARGET_MKSPEC=win32-g++ -DINPUT_opengl=no \
    -DQT_BUILD_EXAMPLES=OFF -DQT_BUILD_TESTS=OFF -DQT_BUILD_BENCHMARKS=OFF \
    -DFEATURE_testlib=ON -DFEATURE_gui=ON -DFEATURE_widgets=ON -DFEATURE_png=ON \
    "${args[@]}"
  cmake --build build -j"$jobs"
  cmake --install build
} > build.log 2>&1 || { tail -40 build.log >&2; echo "Qt build failed: $work/build.log" >&2; exit 1; }
touch "$prefix/.complete"
cd "$cache"
rm -rf "$work"
echo "$prefix"
