#include "config/atomicfile.h"

#include <fcntl.h>
#include <sys/random.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

std::string DirectoryOf(const std::string& path) {
    size_t slash = path.rfind('/');
    if (slash == std::string::npos) {
        return ".";
    }
    if (slash == 0) {
        return "/";
    }
    return path.substr(0, slash);
}

// Follows symbolic links (a chain of them too) to the file they name. A path
// that is not a link is used as given, so a missing file is reported by
// whoever opens it.
std::string ResolveTarget(const char* path) {
    struct stat info;
    if (lstat(path, &info) == 0 && S_ISLNK(info.st_mode)) {
        char* real = realpath(path, nullptr);
        if (real != nullptr) {
            std::string resolved(real);
            free(real);
            return resolved;
        }
    }
    return path;
}

bool WriteAll(int fd, const char* data, size_t size) {
    while (size > 0) {
        ssize_t n = write(fd, data, size);
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            return false;
        }
        data += n;
        size -= static_cast<size_t>(n);
    }
    return true;
}

// A fresh name in dir from the template, its X's replaced by random letters
// and digits. No file is made for it: whoever uses the name creates it with
// a call that fails when the name is taken (link, O_EXCL), so nothing planted
// there is ever followed, and a process killed meanwhile leaves nothing.
bool RandomName(const std::string& dir, const std::string& nameTemplate, std::string* out) {
    static const char kLetters[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
    std::string name = nameTemplate;
    size_t x = name.size();
    while (x > 0 && name[x - 1] == 'X') {
        --x;
    }
    unsigned char random[32];
    size_t need = name.size() - x;
    if (need > sizeof random) {
        need = sizeof random;
    }
    if (getrandom(random, need, 0) != static_cast<ssize_t>(need)) {
        return false;
    }
    for (size_t i = 0; i < need; ++i) {
        name[x + i] = kLetters[random[i] % (sizeof kLetters - 1)];
    }
    *out = dir + "/" + name;
    return true;
}

}  // namespace

AtomicFileWriter::~AtomicFileWriter() { Abort(); }

bool AtomicFileWriter::Fail(const char* step) {
    int saved = errno;
    error_ = std::string(step) + ": " + strerror(saved);
    failed_ = true;
    errno = saved;
    return false;
}

bool AtomicFileWriter::Open(const char* path, const char* nameTemplate, bool followLinks) {
    Abort();
    failed_ = false;
    error_.clear();
    target_ = followLinks ? ResolveTarget(path) : std::string(path);
    directory_ = DirectoryOf(target_);
    template_ = nameTemplate;

    // An unnamed file in the target's directory: nothing is left behind if
    // the process dies before the rename.
    fd_ = open(directory_.c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0600);
    if (fd_ >= 0) {
        unnamed_ = true;
        return true;
    }
    // File systems without unnamed files: a named one from the template.
    std::string path_template = directory_ + "/" + template_;
    std::vector<char> buffer(path_template.begin(), path_template.end());
    buffer.push_back('\0');
    fd_ = mkostemp(buffer.data(), O_CLOEXEC);
    if (fd_ < 0) {
        return Fail("mkstemp");
    }
    unnamed_ = false;
    tempPath_ = buffer.data();
    return true;
}

bool AtomicFileWriter::Write(const void* data, size_t size) {
    if (fd_ < 0 || failed_) {
        errno = fd_ < 0 ? EBADF : EIO;
        return false;
    }
    if (!WriteAll(fd_, static_cast<const char*>(data), size)) {
        return Fail("write");
    }
    return true;
}

// Gives the unnamed file a name beside the target, ready for the rename.
bool AtomicFileWriter::GiveName() {
    for (int attempt = 0; attempt < 100; ++attempt) {
        std::string name;
        if (!RandomName(directory_, template_, &name)) {
            return Fail("getrandom");
        }
        char procPath[64];
        snprintf(procPath, sizeof procPath, "/proc/self/fd/%d", fd_);
        if (linkat(fd_, "", AT_FDCWD, name.c_str(), AT_EMPTY_PATH) == 0 ||
            linkat(AT_FDCWD, procPath, AT_FDCWD, name.c_str(), AT_SYMLINK_FOLLOW) == 0) {
            tempPath_ = name;
            unnamed_ = false;
            return true;
        }
        if (errno != EEXIST) {
            return Fail("link");
        }
    }
    errno = EEXIST;
    return Fail("link");
}

bool AtomicFileWriter::Commit() { return Prepare() && Replace(); }

bool AtomicFileWriter::Prepare() {
    if (fd_ < 0) {
        errno = EBADF;
        return false;
    }
    if (failed_) {
        int saved = errno;
        Abort();
        errno = saved;
        return false;
    }
    struct stat original;
    bool haveOriginal = stat(target_.c_str(), &original) == 0;
    bool ok = true;
    if (haveOriginal) {
        struct stat mine;
        if (fstat(fd_, &mine) != 0) {
            ok = Fail("fstat");
        } else if ((mine.st_uid != original.st_uid || mine.st_gid != original.st_gid) &&
                   fchown(fd_, original.st_uid, original.st_gid) != 0) {
            // Replacing the file would hand it to another owner.
            ok = Fail("chown");
        } else if (fchmod(fd_, original.st_mode & 07777) != 0) {
            ok = Fail("chmod");
        }
    } else if (fchmod(fd_, 0644) != 0) {
        ok = Fail("chmod");
    }
    if (ok && fsync(fd_) != 0) {
        ok = Fail("fsync");
    }
    if (ok && unnamed_) {
        ok = GiveName();
    }
    if (ok) {
        int fd = fd_;
        fd_ = -1;
        if (close(fd) != 0) {
            ok = Fail("close");
        }
    }
    if (ok) {
        prepared_ = true;
        return true;
    }
    int saved = errno;
    Abort();
    errno = saved;
    return false;
}

bool AtomicFileWriter::Replace() {
    if (!prepared_) {
        errno = EBADF;
        return false;
    }
    prepared_ = false;
    if (rename(tempPath_.c_str(), target_.c_str()) != 0) {
        Fail("rename");
        int saved = errno;
        Abort();
        errno = saved;
        return false;
    }
    // The rename itself reaches the disk with the directory.
    int dirFd = open(directory_.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dirFd >= 0) {
        fsync(dirFd);
        close(dirFd);
    }
    tempPath_.clear();
    return true;
}

void AtomicFileWriter::Abort() {
    int saved = errno;
    if (fd_ >= 0) {
        close(fd_);
        fd_ = -1;
    }
    if (!tempPath_.empty()) {
        unlink(tempPath_.c_str());
        tempPath_.clear();
    }
    unnamed_ = false;
    prepared_ = false;
    errno = saved;
}

bool MakeBackup(const char* path, const char* backup) {
    // A hard link under a unique name, then renamed onto the backup name, so
    // an earlier backup is replaced in one step.
    std::string resolved = ResolveTarget(path);
    std::string dir = DirectoryOf(std::string(backup));
    // In a sticky directory (like /tmp) nobody but the owner of a file, of
    // the directory or root may rename or remove it. A link to another
    // user's file could then neither become the backup nor be taken away
    // again, and would stay behind: take the copy instead.
    struct stat dirInfo;
    struct stat fileInfo;
    const uid_t me = geteuid();
    const bool linkWouldStick = me != 0 && stat(dir.c_str(), &dirInfo) == 0 &&
                                (dirInfo.st_mode & S_ISVTX) != 0 && dirInfo.st_uid != me &&
                                stat(resolved.c_str(), &fileInfo) == 0 && fileInfo.st_uid != me;
    std::string name;
    for (int attempt = 0; attempt < 100 && !linkWouldStick; ++attempt) {
        if (!RandomName(dir, ".bakXXXXXX", &name)) {
            return false;
        }
        if (link(resolved.c_str(), name.c_str()) == 0) {
            if (rename(name.c_str(), backup) != 0) {
                int saved = errno;
                unlink(name.c_str());
                errno = saved;
                return false;
            }
            return true;
        }
        if (errno != EEXIST) {
            break;
        }
    }
    // No hard links here (another file system, or not allowed): an exact
    // copy, written the safe way.
    int in = open(resolved.c_str(), O_RDONLY | O_CLOEXEC);
    if (in < 0) {
        return false;
    }
    AtomicFileWriter writer;
    bool ok = writer.Open(backup, ".bakXXXXXX", false);
    char chunk[65536];
    while (ok) {
        ssize_t n = read(in, chunk, sizeof chunk);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n < 0) {
            ok = false;
            break;
        }
        if (n == 0) {
            break;
        }
        ok = writer.Write(chunk, static_cast<size_t>(n));
    }
    int saved = errno;
    close(in);
    errno = saved;
    if (!ok) {
        writer.Abort();
        return false;
    }
    return writer.Commit();
}
