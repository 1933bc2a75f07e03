#!/usr/bin/env bash
# Runs a GUI test program inside the sandbox (private IPC for segment 1234,
# private /etc/X11) with its own Xvfb (-noreset, first free display).
#
#   tests/ui/run_gui.sh PROGRAM [ARGS...]
#
# Listing tests (--gtest_list_tests) needs neither and runs directly.
# PANEL_XVFB_SCREENS lists the X screens to serve, blank-separated WxHxD
# (default one 1024x768x24 screen), for the display profiles of panel PCs.
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
trap 'kill $xvfb 2>/dev/null || true; wait $xvfb 2>/dev/null || true; rm -f "$fifo"' EXIT
read -r -t 20 number <"$fifo"
export DISPLAY=":$number" GDK_BACKEND=x11 NO_AT_BRIDGE=1
"$@"
