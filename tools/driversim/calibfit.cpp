#include "calibfit.h"

#include <algorithm>
#include <cmath>

bool SolveLeastSquares(const std::vector<std::vector<double>>& rows, const std::vector<double>& rhs,
                       std::vector<double>* solution) {
    if (rows.empty() || rows.size() != rhs.size()) {
        return false;
    }
    const size_t n = rows[0].size();
    // The fits here have a handful of terms. The bound also tells the
    // optimiser that n + 1 cannot wrap, which it otherwise warns about.
    constexpr size_t kMaxTerms = 64;
    if (n == 0 || n > kMaxTerms || rows.size() < n) {
        return false;
    }
    // Normal equations M s = r with M = A^T A, r = A^T b, as an augmented
    // matrix.
    std::vector<std::vector<double>> m(n, std::vector<double>(n + 1, 0.0));
    double scale = 0;
    for (size_t k = 0; k < rows.size(); ++k) {
        if (rows[k].size() != n) {
            return false;
        }
        for (size_t i = 0; i < n; ++i) {
            for (size_t j = 0; j < n; ++j) {
                m[i][j] += rows[k][i] * rows[k][j];
            }
            m[i][n] += rows[k][i] * rhs[k];
        }
    }
    for (size_t i = 0; i < n; ++i) {
        scale = std::max(scale, std::fabs(m[i][i]));
    }
    if (!(scale > 0) || !std::isfinite(scale)) {
        return false;
    }
    for (size_t col = 0; col < n; ++col) {
        size_t pivot = col;
        for (size_t r = col + 1; r < n; ++r) {
            if (std::fabs(m[r][col]) > std::fabs(m[pivot][col])) {
                pivot = r;
            }
        }
        if (std::fabs(m[pivot][col]) <= 1e-12 * scale) {
            return false;
        }
        std::swap(m[col], m[pivot]);
        for (size_t r = 0; r < n; ++r) {
            if (r == col) {
                continue;
            }
            double f = m[r][col] / m[col][col];
            for (size_t c = col; c <= n; ++c) {
                m[r][c] -= f * m[col][c];
            }
        }
    }
    solution->assign(n, 0.0);
    for (size_t i = 0; i < n; ++i) {
        (*solution)[i] = m[i][n] / m[i][i];
        if (!std::isfinite((*solution)[i])) {
            return false;
        }
    }
    return true;
}

namespace {

bool FitModel(const std::vector<CalibTouch>& touches, bool bilinear, double* c) {
    const size_t terms = bilinear ? 4 : 3;
    std::vector<std::vector<double>> rows;
    std::vector<double> xs, ys;
    for (const CalibTouch& t : touches) {
        double u = t.rawX / kRawFullScale;
        double v = t.rawY / kRawFullScale;
        std::vector<double> row = {1.0, u, v};
        if (bilinear) {
            row.push_back(u * v);
        }
        rows.push_back(row);
        xs.push_back(t.targetX);
        ys.push_back(t.targetY);
    }
    std::vector<double> sx, sy;
    if (!SolveLeastSquares(rows, xs, &sx) || !SolveLeastSquares(rows, ys, &sy)) {
        return false;
    }
    for (size_t i = 0; i < terms; ++i) {
        c[i] = sx[i];
        c[terms + i] = sy[i];
    }
    return true;
}

double Mean(const std::vector<double>& values) {
    double sum = 0;
    for (double v : values) {
        sum += v;
    }
    return values.empty() ? 0 : sum / static_cast<double>(values.size());
}

// Stores fitted values as Q16.16; false when any does not fit.
bool StoreFixed(const double* values, int n, int32_t* out) {
    bool ok = true;
    for (int i = 0; i < n; ++i) {
        ok = ToFixed(values[i], &out[i]) && ok;
    }
    return ok;
}

int32_t RoundRaw(double value) {
    return static_cast<int32_t>(std::lround(std::clamp(value, -1e9, 1e9)));
}

}  // namespace

bool FitAffine(const std::vector<CalibTouch>& touches, double c[6]) {
    return FitModel(touches, false, c);
}

bool FitBilinear(const std::vector<CalibTouch>& touches, double c[8]) {
    return FitModel(touches, true, c);
}

bool ToFixed(double value, int32_t* out) {
    double scaled = std::round(value * kFixedOne);
    if (!std::isfinite(scaled)) {
        *out = 0;
        return false;
    }
    if (scaled > 2147483647.0) {
        *out = INT32_MAX;
        return false;
    }
    if (scaled < -2147483648.0) {
        *out = INT32_MIN;
        return false;
    }
    *out = static_cast<int32_t>(scaled);
    return true;
}

CalibCoefficients ComputeCalibration(const std::vector<CalibTouch>& touches, int count,
                                     int screenWidth, int screenHeight) {
    CalibCoefficients result;
    const int side = count == 4 ? 2 : count == 9 ? 3 : count == 25 ? 5 : 0;
    if (side == 0 || static_cast<int>(touches.size()) != count) {
        return result;
    }
    auto at = [&](int row, int col) -> const CalibTouch& { return touches[row * side + col]; };
    bool ok = true;

    // Four corners, bilinear: exact through them.
    double four[8];
    std::vector<CalibTouch> corners = {at(0, 0), at(0, side - 1), at(side - 1, 0),
                                       at(side - 1, side - 1)};
    ok = FitBilinear(corners, four) && ok;
    ok = StoreFixed(four, 8, result.coefficient4p) && ok;

    // One bilinear patch per grid cell, row by row: 1, 4 or 16 cells of 8.
    const int cells = side - 1;
    for (int r = 0; r < cells; ++r) {
        for (int c = 0; c < cells; ++c) {
            std::vector<CalibTouch> cell = {at(r, c), at(r, c + 1), at(r + 1, c), at(r + 1, c + 1)};
            double patch[8] = {};
            ok = FitBilinear(cell, patch) && ok;
            ok = StoreFixed(patch, 8, &result.coefficient[(r * cells + c) * 8]) && ok;
        }
    }

    // Overall affine fit: over-determined for every count, so its residual
    // tells how well the touches agree with each other.
    double affine[6] = {};
    bool affineOk = FitAffine(touches, affine);
    ok = affineOk && ok;
    double sumSquares = 0, worst = 0;
    if (affineOk) {
        for (const CalibTouch& t : touches) {
            double u = t.rawX / kRawFullScale, v = t.rawY / kRawFullScale;
            double dx = affine[0] + affine[1] * u + affine[2] * v - t.targetX;
            double dy = affine[3] + affine[4] * u + affine[5] * v - t.targetY;
            double d2 = dx * dx + dy * dy;
            sumSquares += d2;
            worst = std::max(worst, std::sqrt(d2));
        }
        result.rmsPixels = std::sqrt(sumSquares / count);
        result.maxPixels = worst;
        double det = affine[1] * affine[5] - affine[2] * affine[4];
        ok = std::fabs(det) > 1e-6 && ok;
    }
    ok = StoreFixed(affine, 6, result.coefficientRevise) && ok;
    ok = ToFixed(result.rmsPixels, &result.coefficientRevise[6]) && ok;
    ok = ToFixed(result.maxPixels, &result.coefficientRevise[7]) && ok;
    result.coefficientRevise[8] = count;
    result.coefficientRevise[9] = static_cast<int32_t>(kRawFullScale);

    // Cell boundaries in raw units: where the driver switches patches.
    auto columnRaw = [&](int col) {
        std::vector<double> v;
        for (int r = 0; r < side; ++r)
            v.push_back(at(r, col).rawX);
        return RoundRaw(Mean(v));
    };
    auto rowRaw = [&](int row) {
        std::vector<double> v;
        for (int c = 0; c < side; ++c)
            v.push_back(at(row, c).rawY);
        return RoundRaw(Mean(v));
    };
    if (count >= 9) {
        result.cal9Base[0] = columnRaw(side / 2);
        result.cal9Base[1] = rowRaw(side / 2);
    }
    if (count == 25) {
        result.cal25Base[0] = columnRaw(1);
        result.cal25Base[1] = columnRaw(3);
        result.cal25Base[2] = rowRaw(1);
        result.cal25Base[3] = rowRaw(3);
    }

    double limit = 0.05 * std::max(std::max(screenWidth, screenHeight), 1);
    result.valid = ok && result.rmsPixels <= limit;
    return result;
}
