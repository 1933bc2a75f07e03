// The Information page: the versions of the driver and of the utility. The
// driver block is attached while it is built, so that the driver's version
// can be shown.
#ifndef PANELCONF_UI_INFORMATIONPAGE_H
#define PANELCONF_UI_INFORMATIONPAGE_H

#include <gtk/gtk.h>

// Attaches the driver block (SharedMemInit) and fills the page.
void BuildInformationPage(GtkWidget* page);

#endif
