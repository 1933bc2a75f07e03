#include "ui/packing.h"

void PackStart(GtkWidget* box, GtkWidget* child, gboolean expand, gboolean fill, guint padding) {
    gtk_box_pack_start(GTK_BOX(box), child, expand, fill, padding);
}

void PackEnd(GtkWidget* box, GtkWidget* child, gboolean expand, gboolean fill, guint padding) {
    gtk_box_pack_end(GTK_BOX(box), child, expand, fill, padding);
}

GtkWidget* HBox(int spacing) { return gtk_box_new(GTK_ORIENTATION_HORIZONTAL, spacing); }

GtkWidget* VBox(int spacing) { return gtk_box_new(GTK_ORIENTATION_VERTICAL, spacing); }

GtkWidget* Label(const char* text) { return gtk_label_new(text); }

void Attach(GtkWidget* grid, GtkWidget* child, int left, int right, int top, int bottom,
            CellOption x, CellOption y) {
    gtk_widget_set_halign(child, x == kShrink ? GTK_ALIGN_CENTER : GTK_ALIGN_FILL);
    gtk_widget_set_valign(child, y == kShrink ? GTK_ALIGN_CENTER : GTK_ALIGN_FILL);
    gtk_widget_set_hexpand(child, x == kExpandFill);
    gtk_widget_set_vexpand(child, y == kExpandFill);
    gtk_grid_attach(GTK_GRID(grid), child, left, top, right - left, bottom - top);
}

GtkWidget* Frame(const char* title, GtkShadowType shadow) {
    GtkWidget* frame = gtk_frame_new(title);
    gtk_frame_set_shadow_type(GTK_FRAME(frame), shadow);
    return frame;
}

GtkWidget* PackFrame(GtkWidget* box, const char* title, GtkShadowType shadow, gboolean expand,
                     guint padding, GtkWidget* child, guint border) {
    GtkWidget* frame = Frame(title, shadow);
    PackStart(box, frame, expand, expand, padding);
    gtk_container_set_border_width(GTK_CONTAINER(child), border);
    gtk_container_add(GTK_CONTAINER(frame), child);
    return frame;
}

GtkWidget* Scale(double value, double lower, double upper, double step, double page,
                 double pageSize) {
    GtkAdjustment* adjustment = gtk_adjustment_new(value, lower, upper, step, page, pageSize);
    GtkWidget* scale = gtk_scale_new(GTK_ORIENTATION_HORIZONTAL, adjustment);
    gtk_scale_set_draw_value(GTK_SCALE(scale), FALSE);
    gtk_scale_set_digits(GTK_SCALE(scale), 0);
    return scale;
}

GtkWidget* SpinButton(double value, double lower, double upper) {
    GtkAdjustment* adjustment = gtk_adjustment_new(value, lower, upper, 1, 1, 0);
    GtkWidget* spin = gtk_spin_button_new(adjustment, 0, 0);
    gtk_editable_set_editable(GTK_EDITABLE(spin), FALSE);
    gtk_spin_button_set_numeric(GTK_SPIN_BUTTON(spin), TRUE);
    return spin;
}

GtkWidget* Button(const char* text, int width, int height) {
    GtkWidget* button = gtk_button_new_with_label(text);
    if (width > 0) {
        gtk_widget_set_size_request(button, width, height);
    }
    return button;
}

GtkWidget* ComboOf(const char* const* rows, int count) {
    GtkWidget* combo = gtk_combo_box_text_new();
    for (int i = 0; i < count && rows[i] != nullptr; ++i) {
        gtk_combo_box_text_append_text(GTK_COMBO_BOX_TEXT(combo), rows[i]);
    }
    return combo;
}

GtkWidget* Named(GtkWidget* widget, const char* name) {
    gtk_widget_set_name(widget, name);
    return widget;
}

void ChooseRow(GtkWidget* combo, int row, int rowCount) {
    gtk_combo_box_set_active(GTK_COMBO_BOX(combo), (row >= 0 && row < rowCount) ? row : -1);
}

void SetSensitive(GtkWidget* widget, gboolean sensitive) {
    if (widget != nullptr && gtk_widget_get_sensitive(widget) != sensitive) {
        gtk_widget_set_sensitive(widget, sensitive);
    }
}

void ApplySensitivity(GtkWidget* widget, Sensitivity sensitivity) {
    if (sensitivity != Sensitivity::kKeep) {
        SetSensitive(widget, sensitivity == Sensitivity::kOn);
    }
}
