#include "ui/calibration.h"

#include <gdk/gdkx.h>

#include <cstdlib>
#include <cstring>

#include "devicerecord.h"
#include "driverlink/calibtargets.h"
#include "driverlink/sharedmem.h"
#include "ui/applyokcancel.h"
#include "ui/dialogs.h"
#include "ui/mainwindow.h"

GtkWidget* calWindow = nullptr;
GtkWidget* calCrossImage = nullptr;
GtkWidget* calLabel = nullptr;
guint calTimeoutId = 0;

namespace {

// Handshake values of calState.
constexpr uint8_t kCalIdle = 0;
constexpr uint8_t kCalWaiting = 1;  // a target is shown, the driver may take it
constexpr uint8_t kCalTaken = 2;    // the driver took it (or finished the run)

// Benchmark only: with this variable set to "1" the handshake is polled from
// an idle handler with no interval, so that the processor cost of such a
// poll can be measured against the timer. Never set it in production.
constexpr const char* kBenchIdlePollVariable = "PANELCONF_BENCH_IDLE_POLL";

// The target marker: a black ring with white notches; " " is transparent.
const char* kMarkerXpm[] = {
    "10 10 3 1",
    " \tc None",
    ".\tc #000000",
    "+\tc #FFFFFF",
    "..++++++..",
    "...++++...",
    "+........+",
    "++......++",
    "++......++",
    "++......++",
    "++......++",
    "+........+",
    "...++++...",
    "..++++++..",
};

// Source id of the handshake poll while a run is going.
guint syncSourceId = 0;

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

void LogWarning(const char* message) {
    g_log(nullptr, G_LOG_LEVEL_WARNING, "%s", message);
}

void QuitRunLoop(GtkWidget* /*window*/, gpointer /*data*/) {
    gtk_main_quit();
}

// Size of the whole default X screen, as the window must cover it.
void CurrentScreenSize(int* width, int* height) {
    *width = screenWidth;
    *height = screenHeight;
    GdkDisplay* display = gdk_display_get_default();
    if (display == nullptr || !GDK_IS_X11_DISPLAY(display)) {
        return;
    }
    Display* xdisplay = GDK_DISPLAY_XDISPLAY(display);
    int screen = DefaultScreen(xdisplay);
    *width = DisplayWidth(xdisplay, screen);
    *height = DisplayHeight(xdisplay, screen);
}

// The record of the screen the spin shows, or nullptr with the warning.
DeviceRecord* SpinRecord() {
    int screen = screenSpin != nullptr
                     ? gtk_spin_button_get_value_as_int(GTK_SPIN_BUTTON(screenSpin))
                     : 0;
    DeviceRecord* record = FindRecordByScreen(screen);
    if (record == nullptr) {
        LogWarning("Not Found the Config Parameter");
    }
    return record;
}

void ShowTarget(int point) {
    gchar* caption = g_strdup_printf("Calibration: %d", point);
    PutTouchPoint(calWindow, caption, point, driverBlock->calibPointsNum,
                  driverBlock->borderRatio, driverBlock->screenWidth,
                  driverBlock->screenHeight);
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

void CopyCoefficients(DeviceRecord* record, const DriverSharedBlock* block) {
    memcpy(record->coefficientRevise, block->coefficientRevise,
           sizeof record->coefficientRevise);
    memcpy(record->coefficient4p, block->coefficient4p, sizeof record->coefficient4p);
    switch (block->calibPointsNum) {
        case 4:
            memcpy(record->coefficient, block->coefficient, 8 * sizeof(int32_t));
            break;
        case 9:
            memcpy(record->coefficient, block->coefficient, 32 * sizeof(int32_t));
            memcpy(record->cal9Base, block->cal9Base, sizeof record->cal9Base);
            break;
        default:
            memcpy(record->coefficient, block->coefficient, sizeof record->coefficient);
            memcpy(record->cal9Base, block->cal9Base, sizeof record->cal9Base);
            memcpy(record->cal25Base, block->cal25Base, sizeof record->cal25Base);
            break;
    }
}

void FinishRun() {
    driverBlock->calState = kCalIdle;
    driverBlock->calPoint = 0;
    CloseCalibWindow();

    if (driverBlock->coeffReady == 0) {
        g_print("  -> Can't set calibrated co-efficients.\n");
        return;
    }
    DeviceRecord* record = SpinRecord();
    if (record == nullptr) {
        return;
    }
    CopyCoefficients(record, driverBlock);
    driverBlock->coeffReady = 0;
}

}  // namespace

void DoCalibration(GtkWidget* /*widget*/, gpointer /*data*/) {
    RunCalibration();
}

int RunCalibration() {
    if (driverBlock == nullptr || calWindow != nullptr) {
        return 0;
    }
    DeviceRecord* record = SpinRecord();
    if (record == nullptr) {
        return 0;
    }
    if (record->productChanged == 1) {
        DialogWindow(kMsgRestartAfterProductChange);
        return 0;
    }
    g_print("  -> Calibrating...");

    // The frame of the run. The point count stays as attach or the last
    // Apply left it: an unapplied choice on the Calibration page is not the
    // driver's.
    driverBlock->calPoint = 1;
    driverBlock->screenNo = record->screenNo;
    driverBlock->sampling = record->sampling;
    driverBlock->borderRatio = record->borderRatio;

    StartCalibration();

    const char* benchIdle = g_getenv(kBenchIdlePollVariable);
    if (benchIdle != nullptr && strcmp(benchIdle, "1") == 0) {
        syncSourceId = g_idle_add(OnSyncDriver, nullptr);
    } else {
        syncSourceId = g_timeout_add(kCalibPollMs, OnSyncDriver, nullptr);
    }
    calTimeoutId = g_timeout_add(kCalibTimeoutMs, OnTimeOut, nullptr);
    gtk_window_set_modal(GTK_WINDOW(calWindow), TRUE);

    gtk_main();

    if (calTimeoutId > 0) {
        g_source_remove(calTimeoutId);
        calTimeoutId = 0;
    }
    g_source_remove(syncSourceId);
    syncSourceId = 0;

    if (driverBlock->calPoint != 0) {
        LogWarning("Uncompleted!!");
        DialogWindow(kMsgCalibrationUnfinished);
        return 0;
    }
    g_print("  -> Completed.");
    if (isRoot) {
        SetSensitive(applyButton, TRUE);
        SetSensitive(okButton, TRUE);
    }
    return 1;
}

int StartCalibration() {
    driverBlock->coeffReady = 0;
    CreateCalibWindow(&calWindow, driverBlock->borderRatio, driverBlock->calibPointsNum);
    // Selected, but no handler: the touches belong to the driver.
    gtk_widget_add_events(calWindow, GDK_BUTTON_RELEASE_MASK);
    PutTouchPoint(calWindow, "Calibration: 1", driverBlock->calPoint,
                  driverBlock->calibPointsNum, driverBlock->borderRatio,
                  driverBlock->screenWidth, driverBlock->screenHeight);
    gtk_widget_show_all(calWindow);
    driverBlock->calState = kCalWaiting;
    return 1;
}

void CreateCalibWindow(GtkWidget** window, float /*borderRatio*/, uint8_t /*pointsNum*/) {
    int width = 0;
    int height = 0;
    CurrentScreenSize(&width, &height);

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
    if (driverBlock == nullptr || calWindow == nullptr || driverBlock->calState != kCalTaken) {
        return TRUE;
    }
    // Each field is read once: the driver may write it again at any moment.
    int point = driverBlock->calPoint;
    if (point > driverBlock->calibPointsNum) {
        FinishRun();
        return TRUE;
    }
    ShowTarget(point);
    driverBlock->calState = kCalWaiting;
    // Only a target that exists is progress. A driver that keeps answering
    // with a target number below 1 would otherwise keep the run going for
    // ever; the time-out of the last real target ends it instead.
    if (point >= 1) {
        RestartTimeOut();
    }
    return TRUE;
}

gboolean OnTimeOut(gpointer /*data*/) {
    if (calWindow == nullptr) {
        return TRUE;  // the run has already ended; its loop is on the way out
    }
    if (driverBlock != nullptr) {
        driverBlock->calState = kCalIdle;
    }
    g_print("  -> TIME OUT\n");
    CloseCalibWindow();
    return TRUE;
}

int CalibrateOnly() {
    int completed = RunCalibration();
    // Apply whatever the outcome; its result says whether the file holds it.
    const bool written = ApplyCurrentScreen() == ApplyResult::kWritten;
    return completed == 1 && written ? EXIT_SUCCESS : EXIT_FAILURE;
}

void ConnectCalibrationHandlers() {
    g_signal_connect(calibrationButton, "clicked", G_CALLBACK(DoCalibration), nullptr);
}
