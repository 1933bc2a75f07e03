// The window's widgets made and packed in the manner of the toolkit the
// window was laid out for: boxes with expand/fill/padding, table cells that
// shrink or fill, value-less scales, non-editable spin buttons, combos from a
// text list. Every page builder uses these, so the layout reads as it was
// designed.
#ifndef PANELCONF_UI_PACKING_H
#define PANELCONF_UI_PACKING_H

#include <gtk/gtk.h>

#include "sensitivity.h"

// Box packing: at the start or the end, expand, fill, padding on each side.
void PackStart(GtkWidget* box, GtkWidget* child, gboolean expand, gboolean fill, guint padding);
void PackEnd(GtkWidget* box, GtkWidget* child, gboolean expand, gboolean fill, guint padding);

GtkWidget* HBox(int spacing);
GtkWidget* VBox(int spacing);
GtkWidget* Label(const char* text);

// A table cell: without fill the child keeps its requested size, centred in
// the cell; with fill it takes the cell's width (or height). Expand lets the
// cell take free space.
enum CellOption { kShrink, kFill, kExpandFill };

// Attaches child to the grid from column line left to right and row line
// top to bottom.
void Attach(GtkWidget* grid, GtkWidget* child, int left, int right, int top, int bottom,
            CellOption x, CellOption y);

GtkWidget* Frame(const char* title, GtkShadowType shadow);

// A titled frame packed at the start of box (expanding and filling when
// expand is TRUE), holding child with a border of `border` pixels. Returns
// the frame.
GtkWidget* PackFrame(GtkWidget* box, const char* title, GtkShadowType shadow, gboolean expand,
                     guint padding, GtkWidget* child, guint border = 0);

// A horizontal scale that draws no value and shows 0 digits.
GtkWidget* Scale(double value, double lower, double upper, double step, double page,
                 double pageSize);

// A spin button whose text cannot be typed, pasted or deleted but whose
// buttons, Up/Down and Page keys and mouse wheel step its value; step and
// page 1, 0 digits.
GtkWidget* SpinButton(double value, double lower, double upper);

// Makes a spin button so (numeric, its text only ever showing its value).
// Returns the spin button.
GtkWidget* SteppingOnly(GtkWidget* spin);

// A button with a label; a positive width requests width x height.
GtkWidget* Button(const char* text, int width, int height);

// A combo listing the first `count` rows of a list, stopping early at a null
// entry (the label tables end with one, the speed table does not); nothing
// chosen.
GtkWidget* ComboOf(const char* const* rows, int count);

// Makes `label` the one that names `control`: screen readers read the
// label's text as the control's name. Returns the label.
GtkWidget* NameControl(GtkWidget* label, GtkWidget* control);

// Gives the widget its name (tests and tools find widgets by it).
GtkWidget* Named(GtkWidget* widget, const char* name);

// Chooses item `row` of a combo when it exists; otherwise nothing is chosen.
void ChooseRow(GtkWidget* combo, int row, int rowCount);

// Sets a widget's sensitivity, touching it only when it differs.
void SetSensitive(GtkWidget* widget, gboolean sensitive);

// Carries out what a plan asks of the widget's sensitivity.
void ApplySensitivity(GtkWidget* widget, Sensitivity sensitivity);

#endif
