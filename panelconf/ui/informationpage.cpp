#include "ui/informationpage.h"

#include "labels.h"
#include "ui/widgets.h"
#include "ui/packing.h"

void BuildInformationPage(GtkWidget* page, const DriverVersion* driverVersion) {
    GtkWidget* table = gtk_grid_new();
    PackFrame(page, LabelText(informationPageLabels, kInformationVersion), GTK_SHADOW_ETCHED_IN,
              FALSE, 0, table, 10);

    GtkWidget* title = Label(LabelText(productTitleLabels, kProductTitle));
    gtk_widget_set_margin_bottom(title, 10);
    Attach(table, title, 0, 3, 0, 1, kShrink, kShrink);
    Attach(table, Label(LabelText(informationPageLabels, kInformationDriver)), 0, 1, 1, 2, kShrink,
           kShrink);
    Attach(table, Label(":"), 1, 2, 1, 2, kShrink, kShrink);
    Attach(table, Label(LabelText(informationPageLabels, kInformationUtility)), 0, 1, 2, 3, kShrink,
           kShrink);
    Attach(table, Label(":"), 1, 2, 2, 3, kShrink, kShrink);
    Attach(table, Label(kUtilityVersion), 2, 3, 2, 3, kShrink, kShrink);

    GtkWidget* version;
    if (driverVersion != nullptr) {
        gchar* text = g_strdup_printf("%d.%d.%d", driverVersion->major, driverVersion->minor,
                                      driverVersion->build);
        version = Label(text);
        g_free(text);
    } else {
        version = Label(LabelText(informationPageLabels, kInformationUnknown));
    }
    mainWindowParts.driverVersionLabel = Named(version, "driverVersionLabel");
    Attach(table, version, 2, 3, 1, 2, kShrink, kShrink);

    PackEnd(page, Label(LabelText(productTitleLabels, kProductRights)), FALSE, FALSE, 0);
}
