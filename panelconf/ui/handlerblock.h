// The one way code sets widgets without it counting as the user's change:
// the kept handler ids of those widgets are blocked for the scope and
// unblocked when it ends, last first.
//
//   {
//       HandlersBlocked quiet({{portCombo, portSelectHid}, {speedCombo, speedSelectHid}});
//       gtk_combo_box_set_active(GTK_COMBO_BOX(portCombo), row);
//   }
#ifndef PANELCONF_UI_HANDLERBLOCK_H
#define PANELCONF_UI_HANDLERBLOCK_H

#include <gtk/gtk.h>

#include <initializer_list>
#include <vector>

// A kept id and the object its handler is connected to (for a scale, its
// adjustment).
struct KeptHandler {
    gpointer instance;
    gulong id;
};

class HandlersBlocked {
public:
    HandlersBlocked() = default;
    explicit HandlersBlocked(std::initializer_list<KeptHandler> handlers);
    ~HandlersBlocked();
    HandlersBlocked(const HandlersBlocked&) = delete;
    HandlersBlocked& operator=(const HandlersBlocked&) = delete;

    // Blocks one more, until the end of the scope.
    void Add(KeptHandler handler);

private:
    std::vector<KeptHandler> handlers_;
};

// The adjustment a scale's kept id is connected to.
GtkAdjustment* AdjustmentOf(GtkWidget* scale);

#endif
