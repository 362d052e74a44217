#include "observed/rung_points.hpp"

#include <algorithm>

#include "observed/deisotope.hpp"
#include "observed/model_patterns.hpp"
#include "observed/similarity.hpp"

namespace corvan::observed {

void RungPoints::gather(const PeakList &peaks, std::span<const double> weights, double ppm,
                        double mono, int charge, std::size_t below, std::size_t rungs) {
    const double step = kAveragineSpacing / charge;
    observed.clear(), peak_at.clear();
    observed.reserve(rungs), peak_at.reserve(rungs);
    for (std::size_t i = 0; i < rungs; ++i) {
        const double r = static_cast<double>(i) - static_cast<double>(below);
        const std::size_t found = strongest_near(peaks, mono + r * step, ppm, weights);
        peak_at.push_back(found);
        observed.push_back(found == kNoPeak ? 0 : weights[found]);
    }
}

std::vector<double> RungPoints::lay(const std::vector<double> &pattern, std::size_t first,
                                    std::size_t stride) const {
    std::vector<double> laid(observed.size(), 0);
    for (std::size_t k = 0; k < pattern.size() && first + stride * k < laid.size(); ++k)
        laid[first + stride * k] = pattern[k];
    return laid;
}

double residual(std::span<const double> expected, double scale, std::span<const double> observed) {
    double sum = 0;
    for (std::size_t i = 0; i < observed.size(); ++i) {
        const double left = observed[i] - scale * expected[i];
        sum += left * left;
    }
    return sum;
}

void describe_on_leftovers(const RungPoints &points, std::size_t first, std::size_t stride,
                           const std::vector<double> &other, double other_scale, SplitIon &ion,
                           bool count_below) {
    auto left = [&](std::size_t i) {
        return std::max(0.0, points.observed[i] - other_scale * other[i]);
    };
    std::vector<double> expected{0}, observed{count_below ? left(first - stride) : 0};
    const std::vector<double> &pattern = *ion.pattern;
    ion.peak_at.clear(), ion.matched = 0;
    for (std::size_t k = 0; k < pattern.size() && first + stride * k < points.observed.size();
         ++k) {
        const std::size_t i = first + stride * k;
        ion.peak_at.push_back(points.peak_at[i]);
        expected.push_back(pattern[k]);
        observed.push_back(left(i));
        ion.matched += left(i) > 0 && left(i) >= kMatchedShare * ion.scale * pattern[k];
    }
    ion.score = cosine(expected, observed);
}

bool keeps(const SplitIon &ion, const corvan_deisotope_settings &settings) {
    return !ion.peak_at.empty() && ion.peak_at.front() != kNoPeak &&
           ion.score >= settings.min_score &&
           ion.matched >= static_cast<std::size_t>(settings.min_peaks);
}

} // namespace corvan::observed
