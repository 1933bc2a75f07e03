// In-process GUI test harness: the real main window built from a
// configuration the test writes, under the Xvfb that run_gui.sh starts inside
// the sandbox. Helpers find widgets by name, read their state, run the main
// loop until a condition holds, and answer message dialogs.
#ifndef TESTS_UI_GUIHARNESS_H
#define TESTS_UI_GUIHARNESS_H

#include <gtest/gtest.h>
#include <gtk/gtk.h>

#include <functional>
#include <string>
#include <vector>

#include "driverlink/sharedblock.h"

namespace gui {

// A message dialog as it was shown.
struct ShownDialog {
    std::string title;
    std::string text;
    std::string button;
};

// How the dialog responder closes a dialog.
enum class CloseBy { kButton, kReturnKey, kWindowManager };

// Runs the main loop until `done` holds or `timeoutMs` passes; true when it
// held. Works inside and outside a running loop.
bool RunUntil(const std::function<bool()>& done, int timeoutMs = 3000);

// Lets pending events and idle work run.
void Flush();

// The first widget named `name` (gtk_widget_set_name) under any toplevel.
GtkWidget* FindWidget(const char* name);

// The open message dialog, or nullptr.
GtkWidget* FindDialog();
ShownDialog DescribeDialog(GtkWidget* dialog);
void CloseDialog(GtkWidget* dialog, CloseBy how);

// Delivers a key press and release to a toplevel as if typed there (its
// focus widget and default widget react as to the keyboard).
void SendKey(GtkWidget* window, guint keyval);

// While installed, every message dialog that opens is recorded into `log`
// and closed the given way. Removed by the destructor.
class DialogResponder {
public:
    DialogResponder(std::vector<ShownDialog>* log, CloseBy how = CloseBy::kButton);
    ~DialogResponder();
    DialogResponder(const DialogResponder&) = delete;
    DialogResponder& operator=(const DialogResponder&) = delete;

private:
    static gboolean Poll(gpointer self);
    std::vector<ShownDialog>* log_;
    CloseBy how_;
    guint source_;
};

// Widget state.
std::string ComboText(GtkWidget* combo);  // active item's text, "" for none
std::string EntryText(GtkWidget* comboWithEntry);
std::string LabelText(GtkWidget* labelOrButton);
std::string StatusBarText();
bool Sensitive(GtkWidget* widget);  // the widget's own flag
bool Active(GtkWidget* toggle);
double Value(GtkWidget* scaleOrSpin);
double Lower(GtkWidget* scaleOrSpin);
double Upper(GtkWidget* scaleOrSpin);
std::vector<std::string> TabLabels();
// Children of a box in visual order, left to right, by their allocation.
std::vector<GtkWidget*> ByPosition(std::vector<GtkWidget*> widgets);

// Fixture: fresh device state for each test, a configuration file, the driver
// block, the X server's device list and the window. Build() leaves the window
// up; TearDown destroys it and removes the segment.
class WindowTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // One driver section text as the file holds it.
    static std::string Section(int screen, const char* device, int baud = 9600,
                               const std::string& extraOptions = "");
    // A ServerLayout listing the given screens' own identifiers.
    static std::string Layout(std::initializer_list<int> screens);

    // Writes the text as the configuration file and reads it.
    void UseConfig(const std::string& text);
    // Creates the driver's segment with this version (private IPC inside the
    // sandbox).
    void ServeDriver(int major = 2, int minor = 7, int build = 31);
    // The X server's device list as the query prints it.
    void ListDevices(const char* queryOutput);
    void SetRoot(bool root);

    // CreateMainWindow, answering each start-up dialog the given way.
    void Build(CloseBy how = CloseBy::kButton);

    // A second mapping of the served block, as the driver sees it: reads and
    // writes go through memory shared with the program, not its pointer.
    DriverSharedBlock* AttachDriverView();

    std::vector<ShownDialog> dialogs;  // shown while building
    std::string builderOutput;         // standard output while building

private:
    std::string configFile_;
    int segment_ = -1;
};

}  // namespace gui

#endif
