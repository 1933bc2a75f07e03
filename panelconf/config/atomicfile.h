// The one way this project writes a file it did not create: the complete new
// text goes to a temporary file beside the target, is flushed to the disk,
// takes the target's owner, group and mode, and is renamed over the target.
// At every instant the target's path holds either the old text or the
// complete new one. Uses only the C++ standard library and POSIX, so the
// installer tools can link it.
#ifndef PANELCONF_CONFIG_ATOMICFILE_H
#define PANELCONF_CONFIG_ATOMICFILE_H

#include <cstddef>
#include <string>

class AtomicFileWriter {
public:
    AtomicFileWriter() = default;
    ~AtomicFileWriter();
    AtomicFileWriter(const AtomicFileWriter&) = delete;
    AtomicFileWriter& operator=(const AtomicFileWriter&) = delete;

    // Prepares to replace path. A symbolic link is followed to the file it
    // names; that file is replaced and the link stays. The temporary file is
    // made in the same directory from nameTemplate (ending in "XXXXXX"); as
    // long as the system allows it, it has no name until Commit, so a process
    // killed while writing leaves nothing behind. False on failure, with
    // errno and Error() set; nothing has changed then.
    // With followLinks false a link at path is itself replaced.
    bool Open(const char* path, const char* nameTemplate = "gtpXXXXXX", bool followLinks = true);

    // Appends bytes. False on a write error (errno set); the target is
    // untouched and Commit will fail.
    bool Write(const void* data, size_t size);
    bool Write(const std::string& text) { return Write(text.data(), text.size()); }

    // Flushes the new text to the disk, gives it the target's owner, group
    // and mode and renames it over the target. False on any failure (errno
    // and Error() set): the target then still holds its old text and no
    // temporary file is left. The same as Prepare, then Replace.
    bool Commit();

    // Commit in two steps, for a caller with something to do between them
    // that must happen only once nothing but the rename can fail any more
    // (a backup of the old file). Prepare does all of Commit that can fail
    // for a reason of this file or this user: flush, owner, group, mode, a
    // name beside the target. Replace renames it over the target. On
    // failure each behaves as Commit does; after Prepare, Abort still
    // removes the named temporary file.
    bool Prepare();
    bool Replace();

    // Drops the new text; the target is untouched and the temporary removed.
    void Abort();

    // The resolved file being replaced, and the temporary file's name once
    // it has one (empty before).
    const std::string& TargetPath() const { return target_; }
    // The directory the temporary file is made in (the target's).
    const std::string& Directory() const { return directory_; }
    const std::string& TemporaryPath() const { return tempPath_; }

    // What failed last, for messages: the step, a colon, the system's text.
    const std::string& Error() const { return error_; }

private:
    bool Fail(const char* step);
    bool GiveName();

    int fd_ = -1;
    bool failed_ = false;
    bool unnamed_ = false;
    bool prepared_ = false;
    std::string target_;
    std::string directory_;
    std::string template_;
    std::string tempPath_;
    std::string error_;
};

// Makes backup a second name for, or if that cannot be had an exact copy of,
// the file at path, replacing any earlier backup atomically. False on failure
// (errno set); path is never changed.
bool MakeBackup(const char* path, const char* backup);

#endif
