// The Information page: the versions of the driver and of the utility.
#ifndef PANELCONF_UI_INFORMATIONPAGE_H
#define PANELCONF_UI_INFORMATIONPAGE_H

#include <gtk/gtk.h>

#include "driverlink/blockops.h"

// Fills the page; the driver's version is the one handed, or "Unknown" for
// nullptr (no driver block).
void BuildInformationPage(GtkWidget* page, const DriverVersion* driverVersion);

#endif
