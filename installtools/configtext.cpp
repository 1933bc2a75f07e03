#include "configtext.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>

bool ReadConfigText(const char* path, std::string* text) {
    text->clear();
    // Non-blocking, so that a pipe planted at the path cannot hang the tool
    // before it is recognised and refused.
    int fd = open(path, O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        return false;
    }
    struct stat info;
    if (fstat(fd, &info) != 0) {
        int saved = errno;
        close(fd);
        errno = saved;
        return false;
    }
    if (!S_ISREG(info.st_mode)) {
        close(fd);
        errno = EINVAL;
        return false;
    }
    text->reserve(static_cast<size_t>(info.st_size));
    char chunk[65536];
    for (;;) {
        ssize_t n = read(fd, chunk, sizeof chunk);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n < 0) {
            int saved = errno;
            close(fd);
            errno = saved;
            return false;
        }
        if (n == 0) {
            break;
        }
        text->append(chunk, static_cast<size_t>(n));
    }
    close(fd);
    return true;
}

std::string DirectoryPart(const std::string& path) {
    size_t slash = path.rfind('/');
    if (slash == std::string::npos) {
        return ".";
    }
    return slash == 0 ? "/" : path.substr(0, slash);
}

int ArgToInt(const char* text) {
    long value = strtol(text, nullptr, 10);
    if (value > INT_MAX) {
        return INT_MAX;
    }
    if (value < INT_MIN) {
        return INT_MIN;
    }
    return static_cast<int>(value);
}
