// The communication test without the window: sample rows, line assembly,
// showable text, and the port set-up against a real pseudo-terminal. Also the
// window's named operations on the driver block, the record of samples among
// them.
#include <fcntl.h>
#include <glib.h>
#include <gtest/gtest.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>

#include "driverlink/blockops.h"
#include "driverlink/commlines.h"
#include "driverlink/commport.h"

namespace {

// ---- Rows of one driver record ----

TEST(CommRecord, NineRowsXThenYThenResultWithPaddedSignedValues) {
    CommSample samples[kCommSampleCount];
    for (int i = 0; i < kCommSampleCount; ++i) {
        samples[i] = {i, 100 * i};
    }
    samples[0] = {7, -5};
    samples[39] = {12345, -1};
    const CommRecordLines lines = FormatCommRecord(samples, 12, -3);

    ASSERT_EQ(lines.size(), 9u);
    EXPECT_EQ(lines[0], "0007 0001 0002 0003 0004 0005 0006 0007 0008 0009 ");
    EXPECT_EQ(lines[1], "0010 0011 0012 0013 0014 0015 0016 0017 0018 0019 ");
    EXPECT_EQ(lines[3], "0030 0031 0032 0033 0034 0035 0036 0037 0038 12345 ");
    EXPECT_EQ(lines[4], "-005 0100 0200 0300 0400 0500 0600 0700 0800 0900 ");
    EXPECT_EQ(lines[7], "3000 3100 3200 3300 3400 3500 3600 3700 3800 -001 ");
    EXPECT_EQ(lines[8], "result X:0012 Y:-003");
}

TEST(CommRecord, ExtremeValuesAreNotCut) {
    CommSample samples[kCommSampleCount];
    for (CommSample& s : samples) {
        s = {INT32_MIN, INT32_MAX};
    }
    const CommRecordLines lines = FormatCommRecord(samples, INT32_MIN, INT32_MAX);
    std::string tenMin;
    std::string tenMax;
    for (int i = 0; i < 10; ++i) {
        tenMin += "-2147483648 ";
        tenMax += "2147483647 ";
    }
    EXPECT_EQ(lines[3], tenMin);
    EXPECT_EQ(lines[7], tenMax);
    EXPECT_EQ(lines[8], "result X:-2147483648 Y:2147483647");
}

// ---- The window's operations on the block ----

TEST(BlockOps, RecordIsTakenOnceAndOnlyWhenTheDriverSetOne) {
    DriverSharedBlock block{};
    for (int i = 0; i < kCommSampleCount; ++i) {
        block.commSamples[i] = {i, -i};
    }
    block.commResultX = 5;
    block.commResultY = 6;
    CommRecordLines lines;
    EXPECT_FALSE(TakeCommRecord(&block, &lines));
    block.commDataReady = 1;
    ASSERT_TRUE(TakeCommRecord(&block, &lines));
    EXPECT_EQ(lines, FormatCommRecord(block.commSamples, 5, 6));
    EXPECT_EQ(block.commDataReady, 0);
    EXPECT_FALSE(TakeCommRecord(&block, &lines));
}

// Every operation changes a block, and leaves alone one that is not
// attached: the utility runs without a driver.
TEST(BlockOps, EachSkipsABlockThatIsNotAttached) {
    CommRecordLines lines;
    DriverVersion version{-1, -1, -1};
    const struct {
        const char* name;
        void (*op)(DriverSharedBlock*);
    } ops[] = {
        {"StoreLiveSetting",
         [](DriverSharedBlock* b) { StoreLiveSetting(b, driveropts::kTapTime, 9); }},
        {"StoreLiveSettings",
         [](DriverSharedBlock* b) {
             const int32_t values[driveropts::kSettingsCount] = {4, 4, 4, 4};
             StoreLiveSettings(b, values);
         }},
        {"StoreProduct", [](DriverSharedBlock* b) { StoreProduct(b, 2); }},
        {"StoreSampling", [](DriverSharedBlock* b) { StoreSampling(b, 7); }},
        {"StoreCalibChoice", [](DriverSharedBlock* b) { StoreCalibChoice(b, 0.05f, 25); }},
        {"StoreCommMode", [](DriverSharedBlock* b) { StoreCommMode(b, 1); }},
        {"TakeCommRecord",
         [](DriverSharedBlock* b) {
             CommRecordLines taken;
             TakeCommRecord(b, &taken);
         }},
    };
    for (const auto& row : ops) {
        SCOPED_TRACE(row.name);
        row.op(nullptr);
        DriverSharedBlock block{};
        block.commDataReady = 1;
        DriverSharedBlock before = block;
        row.op(&block);
        EXPECT_NE(std::memcmp(&block, &before, sizeof block), 0) << "the row changes nothing";
    }
    EXPECT_EQ(LoadCommMode(nullptr), 0);
    EXPECT_FALSE(TakeCommRecord(nullptr, &lines));
    EXPECT_FALSE(ReadDriverVersion(nullptr, &version));
    EXPECT_EQ(version.major, -1) << "nothing is read";
    const CalibFrame frame = ReadCalibFrame(nullptr);
    EXPECT_EQ(frame.calPoint + frame.calibPointsNum + frame.screenWidth + frame.screenHeight, 0);
    EXPECT_EQ(frame.borderRatio, 0.0f);
}

// ---- Line assembly ----

struct MemorySource {
    std::string bytes;
    size_t at = 0;
    size_t reads = 0;
    size_t failAt = std::string::npos;  // a read error at this position

    static int Read(void* context, unsigned char* byte) {
        auto* self = static_cast<MemorySource*>(context);
        ++self->reads;
        if (self->at == self->failAt) {
            return -1;
        }
        if (self->at >= self->bytes.size()) {
            return 0;
        }
        *byte = static_cast<unsigned char>(self->bytes[self->at++]);
        return 1;
    }
};

std::string Collect(MemorySource* source) {
    CommLine line;
    memset(line.bytes, 0xAA, sizeof line.bytes);
    const size_t length = CollectCommLine(&line, MemorySource::Read, source);
    EXPECT_EQ(length, line.length);
    return std::string(reinterpret_cast<const char*>(line.bytes), length);
}

TEST(CommLineAssembly, OneLinePerCallCarriageReturnDroppedRestStays) {
    MemorySource source{std::string("AB\r\rCD\r\nEF", 10)};
    EXPECT_EQ(Collect(&source), "AB");
    EXPECT_EQ(source.at, 3u) << "nothing after the carriage return is taken";
    EXPECT_EQ(Collect(&source), "") << "a carriage return alone is no row";
    EXPECT_EQ(Collect(&source), "CD");
    // A line feed is an ordinary byte; a line without its end is still shown.
    EXPECT_EQ(Collect(&source), "\nEF");
    EXPECT_EQ(Collect(&source), "");
}

TEST(CommLineAssembly, ReadErrorEndsTheLineLikeSilence) {
    MemorySource source{"XYZ\r"};
    source.failAt = 2;
    EXPECT_EQ(Collect(&source), "XY");
}

TEST(CommLineAssembly, LongRunWithoutCarriageReturnComesInFullPieces) {
    std::string flood(2 * kCommLineCapacity + 44, 'F');
    flood[kCommLineCapacity - 1] = 'L';
    MemorySource source{flood + "\r"};
    const std::string first = Collect(&source);
    EXPECT_EQ(first.size(), kCommLineCapacity);
    EXPECT_EQ(first.back(), 'L');
    EXPECT_EQ(source.reads, kCommLineCapacity) << "a full line stops the reading";
    EXPECT_EQ(Collect(&source).size(), kCommLineCapacity);
    EXPECT_EQ(Collect(&source), std::string(44, 'F'));
    EXPECT_EQ(Collect(&source), "");
}

// ---- Showable text ----

TEST(CommLineText, ValidUtf8StaysEverythingElseBecomesReplacement) {
    const std::string fffd = "\xEF\xBF\xBD";
    auto text = [](const std::string& bytes) {
        return CommLineText(reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size());
    };
    EXPECT_EQ(text("OK 1200"), "OK 1200");
    EXPECT_EQ(text("caf\xC3\xA9 \xE2\x82\xAC \xF0\x9F\x98\x80"),
              "caf\xC3\xA9 \xE2\x82\xAC \xF0\x9F\x98\x80");
    EXPECT_EQ(text(std::string("A\0B\0\0C", 6)), "A" + fffd + "B" + fffd + fffd + "C")
        << "NUL bytes must not cut the row short";
    EXPECT_EQ(text("\xFF"
                   "A"),
              fffd + "A");
    EXPECT_EQ(text("\xC0\x80"), fffd + fffd) << "overlong NUL";
    EXPECT_EQ(text("\xED\xA0\x80"), fffd + fffd + fffd) << "surrogate";
    EXPECT_EQ(text("\xF4\x90\x80\x80"), fffd + fffd + fffd + fffd) << "above U+10FFFF";
    EXPECT_EQ(text("ab\xE2\x82"), "ab" + fffd + fffd) << "sequence cut by a full line";
}

TEST(CommLineText, AnyBytesGiveValidUtf8) {
    std::mt19937 random(20240607);
    for (int round = 0; round < 2000; ++round) {
        unsigned char bytes[kCommLineCapacity];
        const size_t length = random() % (kCommLineCapacity + 1);
        for (size_t i = 0; i < length; ++i) {
            // Lean towards the interesting lead and continuation bytes.
            bytes[i] = static_cast<unsigned char>(random() % 3 == 0 ? 0x80 + random() % 0x80
                                                                    : random() % 256);
        }
        const std::string text = CommLineText(bytes, length);
        ASSERT_TRUE(g_utf8_validate(text.data(), static_cast<gssize>(text.size()), nullptr));
        ASSERT_EQ(text.find('\0'), std::string::npos);
    }
}

// ---- Port and speed entries ----

TEST(CommPortEntries, DevicePathAndLineSpeed) {
    EXPECT_EQ(CommDevicePath("COM1(/dev/ttyS0)"), "/dev/ttyS0");
    EXPECT_EQ(CommDevicePath("COM4(/dev/ttyS3)"), "/dev/ttyS3");
    EXPECT_EQ(CommDevicePath("COM"), "");
    EXPECT_EQ(CommDevicePath(nullptr), "");

    EXPECT_EQ(CommBaudRate("1200bps"), 1200);
    EXPECT_EQ(CommBaudRate("2400bps"), 2400);
    EXPECT_EQ(CommBaudRate("4800bps"), 4800);
    EXPECT_EQ(CommBaudRate("19200bps"), 19200);
    EXPECT_EQ(CommBaudRate("9600bps"), 9600);
    EXPECT_EQ(CommBaudRate("19200"), 9600);
    EXPECT_EQ(CommBaudRate(""), 9600);
    EXPECT_EQ(CommBaudRate(nullptr), 9600);
    EXPECT_EQ(CommSpeed(19200), B19200);
    EXPECT_EQ(CommSpeed(9600), B9600);
}

// ---- The port against a pseudo-terminal ----

class CommPort : public ::testing::Test {
protected:
    void SetUp() override {
        master_ = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
        ASSERT_GE(master_, 0) << strerror(errno);
        ASSERT_EQ(grantpt(master_), 0);
        ASSERT_EQ(unlockpt(master_), 0);
        slavePath_ = ptsname(master_);
        // As another program might leave it: line editing, echo, CR to NL.
        int slave = open(slavePath_.c_str(), O_RDWR | O_NOCTTY);
        ASSERT_GE(slave, 0);
        termios t;
        ASSERT_EQ(tcgetattr(slave, &t), 0);
        t.c_lflag |= ICANON | ECHO;
        t.c_iflag |= ICRNL;
        t.c_oflag |= OPOST | ONLCR;
        ASSERT_EQ(tcsetattr(slave, TCSANOW, &t), 0);
        close(slave);
    }
    void TearDown() override {
        if (port_ >= 0) {
            close(port_);
        }
        close(master_);
    }

    // The attributes as the far end sees them (a pty pair shares them).
    termios FarEnd() {
        termios t;
        EXPECT_EQ(tcgetattr(master_, &t), 0);
        return t;
    }

    int master_ = -1;
    int port_ = -1;
    std::string slavePath_;
};

TEST_F(CommPort, SetUpRawAtTheChosenSpeedCloseOnExecNeverBlocking) {
    port_ = OpenCommPort(slavePath_.c_str(), 19200);
    ASSERT_GE(port_, 0) << strerror(errno);
    const termios t = FarEnd();
    EXPECT_EQ(cfgetospeed(&t), B19200);
    EXPECT_EQ(cfgetispeed(&t), B19200);
    EXPECT_EQ(t.c_lflag & (ICANON | ECHO | ISIG | IEXTEN), 0u);
    EXPECT_EQ(t.c_iflag & (ICRNL | INLCR | IGNCR | IXON | ISTRIP), 0u);
    EXPECT_EQ(t.c_oflag & OPOST, 0u);
    EXPECT_EQ(t.c_cflag & CSIZE, static_cast<tcflag_t>(CS8));
    EXPECT_NE(t.c_cflag & CLOCAL, 0u);
    EXPECT_EQ(t.c_cc[VMIN], 0);
    EXPECT_EQ(t.c_cc[VTIME], 0);
    EXPECT_NE(fcntl(port_, F_GETFD) & FD_CLOEXEC, 0);
    EXPECT_NE(fcntl(port_, F_GETFL) & O_NONBLOCK, 0);

    // Nothing there: the read returns at once with no line.
    CommLine line;
    EXPECT_EQ(ReadCommLine(port_, &line), 0u);
}

TEST(CommPortOpen, MissingDeviceAndNonTerminalAreRefused) {
    errno = 0;
    EXPECT_EQ(OpenCommPort("/nonexistent/ttyS9", 9600), -1);
    EXPECT_EQ(errno, ENOENT);
    // A device that is no terminal cannot carry the test; nothing stays open.
    const int before = dup(0);
    close(before);
    errno = 0;
    EXPECT_EQ(OpenCommPort("/dev/null", 9600), -1);
    EXPECT_EQ(errno, ENOTTY);
    const int after = dup(0);
    close(after);
    EXPECT_EQ(after, before) << "the descriptor of a refused device leaked";
}

}  // namespace
