#!/usr/bin/env bash
# Runs the Windows viewer under Wine on a virtual X screen and drives it from
# the keyboard as a user would: opens samples/sample.txt, selects an object,
# opens the About box, starts a second instance on the same file (refused by
# the first one's hold), and leaves through File > Exit, which writes the
# settings beside the executable. The screen is kept at each step:
# BUILD/screenshots/*.png.
#
#   bash scripts/windows-smoke.sh BUILD    # BUILD: absolute, as scripts/windows.sh gives it
set -euo pipefail
cd "$(dirname "$0")/.."
build=$1
if [ "${2:-}" != --on-screen ]; then
  # fonts-wine: the Marlett face Wine draws the caption buttons with.
  bash scripts/deps.sh xvfb xauth x11-utils xdotool imagemagick wine64 fonts-dejavu-core fonts-liberation2 fonts-wine
  exec xvfb-run -a -s "-screen 0 1024x768x24 -nolisten tcp" bash "$0" "$build" --on-screen
fi

wine=$(command -v wine64 || echo /usr/lib/wine/wine64)
wineserver=$(command -v wineserver || echo /usr/lib/wine/wineserver)
# A prefix of its own: the tests' prefix keeps Wine's defaults.
export WINEDEBUG=-all WINEPREFIX="$build/wineprefix-desktop" WINEDLLOVERRIDES="mscoree,mshtml="
shots=$build/screenshots
rm -rf "$shots"
mkdir -p "$shots"
if [ ! -f "$WINEPREFIX/system.reg" ]; then
  "$wine" wineboot --init >/dev/null 2>&1
  "$wineserver" -w
  cp -L /usr/share/wine/fonts/marlett.ttf "$WINEPREFIX/drive_c/windows/Fonts/"
fi
# Wine lacks Windows' own faces: free faces of the same kind stand in for
# them. Without a window manager Wine draws the window frames itself.
printf '%s\r\n' 'REGEDIT4' '' \
  '[HKEY_CURRENT_USER\Software\Wine\Fonts\Replacements]' \
  '"Tahoma"="DejaVu Sans"' '"Segoe UI"="DejaVu Sans"' '"Courier New"="Liberation Mono"' '' \
  '[HKEY_CURRENT_USER\Software\Wine\X11 Driver]' '"Decorated"="N"' > "$WINEPREFIX/drive_c/orvanta.reg"
"$wine" regedit /S 'C:\orvanta.reg'
"$wineserver" -w

fail() {
  echo "windows-smoke: $*" >&2
  import -window root "$shots/failure.png" || true
  "$wineserver" -k || true
  exit 1
}

# The first visible window of process PID whose name matches NAME, within a minute.
window_of() {
  timeout 60 xdotool search --sync --all --onlyvisible --pid "$1" --name "$2" 2>/dev/null | head -n 1
}

# The visible windows of process PID whose names match NAME, lowest first,
# once there are COUNT of them, within a minute.
windows_of() {
  local ids
  for _ in $(seq 300); do
    ids=$(xdotool search --all --onlyvisible --pid "$1" --name "$2" 2>/dev/null || true)
    if [ "$(grep -c . <<< "$ids")" -ge "$3" ]; then
      for id in $ids; do echo "$(xwininfo -id "$id" | awk '/Height:/ { print $2 }') $id"; done | sort -n | cut -d' ' -f2
      return 0
    fi
    sleep 0.2
  done
  return 1
}

# The screen as NAME.png, once it has stopped changing.
shoot() {
  local previous="" current
  for _ in $(seq 100); do
    current=$(import -window root rgb:- | md5sum)
    [ "$current" = "$previous" ] && break
    previous=$current
    sleep 0.2
  done
  import -window root "$shots/$1.png"
}

# Waits for window ID to go from the screen, within a minute.
gone() {
  for _ in $(seq 300); do
    xwininfo -id "$1" 2>/dev/null | grep -q 'Map State: IsViewable' || return 0
    sleep 0.2
  done
  xwininfo -id "$1" >&2
  return 1
}

# Waits for process PID to end, within a minute; its exit status.
ended() {
  for _ in $(seq 300); do
    kill -0 "$1" 2>/dev/null || break
    sleep 0.2
  done
  kill -0 "$1" 2>/dev/null && return 1
  wait "$1"
}

exe=$build/orvanta.exe
sample="Z:${PWD//\//\\}\\samples\\sample.txt"
rm -f "$build/quib.zup"

"$wine" "$exe" "$sample" &
first=$!
main=$(window_of $first '^sample\.txt - ') || fail "no main window with the sample loaded"
xdotool windowfocus --sync "$main"
# The tree has the focus: its top, the file, then two down, the second object.
xdotool key --delay 100 Home Down Down
shoot main-window

xdotool key --delay 200 alt+h Return
about=$(window_of $first '^About ') || fail "no About box"
shoot about-box
xdotool key Return
gone "$about" || fail "the About box stays"

# A second instance, over its empty window, tells why it cannot open the file.
"$wine" "$exe" "$sample" &
second=$!
windows=$(windows_of $second '^Orvanta$' 2) || fail "the second instance shows no error box"
refusal=$(head -n 1 <<< "$windows")
empty=$(tail -n 1 <<< "$windows")
shoot second-instance
xdotool windowfocus --sync "$refusal" key Return
gone "$refusal" || fail "the error box stays"
xdotool windowfocus --sync "$empty" key --delay 200 alt+f x
ended $second || fail "the second instance did not end through File > Exit"

xdotool windowfocus --sync "$main" key --delay 200 alt+f x
ended $first || fail "the viewer did not end through File > Exit"
[ -f "$build/quib.zup" ] || fail "no settings written beside the executable"
"$wineserver" -k || true
echo "Screenshots: $shots"
