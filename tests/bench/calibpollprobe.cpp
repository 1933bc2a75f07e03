// For tests/bench/calibration_poll.py: "panelconf -c" with a choice of how
// the calibration handshake is polled, so that the benchmark compares the
// program's own watcher thread with a main-loop timer at the same interval
// and an idle handler, without any switch in the program.
//
//   calibpollprobe watcher|timer|idle
//
// The choice is made here, at link time (see CMakeLists.txt): eventfd and
// g_timeout_add are wrapped for this program alone. "timer" makes the
// watcher's descriptor fail, so the run takes the program's own fallback,
// a main-loop timer at the watcher's interval; "idle" further turns that
// timer into an idle handler.
#include <errno.h>
#include <glib.h>

#include <clocale>
#include <cstdio>
#include <cstring>

#include "devicerecord.h"
#include "startup.h"
#include "ui/calibration.h"
#include "ui/program.h"

namespace {
enum class Variant { kWatcher, kTimer, kIdle };
Variant variant = Variant::kWatcher;
}  // namespace

extern "C" {
int __real_eventfd(unsigned int initval, int flags);
guint __real_g_timeout_add(guint interval, GSourceFunc function, gpointer data);

int __wrap_eventfd(unsigned int initval, int flags) {
    if (variant != Variant::kWatcher) {
        errno = EMFILE;
        return -1;
    }
    return __real_eventfd(initval, flags);
}

guint __wrap_g_timeout_add(guint interval, GSourceFunc function, gpointer data) {
    if (variant == Variant::kIdle && function == OnSyncDriver) {
        return g_idle_add(function, data);
    }
    return __real_g_timeout_add(interval, function, data);
}
}

int main(int argc, char** argv) {
    if (argc == 2 && strcmp(argv[1], "timer") == 0) {
        variant = Variant::kTimer;
    } else if (argc == 2 && strcmp(argv[1], "idle") == 0) {
        variant = Variant::kIdle;
    } else if (argc != 2 || strcmp(argv[1], "watcher") != 0) {
        fprintf(stderr, "usage: calibpollprobe watcher|timer|idle\n");
        return 2;
    }
    int toolkitArgc = 1;
    setlocale(LC_ALL, "");
    if (!OpenDisplay(&toolkitArgc, &argv)) {
        fprintf(stderr, "calibpollprobe: no display\n");
        return 1;
    }
    calibrateOnly = 1;
    sendCoreEvents = 1;
    if (CreateStartupRecord() != 0) {
        return 1;
    }
    ReadDefaultScreenSize();
    if (SetParam() != 0) {
        return 1;
    }
    CreateMainWindow();
    return CalibrateOnly();
}
