// Signal wiring of the main window. Runs once, after every control holds its
// initial value, so that building the window calls no handler.
//
// Each handler module connects its own signals here, next to the others,
// storing the kept ids (portSelectHid, tapTimeHid, ...) declared in
// widgets.h. A signal stays unconnected until its handler exists.
#include "ui/handlers_connect.h"

#include <gtk/gtk.h>

#include "ui/calibration.h"
#include "ui/commtest.h"
#include "ui/driverstatus.h"
#include "ui/applyokcancel.h"
#include "ui/changenotice.h"
#include "ui/mainpage.h"
#include "ui/widgets.h"
#include "ui/screens.h"
#include "ui/settingpages.h"

namespace {

// Closing the main window ends the main loop; main then shuts down.
void QuitMainLoop(GtkWidget* /*window*/, gpointer /*data*/) { gtk_main_quit(); }

}  // namespace

void ConnectPageHandlers() {
    g_signal_connect(mainWindow, "destroy", G_CALLBACK(QuitMainLoop), nullptr);
    ConnectMainPageHandlers();
    ConnectSettingPageHandlers();
    g_signal_connect(calibrationButton, "clicked", G_CALLBACK(DoCalibration), nullptr);
    // A completed run can be saved.
    SetCalibrationCompleted([] { SetActiveOkApplayBtn(nullptr, nullptr); });
    ConnectApplyOkCancelHandlers();
    ConnectScreenHandlers();
    ConnectDriverStatusHandlers();
    ConnectCommTestHandlers();
}
