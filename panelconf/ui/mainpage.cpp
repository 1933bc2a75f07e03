#include "ui/mainpage.h"

#include <cstdlib>

#include "config/regularfile.h"
#include "configsearch.h"
#include "labels.h"
#include "language.h"
#include "devicerecord.h"
#include "driverlink/blockops.h"
#include "driverlink/sharedmem.h"
#include "ui/changenotice.h"
#include "ui/handlerblock.h"
#include "ui/widgets.h"
#include "ui/packing.h"
#include "pagerules.h"

namespace {

// Shows a speed without running the speed handler: the choice is the
// record's already, so it is no user change.
void ShowSpeedSilently(int row) {
    HandlersBlocked quiet({{speedCombo, speedSelectHid}});
    ChooseRow(speedCombo, row, driveropts::kSpeedCount);
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

namespace {

// The shape of both link lists' handlers: the user's item becomes the
// record's index (port or speed), the file's own text for it gives way, and
// either change marks the link changed. showChoice adjusts the window to
// the choice first.
template <typename ShowChoice>
void SelectLinkItem(GtkComboBox* combo, int32_t DeviceRecord::*index, char* DeviceRecord::*keptText,
                    ShowChoice showChoice) {
    const int position = gtk_combo_box_get_active(combo);
    if (position < 0) {
        return;
    }
    DeviceRecord* record = CurrentRecord();
    MarkChanged();
    showChoice(combo, record);

    const int32_t previous = record->*index;
    record->*index = position;
    const bool wasKept = DropKeptText(&(record->*keptText));
    if (record->*index != previous || wasKept) {
        record->linkChanged = 1;
    }
}

// A USB port has no speed and no communication test.
void ShowPortChoice(GtkComboBox* combo, const DeviceRecord* record) {
    gchar* portText = gtk_combo_box_text_get_active_text(GTK_COMBO_BOX_TEXT(combo));
    if (IsUsbPortText(portText)) {
        SetSensitive(speedCombo, FALSE);
        ShowSpeedSilently(-1);
        SetCommTestSensitive(FALSE);
    } else {
        if (SpeedSelectableFor(record->status)) {
            SetSensitive(speedCombo, TRUE);
        }
        // Shows the record's speed again; the record already holds it. A
        // speed the table does not hold stays without an item.
        ShowSpeedSilently(record->keptBaudRate != nullptr ? -1 : record->speedIndex);
        SetCommTestSensitive(TRUE);
    }
    g_free(portText);
}

}  // namespace

void SelectPort(GtkComboBox* combo, gpointer /*data*/) {
    SelectLinkItem(combo, &DeviceRecord::portIndex, &DeviceRecord::keptDevice, ShowPortChoice);
}

void SelectSpeed(GtkComboBox* combo, gpointer /*data*/) {
    SelectLinkItem(combo, &DeviceRecord::speedIndex, &DeviceRecord::keptBaudRate,
                   [](GtkComboBox*, const DeviceRecord*) {});
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
        StoreProduct(driverBlock, products);
        calibPointsNum = static_cast<uint8_t>(CalibPointsForProduct(products));
        // Set from code: the radios' user-press handler does not run, so this
        // forced choice is no separate notice.
        GtkWidget* radio = calibPointsNum == 9 ? calibPoints9Radio : calibPoints4Radio;
        HandlersBlocked quiet;
        AddCalibPointsToggles(quiet);
        gtk_toggle_button_set_active(GTK_TOGGLE_BUTTON(radio), TRUE);
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
    StoreSampling(driverBlock, sampling);
    MarkChanged();
}

void ConnectMainPageHandlers() {
    g_signal_connect(mainWindowParts.configCombo, "changed", G_CALLBACK(SelectConfig), nullptr);
    portSelectHid = g_signal_connect(portCombo, "changed", G_CALLBACK(SelectPort), nullptr);
    speedSelectHid = g_signal_connect(speedCombo, "changed", G_CALLBACK(SelectSpeed), nullptr);
    productHid = g_signal_connect(mainWindowParts.productCombo, "changed",
                                  G_CALLBACK(gcb_ProductCombo), nullptr);
    samplingHid = g_signal_connect(AdjustmentOf(samplingScale), "value-changed",
                                   G_CALLBACK(GetSamplingValue), nullptr);
}

const char* BuildMainPage(GtkWidget* page, const DeviceRecord* record) {
    const bool undeclared = record->status == kStatusUndeclared;
    GtkWidget* table = gtk_grid_new();
    gtk_grid_set_column_spacing(GTK_GRID(table), 10);
    gtk_grid_set_row_spacing(GTK_GRID(table), 5);
    PackStart(page, table, TRUE, TRUE, 0);

    // The list shows the templates; the entry shows the path in use.
    GtkWidget* configCombo = Named(gtk_combo_box_text_new_with_entry(), "configCombo");
    for (const char* candidate : kConfigCandidates) {
        gtk_combo_box_text_append_text(GTK_COMBO_BOX_TEXT(configCombo), candidate);
    }
    GtkWidget* configEntry = gtk_bin_get_child(GTK_BIN(configCombo));
    gtk_editable_set_editable(GTK_EDITABLE(configEntry), FALSE);
    gtk_entry_set_text(GTK_ENTRY(configEntry), configPath);
    mainWindowParts.configCombo = configCombo;

    portCombo = Named(ComboOf(portNames, driveropts::kPortCount), "portCombo");
    // A device the port table does not hold shows no item: the file's text
    // is kept until the user picks a port.
    ChooseRow(portCombo, undeclared || record->keptDevice != nullptr ? -1 : record->portIndex,
              driveropts::kPortCount);

    speedCombo = Named(ComboOf(driveropts::kSpeedTexts, driveropts::kSpeedCount), "speedCombo");
    const char* portText = "";
    if (gtk_combo_box_get_active(GTK_COMBO_BOX(portCombo)) >= 0) {
        portText = portNames[gtk_combo_box_get_active(GTK_COMBO_BOX(portCombo))];
    }
    if (undeclared || IsUsbPortText(portText)) {
        ChooseRow(speedCombo, -1, driveropts::kSpeedCount);
        gtk_widget_set_sensitive(speedCombo, FALSE);
    } else {
        ChooseRow(speedCombo, record->keptBaudRate != nullptr ? -1 : record->speedIndex,
                  driveropts::kSpeedCount);
    }

    GtkWidget* productCombo =
        Named(ComboOf(productNames[languageIndex], LabelRowCount(productNames)), "productCombo");
    ChooseRow(productCombo, undeclared ? -1 : record->settings[driveropts::kProducts],
              LabelRowCount(productNames));
    mainWindowParts.productCombo = productCombo;

    const struct {
        MainPageRow label;
        GtkWidget* control;
    } rows[] = {{kMainConfig, configCombo},
                {kMainPort, portCombo},
                {kMainSpeed, speedCombo},
                {kMainProducts, productCombo}};
    for (int row = 0; row < 4; ++row) {
        Attach(table,
               NameControl(Label(LabelText(mainPageLabels, rows[row].label)), rows[row].control), 0,
               1, row, row + 1, kShrink, kShrink);
        Attach(table, rows[row].control, 1, 2, row, row + 1, kExpandFill, kExpandFill);
    }

    GtkWidget* samplingBox = VBox(0);
    GtkWidget* samplingFrame = PackFrame(page, LabelText(mainPageLabels, kMainSampling),
                                         GTK_SHADOW_ETCHED_IN, TRUE, 0, samplingBox, 10);
    GtkWidget* ends = HBox(0);
    PackStart(samplingBox, ends, FALSE, FALSE, 0);
    PackStart(ends, Label(LabelText(mainPageLabels, kMainFine)), FALSE, FALSE, 0);
    PackEnd(ends, Label(LabelText(mainPageLabels, kMainCoarse)), FALSE, FALSE, 0);
    GtkWidget* scaleRow = HBox(0);
    PackStart(samplingBox, scaleRow, FALSE, FALSE, 0);
    // Page size 1 keeps the slider at 15 at most.
    samplingScale = Named(Scale(record->sampling, 0, 16, 1, 1, 1), "samplingScale");
    PackStart(scaleRow, samplingScale, TRUE, TRUE, 0);
    // The frame's title names the slider.
    NameControl(gtk_frame_get_label_widget(GTK_FRAME(samplingFrame)), samplingScale);

    GtkWidget* calibrationFrame = Frame(LabelText(mainPageLabels, kMainCalibration), GTK_SHADOW_IN);
    PackStart(page, calibrationFrame, TRUE, TRUE, 0);
    GtkWidget* outer = VBox(0);
    gtk_box_set_homogeneous(GTK_BOX(outer), TRUE);
    gtk_container_add(GTK_CONTAINER(calibrationFrame), outer);
    GtkWidget* inner = HBox(0);
    gtk_box_set_homogeneous(GTK_BOX(inner), TRUE);
    PackStart(outer, inner, FALSE, FALSE, 10);
    calibrationButton =
        Named(Button(LabelText(mainPageLabels, kMainCalibration), 140, 40), "calibrationButton");
    PackStart(inner, calibrationButton, FALSE, FALSE, 10);
    return portText;
}
