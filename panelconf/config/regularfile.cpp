#include "config/regularfile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace {

// A directory says so in the system's own words; anything else is refused
// as what it is not.
std::string RefusalText(const struct stat& info) {
    return S_ISDIR(info.st_mode) ? strerror(EISDIR) : kNotRegularFileText;
}

}  // namespace

FILE* OpenRegularFile(const char* path, std::string* reason) {
    // Looked at before it is opened: opening a device can have effects of
    // its own (a serial line raises its modem lines).
    struct stat before;
    if (stat(path, &before) == 0 && !S_ISREG(before.st_mode)) {
        *reason = RefusalText(before);
        errno = EINVAL;
        return nullptr;
    }
    // Without waiting, and looked at again once open, in case the path was
    // replaced by a pipe in between.
    int fd = open(path, O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0) {
        *reason = strerror(errno);
        return nullptr;
    }
    struct stat info;
    if (fstat(fd, &info) != 0) {
        *reason = strerror(errno);
        close(fd);
        return nullptr;
    }
    if (!S_ISREG(info.st_mode)) {
        *reason = RefusalText(info);
        close(fd);
        errno = EINVAL;
        return nullptr;
    }
    // Reads of a regular file never wait; the flag only mattered for open.
    int flags = fcntl(fd, F_GETFL);
    if (flags != -1) {
        fcntl(fd, F_SETFL, flags & ~O_NONBLOCK);
    }
    FILE* file = fdopen(fd, "r");
    if (file == nullptr) {
        *reason = strerror(errno);
        close(fd);
    }
    return file;
}

bool ExistsButNotRegular(const char* path) {
    struct stat info;
    return stat(path, &info) == 0 && !S_ISREG(info.st_mode);
}
