// Screens and driver status on the real window: adding a screen through its
// dialog, switching screens, and a new screen's road from Undeclared to
// Enable, Disable and back, down to the bytes of the file.
#include <string>
#include <vector>

#include "windowtest.h"
#include "ui/driverstatus.h"
#include "labels.h"
#include "language.h"
#include "ui/screens.h"

namespace {

using controltest::ControlTest;
using controltest::FileBytes;
using gui::ComboText;
using gui::Sensitive;

// Answers the Add Screen dialog once it is up: chooses `screen` and presses
// Add, or presses Cancel. Records what the dialog showed.
class AddScreenAnswer {
public:
    AddScreenAnswer(int screen, bool add)
        : screen_(screen), add_(add), source_(g_timeout_add(10, Poll, this)) {}
    ~AddScreenAnswer() { g_source_remove(source_); }
    AddScreenAnswer(const AddScreenAnswer&) = delete;
    AddScreenAnswer& operator=(const AddScreenAnswer&) = delete;

    bool answered = false;
    std::string title;
    double lower = -1;
    double upper = -1;
    double initial = -1;
    double chosen = -1;
    bool modal = false;
    bool transientForMain = false;
    std::string defaultButton;
    std::vector<std::string> buttonsLeftToRight;

private:
    static gboolean Poll(gpointer data) {
        auto* self = static_cast<AddScreenAnswer*>(data);
        GtkWidget* dialog = gui::FindWidget(kAddScreenDialogName);
        if (self->answered || dialog == nullptr || !gtk_widget_get_mapped(dialog)) {
            return G_SOURCE_CONTINUE;
        }
        self->answered = true;
        GtkWidget* spin = gui::FindWidget(LabelTextIn(addScreenLabels, languageIndex, 5));
        GtkWidget* add = gui::FindWidget(kAddScreenAddName);
        GtkWidget* cancel = gui::FindWidget(kAddScreenCancelName);
        self->title = gtk_window_get_title(GTK_WINDOW(dialog));
        self->lower = gui::Lower(spin);
        self->upper = gui::Upper(spin);
        self->initial = gui::Value(spin);
        self->modal = gtk_window_get_modal(GTK_WINDOW(dialog));
        self->transientForMain =
            gtk_window_get_transient_for(GTK_WINDOW(dialog)) == GTK_WINDOW(mainWindow);
        self->defaultButton = gui::LabelText(gtk_window_get_default_widget(GTK_WINDOW(dialog)));
        for (GtkWidget* button : gui::ByPosition({add, cancel})) {
            self->buttonsLeftToRight.push_back(gui::LabelText(button));
        }
        // The person clicks "+" up to the screen.
        for (int n = static_cast<int>(self->initial); n < self->screen_; ++n) {
            gui::PressAt(gui::SpinButtonPart(spin, true));
        }
        self->chosen = gui::Value(spin);
        gtk_button_clicked(GTK_BUTTON(self->add_ ? add : cancel));
        return G_SOURCE_CONTINUE;
    }
    int screen_;
    bool add_;
    guint source_;
};

class Screens : public ControlTest {
protected:
    // The user adds a screen through the top bar's button and the dialog.
    static void AddScreen(int screen, bool add = true) {
        AddScreenAnswer answer(screen, add);
        ClickAsUser(mainWindowParts.addScreenButton);
        ASSERT_TRUE(answer.answered);
        ASSERT_EQ(answer.chosen, screen);
        gui::Flush();
        ASSERT_EQ(gui::FindWidget(kAddScreenDialogName), nullptr);
    }

    // The user turns the spin to the screen with its "+" and "-" buttons.
    static void TurnTo(int screen) {
        for (int tries = 0; tries < 20 && gui::Value(screenSpin) != screen; ++tries) {
            gui::PressAt(gui::SpinButtonPart(screenSpin, gui::Value(screenSpin) < screen));
        }
        ASSERT_EQ(gui::Value(screenSpin), screen);
    }

    // The user presses a status radio and then Change of Status.
    static void ChangeStatusTo(DeviceStatus status) {
        ShowPage(kPageDriver);
        ClickAsUser(mainWindowParts.statusRadios[status]);
        ASSERT_TRUE(gui::Active(mainWindowParts.statusRadios[status]));
        ASSERT_TRUE(Sensitive(changeStatusButton));
        ClickAsUser(changeStatusButton);
        ASSERT_FALSE(Sensitive(changeStatusButton));
    }

    // The keyboard focus on a shown widget, as after the user tabbed to it.
    static void FocusAsUser(GtkWidget* widget) {
        ASSERT_TRUE(gui::RunUntil([&] { return gtk_widget_get_mapped(widget); }));
        gui::RunUntil([] { return false; }, 100);
        gtk_widget_grab_focus(widget);
        ASSERT_TRUE(gtk_widget_is_focus(widget));
    }

    static DeviceRecord* RecordAt(int position) {
        return static_cast<DeviceRecord*>(g_list_nth_data(deviceList, position));
    }

    static bool NoticeGiven() {
        return Sensitive(applyButton) || Sensitive(okButton) || restartNeeded != 0;
    }

    static bool AnyLinkChanged() {
        for (GList* node = deviceList; node != nullptr; node = node->next) {
            auto* record = static_cast<DeviceRecord*>(node->data);
            if (record->linkChanged || record->productChanged) {
                return true;
            }
        }
        return false;
    }
};

// Text of `text` with the first occurrence of `part` removed.
std::string Without(const std::string& text, const std::string& part) {
    const size_t at = text.find(part);
    if (at == std::string::npos) {
        ADD_FAILURE() << "missing: " << part;
        return text;
    }
    return text.substr(0, at) + text.substr(at + part.size());
}

// The driver section of `identifier` in a written file, with the blank line
// that follows it.
std::string SectionOf(const std::string& file, const std::string& identifier) {
    const size_t name = file.find("\tIdentifier " + identifier + "\n");
    if (name == std::string::npos) {
        return "";
    }
    const size_t begin = file.rfind("Section \"InputDevice\"\n", name);
    const std::string end = "EndSection\n\n";
    const size_t stop = file.find(end, name);
    return file.substr(begin, stop + end.size() - begin);
}

TEST_F(Screens, NewScreenEnabledDisabledAndUndeclaredReshapeTheFile) {
    BuildWith(Section(0, "/dev/ttyS1") + Section(1, "/dev/ttyS2") + Layout({0, 1}), kLoadedScreen0);
    std::vector<gui::ShownDialog> shown;
    gui::DialogResponder responder(&shown);

    AddScreen(2);
    ASSERT_EQ(g_list_length(deviceList), 3u);
    DeviceRecord* added = RecordAt(2);
    EXPECT_STREQ(added->identifier, "\"TAVIR TouchPanel2\"");
    EXPECT_EQ(added->screenNo, 2);
    EXPECT_EQ(added->status, kStatusUndeclared);
    EXPECT_EQ(added->portIndex, 1);
    EXPECT_EQ(added->speedIndex, 3);
    EXPECT_EQ(added->sampling, 0);
    EXPECT_EQ(gui::Lower(screenSpin), 0);
    EXPECT_EQ(gui::Upper(screenSpin), 2);
    EXPECT_EQ(gui::Value(screenSpin), 0);  // not selected
    EXPECT_EQ(CurrentRecord(), RecordAt(0));
    EXPECT_TRUE(Sensitive(applyButton));
    EXPECT_TRUE(Sensitive(okButton));
    EXPECT_EQ(restartNeeded, 0);

    TurnTo(2);
    EXPECT_EQ(CurrentRecord(), added);
    EXPECT_EQ(ComboText(portCombo), "");
    EXPECT_EQ(ComboText(speedCombo), "");
    EXPECT_TRUE(gui::Active(mainWindowParts.statusRadios[kStatusUndeclared]));
    EXPECT_EQ(gui::StatusBarText(), "Undeclared...");
    for (GtkWidget* widget : {portCombo, speedCombo, samplingScale, calibrationButton}) {
        EXPECT_FALSE(Sensitive(widget)) << gtk_widget_get_name(widget);
    }
    for (GtkWidget* radio : mainWindowParts.statusRadios) {
        EXPECT_TRUE(Sensitive(radio));
    }
    EXPECT_EQ(restartNeeded, 0);
    EXPECT_FALSE(AnyLinkChanged());

    ChangeStatusTo(kStatusEnable);
    EXPECT_EQ(added->status, kStatusEnable);
    EXPECT_EQ(added->inFile, 1);
    EXPECT_EQ(added->inLayout, 1);
    EXPECT_EQ(ComboText(portCombo), "COM2(/dev/ttyS1)");
    EXPECT_EQ(ComboText(speedCombo), "9600bps");
    EXPECT_TRUE(Sensitive(portCombo));
    EXPECT_TRUE(Sensitive(speedCombo));
    EXPECT_TRUE(Sensitive(samplingScale));
    EXPECT_FALSE(Sensitive(calibrationButton));  // the X server has no such device
    EXPECT_EQ(gui::StatusBarText(), "Enabled...   ");
    EXPECT_EQ(restartNeeded, 1);
    EXPECT_FALSE(AnyLinkChanged());

    ClickAsUser(applyButton);
    ASSERT_EQ(shown.size(), 1u);  // the restart message
    const std::string enabled = FileBytes();
    const std::string layoutLine = "\tInputDevice\t\"TAVIR TouchPanel2\"\n";
    const std::string section = SectionOf(enabled, "\"TAVIR TouchPanel2\"");
    ASSERT_NE(section, "");
    EXPECT_NE(section.find("\"ScreenNo\"     \"2\"\n"), std::string::npos) << section;
    EXPECT_NE(enabled.find(layoutLine), std::string::npos) << enabled;
    // Screens 0 and 1 are still written and listed.
    EXPECT_NE(SectionOf(enabled, "\"TAVIR TouchPanel0\""), "");
    EXPECT_NE(SectionOf(enabled, "\"TAVIR TouchPanel1\""), "");

    ChangeStatusTo(kStatusDisable);
    EXPECT_EQ(added->status, kStatusDisable);
    EXPECT_EQ(ComboText(portCombo), "COM2(/dev/ttyS1)");
    EXPECT_EQ(ComboText(speedCombo), "9600bps");
    EXPECT_FALSE(Sensitive(portCombo));
    EXPECT_FALSE(Sensitive(speedCombo));
    EXPECT_TRUE(Sensitive(samplingScale));  // kept as it was
    EXPECT_EQ(gui::StatusBarText(), "Disabled...  ");
    ClickAsUser(applyButton);
    const std::string disabled = FileBytes();
    EXPECT_EQ(disabled, Without(enabled, layoutLine));

    ChangeStatusTo(kStatusUndeclared);
    EXPECT_EQ(added->status, kStatusUndeclared);
    EXPECT_EQ(ComboText(portCombo), "");
    EXPECT_EQ(ComboText(speedCombo), "");
    EXPECT_EQ(gui::StatusBarText(), "Undeclared...");
    ClickAsUser(applyButton);
    EXPECT_EQ(FileBytes(), Without(disabled, section));
    EXPECT_EQ(shown.size(), 3u);  // every status change needs a restart
}

TEST_F(Screens, SwitchingLoadsEachScreenWithoutCountingAsAChange) {
    BuildWith(Section(0, "/dev/ttyS2", 4800) +
                  Section(1, "/dev/input/event*", 9600,
                          "\tOption \"Sampling\" \"5\"\n\tOption \"TapTime\" \"40\"\n"
                          "\tOption \"Sound\" \"1\"\n\tOption \"BorderRatio\" \"8\"\n") +
                  Section(3, "/dev/ttyS0", 19200) + Layout({0, 1}),
              kLoadedScreen0);
    ASSERT_EQ(gui::Upper(screenSpin), 3);
    DeviceRecord* third = RecordAt(2);
    third->status = kStatusDisable;
    const int32_t tapInBlock = driver->settings[driveropts::kTapTime];

    // An enabled USB screen: no speed.
    TurnTo(1);
    EXPECT_EQ(CurrentRecord(), RecordAt(1));
    EXPECT_EQ(ComboText(portCombo), "USB(/dev/input/event)");
    EXPECT_EQ(ComboText(speedCombo), "");
    EXPECT_TRUE(Sensitive(portCombo));
    EXPECT_FALSE(Sensitive(speedCombo));
    EXPECT_TRUE(Sensitive(samplingScale));
    EXPECT_EQ(gui::Value(samplingScale), 5);
    EXPECT_EQ(gui::StatusBarText(), "Enabled...   ");
    // Its own settings on the other pages.
    EXPECT_EQ(gui::Value(tapTimeScale), 40);
    EXPECT_EQ(gui::LabelText(tapTimeValueLabel), " 40");
    EXPECT_TRUE(gui::Active(beepCheck));
    EXPECT_EQ(gui::Value(calibBorderSpin), 8);
    EXPECT_FALSE(NoticeGiven());
    EXPECT_FALSE(AnyLinkChanged());
    EXPECT_EQ(driver->settings[driveropts::kTapTime], tapInBlock);
    EXPECT_EQ(RecordAt(1)->settings[driveropts::kTapTime], 40);

    // A number without a record: nothing on the Main and Driver pages can
    // be changed, and the previous record stays the one being edited.
    ShowPage(kPageDriver);
    ClickAsUser(mainWindowParts.statusRadios[kStatusDisable]);
    ASSERT_TRUE(Sensitive(changeStatusButton));
    TurnTo(2);
    EXPECT_FALSE(Sensitive(changeStatusButton));
    EXPECT_EQ(CurrentRecord(), RecordAt(1));
    EXPECT_EQ(ComboText(portCombo), "");
    EXPECT_EQ(ComboText(speedCombo), "");
    EXPECT_EQ(gui::Value(samplingScale), 0);
    EXPECT_EQ(RecordAt(1)->sampling, 5);
    EXPECT_TRUE(gui::Active(mainWindowParts.statusRadios[kStatusUndeclared]));
    EXPECT_EQ(gui::StatusBarText(), "Undeclared...");
    for (GtkWidget* widget : {portCombo, speedCombo, samplingScale, calibrationButton}) {
        EXPECT_FALSE(Sensitive(widget)) << gtk_widget_get_name(widget);
    }
    for (GtkWidget* radio : mainWindowParts.statusRadios) {
        EXPECT_FALSE(Sensitive(radio));
    }

    // A disabled serial screen shows its link but offers nothing on it.
    TurnTo(3);
    EXPECT_EQ(CurrentRecord(), third);
    EXPECT_EQ(ComboText(portCombo), "COM1(/dev/ttyS0)");
    EXPECT_EQ(ComboText(speedCombo), "19200bps");
    EXPECT_TRUE(gui::Active(mainWindowParts.statusRadios[kStatusDisable]));
    EXPECT_EQ(gui::StatusBarText(), "Disabled...  ");
    for (GtkWidget* widget : {portCombo, speedCombo, samplingScale, calibrationButton}) {
        EXPECT_FALSE(Sensitive(widget)) << gtk_widget_get_name(widget);
    }
    for (GtkWidget* radio : mainWindowParts.statusRadios) {
        EXPECT_TRUE(Sensitive(radio));
    }

    // Back to the loaded serial screen.
    TurnTo(0);
    EXPECT_EQ(ComboText(portCombo), "COM3(/dev/ttyS2)");
    EXPECT_EQ(ComboText(speedCombo), "4800bps");
    for (GtkWidget* widget : {portCombo, speedCombo, samplingScale, calibrationButton}) {
        EXPECT_TRUE(Sensitive(widget)) << gtk_widget_get_name(widget);
    }
    EXPECT_EQ(gui::Value(tapTimeScale), 25);
    EXPECT_FALSE(gui::Active(beepCheck));
    EXPECT_FALSE(NoticeGiven());
    EXPECT_FALSE(AnyLinkChanged());
    EXPECT_EQ(driver->settings[driveropts::kTapTime], tapInBlock);
}

TEST_F(Screens, FourPointsFollowTheProductOfTheScreenShown) {
    BuildWith(Section(0, "/dev/ttyS1", 9600, "\tOption \"Products\" \"0\"\n") +
                  Section(1, "/dev/ttyS2", 9600, "\tOption \"Products\" \"3\"\n") + Layout({0, 1}),
              kLoadedScreen0);
    EXPECT_TRUE(Sensitive(calibPoints4Radio));
    TurnTo(1);  // the fourth product cannot be calibrated with four points
    EXPECT_FALSE(Sensitive(calibPoints4Radio));
    TurnTo(0);
    EXPECT_TRUE(Sensitive(calibPoints4Radio));
    EXPECT_FALSE(NoticeGiven());
}

TEST_F(Screens, ArrowKeysInARadioGroupCountAsThePress) {
    BuildWith(Section(0, "/dev/ttyS1") + Section(1, "/dev/ttyS2") + Layout({0, 1}), kLoadedScreen0);
    ASSERT_TRUE(gui::Active(mainWindowParts.statusRadios[kStatusEnable]));
    ASSERT_TRUE(gui::Active(calibPoints9Radio));

    // Enable to Disable from the keyboard: the Change button comes alive.
    ShowPage(kPageDriver);
    FocusAsUser(mainWindowParts.statusRadios[kStatusEnable]);
    gui::SendKey(mainWindow, GDK_KEY_Down);
    gui::Flush();
    ASSERT_TRUE(gui::Active(mainWindowParts.statusRadios[kStatusDisable]));
    EXPECT_TRUE(Sensitive(changeStatusButton));
    EXPECT_EQ(CurrentRecord()->status, kStatusEnable);  // only the button changes it

    // 9 to 25 points from the keyboard: OK and Apply, without a restart.
    ShowPage(kPageCalibration);
    FocusAsUser(calibPoints9Radio);
    gui::SendKey(mainWindow, GDK_KEY_Right);
    gui::Flush();
    ASSERT_TRUE(gui::Active(calibPoints25Radio));
    EXPECT_TRUE(Sensitive(applyButton));
    EXPECT_TRUE(Sensitive(okButton));
    EXPECT_EQ(restartNeeded, 0);

    // What code makes active still counts for nothing.
    gtk_widget_set_sensitive(applyButton, FALSE);
    gtk_widget_set_sensitive(okButton, FALSE);
    CurrentRecord()->status = kStatusDisable;
    TurnTo(1);
    TurnTo(0);  // shows "Disable" from code
    EXPECT_TRUE(gui::Active(mainWindowParts.statusRadios[kStatusDisable]));
    EXPECT_FALSE(Sensitive(changeStatusButton));
    gtk_combo_box_set_active(GTK_COMBO_BOX(mainWindowParts.productCombo), 0);  // forces 4
    gui::Flush();
    ASSERT_TRUE(gui::Active(calibPoints4Radio));
    restartNeeded = 0;
    gtk_widget_set_sensitive(applyButton, FALSE);
    gtk_widget_set_sensitive(okButton, FALSE);
    gtk_combo_box_set_active(GTK_COMBO_BOX(mainWindowParts.productCombo), 3);  // forces 9
    gui::Flush();
    ASSERT_TRUE(gui::Active(calibPoints9Radio));
    // The product's own notice, and nothing from the radio: no second
    // notice is visible, but the restart flag proves the notice is the
    // product's (the radio's notice never raises it).
    EXPECT_EQ(restartNeeded, 1);
}

TEST_F(Screens, AddScreenDialogCancelAndAnExistingNumberChangeNothing) {
    BuildWith(Section(1, "/dev/ttyS1") + Layout({1}), kLoadedScreen0);
    ASSERT_EQ(gui::Lower(screenSpin), 1);

    {
        AddScreenAnswer answer(4, false);
        ClickAsUser(mainWindowParts.addScreenButton);
        ASSERT_TRUE(answer.answered);
        EXPECT_EQ(answer.title, "Add Screen");
        EXPECT_EQ(answer.lower, 0);
        EXPECT_EQ(answer.upper, 16);
        EXPECT_EQ(answer.initial, 0);
        EXPECT_TRUE(answer.modal);
        EXPECT_TRUE(answer.transientForMain);
        EXPECT_EQ(answer.defaultButton, "Cancel");
        EXPECT_EQ(answer.buttonsLeftToRight, (std::vector<std::string>{"Add", "Cancel"}));
    }
    EXPECT_EQ(g_list_length(deviceList), 1u);
    AddScreen(1);
    EXPECT_EQ(g_list_length(deviceList), 1u);
    EXPECT_FALSE(Sensitive(applyButton));

    // Below the range: the lower bound follows.
    AddScreen(0);
    EXPECT_EQ(g_list_length(deviceList), 2u);
    EXPECT_EQ(gui::Lower(screenSpin), 0);
    EXPECT_EQ(gui::Upper(screenSpin), 1);
    EXPECT_EQ(gui::Value(screenSpin), 1);
}

TEST_F(Screens, JapaneseLabelsTakeTheSameBranches) {
    g_setenv("LANG", "ja_JP.eucJP", TRUE);
    languageIndex = 1;
    BuildWith(Section(0, "/dev/ttyS1") + Layout({0}), kLoadedScreen0);
    std::vector<gui::ShownDialog> shown;
    gui::DialogResponder responder(&shown);
    DeviceRecord* record = CurrentRecord();

    ChangeStatusTo(kStatusDisable);
    EXPECT_EQ(record->status, kStatusDisable);
    EXPECT_EQ(gui::StatusBarText(), "無効...    ");
    ChangeStatusTo(kStatusUndeclared);
    EXPECT_EQ(record->status, kStatusUndeclared);
    EXPECT_EQ(gui::StatusBarText(), "設定消去...");
    ChangeStatusTo(kStatusEnable);
    EXPECT_EQ(record->status, kStatusEnable);
    EXPECT_EQ(gui::StatusBarText(), "有効...    ");

    AddScreenAnswer answer(3, true);
    ClickAsUser(mainWindowParts.addScreenButton);
    EXPECT_EQ(answer.title, "スクリーン追加");
    g_setenv("LANG", "C", TRUE);
}

}  // namespace
