#include "ui/settingpages.h"

#include "devicerecord.h"
#include "driverlink/blockops.h"
#include "driverlink/sharedmem.h"
#include "labels.h"
#include "language.h"
#include "pagerules.h"
#include "ui/changenotice.h"
#include "ui/handlerblock.h"
#include "ui/widgets.h"
#include "ui/packing.h"

using driveropts::SettingIndex;

const SettingScale kSettingScales[kSettingScaleCount] = {
    {&tapTimeScale, driveropts::kTapTime, &tapTimeValueLabel, &tapTimeHid, gcb_TapTimeScale,
     "tapTimeScale", 1, 50, 1, 1, kSettingTapTime, -1, -1},
    {&liftOffScale, driveropts::kLiftOffTime, &liftOffValueLabel, &liftOffHid, gcb_LiftOffScale,
     "liftOffScale", 0, 50, 1, 1, kSettingLiftOffTime, -1, -1},
    {&stabilizeScale, driveropts::kStabilize, &stabilizeValueLabel, &stabilizeHid,
     gcb_StabilizeScale, "stabilizeScale", 0, 40, 1, 1, kSettingStabilize, -1, -1},
    {&averageScale, driveropts::kAveraging, &averageValueLabel, &averageHid, gcb_AverageScale,
     "averageScale", 0, 40, 1, 1, kSettingAveraging, -1, -1},
    {&holdScale, driveropts::kRclickHoldDuration, nullptr, &holdHid, gcb_HoldScale, "holdScale",
     200, 3000, 100, 200, kAdvancedHoldDuration, kAdvancedShort, kAdvancedLong},
    {&spatialScale, driveropts::kRclickSpatialTolerance, nullptr, &spatialHid, gcb_SpatialScale,
     "spatialScale", 2, 30, 2, 5, kAdvancedSpatialTolerance, kAdvancedSmall, kAdvancedLarge},
};

namespace {

// The first four are the Setting page's, the last two the Advanced page's.
constexpr int kSettingPageScales = 4;

// The one algorithm of the six scales.
void ScaleMoved(GtkAdjustment* adjustment, SettingIndex entry) {
    const SettingScale& scale = *SettingScaleFor(entry);
    const int32_t value = ScaleInteger(gtk_adjustment_get_value(adjustment));
    DeviceRecord* record = CurrentRecord();
    // The slider reports every movement, and a release where it started: only
    // a new integer is a change.
    if (value == record->settings[entry]) {
        return;
    }
    record->settings[entry] = value;
    ShowScaleValue(scale, value);
    StoreLiveSetting(driverBlock, entry, value);
    MarkChanged();
}

void CheckToggled(GtkToggleButton* check, SettingIndex entry) {
    DeviceRecord* record = CurrentRecord();
    const int32_t previous = record->settings[entry];
    record->settings[entry] = gtk_toggle_button_get_active(check) ? 1 : 0;
    // The driver gets the value even when the record had it already: the
    // block may still hold an older one (Default on the Advanced page writes
    // the record only).
    StoreLiveSetting(driverBlock, entry, record->settings[entry]);
    if (record->settings[entry] != previous) {
        MarkChanged();
    }
}

// Puts the Default values of a page into the record, the scales, their
// labels and the driver, with the scales' handlers held off.
void ResetScales(const SettingDefault* defaults, size_t count) {
    DeviceRecord* record = CurrentRecord();
    HandlersBlocked quiet;
    for (size_t i = 0; i < count; ++i) {
        const SettingScale& scale = *SettingScaleFor(defaults[i].entry);
        quiet.Add({AdjustmentOf(*scale.scale), *scale.id});
    }
    for (size_t i = 0; i < count; ++i) {
        const SettingScale& scale = *SettingScaleFor(defaults[i].entry);
        record->settings[defaults[i].entry] = defaults[i].value;
        gtk_adjustment_set_value(AdjustmentOf(*scale.scale), defaults[i].value);
        ShowScaleValue(scale, defaults[i].value);
    }
    for (size_t i = 0; i < count; ++i) {
        StoreLiveSetting(driverBlock, defaults[i].entry, record->settings[defaults[i].entry]);
    }
}

GtkWidget* MakeScale(const SettingScale& row, const DeviceRecord* record) {
    *row.scale = Named(
        Scale(record->settings[row.entry], row.lower, row.upper, row.step, row.page, 0), row.name);
    return *row.scale;
}

}  // namespace

const SettingScale* SettingScaleFor(SettingIndex entry) {
    for (const SettingScale& scale : kSettingScales) {
        if (scale.entry == entry) {
            return &scale;
        }
    }
    return nullptr;
}

void ShowScaleValue(const SettingScale& scale, int value) {
    if (scale.valueLabel == nullptr) {
        return;
    }
    char text[16];
    FormatValueLabel(value, text, sizeof text);
    gtk_label_set_text(GTK_LABEL(*scale.valueLabel), text);
}

void BuildSettingPage(GtkWidget* page, const DeviceRecord* record) {
    GtkWidget* modeRow = HBox(0);
    PackStart(page, modeRow, FALSE, FALSE, 0);
    GtkWidget* touchModeCombo = Named(
        ComboOf(touchModeNames[languageIndex], LabelRowCount(touchModeNames)), "touchModeCombo");
    PackStart(modeRow,
              NameControl(Label(LabelText(settingPageLabels, kSettingTouchMode)), touchModeCombo),
              FALSE, FALSE, 0);
    gtk_widget_set_size_request(touchModeCombo, 250, 40);
    ChooseRow(touchModeCombo,
              record->status == kStatusUndeclared ? -1 : record->settings[driveropts::kTouchMode],
              LabelRowCount(touchModeNames));
    PackStart(modeRow, touchModeCombo, FALSE, FALSE, 5);
    mainWindowParts.touchModeCombo = touchModeCombo;

    GtkWidget* scalesRow = HBox(10);
    PackStart(page, scalesRow, FALSE, FALSE, 0);
    GtkWidget* table = gtk_grid_new();
    PackStart(scalesRow, table, TRUE, TRUE, 0);

    for (int i = 0; i < kSettingPageScales; ++i) {
        const SettingScale& row = kSettingScales[i];
        // Rows 0, 1, then the separators, then 3, 4.
        const int gridRow = i < 2 ? i : i + 1;
        gtk_widget_set_size_request(MakeScale(row, record), 300, 40);
        Attach(table, NameControl(Label(LabelText(settingPageLabels, row.captionRow)), *row.scale),
               0, 1, gridRow, gridRow + 1, kShrink, kShrink);
        Attach(table, *row.scale, 1, 2, gridRow, gridRow + 1, kFill, kFill);
        char text[16];
        FormatValueLabel(record->settings[row.entry], text, sizeof text);
        *row.valueLabel = Label(text);
        Attach(table, *row.valueLabel, 2, 3, gridRow, gridRow + 1, kShrink, kShrink);
    }
    for (int column = 0; column < 3; ++column) {
        Attach(table, gtk_separator_new(GTK_ORIENTATION_HORIZONTAL), column, column + 1, 2, 3,
               kFill, kShrink);
    }

    PackStart(scalesRow, gtk_separator_new(GTK_ORIENTATION_VERTICAL), TRUE, FALSE, 0);
    GtkWidget* defaultBox = VBox(0);
    PackStart(scalesRow, defaultBox, TRUE, FALSE, 0);
    mainWindowParts.settingDefaultButton = Named(
        Button(LabelText(settingPageLabels, kSettingDefault), 80, 30), "settingDefaultButton");
    PackEnd(defaultBox, mainWindowParts.settingDefaultButton, FALSE, FALSE, 0);
}

void BuildAdvancedPage(GtkWidget* page, const DeviceRecord* record) {
    beepCheck = Named(gtk_check_button_new_with_label(LabelText(advancedPageLabels, kAdvancedBeep)),
                      "beepCheck");
    gtk_toggle_button_set_active(GTK_TOGGLE_BUTTON(beepCheck),
                                 record->settings[driveropts::kSound] != 0);
    PackStart(page, beepCheck, FALSE, FALSE, 0);

    GtkWidget* box = VBox(5);
    PackFrame(page, LabelText(advancedPageLabels, kAdvancedRclickFrame), GTK_SHADOW_ETCHED_IN, TRUE,
              0, box);

    rclickCheck =
        Named(gtk_check_button_new_with_label(LabelText(advancedPageLabels, kAdvancedRclick)),
              "rclickCheck");
    gtk_toggle_button_set_active(GTK_TOGGLE_BUTTON(rclickCheck),
                                 record->settings[driveropts::kRclickHold] != 0);
    PackStart(box, rclickCheck, FALSE, FALSE, 0);

    for (int i = kSettingPageScales; i < kSettingScaleCount; ++i) {
        const SettingScale& row = kSettingScales[i];
        GtkWidget* caption = HBox(0);
        PackStart(box, caption, FALSE, FALSE, 0);
        gtk_widget_set_size_request(MakeScale(row, record), 400, 20);
        // The caption row above names the scale, not its end labels.
        PackStart(caption,
                  NameControl(Label(LabelText(advancedPageLabels, row.captionRow)), *row.scale),
                  FALSE, FALSE, 45);
        // " Short  " [scale] "  Long"
        GtkWidget* ends = HBox(0);
        PackStart(box, ends, FALSE, FALSE, 0);
        PackStart(ends, Label(LabelText(advancedPageLabels, row.leftEndRow)), FALSE, FALSE, 0);
        PackStart(ends, *row.scale, FALSE, FALSE, 0);
        PackStart(ends, Label(LabelText(advancedPageLabels, row.rightEndRow)), FALSE, FALSE, 0);
    }

    GtkWidget* defaultRow = HBox(0);
    PackStart(page, defaultRow, FALSE, FALSE, 0);
    mainWindowParts.advancedDefaultButton = Named(
        Button(LabelText(advancedPageLabels, kAdvancedDefault), 90, 40), "advancedDefaultButton");
    PackStart(defaultRow, mainWindowParts.advancedDefaultButton, FALSE, FALSE, 5);
}

void gcb_TouchModeCombo(GtkComboBox* combo, gpointer /*data*/) {
    const int position = gtk_combo_box_get_active(combo);
    DeviceRecord* record = CurrentRecord();
    if (position < 0 || position == record->settings[driveropts::kTouchMode]) {
        return;
    }
    MarkChanged();
    record->settings[driveropts::kTouchMode] = position;
    StoreLiveSetting(driverBlock, driveropts::kTouchMode, position);
}

void gcb_TapTimeScale(GtkAdjustment* adjustment, gpointer /*data*/) {
    ScaleMoved(adjustment, driveropts::kTapTime);
}

void gcb_LiftOffScale(GtkAdjustment* adjustment, gpointer /*data*/) {
    ScaleMoved(adjustment, driveropts::kLiftOffTime);
}

void gcb_StabilizeScale(GtkAdjustment* adjustment, gpointer /*data*/) {
    ScaleMoved(adjustment, driveropts::kStabilize);
}

void gcb_AverageScale(GtkAdjustment* adjustment, gpointer /*data*/) {
    ScaleMoved(adjustment, driveropts::kAveraging);
}

void gcb_HoldScale(GtkAdjustment* adjustment, gpointer /*data*/) {
    ScaleMoved(adjustment, driveropts::kRclickHoldDuration);
}

void gcb_SpatialScale(GtkAdjustment* adjustment, gpointer /*data*/) {
    ScaleMoved(adjustment, driveropts::kRclickSpatialTolerance);
}

void gcb_SettingInit(GtkButton* /*button*/, gpointer /*data*/) {
    ResetScales(kSettingPageDefaults, G_N_ELEMENTS(kSettingPageDefaults));
    // Every press counts, also when nothing differed.
    MarkChanged();
}

void gcb_AllInit(GtkButton* /*button*/, gpointer /*data*/) {
    ResetScales(kAdvancedScaleDefaults, G_N_ELEMENTS(kAdvancedScaleDefaults));
    // Beep and right click go off in the record only; the driver keeps its
    // values until Apply copies all settings or the user toggles them.
    {
        HandlersBlocked quiet({{beepCheck, beepHid}, {rclickCheck, rclickHid}});
        DeviceRecord* record = CurrentRecord();
        gtk_toggle_button_set_active(GTK_TOGGLE_BUTTON(beepCheck), FALSE);
        record->settings[driveropts::kSound] = 0;
        gtk_toggle_button_set_active(GTK_TOGGLE_BUTTON(rclickCheck), FALSE);
        record->settings[driveropts::kRclickHold] = 0;
    }
    MarkChanged();
}

void BeepSoundOnOff(GtkToggleButton* check, gpointer /*data*/) {
    CheckToggled(check, driveropts::kSound);
}

void RclickOnOff(GtkToggleButton* check, gpointer /*data*/) {
    CheckToggled(check, driveropts::kRclickHold);
}

void ConnectSettingPageHandlers() {
    touchModeHid = g_signal_connect(mainWindowParts.touchModeCombo, "changed",
                                    G_CALLBACK(gcb_TouchModeCombo), nullptr);
    for (const SettingScale& scale : kSettingScales) {
        *scale.id = g_signal_connect(AdjustmentOf(*scale.scale), "value-changed",
                                     G_CALLBACK(scale.handler), nullptr);
    }
    g_signal_connect(mainWindowParts.settingDefaultButton, "clicked", G_CALLBACK(gcb_SettingInit),
                     nullptr);
    beepHid = g_signal_connect(beepCheck, "toggled", G_CALLBACK(BeepSoundOnOff), nullptr);
    rclickHid = g_signal_connect(rclickCheck, "toggled", G_CALLBACK(RclickOnOff), nullptr);
    g_signal_connect(mainWindowParts.advancedDefaultButton, "clicked", G_CALLBACK(gcb_AllInit),
                     nullptr);
}
