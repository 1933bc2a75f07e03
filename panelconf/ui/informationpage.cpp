#include "ui/informationpage.h"

#include "driverlink/blockops.h"
#include "labels.h"
#include "ui/mainwindow.h"
#include "ui/packing.h"
#include "ui/sharedmeminit.h"

void BuildInformationPage(GtkWidget* page) {
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

    if (SharedMemInit(&driverBlock) == 0) {
        g_print("  -> Failed to SharedMemInit.\n");
    }
    GtkWidget* driverVersion;
    DriverVersion version{};
    if (ReadDriverVersion(driverBlock, &version)) {
        gchar* text = g_strdup_printf("%d.%d.%d", version.major, version.minor, version.build);
        driverVersion = Label(text);
        g_free(text);
    } else {
        driverVersion = Label(LabelText(informationPageLabels, kInformationUnknown));
    }
    mainWindowParts.driverVersionLabel = Named(driverVersion, "driverVersionLabel");
    Attach(table, driverVersion, 2, 3, 1, 2, kShrink, kShrink);

    PackEnd(page, Label(LabelText(productTitleLabels, kProductRights)), FALSE, FALSE, 0);
}
