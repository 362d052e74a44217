// The peak on the rung below the lighter ion's M is not held against it:
// as for any envelope, it is as often an ion of another charge.
#include "observed/lighter_partner.hpp"

#include <algorithm>

#include "observed/expected_envelope.hpp"
#include "observed/pair_fit.hpp"
#include "observed/rung_points.hpp"

namespace corvan::observed {

namespace {

// The lighter ion's highest point must be at least this share of the
// heavier one's.
constexpr double kLighterShare = 0.15;

// The lighter ion at `charge` below `heavier`, fitted with it on the rungs
// from the rung below the lighter M.
Outcome fit_below(const PeakList &peaks, double mono, int charge, double heavier_mz,
                  const corvan_deisotope_settings &settings, ModelPatterns &models, SplitIon &ion,
                  double &heavier_scale) {
    const std::vector<double> *heavier = nullptr;
    ion = SplitIon{};
    ion.monoisotopic_mz = mono, ion.charge = charge;
    Outcome done = models.get((mono - proton_mass()) * charge, ion.pattern);
    if (done.ok()) done = models.get((heavier_mz - proton_mass()) * charge, heavier);
    if (!done.ok()) return done;
    RungPoints points;
    points.gather(peaks, peaks.intensity, settings.ppm, mono, charge, 1,
                  2 + std::max(ion.pattern->size(), heavier->size()));
    const std::vector<double> lighter_laid = points.lay(*ion.pattern, 1, 1);
    const std::vector<double> heavier_laid = points.lay(*heavier, 2, 1);
    const PairFit fit = fit_pair(lighter_laid, heavier_laid, points.observed);
    if (!(fit.first > 0) || fit.first < kLighterShare * fit.second) return Outcome::success();
    ion.scale = fit.first, heavier_scale = fit.second;
    describe_on_leftovers(points, 1, 1, heavier_laid, fit.second, ion, false);
    return Outcome::success();
}

} // namespace

Outcome lighter_partner(const PeakList &peaks, std::size_t seed,
                        const corvan_deisotope_settings &settings, ModelPatterns &models,
                        const FoundBefore &found, SplitIon &ion, HeavierRefit &refit, bool &kept) {
    kept = false;
    const double mono = peaks.mz[seed];
    for (int z = settings.min_charge; z <= settings.max_charge && !kept; ++z) {
        const double heavier_mz = mono + kAveragineSpacing / z;
        const corvan_found_envelope *heavier = found_at(peaks, found, heavier_mz, z, settings.ppm);
        if (heavier == nullptr) continue;
        Outcome done =
            fit_below(peaks, mono, z, heavier->monoisotopic_mz, settings, models, ion, refit.scale);
        if (!done.ok()) return done;
        refit.index = static_cast<std::size_t>(heavier - found.envelopes.data());
        kept = ion.scale > 0 && ion.peak_at.front() == seed && keeps(ion, settings);
    }
    return Outcome::success();
}

} // namespace corvan::observed
