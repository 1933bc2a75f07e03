#!/usr/bin/env bash
# Runs a GUI test program inside the sandbox (private IPC for segment 1234,
# private /etc/X11) with its own Xvfb (-noreset, first free display).
#
#   tests/ui/run_gui.sh PROGRAM [ARGS...]
#
# Listing tests (--gtest_list_tests) needs neither and runs directly.
# PANEL_XVFB_SCREENS lists the X screens to serve, blank-separated WxHxD
# (default one 1024x768x24 screen), for the display profiles of panel PCs.
# PANEL_WM names a window manager to run first (e.g. openbox; default none).
# PANEL_DOCK adds a desktop panel along one edge, EDGE:PIXELS (bottom:40),
# made by the program PANEL_DOCK_PROGRAM (tests/support/paneldock).
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
for arg in "$@"; do
  if [ "$arg" = "--gtest_list_tests" ]; then exec "$@"; fi
done
if [ -z "${PANEL_GUI_SANDBOXED:-}" ]; then
  PANEL_GUI_SANDBOXED=1 exec "$here/../../tools/sandbox" -- "$0" "$@"
fi
unset PANEL_GUI_SANDBOXED
fifo=$(mktemp -u /tmp/panel-xvfb.XXXXXX)
mkfifo "$fifo"
screens=()
n=0
for geometry in ${PANEL_XVFB_SCREENS:-1024x768x24}; do
  screens+=(-screen "$n" "$geometry")
  n=$((n + 1))
done
Xvfb -displayfd 5 -noreset -nolisten tcp "${screens[@]}" 5>"$fifo" >/dev/null 2>&1 &
xvfb=$!
helpers=()
cleanup() {
  for pid in "${helpers[@]}" $xvfb; do kill "$pid" 2>/dev/null || true; done
  wait 2>/dev/null || true
  rm -f "$fifo"
}
trap cleanup EXIT
read -r -t 20 number <"$fifo"
export DISPLAY=":$number" GDK_BACKEND=x11 NO_AT_BRIDGE=1

if [ -n "${PANEL_WM:-}" ]; then
  "$PANEL_WM" --sm-disable >/dev/null 2>&1 &
  helpers+=($!)
  # Ready once it announces itself on the root window.
  for _ in $(seq 200); do
    xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id' && break
    sleep 0.05
  done
  xprop -root _NET_SUPPORTING_WM_CHECK | grep -q 'window id' || { echo "run_gui.sh: $PANEL_WM did not start" >&2; exit 1; }
fi
if [ -n "${PANEL_DOCK:-}" ]; then
  said=$(mktemp /tmp/panel-dock.XXXXXX)
  "${PANEL_DOCK_PROGRAM:?PANEL_DOCK needs PANEL_DOCK_PROGRAM}" "$PANEL_DOCK" >"$said" &
  dock=$!
  helpers+=($dock)
  # Ready once it says so (after the window manager has left its strip out).
  for _ in $(seq 400); do
    grep -q ready "$said" || ! kill -0 $dock 2>/dev/null && break
    sleep 0.05
  done
  grep -q ready "$said" || { echo "run_gui.sh: no panel" >&2; rm -f "$said"; exit 1; }
  rm -f "$said"
fi
"$@"
