// The display-dependent half of the attach: the screen number comes from the
// name of the display GDK opened.
#include <gdk/gdk.h>
#include <glib.h>

#include "ui/sharedmeminit.h"

int SharedMemInit(DriverSharedBlock** block) {
    GdkDisplay* display = gdk_display_get_default();
    const char* name = display != nullptr ? gdk_display_get_name(display) : nullptr;
    return AttachDriverBlock(block, ScreenNoFromDisplayName(name));
}

void AttachDriverAtStartup() {
    if (SharedMemInit(&driverBlock) == 0) {
        g_print("  -> Failed to SharedMemInit.\n");
    }
}
