// Similarity scores of an expected and an observed pattern.
#include "observed/similarity.hpp"

#include <algorithm>
#include <cmath>
#include <limits>
#include <numbers>
#include <numeric>

namespace corvan::observed {

namespace {

double dot(std::span<const double> a, std::span<const double> b) {
    return std::inner_product(a.begin(), a.end(), b.begin(), 0.0);
}

} // namespace

double cosine(std::span<const double> expected, std::span<const double> observed) {
    const double norms = std::sqrt(dot(expected, expected) * dot(observed, observed));
    if (norms == 0) return 0;
    return std::clamp(dot(expected, observed) / norms, 0.0, 1.0);
}

double contrast_angle(double cos) {
    return std::acos(cos) * 180 / std::numbers::pi;
}

double fitted_scale(std::span<const double> expected, std::span<const double> observed) {
    const double norm = dot(expected, expected);
    return norm == 0 ? 0 : dot(expected, observed) / norm;
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
