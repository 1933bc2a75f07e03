#include "ui/mainpage.h"

#include <cstdlib>

#include "config/regularfile.h"
#include "configsearch.h"
#include "devicerecord.h"
#include "driverlink/sharedmem.h"
#include "ui/changenotice.h"
#include "ui/mainwindow.h"
#include "pagerules.h"

namespace {

// Chooses an item without running the combo's own handler: the choice is the
// record's already, so it is no user change.
void ChooseSilently(GtkWidget* combo, gulong handlerId, int row, int rowCount) {
    if (handlerId != 0) {
        g_signal_handler_block(combo, handlerId);
    }
    gtk_combo_box_set_active(GTK_COMBO_BOX(combo), (row >= 0 && row < rowCount) ? row : -1);
    if (handlerId != 0) {
        g_signal_handler_unblock(combo, handlerId);
    }
}

// The entry shows the file Apply will write, not a choice that was refused.
// Setting the text chooses no item, which the handler passes over.
void ShowPathInUse(GtkComboBox* combo) {
    gtk_entry_set_text(GTK_ENTRY(gtk_bin_get_child(GTK_BIN(combo))), configPath);
}

// Forgets a kept link text; true when there was one.
bool DropKeptText(char** text) {
    if (*text == nullptr) {
        return false;
    }
    free(*text);
    *text = nullptr;
    return true;
}

void SetCommTestSensitive(gboolean sensitive) {
    SetSensitive(commModeCheck, sensitive);
    SetSensitive(transmitEntry, sensitive);
    SetSensitive(receiveList, sensitive);
    SetSensitive(transmitButton, sensitive);
}

}  // namespace

void SelectConfig(GtkComboBox* combo, gpointer /*data*/) {
    const int position = gtk_combo_box_get_active(combo);
    // -1: the entry's text changed without an item being chosen.
    if (position < 0 || position >= kConfigCandidateCount) {
        return;
    }
    SetActiveOkApplayBtn(nullptr, nullptr);

    // Expand into a scratch buffer: a template that names no path (HOME
    // unset, result too long) keeps the file in use rather than leaving Apply
    // with an empty or truncated path.
    char expanded[kConfigPathSize];
    if (ExpandConfigTemplate(kConfigCandidates[position], expanded, sizeof expanded) != 0) {
        g_log(nullptr, G_LOG_LEVEL_WARNING, "Cannot expand %s; keeping %s",
              kConfigCandidates[position], configPath);
        ShowPathInUse(combo);
        return;
    }
    // A pipe, a device or a directory is never read or replaced: reading a
    // pipe would hang the window, and Apply would put a plain file in its
    // place.
    if (ExistsButNotRegular(expanded)) {
        g_log(nullptr, G_LOG_LEVEL_WARNING, "%s: %s; keeping %s", expanded, kNotRegularFileText,
              configPath);
        ShowPathInUse(combo);
        return;
    }
    g_strlcpy(configPath, expanded, sizeof configPath);
}

void SelectPort(GtkComboBox* combo, gpointer /*data*/) {
    const int position = gtk_combo_box_get_active(combo);
    if (position < 0) {
        return;
    }
    DeviceRecord* record = CurrentRecord();
    MarkChanged();

    gchar* portText = gtk_combo_box_text_get_active_text(GTK_COMBO_BOX_TEXT(combo));
    if (IsUsbPortText(portText)) {
        SetSensitive(speedCombo, FALSE);
        ChooseSilently(speedCombo, speedSelectHid, -1, driveropts::kSpeedCount);
        SetCommTestSensitive(FALSE);
    } else {
        if (SpeedSelectableFor(record->status)) {
            SetSensitive(speedCombo, TRUE);
        }
        // Shows the record's speed again; the record already holds it. A
        // speed the table does not hold stays without an item.
        ChooseSilently(speedCombo, speedSelectHid,
                       record->keptBaudRate != nullptr ? -1 : record->speedIndex,
                       driveropts::kSpeedCount);
        SetCommTestSensitive(TRUE);
    }
    g_free(portText);

    const int32_t previous = record->portIndex;
    record->portIndex = position;
    // The file's own device text gives way to the user's choice.
    const bool wasKept = DropKeptText(&record->keptDevice);
    if (record->portIndex != previous || wasKept) {
        record->linkChanged = 1;
    }
}

void SelectSpeed(GtkComboBox* combo, gpointer /*data*/) {
    const int position = gtk_combo_box_get_active(combo);
    if (position < 0) {
        return;
    }
    DeviceRecord* record = CurrentRecord();
    MarkChanged();
    const int32_t previous = record->speedIndex;
    record->speedIndex = position;
    const bool wasKept = DropKeptText(&record->keptBaudRate);
    if (record->speedIndex != previous || wasKept) {
        record->linkChanged = 1;
    }
}

void gcb_ProductCombo(GtkComboBox* combo, gpointer /*data*/) {
    const int position = gtk_combo_box_get_active(combo);
    if (position < 0) {
        return;
    }
    DeviceRecord* record = CurrentRecord();
    MarkChanged();
    int32_t& products = record->settings[driveropts::kProducts];
    const int32_t previous = products;
    products = position;
    if (products != previous) {
        record->productChanged = 1;
        if (driverBlock != nullptr) {
            driverBlock->settings[driveropts::kProducts] = products;
        }
        calibPointsNum = static_cast<uint8_t>(CalibPointsForProduct(products));
        // Set from code: the radios' user-press handler does not run, so this
        // forced choice is no separate notice.
        GtkWidget* radio = calibPointsNum == 9 ? calibPoints9Radio : calibPoints4Radio;
        BlockCalibPointsToggles(true);
        gtk_toggle_button_set_active(GTK_TOGGLE_BUTTON(radio), TRUE);
        BlockCalibPointsToggles(false);
    }
    SetSensitive(calibPoints4Radio, FourPointsAllowedFor(products));
}

void GetSamplingValue(GtkAdjustment* adjustment, gpointer /*data*/) {
    const uint8_t sampling = SamplingByte(gtk_adjustment_get_value(adjustment));
    DeviceRecord* record = CurrentRecord();
    // The slider reports every movement; only a new step is a change.
    if (sampling == record->sampling) {
        return;
    }
    record->sampling = sampling;
    if (driverBlock != nullptr) {
        driverBlock->sampling = sampling;
    }
    MarkChanged();
}

void ConnectMainPageHandlers() {
    g_signal_connect(mainWindowParts.configCombo, "changed", G_CALLBACK(SelectConfig), nullptr);
    portSelectHid = g_signal_connect(portCombo, "changed", G_CALLBACK(SelectPort), nullptr);
    speedSelectHid = g_signal_connect(speedCombo, "changed", G_CALLBACK(SelectSpeed), nullptr);
    g_signal_connect(mainWindowParts.productCombo, "changed", G_CALLBACK(gcb_ProductCombo),
                     nullptr);
    samplingHid = g_signal_connect(gtk_range_get_adjustment(GTK_RANGE(samplingScale)),
                                   "value-changed", G_CALLBACK(GetSamplingValue), nullptr);
}
