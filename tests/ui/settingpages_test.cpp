// The Setting and Advanced pages on the real window: each change reaches the
// record and the driver's live settings at once, the value labels follow, the
// Default buttons write what they must and no more, and only real changes
// count as changes.
#include "windowtest.h"
#include "ui/settingpages.h"

namespace {

using driveropts::SettingIndex;
using gui::LabelText;

class SettingPages : public pagetest::PageTest {
protected:
    // Fills the driver's settings with a value no handler writes, so that a
    // test sees exactly which entries were written.
    void SeedDriverSettings(int value) {
        for (int i = 0; i < driveropts::kSettingsCount; ++i) {
            driver->settings[i] = value;
        }
    }

    void ExpectOnlyWritten(std::initializer_list<SettingIndex> written, int seed) {
        for (int i = 0; i < driveropts::kSettingsCount; ++i) {
            bool expectedWritten = false;
            for (SettingIndex entry : written) {
                expectedWritten = expectedWritten || entry == i;
            }
            if (!expectedWritten) {
                EXPECT_EQ(driver->settings[i], seed) << "entry " << i << " was written";
            }
        }
    }
};

constexpr const char* kNonDefaultOptions =
    "\tOption \"TapTime\" \"25\"\n\tOption \"LiftOffTime\" \"9\"\n"
    "\tOption \"Stabilize\" \"3\"\n\tOption \"Averaging\" \"4\"\n"
    "\tOption \"TouchMode\" \"1\"\n\tOption \"Sound\" \"1\"\n\tOption \"RclickHold\" \"1\"\n"
    "\tOption \"RclickHoldDuration\" \"800\"\n\tOption \"RclickSpatialTolerance\" \"20\"\n";

TEST_F(SettingPages, TapTimeFromTwentyFiveToThirty) {
    BuildWith("/dev/ttyS1", 9600, kNonDefaultOptions);
    DeviceRecord* record = CurrentRecord();
    ASSERT_EQ(record->settings[driveropts::kTapTime], 25);
    ASSERT_EQ(LabelText(tapTimeValueLabel), " 25");
    ASSERT_FALSE(gui::Sensitive(applyButton));

    // Five steps to the right: what the slider's arrow-key binding does.
    gtk_notebook_set_current_page(GTK_NOTEBOOK(mainWindowParts.notebook), kPageSetting);
    for (int i = 0; i < 5; ++i) {
        g_signal_emit_by_name(tapTimeScale, "move-slider", GTK_SCROLL_STEP_RIGHT);
    }
    ASSERT_TRUE(gui::RunUntil([&] { return record->settings[driveropts::kTapTime] == 30; }));

    EXPECT_EQ(driver->settings[driveropts::kTapTime], 30);
    EXPECT_EQ(LabelText(tapTimeValueLabel), " 30");
    EXPECT_TRUE(gui::Sensitive(applyButton));
    EXPECT_TRUE(gui::Sensitive(okButton));
    EXPECT_EQ(restartNeeded, 1);
    // The saved copy is Apply's business.
    EXPECT_EQ(record->savedSettings[driveropts::kTapTime], 25);
}

TEST_F(SettingPages, EachScaleWritesItsOwnEntryAndOnlySettingScalesHaveLabels) {
    BuildWith("/dev/ttyS1", 9600, kNonDefaultOptions);
    DeviceRecord* record = CurrentRecord();
    struct Case {
        GtkWidget* scale;
        SettingIndex entry;
        int value;
        GtkWidget* label;
    };
    const Case cases[] = {
        {liftOffScale, driveropts::kLiftOffTime, 50, liftOffValueLabel},
        {stabilizeScale, driveropts::kStabilize, 40, stabilizeValueLabel},
        {averageScale, driveropts::kAveraging, 0, averageValueLabel},
        {holdScale, driveropts::kRclickHoldDuration, 2000, nullptr},
        {spatialScale, driveropts::kRclickSpatialTolerance, 2, nullptr},
    };
    for (const Case& c : cases) {
        SeedDriverSettings(-7);
        ForgetNotice();
        const std::string labelsBefore[] = {
            LabelText(tapTimeValueLabel), LabelText(liftOffValueLabel),
            LabelText(stabilizeValueLabel), LabelText(averageValueLabel)};
        MoveTo(c.scale, c.value);
        EXPECT_EQ(record->settings[c.entry], c.value) << c.entry;
        EXPECT_EQ(driver->settings[c.entry], c.value) << c.entry;
        ExpectOnlyWritten({c.entry}, -7);
        EXPECT_TRUE(Noticed()) << c.entry;
        if (c.label != nullptr) {
            EXPECT_EQ(LabelText(c.label), " " + std::to_string(c.value));
        } else {
            EXPECT_EQ(LabelText(tapTimeValueLabel), labelsBefore[0]);
            EXPECT_EQ(LabelText(liftOffValueLabel), labelsBefore[1]);
            EXPECT_EQ(LabelText(stabilizeValueLabel), labelsBefore[2]);
            EXPECT_EQ(LabelText(averageValueLabel), labelsBefore[3]);
        }
    }
}

TEST_F(SettingPages, ReportsWithoutARealChangeDoNothing) {
    BuildWith("/dev/ttyS1", 9600, kNonDefaultOptions);
    DeviceRecord* record = CurrentRecord();
    SeedDriverSettings(-7);

    // Slider released within the step it started on.
    MoveTo(tapTimeScale, 25.6);
    MoveTo(holdScale, 800.4);
    // Touch mode already chosen, reported again.
    ChooseAgain(mainWindowParts.touchModeCombo);

    EXPECT_FALSE(AnythingNoticed());
    EXPECT_EQ(record->settings[driveropts::kTapTime], 25);
    EXPECT_EQ(record->settings[driveropts::kRclickHoldDuration], 800);
    EXPECT_EQ(LabelText(tapTimeValueLabel), " 25");
    ExpectOnlyWritten({}, -7);
}

TEST_F(SettingPages, TouchModeChoiceIsLive) {
    BuildWith("/dev/ttyS1", 9600, kNonDefaultOptions);
    DeviceRecord* record = CurrentRecord();

    Choose(mainWindowParts.touchModeCombo, 2);
    EXPECT_EQ(record->settings[driveropts::kTouchMode], 2);
    EXPECT_EQ(driver->settings[driveropts::kTouchMode], 2);
    EXPECT_TRUE(Noticed());
}

TEST_F(SettingPages, SettingDefaultWritesTheFourEntriesAndLeavesTouchMode) {
    BuildWith("/dev/ttyS1", 9600,
              "\tOption \"TapTime\" \"17\"\n\tOption \"LiftOffTime\" \"9\"\n"
              "\tOption \"Stabilize\" \"3\"\n\tOption \"Averaging\" \"4\"\n"
              "\tOption \"TouchMode\" \"1\"\n");
    DeviceRecord* record = CurrentRecord();
    SeedDriverSettings(-7);

    gtk_button_clicked(GTK_BUTTON(mainWindowParts.settingDefaultButton));
    gui::Flush();

    EXPECT_EQ(LabelText(tapTimeValueLabel), " 25");
    EXPECT_EQ(LabelText(liftOffValueLabel), " 5");
    EXPECT_EQ(LabelText(stabilizeValueLabel), " 0");
    EXPECT_EQ(LabelText(averageValueLabel), " 0");
    EXPECT_EQ(gui::Value(tapTimeScale), 25);
    EXPECT_EQ(gui::Value(liftOffScale), 5);
    EXPECT_EQ(gui::Value(stabilizeScale), 0);
    EXPECT_EQ(gui::Value(averageScale), 0);
    // Entry order in the block: tap time, stabilization, averaging, lift off.
    EXPECT_EQ(driver->settings[2], 25);
    EXPECT_EQ(driver->settings[3], 0);
    EXPECT_EQ(driver->settings[4], 0);
    EXPECT_EQ(driver->settings[5], 5);
    for (int i = 2; i <= 5; ++i) {
        EXPECT_EQ(record->settings[i], driver->settings[i]) << i;
    }
    ExpectOnlyWritten({driveropts::kTapTime, driveropts::kStabilize, driveropts::kAveraging,
                       driveropts::kLiftOffTime},
                      -7);
    EXPECT_EQ(record->settings[driveropts::kTouchMode], 1);
    EXPECT_EQ(gtk_combo_box_get_active(GTK_COMBO_BOX(mainWindowParts.touchModeCombo)), 1);
    EXPECT_TRUE(Noticed());

    // Pressed again with nothing to reset: still a notice.
    ForgetNotice();
    gtk_button_clicked(GTK_BUTTON(mainWindowParts.settingDefaultButton));
    gui::Flush();
    EXPECT_TRUE(Noticed());
}

TEST_F(SettingPages, AdvancedDefaultLeavesTheDriversBeepAndRightClickUntilApply) {
    BuildWith("/dev/ttyS1", 9600, kNonDefaultOptions);
    DeviceRecord* record = CurrentRecord();
    SeedDriverSettings(-7);
    driver->settings[driveropts::kSound] = 1;
    driver->settings[driveropts::kRclickHold] = 1;
    ASSERT_TRUE(gui::Active(beepCheck));
    ASSERT_TRUE(gui::Active(rclickCheck));

    gtk_button_clicked(GTK_BUTTON(mainWindowParts.advancedDefaultButton));
    gui::Flush();

    EXPECT_FALSE(gui::Active(beepCheck));
    EXPECT_FALSE(gui::Active(rclickCheck));
    EXPECT_EQ(record->settings[driveropts::kSound], 0);
    EXPECT_EQ(record->settings[driveropts::kRclickHold], 0);
    EXPECT_EQ(gui::Value(holdScale), 1500);
    EXPECT_EQ(gui::Value(spatialScale), 10);
    EXPECT_EQ(record->settings[driveropts::kRclickHoldDuration], 1500);
    EXPECT_EQ(record->settings[driveropts::kRclickSpatialTolerance], 10);
    EXPECT_EQ(driver->settings[driveropts::kRclickHoldDuration], 1500);
    EXPECT_EQ(driver->settings[driveropts::kRclickSpatialTolerance], 10);
    // The check buttons' handlers were blocked: the driver still beeps.
    EXPECT_EQ(driver->settings[driveropts::kSound], 1);
    EXPECT_EQ(driver->settings[driveropts::kRclickHold], 1);
    driver->settings[driveropts::kSound] = -7;
    driver->settings[driveropts::kRclickHold] = -7;
    ExpectOnlyWritten({driveropts::kRclickHoldDuration, driveropts::kRclickSpatialTolerance}, -7);
    // The Setting page is not touched.
    EXPECT_EQ(record->settings[driveropts::kLiftOffTime], 9);
    EXPECT_TRUE(Noticed());

    // Beep on again: a real change, and the driver is told.
    ForgetNotice();
    gtk_button_clicked(GTK_BUTTON(beepCheck));
    gui::Flush();
    EXPECT_EQ(record->settings[driveropts::kSound], 1);
    EXPECT_EQ(driver->settings[driveropts::kSound], 1);
    EXPECT_TRUE(Noticed());
}

TEST_F(SettingPages, BeepOnAndOffAgainGivesTwoNoticesAndEndsOffEverywhere) {
    BuildWith("/dev/ttyS1");
    DeviceRecord* record = CurrentRecord();
    ASSERT_FALSE(gui::Active(beepCheck));

    gtk_button_clicked(GTK_BUTTON(beepCheck));
    gui::Flush();
    EXPECT_EQ(record->settings[driveropts::kSound], 1);
    EXPECT_EQ(driver->settings[driveropts::kSound], 1);
    EXPECT_TRUE(Noticed());

    ForgetNotice();
    gtk_button_clicked(GTK_BUTTON(beepCheck));
    gui::Flush();
    EXPECT_EQ(record->settings[driveropts::kSound], 0);
    EXPECT_EQ(driver->settings[driveropts::kSound], 0);
    EXPECT_TRUE(Noticed());

    // Right click alike, on its own entry; the two scales stay usable.
    gtk_button_clicked(GTK_BUTTON(rclickCheck));
    gui::Flush();
    EXPECT_EQ(record->settings[driveropts::kRclickHold], 1);
    EXPECT_EQ(driver->settings[driveropts::kRclickHold], 1);
    EXPECT_EQ(driver->settings[driveropts::kSound], 0);
    EXPECT_TRUE(gui::Sensitive(holdScale));
    EXPECT_TRUE(gui::Sensitive(spatialScale));
}

}  // namespace
