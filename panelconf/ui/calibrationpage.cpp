#include "ui/calibrationpage.h"

#include "devicerecord.h"
#include "driverlink/calibtargets.h"
#include "labels.h"
#include "ui/widgets.h"
#include "ui/packing.h"

void BuildCalibrationPage(GtkWidget* page, DeviceRecord* record) {
    GtkWidget* box = HBox(3);
    PackFrame(page, LabelText(calibrationPageLabels, kCalibrationPoints), GTK_SHADOW_ETCHED_IN,
              FALSE, 10, box);
    calibPoints4Radio = Named(gtk_radio_button_new_with_label(nullptr, "4"), "calibPoints4Radio");
    calibPoints9Radio =
        Named(gtk_radio_button_new_with_label_from_widget(GTK_RADIO_BUTTON(calibPoints4Radio), "9"),
              "calibPoints9Radio");
    calibPoints25Radio = Named(
        gtk_radio_button_new_with_label_from_widget(GTK_RADIO_BUTTON(calibPoints4Radio), "25"),
        "calibPoints25Radio");
    for (GtkWidget* radio : {calibPoints4Radio, calibPoints9Radio, calibPoints25Radio}) {
        PackStart(box, radio, FALSE, TRUE, 0);
    }
    calibPointsGroup = gtk_radio_button_get_group(GTK_RADIO_BUTTON(calibPoints25Radio));
    // 4 is already active as the first of the group; an unknown count shows 9.
    if (calibPointsNum == 25) {
        gtk_toggle_button_set_active(GTK_TOGGLE_BUTTON(calibPoints25Radio), TRUE);
    } else if (calibPointsNum != 4) {
        gtk_toggle_button_set_active(GTK_TOGGLE_BUTTON(calibPoints9Radio), TRUE);
    }

    GtkWidget* borderFrame =
        Frame(LabelText(calibrationPageLabels, kCalibrationBorder), GTK_SHADOW_ETCHED_IN);
    gtk_widget_set_size_request(borderFrame, 500, 70);
    PackStart(page, borderFrame, FALSE, FALSE, 0);
    if (record->borderRatio < kMinCalibBorderRatio) {
        record->borderRatio = kMinCalibBorderRatio;
    }
    calibBorderSpin = Named(SpinButton(static_cast<double>(record->borderRatio) * 100.0, 1, 10),
                            "calibBorderSpin");
    gtk_container_add(GTK_CONTAINER(borderFrame), calibBorderSpin);
    NameControl(gtk_frame_get_label_widget(GTK_FRAME(borderFrame)), calibBorderSpin);
}
