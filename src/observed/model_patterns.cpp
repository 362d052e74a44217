// Averagine patterns by mass bin: bins 0.5% wide, where a peptide's pattern
// moves by far less than a measured one scatters; the FFT engine computes
// one in about 10 microseconds.
#include "observed/model_patterns.hpp"

#include <algorithm>
#include <cmath>
#include <string>

#include "corvan.h"

namespace corvan::observed {

namespace {

constexpr double kBinRatio = 1.005;
// Points the engine computes: room for the envelope of any mass a charge of
// 100 reaches in the m/z range of instruments.
constexpr int kEnginePoints = 128;

// The FFT by-mass engine: the averagine composition of the mass, heights
// relative to the highest point, M first.
Outcome compute_pattern(double mass, std::vector<double> &pattern) {
    std::vector<float> heights(kEnginePoints);
    if (fft_pep_mass_to_dist(heights.data(), kEnginePoints, 0, static_cast<float>(mass)) < 0)
        return Outcome::failure(CORVAN_E_INTERNAL,
                                "no averagine pattern for mass " + std::to_string(mass));
    const std::size_t top = static_cast<std::size_t>(
        std::max_element(heights.begin(), heights.end()) - heights.begin());
    pattern.clear();
    for (std::size_t i = 0; i < heights.size(); ++i) {
        if (i > top && heights[i] < kPatternFloor) break;
        pattern.push_back(heights[i]);
    }
    return Outcome::success();
}

} // namespace

Outcome ModelPatterns::get(double mass, const std::vector<double> *&pattern) {
    const long bin = std::lround(std::log(mass) / std::log(kBinRatio));
    auto found = bins_.find(bin);
    if (found == bins_.end()) {
        std::vector<double> computed;
        Outcome done = compute_pattern(std::pow(kBinRatio, static_cast<double>(bin)), computed);
        if (!done.ok()) return done;
        found = bins_.emplace(bin, std::move(computed)).first;
    }
    pattern = &found->second;
    return Outcome::success();
}

} // namespace corvan::observed
