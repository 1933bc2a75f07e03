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
        char name[] = "/tmp/panel-fuzz-XXXXXX";
        if (mkdtemp(name) == nullptr) {
            abort();
        }
        g_log_set_default_handler(Quiet, nullptr);
        return std::string(name);
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
