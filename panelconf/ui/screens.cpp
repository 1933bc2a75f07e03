#include "ui/screens.h"

#include <cmath>

#include "devicerecord.h"
#include "ui/driverstatus.h"
#include "ui/changenotice.h"
#include "labels.h"
#include "ui/mainpage.h"
#include "ui/mainwindow.h"
#include "pagerules.h"
#include "screenrecords.h"
#include "ui/settingpages.h"

namespace {

// Rows of addScreenLabels.
enum AddScreenRow {
    kTitleRow = 0,
    kPromptRow,
    kSpinLabelRow,
    kAddRow,
    kCancelRow,
    kSpinNameRow,
};

void QuitNestedLoop(GtkWidget* /*dialog*/, gpointer /*data*/) {
    gtk_main_quit();
}

GtkWidget* Row(GtkWidget* box) {
    GtkWidget* row = gtk_box_new(GTK_ORIENTATION_HORIZONTAL, 0);
    gtk_box_pack_start(GTK_BOX(box), row, TRUE, TRUE, 0);
    return row;
}

GtkWidget* ActionButton(GtkWidget* dialog, int labelRow, const char* name) {
    GtkWidget* button = gtk_button_new_with_label(LabelText(addScreenLabels, labelRow));
    gtk_widget_set_name(button, name);
    gtk_widget_set_hexpand(button, TRUE);
    gtk_dialog_add_action_widget(GTK_DIALOG(dialog), button, GTK_RESPONSE_NONE);
    return button;
}

// Widens the screen spin so that it reaches `screenNo`, without moving it.
void WidenScreenRange(int screenNo) {
    double lower = 0;
    double upper = 0;
    gtk_spin_button_get_range(GTK_SPIN_BUTTON(screenSpin), &lower, &upper);
    if (screenNo > upper) {
        gtk_spin_button_set_range(GTK_SPIN_BUTTON(screenSpin), lower, screenNo);
    } else if (screenNo < lower) {
        gtk_spin_button_set_range(GTK_SPIN_BUTTON(screenSpin), screenNo, upper);
    }
}

// Blocks (or unblocks) every handler that runs `handler` on the instance.
// For the controls whose handler id is not kept.
void BlockHandler(gpointer instance, GCallback handler, bool block) {
    const auto match = G_SIGNAL_MATCH_FUNC;
    auto* func = reinterpret_cast<gpointer>(handler);
    if (block) {
        g_signal_handlers_block_matched(instance, match, 0, 0, nullptr, func, nullptr);
    } else {
        g_signal_handlers_unblock_matched(instance, match, 0, 0, nullptr, func, nullptr);
    }
}

void BlockKept(gpointer instance, gulong id, bool block) {
    if (id == 0) {
        return;
    }
    if (block) {
        g_signal_handler_block(instance, id);
    } else {
        g_signal_handler_unblock(instance, id);
    }
}

GtkAdjustment* AdjustmentOf(GtkWidget* scale) {
    return gtk_range_get_adjustment(GTK_RANGE(scale));
}

// The setting scales, the handler id each keeps and the label showing its
// value (none on the Advanced page).
struct SettingScale {
    GtkWidget* scale;
    gulong id;
    GtkWidget* valueLabel;
    driveropts::SettingIndex entry;
};

// Holds every page handler off while the pages are loaded from a record, so
// that loading is never taken for the user's change (no notice, no block
// write, no changed flags).
void BlockPageHandlers(const SettingScale* scales, int count, bool block) {
    for (int i = 0; i < count; ++i) {
        BlockKept(AdjustmentOf(scales[i].scale), scales[i].id, block);
    }
    BlockKept(beepCheck, beepHid, block);
    BlockKept(rclickCheck, rclickHid, block);
    BlockHandler(mainWindowParts.productCombo, G_CALLBACK(gcb_ProductCombo), block);
    BlockHandler(mainWindowParts.touchModeCombo, G_CALLBACK(gcb_TouchModeCombo), block);
    BlockHandler(calibBorderSpin, G_CALLBACK(SetActiveOkApplayBtn), block);
}

void ChooseRow(GtkWidget* combo, int row, int rowCount) {
    gtk_combo_box_set_active(GTK_COMBO_BOX(combo), (row >= 0 && row < rowCount) ? row : -1);
}

// Shows the record's own values on the Main (product), Calibration (border),
// Setting and Advanced pages. The point count is shared by every screen and
// stays as it is.
void ShowRecordSettings(const DeviceRecord* record) {
    using namespace driveropts;
    const SettingScale scales[] = {
        {tapTimeScale, tapTimeHid, tapTimeValueLabel, kTapTime},
        {liftOffScale, liftOffHid, liftOffValueLabel, kLiftOffTime},
        {stabilizeScale, stabilizeHid, stabilizeValueLabel, kStabilize},
        {averageScale, averageHid, averageValueLabel, kAveraging},
        {holdScale, holdHid, nullptr, kRclickHoldDuration},
        {spatialScale, spatialHid, nullptr, kRclickSpatialTolerance},
    };
    constexpr int kScaleCount = sizeof scales / sizeof scales[0];
    BlockPageHandlers(scales, kScaleCount, true);

    // An undeclared device has no product and no touch mode yet, as when the
    // window is built.
    const bool undeclared = record->status == kStatusUndeclared;
    ChooseRow(mainWindowParts.productCombo, undeclared ? -1 : record->settings[kProducts],
              LabelRowCount(productNames));
    ChooseRow(mainWindowParts.touchModeCombo, undeclared ? -1 : record->settings[kTouchMode],
              LabelRowCount(touchModeNames));
    for (const SettingScale& row : scales) {
        const int value = record->settings[row.entry];
        gtk_adjustment_set_value(AdjustmentOf(row.scale), value);
        if (row.valueLabel != nullptr) {
            gchar* text = g_strdup_printf(" %d", value);
            gtk_label_set_text(GTK_LABEL(row.valueLabel), text);
            g_free(text);
        }
    }
    gtk_toggle_button_set_active(GTK_TOGGLE_BUTTON(beepCheck), record->settings[kSound] != 0);
    gtk_toggle_button_set_active(GTK_TOGGLE_BUTTON(rclickCheck),
                                 record->settings[kRclickHold] != 0);
    gtk_spin_button_set_value(GTK_SPIN_BUTTON(calibBorderSpin),
                              std::lround(static_cast<double>(record->borderRatio) * 100.0));

    BlockPageHandlers(scales, kScaleCount, false);
}

}  // namespace

void AddScrnDialog(GtkWidget* /*widget*/, gpointer /*data*/) {
    GtkWidget* dialog = gtk_dialog_new();
    gtk_widget_set_name(dialog, kAddScreenDialogName);
    gtk_container_set_border_width(GTK_CONTAINER(dialog), 5);
    gtk_window_set_transient_for(GTK_WINDOW(dialog), GTK_WINDOW(mainWindow));
    g_signal_connect(dialog, "destroy", G_CALLBACK(QuitNestedLoop), nullptr);
    gtk_window_set_title(GTK_WINDOW(dialog), LabelText(addScreenLabels, kTitleRow));

    GtkWidget* box = gtk_box_new(GTK_ORIENTATION_VERTICAL, 0);
    gtk_box_pack_start(GTK_BOX(gtk_dialog_get_content_area(GTK_DIALOG(dialog))), box, TRUE,
                       TRUE, 0);
    gtk_box_pack_start(GTK_BOX(Row(box)), gtk_label_new(LabelText(addScreenLabels, kPromptRow)),
                       TRUE, TRUE, 0);

    GtkWidget* spinRow = Row(box);
    GtkWidget* spinLabel = gtk_label_new(LabelText(addScreenLabels, kSpinLabelRow));
    gtk_label_set_xalign(GTK_LABEL(spinLabel), 1.0f);
    gtk_box_pack_start(GTK_BOX(spinRow), spinLabel, TRUE, TRUE, 0);
    GtkAdjustment* adjustment =
        gtk_adjustment_new(kAddScreenLowest, kAddScreenLowest, kAddScreenHighest, 1, 1, 0);
    GtkWidget* spin = gtk_spin_button_new(adjustment, 0, 0);
    gtk_spin_button_set_numeric(GTK_SPIN_BUTTON(spin), TRUE);
    gtk_editable_set_editable(GTK_EDITABLE(spin), FALSE);
    gtk_widget_set_name(spin, LabelText(addScreenLabels, kSpinNameRow));
    gtk_label_set_mnemonic_widget(GTK_LABEL(spinLabel), spin);
    gtk_box_pack_start(GTK_BOX(spinRow), spin, TRUE, TRUE, 0);

    GtkWidget* add = ActionButton(dialog, kAddRow, kAddScreenAddName);
    g_signal_connect(add, "clicked", G_CALLBACK(AddScrn), spin);
    g_signal_connect_swapped(add, "clicked", G_CALLBACK(gtk_widget_destroy), dialog);

    GtkWidget* cancel = ActionButton(dialog, kCancelRow, kAddScreenCancelName);
    gtk_widget_set_can_default(cancel, TRUE);
    gtk_widget_grab_default(cancel);
    g_signal_connect_swapped(cancel, "clicked", G_CALLBACK(gtk_widget_destroy), dialog);

    gtk_window_set_modal(GTK_WINDOW(dialog), TRUE);
    gtk_window_set_position(GTK_WINDOW(dialog), GTK_WIN_POS_CENTER);
    gtk_widget_show_all(dialog);

    // Returns when the dialog is destroyed: by either button or the window
    // manager.
    gtk_main();
}

void AddScrn(GtkWidget* /*widget*/, gpointer spin) {
    const int screenNo = gtk_spin_button_get_value_as_int(GTK_SPIN_BUTTON(spin));
    if (AddScreenRecord(screenNo) != AddScreenResult::kAdded) {
        return;
    }
    WidenScreenRange(screenNo);
    if (isRoot != 0) {
        SetSensitive(applyButton, TRUE);
        SetSensitive(okButton, TRUE);
        // The new screen gets its status on the Driver page.
        for (GSList* item = statusRadioGroup; item != nullptr; item = item->next) {
            SetSensitive(GTK_WIDGET(item->data), TRUE);
        }
    }
}

void SelectScreen(GtkWidget* spin, gpointer /*data*/) {
    SetSensitive(changeStatusButton, FALSE);

    const int screenNo = gtk_spin_button_get_value_as_int(GTK_SPIN_BUTTON(spin));
    GList* node = FindScreenNode(screenNo);
    // Without a record for the number the previous one stays current: the
    // page handlers always need a record to write into.
    if (node != nullptr) {
        currentDeviceNode = node;
    }
    const DeviceRecord* record =
        node != nullptr ? static_cast<const DeviceRecord*>(node->data) : nullptr;

    const LinkControlsPlan plan = PlanScreenSelect(record, isRoot != 0);
    ApplyLinkControlsPlan(plan);
    if (record != nullptr) {
        ShowRecordSettings(record);
        // The product shown decides, as at start-up, whether "4" may be used.
        if (isRoot != 0) {
            SetSensitive(calibPoints4Radio,
                         FourPointsAllowedFor(record->settings[driveropts::kProducts]));
        }
    }
    ShowStatusRadio(plan.shownStatus);
}

void ConnectScreenHandlers() {
    g_signal_connect(mainWindowParts.addScreenButton, "clicked", G_CALLBACK(AddScrnDialog),
                     nullptr);
    g_signal_connect(screenSpin, "value-changed", G_CALLBACK(SelectScreen), nullptr);
}
