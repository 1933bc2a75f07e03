// The toolkit-free rules behind the driver status, added screens and the
// window's place on a small screen.
#include <gtest/gtest.h>

#include <cerrno>
#include <cstdlib>
#include <utility>

#include "devicerecord.h"
#include "driverlink/driverstatusrules.h"
#include "screenrecords.h"
#include "windowfit.h"

namespace {

class StatusRules : public ::testing::Test {
protected:
    void SetUp() override { ResetDeviceState(); }
    void TearDown() override { ResetDeviceState(); }

    static DeviceRecord Record(DeviceStatus status, int port, int speed, bool loaded) {
        DeviceRecord record{};
        FillDeviceDefaults(&record);
        record.status = status;
        record.portIndex = port;
        record.speedIndex = speed;
        record.loaded = loaded ? 1 : 0;
        return record;
    }
};

TEST_F(StatusRules, LabelsChooseTheStatusInTheirOwnLanguageOnly) {
    EXPECT_EQ(StatusForLabel("Enable", 0), kStatusEnable);
    EXPECT_EQ(StatusForLabel("Disable", 0), kStatusDisable);
    EXPECT_EQ(StatusForLabel("Undeclared", 0), kStatusUndeclared);
    EXPECT_EQ(StatusForLabel("有効", 1), kStatusEnable);
    EXPECT_EQ(StatusForLabel("無効", 1), kStatusDisable);
    EXPECT_EQ(StatusForLabel("設定消去", 1), kStatusUndeclared);
    // Compared exactly: another language's label, another case, or no label
    // at all removes the section rather than writing one.
    EXPECT_EQ(StatusForLabel("有効", 0), kStatusUndeclared);
    EXPECT_EQ(StatusForLabel("Enable", 1), kStatusUndeclared);
    EXPECT_EQ(StatusForLabel("enable", 0), kStatusUndeclared);
    EXPECT_EQ(StatusForLabel(nullptr, 0), kStatusUndeclared);
}

// (inFile, inLayout) of a record.
std::pair<int, int> Flags(const DeviceRecord& record) { return {record.inFile, record.inLayout}; }

TEST_F(StatusRules, StatusSetsTheFileAndLayoutFlags) {
    DeviceRecord record = Record(kStatusUndeclared, 1, 3, false);
    SetRecordStatus(&record, kStatusEnable);
    EXPECT_EQ(record.status, kStatusEnable);
    EXPECT_EQ(Flags(record), std::make_pair(1, 1));
    SetRecordStatus(&record, kStatusDisable);
    EXPECT_EQ(Flags(record), std::make_pair(0, 1));
    // A value that is no status removes the section.
    SetRecordStatus(&record, static_cast<DeviceStatus>(7));
    EXPECT_EQ(record.status, kStatusUndeclared);
    EXPECT_EQ(Flags(record), std::make_pair(0, 0));
}

TEST_F(StatusRules, LinkRowsFollowPortAndStatus) {
    // USB has no speed; serial shows its own; a damaged index shows nothing
    // instead of reading past the list.
    const LinkControlsPlan usb = PlanStatusChange(Record(kStatusEnable, 4, 2, true));
    EXPECT_EQ(usb.portRow, 4);
    EXPECT_EQ(usb.speedRow, -1);
    EXPECT_EQ(usb.speed, Sensitivity::kOff);
    EXPECT_EQ(usb.calibration, Sensitivity::kOn);

    const DeviceRecord com1 = Record(kStatusEnable, 0, 4, false);
    const LinkControlsPlan serial = PlanScreenSelect(&com1, true);
    EXPECT_EQ(serial.portRow, 0);
    EXPECT_EQ(serial.speedRow, 4);
    EXPECT_EQ(serial.speed, Sensitivity::kOn);
    EXPECT_EQ(serial.calibration, Sensitivity::kKeep);

    const LinkControlsPlan damaged = PlanStatusChange(Record(kStatusDisable, 9, -1, true));
    EXPECT_EQ(damaged.portRow, -1);
    EXPECT_EQ(damaged.speedRow, -1);
    EXPECT_EQ(damaged.sampling, Sensitivity::kKeep);

    const LinkControlsPlan undeclared = PlanStatusChange(Record(kStatusUndeclared, 1, 3, true));
    EXPECT_EQ(undeclared.portRow, -1);
    EXPECT_EQ(undeclared.speedRow, -1);
}

TEST_F(StatusRules, OtherUsersKeepTheLinkControlsAsTheyAre) {
    const DeviceRecord record = Record(kStatusEnable, 1, 3, true);
    const LinkControlsPlan plan = PlanScreenSelect(&record, false);
    EXPECT_EQ(plan.port, Sensitivity::kKeep);
    EXPECT_EQ(plan.speed, Sensitivity::kKeep);
    EXPECT_EQ(plan.sampling, Sensitivity::kKeep);
    EXPECT_EQ(plan.statusRadios, Sensitivity::kKeep);
    // Calibration follows the device, not the user.
    EXPECT_EQ(plan.calibration, Sensitivity::kOn);
}

DeviceRecord* NoRecord() {
    errno = ENOMEM;
    return nullptr;
}

char* NoIdentifier(int) {
    errno = ENOMEM;
    return nullptr;
}

TEST_F(StatusRules, AddedScreenIsBlankAndFailuresLeaveTheListAsItWas) {
    ASSERT_EQ(AddScreenRecord(3), AddScreenResult::kAdded);
    ASSERT_EQ(g_list_length(deviceList), 1u);
    EXPECT_EQ(FindScreenNode(3), deviceList);
    EXPECT_EQ(AddScreenRecord(3), AddScreenResult::kAlreadyPresent);

    ScreenRecordMakers noRecord;
    noRecord.appendRecord = NoRecord;
    testing::internal::CaptureStderr();
    EXPECT_EQ(AddScreenRecord(4, noRecord), AddScreenResult::kRecordUnavailable);
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "Memory Allocate for Add Screen: Cannot allocate memory\n");

    ScreenRecordMakers noIdentifier;
    noIdentifier.makeIdentifier = NoIdentifier;
    testing::internal::CaptureStderr();
    EXPECT_EQ(AddScreenRecord(5, noIdentifier), AddScreenResult::kIdentifierUnavailable);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "Id AlloCate: Cannot allocate memory\n");

    // Neither failure left a record behind, so the screen can still be added.
    EXPECT_EQ(g_list_length(deviceList), 1u);
    EXPECT_EQ(FindScreenNode(5), nullptr);
    EXPECT_EQ(AddScreenRecord(5), AddScreenResult::kAdded);
    EXPECT_EQ(g_list_length(deviceList), 2u);
}

// The window on screens of panel PCs and desktops: natural size where it
// fits, else the room the work area leaves after the frame; never below the
// minimum; the frame centred, or at the work area's corner when even the
// minimum is too big.
TEST(WindowFitPlan, FitsTheFrameIntoTheWorkArea) {
    const FrameExtents none{0, 0, 0, 0};
    const FrameExtents framed{1, 1, 20, 5};
    const struct {
        const char* what;
        FitRect area;
        FrameExtents frame;
        WindowFit want;
    } cases[] = {
        {"room enough", {0, 0, 1024, 768}, none, {676, 567, 174, 100, false, false}},
        {"room enough, framed", {0, 0, 1024, 768}, framed, {676, 567, 173, 88, false, false}},
        {"800x480", {0, 0, 800, 480}, none, {676, 480, 62, 0, false, true}},
        {"800x480 framed", {0, 0, 800, 480}, framed, {676, 455, 61, 0, false, true}},
        {"portrait", {0, 0, 480, 800}, none, {480, 567, 0, 116, true, false}},
        {"panel below", {0, 0, 1024, 560}, framed, {676, 535, 173, 0, false, true}},
        {"panel on the left", {48, 0, 976, 600}, none, {676, 567, 198, 16, false, false}},
        {"below the minimum", {10, 20, 200, 100}, none, {300, 200, 10, 20, true, true}},
    };
    for (const auto& c : cases) {
        const WindowFit got = PlanWindowFit(676, 567, 300, 200, c.area, c.frame);
        EXPECT_EQ(got.width, c.want.width) << c.what;
        EXPECT_EQ(got.height, c.want.height) << c.what;
        EXPECT_EQ(got.frameX, c.want.frameX) << c.what;
        EXPECT_EQ(got.frameY, c.want.frameY) << c.what;
        EXPECT_EQ(got.narrower, c.want.narrower) << c.what;
        EXPECT_EQ(got.shorter, c.want.shorter) << c.what;
    }
}

}  // namespace
