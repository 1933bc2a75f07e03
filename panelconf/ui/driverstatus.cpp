#include "ui/driverstatus.h"

#include "devicerecord.h"
#include "ui/applyokcancel.h"
#include "labels.h"
#include "language.h"
#include "ui/mainwindow.h"

namespace {

void Apply(GtkWidget* widget, Sensitivity sensitivity) {
    if (sensitivity != Sensitivity::kKeep) {
        SetSensitive(widget, sensitivity == Sensitivity::kOn);
    }
}

// Kept ids are zero until their handler is connected.
void BlockKept(gpointer instance, gulong id) {
    if (id != 0) {
        g_signal_handler_block(instance, id);
    }
}

void UnblockKept(gpointer instance, gulong id) {
    if (id != 0) {
        g_signal_handler_unblock(instance, id);
    }
}

GtkAdjustment* SamplingAdjustment() {
    return gtk_range_get_adjustment(GTK_RANGE(samplingScale));
}

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
    BlockKept(portCombo, portSelectHid);
    BlockKept(speedCombo, speedSelectHid);
    BlockKept(SamplingAdjustment(), samplingHid);

    if (plan.statusRadios != Sensitivity::kKeep) {
        for (GSList* item = statusRadioGroup; item != nullptr; item = item->next) {
            Apply(GTK_WIDGET(item->data), plan.statusRadios);
        }
    }
    if (plan.setSampling) {
        gtk_adjustment_set_value(SamplingAdjustment(), plan.samplingValue);
    }
    gtk_combo_box_set_active(GTK_COMBO_BOX(portCombo), plan.portRow);
    gtk_combo_box_set_active(GTK_COMBO_BOX(speedCombo), plan.speedRow);
    Apply(portCombo, plan.port);
    Apply(speedCombo, plan.speed);
    Apply(samplingScale, plan.sampling);
    Apply(calibrationButton, plan.calibration);

    UnblockKept(SamplingAdjustment(), samplingHid);
    UnblockKept(speedCombo, speedSelectHid);
    UnblockKept(portCombo, portSelectHid);
}

void ShowStatusRadio(DeviceStatus status) {
    const char* wanted = LabelText(statusNames, status);
    BlockStatusToggles(true);
    for (GSList* item = statusRadioGroup; item != nullptr; item = item->next) {
        if (g_strcmp0(gtk_button_get_label(GTK_BUTTON(item->data)), wanted) == 0) {
            gtk_toggle_button_set_active(GTK_TOGGLE_BUTTON(item->data), TRUE);
            break;
        }
    }
    BlockStatusToggles(false);
    ShowDriverStatus(status);
}

void StatChkCallBack(GtkWidget* button, gpointer /*data*/) {
    SetSensitive(button, FALSE);
    if (isRoot != 0) {
        SetSensitive(applyButton, TRUE);
        SetSensitive(okButton, TRUE);
    }
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

void ConnectDriverStatusHandlers() {
    g_signal_connect(changeStatusButton, "clicked", G_CALLBACK(StatChkCallBack), nullptr);
}
