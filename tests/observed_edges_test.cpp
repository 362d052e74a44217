// Observed-spectrum calls at their edges: every refused spectrum and
// setting with its status and place, the choice of the best charge, the
// scores worked by hand from their definitions, and the placement of a
// named (possibly misassigned) monoisotopic peak.
#include <cmath>
#include <cstring>
#include <functional>
#include <limits>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "corvan.h"

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();

struct Peaks {
    std::vector<double> mz, intensity;
};

corvan_molecule *peptide(const char *text) {
    corvan_molecule *m = nullptr;
    EXPECT_EQ(corvan_molecule_parse(CORVAN_KIND_PEPTIDE, text, &m, nullptr), CORVAN_OK) << text;
    return m;
}

// The envelope points of `text` above 1e-4 of the whole, as centroids.
Peaks envelope_peaks(const char *text) {
    corvan_distribution *d = nullptr;
    EXPECT_EQ(corvan_distribution_from_text(CORVAN_KIND_PEPTIDE, text, nullptr, &d, nullptr),
              CORVAN_OK);
    corvan_points p{};
    corvan_distribution_points(d, &p);
    Peaks peaks;
    for (std::size_t i = 0; i < p.count; ++i)
        if (p.shares[i] > 1e-4) peaks.mz.push_back(p.mz[i]), peaks.intensity.push_back(p.shares[i]);
    corvan_distribution_free(d);
    return peaks;
}

// A call on a spectrum: every observed call, with valid other arguments.
using SpectrumCall =
    std::function<int(const double *, const double *, std::size_t, corvan_error *)>;

std::vector<std::pair<const char *, SpectrumCall>> spectrum_calls(const corvan_molecule *m) {
    return {
        {"match",
         [m](const double *x, const double *y, std::size_t n, corvan_error *e) {
             corvan_match *out = nullptr;
             const int status = corvan_match_spectrum(m, nullptr, nullptr, x, y, n, &out, e);
             corvan_match_free(out);
             return status;
         }},
        {"fit_label",
         [m](const double *x, const double *y, std::size_t n, corvan_error *e) {
             corvan_label_fit fit{};
             return corvan_fit_label(m, nullptr, "15N", 10, x, y, n, &fit, e);
         }},
        {"fit_mix",
         [m](const double *x, const double *y, std::size_t n, corvan_error *e) {
             corvan_mix_fit fit{};
             return corvan_fit_mix(m, nullptr, nullptr, nullptr, 10, x, y, n, &fit, e);
         }},
        {"deuterium_uptake",
         [m](const double *x, const double *y, std::size_t n, corvan_error *e) {
             double sites = 0;
             return corvan_deuterium_uptake(m, nullptr, 10, x, y, n, &sites, e);
         }},
        {"deisotope",
         [](const double *x, const double *y, std::size_t n, corvan_error *e) {
             corvan_envelopes *out = nullptr;
             const int status = corvan_deisotope(x, y, n, nullptr, &out, e);
             corvan_envelopes_free(out);
             return status;
         }},
        {"monoisotopic_check",
         [](const double *x, const double *y, std::size_t n, corvan_error *e) {
             corvan_monoisotopic result{};
             return corvan_monoisotopic_check(x, y, n, 500, 2, nullptr, &result, e);
         }},
    };
}

struct BadSpectrum {
    std::vector<double> mz, intensity;
    int status;
    long position;
    const char *says;
};

// Each fault of the spectrum is refused by every call before it computes,
// with the index of the first offending peak.
TEST(ObservedSpectrum, EveryCallRefusesEveryFault) {
    const BadSpectrum bad[] = {
        {{500, 0}, {1, 1}, CORVAN_E_RANGE, 1, "peak 2 of the spectrum has an m/z"},
        {{-500}, {1}, CORVAN_E_RANGE, 0, "peak 1 of the spectrum has an m/z"},
        {{500, kNaN}, {1, 1}, CORVAN_E_RANGE, 1, "not a finite number above 0"},
        {{500, kInf}, {1, 1}, CORVAN_E_RANGE, 1, "not a finite number above 0"},
        {{500, 501}, {1, kNaN}, CORVAN_E_RANGE, 1, "negative or non-finite intensity"},
        {{500, 501}, {kInf, 1}, CORVAN_E_RANGE, 0, "negative or non-finite intensity"},
        {{500, 501, 500.5}, {1, 1, 1}, CORVAN_E_RANGE, 2, "ascending"},
    };
    corvan_molecule *m = peptide("PEPTIDE/2");
    for (const auto &[name, call] : spectrum_calls(m)) {
        for (const BadSpectrum &b : bad) {
            corvan_error e{};
            EXPECT_EQ(call(b.mz.data(), b.intensity.data(), b.mz.size(), &e), b.status) << name;
            EXPECT_EQ(e.position, b.position) << name;
            EXPECT_NE(std::strstr(e.message, b.says), nullptr) << name << ": " << e.message;
        }
        corvan_error e{};
        const double one = 500;
        EXPECT_EQ(call(nullptr, &one, 1, &e), CORVAN_E_ARGUMENT) << name;
        EXPECT_EQ(call(&one, nullptr, 1, &e), CORVAN_E_ARGUMENT) << name;
        // Emptiness is checked first: no arrays are needed to say so.
        EXPECT_EQ(call(nullptr, nullptr, 0, &e), CORVAN_E_RANGE) << name;
        EXPECT_NE(std::strstr(e.message, "empty"), nullptr) << name << ": " << e.message;
    }
    corvan_molecule_free(m);
}

TEST(ObservedSpectrum, EqualNeighboursAndZeroIntensityAreAccepted) {
    const double mz[] = {500, 500, 501}, intensity[] = {0, 1, 0};
    corvan_envelopes *found = nullptr;
    EXPECT_EQ(corvan_deisotope(mz, intensity, 3, nullptr, &found, nullptr), CORVAN_OK);
    EXPECT_EQ(corvan_envelopes_count(found), 0u) << "a lone peak is no envelope";
    corvan_envelopes_free(found);
}

// Settings out of range: the status, and nothing handed back.
TEST(ObservedSettings, MatchSettingsOutOfRange) {
    const Peaks own = envelope_peaks("PEPTIDE/2");
    corvan_molecule *m = peptide("PEPTIDE/2");
    const auto refused = [&](auto change) {
        corvan_match_settings s{};
        corvan_match_defaults(&s);
        change(s);
        corvan_match *out = reinterpret_cast<corvan_match *>(&s); // must be cleared
        const int status = corvan_match_spectrum(
            m, nullptr, &s, own.mz.data(), own.intensity.data(), own.mz.size(), &out, nullptr);
        if (status == CORVAN_OK)
            corvan_match_free(out);
        else
            EXPECT_EQ(out, nullptr);
        return status;
    };
    using S = corvan_match_settings;
    EXPECT_EQ(refused([](S &s) { s.ppm = 0; }), CORVAN_E_ARGUMENT);
    EXPECT_EQ(refused([](S &s) { s.ppm = 10001; }), CORVAN_E_ARGUMENT);
    EXPECT_EQ(refused([](S &s) { s.ppm = kNaN; }), CORVAN_E_ARGUMENT);
    EXPECT_EQ(refused([](S &s) { s.min_height = 1; }), CORVAN_E_ARGUMENT);
    EXPECT_EQ(refused([](S &s) { s.min_height = -0.01; }), CORVAN_E_ARGUMENT);
    EXPECT_EQ(refused([](S &s) { s.named_mz = -1; }), CORVAN_E_ARGUMENT);
    EXPECT_EQ(refused([](S &s) { s.named_mz = kInf; }), CORVAN_E_ARGUMENT);
    EXPECT_EQ(refused([](S &s) { s.min_charge = -1, s.max_charge = 2; }), CORVAN_E_CHARGE);
    EXPECT_EQ(refused([](S &s) { s.min_charge = 3, s.max_charge = 1; }), CORVAN_E_CHARGE);
    EXPECT_EQ(refused([](S &s) { s.min_charge = 0, s.max_charge = 2; }), CORVAN_E_CHARGE);
    EXPECT_EQ(refused([](S &s) { s.min_charge = 1, s.max_charge = 101; }), CORVAN_E_ARGUMENT);
    // The edges themselves are accepted.
    EXPECT_EQ(refused([](S &s) { s.ppm = 10000, s.min_height = 0; }), CORVAN_OK)
        << "ppm 10^4 and height 0 are in range";
    corvan_molecule_free(m);
}

TEST(ObservedSettings, DeisotopeAndMonoisotopicSettingsOutOfRange) {
    const double mz[] = {500, 500.5}, intensity[] = {1, 0.5};
    const auto refused = [&](auto change) {
        corvan_deisotope_settings s{};
        corvan_deisotope_defaults(&s);
        change(s);
        corvan_envelopes *out = nullptr;
        corvan_error e{};
        const int status = corvan_deisotope(mz, intensity, 2, &s, &out, &e);
        EXPECT_EQ(out, nullptr);
        corvan_monoisotopic result{};
        EXPECT_EQ(corvan_monoisotopic_check(mz, intensity, 2, 500, 2, &s, &result, nullptr), status)
            << "both calls check the same settings";
        return status;
    };
    using S = corvan_deisotope_settings;
    EXPECT_EQ(refused([](S &s) { s.ppm = -1; }), CORVAN_E_ARGUMENT);
    EXPECT_EQ(refused([](S &s) { s.min_charge = 0; }), CORVAN_E_ARGUMENT);
    EXPECT_EQ(refused([](S &s) { s.min_charge = 4, s.max_charge = 3; }), CORVAN_E_ARGUMENT);
    EXPECT_EQ(refused([](S &s) { s.max_charge = 101; }), CORVAN_E_ARGUMENT);
    EXPECT_EQ(refused([](S &s) { s.min_score = 1.01; }), CORVAN_E_ARGUMENT);
    EXPECT_EQ(refused([](S &s) { s.min_score = kNaN; }), CORVAN_E_ARGUMENT);
    EXPECT_EQ(refused([](S &s) { s.min_peaks = 1; }), CORVAN_E_ARGUMENT);
    EXPECT_EQ(refused([](S &s) { s.min_intensity = -1; }), CORVAN_E_ARGUMENT);
    EXPECT_EQ(refused([](S &s) { s.min_intensity = kNaN; }), CORVAN_E_ARGUMENT);

    corvan_monoisotopic result{};
    EXPECT_EQ(corvan_monoisotopic_check(mz, intensity, 2, 500, 0, nullptr, &result, nullptr),
              CORVAN_E_ARGUMENT);
    EXPECT_EQ(corvan_monoisotopic_check(mz, intensity, 2, 500, 101, nullptr, &result, nullptr),
              CORVAN_E_ARGUMENT);
    EXPECT_EQ(corvan_monoisotopic_check(mz, intensity, 2, 700, 2, nullptr, &result, nullptr),
              CORVAN_E_RANGE)
        << "no peak at the named m/z";
    EXPECT_EQ(corvan_monoisotopic_check(mz, intensity, 2, 500, 2, nullptr, nullptr, nullptr),
              CORVAN_E_ARGUMENT);
}

TEST(ObservedSettings, NullArgumentsAndLabelConflicts) {
    const Peaks own = envelope_peaks("PEPTIDE/2");
    const double *x = own.mz.data(), *y = own.intensity.data();
    const std::size_t n = own.mz.size();
    corvan_molecule *m = peptide("PEPTIDE/2");
    corvan_match *match = nullptr;
    EXPECT_EQ(corvan_match_spectrum(nullptr, nullptr, nullptr, x, y, n, &match, nullptr),
              CORVAN_E_ARGUMENT);
    EXPECT_EQ(corvan_match_spectrum(m, nullptr, nullptr, x, y, n, nullptr, nullptr),
              CORVAN_E_ARGUMENT);
    corvan_label_fit fit{};
    EXPECT_EQ(corvan_fit_label(m, nullptr, nullptr, 10, x, y, n, &fit, nullptr), CORVAN_E_ARGUMENT);
    EXPECT_EQ(corvan_fit_label(m, nullptr, "15N", 10, x, y, n, nullptr, nullptr),
              CORVAN_E_ARGUMENT);
    EXPECT_EQ(corvan_fit_label(m, nullptr, "15N", 0, x, y, n, &fit, nullptr), CORVAN_E_ARGUMENT);
    corvan_options *labelled = corvan_options_create();
    ASSERT_EQ(corvan_options_set_label(labelled, "15N", 0.5, nullptr), CORVAN_OK);
    corvan_error e{};
    EXPECT_EQ(corvan_fit_label(m, labelled, "15N", 10, x, y, n, &fit, &e), CORVAN_E_LABEL)
        << e.message;
    corvan_options_free(labelled);
    // A spectrum far from every point of the envelope has nothing to fit.
    const double far_mz[] = {100, 101}, far_intensity[] = {1, 1};
    EXPECT_EQ(corvan_fit_label(m, nullptr, "15N", 10, far_mz, far_intensity, 2, &fit, nullptr),
              CORVAN_E_RANGE);
    corvan_mix_fit mix{};
    EXPECT_EQ(
        corvan_fit_mix(m, nullptr, nullptr, nullptr, 10, far_mz, far_intensity, 2, &mix, nullptr),
        CORVAN_E_RANGE);
    EXPECT_EQ(corvan_fit_mix(nullptr, nullptr, nullptr, nullptr, 10, x, y, n, &mix, nullptr),
              CORVAN_E_ARGUMENT);
    double sites = 0;
    EXPECT_EQ(corvan_deuterium_uptake(m, nullptr, 10, x, y, n, nullptr, nullptr),
              CORVAN_E_ARGUMENT);
    EXPECT_EQ(corvan_deuterium_uptake(m, nullptr, 10, x, y, n, &sites, nullptr), CORVAN_OK);
    // The undeuterated envelope has taken up nothing (up to the points below
    // 1e-4 this spectrum leaves out).
    EXPECT_NEAR(sites, 0.0, 1e-3);
    corvan_molecule_free(m);
    // The accessors refuse NULL and out-of-range indexes.
    corvan_match_summary summary{};
    corvan_matched_peak peak{};
    corvan_found_envelope found{};
    EXPECT_EQ(corvan_match_get_summary(nullptr, &summary), CORVAN_E_ARGUMENT);
    EXPECT_EQ(corvan_match_peak_count(nullptr), 0u);
    EXPECT_EQ(corvan_match_peak(nullptr, 0, &peak), CORVAN_E_ARGUMENT);
    EXPECT_EQ(corvan_envelopes_count(nullptr), 0u);
    EXPECT_EQ(corvan_envelopes_get(nullptr, 0, &found), CORVAN_E_ARGUMENT);
    EXPECT_EQ(corvan_match_defaults(nullptr), CORVAN_E_ARGUMENT);
    EXPECT_EQ(corvan_deisotope_defaults(nullptr), CORVAN_E_ARGUMENT);
}

struct MatchRun {
    corvan_match_summary summary{};
    std::vector<corvan_matched_peak> peaks;
};

MatchRun run_match(const char *text, const Peaks &s, corvan_match_settings settings) {
    corvan_molecule *m = peptide(text);
    corvan_match *result = nullptr;
    MatchRun run;
    EXPECT_EQ(corvan_match_spectrum(m, nullptr, &settings, s.mz.data(), s.intensity.data(),
                                    s.mz.size(), &result, nullptr),
              CORVAN_OK);
    corvan_match_get_summary(result, &run.summary);
    run.peaks.resize(corvan_match_peak_count(result));
    for (std::size_t i = 0; i < run.peaks.size(); ++i) corvan_match_peak(result, i, &run.peaks[i]);
    EXPECT_EQ(corvan_match_peak(result, run.peaks.size(), &run.peaks.emplace_back()),
              CORVAN_E_ARGUMENT);
    run.peaks.pop_back();
    corvan_match_free(result);
    corvan_molecule_free(m);
    return run;
}

corvan_match_settings tried(int low, int high) {
    corvan_match_settings s{};
    corvan_match_defaults(&s);
    s.min_charge = low, s.max_charge = high;
    return s;
}

TEST(MatchCharge, TheChargeOfTheSpectrumWinsAndTiesGoToTheLowerCharge) {
    const Peaks three = envelope_peaks("PEPTIDEK/3");
    EXPECT_EQ(run_match("PEPTIDEK", three, tried(1, 5)).summary.charge, 3);
    // Nothing matches at any charge: every cosine is 0, the first (lowest
    // |charge|) is kept.
    const Peaks far = {{100, 100.5}, {1, 1}};
    const MatchRun none = run_match("PEPTIDEK", far, tried(2, 4));
    EXPECT_EQ(none.summary.charge, 2);
    EXPECT_EQ(none.summary.matched, 0u);
    EXPECT_EQ(none.summary.cosine, 0.0);
    EXPECT_TRUE(std::isnan(none.summary.mean_ppm));
    EXPECT_TRUE(std::isnan(none.summary.chi_square)) << "no scale without a matched peak";
    EXPECT_EQ(none.summary.named_offset, CORVAN_NO_OFFSET);
    EXPECT_TRUE(std::isnan(none.summary.corrected_mz));
}

// On a tie the lower |charge| is kept, for negative ions too.
TEST(MatchCharge, NegativeTiesGoToTheLowerMagnitude) {
    // The range is walked -3, -2, -1: keeping the first on a tie gave -3.
    const Peaks far = {{100, 100.5}, {1, 1}};
    EXPECT_EQ(run_match("PEPTIDEK", far, tried(-3, -1)).summary.charge, -1);
}

// Scores worked from their definitions over the returned points, for a
// spectrum that is the envelope with M+1 halved and shifted.
TEST(MatchScores, FollowTheirDefinitions) {
    Peaks s = envelope_peaks("PEPTIDEK/2");
    ASSERT_GE(s.mz.size(), 3u);
    s.mz[0] *= 1 + 2e-6;
    s.mz[1] *= 1 - 4e-6;
    s.intensity[1] *= 0.5;
    const MatchRun run = run_match("PEPTIDEK/2", s, tried(2, 2));
    double eo = 0, ee = 0, oo = 0, weighted = 0, matched = 0;
    for (const corvan_matched_peak &p : run.peaks) {
        eo += p.expected_height * p.observed_intensity;
        ee += p.expected_height * p.expected_height;
        oo += p.observed_intensity * p.observed_intensity;
        if (!std::isnan(p.ppm_error)) weighted += p.ppm_error * p.observed_intensity;
        matched += p.observed_intensity;
    }
    const double cosine = eo / std::sqrt(ee * oo), scale = eo / ee;
    double chi = 0;
    for (const corvan_matched_peak &p : run.peaks)
        chi += std::pow(p.observed_intensity / scale - p.expected_height, 2) / p.expected_height;
    chi /= static_cast<double>(run.peaks.size() - 1);
    EXPECT_EQ(run.summary.compared, run.peaks.size());
    EXPECT_EQ(run.summary.matched, run.peaks.size());
    EXPECT_NEAR(run.summary.cosine, cosine, 1e-12);
    EXPECT_NEAR(run.summary.contrast_angle, std::acos(cosine) * 180 / M_PI, 1e-9);
    EXPECT_NEAR(run.summary.scale, scale, 1e-12);
    EXPECT_NEAR(run.summary.chi_square, chi, 1e-12);
    EXPECT_NEAR(run.summary.mean_ppm, weighted / matched, 1e-6);
    EXPECT_NEAR(run.peaks[0].ppm_error, 2.0, 1e-6);
    EXPECT_NEAR(run.peaks[1].ppm_error, -4.0, 1e-6);
    EXPECT_LT(run.summary.cosine, 1.0);
}

// A missing point of height h adds h to the chi-square sum when the rest
// fit exactly (scale 1): here the points M..M+2 of a 3-point comparison.
TEST(MatchScores, AMissingPointAddsItsHeight) {
    Peaks s = envelope_peaks("PEPTIDEK/2");
    corvan_match_settings settings = tried(2, 2);
    const MatchRun whole = run_match("PEPTIDEK/2", s, settings);
    ASSERT_GE(whole.peaks.size(), 3u);
    EXPECT_NEAR(whole.summary.chi_square, 0.0, 1e-12);
    EXPECT_NEAR(whole.summary.cosine, 1.0, 1e-12);
    // Scale each observed point to the expected heights, then drop M+2.
    Peaks scaled;
    for (std::size_t i = 0; i < 2; ++i) {
        scaled.mz.push_back(whole.peaks[i].expected_mz);
        scaled.intensity.push_back(whole.peaks[i].expected_height);
    }
    const MatchRun missing = run_match("PEPTIDEK/2", scaled, settings);
    EXPECT_EQ(missing.summary.matched, 2u);
    const double h = missing.peaks[2].expected_height;
    double ee = 0, eo = 0;
    for (const auto &p : missing.peaks)
        ee += p.expected_height * p.expected_height, eo += p.expected_height * p.observed_intensity;
    EXPECT_NEAR(missing.summary.scale, eo / ee, 1e-12);
    EXPECT_EQ(missing.peaks[2].observed_intensity, 0.0);
    EXPECT_TRUE(std::isnan(missing.peaks[2].observed_mz));
    EXPECT_GT(missing.summary.chi_square, h / static_cast<double>(missing.peaks.size() - 1))
        << "at least the missing point's own height";
}

TEST(MatchNamedPeak, PlacesTheNamedPeakAndCorrectsAMisassignedPick) {
    const Peaks s = envelope_peaks("PEPTIDEK/2");
    corvan_match_settings settings = tried(2, 2);
    const double mono = run_match("PEPTIDEK/2", s, settings).summary.monoisotopic_mz;
    const double m1 = s.mz[1];
    // The pick is M+1, 3 ppm heavy: offset 1 and M moved by the same amount.
    settings.named_mz = m1 * (1 + 3e-6);
    MatchRun run = run_match("PEPTIDEK/2", s, settings);
    EXPECT_EQ(run.summary.named_offset, 1);
    EXPECT_NEAR(run.summary.corrected_mz, mono + m1 * 3e-6, 1e-9);
    settings.named_mz = s.mz[0];
    run = run_match("PEPTIDEK/2", s, settings);
    EXPECT_EQ(run.summary.named_offset, 0);
    EXPECT_NEAR(run.summary.corrected_mz, mono, 1e-9);
    // Between the points (beyond 10 ppm of each): no offset.
    settings.named_mz = (s.mz[0] + s.mz[1]) / 2;
    run = run_match("PEPTIDEK/2", s, settings);
    EXPECT_EQ(run.summary.named_offset, CORVAN_NO_OFFSET);
    EXPECT_TRUE(std::isnan(run.summary.corrected_mz));
}

TEST(MatchTolerance, APeakJustOutsideIsMissingAndTheStrongestOfSeveralIsTaken) {
    Peaks s = envelope_peaks("PEPTIDEK/2");
    corvan_match_settings settings = tried(2, 2);
    settings.ppm = 5;
    Peaks outside = s;
    outside.mz[0] *= 1 + 5.5e-6;
    EXPECT_TRUE(std::isnan(run_match("PEPTIDEK/2", outside, settings).peaks[0].observed_mz));
    Peaks inside = s;
    inside.mz[0] *= 1 + 4.5e-6;
    EXPECT_NEAR(run_match("PEPTIDEK/2", inside, settings).peaks[0].ppm_error, 4.5, 1e-6);
    // Two peaks within the tolerance of M: the more intense one is taken.
    Peaks two = s;
    two.mz.insert(two.mz.begin() + 1, s.mz[0] * (1 + 3e-6));
    two.intensity.insert(two.intensity.begin() + 1, s.intensity[0] * 2);
    const MatchRun run = run_match("PEPTIDEK/2", two, settings);
    EXPECT_EQ(run.peaks[0].observed_intensity, s.intensity[0] * 2);
    EXPECT_NEAR(run.peaks[0].ppm_error, 3.0, 1e-6);
}

TEST(MatchHeight, PointsBelowTheLeastHeightAreNotCompared) {
    const Peaks s = envelope_peaks("PEPTIDEK/2");
    corvan_match_settings settings = tried(2, 2);
    settings.min_height = 0;
    const MatchRun all = run_match("PEPTIDEK/2", s, settings);
    settings.min_height = 0.3;
    const MatchRun high = run_match("PEPTIDEK/2", s, settings);
    std::size_t at_least = 0;
    for (const auto &p : all.peaks) at_least += p.expected_height >= 0.3;
    EXPECT_EQ(high.summary.compared, at_least);
    EXPECT_LT(high.summary.compared, all.summary.compared);
    for (const auto &p : high.peaks) EXPECT_GE(p.expected_height, 0.3);
}

TEST(Deisotope, TheFewestPeaksAndTheLeastScoreDropEnvelopes) {
    const Peaks s = envelope_peaks("PEPTIDEPEPTIDE/2");
    const auto found = [&](auto change) {
        corvan_deisotope_settings settings{};
        corvan_deisotope_defaults(&settings);
        change(settings);
        corvan_envelopes *e = nullptr;
        EXPECT_EQ(
            corvan_deisotope(s.mz.data(), s.intensity.data(), s.mz.size(), &settings, &e, nullptr),
            CORVAN_OK);
        std::vector<corvan_found_envelope> all(corvan_envelopes_count(e));
        for (std::size_t i = 0; i < all.size(); ++i) corvan_envelopes_get(e, i, &all[i]);
        corvan_found_envelope beyond{};
        EXPECT_EQ(corvan_envelopes_get(e, all.size(), &beyond), CORVAN_E_ARGUMENT);
        corvan_envelopes_free(e);
        return all;
    };
    using S = corvan_deisotope_settings;
    const auto one = found([](S &) {});
    ASSERT_EQ(one.size(), 1u);
    EXPECT_EQ(one[0].charge, 2);
    EXPECT_NEAR(one[0].monoisotopic_mz, s.mz[0], 1e-9);
    const double proton = 1.00727646688;
    EXPECT_NEAR(one[0].monoisotopic_mass, (s.mz[0] - proton) * 2, 1e-6);
    EXPECT_EQ(found([&](S &x) { x.min_peaks = static_cast<int>(s.mz.size()) + 1; }).size(), 0u);
    EXPECT_EQ(found([](S &x) { x.min_charge = 3, x.max_charge = 6; }).size(), 0u)
        << "charge 2 not tried";
    EXPECT_EQ(found([](S &x) { x.min_intensity = 10; }).size(), 0u) << "no seed";
}

} // namespace
