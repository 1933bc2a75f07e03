// The driver block's fields that the utility reads, filled with whatever a
// confused or hostile driver might leave there (the input is the block,
// zero-padded), through the toolkit-free code that consumes them:
//  - target placement with any calPoint, calibPointsNum, borderRatio and
//    screen size: a position only for a known count and a point inside
//    1..count, on the screen for sane sizes, on the grid's rows and columns;
//  - the version text of the Information page;
//  - the sample rows of the communication test;
//  - coefficients copied from the block into a record and written into the
//    configuration file read back to the very values, for every count.
#include <glib.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "config/configreader.h"
#include "config/configwriter.h"
#include "devicerecord.h"
#include "driverlink/calibtargets.h"
#include "driverlink/commlines.h"
#include "driverlink/sharedblock.h"
#include "fuzzsupport.h"
#include "startup.h"

namespace {

void Check(bool condition, const char* what) {
    if (!condition) {
        fprintf(stderr, "block property broken: %s\n", what);
        abort();
    }
}

void CheckTargets(const DriverSharedBlock& block) {
    const int count = block.calibPointsNum;
    const int point = block.calPoint;
    const float ratio = block.borderRatio;
    const int width = block.screenWidth;
    const int height = block.screenHeight;
    int x = -12345;
    int y = -12345;
    const bool placed = CalibTargetPosition(point, count, ratio, width, height, &x, &y);
    Check(placed == (IsCalibPointCount(count) && point >= 1 && point <= count),
          "placed exactly the targets that exist");
    if (!placed) {
        Check(x == -12345 && y == -12345, "a refused target moved the marker");
        return;
    }
    // Every target of the run, as the driver would advance through them.
    const bool sane = width > 0 && height > 0 && width <= 32767 && height <= 32767 &&
                      !(ratio > 0.25f);  // NaN and small ratios count as 0.01
    const int side = count == 4 ? 2 : count == 9 ? 3 : 5;
    int columnX[5];
    int rowY[5];
    for (int n = 1; n <= count; ++n) {
        Check(CalibTargetPosition(n, count, ratio, width, height, &x, &y), "target of the run");
        const int column = (n - 1) % side;
        const int row = (n - 1) / side;
        if (row == 0) {
            columnX[column] = x;
        }
        if (column == 0) {
            rowY[row] = y;
        }
        Check(x == columnX[column] && y == rowY[row], "targets off their grid");
        if (sane) {
            Check(x >= 0 && x <= width && y >= 0 && y <= height, "target off the screen");
            Check(column == 0 || columnX[column - 1] <= x, "columns out of order");
            Check(row == 0 || rowY[row - 1] <= y, "rows out of order");
        }
    }
}

void CheckVersion(const DriverSharedBlock& block) {
    // The Information page's line, made as the window makes it.
    gchar* text =
        g_strdup_printf("%d.%d.%d", block.versionMajor, block.versionMinor, block.versionBuild);
    unsigned a = 0;
    unsigned b = 0;
    unsigned c = 0;
    int used = 0;
    Check(sscanf(text, "%u.%u.%u%n", &a, &b, &c, &used) == 3 && text[used] == '\0' &&
              a == block.versionMajor && b == block.versionMinor && c == block.versionBuild,
          "version text");
    g_free(text);
}

void CheckSampleRows(const DriverSharedBlock& block) {
    const CommRecordLines rows =
        FormatCommRecord(block.commSamples, block.commResultX, block.commResultY);
    for (const std::string& row : rows) {
        Check(!row.empty() && row.size() <= kCommValuesPerLine * 12, "sample row length");
    }
}

// The calibration's copy from the block into the record of the screen.
void CopyFromBlock(DeviceRecord* record, const DriverSharedBlock& block) {
    memcpy(record->coefficientRevise, block.coefficientRevise, sizeof record->coefficientRevise);
    memcpy(record->coefficient4p, block.coefficient4p, sizeof record->coefficient4p);
    size_t used = block.calibPointsNum == 4 ? 8 : block.calibPointsNum == 9 ? 32 : 128;
    memcpy(record->coefficient, block.coefficient, used * sizeof(int32_t));
    memcpy(record->cal9Base, block.cal9Base, sizeof record->cal9Base);
    if (used == 128) {
        memcpy(record->cal25Base, block.cal25Base, sizeof record->cal25Base);
    }
}

void CheckCoefficientsReachTheFile(const DriverSharedBlock& block) {
    ResetDeviceState();
    Check(CreateStartupRecord() == 0, "start-up record");
    auto* record = static_cast<DeviceRecord*>(deviceList->data);
    record->status = kStatusEnable;
    CopyFromBlock(record, block);
    ConfigOutput text;
    const WriteValues values{deviceList, block.calibPointsNum, 1, 0, 0};
    Check(WriteInputSection(text, values) == 0, "section text");
    DeviceRecord written = *record;
    written.identifier = nullptr;

    const std::string& section = text.Text();
    ScratchConfig scratch(reinterpret_cast<const uint8_t*>(section.data()), section.size());
    Check(CreateStartupRecord() == 0 && ReadProgramConfig() == 0, "read back");
    Check(g_list_length(deviceList) == 1, "one record read back");
    const auto* read = static_cast<const DeviceRecord*>(deviceList->data);
    Check(calibPointsNum == block.calibPointsNum, "point count read back");
    Check(memcmp(read->coefficient4p, written.coefficient4p, sizeof written.coefficient4p) == 0,
          "CoEfficient4p read back");
    Check(memcmp(read->coefficientRevise, written.coefficientRevise,
                 sizeof written.coefficientRevise) == 0,
          "CoEfficientRevise read back");
    const int count = block.calibPointsNum;
    if (IsCalibPointCount(count)) {
        const size_t used = count == 4 ? 8 : count == 9 ? 32 : 128;
        Check(memcmp(read->coefficient, written.coefficient, used * sizeof(int32_t)) == 0,
              "CoEfficient read back");
    }
    if (count == 9) {
        Check(memcmp(read->cal9Base, written.cal9Base, sizeof written.cal9Base) == 0,
              "Cal9Base read back");
    }
    if (count == 25) {
        Check(memcmp(read->cal25Base, written.cal25Base, sizeof written.cal25Base) == 0,
              "Cal25Base read back");
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    DriverSharedBlock block;
    memset(&block, 0, sizeof block);
    memcpy(&block, data, size < sizeof block ? size : sizeof block);
    CheckTargets(block);
    CheckVersion(block);
    CheckSampleRows(block);
    CheckCoefficientsReachTheFile(block);
    return 0;
}
