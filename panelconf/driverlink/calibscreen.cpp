#include "driverlink/calibscreen.h"

#include <cstring>

CalibScreenKind PlanCalibScreen(int recordScreen, int displayScreen, int serverScreens) {
    if (recordScreen == displayScreen) {
        return CalibScreenKind::kOwn;
    }
    if (recordScreen >= 0 && recordScreen < serverScreens) {
        return CalibScreenKind::kOther;
    }
    return CalibScreenKind::kRefuse;
}

std::string DisplayNameForScreen(const char* displayName, int screen) {
    if (displayName == nullptr || screen < 0) {
        return std::string();
    }
    const char* colon = strrchr(displayName, ':');
    if (colon == nullptr) {
        return std::string();
    }
    const char* dot = strchr(colon, '.');
    std::string name(displayName, dot != nullptr ? dot : colon + strlen(colon));
    return name + "." + std::to_string(screen);
}
