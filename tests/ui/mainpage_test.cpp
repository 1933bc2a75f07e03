// The Main page selectors on the real window: configuration file, link port
// and speed (USB included), product with its forced calibration points, and
// the sampling rate that reaches the driver at once.
#include <unistd.h>

#include <cstdlib>
#include <string>

#include "configsearch.h"
#include "windowtest.h"
#include "ui/mainpage.h"

namespace {

using gui::ComboText;
using gui::Sensitive;

constexpr int kUsb = 4;

class MainPage : public pagetest::PageTest {
protected:
    static void ExpectCommTestSensitive(bool sensitive) {
        EXPECT_EQ(Sensitive(commModeCheck), sensitive);
        EXPECT_EQ(Sensitive(transmitEntry), sensitive);
        EXPECT_EQ(Sensitive(receiveList), sensitive);
        EXPECT_EQ(Sensitive(transmitButton), sensitive);
    }
};

TEST_F(MainPage, UsbEmptiesTheSpeedAndASerialPortBringsItBack) {
    BuildWith("/dev/ttyS1", 9600);
    DeviceRecord* record = CurrentRecord();
    ASSERT_EQ(record->speedIndex, 3);

    Choose(portCombo, kUsb);
    EXPECT_EQ(record->portIndex, kUsb);
    EXPECT_EQ(record->linkChanged, 1);
    EXPECT_TRUE(Noticed());
    EXPECT_FALSE(Sensitive(speedCombo));
    EXPECT_EQ(gtk_combo_box_get_active(GTK_COMBO_BOX(speedCombo)), -1);
    // Emptying the speed combo is no choice of a speed.
    EXPECT_EQ(record->speedIndex, 3);
    ExpectCommTestSensitive(false);

    ForgetNotice();
    Choose(portCombo, 0);
    EXPECT_EQ(record->portIndex, 0);
    EXPECT_TRUE(Noticed());
    EXPECT_TRUE(Sensitive(speedCombo));
    EXPECT_EQ(ComboText(speedCombo), "9600bps");
    EXPECT_EQ(record->speedIndex, 3);
    ExpectCommTestSensitive(true);
    EXPECT_EQ(ComboText(portCombo), "COM1(/dev/ttyS0)");
}

TEST_F(MainPage, SpeedAndPortChoicesSetLinkChangedOnlyWhenTheyDiffer) {
    BuildWith("/dev/ttyS1", 9600);
    DeviceRecord* record = CurrentRecord();

    // The item already shown, reported again: a notice, no link change.
    ChooseAgain(portCombo);
    EXPECT_TRUE(Noticed());
    EXPECT_EQ(record->linkChanged, 0);
    ForgetNotice();
    ChooseAgain(speedCombo);
    EXPECT_TRUE(Noticed());
    EXPECT_EQ(record->linkChanged, 0);

    Choose(speedCombo, 4);
    EXPECT_EQ(record->speedIndex, 4);
    EXPECT_EQ(record->linkChanged, 1);

    // Back to where it started: the flag stays until the program ends.
    Choose(speedCombo, 3);
    EXPECT_EQ(record->speedIndex, 3);
    EXPECT_EQ(record->linkChanged, 1);
    // Port and speed reach the driver only through the file.
    EXPECT_EQ(driver->settings[driveropts::kProducts], 0);
}

TEST_F(MainPage, SerialPortLeavesTheSpeedLockedForADisabledDevice) {
    UseConfig(Section(0, "/dev/ttyS1", 2400));  // in the file, not in the layout
    ServeDriver();
    ListDevices(kLoadedScreen0);
    Build();
    DeviceRecord* record = CurrentRecord();
    ASSERT_EQ(record->status, kStatusDisable);

    // The combo is locked for the user; the rule must hold all the same when
    // the port changes while the device is disabled.
    Choose(portCombo, kUsb);
    Choose(portCombo, 2);
    EXPECT_FALSE(Sensitive(speedCombo));
    EXPECT_EQ(ComboText(speedCombo), "2400bps");
    EXPECT_EQ(record->speedIndex, 1);
    ExpectCommTestSensitive(true);
}

TEST_F(MainPage, FourthProductForcesNinePointsAndTheFirstForcesFour) {
    BuildWith("/dev/ttyS1", 9600, "\tOption \"Products\" \"0\"\n");
    DeviceRecord* record = CurrentRecord();
    calibPointsNum = 25;
    gtk_toggle_button_set_active(GTK_TOGGLE_BUTTON(calibPoints25Radio), TRUE);
    gui::Flush();
    ForgetNotice();

    Choose(mainWindowParts.productCombo, 3);
    EXPECT_EQ(record->settings[driveropts::kProducts], 3);
    EXPECT_EQ(driver->settings[driveropts::kProducts], 3);
    EXPECT_EQ(record->productChanged, 1);
    EXPECT_EQ(calibPointsNum, 9);
    EXPECT_TRUE(gui::Active(calibPoints9Radio));
    EXPECT_FALSE(Sensitive(calibPoints4Radio));
    EXPECT_TRUE(Noticed());

    Choose(mainWindowParts.productCombo, 0);
    EXPECT_EQ(driver->settings[driveropts::kProducts], 0);
    EXPECT_EQ(calibPointsNum, 4);
    EXPECT_TRUE(gui::Active(calibPoints4Radio));
    EXPECT_TRUE(Sensitive(calibPoints4Radio));

    // The product already chosen, reported again: points stay as the user
    // left them, the block is not written, the notice is given.
    Choose(mainWindowParts.productCombo, 3);
    gtk_toggle_button_set_active(GTK_TOGGLE_BUTTON(calibPoints25Radio), TRUE);
    calibPointsNum = 25;
    driver->settings[driveropts::kProducts] = 77;
    ForgetNotice();
    ChooseAgain(mainWindowParts.productCombo);
    EXPECT_EQ(calibPointsNum, 25);
    EXPECT_TRUE(gui::Active(calibPoints25Radio));
    EXPECT_FALSE(Sensitive(calibPoints4Radio));
    EXPECT_EQ(driver->settings[driveropts::kProducts], 77);
    EXPECT_TRUE(Noticed());
}

TEST_F(MainPage, SamplingReachesTheDriverAtOnce) {
    BuildWith("/dev/ttyS1");
    DeviceRecord* record = CurrentRecord();
    ASSERT_EQ(record->sampling, 0);

    MoveTo(samplingScale, 7);
    EXPECT_EQ(record->sampling, 7);
    EXPECT_EQ(driver->sampling, 7);
    EXPECT_TRUE(Noticed());

    // A report within the same step is no change.
    ForgetNotice();
    MoveTo(samplingScale, 7.6);
    EXPECT_EQ(record->sampling, 7);
    EXPECT_FALSE(AnythingNoticed());

    // The slider's top is 15, not the adjustment's upper bound 16.
    MoveTo(samplingScale, 16);
    EXPECT_EQ(record->sampling, 15);
    EXPECT_EQ(driver->sampling, 15);
}

TEST_F(MainPage, ConfigChoiceExpandsTheTemplateAndRaisesNoRestart) {
    BuildWith("/dev/ttyS1");
    const std::string before = configPath;
    g_setenv("HOME", "/root", TRUE);

    Choose(mainWindowParts.configCombo, 1);  // "$HOME/XF86Config"
    EXPECT_STREQ(configPath, "/root/XF86Config");
    EXPECT_TRUE(Sensitive(applyButton));
    EXPECT_TRUE(Sensitive(okButton));
    EXPECT_EQ(restartNeeded, 0);

    char host[256] = {};
    ASSERT_EQ(gethostname(host, sizeof host - 1), 0);
    Choose(mainWindowParts.configCombo, 8);  // ".../lib/X11/XF86Config.$HOSTNAME"
    EXPECT_EQ(std::string(configPath), std::string("/usr/X11R6/lib/X11/XF86Config.") + host);

    Choose(mainWindowParts.configCombo, 0);
    EXPECT_STREQ(configPath, "/etc/X11/xorg.conf");
    EXPECT_NE(before, configPath);
}

TEST_F(MainPage, HomeTemplateWithoutHomeKeepsTheFileInUse) {
    BuildWith("/dev/ttyS1");
    const std::string before = configPath;
    const char* home = g_getenv("HOME");
    const std::string savedHome = home ? home : "";
    g_unsetenv("HOME");

    Choose(mainWindowParts.configCombo, 1);
    EXPECT_EQ(std::string(configPath), before);
    if (home != nullptr) {
        g_setenv("HOME", savedHome.c_str(), TRUE);
    }
}

}  // namespace
