// The main window as built from a configuration: initial values, ranges,
// sensitivity, the bottom row, the Information page, the start-up rules and
// the message dialogs.
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include "testfiles.h"
#include "devicerecord.h"
#include "ui/commtest.h"
#include "driverlink/sharedmem.h"
#include "guiharness.h"
#include "ui/dialogs.h"
#include "labels.h"
#include "language.h"
#include "ui/mainwindow.h"

namespace {

using gui::ComboText;
using gui::Sensitive;

class MainWindow : public gui::WindowTest {};

// What a screen reader reads as each control's name: the text of the label
// beside it (or of its frame's title), in the window's language.
void ExpectControlsNamedByTheirLabels() {
    const struct {
        GtkWidget* control;
        const LabelTable& table;
        int row;
    } named[] = {
        {screenSpin, windowLabels, kWindowScreenNumber},
        {mainWindowParts.configCombo, mainPageLabels, kMainConfig},
        {portCombo, mainPageLabels, kMainPort},
        {speedCombo, mainPageLabels, kMainSpeed},
        {mainWindowParts.productCombo, mainPageLabels, kMainProducts},
        {samplingScale, mainPageLabels, kMainSampling},
        {calibBorderSpin, calibrationPageLabels, kCalibrationBorder},
        {mainWindowParts.touchModeCombo, settingPageLabels, kSettingTouchMode},
        {tapTimeScale, settingPageLabels, kSettingTapTime},
        {liftOffScale, settingPageLabels, kSettingLiftOffTime},
        {stabilizeScale, settingPageLabels, kSettingStabilize},
        {averageScale, settingPageLabels, kSettingAveraging},
        {holdScale, advancedPageLabels, kAdvancedHoldDuration},
        {spatialScale, advancedPageLabels, kAdvancedSpatialTolerance},
    };
    for (const auto& entry : named) {
        AtkObject* accessible = gtk_widget_get_accessible(entry.control);
        EXPECT_STREQ(atk_object_get_name(accessible),
                     LabelTextIn(entry.table, languageIndex, entry.row))
            << gtk_widget_get_name(entry.control);
        AtkRelationSet* relations = atk_object_ref_relation_set(accessible);
        EXPECT_TRUE(atk_relation_set_contains(relations, ATK_RELATION_LABELLED_BY))
            << gtk_widget_get_name(entry.control);
        g_object_unref(relations);
    }
}

TEST_F(MainWindow, EnabledSerialRecordIsShownAndNothingIsMarkedChanged) {
    UseConfig(Section(0, "/dev/ttyS2", 4800,
                      "\tOption \"Products\" \"1\"\n\tOption \"TouchMode\" \"2\"\n"
                      "\tOption \"Sampling\" \"6\"\n\tOption \"TapTime\" \"17\"\n"
                      "\tOption \"Sound\" \"1\"\n\tOption \"RclickHoldDuration\" \"900\"\n") +
              Layout({0}));
    ServeDriver(3, 1, 415);
    ListDevices(kLoadedScreen0);
    Build();

    EXPECT_TRUE(dialogs.empty());
    EXPECT_STREQ(gtk_window_get_title(GTK_WINDOW(mainWindow)), "TouchPanel Utility");
    EXPECT_EQ(gui::StatusBarText(), "Enabled...   ");
    EXPECT_TRUE(gui::Active(mainWindowParts.statusRadios[0]));
    EXPECT_EQ(ComboText(portCombo), "COM3(/dev/ttyS2)");
    EXPECT_EQ(ComboText(speedCombo), "4800bps");
    EXPECT_EQ(ComboText(mainWindowParts.productCombo), "QTP-20 series(HID mode)");
    EXPECT_EQ(ComboText(mainWindowParts.touchModeCombo), "Touch Down Immediate");
    EXPECT_EQ(gui::EntryText(mainWindowParts.configCombo), configPath);
    EXPECT_EQ(gui::Value(samplingScale), 6);
    EXPECT_EQ(gui::Value(tapTimeScale), 17);
    EXPECT_EQ(gui::LabelText(tapTimeValueLabel), " 17");
    EXPECT_EQ(gui::Value(holdScale), 900);
    EXPECT_TRUE(gui::Active(beepCheck));
    EXPECT_FALSE(gui::Active(commModeCheck));
    EXPECT_TRUE(Sensitive(portCombo));
    EXPECT_TRUE(Sensitive(speedCombo));
    EXPECT_TRUE(Sensitive(calibrationButton));
    EXPECT_FALSE(Sensitive(changeStatusButton));
    // Building called no handler: nothing counts as changed.
    EXPECT_FALSE(Sensitive(applyButton));
    EXPECT_FALSE(Sensitive(okButton));
    EXPECT_EQ(gui::LabelText(mainWindowParts.driverVersionLabel), "3.1.415");
    EXPECT_EQ(builderOutput.find("Failed to SharedMemInit"), std::string::npos);
    ExpectControlsNamedByTheirLabels();
    DeviceRecord* record = CurrentRecord();
    for (int i = 0; i < driveropts::kSettingsCount; ++i) {
        EXPECT_EQ(record->savedSettings[i], record->settings[i]) << i;
    }
}

TEST_F(MainWindow, PagesButtonsAndDefaultAreInTheirOrder) {
    UseConfig(Section(0, "/dev/ttyS1") + Layout({0}));
    ServeDriver();
    ListDevices(kLoadedScreen0);
    Build();

    EXPECT_EQ(gui::TabLabels(),
              (std::vector<std::string>{"Main", "Driver", "Calibration", "Setting", "Advanced",
                                        "Communication", "Information"}));
    // Mapped is not yet laid out: wait until the row has its real geometry.
    ASSERT_TRUE(gui::RunUntil([] {
        GtkAllocation ok, apply;
        gtk_widget_get_allocation(okButton, &ok);
        gtk_widget_get_allocation(applyButton, &apply);
        return gtk_widget_get_mapped(okButton) && ok.width > 1 && apply.width > 1 &&
               ok.x != apply.x;
    }));
    auto row = gui::ByPosition({applyButton, mainWindowParts.cancelButton, okButton});
    EXPECT_EQ(gui::LabelText(row[0]), "OK");
    EXPECT_EQ(gui::LabelText(row[1]), "Cancel");
    EXPECT_EQ(gui::LabelText(row[2]), "Apply");
    // Equal widths, up to the pixel the homogeneous box cannot share out.
    EXPECT_NEAR(gtk_widget_get_allocated_width(row[0]), gtk_widget_get_allocated_width(row[1]), 1);
    EXPECT_NEAR(gtk_widget_get_allocated_width(row[1]), gtk_widget_get_allocated_width(row[2]), 1);
    EXPECT_EQ(gtk_window_get_default_widget(GTK_WINDOW(mainWindow)), mainWindowParts.cancelButton);

    int cancelled = 0;
    g_signal_connect(mainWindowParts.cancelButton, "clicked",
                     G_CALLBACK(+[](GtkButton*, gpointer count) { ++*static_cast<int*>(count); }),
                     &cancelled);
    gui::SendKey(mainWindow, GDK_KEY_Return);
    EXPECT_EQ(cancelled, 1);
    g_signal_handlers_disconnect_by_data(mainWindowParts.cancelButton, &cancelled);
}

TEST_F(MainWindow, DisabledRecordShowsDisableAndLocksTheLink) {
    UseConfig(Section(0, "/dev/ttyS0"));  // in the file, not in the layout
    ServeDriver();
    ListDevices(kLoadedScreen0);
    Build();

    EXPECT_EQ(CurrentRecord()->status, kStatusDisable);
    EXPECT_EQ(gui::StatusBarText(), "Disabled...  ");
    EXPECT_TRUE(gui::Active(mainWindowParts.statusRadios[1]));
    EXPECT_FALSE(gui::Active(mainWindowParts.statusRadios[0]));
    EXPECT_EQ(ComboText(portCombo), "COM1(/dev/ttyS0)");
    EXPECT_FALSE(Sensitive(portCombo));
    EXPECT_FALSE(Sensitive(speedCombo));
}

TEST_F(MainWindow, UndeclaredRecordShowsEmptySelectors) {
    UseConfig("Section \"InputDevice\"\n\tIdentifier \"Mouse0\"\n\tDriver \"mouse\"\nEndSection\n");
    ServeDriver();
    ListDevices(kLoadedScreen0);
    Build();

    EXPECT_EQ(CurrentRecord()->status, kStatusUndeclared);
    EXPECT_EQ(gui::StatusBarText(), "Undeclared...");
    EXPECT_TRUE(gui::Active(mainWindowParts.statusRadios[2]));
    for (GtkWidget* combo :
         {portCombo, speedCombo, mainWindowParts.productCombo, mainWindowParts.touchModeCombo}) {
        EXPECT_EQ(gtk_combo_box_get_active(GTK_COMBO_BOX(combo)), -1);
    }
    EXPECT_FALSE(Sensitive(speedCombo));
    EXPECT_FALSE(Sensitive(portCombo));
}

TEST_F(MainWindow, UsbRecordHasNoSpeedAndNoSerialTest) {
    UseConfig(Section(0, "/dev/input/event*") + Layout({0}));
    ServeDriver();
    ListDevices(kLoadedScreen0);
    Build();

    EXPECT_EQ(ComboText(portCombo), "USB(/dev/input/event)");
    EXPECT_EQ(ComboText(speedCombo), "");
    EXPECT_FALSE(Sensitive(speedCombo));
    EXPECT_TRUE(Sensitive(portCombo));
    for (GtkWidget* widget : {commModeCheck, transmitEntry, receiveList, transmitButton}) {
        EXPECT_FALSE(Sensitive(widget)) << gtk_widget_get_name(widget);
    }
}

TEST_F(MainWindow, SerialRecordKeepsTheCommunicationPageUsable) {
    UseConfig(Section(0, "/dev/ttyS3") + Layout({0}));
    ServeDriver();
    ListDevices(kLoadedScreen0);
    Build();
    for (GtkWidget* widget : {commModeCheck, transmitEntry, receiveList, transmitButton}) {
        EXPECT_TRUE(Sensitive(widget)) << gtk_widget_get_name(widget);
    }
    EXPECT_EQ(gtk_entry_get_max_length(GTK_ENTRY(transmitEntry)), 15);
    GtkTreeModel* model = gtk_tree_view_get_model(GTK_TREE_VIEW(receiveList));
    EXPECT_EQ(gtk_tree_model_iter_n_children(model, nullptr), 15);
}

TEST_F(MainWindow, LongReceivedLinesNeverWidenTheWindow) {
    UseConfig(Section(0, "/dev/ttyS3") + Layout({0}));
    ServeDriver();
    ListDevices(kLoadedScreen0);
    Build();
    gtk_notebook_set_current_page(GTK_NOTEBOOK(mainWindowParts.notebook), kPageCommunication);
    ASSERT_TRUE(gui::RunUntil([] { return gtk_widget_get_mapped(receiveList); }));
    int before = 0;
    gtk_widget_get_preferred_width(mainWindow, nullptr, &before);

    // A controller that floods without carriage returns: rows of 256 bytes.
    const std::string flood(256, 'W');
    for (int i = 0; i < 15; ++i) {
        AddReceiveRow(flood.c_str());
    }
    gui::RunUntil([] { return false; }, 100);
    int after = 0;
    gtk_widget_get_preferred_width(mainWindow, nullptr, &after);
    EXPECT_EQ(after, before);
    EXPECT_LE(gtk_widget_get_allocated_width(mainWindow), 1024);
    // The view cuts the row; the list still holds it whole.
    GtkTreeModel* model = gtk_tree_view_get_model(GTK_TREE_VIEW(receiveList));
    GtkTreeIter top;
    ASSERT_TRUE(gtk_tree_model_get_iter_first(model, &top));
    gchar* text = nullptr;
    gtk_tree_model_get(model, &top, 0, &text, -1);
    EXPECT_EQ(std::string(text), flood);
    g_free(text);
    EXPECT_EQ(gtk_tree_view_column_get_fixed_width(
                  gtk_tree_view_get_column(GTK_TREE_VIEW(receiveList), 0)),
              300);
}

TEST_F(MainWindow, SettingScalesTableTakesTheRowsSpareWidth) {
    UseConfig(Section(0, "/dev/ttyS1") + Layout({0}));
    ServeDriver();
    ListDevices(kLoadedScreen0);
    Build();
    GtkWidget* table = gtk_widget_get_parent(tapTimeScale);
    GtkWidget* row = gtk_widget_get_parent(table);
    ASSERT_TRUE(GTK_IS_BOX(row));
    gboolean expand = FALSE;
    gboolean fill = FALSE;
    gtk_container_child_get(GTK_CONTAINER(row), table, "expand", &expand, "fill", &fill, nullptr);
    EXPECT_TRUE(expand);
    EXPECT_TRUE(fill);
}

class PointCount : public gui::WindowTest, public ::testing::WithParamInterface<int> {};

TEST_P(PointCount, SelectsTheMatchingRadioOrNine) {
    UseConfig(Section(0, "/dev/ttyS1", 9600,
                      "\tOption \"CalibPointsNum\" \"" + std::to_string(GetParam()) + "\"\n") +
              Layout({0}));
    ServeDriver();
    ListDevices(kLoadedScreen0);
    Build();
    GtkWidget* expected = GetParam() == 4    ? calibPoints4Radio
                          : GetParam() == 25 ? calibPoints25Radio
                                             : calibPoints9Radio;
    for (GtkWidget* radio : {calibPoints4Radio, calibPoints9Radio, calibPoints25Radio}) {
        EXPECT_EQ(gui::Active(radio), radio == expected) << gtk_widget_get_name(radio);
    }
}

INSTANTIATE_TEST_SUITE_P(Counts, PointCount, ::testing::Values(4, 9, 25, 16, 0));

TEST_F(MainWindow, BorderBelowOnePercentIsRaisedAndSpinStaysInRange) {
    UseConfig(Section(0, "/dev/ttyS1", 9600, "\tOption \"BorderRatio\" \"0\"\n") + Layout({0}));
    ServeDriver();
    ListDevices(kLoadedScreen0);
    Build();
    EXPECT_FLOAT_EQ(CurrentRecord()->borderRatio, 0.01f);
    EXPECT_EQ(gui::Value(calibBorderSpin), 1);
    EXPECT_EQ(gui::Lower(calibBorderSpin), 1);
    EXPECT_EQ(gui::Upper(calibBorderSpin), 10);
    // A person cannot step it outside its range either way.
    gtk_notebook_set_current_page(GTK_NOTEBOOK(mainWindowParts.notebook), kPageCalibration);
    gui::PressAt(gui::SpinButtonPart(calibBorderSpin, false));
    gui::StrikeKey(calibBorderSpin, GDK_KEY_Page_Down);
    EXPECT_EQ(gui::Value(calibBorderSpin), 1);
    gtk_spin_button_set_value(GTK_SPIN_BUTTON(calibBorderSpin), 10);
    gui::PressAt(gui::SpinButtonPart(calibBorderSpin, true));
    gui::WheelOver(calibBorderSpin, true);
    EXPECT_EQ(gui::Value(calibBorderSpin), 10);
}

// What a person does to the two spin buttons of the window, by the X
// server's own pointer and key events: every way of stepping moves the value
// by one step or page and reaches the handler; typing, deleting and pasting
// change nothing.
struct SpinStep {
    const char* what;
    std::function<void(GtkWidget*)> act;
    int change;
};

class PersonSteps : public gui::WindowTest {
protected:
    void BuildThreeScreens() {
        UseConfig(Section(0, "/dev/ttyS1") + Section(1, "/dev/ttyS2") + Section(9, "/dev/ttyS3") +
                  Layout({0, 1, 9}));
        ServeDriver();
        ListDevices(kLoadedScreen0);
        Build();
        gtk_notebook_set_current_page(GTK_NOTEBOOK(mainWindowParts.notebook), kPageCalibration);
    }

    static std::vector<SpinStep> Steps() {
        return {
            {"+", [](GtkWidget* s) { gui::PressAt(gui::SpinButtonPart(s, true)); }, 1},
            {"-", [](GtkWidget* s) { gui::PressAt(gui::SpinButtonPart(s, false)); }, -1},
            {"Up", [](GtkWidget* s) { gui::StrikeKey(s, GDK_KEY_Up); }, 1},
            {"Down", [](GtkWidget* s) { gui::StrikeKey(s, GDK_KEY_Down); }, -1},
            {"Page Up", [](GtkWidget* s) { gui::StrikeKey(s, GDK_KEY_Page_Up); }, 1},
            {"Page Down", [](GtkWidget* s) { gui::StrikeKey(s, GDK_KEY_Page_Down); }, -1},
            {"wheel up", [](GtkWidget* s) { gui::WheelOver(s, true); }, 1},
            {"wheel down", [](GtkWidget* s) { gui::WheelOver(s, false); }, -1},
        };
    }

    // A digit typed, the text deleted, another pasted, and Return: the value
    // and its text stay.
    static void TypingChangesNothing(GtkWidget* spin) {
        const double before = gui::Value(spin);
        const std::string text = gtk_entry_get_text(GTK_ENTRY(spin));
        gui::StrikeKey(spin, GDK_KEY_5);
        gui::StrikeKey(spin, GDK_KEY_BackSpace);
        gui::StrikeKey(spin, GDK_KEY_Delete);
        gtk_clipboard_set_text(gtk_widget_get_clipboard(spin, GDK_SELECTION_CLIPBOARD), "7", -1);
        g_signal_emit_by_name(spin, "paste-clipboard");
        gui::StrikeKey(spin, GDK_KEY_Return);
        EXPECT_EQ(gtk_entry_get_text(GTK_ENTRY(spin)), text) << gtk_widget_get_name(spin);
        EXPECT_EQ(gui::Value(spin), before) << gtk_widget_get_name(spin);
    }
};

TEST_F(PersonSteps, ScreenSpinTurnsToTheNextScreen) {
    BuildThreeScreens();
    // Start in the middle of 0..9 so that every step has room.
    gtk_spin_button_set_value(GTK_SPIN_BUTTON(screenSpin), 5);
    for (const SpinStep& step : Steps()) {
        const int before = static_cast<int>(gui::Value(screenSpin));
        step.act(screenSpin);
        const int now = before + step.change;
        EXPECT_EQ(gui::Value(screenSpin), now) << step.what;
        EXPECT_EQ(gtk_entry_get_text(GTK_ENTRY(screenSpin)), std::to_string(now)) << step.what;
    }
    // The screen handler runs for a person's step: screen 1 becomes current.
    gtk_spin_button_set_value(GTK_SPIN_BUTTON(screenSpin), 0);
    gui::PressAt(gui::SpinButtonPart(screenSpin, true));
    EXPECT_EQ(CurrentRecord()->screenNo, 1);
    EXPECT_EQ(ComboText(portCombo), "COM3(/dev/ttyS2)");
    TypingChangesNothing(screenSpin);
}

TEST_F(PersonSteps, BorderSpinStepsAndCountsAsAChange) {
    BuildThreeScreens();
    ASSERT_FALSE(Sensitive(applyButton));
    gtk_spin_button_set_value(GTK_SPIN_BUTTON(calibBorderSpin), 5);
    for (const SpinStep& step : Steps()) {
        const int before = static_cast<int>(gui::Value(calibBorderSpin));
        step.act(calibBorderSpin);
        EXPECT_EQ(gui::Value(calibBorderSpin), before + step.change) << step.what;
    }
    // Its handler takes a person's step as a change.
    EXPECT_TRUE(Sensitive(applyButton));
    EXPECT_TRUE(Sensitive(okButton));
    TypingChangesNothing(calibBorderSpin);
}

TEST_F(MainWindow, ScreenSpinSpansTheRecordsAndSamplingStopsAtFifteen) {
    UseConfig(Section(2, "/dev/ttyS1") + Section(5, "/dev/ttyS2") + Section(1, "/dev/ttyS3") +
              Layout({2, 5, 1}));
    ServeDriver();
    ListDevices("TAVIR TouchPanel2 pointer\n");
    Build();
    EXPECT_EQ(gui::Value(screenSpin), 2);
    EXPECT_EQ(gui::Lower(screenSpin), 1);
    EXPECT_EQ(gui::Upper(screenSpin), 5);

    gtk_range_set_value(GTK_RANGE(samplingScale), 16);
    EXPECT_EQ(gui::Value(samplingScale), 15);
}

TEST_F(MainWindow, OneRecordPinsTheScreenSpin) {
    UseConfig(Section(3, "/dev/ttyS1") + Layout({3}));
    ServeDriver();
    ListDevices("TAVIR TouchPanel3 pointer\n");
    Build();
    EXPECT_EQ(gui::Lower(screenSpin), 3);
    EXPECT_EQ(gui::Upper(screenSpin), 3);
    gui::PressAt(gui::SpinButtonPart(screenSpin, true));
    gui::StrikeKey(screenSpin, GDK_KEY_Down);
    EXPECT_EQ(gui::Value(screenSpin), 3);
}

TEST_F(MainWindow, FourthProductCannotUseFourPoints) {
    UseConfig(Section(0, "/dev/ttyS1", 9600, "\tOption \"Products\" \"3\"\n") + Layout({0}));
    ServeDriver();
    ListDevices(kLoadedScreen0);
    Build();
    EXPECT_FALSE(Sensitive(calibPoints4Radio));
    EXPECT_TRUE(Sensitive(calibPoints9Radio));
}

TEST_F(MainWindow, OtherProductsKeepFourPoints) {
    UseConfig(Section(0, "/dev/ttyS1", 9600, "\tOption \"Products\" \"2\"\n") + Layout({0}));
    ServeDriver();
    ListDevices(kLoadedScreen0);
    Build();
    EXPECT_TRUE(Sensitive(calibPoints4Radio));
}

TEST_F(MainWindow, NoBlockShowsUnknownDriverVersion) {
    UseConfig(Section(0, "/dev/ttyS1") + Layout({0}));
    ListDevices(kLoadedScreen0);
    Build();
    EXPECT_EQ(driverBlock, nullptr);
    EXPECT_NE(builderOutput.find("  -> Failed to SharedMemInit.\n"), std::string::npos);
    EXPECT_EQ(gui::LabelText(mainWindowParts.driverVersionLabel), "   Unknown");
    EXPECT_TRUE(dialogs.empty());
}

// Start-up rules.

TEST_F(MainWindow, RootWithoutDriverGetsMessageTwoAndNoCalibration) {
    UseConfig(Section(0, "/dev/ttyS1", 9600, "\tOption \"Products\" \"3\"\n") + Layout({0}));
    ServeDriver();
    ListDevices("Virtual core pointer\n");
    Build();
    ASSERT_EQ(dialogs.size(), 1u);
    EXPECT_EQ(dialogs[0].text, DialogMessageText(kMsgDriverNotLoaded, 0));
    EXPECT_EQ(dialogs[0].title, "Explanation");
    EXPECT_EQ(dialogs[0].button, " O K ");
    EXPECT_FALSE(Sensitive(calibrationButton));
    // The product rule is skipped; the settings stay usable for root.
    EXPECT_TRUE(Sensitive(calibPoints4Radio));
    EXPECT_TRUE(Sensitive(tapTimeScale));
    EXPECT_TRUE(Sensitive(portCombo));
    EXPECT_FALSE(Sensitive(applyButton));
}

TEST_F(MainWindow, RootWithAnotherScreenLoadedOnlyLosesCalibration) {
    UseConfig(Section(0, "/dev/ttyS1") + Section(1, "/dev/ttyS2") + Layout({0, 1}));
    ServeDriver();
    ListDevices("TAVIR TouchPanel1 pointer\n");
    Build();
    EXPECT_TRUE(dialogs.empty());
    EXPECT_FALSE(Sensitive(calibrationButton));
    EXPECT_TRUE(Sensitive(mainWindowParts.addScreenButton));
}

TEST_F(MainWindow, UserWithDriverLoadedGetsMessageZeroAndNoSettings) {
    UseConfig(Section(0, "/dev/ttyS1") + Layout({0}));
    ServeDriver();
    ListDevices(kLoadedScreen0);
    SetRoot(false);
    Build(gui::CloseBy::kWindowManager);
    ASSERT_EQ(dialogs.size(), 1u);
    EXPECT_EQ(dialogs[0].text, DialogMessageText(kMsgRootForAllFunctions, 0));
    const MainWindowParts& p = mainWindowParts;
    for (GtkWidget* widget : {speedCombo,
                              p.configCombo,
                              portCombo,
                              samplingScale,
                              p.addScreenButton,
                              p.productCombo,
                              calibPoints4Radio,
                              calibPoints9Radio,
                              calibPoints25Radio,
                              calibBorderSpin,
                              p.touchModeCombo,
                              tapTimeScale,
                              liftOffScale,
                              stabilizeScale,
                              averageScale,
                              p.settingDefaultButton,
                              beepCheck,
                              rclickCheck,
                              holdScale,
                              spatialScale,
                              p.advancedDefaultButton,
                              p.statusRadios[0],
                              p.statusRadios[1],
                              p.statusRadios[2]}) {
        EXPECT_FALSE(Sensitive(widget)) << gtk_widget_get_name(widget);
    }
    // Calibration of a loaded panel and the serial test stay possible.
    EXPECT_TRUE(Sensitive(calibrationButton));
    EXPECT_TRUE(Sensitive(commModeCheck));
    EXPECT_TRUE(Sensitive(transmitButton));
}

// The window on the screen it is given, in English and Japanese.
// tests/ui/CMakeLists.txt runs these under display profiles of panel PCs
// (800x480, a portrait 480x800, 1024x600 with a desktop panel, 1920x1080 at
// scale 2), each with and without a window manager.
class WindowFits : public gui::WindowTest, public ::testing::WithParamInterface<const char*> {
protected:
    void SetUp() override {
        setenv("LANG", GetParam(), 1);
        WindowTest::SetUp();
    }
    void TearDown() override {
        WindowTest::TearDown();
        unsetenv("LANG");
    }

    static bool Inside(const GdkRectangle& inner, const GdkRectangle& outer) {
        return inner.x >= outer.x && inner.y >= outer.y &&
               inner.x + inner.width <= outer.x + outer.width &&
               inner.y + inner.height <= outer.y + outer.height;
    }

    static std::string Text(const GdkRectangle& r) {
        return std::to_string(r.width) + "x" + std::to_string(r.height) + "+" +
               std::to_string(r.x) + "+" + std::to_string(r.y);
    }
};

TEST_P(WindowFits, InTheWorkAreaWithTopBarAndButtonsInSight) {
    UseConfig(Section(0, "/dev/ttyS1") + Layout({0}));
    ServeDriver();
    ListDevices(kLoadedScreen0);
    Build();
    const GdkRectangle work = gui::WorkArea();
    // A window manager frames and places the window a moment after it maps.
    gui::RunUntil([&] { return Inside(gui::FrameExtents(mainWindow), work); });
    gui::RunUntil([] { return false; }, 300);

    const GdkRectangle frame = gui::FrameExtents(mainWindow);
    EXPECT_TRUE(Inside(frame, work)) << Text(frame) << " in " << Text(work);
    GtkWidget* topBar = gtk_widget_get_parent(screenSpin);
    for (GtkWidget* widget : {topBar, okButton, mainWindowParts.cancelButton, applyButton}) {
        const GdkRectangle extents = gui::ScreenExtents(widget);
        EXPECT_TRUE(Inside(extents, work))
            << gtk_widget_get_name(widget) << " " << Text(extents) << " in " << Text(work);
        EXPECT_TRUE(gtk_widget_get_child_visible(widget));
    }
    const GdkRectangle window = gui::ScreenExtents(mainWindow);
    GtkRequisition natural;
    gtk_widget_get_preferred_size(mainWindow, nullptr, &natural);
    const int scale = gtk_widget_get_scale_factor(mainWindow);
    if (window.width < natural.width * scale || window.height < natural.height * scale) {
        // What does not fit scrolls: the Main page reaches its end.
        GtkWidget* page = gtk_notebook_get_nth_page(GTK_NOTEBOOK(mainWindowParts.notebook), 0);
        GtkScrolledWindow* scroller = GTK_SCROLLED_WINDOW(page);
        for (GtkAdjustment* adjustment : {gtk_scrolled_window_get_hadjustment(scroller),
                                          gtk_scrolled_window_get_vadjustment(scroller)}) {
            gtk_adjustment_set_value(adjustment, gtk_adjustment_get_upper(adjustment));
        }
        gui::Flush();
        EXPECT_TRUE(Inside(gui::ScreenExtents(calibrationButton), gui::ScreenExtents(page)));
    } else {
        // With room, the window has the size it always had.
        EXPECT_EQ(window.width, natural.width * scale);
        EXPECT_EQ(window.height, natural.height * scale);
    }
    // For the record of each profile.
    RecordProperty("window", Text(window));
    std::printf("  %s: window %s, frame %s, work area %s\n", GetParam(), Text(window).c_str(),
                Text(frame).c_str(), Text(work).c_str());
}

INSTANTIATE_TEST_SUITE_P(Languages, WindowFits, ::testing::Values("C.UTF-8", "ja_JP.eucJP"));

// Message dialogs on their own.

class Dialogs : public gui::WindowTest {
protected:
    void SetUp() override {
        WindowTest::SetUp();
        UseConfig(Section(0, "/dev/ttyS1") + Layout({0}));
        ListDevices(kLoadedScreen0);
        Build();
    }
    gui::ShownDialog Show(unsigned code, gui::CloseBy how) {
        std::vector<gui::ShownDialog> log;
        gui::DialogResponder responder(&log, how);
        DialogWindow(code);  // returns only once the dialog is gone
        EXPECT_EQ(gui::FindDialog(), nullptr);
        return log.empty() ? gui::ShownDialog{} : log[0];
    }
};

TEST_F(Dialogs, EveryWayOfClosingReturns) {
    EXPECT_EQ(Show(3, gui::CloseBy::kButton).text, "The Calibration are unfinished.\n");
    EXPECT_EQ(Show(4, gui::CloseBy::kWindowManager).text, DialogMessageText(4, 0));
    EXPECT_EQ(Show(6, gui::CloseBy::kReturnKey).text, "Not use authority of a \"LINK PORT\"");
}

TEST_F(Dialogs, AreModalAndTransientForTheMainWindow) {
    bool checked = false;
    g_timeout_add(
        20,
        [](gpointer data) -> gboolean {
            GtkWidget* dialog = gui::FindDialog();
            if (dialog == nullptr) {
                return G_SOURCE_CONTINUE;
            }
            EXPECT_TRUE(gtk_window_get_modal(GTK_WINDOW(dialog)));
            EXPECT_EQ(gtk_window_get_transient_for(GTK_WINDOW(dialog)), GTK_WINDOW(mainWindow));
            EXPECT_FALSE(gtk_window_get_resizable(GTK_WINDOW(dialog)));
            *static_cast<bool*>(data) = true;
            gui::CloseDialog(dialog, gui::CloseBy::kButton);
            return G_SOURCE_REMOVE;
        },
        &checked);
    DialogWindow(0);
    EXPECT_TRUE(checked);
}

TEST_F(Dialogs, SevenAndEightShowTheSameText) {
    EXPECT_EQ(Show(7, gui::CloseBy::kButton).text, Show(8, gui::CloseBy::kButton).text);
}

TEST_F(Dialogs, UnassignedCodesShowNothing) {
    for (unsigned code : {5u, 9u, 200u}) {
        std::vector<gui::ShownDialog> log;
        gui::DialogResponder responder(&log);
        DialogWindow(code);
        gui::Flush();
        EXPECT_TRUE(log.empty()) << code;
    }
}

// Japanese: every text of the window and the dialogs, also where the
// locale itself is not installed (the test process runs in C.UTF-8).

class Japanese : public gui::WindowTest {
protected:
    void SetUp() override {
        setenv("LANG", "ja_JP.eucJP", 1);
        WindowTest::SetUp();
    }
    void TearDown() override {
        WindowTest::TearDown();
        unsetenv("LANG");
    }
};

TEST_F(Japanese, WindowTabsButtonsAndDialogs) {
    ASSERT_EQ(languageIndex, 1);
    UseConfig(Section(0, "/dev/input/event*") + Layout({0}));
    ServeDriver();
    ListDevices("Virtual core pointer\n");
    Build();
    EXPECT_STREQ(gtk_window_get_title(GTK_WINDOW(mainWindow)), "タッチパネルユーティリティ");
    EXPECT_EQ(gui::TabLabels(),
              (std::vector<std::string>{"基本設定", "ドライバ状態", "キャリブレーション", "設定",
                                        "詳細設定", "通信", "バージョン情報"}));
    EXPECT_EQ(gui::LabelText(okButton), "決定");
    EXPECT_EQ(gui::LabelText(mainWindowParts.cancelButton), "キャンセル");
    EXPECT_EQ(gui::LabelText(applyButton), "適用");
    EXPECT_EQ(gui::LabelText(calibrationButton), "キャリブレーション");
    EXPECT_EQ(gui::StatusBarText(), "有効...    ");
    EXPECT_EQ(ComboText(portCombo), "USB(/dev/input/event)");
    EXPECT_EQ(gui::LabelText(beepCheck), "タッチ音（BEEP)を鳴らす。");
    ASSERT_EQ(dialogs.size(), 1u);
    EXPECT_EQ(dialogs[0].title, "説明");
    EXPECT_EQ(dialogs[0].button, " 了 解 ");
    EXPECT_EQ(dialogs[0].text, DialogMessageText(2, 1));
    ExpectControlsNamedByTheirLabels();
}

}  // namespace
