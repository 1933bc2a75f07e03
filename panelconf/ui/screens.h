// Screens: adding a device record for another X screen and switching the
// window to the screen the spin shows.
#ifndef PANELCONF_UI_SCREENS_H
#define PANELCONF_UI_SCREENS_H

#include <gtk/gtk.h>

// Widget name of the Add Screen dialog window and its two buttons.
constexpr const char* kAddScreenDialogName = "AddScreenDialog";
constexpr const char* kAddScreenAddName = "addScreenAdd";
constexpr const char* kAddScreenCancelName = "addScreenCancel";

// "clicked" of the Add button of the top bar: the modal Add Screen dialog,
// waited for in a nested main loop.
void AddScrnDialog(GtkWidget* widget, gpointer data);

// "clicked" of the dialog's Add button; `spin` is the dialog's spin button.
// Appends an Undeclared record for the chosen screen unless one exists and
// widens the screen spin's range; the window keeps showing its screen.
void AddScrn(GtkWidget* widget, gpointer spin);

// "value-changed" of screenSpin: makes the screen's record current and loads
// the Main page's link controls and the Driver page from it. A number that no
// record has leaves the previous record current and those controls
// insensitive.
void SelectScreen(GtkWidget* spin, gpointer data);

void ConnectScreenHandlers();

#endif
