#include "ui/program.h"

#include <gdk/gdkx.h>
#include <gtk/gtk.h>

#include "devicerecord.h"

bool OpenDisplay(int* argc, char*** argv) {
    if (!gtk_init_check(argc, argv)) {
        return false;
    }
    // The window changes state as it starts (focus, the start-up rules'
    // sensitivity): with the theme's transitions each change is animated,
    // and the window keeps repainting itself for a third of a second after
    // it appeared. The utility's window has never animated.
    g_object_set(gtk_settings_get_default(), "gtk-enable-animations", FALSE, nullptr);
    return true;
}

bool QueryDefaultScreenSize(int* width, int* height) {
    GdkDisplay* display = gdk_display_get_default();
    if (display == nullptr || !GDK_IS_X11_DISPLAY(display)) {
        return false;
    }
    Display* xdisplay = GDK_DISPLAY_XDISPLAY(display);
    int screen = DefaultScreen(xdisplay);
    *width = DisplayWidth(xdisplay, screen);
    *height = DisplayHeight(xdisplay, screen);
    return true;
}

void ReadDefaultScreenSize() { QueryDefaultScreenSize(&screenWidth, &screenHeight); }

void RunMainLoop() { gtk_main(); }
