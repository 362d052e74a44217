// Both ions' patterns are laid on the rungs of the envelope as read (charge
// 2z) and fitted together by least squares; the pair is kept when it leaves
// at most kPairResidual of what the read pattern alone leaves and each ion,
// on what the other leaves of the peaks, is an envelope deisotoping would
// keep. A real 2z envelope is one smooth pattern, which the two-ion model
// (every other rung of the lower charge's shape plus a shifted copy) does
// not fit much better; two interleaved ions fit far better.
#include "observed/charge_pair_fit.hpp"

#include <algorithm>
#include <limits>

#include "observed/deisotope.hpp"
#include "observed/expected_envelope.hpp"
#include "observed/pair_fit.hpp"
#include "observed/rung_points.hpp"
#include "observed/similarity.hpp"

namespace corvan::observed {

namespace {

constexpr double kPairResidual = 0.3;
// Against the envelope as read beside its neighbour (as many factors), the
// 2z ion beside it must leave at most this share.
constexpr double kDoubledResidual = 0.5;
// The weaker ion's highest point must be at least this share of the other's.
constexpr double kPairShare = 0.15;
// The points start this many rungs below the read M: the lower ion's rung
// below its M is two rungs down.
constexpr std::size_t kBelow = 2;
// The pair must leave at most this share of what the read envelope and its
// best-fitting neighbour (best_rival) leave.
constexpr double kRivalMargin = 1.0;

// The least residual of the read envelope fitted together with one
// neighbour that shares its rungs: an ion of the read charge one or two
// rungs up, or of half the charge two rungs up. The pair must beat these.
Outcome best_rival(const RungPoints &points, ModelPatterns &models, double mono, int charge,
                   const std::vector<double> &as_read, double &least) {
    struct Rival {
        int charge;
        std::size_t rung, stride;
    };
    const Rival rivals[] = {{charge, 1, 1}, {charge, 2, 1}, {charge / 2, 2, 2}};
    least = std::numeric_limits<double>::infinity();
    for (const Rival &rival : rivals) {
        const double mz = mono + static_cast<double>(rival.rung) * kAveragineSpacing / charge;
        const std::vector<double> *pattern = nullptr;
        Outcome done = models.get((mz - proton_mass()) * rival.charge, pattern);
        if (!done.ok()) return done;
        const std::vector<double> laid = points.lay(*pattern, kBelow + rival.rung, rival.stride);
        least = std::min(least, fit_pair(laid, as_read, points.observed).residual);
    }
    return Outcome::success();
}

} // namespace

Outcome split_charge_pair(const PeakList &peaks, std::span<const double> weights,
                          const corvan_deisotope_settings &settings, ModelPatterns &models,
                          double monoisotopic_mz, int charge, const std::vector<double> &read,
                          ChargePair &pair, bool &found) {
    found = false;
    if (charge % 2 != 0 || charge / 2 < settings.min_charge) return Outcome::success();
    pair = ChargePair{};
    pair.lower.monoisotopic_mz = monoisotopic_mz, pair.lower.charge = charge / 2;
    pair.higher.monoisotopic_mz = monoisotopic_mz + kAveragineSpacing / charge;
    pair.higher.charge = charge;
    Outcome done = models.get((monoisotopic_mz - proton_mass()) * (charge / 2), pair.lower.pattern);
    if (done.ok())
        done =
            models.get((pair.higher.monoisotopic_mz - proton_mass()) * charge, pair.higher.pattern);
    if (!done.ok()) return done;
    const std::size_t longest =
        std::max({pair.lower.pattern->size(), pair.higher.pattern->size(), read.size()});
    RungPoints points;
    points.gather(peaks, weights, settings.ppm, monoisotopic_mz, charge, kBelow,
                  kBelow + 2 + 2 * longest);
    const std::vector<double> lower = points.lay(*pair.lower.pattern, kBelow, 2);
    const std::vector<double> higher = points.lay(*pair.higher.pattern, kBelow + 1, 1);
    const std::vector<double> as_read = points.lay(read, kBelow, 1);
    const PairFit fit = fit_pair(higher, lower, points.observed);
    const double alone = residual(as_read, fitted_scale(as_read, points.observed), points.observed);
    if (!(fit.first > 0) ||
        std::min(fit.first, fit.second) < kPairShare * std::max(fit.first, fit.second) ||
        fit.residual > kPairResidual * alone)
        return Outcome::success();
    double rival = 0;
    done = best_rival(points, models, monoisotopic_mz, charge, as_read, rival);
    if (!done.ok() || fit.residual > kRivalMargin * rival) return done;
    pair.lower.scale = fit.second, pair.higher.scale = fit.first;
    describe_on_leftovers(points, kBelow, 2, higher, fit.first, pair.lower);
    describe_on_leftovers(points, kBelow + 1, 1, lower, fit.second, pair.higher);
    found = keeps(pair.lower, settings) && keeps(pair.higher, settings);
    return Outcome::success();
}

// On the rungs of charge 2z, on the whole intensities (the neighbour
// took its share of what remains): the neighbour with the envelope as read
// against the neighbour with the 2z ion.
Outcome double_beside_found(const PeakList &peaks, const corvan_deisotope_settings &settings,
                            ModelPatterns &models, const FoundBefore &found, double monoisotopic_mz,
                            int charge, const std::vector<double> &read, SplitIon &doubled,
                            bool &is) {
    is = false;
    const int twice = 2 * charge;
    if (twice > settings.max_charge) return Outcome::success();
    const double step = kAveragineSpacing / twice;
    const corvan_found_envelope *neighbour =
        found_at(peaks, found, monoisotopic_mz + step, charge, settings.ppm);
    if (neighbour == nullptr) return Outcome::success();
    const std::vector<double> *beside = nullptr;
    doubled = SplitIon{};
    doubled.monoisotopic_mz = monoisotopic_mz, doubled.charge = twice;
    Outcome done = models.get((monoisotopic_mz - proton_mass()) * twice, doubled.pattern);
    if (done.ok()) done = models.get((neighbour->monoisotopic_mz - proton_mass()) * charge, beside);
    if (!done.ok()) return done;
    const std::size_t longest = std::max({doubled.pattern->size(), beside->size(), read.size()});
    RungPoints points;
    points.gather(peaks, peaks.intensity, settings.ppm, monoisotopic_mz, twice, kBelow,
                  kBelow + 2 + 2 * longest);
    const std::vector<double> neighbour_laid = points.lay(*beside, kBelow + 1, 2);
    const std::vector<double> as_read = points.lay(read, kBelow, 2);
    const std::vector<double> doubled_laid = points.lay(*doubled.pattern, kBelow, 1);
    const PairFit fit = fit_pair(doubled_laid, neighbour_laid, points.observed);
    const double read_residual = fit_pair(as_read, neighbour_laid, points.observed).residual;
    if (!(fit.first > 0) || fit.residual > kDoubledResidual * read_residual)
        return Outcome::success();
    doubled.scale = fit.first;
    describe_on_leftovers(points, kBelow, 1, neighbour_laid, fit.second, doubled);
    is = keeps(doubled, settings);
    return Outcome::success();
}

} // namespace corvan::observed
