// The main window: top bar, seven pages, bottom row, and the start-up rules
// that depend on the user's rights and on whether the X server has the
// driver loaded.
#include "ui/mainwindow.h"

#include <cstdlib>
#include <initializer_list>

#include "configsearch.h"
#include "devicerecord.h"
#include "ui/sharedmeminit.h"
#include "ui/dialogs.h"
#include "labels.h"
#include "language.h"

GtkWidget* mainWindow = nullptr;
GtkWidget* screenSpin = nullptr;
GtkWidget* statusBar = nullptr;
guint statusContextId = 0;
GtkWidget* portCombo = nullptr;
GtkWidget* speedCombo = nullptr;
GtkWidget* samplingScale = nullptr;
GtkWidget* calibrationButton = nullptr;
GSList* statusRadioGroup = nullptr;
GtkWidget* changeStatusButton = nullptr;
GSList* calibPointsGroup = nullptr;
GtkWidget* calibPoints4Radio = nullptr;
GtkWidget* calibPoints9Radio = nullptr;
GtkWidget* calibPoints25Radio = nullptr;
GtkWidget* calibBorderSpin = nullptr;
GtkWidget* tapTimeScale = nullptr;
GtkWidget* liftOffScale = nullptr;
GtkWidget* stabilizeScale = nullptr;
GtkWidget* averageScale = nullptr;
GtkWidget* tapTimeValueLabel = nullptr;
GtkWidget* liftOffValueLabel = nullptr;
GtkWidget* stabilizeValueLabel = nullptr;
GtkWidget* averageValueLabel = nullptr;
GtkWidget* beepCheck = nullptr;
GtkWidget* rclickCheck = nullptr;
GtkWidget* holdScale = nullptr;
GtkWidget* spatialScale = nullptr;
GtkWidget* commModeCheck = nullptr;
GtkWidget* transmitEntry = nullptr;
GtkWidget* transmitButton = nullptr;
GtkWidget* receiveList = nullptr;
GtkWidget* applyButton = nullptr;
GtkWidget* okButton = nullptr;

gulong portSelectHid = 0;
gulong speedSelectHid = 0;
gulong samplingHid = 0;
gulong tapTimeHid = 0;
gulong liftOffHid = 0;
gulong stabilizeHid = 0;
gulong averageHid = 0;
gulong beepHid = 0;
gulong rclickHid = 0;
gulong holdHid = 0;
gulong spatialHid = 0;
gulong commModeHid = 0;
gulong calibPointsToggleHids[3] = {};
gulong statusToggleHids[3] = {};

MainWindowParts mainWindowParts = {};

namespace {

constexpr int kReceiveRows = 15;
constexpr int kTransmitMaxChars = 15;
constexpr float kMinBorderRatio = 0.01f;
constexpr int kStatusUndeclaredRow = 2;

using driveropts::SettingIndex;

// GTK 1.2 box packing: start/end, expand, fill, padding.
void PackStart(GtkWidget* box, GtkWidget* child, gboolean expand, gboolean fill, guint padding) {
    gtk_box_pack_start(GTK_BOX(box), child, expand, fill, padding);
}

void PackEnd(GtkWidget* box, GtkWidget* child, gboolean expand, gboolean fill, guint padding) {
    gtk_box_pack_end(GTK_BOX(box), child, expand, fill, padding);
}

GtkWidget* HBox(int spacing) {
    return gtk_box_new(GTK_ORIENTATION_HORIZONTAL, spacing);
}

GtkWidget* VBox(int spacing) {
    return gtk_box_new(GTK_ORIENTATION_VERTICAL, spacing);
}

GtkWidget* Label(const char* text) {
    return gtk_label_new(text);
}

// A table cell in the manner of GTK 1.2: without fill the child keeps its
// requested size, centred in the cell; with fill it takes the cell's width
// (or height). Expand lets the cell take free space.
enum CellOption { kShrink, kFill, kExpandFill };

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

// A combo listing the first `count` rows of a list, stopping early at a null
// entry (the label tables end with one, the speed table does not); nothing
// chosen.
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

// Chooses item `row` of a combo when it exists; otherwise nothing is chosen.
void ChooseRow(GtkWidget* combo, int row, int rowCount) {
    gtk_combo_box_set_active(GTK_COMBO_BOX(combo), (row >= 0 && row < rowCount) ? row : -1);
}

void TopBar(GtkWidget* mainBox, const DeviceRecord* record) {
    GtkWidget* bar = HBox(10);
    PackStart(mainBox, bar, FALSE, FALSE, 0);
    PackStart(bar, Label(LabelText(windowLabels, 1)), FALSE, FALSE, 0);

    // The range covers every record's screen. Compared as unsigned numbers,
    // as the screen numbers are in the file.
    guint lowest = static_cast<guint>(record->screenNo);
    guint highest = lowest;
    for (GList* node = deviceList; node != nullptr; node = node->next) {
        auto screen = static_cast<guint>(static_cast<DeviceRecord*>(node->data)->screenNo);
        lowest = MIN(lowest, screen);
        highest = MAX(highest, screen);
    }
    screenSpin = Named(SpinButton(static_cast<guint>(record->screenNo), lowest, highest),
                       "screenSpin");
    PackStart(bar, screenSpin, FALSE, FALSE, 0);

    mainWindowParts.addScreenButton =
        Named(Button(LabelText(windowLabels, 2), 0, 0), "addScreenButton");
    PackStart(bar, mainWindowParts.addScreenButton, TRUE, TRUE, 0);

    statusBar = Named(gtk_statusbar_new(), "statusBar");
    statusContextId = gtk_statusbar_get_context_id(GTK_STATUSBAR(statusBar), "Driver Status");
    PackStart(bar, statusBar, TRUE, TRUE, 0);
    ShowDriverStatus(record->status);

    PackStart(mainBox, gtk_separator_new(GTK_ORIENTATION_HORIZONTAL), FALSE, FALSE, 0);
}

// Fills the Main page. Returns the text the port combo shows ("" when none).
const char* MainPage(GtkWidget* page, const DeviceRecord* record) {
    const bool undeclared = record->status == kStatusUndeclared;
    GtkWidget* table = gtk_grid_new();
    gtk_grid_set_column_spacing(GTK_GRID(table), 10);
    gtk_grid_set_row_spacing(GTK_GRID(table), 5);
    PackStart(page, table, TRUE, TRUE, 0);

    // The list shows the templates; the entry shows the path in use.
    GtkWidget* configCombo = Named(gtk_combo_box_text_new_with_entry(), "configCombo");
    for (const char* candidate : kConfigCandidates) {
        gtk_combo_box_text_append_text(GTK_COMBO_BOX_TEXT(configCombo), candidate);
    }
    GtkWidget* configEntry = gtk_bin_get_child(GTK_BIN(configCombo));
    gtk_editable_set_editable(GTK_EDITABLE(configEntry), FALSE);
    gtk_entry_set_text(GTK_ENTRY(configEntry), configPath);
    mainWindowParts.configCombo = configCombo;

    portCombo = Named(ComboOf(portNames, driveropts::kPortCount), "portCombo");
    // A device the port table does not hold shows no item: the file's text
    // is kept until the user picks a port.
    ChooseRow(portCombo, undeclared || record->keptDevice != nullptr ? -1 : record->portIndex,
              driveropts::kPortCount);

    speedCombo = Named(ComboOf(driveropts::kSpeedTexts, driveropts::kSpeedCount), "speedCombo");
    const char* portText = "";
    if (gtk_combo_box_get_active(GTK_COMBO_BOX(portCombo)) >= 0) {
        portText = portNames[gtk_combo_box_get_active(GTK_COMBO_BOX(portCombo))];
    }
    if (undeclared || g_strcmp0(portText, kUsbPortName) == 0) {
        ChooseRow(speedCombo, -1, driveropts::kSpeedCount);
        gtk_widget_set_sensitive(speedCombo, FALSE);
    } else {
        ChooseRow(speedCombo, record->keptBaudRate != nullptr ? -1 : record->speedIndex,
                  driveropts::kSpeedCount);
    }

    GtkWidget* productCombo = Named(ComboOf(productNames[languageIndex], LabelRowCount(productNames)), "productCombo");
    ChooseRow(productCombo, undeclared ? -1 : record->settings[driveropts::kProducts],
              LabelRowCount(productNames));
    mainWindowParts.productCombo = productCombo;

    GtkWidget* controls[] = {configCombo, portCombo, speedCombo, productCombo};
    for (int row = 0; row < 4; ++row) {
        Attach(table, Label(LabelText(mainPageLabels, row + 1)), 0, 1, row, row + 1, kShrink,
               kShrink);
        Attach(table, controls[row], 1, 2, row, row + 1, kExpandFill, kExpandFill);
    }

    GtkWidget* samplingFrame = Frame(LabelText(mainPageLabels, 5), GTK_SHADOW_ETCHED_IN);
    PackStart(page, samplingFrame, TRUE, TRUE, 0);
    GtkWidget* samplingBox = VBox(0);
    gtk_container_set_border_width(GTK_CONTAINER(samplingBox), 10);
    gtk_container_add(GTK_CONTAINER(samplingFrame), samplingBox);
    GtkWidget* ends = HBox(0);
    PackStart(samplingBox, ends, FALSE, FALSE, 0);
    PackStart(ends, Label(LabelText(mainPageLabels, 6)), FALSE, FALSE, 0);
    PackEnd(ends, Label(LabelText(mainPageLabels, 7)), FALSE, FALSE, 0);
    GtkWidget* scaleRow = HBox(0);
    PackStart(samplingBox, scaleRow, FALSE, FALSE, 0);
    // Page size 1 keeps the slider at 15 at most.
    samplingScale = Named(Scale(record->sampling, 0, 16, 1, 1, 1), "samplingScale");
    PackStart(scaleRow, samplingScale, TRUE, TRUE, 0);

    GtkWidget* calibrationFrame = Frame(LabelText(mainPageLabels, 8), GTK_SHADOW_IN);
    PackStart(page, calibrationFrame, TRUE, TRUE, 0);
    GtkWidget* outer = VBox(0);
    gtk_box_set_homogeneous(GTK_BOX(outer), TRUE);
    gtk_container_add(GTK_CONTAINER(calibrationFrame), outer);
    GtkWidget* inner = HBox(0);
    gtk_box_set_homogeneous(GTK_BOX(inner), TRUE);
    PackStart(outer, inner, FALSE, FALSE, 10);
    calibrationButton =
        Named(Button(LabelText(mainPageLabels, 8), 140, 40), "calibrationButton");
    PackStart(inner, calibrationButton, FALSE, FALSE, 10);
    return portText;
}

void DriverPage(GtkWidget* page, const DeviceRecord* record) {
    GtkWidget* frame = Frame(LabelText(driverPageLabels, 1), GTK_SHADOW_ETCHED_OUT);
    PackStart(page, frame, FALSE, FALSE, 0);
    GtkWidget* box = VBox(5);
    gtk_container_set_border_width(GTK_CONTAINER(box), 5);
    gtk_container_add(GTK_CONTAINER(frame), box);

    static const char* const kRadioNames[3] = {"statusEnableRadio", "statusDisableRadio",
                                               "statusUndeclaredRadio"};
    GtkWidget* previous = nullptr;
    for (int i = 0; i < 3; ++i) {
        GtkWidget* radio = gtk_radio_button_new_with_label_from_widget(
            previous ? GTK_RADIO_BUTTON(previous) : nullptr, LabelText(driverPageLabels, 2 + i));
        Named(radio, kRadioNames[i]);
        PackStart(box, radio, FALSE, TRUE, 0);
        mainWindowParts.statusRadios[i] = radio;
        previous = radio;
    }
    statusRadioGroup = gtk_radio_button_get_group(GTK_RADIO_BUTTON(previous));

    const int wantedRow = record->status == kStatusEnable    ? 2
                          : record->status == kStatusDisable ? 3
                                                             : 4;
    const char* wanted = LabelText(driverPageLabels, wantedRow);
    for (GSList* item = statusRadioGroup; item != nullptr; item = item->next) {
        GtkWidget* radio = GTK_WIDGET(item->data);
        if (g_ascii_strcasecmp(gtk_button_get_label(GTK_BUTTON(radio)), wanted) == 0) {
            gtk_toggle_button_set_active(GTK_TOGGLE_BUTTON(radio), TRUE);
            break;
        }
    }

    PackStart(box, gtk_separator_new(GTK_ORIENTATION_HORIZONTAL), FALSE, FALSE, 0);
    GtkWidget* row = HBox(0);
    PackStart(box, row, FALSE, FALSE, 0);
    changeStatusButton =
        Named(Button(LabelText(driverPageLabels, 5), 160, 40), "changeStatusButton");
    gtk_widget_set_sensitive(changeStatusButton, FALSE);
    PackEnd(row, changeStatusButton, FALSE, FALSE, 0);
}

void CalibrationPage(GtkWidget* page, DeviceRecord* record) {
    GtkWidget* pointsFrame = Frame(LabelText(calibrationPageLabels, 1), GTK_SHADOW_ETCHED_IN);
    PackStart(page, pointsFrame, FALSE, FALSE, 10);
    GtkWidget* box = HBox(3);
    gtk_container_add(GTK_CONTAINER(pointsFrame), box);
    calibPoints4Radio = Named(gtk_radio_button_new_with_label(nullptr, "4"), "calibPoints4Radio");
    calibPoints9Radio = Named(gtk_radio_button_new_with_label_from_widget(
                                  GTK_RADIO_BUTTON(calibPoints4Radio), "9"),
                              "calibPoints9Radio");
    calibPoints25Radio = Named(gtk_radio_button_new_with_label_from_widget(
                                   GTK_RADIO_BUTTON(calibPoints4Radio), "25"),
                               "calibPoints25Radio");
    for (GtkWidget* radio : {calibPoints4Radio, calibPoints9Radio, calibPoints25Radio}) {
        PackStart(box, radio, FALSE, TRUE, 0);
    }
    calibPointsGroup = gtk_radio_button_get_group(GTK_RADIO_BUTTON(calibPoints25Radio));
    // 4 is already active as the first of the group; an unknown count shows 9.
    if (calibPointsNum == 25) {
        gtk_toggle_button_set_active(GTK_TOGGLE_BUTTON(calibPoints25Radio), TRUE);
    } else if (calibPointsNum != 4) {
        gtk_toggle_button_set_active(GTK_TOGGLE_BUTTON(calibPoints9Radio), TRUE);
    }

    GtkWidget* borderFrame = Frame(LabelText(calibrationPageLabels, 2), GTK_SHADOW_ETCHED_IN);
    gtk_widget_set_size_request(borderFrame, 500, 70);
    PackStart(page, borderFrame, FALSE, FALSE, 0);
    if (record->borderRatio < kMinBorderRatio) {
        record->borderRatio = kMinBorderRatio;
    }
    calibBorderSpin =
        Named(SpinButton(static_cast<double>(record->borderRatio) * 100.0, 1, 10), "calibBorderSpin");
    gtk_container_add(GTK_CONTAINER(borderFrame), calibBorderSpin);
}

void SettingPage(GtkWidget* page, const DeviceRecord* record) {
    GtkWidget* modeRow = HBox(0);
    PackStart(page, modeRow, FALSE, FALSE, 0);
    PackStart(modeRow, Label(LabelText(settingPageLabels, 1)), FALSE, FALSE, 0);
    GtkWidget* touchModeCombo = Named(ComboOf(touchModeNames[languageIndex], LabelRowCount(touchModeNames)), "touchModeCombo");
    gtk_widget_set_size_request(touchModeCombo, 250, 40);
    ChooseRow(touchModeCombo,
              record->status == kStatusUndeclared ? -1 : record->settings[driveropts::kTouchMode],
              LabelRowCount(touchModeNames));
    PackStart(modeRow, touchModeCombo, FALSE, FALSE, 5);
    mainWindowParts.touchModeCombo = touchModeCombo;

    GtkWidget* scalesRow = HBox(10);
    PackStart(page, scalesRow, FALSE, FALSE, 0);
    GtkWidget* table = gtk_grid_new();
    PackStart(scalesRow, table, TRUE, TRUE, 0);

    struct ScaleRow {
        int gridRow;
        int labelRow;
        SettingIndex setting;
        double lower;
        double upper;
        GtkWidget** scale;
        GtkWidget** valueLabel;
        const char* name;
    };
    const ScaleRow rows[] = {
        {0, 2, driveropts::kTapTime, 1, 50, &tapTimeScale, &tapTimeValueLabel, "tapTimeScale"},
        {1, 3, driveropts::kLiftOffTime, 0, 50, &liftOffScale, &liftOffValueLabel, "liftOffScale"},
        {3, 4, driveropts::kStabilize, 0, 40, &stabilizeScale, &stabilizeValueLabel,
         "stabilizeScale"},
        {4, 5, driveropts::kAveraging, 0, 40, &averageScale, &averageValueLabel, "averageScale"},
    };
    for (const ScaleRow& row : rows) {
        const int value = record->settings[row.setting];
        Attach(table, Label(LabelText(settingPageLabels, row.labelRow)), 0, 1, row.gridRow,
               row.gridRow + 1, kShrink, kShrink);
        *row.scale = Named(Scale(value, row.lower, row.upper, 1, 1, 0), row.name);
        gtk_widget_set_size_request(*row.scale, 300, 40);
        Attach(table, *row.scale, 1, 2, row.gridRow, row.gridRow + 1, kFill, kFill);
        gchar* text = g_strdup_printf(" %d", value);
        *row.valueLabel = Label(text);
        g_free(text);
        Attach(table, *row.valueLabel, 2, 3, row.gridRow, row.gridRow + 1, kShrink, kShrink);
    }
    for (int column = 0; column < 3; ++column) {
        Attach(table, gtk_separator_new(GTK_ORIENTATION_HORIZONTAL), column, column + 1, 2, 3,
               kFill, kShrink);
    }

    PackStart(scalesRow, gtk_separator_new(GTK_ORIENTATION_VERTICAL), TRUE, FALSE, 0);
    GtkWidget* defaultBox = VBox(0);
    PackStart(scalesRow, defaultBox, TRUE, FALSE, 0);
    mainWindowParts.settingDefaultButton =
        Named(Button(LabelText(settingPageLabels, 6), 80, 30), "settingDefaultButton");
    PackEnd(defaultBox, mainWindowParts.settingDefaultButton, FALSE, FALSE, 0);
}

// A row of the Advanced page: " Short  " [scale] "  Long".
GtkWidget* ScaleWithEnds(GtkWidget* box, int leftRow, int rightRow, GtkWidget* scale) {
    GtkWidget* row = HBox(0);
    PackStart(box, row, FALSE, FALSE, 0);
    PackStart(row, Label(LabelText(advancedPageLabels, leftRow)), FALSE, FALSE, 0);
    gtk_widget_set_size_request(scale, 400, 20);
    PackStart(row, scale, FALSE, FALSE, 0);
    PackStart(row, Label(LabelText(advancedPageLabels, rightRow)), FALSE, FALSE, 0);
    return scale;
}

void CaptionRow(GtkWidget* box, int labelRow) {
    GtkWidget* row = HBox(0);
    PackStart(box, row, FALSE, FALSE, 0);
    PackStart(row, Label(LabelText(advancedPageLabels, labelRow)), FALSE, FALSE, 45);
}

void AdvancedPage(GtkWidget* page, const DeviceRecord* record) {
    beepCheck = Named(gtk_check_button_new_with_label(LabelText(advancedPageLabels, 1)),
                      "beepCheck");
    gtk_toggle_button_set_active(GTK_TOGGLE_BUTTON(beepCheck),
                                 record->settings[driveropts::kSound] != 0);
    PackStart(page, beepCheck, FALSE, FALSE, 0);

    GtkWidget* frame = Frame(LabelText(advancedPageLabels, 2), GTK_SHADOW_ETCHED_IN);
    PackStart(page, frame, TRUE, TRUE, 0);
    GtkWidget* box = VBox(5);
    gtk_container_add(GTK_CONTAINER(frame), box);

    rclickCheck = Named(gtk_check_button_new_with_label(LabelText(advancedPageLabels, 3)),
                        "rclickCheck");
    gtk_toggle_button_set_active(GTK_TOGGLE_BUTTON(rclickCheck),
                                 record->settings[driveropts::kRclickHold] != 0);
    PackStart(box, rclickCheck, FALSE, FALSE, 0);

    CaptionRow(box, 4);
    holdScale = Named(Scale(record->settings[driveropts::kRclickHoldDuration], 200, 3000, 100, 200,
                            0),
                      "holdScale");
    ScaleWithEnds(box, 5, 6, holdScale);
    CaptionRow(box, 7);
    spatialScale = Named(Scale(record->settings[driveropts::kRclickSpatialTolerance], 2, 30, 2, 5,
                               0),
                         "spatialScale");
    ScaleWithEnds(box, 8, 9, spatialScale);

    GtkWidget* defaultRow = HBox(0);
    PackStart(page, defaultRow, FALSE, FALSE, 0);
    mainWindowParts.advancedDefaultButton =
        Named(Button(LabelText(advancedPageLabels, 10), 90, 40), "advancedDefaultButton");
    PackStart(defaultRow, mainWindowParts.advancedDefaultButton, FALSE, FALSE, 5);
}

void CommunicationPage(GtkWidget* page, const char* portText) {
    commModeCheck = Named(gtk_check_button_new_with_label(LabelText(communicationPageLabels, 1)),
                          "commModeCheck");
    PackStart(page, commModeCheck, FALSE, FALSE, 0);

    GtkWidget* frame = Frame("", GTK_SHADOW_ETCHED_IN);
    PackStart(page, frame, TRUE, TRUE, 0);
    GtkWidget* box = HBox(10);
    gtk_container_add(GTK_CONTAINER(frame), box);

    GtkWidget* left = VBox(0);
    PackStart(box, left, FALSE, FALSE, 0);
    PackStart(left, Label(LabelText(communicationPageLabels, 2)), FALSE, FALSE, 2);
    transmitEntry = Named(gtk_entry_new(), "transmitEntry");
    gtk_entry_set_max_length(GTK_ENTRY(transmitEntry), kTransmitMaxChars);
    PackStart(left, transmitEntry, FALSE, FALSE, 5);
    transmitButton =
        Named(Button(LabelText(communicationPageLabels, 3), 40, 40), "transmitButton");
    PackStart(left, transmitButton, FALSE, FALSE, 5);

    GtkWidget* right = VBox(0);
    PackStart(box, right, FALSE, FALSE, 0);
    PackStart(right, Label(LabelText(communicationPageLabels, 4)), FALSE, FALSE, 0);
    GtkListStore* store = gtk_list_store_new(2, G_TYPE_STRING, G_TYPE_STRING);
    for (int i = 0; i < kReceiveRows; ++i) {
        GtkTreeIter iter;
        gtk_list_store_append(store, &iter);
        gtk_list_store_set(store, &iter, 0, "  ", 1, " ", -1);
    }
    receiveList = Named(gtk_tree_view_new_with_model(GTK_TREE_MODEL(store)), "receiveList");
    g_object_unref(store);
    gtk_tree_view_set_headers_visible(GTK_TREE_VIEW(receiveList), FALSE);
    gtk_tree_selection_set_mode(gtk_tree_view_get_selection(GTK_TREE_VIEW(receiveList)),
                                GTK_SELECTION_NONE);
    for (int column = 0; column < 2; ++column) {
        GtkTreeViewColumn* viewColumn = gtk_tree_view_column_new_with_attributes(
            "", gtk_cell_renderer_text_new(), "text", column, nullptr);
        if (column == 0) {
            gtk_tree_view_column_set_sizing(viewColumn, GTK_TREE_VIEW_COLUMN_FIXED);
            gtk_tree_view_column_set_fixed_width(viewColumn, 300);
        }
        gtk_tree_view_append_column(GTK_TREE_VIEW(receiveList), viewColumn);
    }
    // The list's own outward shadow. The list keeps the width it has with
    // its blank rows: a long line from the controller is cut in the view (the
    // model holds it whole) instead of widening the window past the screen.
    GtkWidget* listView = gtk_scrolled_window_new(nullptr, nullptr);
    gtk_scrolled_window_set_shadow_type(GTK_SCROLLED_WINDOW(listView), GTK_SHADOW_OUT);
    gtk_scrolled_window_set_policy(GTK_SCROLLED_WINDOW(listView), GTK_POLICY_EXTERNAL,
                                   GTK_POLICY_NEVER);
    gtk_container_add(GTK_CONTAINER(listView), receiveList);
    int listWidth = 0;
    gtk_widget_get_preferred_width(receiveList, nullptr, &listWidth);
    gtk_scrolled_window_set_min_content_width(GTK_SCROLLED_WINDOW(listView), listWidth);
    PackStart(right, listView, FALSE, FALSE, 2);

    // The USB link has no serial line to test.
    if (g_strcmp0(portText, kUsbPortName) == 0) {
        for (GtkWidget* widget : {commModeCheck, transmitEntry, receiveList, transmitButton}) {
            gtk_widget_set_sensitive(widget, FALSE);
        }
    }
}

void InformationPage(GtkWidget* page) {
    GtkWidget* frame = Frame(LabelText(informationPageLabels, 1), GTK_SHADOW_ETCHED_IN);
    PackStart(page, frame, FALSE, FALSE, 0);
    GtkWidget* table = gtk_grid_new();
    gtk_container_set_border_width(GTK_CONTAINER(table), 10);
    gtk_container_add(GTK_CONTAINER(frame), table);

    GtkWidget* title = Label(LabelText(productTitleLabels, 0));
    gtk_widget_set_margin_bottom(title, 10);
    Attach(table, title, 0, 3, 0, 1, kShrink, kShrink);
    Attach(table, Label(LabelText(informationPageLabels, 2)), 0, 1, 1, 2, kShrink, kShrink);
    Attach(table, Label(":"), 1, 2, 1, 2, kShrink, kShrink);
    Attach(table, Label(LabelText(informationPageLabels, 3)), 0, 1, 2, 3, kShrink, kShrink);
    Attach(table, Label(":"), 1, 2, 2, 3, kShrink, kShrink);
    Attach(table, Label(kUtilityVersion), 2, 3, 2, 3, kShrink, kShrink);

    if (SharedMemInit(&driverBlock) == 0) {
        g_print("  -> Failed to SharedMemInit.\n");
    }
    GtkWidget* driverVersion;
    if (driverBlock != nullptr) {
        gchar* text = g_strdup_printf("%d.%d.%d", driverBlock->versionMajor,
                                      driverBlock->versionMinor, driverBlock->versionBuild);
        driverVersion = Label(text);
        g_free(text);
    } else {
        driverVersion = Label(LabelText(informationPageLabels, 4));
    }
    mainWindowParts.driverVersionLabel = Named(driverVersion, "driverVersionLabel");
    Attach(table, driverVersion, 2, 3, 1, 2, kShrink, kShrink);

    PackEnd(page, Label(LabelText(productTitleLabels, 1)), FALSE, FALSE, 0);
}

void BottomRow(GtkWidget* mainBox) {
    GtkWidget* row = HBox(10);
    gtk_box_set_homogeneous(GTK_BOX(row), TRUE);
    PackEnd(mainBox, row, FALSE, FALSE, 0);
    PackEnd(mainBox, gtk_separator_new(GTK_ORIENTATION_HORIZONTAL), FALSE, FALSE, 0);

    // Packed from the end: they read OK, Cancel, Apply.
    applyButton = Named(Button(LabelText(windowLabels, 5), 80, 40), "applyButton");
    PackEnd(row, applyButton, TRUE, TRUE, 0);
    GtkWidget* cancelButton = Named(Button(LabelText(windowLabels, 4), 0, 0), "cancelButton");
    PackEnd(row, cancelButton, TRUE, TRUE, 0);
    gtk_widget_set_can_default(cancelButton, TRUE);
    gtk_widget_grab_default(cancelButton);
    // Return must reach Cancel: an entry or spin button holding the focus
    // would take the key for itself.
    gtk_widget_grab_focus(cancelButton);
    okButton = Named(Button(LabelText(windowLabels, 3), 80, 40), "okButton");
    PackEnd(row, okButton, TRUE, TRUE, 0);
    mainWindowParts.cancelButton = cancelButton;
}

// Centres the window on its screen at its final size. The window was mapped
// before its contents existed, so the window manager's first placement was
// for the empty window.
void CentreWindow() {
    gtk_window_set_position(GTK_WINDOW(mainWindow), GTK_WIN_POS_CENTER);
    if (!gtk_widget_get_mapped(mainWindow)) {
        return;
    }
    GtkRequisition size;
    gtk_widget_get_preferred_size(mainWindow, nullptr, &size);
    GdkScreen* screen = gtk_widget_get_screen(mainWindow);
    GdkRectangle area;
    GdkDisplay* display = gdk_screen_get_display(screen);
    GdkMonitor* monitor = gdk_display_get_primary_monitor(display);
    if (monitor == nullptr) {
        monitor = gdk_display_get_monitor(display, 0);
    }
    if (monitor == nullptr) {
        return;
    }
    gdk_monitor_get_geometry(monitor, &area);
    gtk_window_move(GTK_WINDOW(mainWindow), area.x + MAX(0, (area.width - size.width) / 2),
                    area.y + MAX(0, (area.height - size.height) / 2));
}

// The disabled state for a user who may not change settings.
void DisableSettingControls(const DeviceRecord* record) {
    GtkWidget* const controls[] = {
        speedCombo,        mainWindowParts.configCombo,
        portCombo,         samplingScale,
        mainWindowParts.addScreenButton, mainWindowParts.productCombo,
        calibPoints4Radio, calibPoints9Radio,
        calibPoints25Radio, calibBorderSpin,
        mainWindowParts.touchModeCombo, tapTimeScale,
        liftOffScale,      stabilizeScale,
        averageScale,      mainWindowParts.settingDefaultButton,
        beepCheck,         rclickCheck,
        holdScale,         spatialScale,
        mainWindowParts.advancedDefaultButton,
    };
    for (GtkWidget* control : controls) {
        SetSensitive(control, FALSE);
    }
    if (record->loaded == 0) {
        SetSensitive(calibrationButton, FALSE);
    }
    for (GSList* item = statusRadioGroup; item != nullptr; item = item->next) {
        SetSensitive(GTK_WIDGET(item->data), FALSE);
    }
}

void RunStartupRules(const DeviceRecord* record) {
    SetSensitive(applyButton, FALSE);
    SetSensitive(okButton, FALSE);

    if (driverLoaded == 0) {
        if (isRoot == 0) {
            DialogWindow(kMsgRootRequiredExit);
            // Nothing could be done for this user: a failed run.
            exit(EXIT_FAILURE);
        }
        SetSensitive(calibrationButton, FALSE);
        DialogWindow(kMsgDriverNotLoaded);
    } else {
        // The fourth product cannot be calibrated with four points.
        SetSensitive(calibPoints4Radio, record->settings[driveropts::kProducts] != 3);
        if (isRoot == 0) {
            DisableSettingControls(record);
            DialogWindow(kMsgRootForAllFunctions);
        } else if (record->loaded == 0) {
            SetSensitive(calibrationButton, FALSE);
        }
    }

    if (record->status != kStatusEnable) {
        SetSensitive(portCombo, FALSE);
        SetSensitive(speedCombo, FALSE);
    }
}

}  // namespace

namespace {

void BlockToggles(GtkWidget* const (&radios)[3], const gulong (&ids)[3], bool block) {
    for (int i = 0; i < 3; ++i) {
        if (radios[i] == nullptr || ids[i] == 0) {
            continue;
        }
        if (block) {
            g_signal_handler_block(radios[i], ids[i]);
        } else {
            g_signal_handler_unblock(radios[i], ids[i]);
        }
    }
}

}  // namespace

void BlockCalibPointsToggles(bool block) {
    GtkWidget* const radios[3] = {calibPoints4Radio, calibPoints9Radio, calibPoints25Radio};
    BlockToggles(radios, calibPointsToggleHids, block);
}

void BlockStatusToggles(bool block) {
    BlockToggles(mainWindowParts.statusRadios, statusToggleHids, block);
}

void SetSensitive(GtkWidget* widget, gboolean sensitive) {
    if (widget != nullptr && gtk_widget_get_sensitive(widget) != sensitive) {
        gtk_widget_set_sensitive(widget, sensitive);
    }
}

void ShowDriverStatus(int status) {
    const int row = (status == kStatusEnable || status == kStatusDisable) ? status
                                                                           : kStatusUndeclaredRow;
    gtk_statusbar_pop(GTK_STATUSBAR(statusBar), statusContextId);
    gtk_statusbar_push(GTK_STATUSBAR(statusBar), statusContextId, LabelText(statusBarTexts, row));
}

void CreateMainWindow() {
    DeviceRecord* record = CurrentRecord();
    mainWindowParts.startRecord = record;

    mainWindow = gtk_window_new(GTK_WINDOW_TOPLEVEL);
    gtk_widget_set_name(mainWindow, "mainWindow");
    gtk_window_set_resizable(GTK_WINDOW(mainWindow), TRUE);
    gtk_window_set_title(GTK_WINDOW(mainWindow), LabelText(windowLabels, 0));
    gtk_container_set_border_width(GTK_CONTAINER(mainWindow), 5);
    gtk_window_set_position(GTK_WINDOW(mainWindow), GTK_WIN_POS_CENTER);
    gtk_widget_show(mainWindow);

    GtkWidget* mainBox = VBox(5);
    gtk_container_add(GTK_CONTAINER(mainWindow), mainBox);

    TopBar(mainBox, record);

    for (int i = 0; i < driveropts::kSettingsCount; ++i) {
        record->savedSettings[i] = record->settings[i];
    }

    GtkWidget* notebook = Named(gtk_notebook_new(), "notebook");
    gtk_notebook_set_tab_pos(GTK_NOTEBOOK(notebook), GTK_POS_TOP);
    PackStart(mainBox, notebook, TRUE, TRUE, 0);
    mainWindowParts.notebook = notebook;

    struct PageSpec {
        const LabelTable* tab;
        int spacing;
        int border;
    };
    const PageSpec pageSpecs[kPageCount] = {
        {&mainPageLabels, 15, 5},         {&driverPageLabels, 10, 5},
        {&calibrationPageLabels, 10, 5},  {&settingPageLabels, 10, 10},
        {&advancedPageLabels, 10, 5},     {&communicationPageLabels, 0, 5},
        {&informationPageLabels, 10, 5},
    };
    GtkWidget* pages[kPageCount];
    for (int i = 0; i < kPageCount; ++i) {
        pages[i] = VBox(pageSpecs[i].spacing);
        gtk_container_set_border_width(GTK_CONTAINER(pages[i]), pageSpecs[i].border);
        GtkWidget* tab = Label(LabelText(*pageSpecs[i].tab, 0));
        if (i == kPageMain) {
            gtk_notebook_prepend_page(GTK_NOTEBOOK(notebook), pages[i], tab);
        } else {
            gtk_notebook_append_page(GTK_NOTEBOOK(notebook), pages[i], tab);
        }
    }

    const char* portText = MainPage(pages[kPageMain], record);
    DriverPage(pages[kPageDriver], record);
    CalibrationPage(pages[kPageCalibration], record);
    SettingPage(pages[kPageSetting], record);
    AdvancedPage(pages[kPageAdvanced], record);
    CommunicationPage(pages[kPageCommunication], portText);
    InformationPage(pages[kPageInformation]);
    BottomRow(mainBox);

    // Every control holds its initial value: from here on a change is the
    // user's.
    ConnectPageHandlers();

    if (calibrateOnly == 0) {
        gtk_widget_show_all(mainWindow);
    }
    CentreWindow();
    RunStartupRules(record);
}
