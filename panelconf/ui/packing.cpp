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

namespace {

// Set while a stepping spin button writes its own value into its text: the
// only time that text may change.
const char kOwnTextKey[] = "panel-spin-own-text";

bool WritingOwnText(GtkWidget* spin) {
    return g_object_get_data(G_OBJECT(spin), kOwnTextKey) != nullptr;
}

// The spin button shows its value itself, marked as its own change, so that
// the text guards below let exactly this through.
gboolean ShowOwnValue(GtkSpinButton* spin, gpointer /*data*/) {
    gchar* text = g_strdup_printf("%.*f", gtk_spin_button_get_digits(spin),
                                  gtk_adjustment_get_value(gtk_spin_button_get_adjustment(spin)));
    if (g_strcmp0(text, gtk_entry_get_text(GTK_ENTRY(spin))) != 0) {
        g_object_set_data(G_OBJECT(spin), kOwnTextKey, GINT_TO_POINTER(1));
        gtk_entry_set_text(GTK_ENTRY(spin), text);
        g_object_set_data(G_OBJECT(spin), kOwnTextKey, nullptr);
    }
    g_free(text);
    return TRUE;
}

// Typing, pasting, dropping, deleting and cutting all pass through these two
// signals; stopping them keeps the text the value's own.
void RefuseInsert(GtkEditable* editable, gchar* /*text*/, gint /*length*/, gint* /*position*/,
                  gpointer /*data*/) {
    if (!WritingOwnText(GTK_WIDGET(editable))) {
        g_signal_stop_emission_by_name(editable, "insert-text");
    }
}

void RefuseDelete(GtkEditable* editable, gint /*start*/, gint /*end*/, gpointer /*data*/) {
    if (!WritingOwnText(GTK_WIDGET(editable))) {
        g_signal_stop_emission_by_name(editable, "delete-text");
    }
}

}  // namespace

GtkWidget* SpinButton(double value, double lower, double upper) {
    GtkAdjustment* adjustment = gtk_adjustment_new(value, lower, upper, 1, 1, 0);
    return SteppingOnly(gtk_spin_button_new(adjustment, 0, 0));
}

GtkWidget* SteppingOnly(GtkWidget* spin) {
    // GTK 3.24 ignores the buttons, the arrow and page keys and the wheel of
    // a spin button whose entry is not editable, so the entry stays editable
    // and its text refuses every change but the spin button's own.
    gtk_spin_button_set_numeric(GTK_SPIN_BUTTON(spin), TRUE);
    g_signal_connect(spin, "output", G_CALLBACK(ShowOwnValue), nullptr);
    g_signal_connect(spin, "insert-text", G_CALLBACK(RefuseInsert), nullptr);
    g_signal_connect(spin, "delete-text", G_CALLBACK(RefuseDelete), nullptr);
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

GtkWidget* NameControl(GtkWidget* label, GtkWidget* control) {
    // The relation tells a screen reader which label belongs to the control;
    // GTK does not make the label's text the control's name by itself (a
    // combo would be called by its chosen item, a scale not at all).
    gtk_label_set_mnemonic_widget(GTK_LABEL(label), control);
    atk_object_set_name(gtk_widget_get_accessible(control), gtk_label_get_text(GTK_LABEL(label)));
    return label;
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
