#!/usr/bin/env python3
"""Benchmark, not a test: how fast panelconf takes up the driver's answer
during a calibration run, and what the waiting costs in processor time.

Runs `panelconf -c` on the bundled sample (9 points) against the driver
stand-in answering about 300 ms after each target is shown, inside the
sandbox under a private Xvfb, several times each for:

  watcher  as built: a thread looks at the block every 16 ms and wakes the
           main loop only when the driver has answered
  timer    the same look from a GLib timer in the main loop at the same
           interval (the program's fallback when no thread can be made)
  idle     the same look from an idle handler

All run as tests/bench/calibpollprobe, which is `panelconf -c` with the
poll chosen by wrapping two calls at link time, and they take turns run by
run, so that the machine's changing load falls on each alike.

The stand-in's delay is 300 ms in the first run, 302 in the second and so
on: it counts from the moment it sees a target, which is just after one of
panelconf's polls, so a fixed delay would always land at the same point of
the poll interval; stepping it spreads the answers over the interval as
real touches are.

It prints, per variant, the median and worst time from the stand-in
setting calState to 2 until panelconf sets it back to 1 (timed by the
stand-in), and panelconf's processor time from the first target to the
last answer as a share of one core (from the kernel's per-thread
run-time accounting, /proc/PID/task/*/schedstat), split into the main
thread (which also draws the nine targets) and the other threads (the
watcher). Last, what a bare C loop sleeping 16 ms at a time costs here:
the floor of any waiter that looks that often.

    PANEL_BUILD_DIR=build-cal python3 tests/bench/calibration_poll.py [RUNS]
"""
import json
import os
import statistics
import subprocess
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "harness"))
import panelharness as h  # noqa: E402

SAMPLE = os.path.join(h.SOURCE_DIR, "scripts", "demo-xorg.conf")
# The stand-in's delay grows by this much from run to run, so that the
# answers fall over the whole of the watcher's 16 ms interval.
STEP_MS = 2
WATCH_MS = 16

# The floor of any waiter that looks every WATCH_MS: a bare C loop of
# nanosleep, its processor time as a share of one core.
SLEEPER = r"""
#include <stdio.h>
#include <time.h>
int main(void) {
    struct timespec interval = {0, %d * 1000000L}, start, end, cpu;
    clock_gettime(CLOCK_MONOTONIC, &start);
    for (int i = 0; i < 3000 / %d; ++i) nanosleep(&interval, 0);
    clock_gettime(CLOCK_MONOTONIC, &end);
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &cpu);
    double wall = (end.tv_sec - start.tv_sec) + (end.tv_nsec - start.tv_nsec) / 1e9;
    printf("%%.2f\n", 100 * (cpu.tv_sec + cpu.tv_nsec / 1e9) / wall);
    return 0;
}
"""


def sleeper_share():
    import tempfile
    with tempfile.TemporaryDirectory() as work:
        src, exe = os.path.join(work, "sleeper.c"), os.path.join(work, "sleeper")
        with open(src, "w") as f:
            f.write(SLEEPER % (WATCH_MS, WATCH_MS))
        subprocess.run(["cc", "-O2", src, "-o", exe], check=True)
        return float(subprocess.run([exe], capture_output=True, text=True).stdout)
PROBE = os.path.join(h.BUILD_DIR, "tests", "bench", "calibpollprobe")

# Runs inside the sandbox: starts the stand-in and panelconf -c, follows the
# stand-in's lines, samples panelconf's run time at the first target and at
# the end of the run, and prints one JSON line.
INSIDE = r'''
import glob, json, os, subprocess, sys, time

sim_path, probe, variant, delay = sys.argv[1], sys.argv[2], sys.argv[3], sys.argv[4]

def cpu_ns(pid):
    # Run time so far: of the main thread, and of all other threads together.
    main, others = 0, 0
    for f in glob.glob(f"/proc/{pid}/task/*/schedstat"):
        try:
            ns = int(open(f).read().split()[0])
        except (OSError, ValueError, IndexError):
            continue
        if f.split("/")[4] == str(pid):
            main += ns
        else:
            others += ns
    return main, others

sim = subprocess.Popen([sim_path, "--calib", "auto", "--delay", delay],
                       stdout=subprocess.PIPE, text=True, bufsize=1)
assert sim.stdout.readline().startswith("ready "), "stand-in did not start"
app = subprocess.Popen([probe, variant], stdout=subprocess.DEVNULL)
replies, start, end = [], None, None
for line in sim.stdout:
    if line.startswith("calib target point=1") and start is None:
        start = (time.monotonic_ns(), cpu_ns(app.pid))
    elif line.startswith("calib reply "):
        replies.append(float(line.split("ms=")[1]))
    elif line.startswith("calib done "):
        end = (time.monotonic_ns(), cpu_ns(app.pid))
        break
status = app.wait()
sim.terminate()
sim.wait()
wall = end[0] - start[0]
print(json.dumps({"status": status, "replies": replies, "wall_ns": wall,
                  "main_ns": end[1][0] - start[1][0], "other_ns": end[1][1] - start[1][1]}))
'''


def one_run(display, variant, delay):
    script = f'''
cp "{SAMPLE}" /etc/X11/xorg.conf
exec "{sys.executable}" -c '{INSIDE}' "{h.program("driversim")}" "{PROBE}" {variant} {delay}
'''
    env = h.base_env(display, LANG="C", HOME="/tmp")
    result = h.run_in_sandbox(script, env, timeout=120)
    if result.returncode != 0:
        raise RuntimeError(result.stderr)
    return json.loads(result.stdout.strip().splitlines()[-1])


def main():
    runs = int(sys.argv[1]) if len(sys.argv) > 1 else 8
    print(f"9-point run, stand-in answering 300..{300 + STEP_MS * (runs - 1)} ms after each "
          f"target, {runs} runs per variant")
    print(f"{'variant':8} {'replies':>7} {'median ms':>10} {'worst ms':>9} {'cpu share':>10}"
          f" {'main thread':>12} {'others':>7}")
    variants = ("watcher", "timer", "idle")
    totals = {name: {"replies": [], "main_ns": 0, "other_ns": 0, "wall_ns": 0} for name in variants}
    with h.XServer() as x:
        # Interleaved, the order turning from run to run, so that a load
        # that comes and goes on the machine falls on every variant alike.
        for run in range(runs):
            for k in range(len(variants)):
                name = variants[(run + k) % len(variants)]
                r = one_run(x.display, name, 300 + STEP_MS * run)
                if r["status"] != 0:
                    raise RuntimeError(f"panelconf -c ended with {r['status']}")
                t = totals[name]
                t["replies"] += r["replies"]
                for key in ("main_ns", "other_ns", "wall_ns"):
                    t[key] += r[key]
    for name in variants:
        t = totals[name]
        replies, wall = t["replies"], t["wall_ns"]
        print(f"{name:8} {len(replies):7d} {statistics.median(replies):10.3f} "
              f"{max(replies):9.3f} {100.0 * (t['main_ns'] + t['other_ns']) / wall:9.2f}%"
              f" {100.0 * t['main_ns'] / wall:11.2f}% {100.0 * t['other_ns'] / wall:6.2f}%")
    print(f"floor: a bare loop of {WATCH_MS} ms sleeps on this machine costs "
          f"{sleeper_share():.2f}% of a core")

if __name__ == "__main__":
    main()
