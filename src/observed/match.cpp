// Matching: pick the peaks of the expected envelope, score, place a named
// monoisotopic peak.
#include "observed/match.hpp"

#include <cmath>
#include <cstdlib>
#include <limits>

#include "observed/similarity.hpp"

namespace corvan::observed {

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

std::vector<corvan_matched_peak> pick_peaks(const Expected &expected, double min_height, double ppm,
                                            const PeakList &peaks) {
    std::vector<corvan_matched_peak> picked;
    for (const ExpectedPoint &point : expected.points) {
        if (point.height < min_height) continue;
        corvan_matched_peak peak{point.neutrons, point.mz, point.height, kNaN, 0, kNaN};
        const std::size_t at = strongest_near(peaks, point.mz, ppm);
        if (at != kNoPeak) {
            peak.observed_mz = peaks.mz[at];
            peak.observed_intensity = peaks.intensity[at];
            peak.ppm_error = 1e6 * (peak.observed_mz - point.mz) / point.mz;
        }
        picked.push_back(peak);
    }
    return picked;
}

void score(MatchResult &result) {
    std::vector<double> expected, observed;
    double weighted_ppm = 0, matched_intensity = 0;
    corvan_match_summary &summary = result.summary;
    summary.matched = 0;
    for (const corvan_matched_peak &peak : result.peaks) {
        expected.push_back(peak.expected_height);
        observed.push_back(peak.observed_intensity);
        if (std::isnan(peak.observed_mz)) continue;
        ++summary.matched;
        weighted_ppm += peak.ppm_error * peak.observed_intensity;
        matched_intensity += peak.observed_intensity;
    }
    summary.compared = result.peaks.size();
    summary.cosine = cosine(expected, observed);
    summary.contrast_angle = contrast_angle(summary.cosine);
    summary.scale = fitted_scale(expected, observed);
    summary.chi_square = chi_square_per_dof(expected, observed, summary.scale);
    summary.mean_ppm = matched_intensity > 0 ? weighted_ppm / matched_intensity : kNaN;
}

// Which expected point the named m/z is, and the m/z of M it implies.
void place_named(const Expected &expected, double named_mz, double ppm,
                 corvan_match_summary &summary) {
    summary.named_offset = CORVAN_NO_OFFSET;
    summary.corrected_mz = kNaN;
    if (named_mz == 0) return;
    for (const ExpectedPoint &point : expected.points)
        if (std::abs(named_mz - point.mz) <= tolerance(point.mz, ppm)) {
            summary.named_offset = point.neutrons;
            summary.corrected_mz = expected.monoisotopic_mz + (named_mz - point.mz);
            return;
        }
}

// A higher cosine wins; on a tie the lower |charge|, whichever way the range
// is walked (-3..-1 meets -3 first).
bool better(const MatchResult &candidate, const MatchResult &best) {
    if (candidate.summary.cosine != best.summary.cosine)
        return candidate.summary.cosine > best.summary.cosine;
    return std::abs(candidate.summary.charge) < std::abs(best.summary.charge);
}

} // namespace

Outcome check_match_settings(const corvan_match_settings &settings) {
    Outcome ppm = check_ppm(settings.ppm);
    if (!ppm.ok()) return ppm;
    if (!(settings.min_height >= 0 && settings.min_height < 1))
        return Outcome::failure(CORVAN_E_ARGUMENT, "the least height compared must be in [0, 1)");
    if (!std::isfinite(settings.named_mz) || settings.named_mz < 0)
        return Outcome::failure(CORVAN_E_ARGUMENT, "the named m/z must be 0 or above");
    return Outcome::success();
}

Outcome match_molecule(const corvan_molecule &molecule, const corvan_options &options,
                       const corvan_match_settings &settings, const PeakList &peaks,
                       MatchResult &result) {
    std::vector<int> charges;
    Outcome charged =
        charges_to_try(molecule, options, settings.min_charge, settings.max_charge, charges);
    if (!charged.ok()) return charged;
    bool first = true;
    for (int charge : charges) {
        Expected expected;
        Outcome computed = expected_envelope(molecule, options, charge, {}, expected);
        if (!computed.ok()) return computed;
        MatchResult candidate;
        candidate.peaks = pick_peaks(expected, settings.min_height, settings.ppm, peaks);
        score(candidate);
        candidate.summary.charge = charge;
        candidate.summary.monoisotopic_mz = expected.monoisotopic_mz;
        place_named(expected, settings.named_mz, settings.ppm, candidate.summary);
        if (first || better(candidate, result)) result = std::move(candidate);
        first = false;
    }
    return Outcome::success();
}

} // namespace corvan::observed
