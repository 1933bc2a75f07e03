#!/usr/bin/env python3
"""Start-up benchmark (not a test): panelconf against a minimal GTK 3 program
(one window, one label: the toolkit's floor), in paired runs that alternate
the two, on a fresh Xvfb per run and on one warm Xvfb where a GTK program
has already run.

For every run it logs each frame GTK paints (tests/bench/paintlog.c,
preloaded into both programs) and reports, from the moment the process is
started: the first paint, the last paint before the program is idle (no
paint for 600 ms), how many frames were painted, whether the first frame
already had the window's final size, and the peak RSS. Ratios are taken
per pair, then the median over the pairs.

    python3 tests/bench/startup_bench.py [BUILD_DIR] [PAIRS]

Runs itself inside tools/sandbox (segment 1234 and /etc/X11 are private).
The goals: last paint at most 1.5x the floor's, peak RSS at most the
floor + 8 MiB, and one complete frame first.
"""
import os
import statistics
import subprocess
import sys
import tempfile
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "harness"))
import panelharness  # noqa: E402

ROOT = os.path.abspath(os.path.join(os.path.dirname(__file__), "..", ".."))
BUILD = os.path.abspath(sys.argv[1] if len(sys.argv) > 1 else os.path.join(ROOT, "build"))
PAIRS = int(sys.argv[2]) if len(sys.argv) > 2 else 8
IDLE_MS = 600

MINIMAL = r"""
#include <gtk/gtk.h>
int main(int argc, char** argv) {
    gtk_init(&argc, &argv);
    GtkWidget* w = gtk_window_new(GTK_WINDOW_TOPLEVEL);
    gtk_window_set_title(GTK_WINDOW(w), "minimal");
    gtk_container_add(GTK_CONTAINER(w), gtk_label_new("minimal"));
    gtk_widget_set_size_request(w, 420, 300);
    g_signal_connect(w, "destroy", G_CALLBACK(gtk_main_quit), NULL);
    gtk_widget_show_all(w);
    gtk_main();
    return 0;
}
"""


def measure(cmd, display, env_extra, shim, work):
    """One run: the paint log and the peak RSS of cmd until it is idle."""
    log = os.path.join(work, "paints")
    if os.path.exists(log):
        os.unlink(log)
    env = dict(os.environ, DISPLAY=display, GDK_BACKEND="x11", NO_AT_BRIDGE="1",
               PAINT_LOG=log, LD_PRELOAD=shim, XDG_CONFIG_HOME=os.path.join(work, "config"),
               **env_extra)
    start = time.monotonic_ns()
    proc = subprocess.Popen(cmd, env=env, stdout=subprocess.DEVNULL, stderr=subprocess.PIPE)
    paints = []
    while True:
        time.sleep(0.02)
        if os.path.exists(log):
            with open(log) as f:
                paints = [line.split() for line in f if line.startswith("paint ")]
        now = time.monotonic_ns()
        if paints and (now - int(paints[-1][1])) / 1e6 > IDLE_MS:
            break
        if (now - start) / 1e9 > 30 or proc.poll() is not None:
            proc.kill()
            raise RuntimeError(f"{cmd[0]} did not paint and settle: {proc.communicate()[1][-400:]}")
    proc.terminate()
    _, _, usage = os.wait4(proc.pid, 0)
    times = [(int(p[1]) - start) / 1e6 for p in paints]
    sizes = [(int(p[2]), int(p[3])) for p in paints]
    return {"first": times[0], "last": times[-1], "frames": len(times),
            "complete_first": sizes[0] == sizes[-1], "rss": usage.ru_maxrss / 1024}


def build_helpers(work):
    minimal = os.path.join(work, "minimal")
    src = os.path.join(work, "minimal.c")
    with open(src, "w") as f:
        f.write(MINIMAL)
    gtk = subprocess.run(["pkg-config", "--cflags", "--libs", "gtk+-3.0"], capture_output=True,
                         text=True, check=True).stdout.split()
    subprocess.run(["cc", "-O2", src, "-o", minimal] + gtk, check=True)
    shim = os.path.join(work, "paintlog.so")
    subprocess.run(["cc", "-O2", "-shared", "-fPIC",
                    os.path.join(ROOT, "tests", "bench", "paintlog.c"), "-o", shim, "-ldl"] + gtk,
                   check=True)
    # Both programs without the text cursor's blinking, which repaints for
    # ever and would hide when start-up's own painting ends.
    os.makedirs(os.path.join(work, "config", "gtk-3.0"))
    with open(os.path.join(work, "config", "gtk-3.0", "settings.ini"), "w") as f:
        f.write("[Settings]\ngtk-cursor-blink=false\n")
    return minimal, shim


def summary(name, runs, floor_runs=None):
    def med(key):
        return statistics.median(r[key] for r in runs)
    line = (f"    {name:10} first {med('first'):6.1f} ms  last {med('last'):6.1f} ms  "
            f"frames {med('frames'):4.1f}  first frame complete {sum(r['complete_first'] for r in runs)}"
            f"/{len(runs)}  peak RSS {med('rss'):5.1f} MiB")
    if floor_runs is not None:
        last = statistics.median(r["last"] / f["last"] for r, f in zip(runs, floor_runs))
        first = statistics.median(r["first"] / f["first"] for r, f in zip(runs, floor_runs))
        rss = statistics.median(r["rss"] - f["rss"] for r, f in zip(runs, floor_runs))
        line += (f"\n    {'':10} ratio to the floor (median of pairs): last paint {last:4.2f}x, "
                 f"first paint {first:4.2f}x, RSS {rss:+5.1f} MiB")
    print(line)


def main():
    if not os.environ.get("PANEL_BENCH_SANDBOXED"):
        env = dict(os.environ, PANEL_BENCH_SANDBOXED="1")
        os.execve(os.path.join(ROOT, "tools", "sandbox"),
                  ["sandbox", "--", sys.executable, __file__, BUILD, str(PAIRS)], env)
    work = tempfile.mkdtemp(prefix="panel-bench-")
    minimal, shim = build_helpers(work)
    with open(os.path.join(work, "xsetpointer"), "w") as f:
        f.write('#!/bin/sh\necho "TAVIR TouchPanel0 pointer"\n')
    os.chmod(os.path.join(work, "xsetpointer"), 0o755)
    subprocess.run(["cp", os.path.join(ROOT, "scripts", "demo-xorg.conf"), "/etc/X11/xorg.conf"],
                   check=True)
    block = subprocess.Popen([sys.executable, os.path.join(ROOT, "tests", "ui", "fakeblock.py")],
                             stdout=subprocess.PIPE, text=True)
    block.stdout.readline()
    panel = ([os.path.join(BUILD, "panelconf", "panelconf")],
             {"PATH": work + os.pathsep + os.environ.get("PATH", "")})
    floor = ([minimal], {})
    print(f"{PAIRS} pairs (floor, panelconf) per X server; times from process start")
    try:
        for server in ("warm", "fresh"):
            results = {"floor": [], "panelconf": []}
            warm = None
            if server == "warm":
                warm = panelharness.XServer().start()
                measure(floor[0], warm.display, floor[1], shim, work)
            for _ in range(PAIRS):
                for name, (cmd, extra) in (("floor", floor), ("panelconf", panel)):
                    x = warm or panelharness.XServer().start()
                    try:
                        results[name].append(measure(cmd, x.display, extra, shim, work))
                    finally:
                        if warm is None:
                            x.stop()
            if warm is not None:
                warm.stop()
            print(f"  {server} X server")
            summary("floor", results["floor"])
            summary("panelconf", results["panelconf"], results["floor"])
    finally:
        block.terminate()


if __name__ == "__main__":
    main()
