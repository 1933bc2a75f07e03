// Start-up decisions that need no process of their own.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>

#include "configsearch.h"
#include "devicerecord.h"
#include "startup.h"
#include "language.h"
#include "startuprules.h"

namespace {

TEST(Login, FirstFourLettersDecideRoot) {
    EXPECT_TRUE(LoginIsRoot("root"));
    EXPECT_TRUE(LoginIsRoot("ROOT"));
    EXPECT_TRUE(LoginIsRoot("Rooter"));
    EXPECT_FALSE(LoginIsRoot("roo"));
    EXPECT_FALSE(LoginIsRoot("xroot"));
    EXPECT_FALSE(LoginIsRoot(""));
    EXPECT_FALSE(LoginIsRoot(nullptr));
}

TEST(StartupRules, WhoAndWhatIsLoadedDecideTheWindow) {
    DeviceRecord record{};
    FillDeviceDefaults(&record);
    record.status = kStatusEnable;
    record.loaded = 1;
    record.settings[driveropts::kProducts] = 0;

    // Not root, nothing loaded: one message, then a failed run.
    StartupPlan plan = PlanStartupRules(false, false, record);
    EXPECT_TRUE(plan.exitAfterMessage);
    EXPECT_EQ(plan.exitStatus, 1);
    EXPECT_EQ(plan.message, kMsgRootRequiredExit);

    // Root, nothing loaded: no calibration, message 2, the "4" radio left
    // alone, the link of an enabled device usable.
    plan = PlanStartupRules(false, true, record);
    EXPECT_FALSE(plan.exitAfterMessage);
    EXPECT_EQ(plan.calibration, Sensitivity::kOff);
    EXPECT_EQ(plan.fourPoints, Sensitivity::kKeep);
    EXPECT_TRUE(plan.showMessage);
    EXPECT_EQ(plan.message, kMsgDriverNotLoaded);
    EXPECT_FALSE(plan.disableSettings);
    EXPECT_FALSE(plan.disableLink);

    // Root, loaded: nothing to say.
    plan = PlanStartupRules(true, true, record);
    EXPECT_FALSE(plan.showMessage);
    EXPECT_EQ(plan.calibration, Sensitivity::kKeep);
    EXPECT_EQ(plan.fourPoints, Sensitivity::kOn);

    // Not root, loaded: settings off, message 0; calibration stays for a
    // loaded device and goes for one the server does not report.
    plan = PlanStartupRules(true, false, record);
    EXPECT_TRUE(plan.disableSettings);
    EXPECT_EQ(plan.message, kMsgRootForAllFunctions);
    EXPECT_EQ(plan.calibration, Sensitivity::kKeep);
    record.loaded = 0;
    EXPECT_EQ(PlanStartupRules(true, false, record).calibration, Sensitivity::kOff);

    // The fourth product has no four points; a device not enabled no link.
    record.settings[driveropts::kProducts] = 3;
    record.status = kStatusDisable;
    plan = PlanStartupRules(true, true, record);
    EXPECT_EQ(plan.fourPoints, Sensitivity::kOff);
    EXPECT_TRUE(plan.disableLink);
}

TEST(Language, OnlyEucJapaneseSelectsJapanese) {
    EXPECT_EQ(LanguageIndexFor("ja_JP.eucJP"), 1);
    EXPECT_EQ(LanguageIndexFor("JA_jp.EUCjp"), 1);
    EXPECT_EQ(LanguageIndexFor("ja_JP.UTF-8"), 0);
    EXPECT_EQ(LanguageIndexFor("ja_JP.eucJP@x"), 0);
    EXPECT_EQ(LanguageIndexFor(nullptr), 0);
}

TEST(Expansion, HomeAndHostNameTemplates) {
    char out[kConfigPathSize];
    setenv("HOME", "/home/kiosk", 1);
    ASSERT_EQ(ExpandConfigTemplate("$HOME/XF86Config", out, sizeof out), 0);
    EXPECT_STREQ(out, "/home/kiosk/XF86Config");

    char host[256] = "";
    ASSERT_EQ(gethostname(host, sizeof host), 0);
    ASSERT_EQ(ExpandConfigTemplate("/usr/X11R6/lib/X11/XF86Config.$HOSTNAME", out, sizeof out), 0);
    EXPECT_EQ(std::string(out), std::string("/usr/X11R6/lib/X11/XF86Config.") + host);

    ASSERT_EQ(ExpandConfigTemplate("/etc/X11/xorg.conf", out, sizeof out), 0);
    EXPECT_STREQ(out, "/etc/X11/xorg.conf");

    // "$HOME" only counts at the start, written exactly so.
    ASSERT_EQ(ExpandConfigTemplate("/x/$HOME", out, sizeof out), 0);
    EXPECT_STREQ(out, "/x/$HOME");
    ASSERT_EQ(ExpandConfigTemplate("$home/XF86Config", out, sizeof out), 0);
    EXPECT_STREQ(out, "$home/XF86Config");
}

TEST(Expansion, UnsetHomeOrOverlongPathNamesNoFile) {
    char out[kConfigPathSize];
    std::string saved = getenv("HOME") ? getenv("HOME") : "";
    unsetenv("HOME");
    EXPECT_EQ(ExpandConfigTemplate("$HOME/XF86Config", out, sizeof out), -1);
    setenv("HOME", std::string(300, 'h').c_str(), 1);
    EXPECT_EQ(ExpandConfigTemplate("$HOME/XF86Config", out, sizeof out), -1);
    EXPECT_STREQ(out, "");
    setenv("HOME", saved.c_str(), 1);
}

class Loaded : public ::testing::Test {
protected:
    void SetUp() override {
        ResetDeviceState();
        ASSERT_EQ(CreateStartupRecord(), 0);
    }
    void TearDown() override { ResetDeviceState(); }
    DeviceRecord* Add(int screen) {
        DeviceRecord* record = AppendDeviceRecord();
        record->screenNo = screen;
        return record;
    }
};

TEST_F(Loaded, NameOccurringAnywhereCountsAsLoaded) {
    DeviceRecord* first = CurrentRecord();
    DeviceRecord* one = Add(1);
    DeviceRecord* three = Add(3);
    // Only screen 12's device is listed; its name contains screen 1's.
    MarkLoadedDevices("Virtual core pointer\nTAVIR TouchPanel12 pointer\n");
    EXPECT_EQ(first->loaded, 0);
    EXPECT_EQ(one->loaded, 1);
    EXPECT_EQ(three->loaded, 0);
    EXPECT_EQ(driverLoaded, 1);
    EXPECT_EQ(restartNeeded, 0);
}

TEST_F(Loaded, NothingListedMeansRestartNeeded) {
    MarkLoadedDevices("Virtual core pointer\nVirtual core keyboard\n");
    EXPECT_EQ(CurrentRecord()->loaded, 0);
    EXPECT_EQ(driverLoaded, 0);
    EXPECT_EQ(restartNeeded, 1);
}

TEST(QueryOutput, KeepsThe511FirstCharacters) {
    std::string big;
    for (int i = 0; i < 200; ++i) {
        big += "Device number " + std::to_string(i) + " with a long name\n";
    }
    big += std::string(2000, 'x');  // one line longer than the buffer
    FILE* file = fmemopen(big.data(), big.size(), "r");
    ASSERT_NE(file, nullptr);
    char buffer[kQueryOutputSize];
    memset(buffer, 'q', sizeof buffer);
    CollectQueryOutput(file, buffer);
    fclose(file);
    EXPECT_EQ(strlen(buffer), kQueryOutputSize - 1);
    EXPECT_EQ(std::string(buffer), big.substr(0, kQueryOutputSize - 1));
}

// Which device lister start-up runs: a directory tree with look-alikes of
// xsetpointer that the shell would not run, a real one, and the suite's own.
class DeviceQuery : public ::testing::Test {
protected:
    void SetUp() override {
        char pattern[] = "/tmp/panel-query-XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        root_ = pattern;
        for (const char* dir : {"/plain", "/folder", "/real", "/own lib"}) {
            ASSERT_EQ(mkdir((root_ + dir).c_str(), 0755), 0);
        }
        Script(root_ + "/plain/xsetpointer", 0644);  // not executable
        ASSERT_EQ(mkdir((root_ + "/folder/xsetpointer").c_str(), 0755), 0);
        Script(root_ + "/real/xsetpointer", 0755);
        own_ = root_ + "/own lib/xsetpointer";
        Script(own_, 0755);
    }
    void TearDown() override { std::system(("rm -rf '" + root_ + "'").c_str()); }
    static void Script(const std::string& path, mode_t mode) {
        std::ofstream(path) << "#!/bin/sh\necho \"$0 $*: TAVIR TouchPanel0 pointer\"\n";
        chmod(path.c_str(), mode);
    }
    std::string root_;
    std::string own_;
};

TEST_F(DeviceQuery, XsetpointerOnPathWinsOverOurOwn) {
    std::string lookalikes = root_ + "/plain:" + root_ + "/folder";
    EXPECT_EQ(ChooseDeviceQuery((lookalikes + ":" + root_ + "/real").c_str(), own_.c_str()),
              kDeviceQueryCommand);
    // Neither a file without execute permission nor a directory counts.
    std::string own = ChooseDeviceQuery(lookalikes.c_str(), own_.c_str());
    EXPECT_EQ(own, "'" + own_ + "' -l");
    // The quoting holds for the shell: the own lister really runs, with -l.
    FILE* query = popen(own.c_str(), "r");
    ASSERT_NE(query, nullptr);
    char output[kQueryOutputSize];
    CollectQueryOutput(query, output);
    EXPECT_EQ(pclose(query), 0);
    EXPECT_EQ(std::string(output), own_ + " -l: TAVIR TouchPanel0 pointer\n");
}

TEST_F(DeviceQuery, EmptyPathEntryIsTheWorkingDirectory) {
    char saved[4096];
    ASSERT_NE(getcwd(saved, sizeof saved), nullptr);
    ASSERT_EQ(chdir((root_ + "/real").c_str()), 0);
    std::string withEmpty = root_ + "/plain::" + root_ + "/folder";
    std::string command = ChooseDeviceQuery(withEmpty.c_str(), own_.c_str());
    std::string trailing = ChooseDeviceQuery((root_ + "/plain:").c_str(), own_.c_str());
    std::string plain = ChooseDeviceQuery((root_ + "/plain").c_str(), own_.c_str());
    ASSERT_EQ(chdir(saved), 0);
    EXPECT_EQ(command, kDeviceQueryCommand);
    EXPECT_EQ(trailing, kDeviceQueryCommand);
    EXPECT_NE(plain, kDeviceQueryCommand);
}

TEST_F(DeviceQuery, WithoutAUsableOwnListerTheCommandStaysAsItWas) {
    std::string nowhere = root_ + "/plain";
    EXPECT_EQ(ChooseDeviceQuery(nowhere.c_str(), ""), kDeviceQueryCommand);
    EXPECT_EQ(ChooseDeviceQuery(nowhere.c_str(), nullptr), kDeviceQueryCommand);
    EXPECT_EQ(ChooseDeviceQuery(nowhere.c_str(), (root_ + "/missing").c_str()),
              kDeviceQueryCommand);
    EXPECT_EQ(ChooseDeviceQuery(nowhere.c_str(), (root_ + "/plain/xsetpointer").c_str()),
              kDeviceQueryCommand);
    EXPECT_EQ(ChooseDeviceQuery(nowhere.c_str(), (root_ + "/folder/xsetpointer").c_str()),
              kDeviceQueryCommand);
    // The build names an absolute path, or none.
    EXPECT_TRUE(kOwnDeviceLister[0] == '\0' || kOwnDeviceLister[0] == '/');
}

}  // namespace
