// The change notice: what a settings handler says after the user changed
// something, and the rule that only root can ever reach OK and Apply.
#ifndef PANELCONF_UI_CHANGENOTICE_H
#define PANELCONF_UI_CHANGENOTICE_H

#include <gtk/gtk.h>

// For root: makes Apply, then OK sensitive and raises restartNeeded. For any
// other user: nothing at all.
void MarkChanged();

// Handler ("pressed" of the point-count radios, "changed" of the border
// spin): the change notice without raising restartNeeded.
void SetActiveOkApplayBtn(GtkWidget* widget, gpointer data);

// Handler ("pressed" of each driver status radio): makes the Change button
// sensitive. Deliberately no root test; the radios themselves are
// insensitive for other users.
void toggle(GtkWidget* widget, gpointer data);

#endif
