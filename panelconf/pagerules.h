// Decisions of the Main, Setting and Advanced page handlers that need no
// toolkit: what a widget value means for a device record and what the pages
// show for it.
#ifndef PANELCONF_PAGERULES_H
#define PANELCONF_PAGERULES_H

#include <cstddef>
#include <cstdint>

#include "config/driveroptions.h"

// The fourth product of productNames: its controller cannot be calibrated
// with four points.
constexpr int kFourthProduct = 3;

// True when the port combo's text names the USB link, over which there is no
// link speed and no communication test.
bool IsUsbPortText(const char* portText);

// Only an enabled device's link speed can be chosen; a disabled or undeclared
// one keeps the speed combo insensitive.
bool SpeedSelectableFor(int status);

// Calibration points a product change forces: 9 for the fourth product,
// 4 for every other one.
int CalibPointsForProduct(int product);

// Whether the "4" calibration-point radio may be used with this product.
bool FourPointsAllowedFor(int product);

// A scale's adjustment value as the driver's integer: truncated toward zero.
// Values outside the 32-bit range (never produced by the pages' ranges) are
// clamped rather than left undefined.
int32_t ScaleInteger(double value);

// The sampling scale's value as the byte the record and the block hold:
// truncated toward zero to 16 bits, low byte kept.
uint8_t SamplingByte(double value);

// Text of a Setting page value label: " %d". Always terminated; truncated to
// outSize - 1 characters.
void FormatValueLabel(int value, char* out, size_t outSize);

// One value a Default button puts back.
struct SettingDefault {
    driveropts::SettingIndex entry;
    int value;
};

// Setting page Default, in the order the button sets them. Touch mode is not
// among them.
constexpr SettingDefault kSettingPageDefaults[] = {
    {driveropts::kTapTime, 25},
    {driveropts::kLiftOffTime, 5},
    {driveropts::kStabilize, 0},
    {driveropts::kAveraging, 0},
};

// Advanced page Default: the two scales, which reach the block at once. The
// two check buttons are switched off in the record only.
constexpr SettingDefault kAdvancedScaleDefaults[] = {
    {driveropts::kRclickHoldDuration, 1500},
    {driveropts::kRclickSpatialTolerance, 10},
};

#endif
