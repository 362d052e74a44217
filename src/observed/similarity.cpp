// Similarity scores of an expected and an observed pattern.
#include "observed/similarity.hpp"

#include <algorithm>
#include <cmath>
#include <limits>
#include <numbers>

namespace corvan::observed {

// The three sums in one pass (deisotoping scores thousands of hypotheses a
// scan), each added in the order of the points as dot adds them.
double cosine(std::span<const double> expected, std::span<const double> observed) {
    double ee = 0, oo = 0, eo = 0;
    for (std::size_t i = 0; i < expected.size(); ++i) {
        ee += expected[i] * expected[i];
        oo += observed[i] * observed[i];
        eo += expected[i] * observed[i];
    }
    const double norms = std::sqrt(ee * oo);
    if (norms == 0) return 0;
    return std::clamp(eo / norms, 0.0, 1.0);
}

double contrast_angle(double cos) {
    return std::acos(cos) * 180 / std::numbers::pi;
}

double fitted_scale(std::span<const double> expected, std::span<const double> observed) {
    double ee = 0, eo = 0;
    for (std::size_t i = 0; i < expected.size(); ++i) {
        ee += expected[i] * expected[i];
        eo += expected[i] * observed[i];
    }
    return ee == 0 ? 0 : eo / ee;
}

double chi_square_per_dof(std::span<const double> expected, std::span<const double> observed,
                          double scale) {
    if (scale <= 0) return std::numeric_limits<double>::quiet_NaN();
    double sum = 0;
    std::size_t points = 0;
    for (std::size_t i = 0; i < expected.size(); ++i) {
        if (expected[i] <= 0) continue;
        const double difference = observed[i] / scale - expected[i];
        sum += difference * difference / expected[i];
        ++points;
    }
    return points < 2 ? 0 : sum / static_cast<double>(points - 1);
}

} // namespace corvan::observed
