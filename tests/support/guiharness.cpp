#include "guiharness.h"

#include <sys/ipc.h>
#include <sys/shm.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "config/configreader.h"
#include "devicerecord.h"
#include "driverlink/sharedmem.h"
#include "startup.h"
#include "ui/dialogs.h"
#include "language.h"
#include "ui/mainwindow.h"

// Last: Xlib's macros (Status, None, True) must not meet the headers above.
#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>
#include <gdk/gdkx.h>

namespace gui {

namespace {

gboolean SetFlag(gpointer flag) {
    *static_cast<bool*>(flag) = true;
    return G_SOURCE_REMOVE;
}

// The first widget, depth first, that match accepts. Combo entries and
// notebook tabs are internal children or tab labels: those are searched too.
template <typename Match>
GtkWidget* FindFirst(GtkWidget* widget, const Match& match) {
    if (match(widget)) {
        return widget;
    }
    if (!GTK_IS_CONTAINER(widget)) {
        return nullptr;
    }
    GList* children = gtk_container_get_children(GTK_CONTAINER(widget));
    GtkWidget* found = nullptr;
    for (GList* c = children; c != nullptr && found == nullptr; c = c->next) {
        found = FindFirst(GTK_WIDGET(c->data), match);
    }
    g_list_free(children);
    if (found == nullptr && GTK_IS_NOTEBOOK(widget)) {
        for (int i = 0; i < gtk_notebook_get_n_pages(GTK_NOTEBOOK(widget)) && !found; ++i) {
            GtkWidget* page = gtk_notebook_get_nth_page(GTK_NOTEBOOK(widget), i);
            found = FindFirst(gtk_notebook_get_tab_label(GTK_NOTEBOOK(widget), page), match);
        }
    }
    return found;
}

GtkWidget* FindIn(GtkWidget* widget, const char* name) {
    return FindFirst(widget,
                     [name](GtkWidget* w) { return g_strcmp0(gtk_widget_get_name(w), name) == 0; });
}

GtkWidget* FirstOfType(GtkWidget* widget, GType type) {
    return FindFirst(widget, [type](GtkWidget* w) { return G_TYPE_CHECK_INSTANCE_TYPE(w, type); });
}

GtkAdjustment* ValueAdjustment(GtkWidget* widget) {
    if (GTK_IS_SPIN_BUTTON(widget)) {
        return gtk_spin_button_get_adjustment(GTK_SPIN_BUTTON(widget));
    }
    return gtk_range_get_adjustment(GTK_RANGE(widget));
}

}  // namespace

void SendKey(GtkWidget* window, guint keyval) {
    GdkWindow* gdkWindow = gtk_widget_get_window(window);
    GdkDisplay* display = gdk_window_get_display(gdkWindow);
    GdkDevice* keyboard = gdk_seat_get_keyboard(gdk_display_get_default_seat(display));
    GdkKeymapKey* keys = nullptr;
    gint count = 0;
    gdk_keymap_get_entries_for_keyval(gdk_keymap_get_for_display(display), keyval, &keys, &count);
    for (GdkEventType type : {GDK_KEY_PRESS, GDK_KEY_RELEASE}) {
        GdkEvent* event = gdk_event_new(type);
        event->key.window = GDK_WINDOW(g_object_ref(gdkWindow));
        event->key.send_event = TRUE;
        event->key.time = GDK_CURRENT_TIME;
        event->key.keyval = keyval;
        event->key.hardware_keycode = count > 0 ? static_cast<guint16>(keys[0].keycode) : 0;
        gdk_event_set_device(event, keyboard);
        gtk_main_do_event(event);
        gdk_event_free(event);
    }
    g_free(keys);
}

namespace {

Display* XDisplayOf(GtkWidget* widget) {
    return GDK_DISPLAY_XDISPLAY(gtk_widget_get_display(widget));
}

// Lets the server deliver what XTEST generated and the window handle it.
void SettleInput(Display* display) {
    XSync(display, False);
    RunUntil([] { return false; }, 120);
}

// The X screen the pointer moves on: the one shown at start (tests that
// serve several screens show the window on the first).
int ScreenNumber() { return gdk_x11_screen_get_screen_number(gdk_screen_get_default()); }

}  // namespace

GdkPoint RootPoint(GtkWidget* widget, int x, int y) {
    EXPECT_TRUE(RunUntil([&] { return gtk_widget_get_mapped(widget); }));
    // The window settles its size and place once it is mapped.
    RunUntil([] { return false; }, 100);
    GtkWidget* toplevel = gtk_widget_get_toplevel(widget);
    int inTop[2] = {0, 0};
    gtk_widget_translate_coordinates(widget, toplevel, x, y, &inTop[0], &inTop[1]);
    int origin[2] = {0, 0};
    gdk_window_get_origin(gtk_widget_get_window(toplevel), &origin[0], &origin[1]);
    return GdkPoint{origin[0] + inTop[0], origin[1] + inTop[1]};
}

void PressAt(GdkPoint root, int button) {
    Display* display = GDK_DISPLAY_XDISPLAY(gdk_display_get_default());
    XTestFakeMotionEvent(display, ScreenNumber(), root.x, root.y, CurrentTime);
    XSync(display, False);
    RunUntil([] { return false; }, 30);
    // Pressed and released at once: a held "+" would start repeating.
    XTestFakeButtonEvent(display, static_cast<unsigned>(button), True, CurrentTime);
    XTestFakeButtonEvent(display, static_cast<unsigned>(button), False, CurrentTime);
    SettleInput(display);
}

GdkPoint SpinButtonPart(GtkWidget* spin, bool up) {
    // The "-" and "+" buttons are the spin button's two input windows at its
    // right end, "-" to the left of "+".
    EXPECT_TRUE(RunUntil([&] { return gtk_widget_get_mapped(spin); }));
    std::vector<GdkWindow*> parts;
    for (GList* c = gdk_window_peek_children(gtk_widget_get_window(spin)); c != nullptr;
         c = c->next) {
        auto* child = static_cast<GdkWindow*>(c->data);
        gpointer owner = nullptr;
        gdk_window_get_user_data(child, &owner);
        if (owner == spin && gdk_window_is_visible(child)) {
            parts.push_back(child);
        }
    }
    std::sort(parts.begin(), parts.end(), [](GdkWindow* a, GdkWindow* b) {
        int ax = 0;
        int bx = 0;
        gdk_window_get_position(a, &ax, nullptr);
        gdk_window_get_position(b, &bx, nullptr);
        return ax < bx;
    });
    EXPECT_GE(parts.size(), 3u) << "entry text and two buttons";
    if (parts.size() < 3) {
        return GdkPoint{0, 0};
    }
    GdkWindow* part = parts[parts.size() - (up ? 1 : 2)];
    int x = 0;
    int y = 0;
    gdk_window_get_origin(part, &x, &y);
    return GdkPoint{x + gdk_window_get_width(part) / 2, y + gdk_window_get_height(part) / 2};
}

void WheelOver(GtkWidget* widget, bool up) {
    PressAt(RootPoint(widget, gtk_widget_get_allocated_width(widget) / 2,
                      gtk_widget_get_allocated_height(widget) / 2),
            up ? 4 : 5);
}

GdkRectangle WorkArea() {
    GdkDisplay* gdkDisplay = gdk_display_get_default();
    Display* display = GDK_DISPLAY_XDISPLAY(gdkDisplay);
    const int screen = ScreenNumber();
    GdkRectangle area{0, 0, DisplayWidth(display, screen), DisplayHeight(display, screen)};
    const Window root = RootWindow(display, screen);
    auto cardinals = [&](const char* name, std::vector<long>* values) {
        Atom type = None;
        int format = 0;
        unsigned long count = 0;
        unsigned long left = 0;
        unsigned char* data = nullptr;
        if (XGetWindowProperty(display, root, XInternAtom(display, name, False), 0, 1024, False,
                               AnyPropertyType, &type, &format, &count, &left, &data) == Success &&
            format == 32) {
            values->assign(reinterpret_cast<long*>(data), reinterpret_cast<long*>(data) + count);
        }
        if (data != nullptr) {
            XFree(data);
        }
    };
    std::vector<long> desktop;
    std::vector<long> areas;
    cardinals("_NET_CURRENT_DESKTOP", &desktop);
    cardinals("_NET_WORKAREA", &areas);
    const size_t at = desktop.empty() ? 0 : static_cast<size_t>(desktop[0]) * 4;
    if (areas.size() >= at + 4) {
        area = GdkRectangle{static_cast<int>(areas[at]), static_cast<int>(areas[at + 1]),
                            static_cast<int>(areas[at + 2]), static_cast<int>(areas[at + 3])};
    }
    return area;
}

GdkRectangle ScreenExtents(GtkWidget* widget) {
    GtkWidget* toplevel = gtk_widget_get_toplevel(widget);
    int x = 0;
    int y = 0;
    gtk_widget_translate_coordinates(widget, toplevel, 0, 0, &x, &y);
    int originX = 0;
    int originY = 0;
    GdkWindow* window = gtk_widget_get_window(toplevel);
    gdk_window_get_origin(window, &originX, &originY);
    const int scale = gdk_window_get_scale_factor(window);
    return GdkRectangle{(originX + x) * scale, (originY + y) * scale,
                        gtk_widget_get_allocated_width(widget) * scale,
                        gtk_widget_get_allocated_height(widget) * scale};
}

GdkRectangle FrameExtents(GtkWidget* toplevel) {
    GdkWindow* window = gtk_widget_get_window(toplevel);
    GdkRectangle frame;
    gdk_window_get_frame_extents(window, &frame);
    const int scale = gdk_window_get_scale_factor(window);
    return GdkRectangle{frame.x * scale, frame.y * scale, frame.width * scale,
                        frame.height * scale};
}

void StrikeKey(GtkWidget* widget, guint keyval) {
    GtkWidget* toplevel = gtk_widget_get_toplevel(widget);
    EXPECT_TRUE(RunUntil([&] { return gtk_widget_get_mapped(widget); }));
    Display* display = XDisplayOf(widget);
    if (!gtk_window_is_active(GTK_WINDOW(toplevel))) {
        // Without a window manager nobody else gives a window the focus.
        XSetInputFocus(display, GDK_WINDOW_XID(gtk_widget_get_window(toplevel)), RevertToParent,
                       CurrentTime);
        EXPECT_TRUE(RunUntil([&] { return gtk_window_is_active(GTK_WINDOW(toplevel)); }))
            << "the window never got the keyboard focus";
    }
    gtk_widget_grab_focus(widget);
    const KeyCode code = XKeysymToKeycode(display, static_cast<KeySym>(keyval));
    ASSERT_NE(code, 0) << "no key for " << gdk_keyval_name(keyval);
    XTestFakeKeyEvent(display, code, True, CurrentTime);
    XTestFakeKeyEvent(display, code, False, CurrentTime);
    SettleInput(display);
}

bool RunUntil(const std::function<bool()>& done, int timeoutMs) {
    bool expired = false;
    guint timer = g_timeout_add(timeoutMs, SetFlag, &expired);
    while (!done() && !expired) {
        g_main_context_iteration(nullptr, TRUE);
    }
    if (!expired) {
        g_source_remove(timer);
    }
    return done();
}

void Flush() {
    while (g_main_context_pending(nullptr)) {
        g_main_context_iteration(nullptr, FALSE);
    }
}

GtkWidget* FindWidget(const char* name) {
    GList* toplevels = gtk_window_list_toplevels();
    GtkWidget* found = nullptr;
    for (GList* t = toplevels; t != nullptr && found == nullptr; t = t->next) {
        found = FindIn(GTK_WIDGET(t->data), name);
    }
    g_list_free(toplevels);
    return found;
}

GtkWidget* FindDialog() {
    GList* toplevels = gtk_window_list_toplevels();
    GtkWidget* found = nullptr;
    for (GList* t = toplevels; t != nullptr; t = t->next) {
        GtkWidget* window = GTK_WIDGET(t->data);
        if (g_strcmp0(gtk_widget_get_name(window), kDialogWidgetName) == 0 &&
            gtk_widget_get_visible(window)) {
            found = window;
        }
    }
    g_list_free(toplevels);
    return found;
}

ShownDialog DescribeDialog(GtkWidget* dialog) {
    ShownDialog shown;
    shown.title = gtk_window_get_title(GTK_WINDOW(dialog));
    GtkWidget* content = gtk_dialog_get_content_area(GTK_DIALOG(dialog));
    shown.text = LabelText(FirstOfType(content, GTK_TYPE_LABEL));
    GtkWidget* button = gtk_window_get_default_widget(GTK_WINDOW(dialog));
    shown.button = button ? LabelText(button) : "";
    return shown;
}

void CloseDialog(GtkWidget* dialog, CloseBy how) {
    switch (how) {
        case CloseBy::kButton:
            gtk_button_clicked(GTK_BUTTON(gtk_window_get_default_widget(GTK_WINDOW(dialog))));
            break;
        case CloseBy::kReturnKey:
            SendKey(dialog, GDK_KEY_Return);
            break;
        case CloseBy::kWindowManager:
            // What a window manager's close does: a delete event.
            gtk_window_close(GTK_WINDOW(dialog));
            break;
    }
}

DialogResponder::DialogResponder(std::vector<ShownDialog>* log, CloseBy how)
    : log_(log), how_(how), source_(g_timeout_add(10, Poll, this)) {}

DialogResponder::~DialogResponder() { g_source_remove(source_); }

gboolean DialogResponder::Poll(gpointer data) {
    auto* self = static_cast<DialogResponder*>(data);
    GtkWidget* dialog = FindDialog();
    if (dialog != nullptr && gtk_widget_get_mapped(dialog) &&
        g_object_get_data(G_OBJECT(dialog), "answered") == nullptr) {
        g_object_set_data(G_OBJECT(dialog), "answered", GINT_TO_POINTER(1));
        self->log_->push_back(DescribeDialog(dialog));
        CloseDialog(dialog, self->how_);
    }
    return G_SOURCE_CONTINUE;
}

std::string ComboText(GtkWidget* combo) {
    gchar* text = gtk_combo_box_text_get_active_text(GTK_COMBO_BOX_TEXT(combo));
    std::string result = text ? text : "";
    g_free(text);
    return result;
}

std::string EntryText(GtkWidget* comboWithEntry) {
    return gtk_entry_get_text(GTK_ENTRY(gtk_bin_get_child(GTK_BIN(comboWithEntry))));
}

std::string LabelText(GtkWidget* widget) {
    if (widget == nullptr) {
        return "";
    }
    if (GTK_IS_BUTTON(widget)) {
        const char* label = gtk_button_get_label(GTK_BUTTON(widget));
        return label ? label : "";
    }
    return gtk_label_get_text(GTK_LABEL(widget));
}

std::string StatusBarText() {
    GtkWidget* area = gtk_statusbar_get_message_area(GTK_STATUSBAR(statusBar));
    return LabelText(FirstOfType(area, GTK_TYPE_LABEL));
}

bool Sensitive(GtkWidget* widget) { return gtk_widget_get_sensitive(widget); }

bool Active(GtkWidget* toggle) { return gtk_toggle_button_get_active(GTK_TOGGLE_BUTTON(toggle)); }

double Value(GtkWidget* widget) { return gtk_adjustment_get_value(ValueAdjustment(widget)); }

double Lower(GtkWidget* widget) { return gtk_adjustment_get_lower(ValueAdjustment(widget)); }

double Upper(GtkWidget* widget) { return gtk_adjustment_get_upper(ValueAdjustment(widget)); }

std::vector<std::string> TabLabels() {
    GtkNotebook* notebook = GTK_NOTEBOOK(mainWindowParts.notebook);
    std::vector<std::string> labels;
    for (int i = 0; i < gtk_notebook_get_n_pages(notebook); ++i) {
        labels.push_back(
            gtk_notebook_get_tab_label_text(notebook, gtk_notebook_get_nth_page(notebook, i)));
    }
    return labels;
}

std::vector<GtkWidget*> ByPosition(std::vector<GtkWidget*> widgets) {
    std::sort(widgets.begin(), widgets.end(), [](GtkWidget* a, GtkWidget* b) {
        GtkAllocation x, y;
        gtk_widget_get_allocation(a, &x);
        gtk_widget_get_allocation(b, &y);
        return x.x < y.x;
    });
    return widgets;
}

void WindowTest::SetUp() {
    ResetDeviceState();
    ASSERT_EQ(CreateStartupRecord(), 0);
    isRoot = 1;
    calibrateOnly = 0;
    languageIndex = LanguageIndexFor(g_getenv("LANG"));
    screenWidth = 1024;
    screenHeight = 768;
    driverBlock = nullptr;
    char path[] = "/tmp/panel-gui-XXXXXX";
    int fd = mkstemp(path);
    ASSERT_GE(fd, 0);
    close(fd);
    configFile_ = path;
}

void WindowTest::TearDown() {
    if (mainWindow != nullptr) {
        // "destroy" ends a main loop: give it one to end.
        g_idle_add(
            [](gpointer) -> gboolean {
                gtk_widget_destroy(mainWindow);
                return G_SOURCE_REMOVE;
            },
            nullptr);
        gtk_main();
        mainWindow = nullptr;
        Flush();
    }
    if (driverBlock != nullptr) {
        shmdt(driverBlock);
        driverBlock = nullptr;
    }
    if (segment_ >= 0) {
        shmctl(segment_, IPC_RMID, nullptr);
    }
    unlink(configFile_.c_str());
    ResetDeviceState();
}

std::string WindowTest::Section(int screen, const char* device, int baud,
                                const std::string& extraOptions) {
    char text[512];
    snprintf(text, sizeof text,
             "Section \"InputDevice\"\n"
             "\tIdentifier \"TAVIR TouchPanel%d\"\n"
             "\tDriver \"tavir\"\n"
             "\tOption \"Device\" \"%s\"\n"
             "\tOption \"BaudRate\" \"%d\"\n"
             "\tOption \"ScreenNo\" \"%d\"\n",
             screen, device, baud, screen);
    return std::string(text) + extraOptions + "EndSection\n\n";
}

std::string WindowTest::Layout(std::initializer_list<int> screens) {
    std::string text = "Section \"ServerLayout\"\n\tIdentifier \"Layout0\"\n";
    for (int screen : screens) {
        text +=
            "\tInputDevice \"TAVIR TouchPanel" + std::to_string(screen) + "\" \"SendCoreEvents\"\n";
    }
    return text + "EndSection\n";
}

void WindowTest::UseConfig(const std::string& text) {
    FILE* file = fopen(configFile_.c_str(), "w");
    ASSERT_NE(file, nullptr);
    fputs(text.c_str(), file);
    fclose(file);
    ASSERT_LT(configFile_.size(), kConfigPathSize);
    strcpy(configPath, configFile_.c_str());
    ASSERT_EQ(ReadProgramConfig(), 0);
}

void WindowTest::ServeDriver(int major, int minor, int build) {
    segment_ = shmget(kDriverBlockKey, kDriverBlockSize, IPC_CREAT | kDriverBlockMode);
    ASSERT_GE(segment_, 0) << "run GUI tests inside tools/sandbox";
    void* base = shmat(segment_, nullptr, 0);
    ASSERT_NE(base, reinterpret_cast<void*>(-1));
    auto* block = static_cast<DriverSharedBlock*>(base);
    block->versionMajor = static_cast<uint8_t>(major);
    block->versionMinor = static_cast<uint8_t>(minor);
    block->versionBuild = static_cast<uint16_t>(build);
    shmdt(base);
}

DriverSharedBlock* WindowTest::AttachDriverView() {
    const int id = shmget(kDriverBlockKey, 0, 0);
    if (id < 0) {
        ADD_FAILURE() << "no driver segment: call ServeDriver first";
        return nullptr;
    }
    void* base = shmat(id, nullptr, 0);
    if (base == reinterpret_cast<void*>(-1)) {
        ADD_FAILURE() << "cannot attach the driver segment";
        return nullptr;
    }
    return static_cast<DriverSharedBlock*>(base);
}

void WindowTest::ListDevices(const char* queryOutput) { MarkLoadedDevices(queryOutput); }

void WindowTest::SetRoot(bool root) { isRoot = root ? 1 : 0; }

void WindowTest::Build(CloseBy how) {
    DialogResponder responder(&dialogs, how);
    testing::internal::CaptureStdout();
    CreateMainWindow();
    builderOutput = testing::internal::GetCapturedStdout();
    Flush();
}

}  // namespace gui

// Lists tests without a display; runs them with one.
int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    bool listing = ::testing::GTEST_FLAG(list_tests);
    if (!listing) {
        g_setenv("GDK_BACKEND", "x11", TRUE);
        g_setenv("NO_AT_BRIDGE", "1", TRUE);
        if (!gtk_init_check(&argc, &argv)) {
            fprintf(stderr, "no display: run through tests/ui/run_gui.sh\n");
            return 1;
        }
    }
    return RUN_ALL_TESTS();
}
