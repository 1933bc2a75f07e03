// The Setting and Advanced pages: touch mode, the six scales, the two check
// buttons and the two Default buttons. Every change goes into the current
// device record and at once into the driver's live settings in the shared
// block, so the running driver behaves as the window shows before anything is
// saved.
#ifndef PANELCONF_UI_SETTINGPAGES_H
#define PANELCONF_UI_SETTINGPAGES_H

#include <gtk/gtk.h>

#include "config/driveroptions.h"

struct DeviceRecord;

// The six scales of the two pages: their widget, settings entry, value label
// (the four Setting page scales only), kept handler id, handler, range and
// labels. The builders, the screen switch and the Default buttons all go by
// this table.
struct SettingScale {
    GtkWidget** scale;
    driveropts::SettingIndex entry;
    GtkWidget** valueLabel;  // nullptr: the scale shows no number
    gulong* id;
    void (*handler)(GtkAdjustment* adjustment, gpointer data);
    const char* name;
    double lower, upper, step, page;
    int captionRow;  // the name label (Setting page) or the caption row (Advanced page)
    int leftEndRow;  // Advanced page: the labels at the scale's two ends; -1 for none
    int rightEndRow;
};
constexpr int kSettingScaleCount = 6;
extern const SettingScale kSettingScales[kSettingScaleCount];

// The table's row for a settings entry, or nullptr.
const SettingScale* SettingScaleFor(driveropts::SettingIndex entry);

// Shows a Setting page value label's text, " %d".
void ShowScaleValue(const SettingScale& scale, int value);

// Fill the two pages from the record.
void BuildSettingPage(GtkWidget* page, const DeviceRecord* record);
void BuildAdvancedPage(GtkWidget* page, const DeviceRecord* record);

// "changed" of the touch mode combo.
void gcb_TouchModeCombo(GtkComboBox* combo, gpointer data);

// "value-changed" of the scales' adjustments. The four Setting page scales
// also show the value in their label; Hold Duration and Spatial Tolerance
// show none.
void gcb_TapTimeScale(GtkAdjustment* adjustment, gpointer data);
void gcb_LiftOffScale(GtkAdjustment* adjustment, gpointer data);
void gcb_StabilizeScale(GtkAdjustment* adjustment, gpointer data);
void gcb_AverageScale(GtkAdjustment* adjustment, gpointer data);
void gcb_HoldScale(GtkAdjustment* adjustment, gpointer data);
void gcb_SpatialScale(GtkAdjustment* adjustment, gpointer data);

// "clicked" of the Setting page's Default button: tap time, lift off time,
// stabilization and averaging back to their defaults, live.
void gcb_SettingInit(GtkButton* button, gpointer data);

// "clicked" of the Advanced page's Default button: both scales back to their
// defaults, live; beep and right click off in the record only.
void gcb_AllInit(GtkButton* button, gpointer data);

// "toggled" of beepCheck and rclickCheck.
void BeepSoundOnOff(GtkToggleButton* check, gpointer data);
void RclickOnOff(GtkToggleButton* check, gpointer data);

// Connects the eleven handlers and keeps their ids (the six scales', beepHid,
// rclickHid and touchModeHid).
// Called once from ConnectPageHandlers.
void ConnectSettingPageHandlers();

#endif
