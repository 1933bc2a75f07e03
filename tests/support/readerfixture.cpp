#include "readerfixture.h"

#include <glib.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>

#include "startup.h"

namespace {

void CaptureWarning(const gchar*, GLogLevelFlags, const gchar* message, gpointer data) {
    static_cast<std::vector<std::string>*>(data)->push_back(message);
}

}  // namespace

void ReaderFixture::SetUp() {
    ResetDeviceState();
    char scratch[] = "/tmp/panel-reader-XXXXXX";
    ASSERT_NE(mkdtemp(scratch), nullptr);
    dir = scratch;
    g_log_set_default_handler(CaptureWarning, &warnings);
}

void ReaderFixture::TearDown() {
    g_log_set_default_handler(g_log_default_handler, nullptr);
    std::string command = "rm -rf '" + dir + "'";
    ASSERT_EQ(system(command.c_str()), 0);
    ResetDeviceState();
}

std::string ReaderFixture::ScratchPath(const std::string& name) const { return dir + "/" + name; }

int ReaderFixture::Read(const std::string& text) {
    std::string path = ScratchPath("XF86Config");
    std::ofstream(path, std::ios::binary) << text;
    return ReadPath(path);
}

int ReaderFixture::ReadPath(const std::string& path) {
    ResetDeviceState();
    warnings.clear();
    snprintf(configPath, sizeof configPath, "%s", path.c_str());
    EXPECT_EQ(CreateStartupRecord(), 0);
    return ReadProgramConfig();
}

DeviceRecord* ReaderFixture::Record(size_t index) {
    return static_cast<DeviceRecord*>(g_list_nth_data(deviceList, static_cast<guint>(index)));
}

size_t ReaderFixture::RecordCount() const { return g_list_length(deviceList); }

std::vector<std::string> ReaderFixture::LayoutNames() const {
    std::vector<std::string> names;
    for (GList* node = layoutList; node != nullptr; node = node->next) {
        names.emplace_back(static_cast<const char*>(node->data));
    }
    return names;
}
