#include "ui/driverstatus.h"

#include "devicerecord.h"
#include "ui/applyokcancel.h"
#include "ui/changenotice.h"
#include "labels.h"
#include "language.h"
#include "ui/handlerblock.h"
#include "ui/widgets.h"
#include "ui/packing.h"

namespace {

// Label of the first active radio of the group, nullptr when none is.
const char* ActiveStatusLabel() {
    for (GSList* item = statusRadioGroup; item != nullptr; item = item->next) {
        if (gtk_toggle_button_get_active(GTK_TOGGLE_BUTTON(item->data))) {
            return gtk_button_get_label(GTK_BUTTON(item->data));
        }
    }
    return nullptr;
}

}  // namespace

void ApplyLinkControlsPlan(const LinkControlsPlan& plan) {
    HandlersBlocked quiet({{portCombo, portSelectHid},
                           {speedCombo, speedSelectHid},
                           {AdjustmentOf(samplingScale), samplingHid}});

    if (plan.statusRadios != Sensitivity::kKeep) {
        for (GSList* item = statusRadioGroup; item != nullptr; item = item->next) {
            ApplySensitivity(GTK_WIDGET(item->data), plan.statusRadios);
        }
    }
    if (plan.setSampling) {
        gtk_adjustment_set_value(AdjustmentOf(samplingScale), plan.samplingValue);
    }
    gtk_combo_box_set_active(GTK_COMBO_BOX(portCombo), plan.portRow);
    gtk_combo_box_set_active(GTK_COMBO_BOX(speedCombo), plan.speedRow);
    ApplySensitivity(portCombo, plan.port);
    ApplySensitivity(speedCombo, plan.speed);
    ApplySensitivity(samplingScale, plan.sampling);
    ApplySensitivity(calibrationButton, plan.calibration);
}

void ShowStatusRadio(DeviceStatus status) {
    const char* wanted = LabelText(statusNames, status);
    HandlersBlocked quiet;
    AddStatusToggles(quiet);
    for (GSList* item = statusRadioGroup; item != nullptr; item = item->next) {
        if (g_strcmp0(gtk_button_get_label(GTK_BUTTON(item->data)), wanted) == 0) {
            gtk_toggle_button_set_active(GTK_TOGGLE_BUTTON(item->data), TRUE);
            break;
        }
    }
    ShowDriverStatus(status);
}

void StatChkCallBack(GtkWidget* button, gpointer /*data*/) {
    SetSensitive(button, FALSE);
    SetActiveOkApplayBtn(nullptr, nullptr);
    // Whatever happens below, the X server only learns of a status at its
    // next start.
    restartNeeded = 1;

    const DeviceStatus status = StatusForLabel(ActiveStatusLabel(), languageIndex);
    DeviceRecord* record = SpinScreenRecord();
    if (record == nullptr) {
        g_log(nullptr, G_LOG_LEVEL_WARNING, "%s", "Not Found the Config Parameter");
        return;
    }
    SetRecordStatus(record, status);
    ApplyLinkControlsPlan(PlanStatusChange(*record));
    ShowDriverStatus(record->status);
}

void ShowDriverStatus(int status) {
    const int row =
        (status == kStatusEnable || status == kStatusDisable) ? status : kStatusUndeclared;
    gtk_statusbar_pop(GTK_STATUSBAR(statusBar), statusContextId);
    gtk_statusbar_push(GTK_STATUSBAR(statusBar), statusContextId, LabelText(statusBarTexts, row));
}

void ConnectDriverStatusHandlers() {
    g_signal_connect(changeStatusButton, "clicked", G_CALLBACK(StatChkCallBack), nullptr);
}

void BuildDriverPage(GtkWidget* page, const DeviceRecord* record) {
    GtkWidget* box = VBox(5);
    PackFrame(page, LabelText(driverPageLabels, kDriverStatusFrame), GTK_SHADOW_ETCHED_OUT, FALSE,
              0, box, 5);

    static const char* const kRadioNames[3] = {"statusEnableRadio", "statusDisableRadio",
                                               "statusUndeclaredRadio"};
    GtkWidget* previous = nullptr;
    for (int i = 0; i < 3; ++i) {
        GtkWidget* radio = gtk_radio_button_new_with_label_from_widget(
            previous ? GTK_RADIO_BUTTON(previous) : nullptr,
            LabelText(driverPageLabels, kDriverEnable + i));
        Named(radio, kRadioNames[i]);
        PackStart(box, radio, FALSE, TRUE, 0);
        mainWindowParts.statusRadios[i] = radio;
        previous = radio;
    }
    statusRadioGroup = gtk_radio_button_get_group(GTK_RADIO_BUTTON(previous));

    const int wantedRow = record->status == kStatusEnable    ? kDriverEnable
                          : record->status == kStatusDisable ? kDriverDisable
                                                             : kDriverUndeclared;
    const char* wanted = LabelText(driverPageLabels, wantedRow);
    for (GSList* item = statusRadioGroup; item != nullptr; item = item->next) {
        GtkWidget* radio = GTK_WIDGET(item->data);
        if (g_ascii_strcasecmp(gtk_button_get_label(GTK_BUTTON(radio)), wanted) == 0) {
            gtk_toggle_button_set_active(GTK_TOGGLE_BUTTON(radio), TRUE);
            break;
        }
    }

    PackStart(box, gtk_separator_new(GTK_ORIENTATION_HORIZONTAL), FALSE, FALSE, 0);
    GtkWidget* row = HBox(0);
    PackStart(box, row, FALSE, FALSE, 0);
    changeStatusButton = Named(Button(LabelText(driverPageLabels, kDriverChangeStatus), 160, 40),
                               "changeStatusButton");
    gtk_widget_set_sensitive(changeStatusButton, FALSE);
    PackEnd(row, changeStatusButton, FALSE, FALSE, 0);
}
