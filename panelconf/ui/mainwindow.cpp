// The main window: the top bar, the notebook of seven pages (each built by
// its own module, next to its handlers), the bottom row, and carrying out
// the start-up rules once everything is in place.
#include "ui/mainwindow.h"

#include <cstdlib>

#include "devicerecord.h"
#include "driverlink/blockops.h"
#include "labels.h"
#include "startup.h"
#include "startuprules.h"
#include "windowfit.h"
#include "ui/calibrationpage.h"
#include "ui/commtest.h"
#include "ui/dialogs.h"
#include "ui/driverstatus.h"
#include "ui/handlers_connect.h"
#include "ui/handlerblock.h"
#include "ui/informationpage.h"
#include "ui/mainpage.h"
#include "ui/packing.h"
#include "ui/settingpages.h"
#include "ui/sharedmeminit.h"

namespace {

void TopBar(GtkWidget* mainBox, const DeviceRecord* record) {
    GtkWidget* bar = HBox(10);
    PackStart(mainBox, bar, FALSE, FALSE, 0);
    GtkWidget* screenLabel = Label(LabelText(windowLabels, kWindowScreenNumber));
    PackStart(bar, screenLabel, FALSE, FALSE, 0);

    // The range covers every record's screen. Compared as unsigned numbers,
    // as the screen numbers are in the file.
    guint lowest = static_cast<guint>(record->screenNo);
    guint highest = lowest;
    for (GList* node = deviceList; node != nullptr; node = node->next) {
        auto screen = static_cast<guint>(static_cast<DeviceRecord*>(node->data)->screenNo);
        lowest = MIN(lowest, screen);
        highest = MAX(highest, screen);
    }
    screenSpin =
        Named(SpinButton(static_cast<guint>(record->screenNo), lowest, highest), "screenSpin");
    NameControl(screenLabel, screenSpin);
    PackStart(bar, screenSpin, FALSE, FALSE, 0);

    mainWindowParts.addScreenButton =
        Named(Button(LabelText(windowLabels, kWindowAdd), 0, 0), "addScreenButton");
    PackStart(bar, mainWindowParts.addScreenButton, TRUE, TRUE, 0);

    statusBar = Named(gtk_statusbar_new(), "statusBar");
    statusContextId = gtk_statusbar_get_context_id(GTK_STATUSBAR(statusBar), "Driver Status");
    PackStart(bar, statusBar, TRUE, TRUE, 0);
    ShowDriverStatus(record->status);

    PackStart(mainBox, gtk_separator_new(GTK_ORIENTATION_HORIZONTAL), FALSE, FALSE, 0);
}

void BottomRow(GtkWidget* mainBox) {
    GtkWidget* row = HBox(10);
    gtk_box_set_homogeneous(GTK_BOX(row), TRUE);
    PackEnd(mainBox, row, FALSE, FALSE, 0);
    PackEnd(mainBox, gtk_separator_new(GTK_ORIENTATION_HORIZONTAL), FALSE, FALSE, 0);

    // Packed from the end: they read OK, Cancel, Apply.
    applyButton = Named(Button(LabelText(windowLabels, kWindowApply), 80, 40), "applyButton");
    PackEnd(row, applyButton, TRUE, TRUE, 0);
    GtkWidget* cancelButton =
        Named(Button(LabelText(windowLabels, kWindowCancel), 0, 0), "cancelButton");
    PackEnd(row, cancelButton, TRUE, TRUE, 0);
    gtk_widget_set_can_default(cancelButton, TRUE);
    gtk_widget_grab_default(cancelButton);
    // Return must reach Cancel: an entry or spin button holding the focus
    // would take the key for itself.
    gtk_widget_grab_focus(cancelButton);
    okButton = Named(Button(LabelText(windowLabels, kWindowOk), 80, 40), "okButton");
    PackEnd(row, okButton, TRUE, TRUE, 0);
    mainWindowParts.cancelButton = cancelButton;
}

// The monitor the window is on, or the one it will be centred on.
GdkMonitor* WindowMonitor() {
    GdkDisplay* display = gtk_widget_get_display(mainWindow);
    GdkWindow* window = gtk_widget_get_window(mainWindow);
    GdkMonitor* monitor =
        window != nullptr ? gdk_display_get_monitor_at_window(display, window) : nullptr;
    if (monitor == nullptr) {
        monitor = gdk_display_get_primary_monitor(display);
    }
    if (monitor == nullptr) {
        monitor = gdk_display_get_monitor(display, 0);
    }
    return monitor;
}

// What the window manager's frame adds around the window, as it announces
// it (_NET_FRAME_EXTENTS, in X pixels): nothing before it has framed the
// window or without a window manager.
FrameExtents FrameOf() {
    FrameExtents extents{};
    GdkWindow* window = gtk_widget_get_window(mainWindow);
    if (window == nullptr) {
        return extents;
    }
    GdkAtom type = GDK_NONE;
    gint format = 0;
    gint length = 0;
    guchar* data = nullptr;
    if (gdk_property_get(window, gdk_atom_intern_static_string("_NET_FRAME_EXTENTS"),
                         gdk_atom_intern_static_string("CARDINAL"), 0, 4 * 4, FALSE, &type, &format,
                         &length, &data) &&
        format == 32 && length >= static_cast<gint>(4 * sizeof(long))) {
        // Four 32-bit values, fetched by the byte, handed back as longs.
        // Logical pixels, rounded up so that the frame never falls short.
        const long scale = gdk_window_get_scale_factor(window);
        const auto* sides = reinterpret_cast<const long*>(data);
        auto logical = [scale](long pixels) {
            return static_cast<int>((MAX(0L, pixels) + scale - 1) / scale);
        };
        extents = FrameExtents{logical(sides[0]), logical(sides[1]), logical(sides[2]),
                               logical(sides[3])};
    }
    g_free(data);
    return extents;
}

// A page that scrolls; with room it takes its natural size and looks as
// without scrolling.
GtkWidget* Scrolling(GtkWidget* page) {
    GtkWidget* scroller = gtk_scrolled_window_new(nullptr, nullptr);
    gtk_scrolled_window_set_policy(GTK_SCROLLED_WINDOW(scroller), GTK_POLICY_AUTOMATIC,
                                   GTK_POLICY_AUTOMATIC);
    gtk_scrolled_window_set_propagate_natural_width(GTK_SCROLLED_WINDOW(scroller), TRUE);
    gtk_scrolled_window_set_propagate_natural_height(GTK_SCROLLED_WINDOW(scroller), TRUE);
    gtk_container_add(GTK_CONTAINER(scroller), page);
    gtk_viewport_set_shadow_type(GTK_VIEWPORT(gtk_bin_get_child(GTK_BIN(scroller))),
                                 GTK_SHADOW_NONE);
    return scroller;
}

// The pages scroll when the window has to be smaller than they are. Only
// then: on a screen with room the window is built faster without.
void MakePagesScroll() {
    GtkNotebook* notebook = GTK_NOTEBOOK(mainWindowParts.notebook);
    if (GTK_IS_SCROLLED_WINDOW(gtk_notebook_get_nth_page(notebook, 0))) {
        return;
    }
    const int current = gtk_notebook_get_current_page(notebook);
    for (int i = 0; i < gtk_notebook_get_n_pages(notebook); ++i) {
        GtkWidget* page = GTK_WIDGET(g_object_ref(gtk_notebook_get_nth_page(notebook, i)));
        GtkWidget* tab = GTK_WIDGET(g_object_ref(gtk_notebook_get_tab_label(notebook, page)));
        gtk_notebook_remove_page(notebook, i);
        GtkWidget* scroller = Scrolling(page);
        gtk_widget_show(gtk_bin_get_child(GTK_BIN(scroller)));
        gtk_widget_show(scroller);
        gtk_notebook_insert_page(notebook, scroller, tab, i);
        g_object_unref(tab);
        g_object_unref(page);
    }
    gtk_notebook_set_current_page(notebook, current);
}

// The window's size and place inside the work area: the monitor less the
// panels, as the window manager reports it (the whole monitor without one).
// Where the contents fit, that is their natural size, centred; where they do
// not, the pages scroll and the top bar and the bottom row stay in sight.
WindowFit PlanFit(const FrameExtents& frame) {
    GdkRectangle area{0, 0, 0, 0};
    GdkMonitor* monitor = WindowMonitor();
    if (monitor != nullptr) {
        gdk_monitor_get_workarea(monitor, &area);
    }
    GtkRequisition minimum;
    GtkRequisition natural;
    gtk_widget_get_preferred_size(mainWindow, &minimum, &natural);
    if (area.width <= 0 || area.height <= 0) {
        return WindowFit{natural.width, natural.height, 0, 0, false, false};
    }
    WindowFit fit = PlanWindowFit(natural.width, natural.height, minimum.width, minimum.height,
                                  FitRect{area.x, area.y, area.width, area.height}, frame);
    if (!fit.narrower && !fit.shorter) {
        return fit;
    }
    MakePagesScroll();
    // Seven tabs in a row are wider than a narrow screen: there they scroll
    // as well, which lowers the minimum width. Where they fit they stay as
    // they are (a scrolling row of tabs takes the width of the page only).
    GtkNotebook* notebook = GTK_NOTEBOOK(mainWindowParts.notebook);
    if (fit.narrower) {
        gtk_notebook_set_scrollable(notebook, TRUE);
    }
    gtk_widget_get_preferred_size(mainWindow, &minimum, &natural);
    return PlanWindowFit(natural.width, natural.height, minimum.width, minimum.height,
                         FitRect{area.x, area.y, area.width, area.height}, frame);
}

// Sizes and centres the shown window for the work area: its natural size
// where that fits (the sizes are known once it is shown, so this costs
// little), else smaller, with the pages scrolling.
void FitWindow(const FrameExtents& frame) {
    const WindowFit fit = PlanFit(frame);
    int width = 0;
    int height = 0;
    gtk_window_get_size(GTK_WINDOW(mainWindow), &width, &height);
    if (width != fit.width || height != fit.height) {
        gtk_window_resize(GTK_WINDOW(mainWindow), fit.width, fit.height);
    }
    gtk_window_move(GTK_WINDOW(mainWindow), fit.frameX, fit.frameY);
}

// Once a window manager has framed the window, the frame too must lie in the
// work area and be centred there: the window is fitted again, once.
gboolean RefitForFrame(GtkWidget* window, GdkEventProperty* event, gpointer /*data*/) {
    if (event->atom != gdk_atom_intern_static_string("_NET_FRAME_EXTENTS")) {
        return FALSE;
    }
    const FrameExtents frame = FrameOf();
    if (frame.left + frame.right + frame.top + frame.bottom == 0) {
        return FALSE;
    }
    g_signal_handlers_disconnect_by_func(window, reinterpret_cast<gpointer>(RefitForFrame),
                                         nullptr);
    FitWindow(frame);
    return FALSE;
}

// The disabled state for a user who may not change settings.
void DisableSettingControls() {
    GtkWidget* const controls[] = {
        speedCombo,
        mainWindowParts.configCombo,
        portCombo,
        samplingScale,
        mainWindowParts.addScreenButton,
        mainWindowParts.productCombo,
        calibPoints4Radio,
        calibPoints9Radio,
        calibPoints25Radio,
        calibBorderSpin,
        mainWindowParts.touchModeCombo,
        tapTimeScale,
        liftOffScale,
        stabilizeScale,
        averageScale,
        mainWindowParts.settingDefaultButton,
        beepCheck,
        rclickCheck,
        holdScale,
        spatialScale,
        mainWindowParts.advancedDefaultButton,
    };
    for (GtkWidget* control : controls) {
        SetSensitive(control, FALSE);
    }
}

// Carries out the start-up plan; does not return when it ends the program.
void RunStartupRules(const DeviceRecord* record) {
    const StartupPlan plan = PlanStartupRules(driverLoaded != 0, isRoot != 0, *record);
    SetSensitive(applyButton, FALSE);
    SetSensitive(okButton, FALSE);
    if (plan.exitAfterMessage) {
        DialogWindow(plan.message);
        exit(plan.exitStatus);
    }
    ApplySensitivity(calibPoints4Radio, plan.fourPoints);
    if (plan.disableSettings) {
        DisableSettingControls();
    }
    ApplySensitivity(calibrationButton, plan.calibration);
    if (plan.disableSettings) {
        for (GtkWidget* radio : mainWindowParts.statusRadios) {
            SetSensitive(radio, FALSE);
        }
    }
    if (plan.showMessage) {
        DialogWindow(plan.message);
    }
    if (plan.disableLink) {
        SetSensitive(portCombo, FALSE);
        SetSensitive(speedCombo, FALSE);
    }
}

}  // namespace

void CreateMainWindow() {
    DeviceRecord* record = CurrentRecord();
    mainWindowParts.startRecord = record;

    mainWindow = gtk_window_new(GTK_WINDOW_TOPLEVEL);
    gtk_widget_set_name(mainWindow, "mainWindow");
    gtk_window_set_resizable(GTK_WINDOW(mainWindow), TRUE);
    gtk_window_set_title(GTK_WINDOW(mainWindow), LabelText(windowLabels, kWindowTitle));
    gtk_container_set_border_width(GTK_CONTAINER(mainWindow), 5);
    gtk_window_set_position(GTK_WINDOW(mainWindow), GTK_WIN_POS_CENTER);
    // The window appears once, complete and centred, when it is filled (a
    // window shown empty is first drawn empty, then grown and moved). Only
    // a calibration-only run, which never fills it, shows it now.
    if (calibrateOnly != 0) {
        gtk_widget_show(mainWindow);
    }

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
        {&mainPageLabels, 15, 5},        {&driverPageLabels, 10, 5},
        {&calibrationPageLabels, 10, 5}, {&settingPageLabels, 10, 10},
        {&advancedPageLabels, 10, 5},    {&communicationPageLabels, 0, 5},
        {&informationPageLabels, 10, 5},
    };
    GtkWidget* pages[kPageCount];
    for (int i = 0; i < kPageCount; ++i) {
        pages[i] = VBox(pageSpecs[i].spacing);
        gtk_container_set_border_width(GTK_CONTAINER(pages[i]), pageSpecs[i].border);
        // Row 0 of every page's table is its tab.
        GtkWidget* tab = Label(LabelText(*pageSpecs[i].tab, 0));
        if (i == kPageMain) {
            gtk_notebook_prepend_page(GTK_NOTEBOOK(notebook), pages[i], tab);
        } else {
            gtk_notebook_append_page(GTK_NOTEBOOK(notebook), pages[i], tab);
        }
    }

    const char* portText = BuildMainPage(pages[kPageMain], record);
    BuildDriverPage(pages[kPageDriver], record);
    BuildCalibrationPage(pages[kPageCalibration], record);
    BuildSettingPage(pages[kPageSetting], record);
    BuildAdvancedPage(pages[kPageAdvanced], record);
    BuildCommunicationPage(pages[kPageCommunication], portText);
    // The driver block is attached once the pages that only show the
    // records stand; nothing before here uses it, and the console reports a
    // failed attach at this point of the start-up. The Information page then
    // shows the version the driver put there.
    AttachDriverAtStartup();
    DriverVersion driverVersion{};
    const bool versionKnown = ReadDriverVersion(driverBlock, &driverVersion);
    BuildInformationPage(pages[kPageInformation], versionKnown ? &driverVersion : nullptr);
    BottomRow(mainBox);

    // Every control holds its initial value: from here on a change is the
    // user's.
    ConnectPageHandlers();

    if (calibrateOnly == 0) {
        // Heard from the start: a window manager announces its frame soon
        // after the window maps.
        gtk_widget_add_events(mainWindow, GDK_PROPERTY_CHANGE_MASK);
        g_signal_connect(mainWindow, "property-notify-event", G_CALLBACK(RefitForFrame), nullptr);
        gtk_widget_show_all(mainWindow);
        FitWindow(FrameOf());
    }
    FinishDeviceQuery();
    RunStartupRules(record);
}
