// Driver stand-in: plays the tavir X input driver's part toward the utility
// on a machine without a touch panel. It owns the shared block, announces
// one device per served screen on the X server, answers the calibration
// handshake, fills communication-test records, and prints one line per
// event on standard output.
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <unistd.h>

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <string>
#include <vector>

#include "driverlink/blockaccess.h"
#include "calibdriver.h"
#include "commpattern.h"
#include "options.h"
#include "segment.h"
#include "signalpipe.h"
#include "xdevices.h"

namespace {

Segment gSegment;
// Xlib ends the process after this; the segment must not outlive us.
int OnXIOError(Display*) {
    RemoveSegment(&gSegment);
    printf("exit reason=x-connection-lost\n");
    fflush(stdout);
    _exit(1);
}

double NowMs() {
    timespec ts;
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return static_cast<double>(ts.tv_sec) * 1000.0 + static_cast<double>(ts.tv_nsec) / 1e6;
}

void Print(const std::string& line) { printf("%s\n", line.c_str()); }

void FillFreshBlock(DriverSharedBlock* b, const SimOptions& o, int width, int height) {
    // What a driver would have read from its configuration section.
    static const int32_t kDefaultSettings[14] = {3, 0, 25, 0, 0, 5, 0, 0, 0, 0, 0, 1500, 10, 0};
    for (int i = 0; i < 14; ++i) {
        Store(b->settings[i], kDefaultSettings[i]);
    }
    Store(b->calibPointsNum, o.points);
    Store(b->borderRatio, 0.03f);
    Store(b->screenNo, o.screens.front());
    Store(b->screenWidth, width);
    Store(b->screenHeight, height);
}

std::string SettingsLine(const int32_t* settings) {
    std::string line = "settings";
    for (int i = 0; i < 14; ++i) {
        line += " " + std::to_string(settings[i]);
    }
    return line;
}

int Run(const SimOptions& o) {
    XDevices x;
    std::string error;
    int width = 1024, height = 768;
    if (o.useX) {
        if (!x.Open(&error)) {
            fprintf(stderr, "driversim: %s\n", error.c_str());
            return 1;
        }
        XSetIOErrorHandler(OnXIOError);
        for (int s : o.screens) {
            int w = 0, h = 0;
            if (!x.ScreenSize(s, &w, &h)) {
                fprintf(stderr, "driversim: the X server has no screen %d\n", s);
                return 1;
            }
            if (s == o.screens.front()) {
                width = w;
                height = h;
            }
        }
    }
    if (!OpenSegment(o.reuse, &gSegment, &error)) {
        fprintf(stderr, "driversim: %s\n", error.c_str());
        return 1;
    }
    DriverSharedBlock* block = gSegment.block;
    if (gSegment.fresh) {
        FillFreshBlock(block, o, width, height);
    }
    Store(block->versionMajor, o.versionMajor);
    Store(block->versionMinor, o.versionMinor);
    Store(block->versionBuild, o.versionBuild);
    std::string hostileStart = WriteHostileValue(block, o.hostile);

    std::string devices;
    if (o.useX) {
        for (int s : o.screens) {
            std::string name = "TAVIR TouchPanel" + std::to_string(s);
            if (!x.AddMaster(name, &error)) {
                fprintf(stderr, "driversim: %s\n", error.c_str());
                x.RemoveAll();
                RemoveSegment(&gSegment);
                return 1;
            }
            devices += (devices.empty() ? "" : ",") + std::string("\"") + name + "\"";
        }
        if (o.calibMode == CalibMode::kPointer && !x.SelectButtonReleases(&error)) {
            fprintf(stderr, "driversim: %s\n", error.c_str());
            x.RemoveAll();
            RemoveSegment(&gSegment);
            return 1;
        }
    }

    // Taken before "ready": a client may change the block the moment it
    // reads that line.
    int32_t lastSettings[14];
    for (int i = 0; i < 14; ++i)
        lastSettings[i] = Load(block->settings[i]);
    int lastSampling = Load(block->sampling);
    int lastAttach = SegmentAttachCount(gSegment.id);
    std::string screens;
    for (int s : o.screens) {
        screens += (screens.empty() ? "" : ",") + std::to_string(s);
    }
    printf("ready key=%d shmid=%d size=%zu version=%d.%d.%d screens=%s devices=%s reused=%d\n",
           kDriverBlockKey, gSegment.id, kDriverBlockSize, o.versionMajor, o.versionMinor,
           o.versionBuild, screens.c_str(), devices.empty() ? "none" : devices.c_str(),
           gSegment.fresh ? 0 : 1);
    if (!hostileStart.empty()) {
        printf("hostile start wrote %s\n", hostileStart.c_str());
    }

    CalibDriver calib(block, o.calibMode, o.hostile, o.autoDelayMs, Print);
    if (o.calibMode == CalibMode::kPointer) {
        calib.SetMinTouchDelay(250);
    }

    printf("attach nattch=%d\n", lastAttach);
    double nextAttachCheck = 0;
    bool commOn = o.commSamples;
    double nextComm = NowMs();
    uint32_t commSequence = 0;

    bool running = true;
    int exitSignal = 0;
    while (running) {
        double now = NowMs();
        // Fine polling only while the utility owes us an answer, so that the
        // timing is meaningful; otherwise a relaxed pace.
        double waitMs = 10.0;
        if (calib.AwaitingUtility() && now - calib.Timer().StartedMs() < 15000) {
            waitMs = 0.2;
        }
        double untilTouch = calib.MsUntilTouch(now);
        if (untilTouch >= 0 && untilTouch < waitMs)
            waitMs = untilTouch;
        if (commOn && nextComm - now < waitMs)
            waitMs = std::max(0.0, nextComm - now);

        pollfd fds[2] = {{SignalPipeReadEnd(), POLLIN, 0}, {x.Fd(), POLLIN, 0}};
        timespec timeout;
        timeout.tv_sec = static_cast<time_t>(waitMs / 1000);
        timeout.tv_nsec = static_cast<long>(std::fmod(waitMs, 1000.0) * 1e6);
        ppoll(fds, o.useX ? 2 : 1, &timeout, nullptr);

        if (fds[0].revents & POLLIN) {
            unsigned char signals[16];
            ssize_t n = read(SignalPipeReadEnd(), signals, sizeof signals);
            for (ssize_t i = 0; i < n; ++i) {
                if (signals[i] == SIGUSR1) {
                    commOn = !commOn;
                    nextComm = NowMs();
                    printf("comm %s\n", commOn ? "on" : "off");
                } else {
                    exitSignal = signals[i];
                    running = false;
                }
            }
        }
        now = NowMs();
        std::vector<int> buttons;
        x.Drain(&buttons);
        for (int button : buttons) {
            if (button < 1 || button > 3) {
                continue;  // wheel steps are not touches
            }
            int px = 0, py = 0;
            if (x.PointerOn(Load(block->screenNo), &px, &py)) {
                calib.Touch(px, py, now);
            } else {
                printf("touch ignored (pointer not on screen %d)\n", Load(block->screenNo));
            }
        }
        calib.Poll(now);

        bool settingsChanged = false;
        for (int i = 0; i < 14; ++i) {
            int32_t v = Load(block->settings[i]);
            settingsChanged = settingsChanged || v != lastSettings[i];
            lastSettings[i] = v;
        }
        if (settingsChanged) {
            printf("%s\n", SettingsLine(lastSettings).c_str());
        }
        int sampling = Load(block->sampling);
        if (sampling != lastSampling) {
            lastSampling = sampling;
            printf("sampling %d\n", sampling);
        }

        if (commOn && now >= nextComm) {
            CommRecord record =
                MakeCommRecord(commSequence, o.hostile == HostileKind::kSamplesExtreme);
            if (OfferCommRecord(block, record)) {
                printf("comm record seq=%u result=%d,%d\n", commSequence, record.resultX,
                       record.resultY);
                ++commSequence;
            }
            nextComm += o.commPeriodMs;
            if (nextComm < now)
                nextComm = now + o.commPeriodMs;  // fell behind: no burst
        }

        if (now >= nextAttachCheck) {
            nextAttachCheck = now + 50;
            int attach = SegmentAttachCount(gSegment.id);
            if (attach != lastAttach) {
                printf("%s nattch=%d\n", attach > lastAttach ? "attach" : "detach", attach);
                lastAttach = attach;
            }
        }
    }

    const HandshakeTimer& t = calib.Timer();
    printf("handshake count=%zu median_ms=%.3f worst_ms=%.3f\n", t.Count(), t.MedianMs(),
           t.WorstMs());
    x.RemoveAll();
    if (o.useX) {
        printf("devices removed\n");
    }
    RemoveSegment(&gSegment);
    printf("segment removed\nexit signal=%d\n", exitSignal);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    setvbuf(stdout, nullptr, _IOLBF, 0);
    SimOptions options;
    std::string error;
    if (!ParseSimOptions(argc, argv, &options, &error)) {
        fprintf(stderr, "driversim: %s\n%s", error.c_str(), kSimUsage);
        return 2;
    }
    if (options.help) {
        fputs(kSimUsage, stdout);
        return 0;
    }
    if (!InstallSignalPipe({SIGINT, SIGTERM, SIGHUP, SIGUSR1})) {
        perror("driversim: pipe");
        return 1;
    }
    return Run(options);
}
