// The one way the installer tools edit a configuration file: read it whole,
// refuse it when its sections do not nest, open the temporary file beside
// it, run the tool's passes and write the new text.
#ifndef INSTALLTOOLS_CONFIGEDIT_H
#define INSTALLTOOLS_CONFIGEDIT_H

#include <functional>
#include <string>

#include "config/atomicfile.h"

// What a tool calls its steps and how it names a file it cannot read; every
// failure is reported with PrntErr, under step, or under writeStep when the
// new text cannot be written.
struct EditTexts {
    const char* step;
    const char* writeStep;
    // The temporary file's name template (the directory is the file's).
    const char* tempTemplate;
    // The message for a file that cannot be read.
    std::string (*readFailure)(const char* path);
};

// How the new text takes the path: at once (kCommit), or not yet (kPrepare:
// everything that can fail is done, and the caller ends with Replace or
// Abort).
enum class EditEnd { kCommit, kPrepare };

// Edits the file at path through writer with passes. Returns when the new
// text is written (and, with kCommit, in place); every failure is reported
// and ends the program with status 1, the file left as it was.
void EditConfigFile(const char* path, const EditTexts& texts, AtomicFileWriter& writer,
                    const std::function<std::string(const std::string&)>& passes, EditEnd end);

#endif
