// Calibration runs against the driver stand-in: the real window, the real
// Calibration button, the stand-in answering through the shared block.
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <map>
#include <ostream>
#include <sstream>
#include <string>
#include <vector>

#include "testfiles.h"
#include "devicerecord.h"
#include "ui/calibration.h"
#include "driverlink/sharedmem.h"
#include "guiharness.h"
#include "ui/applyokcancel.h"
#include "ui/mainwindow.h"

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
    void Calibrate(RunWatcher* watcher = nullptr) {
        gui::DialogResponder responder(&runDialogs);
        guint sampler = watcher ? g_timeout_add(5, RunWatcher::Sample, watcher) : 0;
        testing::internal::CaptureStdout();
        gtk_button_clicked(GTK_BUTTON(calibrationButton));
        runOutput = testing::internal::GetCapturedStdout();
        if (sampler)
            g_source_remove(sampler);
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

TEST_F(CalibrationTest, RunUsesTheRecordOfTheSpinsScreen) {
    UseConfig(Section(0, "/dev/ttyS0", 9600, "\tOption \"CalibPointsNum\" \"4\"\n") +
              Section(1, "/dev/ttyS1", 9600, "\tOption \"CalibPointsNum\" \"4\"\n") +
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
    Calibrate();

    EXPECT_EQ(driverBlock->screenNo, 1);
    EXPECT_EQ(driverBlock->sampling, 7);
    ExpectSentinels(first, 0, true, true, true);
    EXPECT_EQ(second->coefficient[0], driverBlock->coefficient[0]);
    EXPECT_NE(second->coefficient[0], 7000);
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
