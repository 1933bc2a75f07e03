// For tests/bench/calibration_poll.py: "panelconf -c" with a choice of how
// the calibration handshake is polled, so that the benchmark compares the
// program's own watcher with a main-loop timer and an idle handler without
// any switch in the program.
//
//   calibpollprobe watcher|timer|idle
#include <clocale>
#include <cstdio>
#include <cstring>

#include "devicerecord.h"
#include "startup.h"
#include "ui/calibration.h"
#include "ui/program.h"

int main(int argc, char** argv) {
    CalibPollSource source = CalibPollSource::kWatcher;
    if (argc == 2 && strcmp(argv[1], "timer") == 0) {
        source = CalibPollSource::kTimer;
    } else if (argc == 2 && strcmp(argv[1], "idle") == 0) {
        source = CalibPollSource::kIdle;
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
    SetCalibPollSource(source);
    return CalibrateOnly();
}
