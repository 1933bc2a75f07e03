#include "driverlink/calibtargets.h"

#include <cmath>
#include <cstdint>
#include <limits>

namespace {

int Saturate(int64_t value) {
    if (value > std::numeric_limits<int>::max()) {
        return std::numeric_limits<int>::max();
    }
    if (value < std::numeric_limits<int>::min()) {
        return std::numeric_limits<int>::min();
    }
    return static_cast<int>(value);
}

// The margin in pixels: size * ratio in float, truncated toward zero.
int64_t Margin(int size, float ratio) {
    float product = static_cast<float>(size) * ratio;
    if (!std::isfinite(product)) {
        return product < 0 ? std::numeric_limits<int>::min() : std::numeric_limits<int>::max();
    }
    // Converting a float outside the int range is undefined; clamp first.
    if (product >= 2147483648.0f) {
        return std::numeric_limits<int>::max();
    }
    if (product <= -2147483648.0f) {
        return std::numeric_limits<int>::min();
    }
    return static_cast<int64_t>(static_cast<int>(product));
}

// One axis of the grid: `index` counts 0..cells from the first line to the
// last; `cells` is 1 (4 points), 2 (9 points) or 4 (25 points).
int64_t GridLine(int index, int cells, int64_t size, int64_t margin) {
    if (index == 0) {
        return margin;
    }
    if (index == cells) {
        return size - margin;
    }
    // Inner lines: size/2 for 9 points; size/4, size/2, (3*size)/4 for 25.
    // C++ integer division truncates toward zero, as the panel expects.
    return (index * size) / cells;
}

}  // namespace

bool IsCalibPointCount(int count) { return count == 4 || count == 9 || count == 25; }

bool CalibTargetPosition(int point, int count, float ratio, int width, int height, int* x, int* y) {
    if (!IsCalibPointCount(count) || point < 1 || point > count) {
        return false;
    }
    if (!(ratio >= kMinCalibBorderRatio)) {  // also catches NaN
        ratio = kMinCalibBorderRatio;
    }
    int side = count == 4 ? 2 : count == 9 ? 3 : 5;
    int cells = side - 1;
    int column = (point - 1) % side;
    int row = (point - 1) / side;
    *x = Saturate(GridLine(column, cells, width, Margin(width, ratio)));
    *y = Saturate(GridLine(row, cells, height, Margin(height, ratio)));
    return true;
}

int LogicalPixel(int pixel, int scale) {
    if (scale <= 1) {
        return pixel;
    }
    const int quotient = pixel / scale;
    return pixel % scale < 0 ? quotient - 1 : quotient;
}

int LogicalExtent(int pixels, int scale) {
    if (scale <= 1) {
        return pixels;
    }
    // Rounding up, written so that it cannot overflow at either end.
    return pixels > 0 ? (pixels - 1) / scale + 1 : pixels / scale;
}
