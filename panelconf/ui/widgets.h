// The main window's widgets that code reaches by name, the kept ids of their
// handlers and the page numbers of the notebook: the registry every page
// module and handler works on. CreateMainWindow (ui/mainwindow) fills it
// once; everything here lives until the process ends. A leaf: it includes
// only the toolkit.
#ifndef PANELCONF_UI_WIDGETS_H
#define PANELCONF_UI_WIDGETS_H

#include <gtk/gtk.h>

struct DeviceRecord;
class HandlersBlocked;

// Top level and top bar.
extern GtkWidget* mainWindow;
extern GtkWidget* screenSpin;  // GtkSpinButton: screen of the current record
extern GtkWidget* statusBar;   // GtkStatusbar: driver state text
extern guint statusContextId;  // context "Driver Status" of statusBar

// Main page.
extern GtkWidget* portCombo;      // GtkComboBoxText, items portNames
extern GtkWidget* speedCombo;     // GtkComboBoxText, items of the speed table
extern GtkWidget* samplingScale;  // GtkScale, 0..15
extern GtkWidget* calibrationButton;

// Driver page. The group list is GTK's own: it holds the three radios in
// reverse order of creation (Undeclared, Disable, Enable).
extern GSList* statusRadioGroup;
extern GtkWidget* changeStatusButton;

// Calibration page.
extern GSList* calibPointsGroup;
extern GtkWidget* calibPoints4Radio;
extern GtkWidget* calibPoints9Radio;
extern GtkWidget* calibPoints25Radio;
extern GtkWidget* calibBorderSpin;  // GtkSpinButton, percent 1..10

// Setting page.
extern GtkWidget* tapTimeScale;
extern GtkWidget* liftOffScale;
extern GtkWidget* stabilizeScale;
extern GtkWidget* averageScale;
extern GtkWidget* tapTimeValueLabel;  // " %d" of the scale's value
extern GtkWidget* liftOffValueLabel;
extern GtkWidget* stabilizeValueLabel;
extern GtkWidget* averageValueLabel;

// Advanced page.
extern GtkWidget* beepCheck;
extern GtkWidget* rclickCheck;
extern GtkWidget* holdScale;
extern GtkWidget* spatialScale;

// Communication page.
extern GtkWidget* commModeCheck;
extern GtkWidget* transmitEntry;  // GtkEntry, at most 15 characters
extern GtkWidget* transmitButton;
extern GtkWidget* receiveList;  // GtkTreeView over a GtkListStore of 2 strings

// Bottom row.
extern GtkWidget* applyButton;
extern GtkWidget* okButton;

// Kept handler ids. Combos: "changed" of the combo. Scales: "value-changed"
// of the scale's adjustment. Checks: "toggled". Set by ConnectPageHandlers;
// code that sets these widgets blocks them (HandlersBlocked).
extern gulong portSelectHid;
extern gulong speedSelectHid;
extern gulong samplingHid;
extern gulong tapTimeHid;
extern gulong liftOffHid;
extern gulong stabilizeHid;
extern gulong averageHid;
extern gulong beepHid;
extern gulong rclickHid;
extern gulong holdHid;
extern gulong spatialHid;
extern gulong commModeHid;
// "changed" of the product and touch mode combos and of the border spin.
extern gulong productHid;
extern gulong touchModeHid;
extern gulong borderHid;
// "toggled" of each calibration-point radio (4, 9, 25) and each driver
// status radio (creation order: Enable, Disable, Undeclared). The arrow keys
// of a radio group make a radio active with nothing but "toggled", so that
// signal counts as the user's press; code that makes a radio active blocks
// these first.
extern gulong calibPointsToggleHids[3];
extern gulong statusToggleHids[3];

// Controls that no handler reaches by a global of its own, kept here for the
// signal wiring and for tests. Each also carries its name as widget name
// (gtk_widget_set_name), e.g. "configCombo".
struct MainWindowParts {
    GtkWidget* configCombo;  // GtkComboBoxText, the candidate list
    GtkWidget* addScreenButton;
    GtkWidget* productCombo;    // GtkComboBoxText, productNames
    GtkWidget* touchModeCombo;  // GtkComboBoxText, touchModeNames
    GtkWidget* settingDefaultButton;
    GtkWidget* advancedDefaultButton;
    GtkWidget* cancelButton;
    GtkWidget* notebook;            // the seven pages
    GtkWidget* statusRadios[3];     // Enable, Disable, Undeclared (creation order)
    GtkWidget* driverVersionLabel;  // Information page
    // Record that was current when the window was built: CancelFunc's data.
    DeviceRecord* startRecord;
};
extern MainWindowParts mainWindowParts;

// Page numbers of the notebook, in tab order.
enum NotebookPage {
    kPageMain = 0,
    kPageDriver,
    kPageCalibration,
    kPageSetting,
    kPageAdvanced,
    kPageCommunication,
    kPageInformation,
    kPageCount,
};

// Adds the "toggled" ids of the calibration-point radios, or of the driver
// status radios, to a guard around code that makes one of them active.
void AddCalibPointsToggles(HandlersBlocked& quiet);
void AddStatusToggles(HandlersBlocked& quiet);

#endif
