#include "configsearch.h"

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "devicerecord.h"

const char* const kConfigCandidates[kConfigCandidateCount] = {
    "/etc/X11/xorg.conf",
    "$HOME/XF86Config",
    "/etc/X11/XF86Config-4",
    "/etc/X11/XF86Config",
    "/etc/XF86Config",
    "/usr/X11R6/etc/X11/XF86Config.$HOSTNAME",
    "/usr/X11R6/etc/X11/XF86Config-4",
    "/usr/X11R6/etc/X11/XF86Config",
    "/usr/X11R6/lib/X11/XF86Config.$HOSTNAME",
    "/usr/X11R6/lib/X11/XF86Config-4",
    "/usr/X11R6/lib/X11/XF86Config",
};

int ExpandConfigTemplate(const char* templateText, char* out, size_t outSize) {
    int written;
    const char* hostMark = strstr(templateText, "$HOSTNAME");
    if (strncmp(templateText, "$HOME", 5) == 0) {
        // Without HOME the template names no file of this user; trying
        // "/XF86Config" in its place would pick up a stranger's file.
        const char* home = getenv("HOME");
        if (home == nullptr) {
            return -1;
        }
        written = snprintf(out, outSize, "%s%s", home, templateText + 5);
    } else if (hostMark != nullptr) {
        char host[256];
        if (gethostname(host, sizeof host) != 0) {
            return -1;
        }
        host[sizeof host - 1] = '\0';
        written = snprintf(out, outSize, "%.*s%s", static_cast<int>(hostMark - templateText),
                           templateText, host);
    } else {
        written = snprintf(out, outSize, "%s", templateText);
    }
    if (written < 0 || static_cast<size_t>(written) >= outSize) {
        out[0] = '\0';
        return -1;
    }
    return 0;
}

int FindConfigFile() {
    for (const char* candidate : kConfigCandidates) {
        if (ExpandConfigTemplate(candidate, configPath, sizeof configPath) == 0 &&
            access(configPath, F_OK) == 0) {
            return 0;
        }
    }
    configPath[0] = '\0';
    return -1;
}
