#include "ui/commtest.h"

#include <unistd.h>

#include <string>

#include "devicerecord.h"
#include "driverlink/commlines.h"
#include "driverlink/commport.h"
#include "driverlink/sharedmem.h"
#include "ui/dialogs.h"
#include "labels.h"
#include "ui/mainwindow.h"

int serialFd = -1;
int serialLinkOpen = 0;
guint commTimerId = 0;

namespace {

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
    if (driverBlock != nullptr) {
        driverBlock->commMode = 0;
    }
}

// The test does not start: the check box goes back to off without this
// module's handler seeing it, and neither the record nor the driver is left
// believing the test runs.
void Refuse(DeviceRecord* record, int code) {
    if (code != kNoMessage) {
        DialogWindow(static_cast<unsigned int>(code));
    }
    g_signal_handler_block(commModeCheck, commModeHid);
    gtk_toggle_button_set_active(GTK_TOGGLE_BUTTON(commModeCheck), FALSE);
    g_signal_handler_unblock(commModeCheck, commModeHid);
    record->settings[driveropts::kCommunication] = 0;
    if (driverBlock != nullptr) {
        driverBlock->commMode = 0;
    }
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
    if (driverBlock != nullptr) {
        driverBlock->commMode = 1;
    }
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
    DriverSharedBlock* block = driverBlock;
    if (block == nullptr || block->commDataReady == 0) {
        return;
    }
    const CommRecordLines lines =
        FormatCommRecord(block->commSamples, block->commResultX, block->commResultY);
    for (const std::string& line : lines) {
        AddReceiveRow(line.c_str());
    }
    block->commDataReady = 0;
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
