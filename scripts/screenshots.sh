#!/usr/bin/env bash
# Renders every page of the main window in English and Japanese, the
# start-up message dialog and every other message dialog, to PNG under
# docs/screenshots/. Runs the real
# program on the demo configuration inside the sandbox under a private Xvfb.
#
#   scripts/screenshots.sh [BUILD_DIR]     (default: build)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:-$root/build}" && pwd)
out="$root/docs/screenshots"
mkdir -p "$out"

if [ -z "${PANEL_SHOTS_SANDBOXED:-}" ]; then
  PANEL_SHOTS_SANDBOXED=1 exec "$root/tools/sandbox" -- "$0" "$build"
fi

fifo=$(mktemp -u /tmp/panel-shots.XXXXXX); mkfifo "$fifo"
Xvfb -displayfd 5 -noreset -nolisten tcp -screen 0 1024x768x24 5>"$fifo" >/dev/null 2>&1 &
xvfb=$!
fake=$(mktemp -d /tmp/panel-shots-bin.XXXXXX)
trap 'kill $xvfb 2>/dev/null || true; rm -rf "$fifo" "$fake"' EXIT
read -r -t 20 number <"$fifo"
export DISPLAY=":$number" GDK_BACKEND=x11 NO_AT_BRIDGE=1

cp "$root/scripts/demo-xorg.conf" /etc/X11/xorg.conf
python3 "$root/tests/ui/fakeblock.py" 4 2 7 >"$fake/block" & block=$!
until [ -s "$fake/block" ]; do sleep 0.05; done
pages=(main driver calibration setting advanced communication information)

# Crops a window from the root picture (no window manager draws frames).
shoot() {
  local id=$1 file=$2
  eval "$(xdotool getwindowgeometry --shell "$id")"
  import -window root -crop "${WIDTH}x${HEIGHT}+${X}+${Y}" +repage "$file"
}

window_named() {
  for id in $(xdotool search --onlyvisible --class panelconf 2>/dev/null); do
    [ "$(xdotool getwindowname "$id")" = "$1" ] && { echo "$id"; return 0; }
  done
  return 1
}

for lang in en ja; do
  if [ $lang = ja ]; then LANG=ja_JP.eucJP; title="タッチパネルユーティリティ"; dlg="説明"
  else LANG=C.UTF-8; title="TouchPanel Utility"; dlg="Explanation"; fi
  export LANG

  # Driver loaded, root: no dialog.
  printf '#!/bin/sh\necho "TAVIR TouchPanel0 pointer"\n' >"$fake/xsetpointer"; chmod +x "$fake/xsetpointer"
  PATH="$fake:$PATH" "$build/panelconf/panelconf" >/dev/null 2>&1 & prog=$!
  until id=$(window_named "$title"); do sleep 0.1; done
  sleep 0.5
  # A click on the first tab gives the notebook itself the focus, so that
  # Ctrl+Page_Down turns the pages (a focused scale or entry would take the
  # key for itself).
  xdotool windowfocus --sync "$id"; xdotool mousemove --window "$id" 30 71 click 1
  xdotool mousemove 1000 700; sleep 0.3
  for i in "${!pages[@]}"; do
    shoot "$id" "$out/$lang-$((i + 1))-${pages[$i]}.png"
    xdotool windowfocus --sync "$id"; xdotool key ctrl+Page_Down; sleep 0.3
  done
  kill $prog; wait $prog 2>/dev/null || true

  # No driver loaded: message dialog 2.
  printf '#!/bin/sh\necho "Virtual core pointer"\n' >"$fake/xsetpointer"
  PATH="$fake:$PATH" "$build/panelconf/panelconf" >/dev/null 2>&1 & prog=$!
  until id=$(window_named "$dlg"); do sleep 0.1; done
  sleep 0.5
  shoot "$id" "$out/$lang-dialog-driver-not-loaded.png"
  kill $prog; wait $prog 2>/dev/null || true

  # Every message dialog, one after the other.
  "$build/tests/ui/dialog_gallery" "$out/$lang-message-" >/dev/null
done
kill $block
ls "$out"
