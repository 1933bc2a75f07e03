// The replacement in two steps paneluninstall takes: everything that can
// fail first, the rename last, with the backup between them.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>

#include "config/atomicfile.h"

namespace {

class TwoStepCommit : public testing::Test {
protected:
    void SetUp() override {
        char name[] = "/tmp/panel-safefile-XXXXXX";
        ASSERT_NE(mkdtemp(name), nullptr);
        dir_ = name;
        path_ = dir_ + "/xorg.conf";
        std::ofstream(path_) << "old\n";
        ASSERT_EQ(chmod(path_.c_str(), 0640), 0);
    }
    void TearDown() override {
        unlink(path_.c_str());
        rmdir(dir_.c_str());
    }
    std::string Read(const std::string& path) {
        std::ifstream in(path);
        return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }

    std::string dir_;
    std::string path_;
};

TEST_F(TwoStepCommit, PrepareNamesAFinishedFileAndLeavesTheTargetAlone) {
    AtomicFileWriter writer;
    ASSERT_TRUE(writer.Open(path_.c_str(), "panelinstall.XXXXXX"));
    ASSERT_TRUE(writer.Write("new\n"));
    ASSERT_TRUE(writer.Prepare()) << writer.Error();
    EXPECT_EQ(Read(path_), "old\n");
    const std::string temp = writer.TemporaryPath();
    ASSERT_EQ(temp.rfind(dir_ + "/panelinstall.", 0), 0u) << temp;
    struct stat info;
    ASSERT_EQ(stat(temp.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 07777, 0640u);
    EXPECT_EQ(Read(temp), "new\n");

    ASSERT_TRUE(writer.Replace()) << writer.Error();
    EXPECT_EQ(Read(path_), "new\n");
    EXPECT_NE(access(temp.c_str(), F_OK), 0);
    EXPECT_FALSE(writer.Replace());  // once only
}

TEST_F(TwoStepCommit, AbortAfterPrepareRemovesTheTemporaryFile) {
    AtomicFileWriter writer;
    ASSERT_TRUE(writer.Open(path_.c_str(), "paneluninstall.XXXXXX"));
    ASSERT_TRUE(writer.Write("new\n"));
    ASSERT_TRUE(writer.Prepare());
    const std::string temp = writer.TemporaryPath();
    writer.Abort();
    EXPECT_NE(access(temp.c_str(), F_OK), 0);
    EXPECT_EQ(Read(path_), "old\n");
    EXPECT_FALSE(writer.Replace());
}

}  // namespace
