#!/usr/bin/env bash
# The demo: installs what is missing, builds, and runs panelconf as root in a
# private sandbox against the bundled two-screen sample configuration, with
# the driver stand-in serving screen 0. Without a display it runs under a
# private Xvfb. Nothing on this machine's own X configuration is touched.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD

bash scripts/install-deps.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j "$(nproc 2>/dev/null || echo 2)" >/dev/null

xvfb_pid=""
cleanup() { [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null; true; }
trap cleanup EXIT
if [ -z "${DISPLAY:-}" ]; then
  for n in $(seq 90 150); do
    [ -e "/tmp/.X11-unix/X$n" ] || [ -e "/tmp/.X$n-lock" ] || break
  done
  Xvfb ":$n" -noreset -nolisten tcp -screen 0 1024x768x24 >/dev/null 2>&1 &
  xvfb_pid=$!
  for _ in $(seq 100); do [ -e "/tmp/.X11-unix/X$n" ] && break; sleep 0.05; done
  export DISPLAY=":$n"
  echo "(no display: running under Xvfb on $DISPLAY)"
fi

export PATH="$root/build/tools/xsetpointer:$root/build/tools/driversim:$PATH"
export GDK_BACKEND=x11
export DEMO_ROOT="$root"

exec tools/sandbox -- bash -euo pipefail -c '
  install -m 0644 "$DEMO_ROOT/scripts/demo-xorg.conf" /etc/X11/xorg.conf
  rm -f /etc/X11/XF86Config-4 /etc/X11/XF86Config
  driversim --screen 0 > /tmp/driversim.log 2>&1 &
  sim=$!
  for _ in $(seq 200); do grep -q "^ready" /tmp/driversim.log 2>/dev/null && break; sleep 0.05; done
  echo "== driver stand-in: $(head -n 1 /tmp/driversim.log)"
  echo "== panelconf"
  status=0
  "$DEMO_ROOT/build/panelconf/panelconf" "$@" || status=$?
  kill "$sim" 2>/dev/null; wait "$sim" 2>/dev/null || true
  echo "== driver stand-in log"
  sed "s/^/   /" /tmp/driversim.log
  echo "== /etc/X11/xorg.conf inside the sandbox now differs from the sample by:"
  diff "$DEMO_ROOT/scripts/demo-xorg.conf" /etc/X11/xorg.conf && echo "   (nothing)"
  exit $status
' demo "$@"
