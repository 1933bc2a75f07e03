// The Communication page for real: the window's check box, entry, Transmit
// button and receive list against a pseudo-terminal standing at /dev/ttyS1
// (the test's own far end, or the controller stand-in), and against the
// driver stand-in's raw samples in the shared block. Each case runs in its
// own sandbox, so /dev/ttyS1 and segment 1234 belong to it alone.
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "testfiles.h"
#include "devicerecord.h"
#include "ui/commtest.h"
#include "driverlink/sharedmem.h"
#include "guiharness.h"
#include "loopprobe.h"
#include "ui/mainwindow.h"

namespace {

constexpr const char* kLink = "/dev/ttyS1";
constexpr const char* kBlankRow = "  ";
constexpr const char* kCode6 = "Not use authority of a \"LINK PORT\"";
constexpr const char* kCode7 =
    "The restart of X Window System is necessary,\nto do the setting effectively.";
const std::string kReplacement = "\xEF\xBF\xBD";

// Runs the main loop (the utility's poll included) until `done` holds; a
// short heartbeat keeps the loop turning so that `done` is looked at often.
bool Pump(const std::function<bool()>& done, int timeoutMs = 4000) {
    guint beat = g_timeout_add(
        10, [](gpointer) -> gboolean { return G_SOURCE_CONTINUE; }, nullptr);
    const bool held = gui::RunUntil(done, timeoutMs);
    g_source_remove(beat);
    return held;
}

void PumpFor(int ms) {
    const gint64 end = g_get_monotonic_time() + ms * 1000;
    Pump([end] { return g_get_monotonic_time() >= end; }, ms + 1000);
}

// Column `column` of every row of the receive list, top first.
std::vector<std::string> Rows(int column = 0) {
    GtkTreeModel* model = gtk_tree_view_get_model(GTK_TREE_VIEW(receiveList));
    std::vector<std::string> rows;
    GtkTreeIter iter;
    for (gboolean ok = gtk_tree_model_get_iter_first(model, &iter); ok;
         ok = gtk_tree_model_iter_next(model, &iter)) {
        gchar* text = nullptr;
        gtk_tree_model_get(model, &iter, column, &text, -1);
        rows.push_back(text != nullptr ? text : "");
        g_free(text);
    }
    return rows;
}

// A stand-in program whose standard output the test follows line by line.
class StandIn {
public:
    ~StandIn() { Stop(); }

    void Start(std::vector<std::string> args) {
        std::vector<char*> argv;
        for (std::string& a : args) {
            argv.push_back(a.data());
        }
        argv.push_back(nullptr);
        GError* error = nullptr;
        int out = -1;
        ASSERT_TRUE(g_spawn_async_with_pipes(nullptr, argv.data(), nullptr,
                                             G_SPAWN_DO_NOT_REAP_CHILD, nullptr, nullptr, &pid_,
                                             nullptr, &out, nullptr, &error))
            << (error ? error->message : "");
        out_ = out;
        fcntl(out_, F_SETFL, fcntl(out_, F_GETFL) | O_NONBLOCK);
        ASSERT_TRUE(WaitFor("ready")) << args[0] << " did not start:\n" << log_;
    }

    // Keeps the main loop running until the log holds `needle`.
    bool WaitFor(const std::string& needle, int timeoutMs = 4000) {
        return Pump(
            [&] {
                Drain();
                return log_.find(needle) != std::string::npos;
            },
            timeoutMs);
    }

    const std::string& Log() {
        Drain();
        return log_;
    }

    void Stop() {
        if (pid_ > 0) {
            kill(pid_, SIGTERM);
            int status = 0;
            waitpid(pid_, &status, 0);
            g_spawn_close_pid(pid_);
            pid_ = 0;
        }
        if (out_ >= 0) {
            close(out_);
            out_ = -1;
        }
    }

private:
    void Drain() {
        char buffer[4096];
        ssize_t n;
        while (out_ >= 0 && (n = read(out_, buffer, sizeof buffer)) > 0) {
            log_.append(buffer, static_cast<size_t>(n));
        }
    }

    GPid pid_ = 0;
    int out_ = -1;
    std::string log_;
};

class CommTest : public gui::WindowTest {
protected:
    void TearDown() override {
        if (commModeCheck != nullptr && gui::Active(commModeCheck)) {
            gtk_toggle_button_set_active(GTK_TOGGLE_BUTTON(commModeCheck), FALSE);
        }
        controller_.Stop();
        driver_.Stop();
        if (master_ >= 0) {
            close(master_);
        }
        gui::WindowTest::TearDown();
    }

    // The window for one panel on the given device and speed, driver block
    // served by the harness unless the driver stand-in runs.
    void BuildFor(const char* device, int baud, const std::string& extra = "",
                  bool serveBlock = true) {
        UseConfig(Section(0, device, baud, extra) + Layout({0}));
        if (serveBlock) {
            ServeDriver();
        }
        ListDevices(kLoadedScreen0);
        Build();
        ASSERT_TRUE(dialogs.empty());
        ASSERT_NE(driverBlock, nullptr);
    }

    // A pseudo-terminal whose far end the test holds, its near end at
    // /dev/ttyS1, left in line mode with echo as another program might.
    void OwnFarEnd() {
        master_ = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
        ASSERT_GE(master_, 0);
        ASSERT_EQ(grantpt(master_), 0);
        ASSERT_EQ(unlockpt(master_), 0);
        slave_ = ptsname(master_);
        int slave = open(slave_.c_str(), O_RDWR | O_NOCTTY);
        ASSERT_GE(slave, 0);
        termios t;
        tcgetattr(slave, &t);
        t.c_lflag |= ICANON | ECHO;
        t.c_iflag |= ICRNL;
        tcsetattr(slave, TCSANOW, &t);
        close(slave);
        PlaceLink(slave_.c_str());
    }

    static void PlaceLink(const char* target) {
        unlink(kLink);
        ASSERT_EQ(symlink(target, kLink), 0) << strerror(errno) << " (run inside tools/sandbox)";
    }

    void StartController(const char* mode = "reply") {
        controller_.Start(
            {SERIALSIM_PROGRAM, "--link", kLink, "--replace", "--cooked", "--mode", mode});
    }

    void SwitchOn() { gtk_toggle_button_set_active(GTK_TOGGLE_BUTTON(commModeCheck), TRUE); }
    void SwitchOff() { gtk_toggle_button_set_active(GTK_TOGGLE_BUTTON(commModeCheck), FALSE); }

    void Transmit(const char* text) {
        gtk_entry_set_text(GTK_ENTRY(transmitEntry), text);
        gtk_button_clicked(GTK_BUTTON(transmitButton));
    }

    std::string ReadFarEnd(size_t want) {
        std::string got;
        while (got.size() < want) {
            pollfd p{master_, POLLIN, 0};
            if (poll(&p, 1, 2000) != 1) {
                break;
            }
            char buffer[64];
            ssize_t n = read(master_, buffer, sizeof buffer);
            if (n <= 0) {
                break;
            }
            got.append(buffer, static_cast<size_t>(n));
        }
        return got;
    }

    void WriteFarEnd(const std::string& bytes) {
        ASSERT_EQ(write(master_, bytes.data(), bytes.size()), static_cast<ssize_t>(bytes.size()));
    }

    // After a refusal: the box is off and neither the record nor the driver
    // believes the test runs.
    void ExpectOff() {
        EXPECT_FALSE(gui::Active(commModeCheck));
        EXPECT_EQ(CurrentRecord()->settings[driveropts::kCommunication], 0);
        EXPECT_EQ(driverBlock->commMode, 0);
        EXPECT_EQ(serialFd, -1);
        EXPECT_EQ(commTimerId, 0u);
    }

    StandIn controller_;
    StandIn driver_;
    int master_ = -1;
    std::string slave_;
};

TEST_F(CommTest, SerialLineIsRawAtTheEntrysSpeedAndCarriesCommandsAndReplies) {
    OwnFarEnd();
    BuildFor(kLink, 19200);
    ASSERT_EQ(gui::ComboText(speedCombo), "19200bps");

    SwitchOn();
    ASSERT_NE(serialFd, -1);
    EXPECT_NE(commTimerId, 0u);
    EXPECT_EQ(serialLinkOpen, 1);
    EXPECT_EQ(driverBlock->commMode, 1) << "the driver must leave the link to the utility";
    EXPECT_EQ(CurrentRecord()->settings[driveropts::kCommunication], 1);
    EXPECT_NE(fcntl(serialFd, F_GETFD) & FD_CLOEXEC, 0);

    termios far;
    ASSERT_EQ(tcgetattr(master_, &far), 0);
    EXPECT_EQ(cfgetospeed(&far), B19200);
    EXPECT_EQ(cfgetispeed(&far), B19200);
    EXPECT_EQ(far.c_lflag & (ICANON | ECHO), 0u);
    EXPECT_EQ(far.c_iflag & ICRNL, 0u);
    EXPECT_EQ(far.c_cc[VMIN], 0);
    EXPECT_EQ(far.c_cc[VTIME], 0);

    Transmit("ABC");
    EXPECT_EQ(ReadFarEnd(4), "ABC\r");
    PumpFor(150);
    EXPECT_EQ(ReadFarEnd(1), "") << "more than the command reached the line";

    WriteFarEnd("AB\r");
    ASSERT_TRUE(Pump([] { return Rows()[0] == "AB"; }));
    EXPECT_EQ(Rows(1)[0], "AB");
    EXPECT_EQ(Rows()[1], kBlankRow);
    EXPECT_EQ(Rows().size(), 15u);

    WriteFarEnd("\r");
    PumpFor(350);
    EXPECT_EQ(Rows()[0], "AB") << "a carriage return alone adds no row";
    EXPECT_EQ(Rows()[1], kBlankRow);

    SwitchOff();
    EXPECT_EQ(serialFd, -1);
    EXPECT_EQ(commTimerId, 0u);
    EXPECT_EQ(driverBlock->commMode, 0);
    EXPECT_EQ(CurrentRecord()->settings[driveropts::kCommunication], 0);
    // With the near end closed the far end hangs up.
    pollfd p{master_, POLLIN, 0};
    ASSERT_EQ(poll(&p, 1, 1000), 1);
    EXPECT_NE(p.revents & POLLHUP, 0) << "the port stayed open after switching off";
    Transmit("X");  // nothing open: nothing happens
}

TEST_F(CommTest, ControllerRepliesFillTheListNewestFirstFifteenKept) {
    StartController();
    BuildFor(kLink, 4800);
    SwitchOn();
    ASSERT_NE(serialFd, -1);
    ASSERT_TRUE(controller_.WaitFor("speed 4800")) << controller_.Log();

    Transmit("SAY AB");
    ASSERT_TRUE(Pump([] { return Rows()[0] == "AB"; })) << controller_.Log();
    EXPECT_NE(controller_.Log().find("hex=534159204142"
                                     "0d"),
              std::string::npos)
        << "the command did not arrive as typed plus one carriage return";
    EXPECT_EQ(Rows()[1], kBlankRow);

    Transmit("SAY");  // the controller answers a carriage return alone
    ASSERT_TRUE(controller_.WaitFor("reply \"\\x0d\""));
    PumpFor(350);
    EXPECT_EQ(Rows()[0], "AB");
    EXPECT_EQ(Rows()[1], kBlankRow);

    Transmit("NUL");
    const std::string nulRow = "A" + kReplacement + "B" + kReplacement + kReplacement + "C";
    ASSERT_TRUE(Pump([&] { return Rows()[0] == nulRow; })) << Rows()[0];

    Transmit("SPEED");
    ASSERT_TRUE(Pump([] { return Rows()[0] == "4800"; }));

    Transmit("LINES 16");
    ASSERT_TRUE(Pump([] { return Rows()[0] == "LINE 16"; }, 6000));
    const std::vector<std::string> rows = Rows();
    ASSERT_EQ(rows.size(), 15u);
    for (int i = 0; i < 15; ++i) {
        EXPECT_EQ(rows[i], "LINE " + std::to_string(16 - i)) << "row " << i;
        EXPECT_EQ(Rows(1)[i], rows[i]);
    }
}

TEST_F(CommTest, DriverSamplesMakeNineRowsResultOnTop) {
    // One record only: the next would come after ten minutes.
    driver_.Start({DRIVERSIM_PROGRAM, "--no-x", "--screen", "0", "--comm-samples", "--comm-period",
                   "600000"});
    OwnFarEnd();  // must stay untouched in this mode
    BuildFor(kLink, 9600, "\tOption \"DebugOption\" \"1\"\n", false);
    ASSERT_NE(CurrentRecord()->debugOption, 0);

    SwitchOn();
    EXPECT_EQ(serialFd, -1) << "no port is opened when the driver keeps the link";
    EXPECT_EQ(driverBlock->commMode, 0);
    ASSERT_TRUE(driver_.WaitFor("comm record seq=0"));
    ASSERT_TRUE(Pump([] { return Rows()[0].rfind("result", 0) == 0; }));
    EXPECT_EQ(driverBlock->commDataReady, 0) << "the record was not handed back";

    int resultX = 0;
    int resultY = 0;
    const std::string& log = driver_.Log();
    ASSERT_EQ(sscanf(log.c_str() + log.find("comm record seq=0"), "comm record seq=0 result=%d,%d",
                     &resultX, &resultY),
              2);
    char result[64];
    snprintf(result, sizeof result, "result X:%04d Y:%04d", resultX, resultY);

    // The stand-in's pattern: sample 0 is (7, -5); sample i of record 0 is
    // x = 211 i mod 1200 - 200, y = 157 i mod 1100 - 150.
    const std::vector<std::string> rows = Rows();
    EXPECT_EQ(rows[0], result);
    EXPECT_EQ(rows[4], "-005 0007 0164 0321 0478 0635 0792 0949 0006 0163 ");
    EXPECT_EQ(rows[8], "0007 0011 0222 0433 0644 0855 -134 0077 0288 0499 ");
    for (int r = 1; r <= 8; ++r) {
        EXPECT_EQ(rows[r].size() % 5, 0u) << rows[r];
        EXPECT_EQ(std::count(rows[r].begin(), rows[r].end(), ' '), 10) << rows[r];
    }
    EXPECT_EQ(rows[9], kBlankRow);

    // Nothing new while the driver offers nothing.
    PumpFor(350);
    EXPECT_EQ(Rows()[9], kBlankRow);
    EXPECT_EQ(ReadFarEnd(1), "");
}

TEST_F(CommTest, ChangedLinkIsRefusedWithTheRestartMessage) {
    OwnFarEnd();
    BuildFor(kLink, 9600);
    gtk_combo_box_set_active(GTK_COMBO_BOX(speedCombo), 0);  // the user picks 1200bps
    ASSERT_EQ(CurrentRecord()->linkChanged, 1);

    std::vector<gui::ShownDialog> shown;
    {
        gui::DialogResponder responder(&shown);
        SwitchOn();
    }
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].text, kCode7);
    ExpectOff();
}

TEST_F(CommTest, MissingNonTerminalAndForbiddenDevicesAreRefusedWithThePortMessage) {
    BuildFor(kLink, 9600);
    std::vector<gui::ShownDialog> shown;
    gui::DialogResponder responder(&shown);

    unlink(kLink);
    SwitchOn();
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].text, kCode6);
    ExpectOff();

    PlaceLink("/dev/null");
    SwitchOn();
    ASSERT_EQ(shown.size(), 2u);
    EXPECT_EQ(shown[1].text, kCode6);
    ExpectOff();

    OwnFarEnd();
    ASSERT_EQ(chmod(slave_.c_str(), 0600), 0);
    if (seteuid(65534) != 0) {
        GTEST_SKIP() << "no unprivileged user in this namespace";
    }
    SwitchOn();
    ASSERT_EQ(seteuid(0), 0);
    ASSERT_EQ(shown.size(), 3u);
    EXPECT_EQ(shown[2].text, kCode6);
    ExpectOff();
}

TEST_F(CommTest, UsbPortIsRefusedWithoutMessage) {
    BuildFor("/dev/input/event*", 9600);
    ASSERT_FALSE(gui::Sensitive(commModeCheck));
    serialLinkOpen = 1;
    std::vector<gui::ShownDialog> shown;
    {
        gui::DialogResponder responder(&shown);
        SwitchOn();  // what only code could do: the box is insensitive
        PumpFor(100);
    }
    EXPECT_TRUE(shown.empty());
    EXPECT_EQ(serialLinkOpen, 0);
    ExpectOff();
}

TEST_F(CommTest, FloodWithoutCarriageReturnNeverBlocksTheWindow) {
    StartController();
    BuildFor(kLink, 9600);
    SwitchOn();
    ASSERT_NE(serialFd, -1);

    // The page as a person sees it: the list's first column its 300 pixels.
    gtk_notebook_set_current_page(GTK_NOTEBOOK(mainWindowParts.notebook), kPageCommunication);
    ASSERT_TRUE(gui::RunUntil([] { return gtk_widget_get_mapped(receiveList); }));
    PumpFor(200);
    GtkTreeViewColumn* firstColumn = gtk_tree_view_get_column(GTK_TREE_VIEW(receiveList), 0);
    EXPECT_GE(gtk_tree_view_column_get_width(firstColumn), 300);
    EXPECT_GE(gtk_widget_get_allocated_width(receiveList), 300);
    const int windowWidth = gtk_widget_get_allocated_width(mainWindow);

    Transmit("FLOOD");
    ASSERT_TRUE(controller_.WaitFor("bytes=1048576"));
    const long before = ResidentKiB();

    // A 10 ms heartbeat: the longest gap between its beats is how long the
    // window was deaf.
    Heartbeat beat(10);
    // Each tick takes at most one line: count what reaches the list.
    int added = 0;
    GtkTreeModel* model = gtk_tree_view_get_model(GTK_TREE_VIEW(receiveList));
    const gulong counter =
        g_signal_connect_swapped(model, "row-inserted", G_CALLBACK(+[](int* n) { ++*n; }), &added);
    const gint64 start = g_get_monotonic_time();
    PumpFor(2000);
    const gint64 ticks = (g_get_monotonic_time() - start) / (kCommPollMs * 1000) + 1;
    g_signal_handler_disconnect(model, counter);

    EXPECT_LT(beat.LongestUs(), 300 * 1000) << "the main loop stood still";
    const std::vector<std::string> rows = Rows();
    ASSERT_EQ(rows.size(), 15u);
    for (const std::string& row : rows) {
        EXPECT_EQ(row, std::string(256, 'F'));
    }
    // The long lines are cut in the view: neither the list nor the window
    // grew.
    PumpFor(200);
    EXPECT_EQ(gtk_widget_get_allocated_width(mainWindow), windowWidth);
    int requested = 0;
    gtk_widget_get_preferred_width(mainWindow, &requested, nullptr);
    EXPECT_LE(requested, windowWidth);
    EXPECT_GE(gtk_tree_view_column_get_width(firstColumn), 300);
    EXPECT_GE(added, 5);
    EXPECT_LE(added, ticks) << "more than one line per tick";
#if !defined(__SANITIZE_ADDRESS__)
    // (The sanitizer's quarantine keeps freed memory resident: not
    // measurable there.)
    EXPECT_LT(ResidentKiB() - before, 8 * 1024) << "memory grew with the flood";
#else
    (void)before;
#endif
}

}  // namespace
