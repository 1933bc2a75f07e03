#include "panelmodel.h"

#include <algorithm>
#include <cmath>

RawPoint ScreenToRaw(int sx, int sy, int width, int height) {
    double w = std::max(width, 1), h = std::max(height, 1);
    double fx = sx / w, fy = sy / h;
    double rx = 300.0 + 3500.0 * fx + 40.0 * fy;
    double ry = 3800.0 - 3400.0 * fy + 25.0 * fx;
    auto clampRaw = [](double v) {
        return static_cast<int>(std::lround(std::clamp(v, 0.0, 4095.0)));
    };
    return RawPoint{clampRaw(rx), clampRaw(ry)};
}

void AutoTouchError(int point, int* dx, int* dy) {
    unsigned k = static_cast<unsigned>(point);
    *dx = static_cast<int>((k * 5u) % 7u) - 3;
    *dy = static_cast<int>((k * 3u + 1u) % 7u) - 3;
}
