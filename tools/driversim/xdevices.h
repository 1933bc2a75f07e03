// The stand-in's presence on the X server: one XInput 2 master device per
// screen it serves, named as the real driver names its devices, and the
// pointer button releases that stand for touches in pointer mode.
#ifndef TOOLS_DRIVERSIM_XDEVICES_H
#define TOOLS_DRIVERSIM_XDEVICES_H

#include <X11/Xlib.h>

#include <string>
#include <vector>

class XDevices {
public:
    ~XDevices();
    bool Open(std::string* error);
    int Fd() const;
    bool ScreenSize(int screen, int* width, int* height) const;

    // Adds a master device `name`; the server then lists "<name> pointer",
    // "<name> keyboard" and their XTEST devices.
    bool AddMaster(const std::string& name, std::string* error);
    // Removes every master this object added. Safe to call twice.
    void RemoveAll();

    // Pointer button releases from every device, delivered even while
    // another client grabs the pointer.
    bool SelectButtonReleases(std::string* error);
    // Handles queued events; appends the buttons released.
    void Drain(std::vector<int>* releasedButtons);
    // The pointer position on the given screen; false when it is elsewhere.
    bool PointerOn(int screen, int* x, int* y) const;

    const std::vector<std::string>& Added() const { return names_; }

private:
    Display* display_ = nullptr;
    int xiOpcode_ = 0;
    std::vector<int> masters_;  // master pointer ids we added
    std::vector<std::string> names_;
};

#endif
