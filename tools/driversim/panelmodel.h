// The stand-in's imaginary panel: an uncalibrated 12-bit touch sensor laid
// over the screen, offset, scaled, upside down in y and slightly sheared,
// as a real panel is before calibration. Calibration must undo exactly this.
#ifndef TOOLS_DRIVERSIM_PANELMODEL_H
#define TOOLS_DRIVERSIM_PANELMODEL_H

struct RawPoint {
    int x, y;
};

// Raw panel reading (0..4095 each) for a touch at screen pixel (sx, sy) on
// a width x height screen. Non-positive sizes count as 1.
RawPoint ScreenToRaw(int sx, int sy, int width, int height);

// The small, repeatable error of the automatic touch of target k, in
// pixels: each component in -3..3, never (0, 0) for two targets in a row.
void AutoTouchError(int point, int* dx, int* dy);

#endif
