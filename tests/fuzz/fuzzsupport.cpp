#include "fuzzsupport.h"

#include <glib.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>

#include "devicerecord.h"

namespace {

void Quiet(const gchar*, GLogLevelFlags, const gchar*, gpointer) {}

// One scratch directory per process, made on first use.
const std::string& ScratchDir() {
    static std::string dir = [] {
        // On a memory file system when there is one: the writer flushes
        // every file it replaces to the disk, which on a real disk would
        // bound the targets to a few dozen inputs a second.
        char shm[] = "/dev/shm/panel-fuzz-XXXXXX";
        char tmp[] = "/tmp/panel-fuzz-XXXXXX";
        char* name = mkdtemp(shm);
        if (name == nullptr) {
            name = mkdtemp(tmp);
        }
        if (name == nullptr) {
            abort();
        }
        g_log_set_default_handler(Quiet, nullptr);
        static std::string made(name);
        atexit([] { rmdir(made.c_str()); });
        return made;
    }();
    return dir;
}

}  // namespace

ScratchConfig::ScratchConfig(const uint8_t* data, size_t size) {
    dir_ = ScratchDir();
    path_ = dir_ + "/XF86Config";
    FILE* file = fopen(path_.c_str(), "wb");
    if (file == nullptr || fwrite(data, 1, size, file) != size || fclose(file) != 0) {
        abort();
    }
    ResetDeviceState();
    snprintf(configPath, sizeof configPath, "%s", path_.c_str());
}

ScratchConfig::~ScratchConfig() {
    ResetDeviceState();
    unlink(path_.c_str());
}

std::string ReadWholeFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}
