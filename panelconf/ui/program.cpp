#include "ui/program.h"

#include <gdk/gdkx.h>
#include <gtk/gtk.h>

#include "devicerecord.h"

bool OpenDisplay(int* argc, char*** argv) { return gtk_init_check(argc, argv); }

void ReadDefaultScreenSize() {
    GdkDisplay* display = gdk_display_get_default();
    if (display == nullptr || !GDK_IS_X11_DISPLAY(display)) {
        return;
    }
    Display* xdisplay = GDK_DISPLAY_XDISPLAY(display);
    int screen = DefaultScreen(xdisplay);
    screenWidth = DisplayWidth(xdisplay, screen);
    screenHeight = DisplayHeight(xdisplay, screen);
}

void RunMainLoop() { gtk_main(); }
