#include "ui/applyokcancel.h"

#include "config/configwriter.h"
#include "devicerecord.h"
#include "driverlink/sharedmem.h"
#include "ui/changenotice.h"
#include "ui/dialogs.h"
#include "ui/mainwindow.h"

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

// Runs `handler` when the user presses the button, with the pointer
// ("pressed") or from the keyboard or an assistive tool ("activate"), and
// never when code makes it active: gtk_toggle_button_set_active emits only
// "clicked" and "toggled".
void ConnectUserPress(GtkWidget* button, GCallback handler) {
    g_signal_connect(button, "pressed", handler, nullptr);
    g_signal_connect(button, "activate", handler, nullptr);
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

void ApplyFunc(GtkWidget* /*widget*/, gpointer /*data*/) {
    SectionMap map;
    map.Clear();

    // Told before anything is stored, and only once per change.
    if (restartNeeded != 0) {
        DialogWindow(kMsgRestartForAllSettings);
        restartNeeded = 0;
    }

    DeviceRecord* record = SpinScreenRecord();
    if (record == nullptr) {
        g_log(nullptr, G_LOG_LEVEL_WARNING, "%s", "Not Found the Config Parameter");
        return;
    }

    const int borderPercent = gtk_spin_button_get_value_as_int(GTK_SPIN_BUTTON(calibBorderSpin));
    record->borderRatio = static_cast<float>(borderPercent) / kPercent;
    if (driverBlock != nullptr) {
        driverBlock->borderRatio = record->borderRatio;
    }

    calibPointsNum = ChosenCalibPoints();
    if (driverBlock != nullptr) {
        driverBlock->calibPointsNum = calibPointsNum;
    }

    if (driverBlock != nullptr) {
        CopySettings(driverBlock->settings, record->settings);
    }
    CopySettings(record->savedSettings, record->settings);

    SetSensitive(applyButton, FALSE);
    SetSensitive(okButton, FALSE);

    // Both report their own failures; the file is either rewritten whole or
    // left as it was.
    SearchSection(&map);
    SetConfig(map);
}

void OkFunc(GtkWidget* widget, gpointer /*data*/) {
    if (driverBlock != nullptr) {
        driverBlock->commMode = 0;
    }
    ApplyFunc(widget, nullptr);
    gtk_main_quit();
}

void CancelFunc(GtkWidget* /*widget*/, gpointer /*data*/) {
    DeviceRecord* record = SpinScreenRecord();
    if (record != nullptr && driverBlock != nullptr) {
        CopySettings(driverBlock->settings, record->savedSettings);
    }
    gtk_main_quit();
}

void ConnectApplyOkCancelHandlers() {
    SaveStartingSettings();

    g_signal_connect(applyButton, "clicked", G_CALLBACK(ApplyFunc), nullptr);
    g_signal_connect(okButton, "clicked", G_CALLBACK(OkFunc), nullptr);
    g_signal_connect(mainWindowParts.cancelButton, "clicked", G_CALLBACK(CancelFunc),
                     mainWindowParts.startRecord);

    for (GtkWidget* radio : {calibPoints4Radio, calibPoints9Radio, calibPoints25Radio}) {
        ConnectUserPress(radio, G_CALLBACK(SetActiveOkApplayBtn));
    }
    g_signal_connect(calibBorderSpin, "changed", G_CALLBACK(SetActiveOkApplayBtn), nullptr);

    for (GSList* item = statusRadioGroup; item != nullptr; item = item->next) {
        ConnectUserPress(GTK_WIDGET(item->data), G_CALLBACK(toggle));
    }
}
