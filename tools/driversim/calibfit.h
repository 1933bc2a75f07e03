// Least-squares calibration fit: from the raw panel coordinates of the
// touches to the screen positions of their targets. No X, no block: plain
// numbers in, fixed-point coefficients out.
#ifndef TOOLS_DRIVERSIM_CALIBFIT_H
#define TOOLS_DRIVERSIM_CALIBFIT_H

#include <cstdint>
#include <vector>

// Raw panel coordinates run 0..4095; the fits use u = raw / 4096.
constexpr double kRawFullScale = 4096.0;
// Coefficients are pixels in signed Q16.16.
constexpr double kFixedOne = 65536.0;

struct CalibTouch {
    double targetX = 0, targetY = 0;  // screen pixels
    double rawX = 0, rawY = 0;        // panel units
};

// Solves min |A s - b| for s (A has rows.size() rows of `unknowns` columns)
// through the normal equations with partial pivoting. False when A has not
// full column rank (too few or collinear points).
bool SolveLeastSquares(const std::vector<std::vector<double>>& rows, const std::vector<double>& rhs,
                       std::vector<double>* solution);

// x = c[0] + c[1] u + c[2] v, y = c[3] + c[4] u + c[5] v.
bool FitAffine(const std::vector<CalibTouch>& touches, double c[6]);
// x = c[0] + c[1] u + c[2] v + c[3] u v, y likewise with c[4..7].
bool FitBilinear(const std::vector<CalibTouch>& touches, double c[8]);

// Rounds to Q16.16; false (and a saturated result) when it does not fit.
bool ToFixed(double value, int32_t* out);

struct CalibCoefficients {
    int32_t coefficient[128] = {};
    int32_t coefficient4p[8] = {};
    int32_t coefficientRevise[10] = {};
    int32_t cal9Base[2] = {};
    int32_t cal25Base[4] = {};
    bool valid = false;
    double rmsPixels = 0;  // residual of the overall affine fit
    double maxPixels = 0;
};

// touches[k-1] belongs to target k of a `count`-point run (4, 9 or 25) on a
// screen of the given size. Fills every field; `valid` tells whether the
// driver may call them good (every fit solvable, every value in range, the
// mapping not degenerate, and the affine residual within 5 % of the larger
// screen side).
CalibCoefficients ComputeCalibration(const std::vector<CalibTouch>& touches, int count,
                                     int screenWidth, int screenHeight);

#endif
