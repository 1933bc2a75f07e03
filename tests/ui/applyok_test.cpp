// Apply, OK and Cancel on the real window: the restart message and when it
// comes, what reaches the record, the driver's block and the file, what
// Cancel puts back, and that a user who is not root can change nothing.
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "windowtest.h"
#include "ui/driverstatus.h"
#include "ui/applyokcancel.h"
#include "ui/changenotice.h"
#include "ui/dialogs.h"
#include "labels.h"
#include "ui/screens.h"

namespace {

using controltest::ControlTest;
using controltest::FileBytes;
using driveropts::kTapTime;

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
    WarningLog() : handler_(g_log_set_handler(nullptr, G_LOG_LEVEL_WARNING, Record, &lines)) {}
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
    // The person pages the border up to 7 %.
    ASSERT_LT(gui::Value(calibBorderSpin), 7);
    while (gui::Value(calibBorderSpin) < 7) {
        gui::StrikeKey(calibBorderSpin, GDK_KEY_Page_Up);
    }
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
    BuildWith(Section(0, "/dev/ttyS1") + Layout({0}), kLoadedScreen0);
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
    ShowPage(kPageCalibration);
    gui::PressAt(gui::SpinButtonPart(calibBorderSpin, true));
    ShowPage(kPageSetting);
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
    BuildWith(Section(0, "/dev/ttyS1") + Layout({0}), kLoadedScreen0);
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
    BuildWith(Section(0, "/dev/ttyS1") + Section(2, "/dev/ttyS2") + Layout({0, 2}), kLoadedScreen0);
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
                  Section(1, "/dev/ttyS2", 9600, "\tOption \"TapTime\" \"40\"\n") + Layout({0, 1}),
              kLoadedScreen0);
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
    BuildWith(Section(0, "/dev/ttyS1") + Section(1, "/dev/ttyS2") + Layout({0, 1}), kLoadedScreen0);
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

// A directory whose files can be read but not replaced, as /etc/X11 on a
// read-only root file system: a read-only bind mount of a scratch directory
// (the GUI tests run as root in a private mount namespace, where nothing
// else sees it).
class ReadOnlyDirectory {
public:
    ReadOnlyDirectory() {
        char path[] = "/tmp/panel-ro-XXXXXX";
        if (mkdtemp(path) != nullptr) {
            dir = path;
        }
    }
    ~ReadOnlyDirectory() {
        MakeWritable();
        std::system(("rm -rf '" + dir + "'").c_str());
    }
    ReadOnlyDirectory(const ReadOnlyDirectory&) = delete;
    ReadOnlyDirectory& operator=(const ReadOnlyDirectory&) = delete;

    bool MakeReadOnly() {
        mounted_ = std::system(("mount --bind '" + dir + "' '" + dir +
                                "' && mount -o remount,bind,ro '" + dir + "' '" + dir + "'")
                                   .c_str()) == 0;
        return mounted_;
    }
    void MakeWritable() {
        if (mounted_) {
            std::system(("umount '" + dir + "'").c_str());
            mounted_ = false;
        }
    }

    std::string dir;

private:
    bool mounted_ = false;
};

TEST_F(ApplyOkCancel, FileThatCannotBeWrittenIsToldAndOkKeepsTheProgramRunning) {
    BuildWith(Section(0, "/dev/ttyS1") + Layout({0}), kLoadedScreen0);
    ReadOnlyDirectory readOnly;
    ASSERT_FALSE(readOnly.dir.empty());
    const std::string path = readOnly.dir + "/xorg.conf";
    {
        std::ofstream copy(path, std::ios::binary);
        copy << fileAtStart;
    }
    ASSERT_LT(path.size(), kConfigPathSize);
    strcpy(configPath, path.c_str());
    ASSERT_TRUE(readOnly.MakeReadOnly());
    ShowPage(kPageSetting);
    MoveTo(tapTimeScale, 33);
    restartNeeded = 0;
    driver->commMode = 1;  // the communication test holds the link

    DialogWitness witness;
    ClickAsUser(applyButton);
    char expected[512];
    snprintf(expected, sizeof expected, DialogMessageText(kMsgSaveFailed, 0), path.c_str(),
             "Read-only file system");
    ASSERT_EQ(witness.seen.size(), 1u);
    EXPECT_EQ(witness.seen[0].text, expected);
    EXPECT_EQ(FileBytes(), fileAtStart);
    // Still changeable and savable once the cause is mended.
    EXPECT_TRUE(gui::Sensitive(applyButton));
    EXPECT_TRUE(gui::Sensitive(okButton));

    // OK tells the same and leaves the program running, the link still held.
    EXPECT_FALSE(LoopEndedBy([] { ClickAsUser(okButton); }, 2000));
    ASSERT_EQ(witness.seen.size(), 2u);
    EXPECT_EQ(witness.seen[1].text, expected);
    EXPECT_EQ(driver->commMode, 1);
    EXPECT_EQ(FileBytes(), fileAtStart);

    readOnly.MakeWritable();
    EXPECT_TRUE(LoopEndedBy([] { ClickAsUser(okButton); }));
    EXPECT_EQ(witness.seen.size(), 2u);
    EXPECT_TRUE(HasOption(FileBytes(), "TapTime", 33));
    EXPECT_EQ(driver->commMode, 0);
}

TEST_F(ApplyOkCancel, PortAndSpeedTheTablesDoNotHoldAreKeptUntilTheUserPicks) {
    // "/dev/ttyS10" contains a table text; "/dev/ttyS8" does not: neither
    // may become another port.
    BuildWith(Section(0, "/dev/ttyS10", 38400) + Layout({0}), kLoadedScreen0);
    DeviceRecord* record = CurrentRecord();
    EXPECT_EQ(gui::ComboText(portCombo), "");
    EXPECT_EQ(gui::ComboText(speedCombo), "");
    EXPECT_TRUE(gui::Sensitive(portCombo));
    std::vector<gui::ShownDialog> shown;
    gui::DialogResponder responder(&shown);

    ShowPage(kPageSetting);
    MoveTo(tapTimeScale, 31);
    ClickAsUser(applyButton);
    std::string written = FileBytes();
    EXPECT_NE(written.find("\tOption     \"Device\"       \"/dev/ttyS10\"\n"), std::string::npos)
        << written;
    EXPECT_NE(written.find("\tOption     \"BaudRate\"     \"38400\"\n"), std::string::npos);
    EXPECT_EQ(record->linkChanged, 0);

    // Picking the port the index already names is still a new port.
    ASSERT_EQ(record->portIndex, 1);
    gtk_combo_box_set_active(GTK_COMBO_BOX(portCombo), 1);
    gui::Flush();
    EXPECT_EQ(record->linkChanged, 1);
    EXPECT_EQ(gui::ComboText(speedCombo), "");  // the speed is still the file's
    ClickAsUser(applyButton);
    written = FileBytes();
    EXPECT_NE(written.find("\"Device\"       \"/dev/ttyS1\"\n"), std::string::npos) << written;
    EXPECT_NE(written.find("\"BaudRate\"     \"38400\"\n"), std::string::npos);

    gtk_combo_box_set_active(GTK_COMBO_BOX(speedCombo), 4);
    gui::Flush();
    ClickAsUser(applyButton);
    EXPECT_TRUE(HasOption(FileBytes(), "BaudRate", 19200));
}

TEST_F(ApplyOkCancel, PanelWithASerialAndAUsbSectionGetsOneLayoutLine) {
    // What panelinstall writes for a panel with both links: two sections
    // under one identifier.
    BuildWith(Section(0, "/dev/ttyS1") + Section(0, "/dev/input/event*") + Layout({0}),
              kLoadedScreen0);
    ASSERT_EQ(g_list_length(deviceList), 2u);
    std::vector<gui::ShownDialog> shown;
    gui::DialogResponder responder(&shown);
    ShowPage(kPageSetting);
    MoveTo(tapTimeScale, 31);
    ClickAsUser(applyButton);
    const std::string written = FileBytes();
    size_t lines = 0;
    for (size_t at = written.find("\tInputDevice\t\"TAVIR TouchPanel0\""); at != std::string::npos;
         at = written.find("\tInputDevice\t\"TAVIR TouchPanel0\"", at + 1)) {
        ++lines;
    }
    EXPECT_EQ(lines, 1u) << written;
    // Both sections stay.
    EXPECT_NE(written.find("\"/dev/ttyS1\""), std::string::npos);
    EXPECT_NE(written.find("\"/dev/input/event*\""), std::string::npos);
}

}  // namespace
