// The neighbour is the envelope found before with a rung on the merged
// peak. Both readings are fitted on the union of the points of the seed's
// 2z rungs (which hold z's rungs at every other one) and the neighbour's
// rungs, each together with the neighbour's pattern (two free factors, on
// the whole intensities): the merged peak is then the neighbour's point
// plus the 2z ion's M+1, or the neighbour's point alone. The neighbour's
// height there comes from its other rungs, not from what it took of the
// merged peak when it was found (it took the peak whole). The 2z ion is
// kept when it leaves at most kMergedResidual of what the z reading
// leaves, and it is an envelope deisotoping would keep on what the
// neighbour leaves.
#include "observed/merged_rung.hpp"

#include <algorithm>
#include <cmath>
#include <optional>

#include "observed/deisotope.hpp"
#include "observed/expected_envelope.hpp"
#include "observed/pair_fit.hpp"
#include "observed/rung_points.hpp"

namespace corvan::observed {

namespace {

// A merged centroid lies up to this multiple of the tolerance from either
// of the two points it merged.
constexpr double kMergedWiden = 3.5;
constexpr double kMergedResidual = 0.8;
// On a point, intensity above this multiple of the 2z ion's fitted height
// (beside the neighbour's) is a third ion's, not held against the 2z ion.
constexpr double kThirdIon = 1.5;
// The points start this many rungs of 2z below M: the z reading's rung
// below M is two down.
constexpr std::size_t kBelow = 2;
// Envelopes whose M lies this far (Da of m/z) below the merged peak or
// less are searched for the neighbour.
constexpr double kNeighbourReach = 6;

struct Neighbour {
    const corvan_found_envelope *envelope = nullptr;
    const std::vector<double> *pattern = nullptr;
};

// The envelope found before with a rung within the tolerance of `mz`, of
// another charge than `twice`: one of that charge lies on the 2z ion's
// rungs, a pair one rung apart that the pair fits tell (a z ion half a
// step below a 2z one reads as two 2z ions).
Outcome neighbour_at(const FoundBefore &found, double mz, int twice,
                     const corvan_deisotope_settings &settings, ModelPatterns &models,
                     Neighbour &neighbour) {
    const double half = tolerance(mz, settings.ppm);
    for (const corvan_found_envelope &envelope : found.envelopes) {
        const double step = kAveragineSpacing / envelope.charge;
        const double offset = mz - envelope.monoisotopic_mz;
        // Most envelopes are out of reach: told before the rung is worked out
        // (an offset below -step puts the rung below 0).
        if (envelope.charge == twice || offset > kNeighbourReach || offset < -step) continue;
        const double rung = std::round(offset / step);
        if (rung < 0 || std::abs(envelope.monoisotopic_mz + rung * step - mz) > half) continue;
        Outcome done = models.get(envelope.monoisotopic_mass, neighbour.pattern);
        if (!done.ok()) return done;
        if (static_cast<std::size_t>(rung) >= neighbour.pattern->size()) continue;
        neighbour.envelope = &envelope;
        return Outcome::success();
    }
    return Outcome::success();
}

// The seed's 2z points (from kBelow rungs below M) followed by the
// neighbour's points that are not on them, one point per peak.
struct UnionPoints {
    std::vector<double> observed, neighbour, doubled, as_read;
    std::vector<std::size_t> peak_at;

    void add(std::size_t peak, double weight, double of_neighbour) {
        const auto same = std::find(peak_at.begin(), peak_at.end(), peak);
        if (peak != kNoPeak && same != peak_at.end()) {
            neighbour[static_cast<std::size_t>(same - peak_at.begin())] += of_neighbour;
            return;
        }
        peak_at.push_back(peak), observed.push_back(weight), neighbour.push_back(of_neighbour);
        doubled.push_back(0), as_read.push_back(0);
    }

    // What the points that neither reading nor the neighbour expects leave
    // to both fits alike (the rungs below M, another ion's peaks).
    double unexplained() const {
        double sum = 0;
        for (std::size_t i = 0; i < observed.size(); ++i)
            if (neighbour[i] == 0 && doubled[i] == 0 && as_read[i] == 0)
                sum += observed[i] * observed[i];
        return sum;
    }
};

// Where the neighbour's point on the merged peak (at `mz`) lies by its
// other rungs that are not the seed's points (their peaks' m/z, weighted
// by intensity, moved by their rungs); none when it has none.
std::optional<double> neighbour_place(const PeakList &peaks, const UnionPoints &points,
                                      std::size_t seed_points, const Neighbour &neighbour,
                                      double mz, double ppm) {
    const double step = kAveragineSpacing / neighbour.envelope->charge;
    const double merged_rung = std::round((mz - neighbour.envelope->monoisotopic_mz) / step);
    double sum = 0, weight = 0;
    for (std::size_t k = 0; k < neighbour.pattern->size(); ++k) {
        const double rung = static_cast<double>(k);
        if (rung == merged_rung) continue;
        const std::size_t at =
            strongest_near(peaks, neighbour.envelope->monoisotopic_mz + rung * step, ppm);
        if (at == kNoPeak) continue;
        const auto slot = static_cast<std::size_t>(
            std::find(points.peak_at.begin(), points.peak_at.end(), at) - points.peak_at.begin());
        if (slot < seed_points) continue; // shared with the seed's points
        sum += peaks.intensity[at] * (peaks.mz[at] - (rung - merged_rung) * step);
        weight += peaks.intensity[at];
    }
    if (!(weight > 0)) return std::nullopt;
    return sum / weight;
}

// Whether the merged centroid lies where the fitted 2z rung (at `rung_mz`)
// and the neighbour's point, weighted by their fitted heights, put it at
// least as well as where the neighbour alone puts it (or, with no place of
// the neighbour's own, within the tolerance).
bool centroid_agrees(const PeakList &peaks, const UnionPoints &points, std::size_t seed_points,
                     const Neighbour &neighbour, std::size_t merged, double rung_mz,
                     const PairFit &fit, double ppm) {
    const double mz = peaks.mz[merged];
    const auto slot = static_cast<std::size_t>(
        std::find(points.peak_at.begin(), points.peak_at.end(), merged) - points.peak_at.begin());
    const double own = fit.first * points.doubled[slot];
    const double beside = fit.second * points.neighbour[slot];
    const std::optional<double> place =
        neighbour_place(peaks, points, seed_points, neighbour, mz, ppm);
    const double beside_mz = place.value_or(mz);
    const double predicted = (own * rung_mz + beside * beside_mz) / (own + beside);
    const double allowed = place ? std::abs(beside_mz - mz) : tolerance(mz, ppm);
    return std::abs(predicted - mz) <= allowed;
}

} // namespace

Outcome double_over_merged_rung(const PeakList &peaks, const FoundBefore &found,
                                const corvan_deisotope_settings &settings, ModelPatterns &models,
                                double monoisotopic_mz, int charge, const std::vector<double> &read,
                                SplitIon &doubled, bool &is) {
    is = false;
    const int twice = 2 * charge;
    if (twice > settings.max_charge) return Outcome::success();
    doubled = SplitIon{};
    doubled.monoisotopic_mz = monoisotopic_mz, doubled.charge = twice;
    Outcome done = models.get((monoisotopic_mz - proton_mass()) * twice, doubled.pattern);
    if (!done.ok()) return done;
    // The merged peak (the 2z M+1, as gather finds it) first: most seeds have none.
    const std::size_t merged = strongest_near(
        peaks, monoisotopic_mz + 1.0 * (kAveragineSpacing / twice), kMergedWiden * settings.ppm);
    if (merged == kNoPeak || !(found.remaining[merged] < peaks.intensity[merged]))
        return Outcome::success();
    RungPoints seed;
    seed.gather(peaks, peaks.intensity, kMergedWiden * settings.ppm, monoisotopic_mz, twice, kBelow,
                kBelow + std::max(doubled.pattern->size(), 2 * read.size() - 1));
    Neighbour neighbour;
    done = neighbour_at(found, peaks.mz[merged], twice, settings, models, neighbour);
    if (!done.ok() || neighbour.envelope == nullptr) return done;
    UnionPoints points;
    const std::vector<double> doubled_laid = seed.lay(*doubled.pattern, kBelow, 1);
    const std::vector<double> as_read = seed.lay(read, kBelow, 2);
    for (std::size_t i = 0; i < seed.observed.size(); ++i) {
        points.add(seed.peak_at[i], seed.observed[i], 0);
        points.doubled.back() = doubled_laid[i], points.as_read.back() = as_read[i];
    }
    const double step = kAveragineSpacing / neighbour.envelope->charge;
    for (std::size_t k = 0; k <= neighbour.pattern->size(); ++k) {
        const double mz = neighbour.envelope->monoisotopic_mz + (static_cast<double>(k) - 1) * step;
        const std::size_t at = strongest_near(peaks, mz, settings.ppm);
        points.add(at, at == kNoPeak ? 0 : peaks.intensity[at],
                   k == 0 ? 0 : (*neighbour.pattern)[k - 1]);
    }
    const PairFit fit = fit_pair(points.doubled, points.neighbour, points.observed);
    const PairFit read_fit = fit_pair(points.as_read, points.neighbour, points.observed);
    const double common = points.unexplained();
    if (!(fit.first > 0) ||
        fit.residual - common > kMergedResidual * (read_fit.residual - common) ||
        !centroid_agrees(peaks, points, seed.observed.size(), neighbour, merged,
                         monoisotopic_mz + kAveragineSpacing / twice, fit, settings.ppm))
        return Outcome::success();
    doubled.scale = fit.first;
    std::vector<double> neighbour_on_seed(seed.observed.size(), 0);
    std::copy_n(points.neighbour.begin(), seed.observed.size(), neighbour_on_seed.begin());
    // A point holding far more than both put there is a third ion's too.
    for (std::size_t i = 0; i < seed.observed.size(); ++i)
        seed.observed[i] = std::min(seed.observed[i], fit.second * neighbour_on_seed[i] +
                                                          kThirdIon * fit.first * doubled_laid[i]);
    describe_on_leftovers(seed, kBelow, 1, neighbour_on_seed, fit.second, doubled, false);
    is = keeps(doubled, settings);
    return Outcome::success();
}

} // namespace corvan::observed
