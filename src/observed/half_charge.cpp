#include "observed/half_charge.hpp"

#include <algorithm>

#include "observed/expected_envelope.hpp"
#include "observed/pair_fit.hpp"
#include "observed/similarity.hpp"

namespace corvan::observed {

namespace {

// The half-charge reading must leave at most this share of the squared
// residual the pair of the full charge leaves: both readings have two
// heights to fit, and only a clearly better one replaces the first.
constexpr double kHalfResidual = 0.5;

// The readings' patterns on the rungs of the full charge (0 off their
// ends), the weights there and the peaks.
struct RungPoints {
    std::vector<double> own, half, heavier, observed;
    std::vector<std::size_t> peak_at;
};

RungPoints gather(const PeakList &peaks, std::span<const double> weights, double ppm,
                  double monoisotopic_mz, double step, const std::vector<double> &own,
                  const std::vector<double> &half, const std::vector<double> &heavier) {
    RungPoints points;
    const std::size_t count = std::max({own.size(), 2 * half.size() - 1, heavier.size() + 1});
    for (std::size_t r = 0; r < count; ++r) {
        const std::size_t at =
            strongest_near(peaks, monoisotopic_mz + static_cast<double>(r) * step, ppm, weights);
        points.peak_at.push_back(at);
        points.observed.push_back(at == kNoPeak ? 0 : weights[at]);
        points.own.push_back(r < own.size() ? own[r] : 0);
        points.half.push_back(r % 2 == 0 && r / 2 < half.size() ? half[r / 2] : 0);
        points.heavier.push_back(r >= 1 && r <= heavier.size() ? heavier[r - 1] : 0);
    }
    return points;
}

// The half-charge ion's cosine on what the heavier one leaves, every rung
// of the full charge counted (those between its own expected 0).
double half_score(const RungPoints &points, double heavier_scale) {
    std::vector<double> left;
    for (std::size_t r = 0; r < points.observed.size(); ++r)
        left.push_back(std::max(0.0, points.observed[r] - heavier_scale * points.heavier[r]));
    return cosine(points.half, left);
}

} // namespace

Outcome read_as_half_charge(const PeakList &peaks, std::span<const double> weights, double ppm,
                            ModelPatterns &models, double monoisotopic_mz, int charge,
                            HalfChargeReading &reading) {
    reading = {};
    if (charge < 2 || charge % 2 != 0) return Outcome::success();
    const double step = kAveragineSpacing / charge;
    const double mass = (monoisotopic_mz - proton_mass()) * charge;
    const std::vector<double> *own = nullptr, *heavier = nullptr;
    Outcome done = models.get(mass, own);
    if (done.ok()) done = models.get(mass / 2, reading.pattern);
    if (done.ok()) done = models.get(mass + kAveragineSpacing, heavier);
    if (!done.ok()) return done;
    const RungPoints points =
        gather(peaks, weights, ppm, monoisotopic_mz, step, *own, *reading.pattern, *heavier);
    const PairFit full = fit_pair(points.own, points.heavier, points.observed);
    const PairFit split = fit_pair(points.half, points.heavier, points.observed);
    if (!(split.first > 0 && split.residual < kHalfResidual * full.residual))
        return Outcome::success();
    reading.better = true;
    reading.scale = split.first, reading.heavier_scale = split.second;
    reading.score = half_score(points, split.second);
    for (std::size_t k = 0; k < reading.pattern->size(); ++k)
        reading.peak_at.push_back(points.peak_at[2 * k]);
    return Outcome::success();
}

} // namespace corvan::observed
