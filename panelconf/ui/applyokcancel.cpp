#include "ui/applyokcancel.h"

#include <string>

#include "config/configwriter.h"
#include "devicerecord.h"
#include "driverlink/blockops.h"
#include "driverlink/sharedmem.h"
#include "startup.h"
#include "ui/changenotice.h"
#include "ui/dialogs.h"
#include "ui/packing.h"
#include "ui/widgets.h"

namespace {

constexpr float kPercent = 100.0f;

// The point count the Calibration page's radios show.
uint8_t ChosenCalibPoints() {
    if (gtk_toggle_button_get_active(GTK_TOGGLE_BUTTON(calibPoints4Radio))) {
        return 4;
    }
    if (gtk_toggle_button_get_active(GTK_TOGGLE_BUTTON(calibPoints25Radio))) {
        return 25;
    }
    return 9;
}

void CopySettings(int32_t* to, const int32_t* from) {
    for (int i = 0; i < driveropts::kSettingsCount; ++i) {
        to[i] = from[i];
    }
}

// A radio that became active by the user's arrow keys: the press they stand
// for. Turning inactive is only the other half of the same move.
template <void (*Handler)(GtkWidget*, gpointer)>
void ToggledActive(GtkToggleButton* radio, gpointer data) {
    if (gtk_toggle_button_get_active(radio)) {
        Handler(GTK_WIDGET(radio), data);
    }
}

// Runs the handler when the user presses the radio, with the pointer
// ("pressed"), from the keyboard or an assistive tool ("activate"), or moves
// the group's choice with the arrow keys ("toggled" to active), and never
// when code makes it active: that code blocks the "toggled" id returned
// here, and gtk_toggle_button_set_active emits neither "pressed" nor
// "activate".
template <void (*Handler)(GtkWidget*, gpointer)>
gulong ConnectUserPress(GtkWidget* radio) {
    g_signal_connect(radio, "pressed", G_CALLBACK(Handler), nullptr);
    g_signal_connect(radio, "activate", G_CALLBACK(Handler), nullptr);
    return g_signal_connect(radio, "toggled", G_CALLBACK(ToggledActive<Handler>), nullptr);
}

// What Cancel puts back for a screen the user never applied is what the
// window started with for it, not the values of a fresh panel.
void SaveStartingSettings() {
    for (GList* node = deviceList; node != nullptr; node = node->next) {
        auto* record = static_cast<DeviceRecord*>(node->data);
        CopySettings(record->savedSettings, record->settings);
    }
}

}  // namespace

DeviceRecord* SpinScreenRecord() {
    if (screenSpin == nullptr) {
        return nullptr;
    }
    return FindRecordByScreen(gtk_spin_button_get_value_as_int(GTK_SPIN_BUTTON(screenSpin)));
}

ApplyResult ApplyCurrentScreen() {
    // Told before anything is stored, and only once per change.
    if (restartNeeded != 0) {
        DialogWindow(kMsgRestartForAllSettings);
        restartNeeded = 0;
    }

    DeviceRecord* record = SpinScreenRecord();
    if (record == nullptr) {
        g_log(nullptr, G_LOG_LEVEL_WARNING, "%s", "Not Found the Config Parameter");
        return ApplyResult::kNoRecord;
    }

    const int borderPercent = gtk_spin_button_get_value_as_int(GTK_SPIN_BUTTON(calibBorderSpin));
    record->borderRatio = static_cast<float>(borderPercent) / kPercent;
    calibPointsNum = ChosenCalibPoints();
    StoreCalibChoice(driverBlock, record->borderRatio, calibPointsNum);
    StoreLiveSettings(driverBlock, record->settings);
    CopySettings(record->savedSettings, record->settings);

    SetSensitive(applyButton, FALSE);
    SetSensitive(okButton, FALSE);

    // The file is either rewritten whole or left as it was; the writer logs
    // the details on the console.
    std::string reason;
    if (RewriteConfigFile(configPath, ProgramWriteValues(), &reason) != 0) {
        // Nothing was saved: the user is told, and can mend the cause and
        // press OK or Apply again. A calibration-only run shows no window;
        // its exit status and the console say it.
        if (calibrateOnly == 0) {
            SaveFailedDialog(configPath, reason.c_str());
        }
        SetActiveOkApplayBtn(nullptr, nullptr);
        return ApplyResult::kNotWritten;
    }
    return ApplyResult::kWritten;
}

void ApplyFunc(GtkWidget* /*widget*/, gpointer /*data*/) { ApplyCurrentScreen(); }

void OkFunc(GtkWidget* /*widget*/, gpointer /*data*/) {
    const uint8_t commMode = LoadCommMode(driverBlock);
    StoreCommMode(driverBlock, 0);
    if (ApplyCurrentScreen() == ApplyResult::kNotWritten) {
        // The program goes on as before OK was pressed, the communication
        // test included.
        StoreCommMode(driverBlock, commMode);
        return;
    }
    gtk_main_quit();
}

void CancelFunc(GtkWidget* /*widget*/, gpointer /*data*/) {
    DeviceRecord* record = SpinScreenRecord();
    if (record != nullptr) {
        StoreLiveSettings(driverBlock, record->savedSettings);
    }
    gtk_main_quit();
}

void ConnectApplyOkCancelHandlers() {
    SaveStartingSettings();

    g_signal_connect(applyButton, "clicked", G_CALLBACK(ApplyFunc), nullptr);
    g_signal_connect(okButton, "clicked", G_CALLBACK(OkFunc), nullptr);
    g_signal_connect(mainWindowParts.cancelButton, "clicked", G_CALLBACK(CancelFunc),
                     mainWindowParts.startRecord);

    GtkWidget* const pointRadios[] = {calibPoints4Radio, calibPoints9Radio, calibPoints25Radio};
    for (int i = 0; i < 3; ++i) {
        calibPointsToggleHids[i] = ConnectUserPress<SetActiveOkApplayBtn>(pointRadios[i]);
    }
    borderHid =
        g_signal_connect(calibBorderSpin, "changed", G_CALLBACK(SetActiveOkApplayBtn), nullptr);

    for (int i = 0; i < 3; ++i) {
        statusToggleHids[i] = ConnectUserPress<toggle>(mainWindowParts.statusRadios[i]);
    }
}
