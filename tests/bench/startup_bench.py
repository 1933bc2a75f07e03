#!/usr/bin/env python3
"""Start-up benchmark (not a test): time from starting panelconf until its
window is mapped at its full size, and its peak memory, against a minimal
GTK 3 program mapping one window, on a fresh Xvfb per run and on an Xvfb
where a GTK program has already run. Prints medians and ratios.

    python3 tests/bench/startup_bench.py [BUILD_DIR] [RUNS]

Runs itself inside tools/sandbox (segment 1234 and /etc/X11 are private).
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
RUNS = int(sys.argv[2]) if len(sys.argv) > 2 else 10

MINIMAL = r"""
#include <gtk/gtk.h>
int main(int argc, char** argv) {
    gtk_init(&argc, &argv);
    GtkWidget* w = gtk_window_new(GTK_WINDOW_TOPLEVEL);
    gtk_window_set_title(GTK_WINDOW(w), "minimal");
    gtk_widget_set_size_request(w, 420, 300);
    g_signal_connect(w, "destroy", G_CALLBACK(gtk_main_quit), NULL);
    gtk_widget_show_all(w);
    gtk_main();
    return 0;
}
"""


def start_xvfb():
    server = panelharness.XServer().start()
    return server, server.display


def mapped_full_size(display, title, min_width):
    env = dict(os.environ, DISPLAY=display)
    ids = subprocess.run(["xdotool", "search", "--onlyvisible", "--name", title], env=env,
                         capture_output=True, text=True).stdout.split()
    for wid in ids:
        geo = subprocess.run(["xdotool", "getwindowgeometry", "--shell", wid], env=env,
                             capture_output=True, text=True).stdout
        fields = dict(line.split("=") for line in geo.split())
        if int(fields.get("WIDTH", 0)) >= min_width:
            return True
    return False


def measure(cmd, display, title, min_width, env_extra):
    env = dict(os.environ, DISPLAY=display, GDK_BACKEND="x11", NO_AT_BRIDGE="1", **env_extra)
    start = time.monotonic()
    proc = subprocess.Popen(cmd, env=env, stdout=subprocess.DEVNULL, stderr=subprocess.PIPE)
    while not mapped_full_size(display, title, min_width):
        if time.monotonic() - start > 30:
            proc.kill()
            raise RuntimeError(f"{cmd[0]} never mapped: {proc.communicate()[1][-400:]}")
    elapsed = time.monotonic() - start
    time.sleep(0.2)
    proc.terminate()
    _, _, usage = os.wait4(proc.pid, 0)
    return elapsed * 1000, usage.ru_maxrss / 1024


def main():
    if not os.environ.get("PANEL_BENCH_SANDBOXED"):
        env = dict(os.environ, PANEL_BENCH_SANDBOXED="1")
        os.execve(os.path.join(ROOT, "tools", "sandbox"),
                  ["sandbox", "--", sys.executable, __file__, BUILD, str(RUNS)], env)
    work = tempfile.mkdtemp(prefix="panel-bench-")
    minimal = os.path.join(work, "minimal")
    src = os.path.join(work, "minimal.c")
    with open(src, "w") as f:
        f.write(MINIMAL)
    flags = subprocess.run(["pkg-config", "--cflags", "--libs", "gtk+-3.0"], capture_output=True,
                           text=True, check=True).stdout.split()
    subprocess.run(["cc", "-O2", src, "-o", minimal] + flags, check=True)
    with open(os.path.join(work, "xsetpointer"), "w") as f:
        f.write('#!/bin/sh\necho "TAVIR TouchPanel0 pointer"\n')
    os.chmod(os.path.join(work, "xsetpointer"), 0o755)
    subprocess.run(["cp", os.path.join(ROOT, "scripts", "demo-xorg.conf"), "/etc/X11/xorg.conf"],
                   check=True)
    block = subprocess.Popen([sys.executable, os.path.join(ROOT, "tests", "ui", "fakeblock.py")],
                             stdout=subprocess.PIPE, text=True)
    block.stdout.readline()
    path_env = {"PATH": work + os.pathsep + os.environ.get("PATH", "")}
    programs = {
        "minimal GTK 3": ([minimal], "^minimal$", 400, {}),
        "panelconf": ([os.path.join(BUILD, "panelconf", "panelconf")], "TouchPanel Utility", 400,
                      path_env),
    }
    results = {}
    for server in ("fresh", "warm"):
        for name, (cmd, title, width, extra) in programs.items():
            times, peaks = [], []
            for _ in range(RUNS):
                xvfb, display = start_xvfb()
                try:
                    if server == "warm":
                        measure([minimal], display, "^minimal$", 400, {})
                    t, m = measure(cmd, display, title, width, extra)
                finally:
                    xvfb.stop()
                times.append(t)
                peaks.append(m)
            results[(server, name)] = (statistics.median(times), statistics.median(peaks))
    block.terminate()
    print(f"{RUNS} runs each; medians (time to window mapped at full size, peak RSS)")
    for server in ("fresh", "warm"):
        base_t, base_m = results[(server, "minimal GTK 3")]
        for name in programs:
            t, m = results[(server, name)]
            print(f"  {server:5} X server  {name:14} {t:7.1f} ms  {m:6.1f} MiB"
                  f"   ratio {t / base_t:4.2f} time, {m / base_m:4.2f} memory")


if __name__ == "__main__":
    main()
