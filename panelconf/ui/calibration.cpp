#include "ui/calibration.h"

#include <gdk/gdkx.h>
#include <glib-unix.h>

#include <cstdio>
#include <cstdlib>
#include <map>
#include <string>

#include "devicerecord.h"
#include "driverlink/blockops.h"
#include "driverlink/calibscreen.h"
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
CalibWatcher watcher;
CalibrationCompleted completedCallback = nullptr;
// Whether the last finished run handed its coefficients to a record; a run
// the driver finished without valid ones completes all the same.
bool coefficientsTaken = false;

// The run's panel: the screen number of the record being calibrated, and
// the X screen its targets are shown on.
int runScreenNo = 0;
GdkScreen* runScreen = nullptr;

// Connections to the X server's other screens, opened for a run and kept
// for the next (a handful at most; like the window's parts, never freed).
std::map<int, GdkDisplay*> otherScreenDisplays;

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

// The display's own X screen: the one its name selects.
int OwnScreenNumber() {
    GdkScreen* screen = gdk_screen_get_default();
    return screen != nullptr && GDK_IS_X11_SCREEN(screen) ? gdk_x11_screen_get_screen_number(screen)
                                                          : 0;
}

// The size of an X screen in X pixels, whatever the window scale.
void XScreenSize(GdkScreen* screen, int* width, int* height) {
    Screen* xscreen = gdk_x11_screen_get_xscreen(screen);
    *width = WidthOfScreen(xscreen);
    *height = HeightOfScreen(xscreen);
}

// The screen that shows the targets of X screen `screenNo`: the display's
// own, or the default screen of a second connection to the same X server
// named for that screen. nullptr when the server has no such screen or the
// connection cannot be made.
GdkScreen* ScreenForTargets(int screenNo) {
    GdkDisplay* display = gdk_display_get_default();
    if (display == nullptr || !GDK_IS_X11_DISPLAY(display)) {
        return nullptr;
    }
    GdkScreen* own = gdk_display_get_default_screen(display);
    const int serverScreens = ScreenCount(GDK_DISPLAY_XDISPLAY(display));
    switch (PlanCalibScreen(screenNo, gdk_x11_screen_get_screen_number(own), serverScreens)) {
        case CalibScreenKind::kOwn:
            return own;
        case CalibScreenKind::kRefuse:
            return nullptr;
        case CalibScreenKind::kOther:
            break;
    }
    auto found = otherScreenDisplays.find(screenNo);
    if (found == otherScreenDisplays.end()) {
        const std::string name = DisplayNameForScreen(gdk_display_get_name(display), screenNo);
        GdkDisplay* opened = name.empty() ? nullptr : gdk_display_open(name.c_str());
        if (opened == nullptr) {
            return nullptr;
        }
        found = otherScreenDisplays.emplace(screenNo, opened).first;
    }
    GdkScreen* screen = gdk_display_get_default_screen(found->second);
    // A name that reached some other screen is no use either.
    return gdk_x11_screen_get_screen_number(screen) == screenNo ? screen : nullptr;
}

// No run for a panel whose targets cannot be shown on its own screen.
void RefuseScreen(int screenNo) {
    if (calibrateOnly != 0) {
        fprintf(stderr, "panelconf: the targets of screen %d cannot be shown on this display\n",
                screenNo);
        return;
    }
    CalibScreenDialog(screenNo);
}

void ShowTarget(int point) {
    gchar* caption = g_strdup_printf("Calibration: %d", point);
    const CalibFrame frame = ReadCalibFrame(driverBlock);
    PutTouchPoint(calWindow, caption, point, frame.calibPointsNum, frame.borderRatio,
                  frame.screenWidth, frame.screenHeight);
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
    // The record whose panel was calibrated (the spin cannot move while the
    // modal run goes on, so this is the one it shows).
    DeviceRecord* record = FindRecordByScreen(runScreenNo);
    if (record == nullptr) {
        LogWarning("Not Found the Config Parameter");
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
// could be made) a main-loop timer looks at the same interval.
guint StartPoll() {
    if (watcher.Start(driverBlock, kCalibWatchMs)) {
        return g_unix_fd_add(watcher.WakeFd(), G_IO_IN, OnDriverAnswered, nullptr);
    }
    return g_timeout_add(kCalibWatchMs, OnSyncDriver, nullptr);
}

}  // namespace

void SetCalibrationCompleted(CalibrationCompleted callback) { completedCallback = callback; }

void DoCalibration(GtkWidget* /*widget*/, gpointer /*data*/) { RunCalibration(); }

namespace {

// The run for one record, its targets on the record's X screen.
int RunCalibrationOf(DeviceRecord* record) {
    if (record->productChanged == 1) {
        DialogWindow(kMsgRestartAfterProductChange);
        return 0;
    }
    GdkScreen* screen = ScreenForTargets(record->screenNo);
    if (screen == nullptr) {
        RefuseScreen(record->screenNo);
        return 0;
    }
    g_print("  -> Calibrating...");
    coefficientsTaken = false;

    runScreen = screen;
    runScreenNo = record->screenNo;
    int width = 0;
    int height = 0;
    XScreenSize(screen, &width, &height);
    BeginCalibRun(driverBlock, *record, width, height);
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

}  // namespace

int RunCalibration() {
    if (driverBlock == nullptr || calWindow != nullptr) {
        return 0;
    }
    DeviceRecord* record = SpinRecordOrWarn();
    if (record == nullptr) {
        return 0;
    }
    return RunCalibrationOf(record);
}

int StartCalibration() {
    const CalibFrame frame = ReadCalibFrame(driverBlock);
    CreateCalibWindow(&calWindow, frame.borderRatio, frame.calibPointsNum);
    // Selected, but no handler: the touches belong to the driver.
    gtk_widget_add_events(calWindow, GDK_BUTTON_RELEASE_MASK);
    PutTouchPoint(calWindow, "Calibration: 1", frame.calPoint, frame.calibPointsNum,
                  frame.borderRatio, frame.screenWidth, frame.screenHeight);
    gtk_widget_show_all(calWindow);
    HandTargetToDriver(driverBlock);
    return 1;
}

void CreateCalibWindow(GtkWidget** window, float /*borderRatio*/, uint8_t /*pointsNum*/) {
    // The whole X screen of the run's panel, as it is now.
    GdkScreen* screen = runScreen != nullptr ? runScreen : gdk_screen_get_default();
    int width = screenWidth;
    int height = screenHeight;
    XScreenSize(screen, &width, &height);

    GtkWidget* created = gtk_window_new(GTK_WINDOW_POPUP);
    gtk_window_set_screen(GTK_WINDOW(created), screen);
    gtk_widget_set_name(created, "CalibrationWindow");
    // The toolkit sizes windows in logical pixels; rounded up, the window
    // leaves no X pixel of the screen bare at any window scale.
    const int scale = gtk_widget_get_scale_factor(created);
    const int logicalWidth = LogicalExtent(width, scale);
    const int logicalHeight = LogicalExtent(height, scale);
    gtk_window_set_default_size(GTK_WINDOW(created), logicalWidth, logicalHeight);
    gtk_widget_set_size_request(created, logicalWidth, logicalHeight);
    // Centred, a window of the screen's size stands at the screen's origin.
    gtk_window_move(GTK_WINDOW(created), 0, 0);
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
    // Every position here is an X screen pixel (the targets, the block's
    // size, the driver's touches); the fixed container counts logical ones.
    const int scale = gtk_widget_get_scale_factor(window);

    if (calCrossImage == nullptr) {
        GdkPixbuf* marker = gdk_pixbuf_new_from_xpm_data(kMarkerXpm);
        if (marker == nullptr) {
            FatalError("Can't create pixmap.\n");
        }
        // At a window scale above 1 the marker is drawn that much larger, so
        // that it stays as visible as elsewhere on the desktop; its pixels
        // are widened, not smoothed, so its centre stays a sharp square.
        GdkPixbuf* drawn = marker;
        if (scale > 1) {
            drawn = gdk_pixbuf_scale_simple(marker, kCalibMarkerSize * scale,
                                            kCalibMarkerSize * scale, GDK_INTERP_NEAREST);
            g_object_unref(marker);
            if (drawn == nullptr) {
                FatalError("Can't create pixmap.\n");
            }
        }
        cairo_surface_t* surface = gdk_cairo_surface_create_from_pixbuf(drawn, scale, nullptr);
        g_object_unref(drawn);

        // The caption goes in first so that the marker is drawn over it:
        // at a large scale the caption's text reaches the middle target.
        calLabel = gtk_label_new("");
        gtk_widget_set_name(calLabel, "CalibrationCaption");
        // The old toolkit kept child positions in 16 bits.
        gtk_fixed_put(fixed, calLabel, LogicalPixel(static_cast<int16_t>(width / 2 - 30), scale),
                      LogicalPixel(static_cast<int16_t>(height / 2 - 30), scale));

        calCrossImage = gtk_image_new_from_surface(surface);
        cairo_surface_destroy(surface);
        gtk_widget_set_name(calCrossImage, "CalibrationMarker");
        gtk_fixed_put(fixed, calCrossImage, 0, 0);
        gtk_widget_set_size_request(calCrossImage, kCalibMarkerSize, kCalibMarkerSize);
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
        // The marker's centre pixel, a scale x scale square of X pixels,
        // covers the target's X pixel.
        gtk_fixed_move(fixed, calCrossImage, LogicalPixel(x, scale) - kCalibMarkerCentre,
                       LogicalPixel(y, scale) - kCalibMarkerCentre);
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
    // The targets appear on the display's own X screen, so the panel
    // calibrated is the one of that screen. Without one nothing is run and
    // nothing written: another screen's panel must not be calibrated here.
    const int own = OwnScreenNumber();
    if (FindRecordByScreen(own) == nullptr) {
        fprintf(stderr, "panelconf: no touch panel is configured for X screen %d\n", own);
        return EXIT_FAILURE;
    }
    int completed = 0;
    if (driverBlock != nullptr && calWindow == nullptr) {
        completed = RunCalibrationOf(FindRecordByScreen(own));
    }
    // Apply whatever the outcome; its result says whether the file holds it.
    const bool written = ApplyCurrentScreen() == ApplyResult::kWritten;
    // Coefficients the driver rejected leave the old ones in the file: for a
    // script that asked for a calibration, that is a failure.
    return completed == 1 && coefficientsTaken && written ? EXIT_SUCCESS : EXIT_FAILURE;
}
