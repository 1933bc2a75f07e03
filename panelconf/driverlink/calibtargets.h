// Where the calibration targets stand on the screen. Shared by the
// utility's calibration window, which draws the marker there, and by the
// driver stand-in, which must know which screen point each touch belongs to.
#ifndef PANELCONF_DRIVERLINK_CALIBTARGETS_H
#define PANELCONF_DRIVERLINK_CALIBTARGETS_H

// Smallest border ratio used for placing targets: a target on the very edge
// of the screen could not be touched.
constexpr float kMinCalibBorderRatio = 0.01f;

// True for the point counts the panel knows: 4, 9 and 25.
bool IsCalibPointCount(int count);

// Screen position of target `point` (1-based, numbered row by row from the
// top left) of a `count`-point calibration on a width x height screen whose
// outer targets stand `ratio` of the screen size away from the edges.
//
// The margins are W * r and H * r truncated toward zero, with the ratio a
// 32-bit float multiplied in float as the block stores it (so a 3 % border
// on an 800-pixel screen is 24 pixels); a ratio below 0.01, or one that is
// not a number, counts as 0.01. The inner rows and columns divide the screen
// in halves (9 points) or quarters (25 points) with integer division.
//
// Returns false, leaving *x and *y alone, when count is not 4, 9 or 25 or
// when point is outside 1..count. Results saturate to the int range for
// absurd screen sizes or ratios, so hostile block contents cannot overflow.
bool CalibTargetPosition(int point, int count, float ratio, int width, int height, int* x, int* y);

// The targets, the block's screen size and the driver count X screen pixels;
// the toolkit places widgets in logical pixels, each a scale x scale square
// of X pixels (scale 2 on a HiDPI desktop, from GDK_SCALE or the desktop's
// window scaling factor). A scale below 1 counts as 1.
//
// LogicalPixel: the logical pixel whose square holds X pixel `pixel`
// (division rounding toward minus infinity, so that pixel -1 is not taken
// for pixel 0). A marker whose centre pixel is put there covers the target
// with its centre square.
int LogicalPixel(int pixel, int scale);

// LogicalExtent: how many logical pixels cover `pixels` X pixels (rounding
// up, so that a window of that size leaves no X pixel of the screen bare).
int LogicalExtent(int pixels, int scale);

#endif
