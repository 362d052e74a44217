// Greedy deisotoping: the most intense unexplained peak seeds hypotheses
// (charge, its place in the envelope), the best-scoring one is kept (with
// a partner of its charge one rung heavier when the two fitted together
// explain the peaks far better) and its fitted intensity taken off its
// peaks.
#include "observed/deisotope.hpp"

#include <algorithm>
#include <cmath>
#include <numeric>
#include <optional>

#include "observed/charge_pair_fit.hpp"
#include "observed/expected_envelope.hpp"
#include "observed/false_hit_filter.hpp"
#include "observed/half_charge.hpp"
#include "observed/joint_charge.hpp"
#include "observed/lighter_partner.hpp"
#include "observed/merged_rung.hpp"
#include "observed/model_patterns.hpp"
#include "observed/mz_index.hpp"
#include "observed/noise_level.hpp"
#include "observed/pair_fit.hpp"
#include "observed/shifted_rung.hpp"
#include "observed/similarity.hpp"
#include "observed/two_peak_check.hpp"

namespace corvan::observed {

namespace {

constexpr int kMaxSettingsCharge = 100;
// A heavier monoisotopic hypothesis must beat the named one by this much.
constexpr double kOffsetMargin = 0.05;
constexpr int kCheckedOffsets = 2;
// A seed stands where its pattern is at least this high (relative to the top).
constexpr double kSeedHeight = 0.25;
// An envelope's highest point must still be mostly unexplained: otherwise
// it is the leftovers of envelopes found before.
constexpr double kUnexplainedTop = 0.5;
// A rung's peak may hold more than the envelope (a neighbour of another
// charge or mass shares it): intensity above this multiple of the fitted
// height is left to the neighbour, not held against the fit.
constexpr double kSharedExcess = 1.5;
// A rung's peak of an envelope found before seeds again when that
// envelope explained at most a fifth of it: it is mostly another ion's
// (an envelope's M+2 is often the M of an ion of a lower charge).
constexpr double kReseedLeft = 0.8;
// The hypothesis must explain at least this share of its seed.
constexpr double kSeedExplained = 0.5;
// An envelope's M+1 is often the M of a neighbour found before it, which
// took most of that peak: what remains is too little, and the charge half
// (or a third) as high, whose M+1 is the envelope's M+2, scores better on
// what remains. So a kept charge's multiples are scored at the same M on
// the whole intensities (a shared rung still shows); one within
// kMultipleMargin of the kept score wins when its first rung holds its
// share and envelopes found before explain at least a fifth of that peak
// (else it is a neighbour's M yet to be found, and what remains already
// told).
// Their rungs are sought within kMultipleWiden times the tolerance: a
// shared rung is often one centroid picked between two ions, 15 to 30 ppm
// from either (the points between the rungs, searched as widely, only
// count against the multiple).
constexpr int kMultiples[] = {2, 3};
constexpr double kMultipleMargin = 0.05;
constexpr double kMultipleRungLeft = 0.8;
constexpr double kMultipleWiden = 2;

struct Hypothesis {
    double monoisotopic_mz = 0;
    int charge = 0;
    double score = -1;
    double scale = 0;
    std::size_t matched = 0;
    bool top_unexplained = false;
    // Per point of the pattern, or kNoPeak; empty when the highest point
    // ended the scoring (score -1).
    std::vector<std::size_t> peak_at;
    const std::vector<double> *pattern = nullptr;
    // The points compared (the rung below M first); kept with their
    // capacity so that scoring one hypothesis after another allocates once.
    std::vector<double> expected, observed;
    // Above 0: the tolerance its rungs were sought at, wider than the
    // settings' (prefer_lower_m); the pair fit keeps the M found so.
    double widened_ppm = 0;

    void reset(double mz, int z) {
        monoisotopic_mz = mz, charge = z, score = -1, scale = 0, matched = 0;
        top_unexplained = false, pattern = nullptr, widened_ppm = 0;
        peak_at.clear(), expected.clear(), observed.clear();
    }
};

// What a hypothesis must reach to be worth finishing: fewer matched peaks
// or a lower cosine on its rungs alone (which only falls as the points
// between them are added) ends its scoring early.
struct Bar {
    std::size_t min_peaks = 1;
    double score = -1;
    // Set: a peak on the rung below M counts against the hypothesis only
    // when an ion of the same charge one rung lower scores this well and
    // explains M's peak as its M+1 (else the peak is a neighbour's).
    std::optional<double> lighter_score;
    // Where that lighter ion is scored (its buffers reused); none: a new one.
    Hypothesis *lighter = nullptr;
    // The weights of the points between the rungs; empty: the rungs' own.
    std::span<const double> between = {};
    // Set: the pattern's highest point may be mostly explained by envelopes
    // found before (see prefer_lower_m).
    bool top_may_be_taken = false;
};

// Fits the scale on the rungs (index 1 on; index 0 is the rung below M),
// caps each rung's observed intensity at kSharedExcess times its fitted
// height and fits again, then counts the rungs that hold their share.
void fit_shared(const std::vector<double> &expected, std::vector<double> &observed,
                Hypothesis &result) {
    const auto rungs = std::span(expected).subspan(1);
    auto seen = std::span(observed).subspan(1);
    result.scale = fitted_scale(rungs, seen);
    for (std::size_t k = 0; k < rungs.size(); ++k)
        seen[k] = std::min(seen[k], kSharedExcess * result.scale * rungs[k]);
    result.scale = fitted_scale(rungs, seen);
    result.matched = 0;
    for (std::size_t k = 0; k < rungs.size(); ++k)
        result.matched += seen[k] > 0 && seen[k] >= kMatchedShare * result.scale * rungs[k];
}

Outcome explains_as_lighter(const PeakList &peaks, std::span<const double> weights, double ppm,
                            ModelPatterns &models, const Hypothesis &heavier, const Bar &bar,
                            bool &explains);

// Scores the ion whose M lies at `monoisotopic_mz` against `weights`; the
// rung below M counts as an expected 0.
Outcome score(const PeakList &peaks, std::span<const double> weights, double ppm,
              ModelPatterns &models, double monoisotopic_mz, int charge, const Bar &bar,
              Hypothesis &result) {
    const double step = kAveragineSpacing / charge;
    const double mass = (monoisotopic_mz - proton_mass()) * charge;
    result.reset(monoisotopic_mz, charge);
    if (mass <= 0) return Outcome::success();
    Outcome done = models.get(mass, result.pattern);
    if (!done.ok()) return done;
    const std::vector<double> &pattern = *result.pattern;
    // The highest point first: where it is explained, the hypothesis ends
    // here (nearly half of them), its other rungs unsought.
    const std::size_t top = static_cast<std::size_t>(
        std::max_element(pattern.begin(), pattern.end()) - pattern.begin());
    const std::size_t top_peak =
        strongest_near(peaks, monoisotopic_mz + static_cast<double>(top) * step, ppm, weights);
    result.top_unexplained =
        top_peak != kNoPeak && weights[top_peak] >= kUnexplainedTop * peaks.intensity[top_peak];
    if (!(result.top_unexplained || bar.top_may_be_taken)) return Outcome::success();
    std::vector<double> &expected = result.expected, &observed = result.observed;
    // Sized once and written in place: thousands of hypotheses a scan.
    expected.resize(pattern.size() + 1), observed.resize(pattern.size() + 1);
    result.peak_at.resize(pattern.size());
    std::copy(pattern.begin(), pattern.end(), expected.begin() + 1);
    for (std::size_t k = 0; k < pattern.size(); ++k) {
        const std::size_t at =
            k == top ? top_peak
                     : strongest_near(peaks, monoisotopic_mz + static_cast<double>(k) * step, ppm,
                                      weights);
        result.peak_at[k] = at;
        observed[k + 1] = at == kNoPeak ? 0 : weights[at];
        result.matched += at != kNoPeak;
    }
    if (result.matched < bar.min_peaks) return Outcome::success();
    const std::size_t below = strongest_near(peaks, monoisotopic_mz - step, ppm, weights);
    observed[0] = below == kNoPeak ? 0 : weights[below];
    fit_shared(expected, observed, result);
    if (result.matched < bar.min_peaks) return Outcome::success();
    if (bar.lighter_score && observed[0] > 0) {
        bool lighter = false;
        done = explains_as_lighter(peaks, weights, ppm, models, result, bar, lighter);
        if (!done.ok()) return done;
        if (!lighter) observed[0] = 0;
    }
    result.score = cosine(expected, observed);
    if (result.score < bar.score) return Outcome::success();
    // Peaks between the rungs (where an ion of twice or three times the
    // charge has its points) count as expected 0: they tell a charge that
    // is too low.
    const std::span<const double> between = bar.between.empty() ? weights : bar.between;
    std::size_t point = observed.size();
    expected.resize(point + std::size(kBetweenRungs) * (pattern.size() - 1), 0.0);
    observed.resize(expected.size());
    for (std::size_t k = 0; k + 1 < pattern.size(); ++k)
        for (double fraction : kBetweenRungs) {
            const std::size_t at = strongest_near(
                peaks, monoisotopic_mz + (static_cast<double>(k) + fraction) * step, ppm, between);
            observed[point++] = at == kNoPeak ? 0 : between[at];
        }
    result.score = cosine(expected, observed);
    return Outcome::success();
}

// Whether an ion one rung lighter than `heavier` (same charge) scores at
// least `least` and explains most of the peak at heavier's M as its M+1.
Outcome explains_as_lighter(const PeakList &peaks, std::span<const double> weights, double ppm,
                            ModelPatterns &models, const Hypothesis &heavier, const Bar &bar,
                            bool &explains) {
    Hypothesis own;
    Hypothesis &lighter = bar.lighter != nullptr ? *bar.lighter : own;
    const double least = *bar.lighter_score;
    const double mono = heavier.monoisotopic_mz - kAveragineSpacing / heavier.charge;
    // Scored up to `least` only: the points between the rungs can only
    // lower a cosine already below it.
    Bar up_to_least;
    up_to_least.score = least;
    Outcome done = score(peaks, weights, ppm, models, mono, heavier.charge, up_to_least, lighter);
    const std::size_t m = heavier.peak_at.front();
    explains = done.ok() && lighter.score >= least && m != kNoPeak && lighter.pattern->size() > 1 &&
               lighter.scale * (*lighter.pattern)[1] >= kSeedExplained * weights[m];
    return done;
}

bool better(const Hypothesis &candidate, const Hypothesis &best) {
    if (candidate.score != best.score) return candidate.score > best.score;
    return candidate.matched > best.matched;
}

// Whether the rung above or below the seed at charge z has a peak: without
// one, no envelope of that charge holds the seed (most seeds are noise).
bool has_neighbour(const PeakList &peaks, std::span<const double> weights, std::size_t seed, int z,
                   double ppm) {
    const double step = kAveragineSpacing / z;
    return strongest_near(peaks, peaks.mz[seed] - step, ppm, weights) != kNoPeak ||
           strongest_near(peaks, peaks.mz[seed] + step, ppm, weights) != kNoPeak;
}

// Whether the multiple's M+1 (between the kept charge's M and M+1) has a
// peak holding its share, shared with an envelope found before: without
// one, the multiple only re-reads the peaks the kept charge explains.
bool holds_first_rung(const PeakList &peaks, std::span<const double> weights,
                      const Hypothesis &multiple) {
    if (multiple.peak_at.size() < 2 || multiple.peak_at[1] == kNoPeak) return false;
    const std::size_t first = multiple.peak_at[1];
    return peaks.intensity[first] >= kMatchedShare * multiple.scale * (*multiple.pattern)[1] &&
           weights[first] <= kMultipleRungLeft * peaks.intensity[first];
}

// Replaces `best` with the same M at a multiple of its charge when that,
// seen on the whole intensities, scores nearly as well.
Outcome prefer_multiple(const PeakList &peaks, std::span<const double> weights,
                        const corvan_deisotope_settings &settings, ModelPatterns &models,
                        Hypothesis &best, Hypothesis &candidate) {
    const double least = std::max(settings.min_score, best.score - kMultipleMargin);
    for (int multiple : kMultiples) {
        const int z = best.charge * multiple;
        if (z > settings.max_charge) break;
        const Bar bar{static_cast<std::size_t>(settings.min_peaks), least, std::nullopt, nullptr,
                      weights};
        Outcome done = score(peaks, peaks.intensity, kMultipleWiden * settings.ppm, models,
                             best.monoisotopic_mz, z, bar, candidate);
        if (!done.ok()) return done;
        if (candidate.score >= least &&
            candidate.matched >= static_cast<std::size_t>(settings.min_peaks) &&
            holds_first_rung(peaks, weights, candidate)) {
            std::swap(best, candidate);
            return Outcome::success();
        }
    }
    return Outcome::success();
}

// The best hypothesis that puts the seed on one of the pattern's points
// high enough for the most intense unexplained peak to be it.
Outcome best_for_seed(const PeakList &peaks, std::span<const double> weights, std::size_t seed,
                      const corvan_deisotope_settings &settings, ModelPatterns &models,
                      Hypothesis &best, Hypothesis &candidate, Hypothesis &lighter) {
    best.reset(0, 0);
    for (int z = settings.min_charge; z <= settings.max_charge; ++z) {
        if (!has_neighbour(peaks, weights, seed, z, settings.ppm)) continue;
        for (std::size_t place = 0;; ++place) {
            const double mono = peaks.mz[seed] - static_cast<double>(place) * kAveragineSpacing / z;
            const double mass = (mono - proton_mass()) * z;
            const std::vector<double> *pattern = nullptr;
            if (mass <= 0) break;
            Outcome done = models.get(mass, pattern);
            if (!done.ok()) return done;
            if (place >= pattern->size()) break;
            if ((*pattern)[place] < kSeedHeight) continue;
            const Bar bar{static_cast<std::size_t>(settings.min_peaks),
                          std::max(settings.min_score, best.score), settings.min_score, &lighter};
            done = score(peaks, weights, settings.ppm, models, mono, z, bar, candidate);
            if (!done.ok()) return done;
            if (candidate.matched >= static_cast<std::size_t>(settings.min_peaks) &&
                candidate.top_unexplained &&
                candidate.scale * (*pattern)[place] >= kSeedExplained * weights[seed] &&
                better(candidate, best))
                std::swap(best, candidate);
        }
    }
    return best.charge > 0 ? prefer_multiple(peaks, weights, settings, models, best, candidate)
                           : Outcome::success();
}

// An ion whose M shares its peak with a neighbour found before (the
// neighbour's M+1, say) looks explained at its highest point, so it never
// stands as a hypothesis while seeding: its M+1 seeds it and it is read one
// rung heavy. Once the charge is known, the M one rung lower is scored on
// what the neighbours leave (its highest point may be theirs), the pattern's
// ratios over all its rungs and the rung below it deciding as for any
// hypothesis; it replaces `best` when it scores higher. A lower M with no
// peak within the tolerance has its rungs sought within kLowerMWiden times
// it: a centroid at the tolerance's edge (M's peak is the weakest of the
// ladder, its m/z the least sure) would else leave M empty and the
// envelope read one rung heavy.
constexpr double kLowerMWiden = 1.5;

Outcome prefer_lower_m(const PeakList &peaks, std::span<const double> weights,
                       const corvan_deisotope_settings &settings, ModelPatterns &models,
                       Hypothesis &best, Hypothesis &candidate, Hypothesis &lighter) {
    const double mono = best.monoisotopic_mz - kAveragineSpacing / best.charge;
    const bool widen = strongest_near(peaks, mono, settings.ppm, weights) == kNoPeak;
    const double ppm = widen ? kLowerMWiden * settings.ppm : settings.ppm;
    Bar bar{static_cast<std::size_t>(settings.min_peaks), best.score, settings.min_score, &lighter};
    bar.top_may_be_taken = true;
    Outcome done = score(peaks, weights, ppm, models, mono, best.charge, bar, candidate);
    if (done.ok() && !candidate.peak_at.empty() && candidate.peak_at.front() != kNoPeak &&
        candidate.matched >= bar.min_peaks && candidate.score > best.score) {
        std::swap(best, candidate);
        if (widen) best.widened_ppm = ppm;
    }
    return done;
}

// Marks every peak within the tolerance of `centre` (`peaks` carries
// deisotope's m/z index): peaks closer than the tolerance are one peak to
// this search.
// Peaks a kept envelope took: a rung's own peak (whose intensity it shared)
// or a peak within the tolerance of a rung (one peak to this search).
enum class Claim : unsigned char { none, near, rung };

void claim_near(const PeakList &peaks, double centre, double ppm, std::vector<Claim> &claimed) {
    const double half = tolerance(centre, ppm);
    for (std::size_t i = peaks.index->first_at_least(centre - half);
         i < peaks.size() && peaks.mz[i] <= centre + half; ++i)
        claimed[i] = std::max(claimed[i], Claim::near);
}

// Takes the envelope's fitted intensity off its peaks, which then seed no
// other envelope (what remains of them still serves one that shares them);
// the tail beyond the pattern, while it keeps falling, is taken whole.
void take_off(const PeakList &peaks, double ppm, const Hypothesis &kept,
              std::vector<double> &remaining, std::vector<Claim> &claimed) {
    const double step = kAveragineSpacing / kept.charge;
    for (std::size_t k = 0; k < kept.peak_at.size(); ++k) {
        const std::size_t at = kept.peak_at[k];
        if (at == kNoPeak) continue;
        remaining[at] = std::max(0.0, remaining[at] - kept.scale * (*kept.pattern)[k]);
        claim_near(peaks, kept.monoisotopic_mz + static_cast<double>(k) * step, ppm, claimed);
        claimed[at] = Claim::rung;
    }
    std::size_t previous = kept.peak_at.back();
    for (std::size_t k = kept.peak_at.size(); previous != kNoPeak; ++k) {
        const double centre = kept.monoisotopic_mz + static_cast<double>(k) * step;
        const std::size_t at = strongest_near(peaks, centre, ppm);
        if (at == kNoPeak || peaks.intensity[at] >= peaks.intensity[previous]) break;
        claim_near(peaks, centre, ppm, claimed);
        remaining[at] = 0;
        previous = at;
    }
}

// The kept envelope's fitted height on each rung that has a peak.
EnvelopeShare share_of(const Hypothesis &kept) {
    EnvelopeShare share;
    share.peak.reserve(kept.peak_at.size()), share.height.reserve(kept.peak_at.size());
    for (std::size_t k = 0; k < kept.peak_at.size(); ++k)
        if (kept.peak_at[k] != kNoPeak) {
            share.peak.push_back(kept.peak_at[k]);
            share.height.push_back(kept.scale * (*kept.pattern)[k]);
        }
    return share;
}

// M at its peak's m/z when it has one, else where the ladder puts it.
corvan_found_envelope describe(const PeakList &peaks, const Hypothesis &kept) {
    const std::size_t m = kept.peak_at.front();
    const double mz = m == kNoPeak ? kept.monoisotopic_mz : peaks.mz[m];
    return {mz,          (mz - proton_mass()) * kept.charge, kept.charge, kept.scale, kept.score,
            kept.matched};
}

// Peptides one rung apart at one charge (1 Da apart: common in a digest)
// share all but one of their peaks, and the lighter one's fit takes the
// shared peaks whole. Only the heavier partner is sought: its points are
// all on the kept envelope's rungs, so the ratios of the heights tell it,
// while a peak on the rung below M is as often an ion of another charge.
// The two fitted together must leave at most kPartnerResidual of what the
// kept one alone leaves, and the partner's highest point must be at least
// kPartnerShare of the kept one's.
constexpr double kPartnerResidual = 0.3;
constexpr double kPartnerShare = 0.15;

// The kept envelope's and its partner's patterns on the rungs from the kept
// M to the last point of either (0 off their ends; the partner one rung
// up), and the weights there. Reused from envelope to envelope.
struct PairPoints {
    std::vector<double> partner, kept, observed;
    std::vector<std::size_t> peak_at;

    void gather(const PeakList &peaks, std::span<const double> weights, double ppm,
                const Hypothesis &kept_one, const std::vector<double> &partner_pattern) {
        const std::vector<double> &own = *kept_one.pattern;
        const double step = kAveragineSpacing / kept_one.charge;
        partner.clear(), kept.clear(), observed.clear(), peak_at.clear();
        for (std::size_t r = 0; r < std::max(own.size(), partner_pattern.size() + 1); ++r) {
            // An M found at the widened tolerance stays the kept one's.
            const std::size_t at =
                r == 0 && kept_one.widened_ppm > 0
                    ? kept_one.peak_at.front()
                    : strongest_near(peaks,
                                     kept_one.monoisotopic_mz + static_cast<double>(r) * step, ppm,
                                     weights);
            peak_at.push_back(at);
            observed.push_back(at == kNoPeak ? 0 : weights[at]);
            kept.push_back(r < own.size() ? own[r] : 0);
            partner.push_back(r >= 1 && r <= partner_pattern.size() ? partner_pattern[r - 1] : 0);
        }
    }
};

// The partner as score() would see it: its points hold what the kept
// envelope (at `kept_scale`) leaves, the rung below its M (the kept M)
// counting as 0.
void describe_partner(const PairPoints &points, double kept_scale, Hypothesis &partner) {
    auto left = [&](std::size_t r) {
        return std::max(0.0, points.observed[r] - kept_scale * points.kept[r]);
    };
    partner.expected.assign(1, 0);
    partner.observed.assign(1, left(0));
    for (std::size_t p = 0; p < partner.pattern->size(); ++p) {
        const double height = (*partner.pattern)[p];
        partner.peak_at.push_back(points.peak_at[p + 1]);
        partner.expected.push_back(height);
        partner.observed.push_back(left(p + 1));
        partner.matched += left(p + 1) > 0 && left(p + 1) >= kMatchedShare * partner.scale * height;
    }
    partner.score = cosine(partner.expected, partner.observed);
}

// A partner of `kept` one rung above it, when the pair explains the peaks
// far better than `kept` alone; `kept` then takes its share only.
Outcome find_partner(const PeakList &peaks, std::span<const double> weights,
                     const corvan_deisotope_settings &settings, ModelPatterns &models,
                     Hypothesis &kept, Hypothesis &partner, PairPoints &points, bool &found) {
    found = false;
    const double mono = kept.monoisotopic_mz + kAveragineSpacing / kept.charge;
    const std::vector<double> *pattern = nullptr;
    Outcome done = models.get((mono - proton_mass()) * kept.charge, pattern);
    if (!done.ok()) return done;
    points.gather(peaks, weights, settings.ppm, kept, *pattern);
    const PairFit fit = fit_pair(points.partner, points.kept, points.observed);
    if (fit.first < kPartnerShare * fit.second ||
        fit.residual > kPartnerResidual * fit.alone_residual)
        return Outcome::success();
    partner.reset(mono, kept.charge);
    partner.pattern = pattern, partner.scale = fit.first;
    describe_partner(points, fit.second, partner);
    found = partner.peak_at.front() != kNoPeak && partner.score >= settings.min_score &&
            partner.matched >= static_cast<std::size_t>(settings.min_peaks);
    if (found) kept.scale = fit.second;
    return Outcome::success();
}

// A kept ion of a pair fitted together, as take_off and describe read it.
void adopt(SplitIon &ion, Hypothesis &into) {
    into.reset(ion.monoisotopic_mz, ion.charge);
    into.score = ion.score, into.scale = ion.scale, into.matched = ion.matched;
    into.pattern = ion.pattern;
    into.peak_at.swap(ion.peak_at);
}

// An envelope of even charge read where an ion of half the charge and one
// of the full charge a rung above interleave (charge_pair_fit): `kept`
// and `other` become the two.
Outcome split_charges(const PeakList &peaks, std::span<const double> weights,
                      const corvan_deisotope_settings &settings, ModelPatterns &models,
                      Hypothesis &kept, Hypothesis &other, bool &split) {
    ChargePair pair;
    Outcome done = split_charge_pair(peaks, weights, settings, models, kept.monoisotopic_mz,
                                     kept.charge, *kept.pattern, pair, split);
    if (!done.ok() || !split) return done;
    adopt(pair.lower, kept), adopt(pair.higher, other);
    return Outcome::success();
}

// `kept` (charge z) as the ion of charge 2z at its M when an envelope found
// before took its odd rungs (double_beside_found).
Outcome double_charge(const PeakList &peaks, const corvan_deisotope_settings &settings,
                      ModelPatterns &models, const FoundBefore &found, Hypothesis &kept) {
    SplitIon doubled;
    bool is = false;
    Outcome done = double_beside_found(peaks, settings, models, found, kept.monoisotopic_mz,
                                       kept.charge, *kept.pattern, doubled, is);
    if (done.ok() && is) adopt(doubled, kept);
    return done;
}

// `kept` (charge z) as the ion of charge 2z at its M when its M+1 went into
// a peak an envelope found before shares (merged_rung).
Outcome double_over_merged(const PeakList &peaks, const corvan_deisotope_settings &settings,
                           ModelPatterns &models, const FoundBefore &found, Hypothesis &kept) {
    SplitIon doubled;
    bool is = false;
    Outcome done = double_over_merged_rung(peaks, found, settings, models, kept.monoisotopic_mz,
                                           kept.charge, *kept.pattern, doubled, is);
    if (done.ok() && is) adopt(doubled, kept);
    return done;
}

// The heavier envelope of a pair lighter_partner told apart takes its
// height fitted with the lighter one: fitted alone it held their shared
// peaks whole.
void refit_heavier(const HeavierRefit &refit, std::vector<corvan_found_envelope> &found,
                   std::vector<EnvelopeShare> &shares) {
    corvan_found_envelope &heavier = found[refit.index];
    if (!(heavier.intensity > 0)) return;
    for (double &height : shares[refit.index].height) height *= refit.scale / heavier.intensity;
    heavier.intensity = refit.scale;
}

// The seed as the M of an ion one rung lighter than an envelope found
// before (lighter_partner), into `kept`.
Outcome keep_lighter(const PeakList &peaks, std::size_t seed,
                     const corvan_deisotope_settings &settings, ModelPatterns &models,
                     std::vector<corvan_found_envelope> &found, std::span<const double> remaining,
                     std::vector<EnvelopeShare> &shares, Hypothesis &kept, bool &is) {
    SplitIon ion;
    HeavierRefit refit;
    Outcome done =
        lighter_partner(peaks, seed, settings, models, {found, remaining}, ion, refit, is);
    if (!done.ok() || !is) return done;
    adopt(ion, kept);
    refit_heavier(refit, found, shares);
    return done;
}

// The seed as the M of an ion whose M+1 went into a centroid shared with a
// neighbour, beyond the tolerance (shifted_rung), into `kept`.
Outcome keep_beside_shifted_rung(const PeakList &peaks, std::span<const double> weights,
                                 std::size_t seed, const corvan_deisotope_settings &settings,
                                 ModelPatterns &models, Hypothesis &kept, bool &is) {
    SplitIon ion;
    Outcome done = beside_shifted_rung(peaks, weights, seed, settings, models, ion, is);
    if (done.ok() && is) adopt(ion, kept);
    return done;
}

// Replaces a kept ion of even charge z and its partner one rung heavier
// with an ion of charge z / 2 at the kept one's M beside that partner when
// the two explain the rungs far better (a 1+ ion half a step below a 2+
// one: its M+1 shares the 2+ ion's M+1 peak).
Outcome prefer_half_charge(const PeakList &peaks, std::span<const double> weights,
                           const corvan_deisotope_settings &settings, Hypothesis &kept,
                           Hypothesis &partner, ModelPatterns &models) {
    HalfChargeReading half;
    Outcome done = read_as_half_charge(peaks, weights, settings.ppm, models, kept.monoisotopic_mz,
                                       kept.charge, half);
    if (!done.ok() || !half.better || half.score < settings.min_score ||
        kept.charge / 2 < settings.min_charge)
        return done;
    kept.reset(kept.monoisotopic_mz, kept.charge / 2);
    kept.pattern = half.pattern, kept.scale = half.scale, kept.score = half.score;
    kept.peak_at = half.peak_at;
    for (std::size_t k = 0; k < kept.peak_at.size(); ++k) {
        const std::size_t at = kept.peak_at[k];
        kept.matched +=
            at != kNoPeak && weights[at] >= kMatchedShare * half.scale * (*half.pattern)[k];
    }
    partner.scale = half.heavier_scale;
    return Outcome::success();
}

} // namespace

Outcome check_deisotope_settings(const corvan_deisotope_settings &settings) {
    Outcome ppm = check_ppm(settings.ppm);
    if (!ppm.ok()) return ppm;
    if (settings.min_charge < 1 || settings.max_charge < settings.min_charge ||
        settings.max_charge > kMaxSettingsCharge)
        return Outcome::failure(CORVAN_E_ARGUMENT, "charges must satisfy 1 <= low <= high <= 100");
    if (!(settings.min_score >= 0 && settings.min_score <= 1) || settings.min_peaks < 2 ||
        !(settings.min_intensity >= 0) || !(settings.min_signal_to_noise >= 0) ||
        std::isinf(settings.min_signal_to_noise))
        return Outcome::failure(CORVAN_E_ARGUMENT, "the least score must be in [0, 1], the "
                                                   "fewest peaks at least 2 and the least "
                                                   "intensity and signal-to-noise 0 or more");
    return Outcome::success();
}

Outcome deisotope(const PeakList &scan, const corvan_deisotope_settings &settings,
                  std::vector<corvan_found_envelope> &found) {
    const MzIndex index(scan.mz);
    PeakList peaks = scan;
    peaks.index = &index;
    std::vector<double> remaining(peaks.intensity.begin(), peaks.intensity.end());
    std::vector<std::size_t> order(peaks.size());
    std::iota(order.begin(), order.end(), std::size_t{0});
    std::stable_sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) {
        return peaks.intensity[a] > peaks.intensity[b];
    });
    std::vector<Claim> claimed(peaks.size(), Claim::none);
    ModelPatterns models;
    found.clear();
    Hypothesis best, candidate, lighter, partner; // reused, with their buffers
    PairPoints points;
    std::vector<EnvelopeShare> shares; // parallel to `found`
    for (std::size_t seed : order) {
        if (peaks.intensity[seed] <= settings.min_intensity) break;
        if (claimed[seed] == Claim::near ||
            (claimed[seed] == Claim::rung && remaining[seed] < kReseedLeft * peaks.intensity[seed]))
            continue;
        Outcome done =
            best_for_seed(peaks, remaining, seed, settings, models, best, candidate, lighter);
        if (!done.ok()) return done;
        if (best.score < settings.min_score) {
            bool below = false;
            done =
                keep_lighter(peaks, seed, settings, models, found, remaining, shares, best, below);
            bool shifted = false;
            if (done.ok() && !below)
                done = keep_beside_shifted_rung(peaks, remaining, seed, settings, models, best,
                                                shifted);
            if (!done.ok()) return done;
            if (shifted) {
                // The shared centroid is left whole for the neighbour to seed.
                const std::size_t spare = best.peak_at[1];
                const double left = remaining[spare];
                const Claim claim = claimed[spare];
                take_off(peaks, settings.ppm, best, remaining, claimed);
                remaining[spare] = left, claimed[spare] = claim;
                found.push_back(describe(peaks, best));
                shares.push_back(share_of(best));
            } else if (below) {
                take_off(peaks, settings.ppm, best, remaining, claimed);
                found.push_back(describe(peaks, best));
                shares.push_back(share_of(best));
            }
            continue;
        }
        done = prefer_lower_m(peaks, remaining, settings, models, best, candidate, lighter);
        if (!done.ok()) return done;
        done = double_charge(peaks, settings, models, {found, remaining}, best);
        if (done.ok()) done = double_over_merged(peaks, settings, models, {found, remaining}, best);
        if (!done.ok()) return done;
        bool split = false, paired = false;
        done = split_charges(peaks, remaining, settings, models, best, partner, split);
        if (!done.ok()) return done;
        if (!split)
            done = find_partner(peaks, remaining, settings, models, best, partner, points, paired);
        if (!done.ok()) return done;
        // Only a pair one rung apart at one charge may be reread at half the charge.
        if (paired) done = prefer_half_charge(peaks, remaining, settings, best, partner, models);
        paired = paired || split;
        if (!done.ok()) return done;
        take_off(peaks, settings.ppm, best, remaining, claimed);
        found.push_back(describe(peaks, best));
        shares.push_back(share_of(best));
        if (!paired) continue;
        take_off(peaks, settings.ppm, partner, remaining, claimed);
        found.push_back(describe(peaks, partner));
        shares.push_back(share_of(partner));
    }
    Outcome reread = reread_charges(peaks, settings, models, found, shares);
    if (!reread.ok()) return reread;
    drop_borrowed(peaks.size(), static_cast<std::size_t>(settings.min_peaks), found, shares);
    std::vector<double> noise(found.size());
    std::transform(found.begin(), found.end(), noise.begin(),
                   [](const corvan_found_envelope &e) { return e.monoisotopic_mz; });
    noise = noise_levels(peaks, noise);
    drop_below_noise(settings.min_signal_to_noise, found, shares, noise);
    drop_unlike_two_peaks(peaks, found, shares, noise);
    std::sort(found.begin(), found.end(),
              [](const auto &a, const auto &b) { return a.monoisotopic_mz < b.monoisotopic_mz; });
    return Outcome::success();
}

Outcome check_monoisotopic(const PeakList &peaks, double named_mz, int charge,
                           const corvan_deisotope_settings &settings, corvan_monoisotopic &result) {
    if (charge < 1 || charge > kMaxSettingsCharge)
        return Outcome::failure(CORVAN_E_ARGUMENT, "the charge must be 1 to 100");
    if (strongest_near(peaks, named_mz, settings.ppm) == kNoPeak)
        return Outcome::failure(CORVAN_E_RANGE, "no peak lies at the named m/z");
    ModelPatterns models;
    Hypothesis named, best;
    Outcome done = score(peaks, peaks.intensity, settings.ppm, models, named_mz, charge, {}, named);
    result = {0, named_mz, named.score, named.score};
    for (int offset = 1; done.ok() && offset <= kCheckedOffsets; ++offset) {
        const double mono = named_mz - offset * kAveragineSpacing / charge;
        done = score(peaks, peaks.intensity, settings.ppm, models, mono, charge, {}, best);
        if (done.ok() && !best.peak_at.empty() && best.peak_at[0] != kNoPeak &&
            best.score > result.score + (result.offset == 0 ? kOffsetMargin : 0))
            result = {offset, peaks.mz[best.peak_at[0]], best.score, named.score};
    }
    return done;
}

} // namespace corvan::observed
