#include "ui/settingpages.h"

#include "devicerecord.h"
#include "driverlink/sharedmem.h"
#include "ui/changenotice.h"
#include "ui/mainwindow.h"
#include "pagerules.h"

namespace {

using driveropts::SettingIndex;

GtkAdjustment* AdjustmentOf(GtkWidget* scale) {
    return gtk_range_get_adjustment(GTK_RANGE(scale));
}

void WriteLive(SettingIndex entry, int32_t value) {
    if (driverBlock != nullptr) {
        driverBlock->settings[entry] = value;
    }
}

void ShowValue(GtkWidget* valueLabel, int value) {
    char text[16];
    FormatValueLabel(value, text, sizeof text);
    gtk_label_set_text(GTK_LABEL(valueLabel), text);
}

// The one algorithm of the six scales. valueLabel is null for the two
// Advanced page scales.
void ScaleMoved(GtkAdjustment* adjustment, SettingIndex entry, GtkWidget* valueLabel) {
    const int32_t value = ScaleInteger(gtk_adjustment_get_value(adjustment));
    DeviceRecord* record = CurrentRecord();
    // The slider reports every movement, and a release where it started: only
    // a new integer is a change.
    if (value == record->settings[entry]) {
        return;
    }
    record->settings[entry] = value;
    if (valueLabel != nullptr) {
        ShowValue(valueLabel, value);
    }
    WriteLive(entry, value);
    MarkChanged();
}

void CheckToggled(GtkToggleButton* check, SettingIndex entry) {
    DeviceRecord* record = CurrentRecord();
    const int32_t previous = record->settings[entry];
    record->settings[entry] = gtk_toggle_button_get_active(check) ? 1 : 0;
    // The driver gets the value even when the record had it already: the
    // block may still hold an older one (Default on the Advanced page writes
    // the record only).
    WriteLive(entry, record->settings[entry]);
    if (record->settings[entry] != previous) {
        MarkChanged();
    }
}

// Sets an adjustment from code with its kept handler blocked by the caller.
void SetScale(GtkWidget* scale, int value) {
    gtk_adjustment_set_value(AdjustmentOf(scale), value);
}

}  // namespace

void gcb_TouchModeCombo(GtkComboBox* combo, gpointer /*data*/) {
    const int position = gtk_combo_box_get_active(combo);
    DeviceRecord* record = CurrentRecord();
    if (position < 0 || position == record->settings[driveropts::kTouchMode]) {
        return;
    }
    MarkChanged();
    record->settings[driveropts::kTouchMode] = position;
    WriteLive(driveropts::kTouchMode, position);
}

void gcb_TapTimeScale(GtkAdjustment* adjustment, gpointer /*data*/) {
    ScaleMoved(adjustment, driveropts::kTapTime, tapTimeValueLabel);
}

void gcb_LiftOffScale(GtkAdjustment* adjustment, gpointer /*data*/) {
    ScaleMoved(adjustment, driveropts::kLiftOffTime, liftOffValueLabel);
}

void gcb_StabilizeScale(GtkAdjustment* adjustment, gpointer /*data*/) {
    ScaleMoved(adjustment, driveropts::kStabilize, stabilizeValueLabel);
}

void gcb_AverageScale(GtkAdjustment* adjustment, gpointer /*data*/) {
    ScaleMoved(adjustment, driveropts::kAveraging, averageValueLabel);
}

void gcb_HoldScale(GtkAdjustment* adjustment, gpointer /*data*/) {
    ScaleMoved(adjustment, driveropts::kRclickHoldDuration, nullptr);
}

void gcb_SpatialScale(GtkAdjustment* adjustment, gpointer /*data*/) {
    ScaleMoved(adjustment, driveropts::kRclickSpatialTolerance, nullptr);
}

void gcb_SettingInit(GtkButton* /*button*/, gpointer /*data*/) {
    struct Control {
        GtkWidget* scale;
        GtkWidget* valueLabel;
        gulong handlerId;
    };
    // Same order as kSettingPageDefaults.
    const Control controls[] = {
        {tapTimeScale, tapTimeValueLabel, tapTimeHid},
        {liftOffScale, liftOffValueLabel, liftOffHid},
        {stabilizeScale, stabilizeValueLabel, stabilizeHid},
        {averageScale, averageValueLabel, averageHid},
    };
    static_assert(G_N_ELEMENTS(controls) == G_N_ELEMENTS(kSettingPageDefaults),
                  "one control per default");

    for (const Control& control : controls) {
        g_signal_handler_block(AdjustmentOf(control.scale), control.handlerId);
    }
    DeviceRecord* record = CurrentRecord();
    for (size_t i = 0; i < G_N_ELEMENTS(controls); ++i) {
        const SettingDefault& setting = kSettingPageDefaults[i];
        record->settings[setting.entry] = setting.value;
        SetScale(controls[i].scale, setting.value);
        ShowValue(controls[i].valueLabel, setting.value);
    }
    for (const SettingDefault& setting : kSettingPageDefaults) {
        WriteLive(setting.entry, record->settings[setting.entry]);
    }
    for (const Control& control : controls) {
        g_signal_handler_unblock(AdjustmentOf(control.scale), control.handlerId);
    }
    // Every press counts, also when nothing differed.
    MarkChanged();
}

void gcb_AllInit(GtkButton* /*button*/, gpointer /*data*/) {
    g_signal_handler_block(AdjustmentOf(holdScale), holdHid);
    g_signal_handler_block(AdjustmentOf(spatialScale), spatialHid);
    g_signal_handler_block(beepCheck, beepHid);
    g_signal_handler_block(rclickCheck, rclickHid);

    DeviceRecord* record = CurrentRecord();
    GtkWidget* const scales[] = {holdScale, spatialScale};
    static_assert(G_N_ELEMENTS(scales) == G_N_ELEMENTS(kAdvancedScaleDefaults),
                  "one scale per default");
    for (size_t i = 0; i < G_N_ELEMENTS(scales); ++i) {
        const SettingDefault& setting = kAdvancedScaleDefaults[i];
        record->settings[setting.entry] = setting.value;
        SetScale(scales[i], setting.value);
    }
    for (const SettingDefault& setting : kAdvancedScaleDefaults) {
        WriteLive(setting.entry, record->settings[setting.entry]);
    }
    // Beep and right click go off in the record only; the driver keeps its
    // values until Apply copies all settings or the user toggles them.
    gtk_toggle_button_set_active(GTK_TOGGLE_BUTTON(beepCheck), FALSE);
    record->settings[driveropts::kSound] = 0;
    gtk_toggle_button_set_active(GTK_TOGGLE_BUTTON(rclickCheck), FALSE);
    record->settings[driveropts::kRclickHold] = 0;

    g_signal_handler_unblock(AdjustmentOf(holdScale), holdHid);
    g_signal_handler_unblock(AdjustmentOf(spatialScale), spatialHid);
    g_signal_handler_unblock(beepCheck, beepHid);
    g_signal_handler_unblock(rclickCheck, rclickHid);
    MarkChanged();
}

void BeepSoundOnOff(GtkToggleButton* check, gpointer /*data*/) {
    CheckToggled(check, driveropts::kSound);
}

void RclickOnOff(GtkToggleButton* check, gpointer /*data*/) {
    CheckToggled(check, driveropts::kRclickHold);
}

void ConnectSettingPageHandlers() {
    g_signal_connect(mainWindowParts.touchModeCombo, "changed", G_CALLBACK(gcb_TouchModeCombo),
                     nullptr);
    tapTimeHid = g_signal_connect(AdjustmentOf(tapTimeScale), "value-changed",
                                  G_CALLBACK(gcb_TapTimeScale), nullptr);
    liftOffHid = g_signal_connect(AdjustmentOf(liftOffScale), "value-changed",
                                  G_CALLBACK(gcb_LiftOffScale), nullptr);
    stabilizeHid = g_signal_connect(AdjustmentOf(stabilizeScale), "value-changed",
                                    G_CALLBACK(gcb_StabilizeScale), nullptr);
    averageHid = g_signal_connect(AdjustmentOf(averageScale), "value-changed",
                                  G_CALLBACK(gcb_AverageScale), nullptr);
    g_signal_connect(mainWindowParts.settingDefaultButton, "clicked",
                     G_CALLBACK(gcb_SettingInit), nullptr);
    beepHid = g_signal_connect(beepCheck, "toggled", G_CALLBACK(BeepSoundOnOff), nullptr);
    rclickHid = g_signal_connect(rclickCheck, "toggled", G_CALLBACK(RclickOnOff), nullptr);
    holdHid = g_signal_connect(AdjustmentOf(holdScale), "value-changed",
                               G_CALLBACK(gcb_HoldScale), nullptr);
    spatialHid = g_signal_connect(AdjustmentOf(spatialScale), "value-changed",
                                  G_CALLBACK(gcb_SpatialScale), nullptr);
    g_signal_connect(mainWindowParts.advancedDefaultButton, "clicked", G_CALLBACK(gcb_AllInit),
                     nullptr);
}
