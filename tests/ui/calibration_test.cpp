// Calibration runs against the driver stand-in: the real window, the real
// Calibration button, the stand-in answering through the shared block.
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <fstream>
#include <map>
#include <ostream>
#include <sstream>
#include <string>
#include <vector>

#include "testfiles.h"
#include "devicerecord.h"
#include "ui/calibration.h"
#include "driverlink/calibtargets.h"
#include "driverlink/sharedmem.h"
#include "guiharness.h"
#include "ui/applyokcancel.h"
#include "ui/mainwindow.h"
#include "ui/program.h"

// Xlib last: its macros (None among them) would break the test framework.
// clang-format off
#include <gdk/gdkx.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
// clang-format on

namespace {

constexpr const char* kUnfinishedText = "The Calibration are unfinished.\n";
constexpr const char* kProductChangedText =
    "The restart of X Window System is necessary,\nto do the setting effectively.";

// Option name -> value of every numeric Option line in a configuration text.
std::map<std::string, long> Options(const std::string& text) {
    std::map<std::string, long> options;
    std::istringstream lines(text);
    std::string line;
    while (std::getline(lines, line)) {
        std::istringstream words(line);
        std::string keyword, name, value;
        if (!(words >> keyword >> name >> value) || keyword != "Option" || name.size() < 2 ||
            value.size() < 3) {
            continue;
        }
        char* end = nullptr;
        long number = strtol(value.c_str() + 1, &end, 10);
        if (*end == '"') {
            options[name.substr(1, name.size() - 2)] = number;
        }
    }
    return options;
}

// Recognisable values that no driver computes, to see what a run replaced.
void FillSentinels(DeviceRecord* r) {
    for (int i = 0; i < 128; ++i)
        r->coefficient[i] = 7000 + i;
    for (int i = 0; i < 8; ++i)
        r->coefficient4p[i] = 6000 + i;
    for (int i = 0; i < 10; ++i)
        r->coefficientRevise[i] = 5000 + i;
    for (int i = 0; i < 2; ++i)
        r->cal9Base[i] = 4000 + i;
    for (int i = 0; i < 4; ++i)
        r->cal25Base[i] = 3000 + i;
}

void ExpectSentinels(const DeviceRecord* r, int firstCoefficient, bool cal9, bool cal25,
                     bool rest) {
    for (int i = firstCoefficient; i < 128; ++i)
        EXPECT_EQ(r->coefficient[i], 7000 + i) << i;
    if (rest) {
        for (int i = 0; i < 8; ++i)
            EXPECT_EQ(r->coefficient4p[i], 6000 + i);
        for (int i = 0; i < 10; ++i)
            EXPECT_EQ(r->coefficientRevise[i], 5000 + i);
    }
    if (cal9) {
        for (int i = 0; i < 2; ++i)
            EXPECT_EQ(r->cal9Base[i], 4000 + i);
    }
    if (cal25) {
        for (int i = 0; i < 4; ++i)
            EXPECT_EQ(r->cal25Base[i], 3000 + i);
    }
}

// What the marker showed for one caption: its top-left corner in the window.
struct Shown {
    std::string caption;
    int x, y;
};

// Watches the calibration window while a run goes on.
struct RunWatcher {
    std::vector<Shown> shown;  // one entry per caption change, position updated
    int windowX = -1, windowY = -1, windowWidth = 0, windowHeight = 0;
    int xScreen = -1;  // the X screen the window is on
    std::vector<guint> timeoutIds;

    static gboolean Sample(gpointer data) {
        auto* self = static_cast<RunWatcher*>(data);
        if (calWindow == nullptr || calCrossImage == nullptr ||
            !gtk_widget_get_mapped(calCrossImage)) {
            return G_SOURCE_CONTINUE;
        }
        gdk_window_get_origin(gtk_widget_get_window(calWindow), &self->windowX, &self->windowY);
        self->windowWidth = gtk_widget_get_allocated_width(calWindow);
        self->windowHeight = gtk_widget_get_allocated_height(calWindow);
        self->xScreen = gdk_x11_screen_get_screen_number(gtk_widget_get_screen(calWindow));
        int x = 0, y = 0;
        gtk_widget_translate_coordinates(calCrossImage, calWindow, 0, 0, &x, &y);
        std::string caption = gtk_label_get_text(GTK_LABEL(calLabel));
        if (self->shown.empty() || self->shown.back().caption != caption) {
            self->shown.push_back({caption, x, y});
        } else {
            // The layout follows a move one frame later: keep the latest.
            self->shown.back().x = x;
            self->shown.back().y = y;
        }
        if (self->timeoutIds.empty() || self->timeoutIds.back() != calTimeoutId) {
            self->timeoutIds.push_back(calTimeoutId);
        }
        return G_SOURCE_CONTINUE;
    }
};

// What the X server showed on the calibration window's screen for one
// target, read back from its root window in X pixels.
struct Seen {
    std::string caption;
    int scale = 0;
    // The marker's pure black pixels (the caption's text is never pure
    // black), and the caption's ink: pixels that are neither the window's
    // background nor one of the marker's two colours. -1 when none.
    int markerLeft = -1, markerTop = -1, markerRight = -1, markerBottom = -1;
    int inkLeft = -1, inkTop = -1, inkRight = -1, inkBottom = -1;
    bool cornersAgree = false;  // the window's background in all four corners
};

void Grow(int x, int y, int* left, int* top, int* right, int* bottom) {
    if (*left < 0 || x < *left)
        *left = x;
    if (*top < 0 || y < *top)
        *top = y;
    if (x > *right)
        *right = x;
    if (y > *bottom)
        *bottom = y;
}

Seen Screenshot(const std::string& caption) {
    Seen seen;
    seen.caption = caption;
    seen.scale = gtk_widget_get_scale_factor(calWindow);
    GdkScreen* screen = gtk_widget_get_screen(calWindow);
    Screen* xscreen = gdk_x11_screen_get_xscreen(screen);
    const int width = WidthOfScreen(xscreen), height = HeightOfScreen(xscreen);
    XImage* image = XGetImage(GDK_SCREEN_XDISPLAY(screen), RootWindowOfScreen(xscreen), 0, 0, width,
                              height, AllPlanes, ZPixmap);
    if (image == nullptr)
        return seen;
    const unsigned long background = XGetPixel(image, width - 1, 0);
    seen.cornersAgree = XGetPixel(image, 0, 0) == background &&
                        XGetPixel(image, 0, height - 1) == background &&
                        XGetPixel(image, width - 1, height - 1) == background;
    const unsigned long black = 0, white = 0xffffff;
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const unsigned long pixel = XGetPixel(image, x, y) & 0xffffff;
            if (pixel == black) {
                Grow(x, y, &seen.markerLeft, &seen.markerTop, &seen.markerRight,
                     &seen.markerBottom);
            } else if (pixel != white && pixel != (background & 0xffffff)) {
                Grow(x, y, &seen.inkLeft, &seen.inkTop, &seen.inkRight, &seen.inkBottom);
            }
        }
    }
    XDestroyImage(image);
    return seen;
}

// Takes one screenshot per target, once it has been on the screen a while.
struct ScreenWatcher {
    std::vector<Seen> seen;
    std::string caption;
    gint64 shownAt = 0;
    bool taken = false;

    static gboolean Sample(gpointer data) {
        auto* self = static_cast<ScreenWatcher*>(data);
        if (calWindow == nullptr || calLabel == nullptr || !gtk_widget_get_mapped(calLabel)) {
            return G_SOURCE_CONTINUE;
        }
        const std::string caption = gtk_label_get_text(GTK_LABEL(calLabel));
        const gint64 now = g_get_monotonic_time();
        if (caption != self->caption) {
            self->caption = caption;
            self->shownAt = now;
            self->taken = false;
        } else if (!self->taken && now - self->shownAt > 80 * 1000) {
            self->seen.push_back(Screenshot(caption));
            self->taken = true;
        }
        return G_SOURCE_CONTINUE;
    }
};

class CalibrationTest : public gui::WindowTest {
protected:
    void TearDown() override {
        StopDriver();
        gui::WindowTest::TearDown();
        unlink(driverLog_.c_str());
    }

    // The stand-in with these arguments; waits until it serves the block.
    void StartDriver(std::vector<std::string> args) {
        char path[] = "/tmp/panel-driversim-XXXXXX";
        int fd = mkstemp(path);
        ASSERT_GE(fd, 0);
        driverLog_ = path;
        args.insert(args.begin(), {DRIVERSIM_PATH, "--no-x"});
        pid_t pid = fork();
        ASSERT_GE(pid, 0);
        if (pid == 0) {
            // A test that dies must not leave the stand-in (and the pipes
            // it would hold open) behind.
            prctl(PR_SET_PDEATHSIG, SIGTERM);
            dup2(fd, STDOUT_FILENO);
            dup2(fd, STDERR_FILENO);
            std::vector<char*> argv;
            for (std::string& a : args)
                argv.push_back(a.data());
            argv.push_back(nullptr);
            execv(argv[0], argv.data());
            _exit(127);
        }
        close(fd);
        driver_ = pid;
        for (int waited = 0; waited < 5000 && DriverLog().find("ready ") == std::string::npos;
             waited += 10) {
            usleep(10 * 1000);
        }
        ASSERT_NE(DriverLog().find("ready "), std::string::npos) << DriverLog();
    }

    void StopDriver() {
        if (driver_ > 0) {
            kill(driver_, SIGTERM);
            waitpid(driver_, nullptr, 0);
            driver_ = -1;
        }
    }

    std::string DriverLog() const { return ReadFileBytes(driverLog_); }

    // Screen 0 with the given point count and a 5 % border, loaded in the
    // X server, served by a stand-in started with `driverArgs`.
    void Prepare(int points, std::vector<std::string> driverArgs) {
        UseConfig(Section(0, "/dev/ttyS0", 9600,
                          "\tOption \"CalibPointsNum\" \"" + std::to_string(points) +
                              "\"\n\tOption \"BorderRatio\" \"5\"\n") +
                  Layout({0}));
        ListDevices("TAVIR TouchPanel0 pointer\n");
        StartDriver(std::move(driverArgs));
        Build();
        ASSERT_NE(driverBlock, nullptr);
        ASSERT_EQ(driverBlock->calibPointsNum, points);
        record = FindRecordByScreen(0);
        ASSERT_NE(record, nullptr);
        FillSentinels(record);
    }

    // Presses the Calibration button; returns once the run has ended.
    void Calibrate(RunWatcher* watcher = nullptr, ScreenWatcher* screen = nullptr) {
        gui::DialogResponder responder(&runDialogs);
        guint sampler = watcher ? g_timeout_add(5, RunWatcher::Sample, watcher) : 0;
        guint shooter = screen ? g_timeout_add(10, ScreenWatcher::Sample, screen) : 0;
        testing::internal::CaptureStdout();
        gtk_button_clicked(GTK_BUTTON(calibrationButton));
        runOutput = testing::internal::GetCapturedStdout();
        if (sampler)
            g_source_remove(sampler);
        if (shooter)
            g_source_remove(shooter);
    }

    DeviceRecord* record = nullptr;
    std::vector<gui::ShownDialog> runDialogs;
    std::string runOutput;

private:
    pid_t driver_ = -1;
    std::string driverLog_;
};

struct RunCase {
    int points;
    std::vector<int> xs, ys;  // target columns and rows, 1024 x 768, 5 % border
};

void PrintTo(const RunCase& c, std::ostream* os) { *os << c.points << " points"; }

class CompleteRun : public CalibrationTest, public ::testing::WithParamInterface<RunCase> {};

TEST_P(CompleteRun, StoresTheDriversCoefficientsAndApplyWritesThem) {
    const RunCase& c = GetParam();
    Prepare(c.points, {"--calib", "auto", "--delay", "60"});
    RunWatcher watcher;
    Calibrate(&watcher);

    EXPECT_EQ(runOutput, "  -> Calibrating...  -> Completed.");
    EXPECT_TRUE(runDialogs.empty());
    EXPECT_EQ(driverBlock->calState, 0);
    EXPECT_EQ(driverBlock->calPoint, 0);
    EXPECT_EQ(driverBlock->coeffReady, 0);
    EXPECT_EQ(calWindow, nullptr);
    EXPECT_EQ(calCrossImage, nullptr);
    EXPECT_NE(DriverLog().find("calib done points=" + std::to_string(c.points) + " valid=1"),
              std::string::npos)
        << DriverLog();

    // The window covers the screen; each target shows its number and its
    // marker centre stands on the target.
    EXPECT_EQ(watcher.windowX, 0);
    EXPECT_EQ(watcher.windowY, 0);
    EXPECT_EQ(watcher.windowWidth, 1024);
    EXPECT_EQ(watcher.windowHeight, 768);
    ASSERT_EQ(watcher.shown.size(), static_cast<size_t>(c.points));
    size_t side = c.xs.size();
    for (size_t n = 0; n < watcher.shown.size(); ++n) {
        SCOPED_TRACE(n + 1);
        EXPECT_EQ(watcher.shown[n].caption, "Calibration: " + std::to_string(n + 1));
        EXPECT_EQ(watcher.shown[n].x, c.xs[n % side] - 5);
        EXPECT_EQ(watcher.shown[n].y, c.ys[n / side] - 5);
    }

    // Exactly what the stand-in computed, and only the part the count uses.
    const int used = c.points == 4 ? 8 : c.points == 9 ? 32 : 128;
    for (int i = 0; i < used; ++i)
        EXPECT_EQ(record->coefficient[i], driverBlock->coefficient[i]);
    for (int i = 0; i < 8; ++i)
        EXPECT_EQ(record->coefficient4p[i], driverBlock->coefficient4p[i]);
    for (int i = 0; i < 10; ++i)
        EXPECT_EQ(record->coefficientRevise[i], driverBlock->coefficientRevise[i]);
    if (c.points >= 9) {
        for (int i = 0; i < 2; ++i)
            EXPECT_EQ(record->cal9Base[i], driverBlock->cal9Base[i]);
    }
    if (c.points == 25) {
        for (int i = 0; i < 4; ++i)
            EXPECT_EQ(record->cal25Base[i], driverBlock->cal25Base[i]);
    }
    ExpectSentinels(record, used, c.points < 9, c.points < 25, false);
    EXPECT_NE(record->coefficient[0], 7000);  // the fit really replaced it

    // Root may now apply; Apply writes the same numbers into the file.
    EXPECT_TRUE(gui::Sensitive(applyButton));
    EXPECT_TRUE(gui::Sensitive(okButton));
    {
        gui::DialogResponder responder(&runDialogs);
        ApplyFunc(nullptr, nullptr);
    }
    std::map<std::string, long> file = Options(ReadFileBytes(configPath));
    char name[32];
    for (int i = 0; i < used; ++i) {
        snprintf(name, sizeof name, "CoEfficient%03d", i);
        EXPECT_EQ(file[name], driverBlock->coefficient[i]) << name;
    }
    for (int i = 0; i < 10; ++i) {
        snprintf(name, sizeof name, "CoEfficientRevise%d", i);
        EXPECT_EQ(file[name], driverBlock->coefficientRevise[i]) << name;
    }
    for (int i = 0; i < 8; ++i) {
        snprintf(name, sizeof name, "CoEfficient4p%d", i);
        EXPECT_EQ(file[name], driverBlock->coefficient4p[i]) << name;
    }
    if (c.points == 25) {
        EXPECT_EQ(file["Cal25Base3"], driverBlock->cal25Base[3]);
    }
    if (c.points >= 9) {
        EXPECT_EQ(file["Cal9Base1"], driverBlock->cal9Base[1]);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Points, CompleteRun,
    ::testing::Values(RunCase{4, {51, 973}, {38, 730}}, RunCase{9, {51, 512, 973}, {38, 384, 730}},
                      RunCase{25, {51, 256, 512, 768, 973}, {38, 192, 384, 576, 730}}),
    [](const ::testing::TestParamInfo<RunCase>& info) {
        return std::to_string(info.param.points) + "Points";
    });

// What a person sees, read back from the X server: the marker's centre on
// the target's X pixel and the caption at its place on the screen, at the
// window scale this process runs at (HiDpi below runs them at scale 2).
class MarkerOnScreen : public CalibrationTest, public ::testing::WithParamInterface<RunCase> {};

TEST_P(MarkerOnScreen, CentreStandsOnTheTargetPixelAndTheCaptionOnTheScreen) {
    const RunCase& c = GetParam();
    // Start-up's screen size is in X pixels, whatever the window scale.
    ReadDefaultScreenSize();
    EXPECT_EQ(screenWidth, 1024);
    EXPECT_EQ(screenHeight, 768);
    // Each target stays long enough for a screenshot of the whole screen to
    // be taken on a loaded machine (a sanitizer build, a parallel run).
    Prepare(c.points, {"--calib", "auto", "--delay", "450"});
    EXPECT_EQ(driverBlock->screenWidth, 1024);
    EXPECT_EQ(driverBlock->screenHeight, 768);
    ScreenWatcher screen;
    Calibrate(nullptr, &screen);
    EXPECT_EQ(runOutput, "  -> Calibrating...  -> Completed.");
    EXPECT_NE(DriverLog().find("size=1024x768"), std::string::npos) << DriverLog();

    const char* expectedScale = g_getenv("PANEL_EXPECT_WINDOW_SCALE");
    ASSERT_EQ(screen.seen.size(), static_cast<size_t>(c.points));
    const size_t side = c.xs.size();
    for (size_t n = 0; n < screen.seen.size(); ++n) {
        const Seen& seen = screen.seen[n];
        const int x = c.xs[n % side], y = c.ys[n / side];
        const int k = seen.scale;
        SCOPED_TRACE(seen.caption);
        EXPECT_EQ(seen.caption, "Calibration: " + std::to_string(n + 1));
        if (expectedScale != nullptr) {
            EXPECT_EQ(k, atoi(expectedScale));
        }
        EXPECT_TRUE(seen.cornersAgree) << "the window does not cover the screen";
        // The whole marker, drawn at the scale; its centre pixel is the
        // k x k square that starts 5 k pixels in, and holds the target.
        ASSERT_GE(seen.markerLeft, 0) << "no marker on the screen";
        EXPECT_EQ(seen.markerRight - seen.markerLeft + 1, kCalibMarkerSize * k);
        EXPECT_EQ(seen.markerBottom - seen.markerTop + 1, kCalibMarkerSize * k);
        const int centreX = seen.markerLeft + kCalibMarkerCentre * k;
        const int centreY = seen.markerTop + kCalibMarkerCentre * k;
        EXPECT_TRUE(centreX <= x && x < centreX + k) << centreX << " for " << x;
        EXPECT_TRUE(centreY <= y && y < centreY + k) << centreY << " for " << y;
        printf("scale %d target %zu (%d, %d): marker centre square at (%d, %d), offset (%d, %d)\n",
               k, n + 1, x, y, centreX, centreY, centreX - x, centreY - y);
        // The caption's text begins at (W/2 - 30, H/2 - 30), a glyph's
        // bearing further in, and ends on the screen.
        ASSERT_GE(seen.inkLeft, 0) << "no caption on the screen";
        EXPECT_GE(seen.inkLeft, 1024 / 2 - 30);
        EXPECT_LE(seen.inkLeft, 1024 / 2 - 30 + 4 * k);
        EXPECT_GE(seen.inkTop, 768 / 2 - 30);
        EXPECT_LE(seen.inkTop, 768 / 2 - 30 + 16 * k);
        EXPECT_LT(seen.inkRight, 1024);
        EXPECT_LT(seen.inkBottom, 768);
        printf("scale %d caption ink (%d, %d) to (%d, %d)\n", k, seen.inkLeft, seen.inkTop,
               seen.inkRight, seen.inkBottom);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Points, MarkerOnScreen,
    ::testing::Values(RunCase{4, {51, 973}, {38, 730}}, RunCase{9, {51, 512, 973}, {38, 384, 730}},
                      RunCase{25, {51, 256, 512, 768, 973}, {38, 192, 384, 576, 730}}),
    [](const ::testing::TestParamInfo<RunCase>& info) {
        return std::to_string(info.param.points) + "Points";
    });

// The window scale is fixed when the toolkit starts: the screen cases run
// again in a child process started the way a HiDPI desktop starts the
// program. `env` sets (or, for nullptr, removes) variables; the child's
// report goes to this test's output.
void RunMarkerCasesWith(const std::vector<std::pair<const char*, const char*>>& env) {
    gchar** envp = g_get_environ();
    for (const auto& [name, value] : env) {
        envp = value != nullptr ? g_environ_setenv(envp, name, value, TRUE)
                                : g_environ_unsetenv(envp, name);
    }
    gchar self[] = "/proc/self/exe";
    gchar filter[] = "--gtest_filter=Points/MarkerOnScreen.*";
    gchar* argv[] = {self, filter, nullptr};
    gchar* out = nullptr;
    gchar* err = nullptr;
    gint status = 0;
    GError* error = nullptr;
    const gboolean spawned = g_spawn_sync(nullptr, argv, envp, G_SPAWN_DEFAULT, nullptr, nullptr,
                                          &out, &err, &status, &error);
    g_strfreev(envp);
    ASSERT_TRUE(spawned) << error->message;
    EXPECT_TRUE(g_spawn_check_wait_status(status, nullptr)) << out << err;
    EXPECT_NE(strstr(out, "[  PASSED  ] 3 tests."), nullptr) << out;
    for (gchar **line = g_strsplit(out, "\n", -1), **at = line; *at != nullptr; ++at) {
        if (g_str_has_prefix(*at, "scale ")) {
            printf("%s\n", *at);
        }
        if (at[1] == nullptr) {
            g_strfreev(line);
            break;
        }
    }
    g_free(out);
    g_free(err);
}

TEST(HiDpi, WindowScaleFromGdkScale) {
    RunMarkerCasesWith({{"GDK_SCALE", "2"}, {"PANEL_EXPECT_WINDOW_SCALE", "2"}});
}

// Fonts scaled alone move nothing.
TEST(HiDpi, FontScaleMovesNothing) {
    RunMarkerCasesWith(
        {{"GDK_SCALE", nullptr}, {"GDK_DPI_SCALE", "2"}, {"PANEL_EXPECT_WINDOW_SCALE", "1"}});
}

// The desktop's window scaling factor, as Debian's xsettingsd serves it
// (and as a start through pkexec keeps it: it comes from the X server).
TEST(HiDpi, WindowScaleFromTheDesktopsXSettings) {
    char config[] = "/tmp/panel-xsettings-XXXXXX";
    const int fd = mkstemp(config);
    ASSERT_GE(fd, 0);
    const char line[] = "Gdk/WindowScalingFactor 2\n";
    ASSERT_EQ(write(fd, line, sizeof line - 1), static_cast<ssize_t>(sizeof line - 1));
    close(fd);
    const pid_t server = fork();
    ASSERT_GE(server, 0);
    if (server == 0) {
        prctl(PR_SET_PDEATHSIG, SIGTERM);
        execlp("xsettingsd", "xsettingsd", "-c", config, static_cast<char*>(nullptr));
        _exit(127);
    }
    // Serving once it owns the screen's settings selection.
    Display* display = GDK_DISPLAY_XDISPLAY(gdk_display_get_default());
    const Atom selection = XInternAtom(display, "_XSETTINGS_S0", False);
    bool serving = false;
    for (int waited = 0; waited < 5000 && !serving; waited += 10) {
        serving = XGetSelectionOwner(display, selection) != 0;  // not None
        if (!serving)
            usleep(10 * 1000);
    }
    EXPECT_TRUE(serving);
    if (serving) {
        RunMarkerCasesWith({{"GDK_SCALE", nullptr},
                            {"GDK_DPI_SCALE", nullptr},
                            {"PANEL_EXPECT_WINDOW_SCALE", "2"}});
    }
    kill(server, SIGTERM);
    waitpid(server, nullptr, 0);
    unlink(config);
}

// The real 10-second time-out: one test only.
TEST_F(CalibrationTest, SilentDriverTimesOutAndLeavesTheRecordAlone) {
    Prepare(4, {"--calib", "silent"});
    Calibrate();

    EXPECT_EQ(runOutput, "  -> Calibrating...  -> TIME OUT\n");
    ASSERT_EQ(runDialogs.size(), 1u);
    EXPECT_EQ(runDialogs[0].text, kUnfinishedText);
    EXPECT_EQ(driverBlock->calState, 0);
    EXPECT_EQ(driverBlock->calPoint, 1);
    EXPECT_EQ(calWindow, nullptr);
    EXPECT_EQ(calCrossImage, nullptr);
    EXPECT_EQ(calLabel, nullptr);
    ExpectSentinels(record, 0, true, true, true);
    EXPECT_FALSE(gui::Sensitive(applyButton));
}

TEST_F(CalibrationTest, InvalidCoefficientsStillCompleteWithoutTouchingTheRecord) {
    Prepare(9, {"--calib", "invalid", "--delay", "20"});
    Calibrate();

    EXPECT_EQ(runOutput,
              "  -> Calibrating...  -> Can't set calibrated co-efficients.\n  -> Completed.");
    EXPECT_TRUE(runDialogs.empty());
    EXPECT_EQ(driverBlock->calPoint, 0);
    ExpectSentinels(record, 0, true, true, true);
    EXPECT_TRUE(gui::Sensitive(applyButton));
    EXPECT_TRUE(gui::Sensitive(okButton));
}

TEST_F(CalibrationTest, ChangedProductRefusesWithoutARun) {
    Prepare(4, {"--calib", "auto", "--delay", "20"});
    record->productChanged = 1;
    driverBlock->calPoint = 3;
    Calibrate();

    EXPECT_EQ(runOutput, "");
    ASSERT_EQ(runDialogs.size(), 1u);
    EXPECT_EQ(runDialogs[0].text, kProductChangedText);
    EXPECT_EQ(driverBlock->calPoint, 3);  // the block is not touched
    EXPECT_EQ(driverBlock->calState, 0);
    ExpectSentinels(record, 0, true, true, true);
}

TEST_F(CalibrationTest, WithoutTheBlockTheButtonDoesNothing) {
    UseConfig(Section(0, "/dev/ttyS0") + Layout({0}));
    ListDevices("TAVIR TouchPanel0 pointer\n");
    Build();
    ASSERT_EQ(driverBlock, nullptr);
    Calibrate();
    EXPECT_EQ(runOutput, "");
    EXPECT_TRUE(runDialogs.empty());
    EXPECT_EQ(calWindow, nullptr);
    EXPECT_FALSE(gui::Sensitive(applyButton));
}

TEST_F(CalibrationTest, AnswerWithoutAdvanceShowsTheSameTargetAgain) {
    Prepare(4, {"--calib", "no-advance", "--delay", "100"});
    RunWatcher watcher;
    // Once the stand-in has answered a few times, give up the run the way
    // the time-out does.
    guint giveUp = g_timeout_add(
        700,
        [](gpointer) -> gboolean {
            OnTimeOut(nullptr);
            return G_SOURCE_REMOVE;
        },
        nullptr);
    Calibrate(&watcher);
    (void)giveUp;

    std::string log = DriverLog();
    size_t answers = 0;
    for (size_t at = log.find("(not advanced)"); at != std::string::npos;
         at = log.find("(not advanced)", at + 1)) {
        ++answers;
    }
    EXPECT_GE(answers, 3u) << log;
    // Target 1 all along, at its place; every answer restarted the time-out.
    ASSERT_EQ(watcher.shown.size(), 1u);
    EXPECT_EQ(watcher.shown[0].caption, "Calibration: 1");
    EXPECT_EQ(watcher.shown[0].x, 51 - 5);
    EXPECT_EQ(watcher.shown[0].y, 38 - 5);
    EXPECT_GE(watcher.timeoutIds.size(), answers);
    EXPECT_EQ(runOutput, "  -> Calibrating...  -> TIME OUT\n");
    ASSERT_EQ(runDialogs.size(), 1u);
    EXPECT_EQ(runDialogs[0].text, kUnfinishedText);
}

// This program's X server has two screens: 0 of 1024 x 768 and 1 of 800 x 600.
TEST_F(CalibrationTest, RunUsesTheRecordOfTheSpinsScreen) {
    UseConfig(Section(0, "/dev/ttyS0", 9600, "\tOption \"CalibPointsNum\" \"4\"\n") +
              Section(1, "/dev/ttyS1", 9600,
                      "\tOption \"CalibPointsNum\" \"4\"\n\tOption \"BorderRatio\" \"5\"\n") +
              Layout({0, 1}));
    ListDevices("TAVIR TouchPanel0 pointer\nTAVIR TouchPanel1 pointer\n");
    StartDriver({"--calib", "auto", "--delay", "20", "--screen", "1"});
    Build();
    DeviceRecord* first = FindRecordByScreen(0);
    DeviceRecord* second = FindRecordByScreen(1);
    ASSERT_NE(second, nullptr);
    FillSentinels(first);
    FillSentinels(second);
    second->sampling = 7;
    gtk_spin_button_set_value(GTK_SPIN_BUTTON(screenSpin), 1);
    gui::Flush();
    RunWatcher watcher;
    Calibrate(&watcher);

    EXPECT_EQ(runOutput, "  -> Calibrating...  -> Completed.");
    EXPECT_EQ(driverBlock->screenNo, 1);
    EXPECT_EQ(driverBlock->sampling, 7);
    ExpectSentinels(first, 0, true, true, true);
    EXPECT_EQ(second->coefficient[0], driverBlock->coefficient[0]);
    EXPECT_NE(second->coefficient[0], 7000);

    // The targets stood on screen 1, the panel's own, which the window
    // covered whole; the driver laid them out on that screen's size.
    EXPECT_EQ(watcher.xScreen, 1);
    EXPECT_EQ(watcher.windowX, 0);
    EXPECT_EQ(watcher.windowY, 0);
    EXPECT_EQ(watcher.windowWidth, 800);
    EXPECT_EQ(watcher.windowHeight, 600);
    EXPECT_NE(DriverLog().find("calib start points=4 screen=1 size=800x600"), std::string::npos)
        << DriverLog();
    const int xs[] = {40, 760}, ys[] = {30, 570};
    ASSERT_EQ(watcher.shown.size(), 4u);
    for (size_t n = 0; n < 4; ++n) {
        EXPECT_EQ(watcher.shown[n].x, xs[n % 2] - 5) << n;
        EXPECT_EQ(watcher.shown[n].y, ys[n / 2] - 5) << n;
    }
    // A later run on the display's own screen takes that screen's size.
    gtk_spin_button_set_value(GTK_SPIN_BUTTON(screenSpin), 0);
    gui::Flush();
    RunWatcher own;
    Calibrate(&own);
    EXPECT_EQ(own.xScreen, 0);
    EXPECT_EQ(own.windowWidth, 1024);
    EXPECT_EQ(driverBlock->screenWidth, 1024);
    EXPECT_EQ(driverBlock->screenHeight, 768);
    EXPECT_NE(first->coefficient[0], 7000);
}

TEST_F(CalibrationTest, ScreenTheServerLacksIsRefusedWithoutARun) {
    UseConfig(Section(0, "/dev/ttyS0", 9600, "\tOption \"CalibPointsNum\" \"4\"\n") +
              Section(2, "/dev/ttyS1", 9600, "\tOption \"CalibPointsNum\" \"4\"\n") +
              Layout({0, 2}));
    ListDevices("TAVIR TouchPanel0 pointer\nTAVIR TouchPanel2 pointer\n");
    StartDriver({"--calib", "auto", "--delay", "20"});
    Build();
    DeviceRecord* third = FindRecordByScreen(2);
    ASSERT_NE(third, nullptr);
    FillSentinels(third);
    gtk_spin_button_set_value(GTK_SPIN_BUTTON(screenSpin), 2);
    gui::Flush();
    ASSERT_TRUE(gui::Sensitive(calibrationButton));
    const DriverSharedBlock before = *driverBlock;
    Calibrate();

    EXPECT_EQ(runOutput, "");
    ASSERT_EQ(runDialogs.size(), 1u);
    EXPECT_EQ(runDialogs[0].text,
              "The targets of screen 2 cannot be shown on this display.\n"
              "The Calibration is not started.");
    EXPECT_EQ(calWindow, nullptr);
    EXPECT_EQ(memcmp(&before, driverBlock, sizeof before), 0) << "the block was written";
    EXPECT_EQ(DriverLog().find("calib start"), std::string::npos) << DriverLog();
    ExpectSentinels(third, 0, true, true, true);
    EXPECT_FALSE(gui::Sensitive(applyButton));
}

// Calibration-only mode: the exit status says whether the run completed and
// the file was rewritten.
TEST_F(CalibrationTest, CalibrateOnlySucceedsOnlyWhenTheRunCompletedAndTheFileWasWritten) {
    calibrateOnly = 1;
    Prepare(4, {"--calib", "auto", "--delay", "20"});
    std::vector<gui::ShownDialog> shown;
    gui::DialogResponder responder(&shown);
    testing::internal::CaptureStdout();
    int status = CalibrateOnly();
    std::string output = testing::internal::GetCapturedStdout();
    EXPECT_EQ(status, 0) << output;
    EXPECT_FALSE(gtk_widget_get_visible(mainWindowParts.notebook));
    EXPECT_EQ(Options(ReadFileBytes(configPath))["CoEfficient000"], driverBlock->coefficient[0]);

    // Refused (product changed): Apply still writes, the status says failure.
    record->productChanged = 1;
    EXPECT_EQ(CalibrateOnly(), 1);
    EXPECT_EQ(shown.size(), 1u);
}

TEST_F(CalibrationTest, CalibrateOnlyWithoutTheBlockFails) {
    calibrateOnly = 1;
    UseConfig(Section(0, "/dev/ttyS0") + Layout({0}));
    ListDevices("TAVIR TouchPanel0 pointer\n");
    Build();
    std::string before = ReadFileBytes(configPath);
    EXPECT_EQ(CalibrateOnly(), 1);
    EXPECT_NE(ReadFileBytes(configPath), before);  // Apply wrote it all the same
}

}  // namespace
