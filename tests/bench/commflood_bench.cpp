// Benchmark, not a test: the Communication page under a controller that
// floods the line at 115200 baud (11,520 bytes a second, paced), for ten
// seconds each with carriage-return-ended lines and with no carriage return
// at all. Prints the main loop's longest gap (a 5 ms heartbeat) and how much
// the resident memory grew.
//
//   tests/ui/run_gui.sh build/tests/bench/commflood_bench
#include <fcntl.h>
#include <gtest/gtest.h>
#include <stdlib.h>
#include <termios.h>
#include <time.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <string>
#include <thread>

#include "guiharness.h"
#include "loopprobe.h"
#include "testfiles.h"
#include "ui/commtest.h"
#include "ui/mainwindow.h"

namespace {

constexpr const char* kLink = "/dev/ttyS1";
constexpr int kBytesPerSecond = 115200 / 10;  // 8 data bits, start and stop bit
constexpr int kSeconds = 10;

class CommFlood : public gui::WindowTest {
protected:
    void TearDown() override {
        if (master_ >= 0) {
            close(master_);
        }
        gui::WindowTest::TearDown();
    }

    // The far end of a pseudo-terminal standing at /dev/ttyS1.
    void OpenLink() {
        // Non-blocking: what the utility does not take in time is lost, as a
        // UART's overrun loses it, instead of the flood stopping.
        master_ = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC | O_NONBLOCK);
        ASSERT_GE(master_, 0);
        ASSERT_EQ(grantpt(master_), 0);
        ASSERT_EQ(unlockpt(master_), 0);
        unlink(kLink);
        ASSERT_EQ(symlink(ptsname(master_), kLink), 0) << "run inside tools/sandbox";
    }

    // Writes `line` over and over at the line's pace for kSeconds from a
    // thread of its own, while the main loop runs; prints the figures.
    void Flood(const char* name, const std::string& line) {
        std::atomic<bool> done{false};
        size_t written = 0;
        std::thread writer([&] {
            // 10 ms worth of bytes every 10 ms.
            const size_t chunk = kBytesPerSecond / 100;
            std::string stream;
            const timespec tick{0, 10 * 1000 * 1000};
            for (int i = 0; i < kSeconds * 100; ++i) {
                while (stream.size() < chunk) {
                    stream += line;
                }
                ssize_t n = write(master_, stream.data(), chunk);
                if (n > 0) {
                    stream.erase(0, static_cast<size_t>(n));
                    written += static_cast<size_t>(n);
                }
                nanosleep(&tick, nullptr);
            }
            done = true;
        });
        const long before = ResidentKiB();
        Heartbeat beat(5);
        gui::RunUntil([&] { return done.load(); }, (kSeconds + 5) * 1000);
        writer.join();
        printf("%-28s longest main-loop gap %6.1f ms   RSS growth %+6.0f KiB   %zu bytes sent\n",
               name, beat.LongestUs() / 1000.0, static_cast<double>(ResidentKiB() - before),
               written);
    }

    int master_ = -1;
};

TEST_F(CommFlood, At115200Baud) {
    OpenLink();
    UseConfig(Section(0, kLink, 115200) + Layout({0}));
    ServeDriver();
    ListDevices(kLoadedScreen0);
    Build();
    gtk_toggle_button_set_active(GTK_TOGGLE_BUTTON(commModeCheck), TRUE);
    ASSERT_NE(serialFd, -1);
    printf("%d s each, %d bytes a second\n", kSeconds, kBytesPerSecond);
    Flood("lines of 60 characters + CR", std::string(60, 'A') + "\r");
    Flood("no carriage return", std::string(64, 'F'));
}

}  // namespace
