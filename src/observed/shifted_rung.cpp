#include "observed/shifted_rung.hpp"

#include <algorithm>
#include <vector>

#include "observed/deisotope.hpp"
#include "observed/expected_envelope.hpp"
#include "observed/rung_points.hpp"
#include "observed/similarity.hpp"

namespace corvan::observed {

namespace {

// The M+1 is sought this many times the tolerance wide.
constexpr double kShiftedWiden = 2;
// The shared centroid must hold at least this multiple of the ion's fitted
// height there: another ion's peak went into it, else it is the ion's own
// M+1 off its place (or noise) and tells nothing of the charge.
constexpr double kOverFull = 1.2;

// The ion of charge `z` whose M is the seed, read with its M+1 on the
// shifted centroid; ion.score stays -1 when it does not stand so.
Outcome read_at(const PeakList &peaks, std::span<const double> weights, std::size_t seed, int z,
                const corvan_deisotope_settings &settings, ModelPatterns &models, SplitIon &ion) {
    const double mono = peaks.mz[seed], step = kAveragineSpacing / z;
    ion = SplitIon{};
    ion.monoisotopic_mz = mono, ion.charge = z, ion.score = -1;
    Outcome done = models.get((mono - proton_mass()) * z, ion.pattern);
    if (!done.ok()) return done;
    const std::vector<double> &pattern = *ion.pattern;
    if (pattern.size() < 2 || pattern[1] > pattern[0] ||
        strongest_near(peaks, mono + step, settings.ppm, weights) != kNoPeak)
        return done;
    const std::size_t shared =
        strongest_near(peaks, mono + step, kShiftedWiden * settings.ppm, weights);
    if (shared == kNoPeak) return done;
    // Points: the rung below M, then M, M+1, ...
    RungPoints points;
    points.gather(peaks, weights, settings.ppm, mono, z, 1, 1 + pattern.size());
    points.peak_at[2] = shared, points.observed[2] = 0;
    std::vector<double> expected = points.lay(pattern, 1, 1);
    const double own_m1 = expected[2];
    expected[0] = expected[2] = 0;
    ion.scale = fitted_scale(expected, points.observed);
    const double share = ion.scale * own_m1;
    if (!(share > 0) || peaks.intensity[shared] < kOverFull * share) return done;
    expected[2] = own_m1, points.observed[2] = share;
    // Peaks between the rungs count as expected 0, whoever took them: a
    // charge too low reads every other rung of a higher one.
    for (std::size_t k = 0; k + 1 < pattern.size(); ++k)
        for (double fraction : kBetweenRungs) {
            const std::size_t at = strongest_near(
                peaks, mono + (static_cast<double>(k) + fraction) * step, settings.ppm);
            expected.push_back(0);
            points.observed.push_back(at == kNoPeak ? 0 : peaks.intensity[at]);
        }
    ion.score = cosine(expected, points.observed);
    ion.peak_at.assign(points.peak_at.begin() + 1, points.peak_at.end());
    for (std::size_t k = 0; k < pattern.size(); ++k)
        ion.matched += points.observed[k + 1] > 0 &&
                       points.observed[k + 1] >= kMatchedShare * ion.scale * pattern[k];
    return done;
}

} // namespace

Outcome beside_shifted_rung(const PeakList &peaks, std::span<const double> weights,
                            std::size_t seed, const corvan_deisotope_settings &settings,
                            ModelPatterns &models, SplitIon &ion, bool &kept) {
    kept = false;
    // The highest charge that stands: a lower one reads every other rung of
    // a higher one, and the shifted centroid hides the point between them.
    for (int z = settings.max_charge; z >= settings.min_charge && !kept; --z) {
        Outcome done = read_at(peaks, weights, seed, z, settings, models, ion);
        if (!done.ok()) return done;
        kept = keeps(ion, settings);
    }
    return Outcome::success();
}

} // namespace corvan::observed
