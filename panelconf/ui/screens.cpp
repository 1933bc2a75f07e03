#include "ui/screens.h"

#include <cmath>

#include "devicerecord.h"
#include "ui/driverstatus.h"
#include "ui/changenotice.h"
#include "labels.h"
#include "ui/mainpage.h"
#include "ui/handlerblock.h"
#include "ui/packing.h"
#include "ui/widgets.h"
#include "pagerules.h"
#include "screenrecords.h"
#include "ui/settingpages.h"

namespace {

void QuitNestedLoop(GtkWidget* /*dialog*/, gpointer /*data*/) { gtk_main_quit(); }

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

// Shows the record's own values on the Main (product), Calibration (border),
// Setting and Advanced pages, with every handler of those controls held
// off, so that loading is never taken for the user's change (no notice, no
// block write, no changed flags). The point count is shared by every screen
// and stays as it is.
void ShowRecordSettings(const DeviceRecord* record) {
    using namespace driveropts;
    HandlersBlocked quiet({{beepCheck, beepHid},
                           {rclickCheck, rclickHid},
                           {mainWindowParts.productCombo, productHid},
                           {mainWindowParts.touchModeCombo, touchModeHid},
                           {calibBorderSpin, borderHid}});
    for (const SettingScale& scale : kSettingScales) {
        quiet.Add({AdjustmentOf(*scale.scale), *scale.id});
    }

    // An undeclared device has no product and no touch mode yet, as when the
    // window is built.
    const bool undeclared = record->status == kStatusUndeclared;
    ChooseRow(mainWindowParts.productCombo, undeclared ? -1 : record->settings[kProducts],
              LabelRowCount(productNames));
    ChooseRow(mainWindowParts.touchModeCombo, undeclared ? -1 : record->settings[kTouchMode],
              LabelRowCount(touchModeNames));
    for (const SettingScale& scale : kSettingScales) {
        const int value = record->settings[scale.entry];
        gtk_adjustment_set_value(AdjustmentOf(*scale.scale), value);
        ShowScaleValue(scale, value);
    }
    gtk_toggle_button_set_active(GTK_TOGGLE_BUTTON(beepCheck), record->settings[kSound] != 0);
    gtk_toggle_button_set_active(GTK_TOGGLE_BUTTON(rclickCheck),
                                 record->settings[kRclickHold] != 0);
    gtk_spin_button_set_value(GTK_SPIN_BUTTON(calibBorderSpin),
                              std::lround(static_cast<double>(record->borderRatio) * 100.0));
}

}  // namespace

void AddScrnDialog(GtkWidget* /*widget*/, gpointer /*data*/) {
    GtkWidget* dialog = gtk_dialog_new();
    gtk_widget_set_name(dialog, kAddScreenDialogName);
    gtk_container_set_border_width(GTK_CONTAINER(dialog), 5);
    gtk_window_set_transient_for(GTK_WINDOW(dialog), GTK_WINDOW(mainWindow));
    g_signal_connect(dialog, "destroy", G_CALLBACK(QuitNestedLoop), nullptr);
    gtk_window_set_title(GTK_WINDOW(dialog), LabelText(addScreenLabels, kAddScreenTitle));

    GtkWidget* box = gtk_box_new(GTK_ORIENTATION_VERTICAL, 0);
    gtk_box_pack_start(GTK_BOX(gtk_dialog_get_content_area(GTK_DIALOG(dialog))), box, TRUE, TRUE,
                       0);
    gtk_box_pack_start(GTK_BOX(Row(box)),
                       gtk_label_new(LabelText(addScreenLabels, kAddScreenPrompt)), TRUE, TRUE, 0);

    GtkWidget* spinRow = Row(box);
    GtkWidget* spinLabel = gtk_label_new(LabelText(addScreenLabels, kAddScreenSpinLabel));
    gtk_label_set_xalign(GTK_LABEL(spinLabel), 1.0f);
    gtk_box_pack_start(GTK_BOX(spinRow), spinLabel, TRUE, TRUE, 0);
    GtkAdjustment* adjustment =
        gtk_adjustment_new(kAddScreenLowest, kAddScreenLowest, kAddScreenHighest, 1, 1, 0);
    GtkWidget* spin = SteppingOnly(gtk_spin_button_new(adjustment, 0, 0));
    gtk_widget_set_name(spin, LabelText(addScreenLabels, kAddScreenSpinName));
    gtk_label_set_mnemonic_widget(GTK_LABEL(spinLabel), spin);
    gtk_box_pack_start(GTK_BOX(spinRow), spin, TRUE, TRUE, 0);

    GtkWidget* add = ActionButton(dialog, kAddScreenAdd, kAddScreenAddName);
    g_signal_connect(add, "clicked", G_CALLBACK(AddScrn), spin);
    g_signal_connect_swapped(add, "clicked", G_CALLBACK(gtk_widget_destroy), dialog);

    GtkWidget* cancel = ActionButton(dialog, kAddScreenCancel, kAddScreenCancelName);
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
    SetActiveOkApplayBtn(nullptr, nullptr);
    if (isRoot != 0) {
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
