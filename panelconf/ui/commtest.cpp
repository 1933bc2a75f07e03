#include "ui/commtest.h"

#include <unistd.h>

#include <string>

#include "devicerecord.h"
#include "driverlink/blockops.h"
#include "driverlink/commlines.h"
#include "driverlink/commport.h"
#include "driverlink/sharedmem.h"
#include "ui/dialogs.h"
#include "labels.h"
#include "pagerules.h"
#include "ui/handlerblock.h"
#include "ui/widgets.h"
#include "ui/packing.h"

int serialFd = -1;
int serialLinkOpen = 0;
guint commTimerId = 0;

namespace {

// The entry takes at most this many characters.
constexpr int kTransmitMaxChars = 15;

// No dialog: the USB entry is refused silently.
constexpr int kNoMessage = -1;

void StartPoll() {
    if (commTimerId == 0) {
        commTimerId = g_timeout_add(kCommPollMs, OnTimeOutComm, nullptr);
    }
}

void StopTest() {
    if (commTimerId != 0) {
        g_source_remove(commTimerId);
        commTimerId = 0;
    }
    if (serialFd != -1) {
        close(serialFd);
    }
    serialFd = -1;
    StoreCommMode(driverBlock, 0);
}

// The test does not start: the check box goes back to off without this
// module's handler seeing it, and neither the record nor the driver is left
// believing the test runs.
void Refuse(DeviceRecord* record, int code) {
    if (code != kNoMessage) {
        DialogWindow(static_cast<unsigned int>(code));
    }
    {
        HandlersBlocked quiet({{commModeCheck, commModeHid}});
        gtk_toggle_button_set_active(GTK_TOGGLE_BUTTON(commModeCheck), FALSE);
    }
    record->settings[driveropts::kCommunication] = 0;
    StoreCommMode(driverBlock, 0);
}

gchar* ActiveText(GtkWidget* combo) {
    return combo != nullptr ? gtk_combo_box_text_get_active_text(GTK_COMBO_BOX_TEXT(combo))
                            : nullptr;
}

void StartSerialTest(DeviceRecord* record) {
    gchar* portText = ActiveText(portCombo);
    if (portText == nullptr) {
        return;
    }
    StoreCommMode(driverBlock, 1);
    if (g_strcmp0(portText, kUsbPortName) == 0) {
        g_free(portText);
        serialLinkOpen = 0;
        Refuse(record, kNoMessage);
        return;
    }
    const std::string path = CommDevicePath(portText);
    g_free(portText);

    gchar* speedText = ActiveText(speedCombo);
    const int baudRate = CommBaudRate(speedText);
    g_free(speedText);

    serialFd = OpenCommPort(path.c_str(), baudRate);
    if (serialFd == -1) {
        Refuse(record, kMsgNoPortAuthority);
        return;
    }
    serialLinkOpen = 1;
    StartPoll();
}

void ListDriverRecord() {
    CommRecordLines lines;
    if (!TakeCommRecord(driverBlock, &lines)) {
        return;
    }
    for (const std::string& line : lines) {
        AddReceiveRow(line.c_str());
    }
}

void ListSerialLine() {
    if (serialFd == -1 || serialLinkOpen == 0) {
        return;
    }
    CommLine line;
    if (ReadCommLine(serialFd, &line) > 0) {
        AddReceiveRow(CommLineText(line.bytes, line.length).c_str());
    }
}

}  // namespace

void AddReceiveRow(const char* text) {
    GtkListStore* store = GTK_LIST_STORE(gtk_tree_view_get_model(GTK_TREE_VIEW(receiveList)));
    GtkTreeIter oldest;
    if (gtk_tree_model_iter_nth_child(GTK_TREE_MODEL(store), &oldest, nullptr,
                                      kCommReceiveRows - 1)) {
        gtk_list_store_remove(store, &oldest);
    }
    gtk_list_store_insert_with_values(store, nullptr, 0, 0, text, 1, text, -1);
}

void ReceiveDataSet(GtkToggleButton* check, gpointer /*data*/) {
    DeviceRecord* record = CurrentRecord();
    const gboolean on = gtk_toggle_button_get_active(check);
    record->settings[driveropts::kCommunication] = on ? 1 : 0;

    // Whatever ran before is ended first, so switching on twice never leaks
    // a port or a second poll.
    StopTest();
    if (!on) {
        return;
    }
    if (record->linkChanged == 1) {
        Refuse(record, kMsgRestartAfterLinkChange);
        return;
    }
    if (record->debugOption != 0) {
        StartPoll();
        return;
    }
    StartSerialTest(record);
}

gboolean OnTimeOutComm(gpointer /*data*/) {
    DeviceRecord* record = CurrentRecord();
    if (record != nullptr && record->debugOption != 0) {
        ListDriverRecord();
    } else {
        ListSerialLine();
    }
    return TRUE;
}

void gcb_Transmit(GtkButton* /*button*/, gpointer /*data*/) {
    if (serialFd == -1) {
        return;
    }
    SendCommText(serialFd, gtk_entry_get_text(GTK_ENTRY(transmitEntry)));
}

void ConnectCommTestHandlers() {
    commModeHid = g_signal_connect(commModeCheck, "toggled", G_CALLBACK(ReceiveDataSet), nullptr);
    g_signal_connect(transmitButton, "clicked", G_CALLBACK(gcb_Transmit), nullptr);
}

void BuildCommunicationPage(GtkWidget* page, const char* portText) {
    commModeCheck = Named(
        gtk_check_button_new_with_label(LabelText(communicationPageLabels, kCommunicationMode)),
        "commModeCheck");
    PackStart(page, commModeCheck, FALSE, FALSE, 0);

    GtkWidget* box = HBox(10);
    PackFrame(page, "", GTK_SHADOW_ETCHED_IN, TRUE, 0, box);

    GtkWidget* left = VBox(0);
    PackStart(box, left, FALSE, FALSE, 0);
    PackStart(left, Label(LabelText(communicationPageLabels, kCommunicationTransmitData)), FALSE,
              FALSE, 2);
    transmitEntry = Named(gtk_entry_new(), "transmitEntry");
    gtk_entry_set_max_length(GTK_ENTRY(transmitEntry), kTransmitMaxChars);
    PackStart(left, transmitEntry, FALSE, FALSE, 5);
    transmitButton =
        Named(Button(LabelText(communicationPageLabels, kCommunicationTransmit), 40, 40),
              "transmitButton");
    PackStart(left, transmitButton, FALSE, FALSE, 5);

    GtkWidget* right = VBox(0);
    PackStart(box, right, FALSE, FALSE, 0);
    PackStart(right, Label(LabelText(communicationPageLabels, kCommunicationReceiveData)), FALSE,
              FALSE, 0);
    GtkListStore* store = gtk_list_store_new(2, G_TYPE_STRING, G_TYPE_STRING);
    for (int i = 0; i < kCommReceiveRows; ++i) {
        GtkTreeIter iter;
        gtk_list_store_append(store, &iter);
        gtk_list_store_set(store, &iter, 0, "  ", 1, " ", -1);
    }
    receiveList = Named(gtk_tree_view_new_with_model(GTK_TREE_MODEL(store)), "receiveList");
    g_object_unref(store);
    gtk_tree_view_set_headers_visible(GTK_TREE_VIEW(receiveList), FALSE);
    gtk_tree_selection_set_mode(gtk_tree_view_get_selection(GTK_TREE_VIEW(receiveList)),
                                GTK_SELECTION_NONE);
    // Both columns keep fixed widths: 300 pixels for the first, the width of
    // its blank cell for the second. The list is thus as wide with a long
    // line from the controller as with its blank rows: the line is cut in the
    // view (the model holds it whole) instead of widening the window past
    // the screen.
    for (int column = 0; column < 2; ++column) {
        GtkCellRenderer* cell = gtk_cell_renderer_text_new();
        GtkTreeViewColumn* viewColumn =
            gtk_tree_view_column_new_with_attributes("", cell, "text", column, nullptr);
        gtk_tree_view_column_set_sizing(viewColumn, GTK_TREE_VIEW_COLUMN_FIXED);
        int width = 300;
        if (column == 1) {
            g_object_set(cell, "text", " ", nullptr);
            gtk_cell_renderer_get_preferred_width(cell, receiveList, nullptr, &width);
        }
        gtk_tree_view_column_set_fixed_width(viewColumn, width);
        gtk_tree_view_append_column(GTK_TREE_VIEW(receiveList), viewColumn);
    }
    // The list's own outward shadow.
    GtkWidget* listView = gtk_scrolled_window_new(nullptr, nullptr);
    gtk_scrolled_window_set_shadow_type(GTK_SCROLLED_WINDOW(listView), GTK_SHADOW_OUT);
    gtk_scrolled_window_set_policy(GTK_SCROLLED_WINDOW(listView), GTK_POLICY_NEVER,
                                   GTK_POLICY_NEVER);
    gtk_container_add(GTK_CONTAINER(listView), receiveList);
    PackStart(right, listView, FALSE, FALSE, 2);

    // The USB link has no serial line to test.
    if (IsUsbPortText(portText)) {
        for (GtkWidget* widget : {commModeCheck, transmitEntry, receiveList, transmitButton}) {
            gtk_widget_set_sensitive(widget, FALSE);
        }
    }
}
