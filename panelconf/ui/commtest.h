// The communication test of the Communication page: talking to the panel's
// controller over its serial port, or listing the raw samples the driver puts
// into the shared block when the record's debugOption asks for that.
#ifndef PANELCONF_UI_COMMTEST_H
#define PANELCONF_UI_COMMTEST_H

#include <gtk/gtk.h>

// Descriptor of the port opened for the test, -1 while none is open.
extern int serialFd;
// Set once the port was opened and set up; cleared when the record's port is
// the USB entry.
extern int serialLinkOpen;
// The 100 ms poll while the test runs, 0 when it does not.
extern guint commTimerId;

// Poll period of the test.
constexpr guint kCommPollMs = 100;
// Rows of the receive list: the newest lines, newest on top.
constexpr int kCommReceiveRows = 15;

// Fills the Communication page: the mode check, the entry and Transmit, the
// receive list with its 15 blank rows. For the USB port the four are
// insensitive.
void BuildCommunicationPage(GtkWidget* page, const char* portText);

// "toggled" of commModeCheck: starts or stops the test.
void ReceiveDataSet(GtkToggleButton* check, gpointer data);
// The poll: lists what has arrived. Keeps running until removed.
gboolean OnTimeOutComm(gpointer data);
// "clicked" of transmitButton: sends the entry's text and a carriage return.
void gcb_Transmit(GtkButton* button, gpointer data);

// Adds one line on top of receiveList, dropping the oldest beyond 15.
void AddReceiveRow(const char* text);

// Connects the Communication page's handlers; stores commModeHid.
void ConnectCommTestHandlers();

#endif
