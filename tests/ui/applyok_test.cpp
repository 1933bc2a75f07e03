// Apply, OK and Cancel on the real window: the restart message and when it
// comes, what reaches the record, the driver's block and the file, what
// Cancel puts back, and that a user who is not root can change nothing.
#include <sstream>
#include <string>
#include <vector>

#include "controltest.h"
#include "driverlink/driverstatus.h"
#include "ui/applyokcancel.h"
#include "ui/changenotice.h"
#include "ui/dialogs.h"
#include "ui/labels.h"
#include "ui/screens.h"

namespace {

using controltest::ControlTest;
using controltest::FileBytes;
using driveropts::kTapTime;

constexpr const char* kLoaded0 = "Virtual core pointer\nTAVIR TouchPanel0 pointer\n";
constexpr const char* kNothingLoaded = "Virtual core pointer\n";

// Records every message dialog with the file's bytes at the moment it is
// shown, then closes it.
class DialogWitness {
public:
    struct Seen {
        std::string text;
        std::string fileWhenShown;
    };

    DialogWitness() : source_(g_timeout_add(10, Poll, this)) {}
    ~DialogWitness() { g_source_remove(source_); }
    DialogWitness(const DialogWitness&) = delete;
    DialogWitness& operator=(const DialogWitness&) = delete;

    std::vector<Seen> seen;

private:
    static gboolean Poll(gpointer data) {
        auto* self = static_cast<DialogWitness*>(data);
        GtkWidget* dialog = gui::FindDialog();
        if (dialog != nullptr && gtk_widget_get_mapped(dialog) &&
            g_object_get_data(G_OBJECT(dialog), "witnessed") == nullptr) {
            g_object_set_data(G_OBJECT(dialog), "witnessed", GINT_TO_POINTER(1));
            self->seen.push_back({gui::DescribeDialog(dialog).text, FileBytes()});
            gui::CloseDialog(dialog, gui::CloseBy::kButton);
        }
        return G_SOURCE_CONTINUE;
    }
    guint source_;
};

// Collects the warnings of the default log domain.
class WarningLog {
public:
    WarningLog()
        : handler_(g_log_set_handler(nullptr, G_LOG_LEVEL_WARNING, Record, &lines)) {}
    ~WarningLog() { g_log_remove_handler(nullptr, handler_); }
    WarningLog(const WarningLog&) = delete;
    WarningLog& operator=(const WarningLog&) = delete;
    std::vector<std::string> lines;

private:
    static void Record(const gchar*, GLogLevelFlags, const gchar* message, gpointer data) {
        static_cast<std::vector<std::string>*>(data)->push_back(message);
    }
    guint handler_;
};

void MoveTo(GtkWidget* scale, double value) {
    gtk_adjustment_set_value(gtk_range_get_adjustment(GTK_RANGE(scale)), value);
    gui::Flush();
}

// True when the text has the line Option "name" "value", whatever blanks
// separate the three.
bool HasOption(const std::string& text, const std::string& name, int value) {
    std::istringstream lines(text);
    std::string line;
    while (std::getline(lines, line)) {
        std::istringstream words(line);
        std::string option, quotedName, quotedValue, rest;
        if ((words >> option >> quotedName >> quotedValue) && !(words >> rest) &&
            option == "Option" && quotedName == "\"" + name + "\"" &&
            quotedValue == "\"" + std::to_string(value) + "\"") {
            return true;
        }
    }
    return false;
}

class ApplyOkCancel : public ControlTest {};

TEST_F(ApplyOkCancel, RestartMessageComesBeforeTheWriteAndOnlyAfterANewNotice) {
    // No device loaded at start: the X server must be restarted anyway.
    BuildWith(Section(0, "/dev/ttyS1") + Layout({0}), kNothingLoaded);
    ASSERT_EQ(restartNeeded, 1);
    DeviceRecord* record = CurrentRecord();
    const std::string restartText = DialogMessageText(kMsgRestartForAllSettings, 0);

    // The Calibration page only makes OK and Apply sensitive.
    ShowPage(kPageCalibration);
    ClickAsUser(calibPoints25Radio);
    ASSERT_TRUE(gui::Active(calibPoints25Radio));
    gtk_spin_button_set_value(GTK_SPIN_BUTTON(calibBorderSpin), 7);
    EXPECT_TRUE(gui::Sensitive(applyButton));
    EXPECT_TRUE(gui::Sensitive(okButton));
    EXPECT_EQ(restartNeeded, 1);

    DialogWitness witness;
    ClickAsUser(applyButton);
    ASSERT_EQ(witness.seen.size(), 1u);
    EXPECT_EQ(witness.seen[0].text, restartText);
    EXPECT_EQ(witness.seen[0].fileWhenShown, fileAtStart);
    EXPECT_EQ(restartNeeded, 0);

    const std::string applied = FileBytes();
    EXPECT_NE(applied, fileAtStart);
    EXPECT_TRUE(HasOption(applied, "BorderRatio", 7)) << applied;
    EXPECT_TRUE(HasOption(applied, "CalibPointsNum", 25)) << applied;
    EXPECT_FLOAT_EQ(record->borderRatio, 0.07f);
    EXPECT_EQ(driver->borderRatio, 0.07f);
    EXPECT_EQ(calibPointsNum, 25);
    EXPECT_EQ(driver->calibPointsNum, 25);
    for (int i = 0; i < driveropts::kSettingsCount; ++i) {
        EXPECT_EQ(driver->settings[i], record->settings[i]) << i;
        EXPECT_EQ(record->savedSettings[i], record->settings[i]) << i;
    }
    EXPECT_FALSE(gui::Sensitive(applyButton));
    EXPECT_FALSE(gui::Sensitive(okButton));

    // Nine points, no notice in between: written without the message.
    ClickAsUser(calibPoints9Radio);
    ClickAsUser(applyButton);
    EXPECT_EQ(witness.seen.size(), 1u);
    EXPECT_TRUE(HasOption(FileBytes(), "CalibPointsNum", 9));
    EXPECT_EQ(driver->calibPointsNum, 9);

    // A real change raises it again.
    ShowPage(kPageSetting);
    MoveTo(tapTimeScale, 31);
    ASSERT_EQ(restartNeeded, 1);
    ClickAsUser(applyButton);
    ASSERT_EQ(witness.seen.size(), 2u);
    EXPECT_EQ(witness.seen[1].text, restartText);
    EXPECT_TRUE(HasOption(FileBytes(), "TapTime", 31));
}

TEST_F(ApplyOkCancel, CancelPutsTheLastAppliedSettingsBackAndWritesNothing) {
    BuildWith(Section(0, "/dev/ttyS1") + Layout({0}), kLoaded0);
    std::vector<gui::ShownDialog> shown;
    gui::DialogResponder responder(&shown);
    ShowPage(kPageSetting);
    MoveTo(tapTimeScale, 30);
    ASSERT_EQ(driver->settings[kTapTime], 30);
    ClickAsUser(applyButton);
    const std::string applied = FileBytes();
    ASSERT_TRUE(HasOption(applied, "TapTime", 30));

    MoveTo(tapTimeScale, 35);
    MoveTo(samplingScale, 7);
    gtk_spin_button_set_value(GTK_SPIN_BUTTON(calibBorderSpin), 9);
    ASSERT_EQ(driver->settings[kTapTime], 35);
    ASSERT_EQ(driver->sampling, 7);
    const float borderInBlock = driver->borderRatio;

    EXPECT_TRUE(LoopEndedBy([] { ClickAsUser(mainWindowParts.cancelButton); }));
    EXPECT_EQ(driver->settings[kTapTime], 30);
    // Only the fourteen settings go back.
    EXPECT_EQ(driver->sampling, 7);
    EXPECT_EQ(driver->borderRatio, borderInBlock);
    EXPECT_EQ(FileBytes(), applied);
}

TEST_F(ApplyOkCancel, OkReleasesTheLinkWritesAndEndsTheLoop) {
    BuildWith(Section(0, "/dev/ttyS1") + Layout({0}), kLoaded0);
    driver->commMode = 1;
    ShowPage(kPageSetting);
    MoveTo(tapTimeScale, 30);

    std::vector<gui::ShownDialog> shown;
    gui::DialogResponder responder(&shown);
    EXPECT_TRUE(LoopEndedBy([] { ClickAsUser(okButton); }));
    EXPECT_EQ(shown.size(), 1u);  // the tap time change needs a restart
    EXPECT_EQ(driver->commMode, 0);
    EXPECT_EQ(driver->settings[kTapTime], 30);
    EXPECT_TRUE(HasOption(FileBytes(), "TapTime", 30));
}

TEST_F(ApplyOkCancel, ScreenWithoutRecordIsOnlyLoggedAndOkStillEnds) {
    BuildWith(Section(0, "/dev/ttyS1") + Section(2, "/dev/ttyS2") + Layout({0, 2}), kLoaded0);
    ShowPage(kPageSetting);
    MoveTo(tapTimeScale, 30);
    restartNeeded = 0;
    gtk_spin_button_set_value(GTK_SPIN_BUTTON(screenSpin), 1);
    const float borderBefore = driver->borderRatio;

    WarningLog warnings;
    ClickAsUser(applyButton);
    EXPECT_EQ(warnings.lines, std::vector<std::string>{"Not Found the Config Parameter"});
    EXPECT_TRUE(gui::Sensitive(applyButton));
    EXPECT_TRUE(gui::Sensitive(okButton));
    EXPECT_EQ(FileBytes(), fileAtStart);
    EXPECT_EQ(driver->borderRatio, borderBefore);

    // Cancel for such a screen puts nothing back; OK writes nothing; both end.
    EXPECT_TRUE(LoopEndedBy([] { ClickAsUser(okButton); }));
    EXPECT_EQ(driver->settings[kTapTime], 30);
    EXPECT_EQ(FileBytes(), fileAtStart);
    EXPECT_TRUE(LoopEndedBy([] { CancelFunc(mainWindowParts.cancelButton, nullptr); }));
    EXPECT_EQ(driver->settings[kTapTime], 30);
}

TEST_F(ApplyOkCancel, CancelOnAnotherScreenPutsBackThatScreensOwnSettings) {
    BuildWith(Section(0, "/dev/ttyS1") +
                  Section(1, "/dev/ttyS2", 9600, "\tOption \"TapTime\" \"40\"\n") +
                  Layout({0, 1}),
              kLoaded0);
    gtk_spin_button_set_value(GTK_SPIN_BUTTON(screenSpin), 1);
    ShowPage(kPageSetting);
    MoveTo(tapTimeScale, 45);
    ASSERT_EQ(driver->settings[kTapTime], 45);

    EXPECT_TRUE(LoopEndedBy([] { ClickAsUser(mainWindowParts.cancelButton); }));
    // What the window started with for screen 1, not a fresh panel's value.
    EXPECT_EQ(driver->settings[kTapTime], 40);
    EXPECT_EQ(FileBytes(), fileAtStart);
}

TEST_F(ApplyOkCancel, UserWhoIsNotRootCanChangeNothing) {
    SetRoot(false);
    BuildWith(Section(0, "/dev/ttyS1") + Section(1, "/dev/ttyS2") + Layout({0, 1}), kLoaded0);
    ASSERT_EQ(dialogs.size(), 1u);
    DeviceRecord* record = CurrentRecord();
    const uint8_t pointsBefore = calibPointsNum;

    auto nothingChanged = [&] {
        EXPECT_FALSE(gui::Sensitive(applyButton));
        EXPECT_FALSE(gui::Sensitive(okButton));
        EXPECT_FALSE(gui::Sensitive(changeStatusButton));
        EXPECT_EQ(record->status, kStatusEnable);
        EXPECT_EQ(calibPointsNum, pointsBefore);
        EXPECT_EQ(g_list_length(deviceList), 2u);
        EXPECT_EQ(FileBytes(), fileAtStart);
    };

    // The user's clicks reach nothing.
    ShowPage(kPageCalibration);
    ClickAsUser(calibPoints25Radio);
    EXPECT_FALSE(gui::Active(calibPoints25Radio));
    ShowPage(kPageDriver);
    ClickAsUser(mainWindowParts.statusRadios[kStatusDisable]);
    EXPECT_FALSE(gui::Active(mainWindowParts.statusRadios[kStatusDisable]));
    ClickAsUser(mainWindowParts.addScreenButton);
    EXPECT_EQ(gui::FindWidget(kAddScreenDialogName), nullptr);
    ClickAsUser(applyButton);
    nothingChanged();

    // The screen can be looked at; nothing on it becomes changeable.
    gtk_spin_button_set_value(GTK_SPIN_BUTTON(screenSpin), 1);
    for (GtkWidget* radio : mainWindowParts.statusRadios) {
        EXPECT_FALSE(gui::Sensitive(radio));
    }
    EXPECT_FALSE(gui::Sensitive(portCombo));

    // Even when the handlers behind those controls run, OK and Apply stay
    // out of reach.
    g_signal_emit_by_name(calibBorderSpin, "changed");
    MarkChanged();
    StatChkCallBack(changeStatusButton, nullptr);
    GtkAdjustment* adjustment = gtk_adjustment_new(5, 0, 16, 1, 1, 0);
    GtkWidget* spin = gtk_spin_button_new(adjustment, 0, 0);
    g_object_ref_sink(spin);
    AddScrn(nullptr, spin);
    g_object_unref(spin);
    EXPECT_FALSE(gui::Sensitive(applyButton));
    EXPECT_FALSE(gui::Sensitive(okButton));
    for (GtkWidget* radio : mainWindowParts.statusRadios) {
        EXPECT_FALSE(gui::Sensitive(radio));
    }

    // Cancel still ends the program and puts the driver's settings back.
    driver->settings[kTapTime] = 99;
    gtk_spin_button_set_value(GTK_SPIN_BUTTON(screenSpin), 0);
    EXPECT_TRUE(LoopEndedBy([] { ClickAsUser(mainWindowParts.cancelButton); }));
    EXPECT_EQ(driver->settings[kTapTime], record->savedSettings[kTapTime]);
}

}  // namespace
