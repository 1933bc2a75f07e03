#include "ui/program.h"

#include <gdk/gdkx.h>
#include <gtk/gtk.h>

#include "devicerecord.h"

bool OpenDisplay(int* argc, char*** argv) { return gtk_init_check(argc, argv); }

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
