#!/usr/bin/env bash
# The demo: installs what is missing, builds, and runs panelconf as root in a
# private sandbox against the bundled two-screen sample configuration, with
# the driver stand-in serving screen 0 and the controller stand-in on the
# second serial port. Nothing of this machine's own X configuration, shared
# memory or serial ports is touched.
#
# With a display: the window stays until you press OK or Cancel or close it;
# the Calibration button takes your mouse clicks as touches.
# Without a display: it runs under a private Xvfb, the driver stand-in
# answers the calibration targets by itself, a picture of the window is saved
# to build/demo-window.png, and the window is closed after DEMO_SECONDS
# (default 15) as a window manager would close it.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD

bash scripts/install-deps.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j "$(nproc 2>/dev/null || echo 2)" >/dev/null

headless=0
xvfb_pid=""
cleanup() { [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null; true; }
trap cleanup EXIT
if [ -z "${DISPLAY:-}" ]; then
  headless=1
  fifo=$(mktemp -u /tmp/panel-demo-xvfb.XXXXXX)
  mkfifo "$fifo"
  Xvfb -displayfd 5 -noreset -nolisten tcp -screen 0 1024x768x24 5>"$fifo" >/dev/null 2>&1 &
  xvfb_pid=$!
  read -r -t 20 number <"$fifo"
  rm -f "$fifo"
  export DISPLAY=":$number"
  echo "(no display: running under Xvfb on $DISPLAY)"
fi

export PATH="$root/build/tools/xsetpointer:$root/build/tools/driversim:$root/build/tools/serialsim:$PATH"
export GDK_BACKEND=x11
export DEMO_ROOT="$root"
if [ $headless -eq 1 ]; then
  export DEMO_CALIB=auto
else
  export DEMO_CALIB=pointer
fi

run_demo() {
  tools/sandbox -- bash -euo pipefail -c '
    install -m 0644 "$DEMO_ROOT/scripts/demo-xorg.conf" /etc/X11/xorg.conf
    rm -f /etc/X11/XF86Config-4 /etc/X11/XF86Config
    driversim --screen 0 --calib "$DEMO_CALIB" > /tmp/driversim.log 2>&1 &
    sim=$!
    serialsim --link /dev/ttyS1 --replace > /tmp/serialsim.log 2>&1 &
    serial=$!
    for _ in $(seq 200); do grep -q "^ready" /tmp/driversim.log 2>/dev/null && break; sleep 0.05; done
    echo "== driver stand-in: $(head -n 1 /tmp/driversim.log)"
    echo "== panelconf"
    status=0
    "$DEMO_ROOT/build/panelconf/panelconf" "$@" || status=$?
    kill "$sim" "$serial" 2>/dev/null || true
    wait "$sim" "$serial" 2>/dev/null || true
    echo "== driver stand-in log"
    sed "s/^/   /" /tmp/driversim.log
    echo "== controller stand-in log"
    sed "s/^/   /" /tmp/serialsim.log
    echo "== /etc/X11/xorg.conf inside the sandbox now differs from the sample by:"
    diff "$DEMO_ROOT/scripts/demo-xorg.conf" /etc/X11/xorg.conf && echo "   (nothing)"
    echo "== panelconf exit status $status"
    exit $status
  ' demo "$@"
}

if [ $headless -eq 0 ]; then
  run_demo "$@"
  exit $?
fi

run_demo "$@" &
demo=$!
python3 - "$DISPLAY" "$demo" "${DEMO_SECONDS:-15}" "$root/build/demo-window.png" <<'PY'
import os, subprocess, sys, time
sys.path.insert(0, os.path.join(os.environ["DEMO_ROOT"], "tests", "harness"))
import xclose
display, pid, seconds, picture = sys.argv[1], int(sys.argv[2]), float(sys.argv[3]), sys.argv[4]

def alive():
    try:
        os.kill(pid, 0)
        return True
    except ProcessLookupError:
        return False

deadline = time.time() + 60
while alive() and time.time() < deadline and "TouchPanel Utility" not in xclose.titles(display):
    time.sleep(0.1)
time.sleep(1.5)
# A start-up message (such as "driver not loaded") is answered first.
while alive() and xclose.titles(display) and xclose.titles(display)[-1] != "TouchPanel Utility":
    xclose.close_topmost(display)
    time.sleep(0.5)
subprocess.run(["import", "-display", display, "-window", "root", picture],
               stderr=subprocess.DEVNULL)
print(f"== picture of the window: {picture}", flush=True)
end = time.time() + seconds
while alive() and time.time() < end:
    time.sleep(0.2)
while alive():
    if xclose.close_topmost(display) is None:
        time.sleep(0.2)
    time.sleep(0.5)
PY
wait "$demo"
