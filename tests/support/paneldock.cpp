// A desktop panel for the display profiles of the GUI tests: a dock window
// along one edge of the default screen that reserves its strip
// (_NET_WM_STRUT_PARTIAL), as a taskbar does. A window manager then leaves
// the strip out of the work area it reports.
//
//   paneldock bottom:40 | top:40
//
// Prints "ready" once mapped and, when a window manager runs, once the work
// area it reports leaves the strip out; then stays until it is killed.
#include <X11/Xatom.h>
#include <X11/Xlib.h>

#include <cstdio>
#include <cstring>
#include <ctime>
#include <vector>

namespace {

int Usage() {
    std::fprintf(stderr, "usage: paneldock bottom:PIXELS | top:PIXELS\n");
    return 2;
}

// The first `length` values of a root window property of the given type, as
// Xlib hands them back (longs); fewer when it holds fewer or is not set.
std::vector<long> RootProperty(Display* display, const char* name, Atom type, long length) {
    Atom actualType = None;
    int format = 0;
    unsigned long count = 0;
    unsigned long left = 0;
    unsigned char* data = nullptr;
    std::vector<long> values;
    if (XGetWindowProperty(display, DefaultRootWindow(display), XInternAtom(display, name, False),
                           0, length, False, type, &actualType, &format, &count, &left,
                           &data) == Success &&
        data != nullptr) {
        const auto* longs = reinterpret_cast<const long*>(data);
        values.assign(longs, longs + count);
    }
    if (data != nullptr) {
        XFree(data);
    }
    return values;
}

bool WindowManagerRuns(Display* display) {
    return RootProperty(display, "_NET_SUPPORTING_WM_CHECK", XA_WINDOW, 1).size() == 1;
}

// The height of the first desktop's work area, or -1 when none is reported.
long WorkAreaHeight(Display* display) {
    const std::vector<long> area = RootProperty(display, "_NET_WORKAREA", XA_CARDINAL, 4);
    return area.size() == 4 ? area[3] : -1;
}

}  // namespace

int main(int argc, char* argv[]) {
    int thickness = 0;
    char edge[8] = {};
    if (argc != 2 || std::sscanf(argv[1], "%7[a-z]:%d", edge, &thickness) != 2 || thickness <= 0 ||
        (std::strcmp(edge, "bottom") != 0 && std::strcmp(edge, "top") != 0)) {
        return Usage();
    }
    const bool bottom = std::strcmp(edge, "bottom") == 0;
    Display* display = XOpenDisplay(nullptr);
    if (display == nullptr) {
        std::fprintf(stderr, "paneldock: cannot open display \"%s\"\n", XDisplayName(nullptr));
        return 1;
    }
    const int screen = DefaultScreen(display);
    const int width = DisplayWidth(display, screen);
    const int height = DisplayHeight(display, screen);
    const int y = bottom ? height - thickness : 0;
    const Window dock = XCreateSimpleWindow(
        display, RootWindow(display, screen), 0, y, static_cast<unsigned>(width),
        static_cast<unsigned>(thickness), 0, 0, BlackPixel(display, screen));

    const Atom windowType = XInternAtom(display, "_NET_WM_WINDOW_TYPE", False);
    const Atom dockType = XInternAtom(display, "_NET_WM_WINDOW_TYPE_DOCK", False);
    XChangeProperty(display, dock, windowType, XA_ATOM, 32, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(&dockType), 1);
    // left, right, top, bottom, then the start and end of each strip.
    long strut[12] = {};
    strut[bottom ? 3 : 2] = thickness;
    strut[bottom ? 10 : 8] = 0;
    strut[bottom ? 11 : 9] = width - 1;
    XChangeProperty(display, dock, XInternAtom(display, "_NET_WM_STRUT_PARTIAL", False),
                    XA_CARDINAL, 32, PropModeReplace, reinterpret_cast<unsigned char*>(strut), 12);
    XChangeProperty(display, dock, XInternAtom(display, "_NET_WM_STRUT", False), XA_CARDINAL, 32,
                    PropModeReplace, reinterpret_cast<unsigned char*>(strut), 4);
    const long allDesktops = 0xFFFFFFFF;
    XChangeProperty(display, dock, XInternAtom(display, "_NET_WM_DESKTOP", False), XA_CARDINAL, 32,
                    PropModeReplace, reinterpret_cast<const unsigned char*>(&allDesktops), 1);
    XStoreName(display, dock, "paneldock");
    XMapWindow(display, dock);
    XSync(display, False);

    if (WindowManagerRuns(display)) {
        const timespec pause{0, 20 * 1000 * 1000};
        for (int i = 0; i < 500 && WorkAreaHeight(display) != height - thickness; ++i) {
            nanosleep(&pause, nullptr);
            // A window manager still starting may have missed the first map.
            if (i % 50 == 49) {
                XUnmapWindow(display, dock);
                XMapWindow(display, dock);
                XSync(display, False);
            }
        }
        if (WorkAreaHeight(display) != height - thickness) {
            std::fprintf(stderr, "paneldock: the window manager never left the strip out\n");
            return 1;
        }
    }
    std::printf("ready\n");
    std::fflush(stdout);
    for (;;) {
        XEvent event;
        XNextEvent(display, &event);
    }
}
