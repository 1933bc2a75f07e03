#include "xdevices.h"

#include <X11/extensions/XInput2.h>

#include <cstring>
#include <set>

namespace {

std::set<int> MasterPointers(Display* display, const std::string& name) {
    std::set<int> ids;
    int count = 0;
    XIDeviceInfo* info = XIQueryDevice(display, XIAllMasterDevices, &count);
    std::string wanted = name + " pointer";
    for (int i = 0; i < count; ++i) {
        if (info[i].use == XIMasterPointer && info[i].name != nullptr && wanted == info[i].name) {
            ids.insert(info[i].deviceid);
        }
    }
    if (info != nullptr) {
        XIFreeDeviceInfo(info);
    }
    return ids;
}

}  // namespace

XDevices::~XDevices() {
    RemoveAll();
    if (display_ != nullptr) {
        XCloseDisplay(display_);
    }
}

bool XDevices::Open(std::string* error) {
    display_ = XOpenDisplay(nullptr);
    if (display_ == nullptr) {
        *error = std::string("cannot open display \"") + XDisplayName(nullptr) + "\"";
        return false;
    }
    int event = 0, err = 0;
    if (!XQueryExtension(display_, "XInputExtension", &xiOpcode_, &event, &err)) {
        *error = "the X server has no XInputExtension";
        return false;
    }
    int major = 2, minor = 2;
    if (XIQueryVersion(display_, &major, &minor) != Success || major < 2) {
        *error = "the X server lacks XInput 2";
        return false;
    }
    return true;
}

int XDevices::Fd() const { return display_ != nullptr ? ConnectionNumber(display_) : -1; }

bool XDevices::ScreenSize(int screen, int* width, int* height) const {
    if (display_ == nullptr || screen < 0 || screen >= ScreenCount(display_)) {
        return false;
    }
    *width = DisplayWidth(display_, screen);
    *height = DisplayHeight(display_, screen);
    return true;
}

bool XDevices::AddMaster(const std::string& name, std::string* error) {
    std::set<int> before = MasterPointers(display_, name);
    XIAddMasterInfo add;
    memset(&add, 0, sizeof add);
    add.type = XIAddMaster;
    add.name = const_cast<char*>(name.c_str());
    add.send_core = True;
    add.enable = True;
    if (XIChangeHierarchy(display_, reinterpret_cast<XIAnyHierarchyChangeInfo*>(&add), 1) !=
        Success) {
        *error = "XIChangeHierarchy refused to add " + name;
        return false;
    }
    XSync(display_, False);
    std::set<int> after = MasterPointers(display_, name);
    int added = 0;
    for (int id : after) {
        if (before.count(id) == 0) {
            masters_.push_back(id);
            ++added;
        }
    }
    if (added == 0) {
        *error = "the X server did not add " + name;
        return false;
    }
    names_.push_back(name);
    return true;
}

void XDevices::RemoveAll() {
    if (display_ == nullptr || masters_.empty()) {
        return;
    }
    for (int id : masters_) {
        XIRemoveMasterInfo remove;
        memset(&remove, 0, sizeof remove);
        remove.type = XIRemoveMaster;
        remove.deviceid = id;
        remove.return_mode = XIFloating;
        XIChangeHierarchy(display_, reinterpret_cast<XIAnyHierarchyChangeInfo*>(&remove), 1);
    }
    XSync(display_, False);
    masters_.clear();
    names_.clear();
}

bool XDevices::SelectButtonReleases(std::string* error) {
    unsigned char bits[XIMaskLen(XI_LASTEVENT)] = {};
    XISetMask(bits, XI_RawButtonRelease);
    XIEventMask mask;
    mask.deviceid = XIAllMasterDevices;
    mask.mask_len = sizeof bits;
    mask.mask = bits;
    for (int s = 0; s < ScreenCount(display_); ++s) {
        if (XISelectEvents(display_, RootWindow(display_, s), &mask, 1) != Success) {
            *error = "cannot select raw button events";
            return false;
        }
    }
    XSync(display_, False);
    return true;
}

void XDevices::Drain(std::vector<int>* releasedButtons) {
    if (display_ == nullptr) {
        return;
    }
    while (XPending(display_) > 0) {
        XEvent event;
        XNextEvent(display_, &event);
        XGenericEventCookie* cookie = &event.xcookie;
        if (cookie->type != GenericEvent || cookie->extension != xiOpcode_ ||
            !XGetEventData(display_, cookie)) {
            continue;
        }
        if (cookie->evtype == XI_RawButtonRelease) {
            auto* raw = static_cast<XIRawEvent*>(cookie->data);
            releasedButtons->push_back(raw->detail);
        }
        XFreeEventData(display_, cookie);
    }
}

bool XDevices::PointerOn(int screen, int* x, int* y) const {
    if (display_ == nullptr || screen < 0 || screen >= ScreenCount(display_)) {
        return false;
    }
    Window root = 0, child = 0;
    int rootX = 0, rootY = 0, winX = 0, winY = 0;
    unsigned int buttons = 0;
    if (!XQueryPointer(display_, RootWindow(display_, screen), &root, &child, &rootX, &rootY, &winX,
                       &winY, &buttons)) {
        return false;  // the pointer is on another screen
    }
    *x = rootX;
    *y = rootY;
    return true;
}
