// Lists the input devices of the running X server, one name a line, as the
// historical "xsetpointer -l" did. Upstream X.Org dropped it (Debian's
// x11-xserver-utils still ships one); the touch panel utility runs this one
// when no xsetpointer is on PATH, to learn which panels the server has loaded.
#include <X11/Xlib.h>
#include <X11/extensions/XInput.h>

#include <cstdio>
#include <cstring>

static int Usage() {
    fprintf(stderr, "usage: xsetpointer -l\n");
    return 2;
}

int main(int argc, char* argv[]) {
    if (argc != 2 || strcmp(argv[1], "-l") != 0) {
        return Usage();
    }
    Display* display = XOpenDisplay(nullptr);
    if (display == nullptr) {
        fprintf(stderr, "xsetpointer: unable to open display \"%s\"\n", XDisplayName(nullptr));
        return 1;
    }
    int opcode, event, error;
    if (!XQueryExtension(display, "XInputExtension", &opcode, &event, &error)) {
        fprintf(stderr, "xsetpointer: the X server has no XInputExtension\n");
        XCloseDisplay(display);
        return 1;
    }
    int count = 0;
    XDeviceInfo* devices = XListInputDevices(display, &count);
    for (int i = 0; i < count; ++i) {
        printf("%s\n", devices[i].name != nullptr ? devices[i].name : "");
    }
    if (devices != nullptr) {
        XFreeDeviceList(devices);
    }
    XCloseDisplay(display);
    return 0;
}
