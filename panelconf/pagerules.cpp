#include "pagerules.h"

#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>

#include "devicerecord.h"
#include "labels.h"

bool IsUsbPortText(const char* portText) {
    return portText != nullptr && strcmp(portText, kUsbPortName) == 0;
}

bool SpeedSelectableFor(int status) { return status == kStatusEnable; }

int CalibPointsForProduct(int product) { return product == kFourthProduct ? 9 : 4; }

bool FourPointsAllowedFor(int product) { return product != kFourthProduct; }

int32_t ScaleInteger(double value) {
    if (std::isnan(value)) {
        return 0;
    }
    const double truncated = std::trunc(value);
    if (truncated <= static_cast<double>(std::numeric_limits<int32_t>::min())) {
        return std::numeric_limits<int32_t>::min();
    }
    if (truncated >= static_cast<double>(std::numeric_limits<int32_t>::max())) {
        return std::numeric_limits<int32_t>::max();
    }
    return static_cast<int32_t>(truncated);
}

uint8_t SamplingByte(double value) {
    // The 16-bit truncation only matters for values the scale cannot give;
    // doing it on the 32-bit integer keeps it defined for any double.
    const auto wide = static_cast<uint32_t>(ScaleInteger(value));
    return static_cast<uint8_t>(static_cast<uint16_t>(wide) & 0xFFu);
}

void FormatValueLabel(int value, char* out, size_t outSize) {
    if (outSize == 0) {
        return;
    }
    snprintf(out, outSize, " %d", value);
}
