#include "ui/calibration.h"

#include <glib-unix.h>

#include <cstdlib>

#include "devicerecord.h"
#include "driverlink/calibsession.h"
#include "driverlink/calibtargets.h"
#include "driverlink/calibwatch.h"
#include "driverlink/sharedmem.h"
#include "ui/applyokcancel.h"
#include "ui/dialogs.h"

GtkWidget* calWindow = nullptr;
GtkWidget* calCrossImage = nullptr;
GtkWidget* calLabel = nullptr;
guint calTimeoutId = 0;

namespace {

// The target marker: a black ring with white notches; " " is transparent.
const char* kMarkerXpm[] = {
    "10 10 3 1",  " \tc None",  ".\tc #000000", "+\tc #FFFFFF", "..++++++..",
    "...++++...", "+........+", "++......++",   "++......++",   "++......++",
    "++......++", "+........+", "...++++...",   "..++++++..",
};

// Source id of the handshake poll while a run is going.
guint syncSourceId = 0;
CalibPollSource pollSource = CalibPollSource::kWatcher;
CalibWatcher watcher;
CalibrationCompleted completedCallback = nullptr;
// Whether the last finished run handed its coefficients to a record; a run
// the driver finished without valid ones completes all the same.
bool coefficientsTaken = false;

// The two conditions a run cannot get past: logged at error level, then the
// program ends with status 1. (g_log would abort at error level, which is
// not an orderly end.)
[[noreturn]] void FatalError(const char* message) {
    // Written straight to the standard streams: GLib's default handler and
    // writer stop the program with a trap at error level, before the exit
    // status could say what happened.
    const GLogField fields[] = {
        {"MESSAGE", message, -1},
        {"PRIORITY", "3", -1},
    };
    g_log_writer_standard_streams(G_LOG_LEVEL_ERROR, fields, G_N_ELEMENTS(fields), nullptr);
    exit(EXIT_FAILURE);
}

void LogWarning(const char* message) { g_log(nullptr, G_LOG_LEVEL_WARNING, "%s", message); }

void QuitRunLoop(GtkWidget* /*window*/, gpointer /*data*/) { gtk_main_quit(); }

// The record of the screen the spin shows, or nullptr with the warning.
DeviceRecord* SpinRecordOrWarn() {
    DeviceRecord* record = SpinScreenRecord();
    if (record == nullptr) {
        LogWarning("Not Found the Config Parameter");
    }
    return record;
}

void ShowTarget(int point) {
    gchar* caption = g_strdup_printf("Calibration: %d", point);
    PutTouchPoint(calWindow, caption, point, driverBlock->calibPointsNum, driverBlock->borderRatio,
                  driverBlock->screenWidth, driverBlock->screenHeight);
    g_free(caption);
}

void RestartTimeOut() {
    if (calTimeoutId > 0) {
        g_source_remove(calTimeoutId);
    }
    calTimeoutId = g_timeout_add(kCalibTimeoutMs, OnTimeOut, nullptr);
}

// Ends the run's window, and with it the nested loop of the run.
void CloseCalibWindow() {
    if (calWindow != nullptr) {
        GtkWidget* window = calWindow;
        calWindow = nullptr;
        gtk_widget_destroy(window);
    }
    calCrossImage = nullptr;
    calLabel = nullptr;
}

// The finished run's coefficients go to the record of the screen shown.
void FinishRun() {
    CloseCalibWindow();
    coefficientsTaken = false;
    if (!CalibCoefficientsReady(driverBlock)) {
        g_print("  -> Can't set calibrated co-efficients.\n");
        return;
    }
    DeviceRecord* record = SpinRecordOrWarn();
    if (record == nullptr) {
        return;
    }
    TakeCalibCoefficients(driverBlock, record);
    coefficientsTaken = true;
}

// The watcher saw the driver's answer: the main loop takes it up as the
// poll would, then lets the watcher look again.
gboolean OnDriverAnswered(gint /*fd*/, GIOCondition /*condition*/, gpointer /*data*/) {
    OnSyncDriver(nullptr);
    watcher.Rearm();
    return G_SOURCE_CONTINUE;
}

// Starts the handshake poll the run uses. Without a watcher thread (none
// could be made) the main loop's timer does the looking.
guint StartPoll() {
    if (pollSource == CalibPollSource::kIdle) {
        return g_idle_add(OnSyncDriver, nullptr);
    }
    if (pollSource == CalibPollSource::kWatcher && watcher.Start(driverBlock, kCalibWatchMs)) {
        return g_unix_fd_add(watcher.WakeFd(), G_IO_IN, OnDriverAnswered, nullptr);
    }
    return g_timeout_add(kCalibPollMs, OnSyncDriver, nullptr);
}

}  // namespace

void SetCalibPollSource(CalibPollSource source) { pollSource = source; }

void SetCalibrationCompleted(CalibrationCompleted callback) { completedCallback = callback; }

void DoCalibration(GtkWidget* /*widget*/, gpointer /*data*/) { RunCalibration(); }

int RunCalibration() {
    if (driverBlock == nullptr || calWindow != nullptr) {
        return 0;
    }
    DeviceRecord* record = SpinRecordOrWarn();
    if (record == nullptr) {
        return 0;
    }
    if (record->productChanged == 1) {
        DialogWindow(kMsgRestartAfterProductChange);
        return 0;
    }
    g_print("  -> Calibrating...");
    coefficientsTaken = false;

    BeginCalibRun(driverBlock, *record);
    StartCalibration();

    syncSourceId = StartPoll();
    calTimeoutId = g_timeout_add(kCalibTimeoutMs, OnTimeOut, nullptr);
    gtk_window_set_modal(GTK_WINDOW(calWindow), TRUE);

    gtk_main();

    if (calTimeoutId > 0) {
        g_source_remove(calTimeoutId);
        calTimeoutId = 0;
    }
    g_source_remove(syncSourceId);
    syncSourceId = 0;
    watcher.Stop();

    if (!CalibRunCompleted(driverBlock)) {
        LogWarning("Uncompleted!!");
        DialogWindow(kMsgCalibrationUnfinished);
        return 0;
    }
    g_print("  -> Completed.");
    if (completedCallback != nullptr) {
        completedCallback();
    }
    return 1;
}

int StartCalibration() {
    CreateCalibWindow(&calWindow, driverBlock->borderRatio, driverBlock->calibPointsNum);
    // Selected, but no handler: the touches belong to the driver.
    gtk_widget_add_events(calWindow, GDK_BUTTON_RELEASE_MASK);
    PutTouchPoint(calWindow, "Calibration: 1", driverBlock->calPoint, driverBlock->calibPointsNum,
                  driverBlock->borderRatio, driverBlock->screenWidth, driverBlock->screenHeight);
    gtk_widget_show_all(calWindow);
    HandTargetToDriver(driverBlock);
    return 1;
}

void CreateCalibWindow(GtkWidget** window, float /*borderRatio*/, uint8_t /*pointsNum*/) {
    // The whole default X screen, as it is now.
    int width = screenWidth;
    int height = screenHeight;
    QueryDefaultScreenSize(&width, &height);

    GtkWidget* created = gtk_window_new(GTK_WINDOW_POPUP);
    gtk_widget_set_name(created, "CalibrationWindow");
    gtk_window_set_default_size(GTK_WINDOW(created), width, height);
    gtk_widget_set_size_request(created, width, height);
    gtk_window_set_position(GTK_WINDOW(created), GTK_WIN_POS_CENTER);
    gtk_window_set_modal(GTK_WINDOW(created), TRUE);
    gtk_window_set_resizable(GTK_WINDOW(created), FALSE);
    g_signal_connect(created, "destroy", G_CALLBACK(QuitRunLoop), nullptr);

    GtkWidget* fixed = gtk_fixed_new();
    gtk_container_add(GTK_CONTAINER(created), fixed);
    g_object_set_data(G_OBJECT(created), "fixed", fixed);
    *window = created;
}

void PutTouchPoint(GtkWidget* window, const char* caption, int point, uint8_t count,
                   float borderRatio, int width, int height) {
    GtkFixed* fixed = GTK_FIXED(g_object_get_data(G_OBJECT(window), "fixed"));

    if (calCrossImage == nullptr) {
        GdkPixbuf* marker = gdk_pixbuf_new_from_xpm_data(kMarkerXpm);
        if (marker == nullptr) {
            FatalError("Can't create pixmap.\n");
        }
        calCrossImage = gtk_image_new_from_pixbuf(marker);
        g_object_unref(marker);
        gtk_widget_set_name(calCrossImage, "CalibrationMarker");
        gtk_fixed_put(fixed, calCrossImage, 0, 0);
        gtk_widget_set_size_request(calCrossImage, kCalibMarkerSize, kCalibMarkerSize);

        calLabel = gtk_label_new("");
        gtk_widget_set_name(calLabel, "CalibrationCaption");
        // The old toolkit kept child positions in 16 bits.
        gtk_fixed_put(fixed, calLabel, static_cast<int16_t>(width / 2 - 30),
                      static_cast<int16_t>(height / 2 - 30));
    }
    gtk_label_set_text(GTK_LABEL(calLabel), caption);

    if (!IsCalibPointCount(count)) {
        FatalError("Wrong Calibration points num.");
    }
    int x = 0;
    int y = 0;
    // A target number outside 1..count can only come from a confused
    // driver: the marker then stays where it was, and the time-out ends
    // the run unless the driver recovers.
    if (CalibTargetPosition(point, count, borderRatio, width, height, &x, &y)) {
        gtk_fixed_move(fixed, calCrossImage, x - kCalibMarkerCentre, y - kCalibMarkerCentre);
    }
}

gboolean OnSyncDriver(gpointer /*data*/) {
    if (driverBlock == nullptr || calWindow == nullptr) {
        return TRUE;
    }
    const CalibPoll poll = PollCalibRun(driverBlock);
    switch (poll.kind) {
        case CalibPoll::kWaiting:
            break;
        case CalibPoll::kFinished:
            FinishRun();
            break;
        case CalibPoll::kShowTarget:
            ShowTarget(poll.point);
            HandTargetToDriver(driverBlock);
            if (poll.restartTimeout) {
                RestartTimeOut();
            }
            break;
    }
    return TRUE;
}

gboolean OnTimeOut(gpointer /*data*/) {
    if (calWindow == nullptr) {
        return TRUE;  // the run has already ended; its loop is on the way out
    }
    if (driverBlock != nullptr) {
        TimeOutCalibRun(driverBlock);
    }
    g_print("  -> TIME OUT\n");
    CloseCalibWindow();
    return TRUE;
}

int CalibrateOnly() {
    int completed = RunCalibration();
    // Apply whatever the outcome; its result says whether the file holds it.
    const bool written = ApplyCurrentScreen() == ApplyResult::kWritten;
    // Coefficients the driver rejected leave the old ones in the file: for a
    // script that asked for a calibration, that is a failure.
    return completed == 1 && coefficientsTaken && written ? EXIT_SUCCESS : EXIT_FAILURE;
}
