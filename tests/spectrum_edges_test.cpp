// Spectrum calls at their edges: resolving powers read and applied by hand,
// every setting out of range with its status, the peak cap, and centroids
// that merge or separate two fine peaks as their widths say, worked by hand
// for water's M+1 (17O and 2H, 0.00206 apart).
#include <cmath>
#include <functional>
#include <limits>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "corvan.h"

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

// Water's isotopes: masses and abundances of the isotope table.
constexpr double kH1 = 1.00782503223, kH2 = 2.01410177812;
constexpr double kO16 = 15.99491461957, kO17 = 16.99913175650;
constexpr double kPH1 = 0.999885, kPH2 = 0.000115, kPO16 = 0.99757, kPO17 = 0.00038;
// A Gaussian of height h and full width w at half maximum has area
// h w sqrt(pi / (4 ln 2)).
const double kGaussianArea = std::sqrt(M_PI / (4 * std::log(2.0)));

corvan_molecule *formula(const char *text) {
    corvan_molecule *m = nullptr;
    EXPECT_EQ(corvan_molecule_parse(CORVAN_KIND_FORMULA, text, &m, nullptr), CORVAN_OK) << text;
    return m;
}

corvan_spectrum_settings defaults() {
    corvan_spectrum_settings s{};
    EXPECT_EQ(corvan_spectrum_defaults(&s), CORVAN_OK);
    return s;
}

corvan_resolution parsed(const char *text, const char *analyzer = nullptr) {
    corvan_resolution r{};
    corvan_error e{};
    EXPECT_EQ(corvan_resolution_parse(text, analyzer, &r, &e), CORVAN_OK) << text << e.message;
    return r;
}

double fwhm_at(const corvan_resolution &r, double mz) {
    double w = kNaN;
    EXPECT_EQ(corvan_resolution_fwhm(&r, mz, &w, nullptr), CORVAN_OK);
    return w;
}

TEST(SpectrumResolution, ReadsPowerReferenceAndAnalyzer) {
    const corvan_resolution plain = parsed("120000");
    EXPECT_EQ(plain.analyzer, CORVAN_ANALYZER_ORBITRAP);
    EXPECT_EQ(plain.resolving_power, 120000);
    EXPECT_EQ(plain.reference_mz, 200);
    const corvan_resolution tof = parsed("2.5e4@1000.5", "tof");
    EXPECT_EQ(tof.analyzer, CORVAN_ANALYZER_TOF);
    EXPECT_EQ(tof.resolving_power, 25000);
    EXPECT_EQ(tof.reference_mz, 1000.5);
    EXPECT_EQ(parsed("1@1", "fticr").analyzer, CORVAN_ANALYZER_FTICR);
    EXPECT_EQ(parsed("1@1", "quadrupole").analyzer, CORVAN_ANALYZER_QUADRUPOLE);
}

TEST(SpectrumResolution, RefusesWhatIsNoPositiveNumberAtItsPlace) {
    struct Bad {
        const char *text, *analyzer;
        int status;
        long position;
    };
    const Bad bad[] = {
        {"abc", nullptr, CORVAN_E_SYNTAX, 0},
        {"0@200", nullptr, CORVAN_E_SYNTAX, 0},
        {"-5", nullptr, CORVAN_E_SYNTAX, 0},
        {" 120000", nullptr, CORVAN_E_SYNTAX, 0},
        {"", nullptr, CORVAN_E_SYNTAX, 0},
        {"inf", nullptr, CORVAN_E_SYNTAX, 0},
        {"120000@", nullptr, CORVAN_E_SYNTAX, 7},
        {"120000@-5", nullptr, CORVAN_E_SYNTAX, 7},
        {"120000@200x", nullptr, CORVAN_E_SYNTAX, 7},
        {"120000", "magnet", CORVAN_E_UNKNOWN, -1},
    };
    for (const Bad &b : bad) {
        corvan_resolution r{};
        r.resolving_power = 7;
        corvan_error e{};
        EXPECT_EQ(corvan_resolution_parse(b.text, b.analyzer, &r, &e), b.status) << b.text;
        EXPECT_EQ(e.position, b.position) << b.text << ": " << e.message;
        EXPECT_EQ(r.resolving_power, 7) << "left as it was";
    }
    corvan_resolution r{};
    EXPECT_EQ(corvan_resolution_parse(nullptr, nullptr, &r, nullptr), CORVAN_E_ARGUMENT);
    EXPECT_EQ(corvan_resolution_parse("1", nullptr, nullptr, nullptr), CORVAN_E_ARGUMENT);
}

// FWHM = m/z / R(m/z), each law worked at another m/z than its reference.
TEST(SpectrumResolution, EachAnalyzersLawByHand) {
    EXPECT_NEAR(fwhm_at(parsed("120000@200"), 800), 800.0 / 60000, 1e-12);
    EXPECT_NEAR(fwhm_at(parsed("100000@400", "fticr"), 800), 800.0 / 50000, 1e-12);
    EXPECT_NEAR(fwhm_at(parsed("20000@200", "tof"), 1000), 1000.0 / 20000, 1e-12);
    EXPECT_NEAR(fwhm_at(parsed("1000@500", "quadrupole"), 2000), 0.5, 1e-12);
    EXPECT_NEAR(fwhm_at(parsed("1000@500", "quadrupole"), 50), 0.5, 1e-12);
    const double mz[] = {100, 300}, power[] = {1000, 3000};
    const corvan_resolution table{CORVAN_ANALYZER_TABLE, 0, 0, 2, mz, power};
    EXPECT_NEAR(fwhm_at(table, 200), 200.0 / 2000, 1e-12) << "interpolated";
    EXPECT_NEAR(fwhm_at(table, 50), 50.0 / 1000, 1e-12) << "constant below";
    EXPECT_NEAR(fwhm_at(table, 600), 600.0 / 3000, 1e-12) << "constant above";
}

TEST(SpectrumResolution, RefusesBadResolutionsAndMz) {
    const double mz[] = {100, 300}, power[] = {1000, 3000};
    const double equal[] = {100, 100}, falling[] = {300, 100}, zero[] = {0, 1000};
    const corvan_resolution bad[] = {
        {CORVAN_ANALYZER_TABLE, 0, 0, 0, mz, power},
        {CORVAN_ANALYZER_TABLE, 0, 0, 2, nullptr, power},
        {CORVAN_ANALYZER_TABLE, 0, 0, 2, mz, nullptr},
        {CORVAN_ANALYZER_TABLE, 0, 0, 2, equal, power},
        {CORVAN_ANALYZER_TABLE, 0, 0, 2, falling, power},
        {CORVAN_ANALYZER_TABLE, 0, 0, 2, mz, zero},
        {0, 120000, 200, 0, nullptr, nullptr},
        {6, 120000, 200, 0, nullptr, nullptr},
        {CORVAN_ANALYZER_ORBITRAP, -1, 200, 0, nullptr, nullptr},
        {CORVAN_ANALYZER_TOF, 120000, 0, 0, nullptr, nullptr},
        {CORVAN_ANALYZER_FTICR, kNaN, 200, 0, nullptr, nullptr},
    };
    for (const corvan_resolution &r : bad) {
        double w = 7;
        EXPECT_EQ(corvan_resolution_fwhm(&r, 200, &w, nullptr), CORVAN_E_ARGUMENT) << r.analyzer;
        EXPECT_EQ(w, 7);
    }
    const corvan_resolution good = parsed("120000");
    double w = 0;
    for (double at : {0.0, -1.0, kNaN, std::numeric_limits<double>::infinity()})
        EXPECT_EQ(corvan_resolution_fwhm(&good, at, &w, nullptr), CORVAN_E_ARGUMENT) << at;
    EXPECT_EQ(corvan_resolution_fwhm(nullptr, 200, &w, nullptr), CORVAN_E_ARGUMENT);
    EXPECT_EQ(corvan_resolution_fwhm(&good, 200, nullptr, nullptr), CORVAN_E_ARGUMENT);
}

using SpectrumCall = int (*)(const corvan_molecule *, const corvan_options *,
                             const corvan_spectrum_settings *, corvan_spectrum **, size_t *,
                             corvan_error *);

// The status of `call` on water with one setting changed; a failure must
// hand back no spectrum and need 0.
int status_with(SpectrumCall call, const std::function<void(corvan_spectrum_settings &)> &change) {
    corvan_molecule *water = formula("H2O");
    corvan_spectrum_settings s = defaults();
    change(s);
    corvan_spectrum *out = nullptr;
    size_t needed = 99;
    const int status = call(water, nullptr, &s, &out, &needed, nullptr);
    if (status != CORVAN_OK) {
        EXPECT_EQ(out, nullptr);
        EXPECT_EQ(needed, 0u);
    }
    corvan_spectrum_free(out);
    corvan_molecule_free(water);
    return status;
}

using Settings = corvan_spectrum_settings;

TEST(SpectrumSettings, FineSettingsOutOfRangeAreRefusedByEveryCall) {
    const std::function<void(Settings &)> bad[] = {
        [](Settings &s) { s.fine_mode = 0; },
        [](Settings &s) { s.fine_value = 0; },
        [](Settings &s) { s.fine_value = 1.5; },
        [](Settings &s) { s.fine_value = kNaN; },
        [](Settings &s) { s.fine_mode = CORVAN_FINE_COVERAGE, s.fine_value = 1; },
        [](Settings &s) { s.max_peaks = 0; },
    };
    for (SpectrumCall call : {corvan_fine_structure, corvan_profile, corvan_centroids})
        for (const auto &change : bad) EXPECT_EQ(status_with(call, change), CORVAN_E_ARGUMENT);
    EXPECT_EQ(status_with(corvan_fine_structure, [](Settings &s) { s.fine_value = 1; }), CORVAN_OK)
        << "a threshold of 1 keeps the highest peak";
}

// The profile's settings matter to the profile and centroids only.
TEST(SpectrumSettings, ProfileSettingsOutOfRange) {
    const std::function<void(Settings &)> bad[] = {
        [](Settings &s) { s.shape = 0; },
        [](Settings &s) { s.shape = CORVAN_SHAPE_MIXED, s.lorentzian_fraction = 1.5; },
        [](Settings &s) { s.mz_low = 100, s.mz_high = 50; },
        [](Settings &s) { s.mz_low = 0, s.mz_high = 50; },
        [](Settings &s) { s.mz_step = -1e-3; },
        [](Settings &s) { s.points_per_fwhm = 0.5; },
        [](Settings &s) { s.points_per_fwhm = 10001; },
        [](Settings &s) { s.resolution.resolving_power = 0; },
        [](Settings &s) { s.centroid_min_height = 1.1; },
    };
    for (const auto &change : bad) {
        EXPECT_EQ(status_with(corvan_profile, change), CORVAN_E_ARGUMENT);
        EXPECT_EQ(status_with(corvan_centroids, change), CORVAN_E_ARGUMENT);
        EXPECT_EQ(status_with(corvan_fine_structure, change), CORVAN_OK);
    }
    // A grid of more points than a spectrum may hold.
    EXPECT_EQ(status_with(corvan_profile,
                          [](Settings &s) { s.mz_low = 10, s.mz_high = 1e5, s.mz_step = 1e-6; }),
              CORVAN_E_TOO_WIDE);
}

// Water at threshold 1e-4 lists 4 fine peaks: with a cap of 3 the call
// fails and says 4 were needed.
TEST(SpectrumCap, FailsWithTheCountNeededAndPassesAtIt) {
    corvan_molecule *water = formula("H2O");
    corvan_spectrum_settings s = defaults();
    s.fine_value = 1e-4;
    s.max_peaks = 3;
    corvan_spectrum *out = nullptr;
    size_t needed = 0;
    corvan_error e{};
    EXPECT_EQ(corvan_fine_structure(water, nullptr, &s, &out, &needed, &e), CORVAN_E_TOO_WIDE);
    EXPECT_EQ(needed, 4u) << e.message;
    EXPECT_EQ(out, nullptr);
    s.max_peaks = 4;
    ASSERT_EQ(corvan_fine_structure(water, nullptr, &s, &out, &needed, nullptr), CORVAN_OK);
    EXPECT_EQ(needed, 4u);
    corvan_spectrum_view v{};
    ASSERT_EQ(corvan_spectrum_get(out, &v), CORVAN_OK);
    EXPECT_EQ(v.fine_count, 4u);
    // Parts the call did not compute are empty.
    EXPECT_EQ(v.profile_count, 0u);
    EXPECT_EQ(v.profile_mz, nullptr);
    EXPECT_EQ(v.centroid_count, 0u);
    EXPECT_EQ(v.centroid_first_fine, nullptr);
    // By m/z: M, 17O, 2H (two ways: either hydrogen), 18O.
    EXPECT_NEAR(v.fine_mz[1], kO17 + 2 * kH1, 1e-9);
    EXPECT_NEAR(v.fine_probability[1], kPH1 * kPH1 * kPO17, 1e-9);
    EXPECT_NEAR(v.fine_mz[2], kO16 + kH1 + kH2, 1e-9);
    EXPECT_NEAR(v.fine_probability[2], 2 * kPH1 * kPH2 * kPO16, 1e-9);
    corvan_spectrum_free(out);
    EXPECT_EQ(corvan_spectrum_get(nullptr, &v), CORVAN_E_ARGUMENT);
    EXPECT_EQ(corvan_fine_structure(nullptr, nullptr, &s, &out, nullptr, nullptr),
              CORVAN_E_ARGUMENT);
    EXPECT_EQ(corvan_fine_structure(water, nullptr, &s, nullptr, nullptr, nullptr),
              CORVAN_E_ARGUMENT);
    corvan_molecule_free(water);
}

TEST(SpectrumCharge, TextAndOptionsMustAgree) {
    corvan_molecule *m = nullptr;
    ASSERT_EQ(corvan_molecule_parse(CORVAN_KIND_PEPTIDE, "PEPTIDE/2", &m, nullptr), CORVAN_OK);
    corvan_options *o = corvan_options_create();
    ASSERT_EQ(corvan_options_set_charge(o, 3, nullptr, nullptr), CORVAN_OK);
    corvan_spectrum *out = nullptr;
    EXPECT_EQ(corvan_fine_structure(m, o, nullptr, &out, nullptr, nullptr), CORVAN_E_CHARGE);
    ASSERT_EQ(corvan_options_set_charge(o, 2, nullptr, nullptr), CORVAN_OK);
    ASSERT_EQ(corvan_fine_structure(m, o, nullptr, &out, nullptr, nullptr), CORVAN_OK);
    corvan_spectrum_view v{};
    corvan_spectrum_get(out, &v);
    EXPECT_EQ(v.charge, 2);
    corvan_spectrum_free(out);
    corvan_options_free(o);
    corvan_molecule_free(m);
    corvan_molecule *by_mass = nullptr;
    ASSERT_EQ(corvan_molecule_from_mass(CORVAN_KIND_PEPTIDE, 1000, &by_mass, nullptr), CORVAN_OK);
    for (SpectrumCall call : {corvan_fine_structure, corvan_profile, corvan_centroids})
        EXPECT_EQ(call(by_mass, nullptr, nullptr, &out, nullptr, nullptr), CORVAN_E_UNSUPPORTED);
    corvan_molecule_free(by_mass);
}

struct Centroid {
    double mz, height, area;
    std::size_t first_fine, fine_count;
};

// Water's centroids (neutral: positions are masses) at R@200 Orbitrap,
// with every fine peak down to 1e-5 and centroids down to 1e-4.
std::vector<Centroid> water_centroids(double power, std::vector<double> *fine_mz) {
    corvan_molecule *water = formula("H2O");
    corvan_spectrum_settings s = defaults();
    s.resolution.resolving_power = power;
    s.fine_value = 1e-5;
    s.centroid_min_height = 1e-4;
    corvan_spectrum *out = nullptr;
    EXPECT_EQ(corvan_centroids(water, nullptr, &s, &out, nullptr, nullptr), CORVAN_OK);
    corvan_spectrum_view v{};
    corvan_spectrum_get(out, &v);
    std::vector<Centroid> all;
    for (std::size_t c = 0; c < v.centroid_count; ++c)
        all.push_back({v.centroid_mz[c], v.centroid_height[c], v.centroid_area[c],
                       v.centroid_first_fine[c], v.centroid_fine_count[c]});
    fine_mz->assign(v.fine_mz, v.fine_mz + v.fine_count);
    corvan_spectrum_free(out);
    corvan_molecule_free(water);
    return all;
}

std::vector<Centroid> near(const std::vector<Centroid> &all, double low, double high) {
    std::vector<Centroid> in;
    for (const Centroid &c : all)
        if (c.mz > low && c.mz < high) in.push_back(c);
    return in;
}

TEST(SpectrumCentroids, ALoneGaussianIsItsFinePeak) {
    std::vector<double> fine;
    const auto all = water_centroids(120000, &fine);
    const auto m0 = near(all, 17.5, 18.5);
    ASSERT_EQ(m0.size(), 1u);
    const double mass = kO16 + 2 * kH1, share = kPH1 * kPH1 * kPO16;
    const double w = 18.0106 / (120000 * std::sqrt(200 / 18.0106));
    EXPECT_NEAR(m0[0].mz, mass, 1e-7);
    EXPECT_NEAR(m0[0].height, share, 1e-4);
    EXPECT_NEAR(m0[0].area, share * w * kGaussianArea, 1e-3 * share * w);
    EXPECT_EQ(m0[0].fine_count, 1u);
    EXPECT_NEAR(fine[m0[0].first_fine], mass, 1e-9);
}

// 17O (0.000380) and 2H (0.000229) water, 0.00206 apart at mass 19: the
// FWHM is 4.9e-5 at 120000@200 (two centroids) and 2.9e-3 at 2000@200
// (below 0.85 FWHM apart: one centroid that merges both fine peaks).
TEST(SpectrumCentroids, TwoFinePeaksSeparateOrMergeAsTheirWidthSays) {
    const double o17 = kO17 + 2 * kH1, h2 = kO16 + kH1 + kH2;
    const double p17 = kPH1 * kPH1 * kPO17, p2 = 2 * kPH1 * kPH2 * kPO16;
    std::vector<double> fine;
    const auto sharp = near(water_centroids(120000, &fine), 18.5, 19.5);
    ASSERT_EQ(sharp.size(), 2u);
    EXPECT_NEAR(sharp[0].mz, o17, 1e-7);
    EXPECT_NEAR(sharp[1].mz, h2, 1e-7);
    EXPECT_NEAR(sharp[0].height, p17, 1e-6);
    EXPECT_NEAR(sharp[1].height, p2, 1e-6);
    for (const Centroid &c : sharp) {
        EXPECT_EQ(c.fine_count, 1u);
        EXPECT_NEAR(fine[c.first_fine], c.mz, 1e-7);
    }
    const auto broad = near(water_centroids(2000, &fine), 18.5, 19.5);
    ASSERT_EQ(broad.size(), 1u);
    const Centroid &both = broad[0];
    EXPECT_EQ(both.fine_count, 2u);
    EXPECT_NEAR(fine[both.first_fine], o17, 1e-9);
    EXPECT_NEAR(fine[both.first_fine + 1], h2, 1e-9);
    EXPECT_GT(both.mz, o17);
    EXPECT_LT(both.mz, (o17 + h2) / 2) << "nearer the higher 17O peak";
    EXPECT_GT(both.height, p17);
    const double w = 19.0155 / (2000 * std::sqrt(200 / 19.0155));
    EXPECT_NEAR(both.area, (p17 + p2) * w * kGaussianArea, 0.02 * (p17 + p2) * w);
}

TEST(SpectrumCentroids, TheLeastHeightDropsTheSmallCentroids) {
    corvan_molecule *water = formula("H2O");
    corvan_spectrum_settings s = defaults();
    s.centroid_min_height = 1e-3; // 17O and 2H (below 4e-4 of M) go, 18O (2e-3) stays
    corvan_spectrum *out = nullptr;
    ASSERT_EQ(corvan_centroids(water, nullptr, &s, &out, nullptr, nullptr), CORVAN_OK);
    corvan_spectrum_view v{};
    corvan_spectrum_get(out, &v);
    ASSERT_EQ(v.centroid_count, 2u);
    EXPECT_NEAR(v.centroid_mz[1], 17.9991596129 + 2 * kH1, 1e-6);
    corvan_spectrum_free(out);
    corvan_molecule_free(water);
}

// The ion of a whole-ion adduct or of the text's own adducts is the one
// corvan_distribution_compute makes: the lightest fine peak lies at its
// monoisotopic m/z (a dropped water loss put it 18 Da higher; the text's
// Na+ was taken as a proton).
TEST(SpectrumIons, AreTheIonsTheDistributionMakes) {
    struct Case {
        int kind;
        const char *text, *adduct;
        int charge;
    };
    for (const Case &c : {Case{CORVAN_KIND_FORMULA, "C6H12O6", "[M-H2O+H]+", 1},
                          Case{CORVAN_KIND_FORMULA, "C20H12", "[M]+.", 1},
                          Case{CORVAN_KIND_PEPTIDE, "PEPTIDE/1[+Na+]", nullptr, 0},
                          Case{CORVAN_KIND_PEPTIDE, "PEPTIDE/2[+Na+,+H+]", nullptr, 0}}) {
        corvan_molecule *m = nullptr;
        ASSERT_EQ(corvan_molecule_parse(c.kind, c.text, &m, nullptr), CORVAN_OK) << c.text;
        corvan_options *o = corvan_options_create();
        ASSERT_EQ(corvan_options_set_charge(o, c.charge, c.adduct, nullptr), CORVAN_OK);
        corvan_distribution *d = nullptr;
        ASSERT_EQ(corvan_distribution_compute(m, o, &d, nullptr), CORVAN_OK) << c.text;
        corvan_summary summary;
        corvan_distribution_summary(d, &summary);
        corvan_spectrum *s = nullptr;
        ASSERT_EQ(corvan_fine_structure(m, o, nullptr, &s, nullptr, nullptr), CORVAN_OK);
        corvan_spectrum_view v;
        corvan_spectrum_get(s, &v);
        ASSERT_GT(v.fine_count, 0u);
        EXPECT_NEAR(v.fine_mz[0], summary.monoisotopic_mz, 1e-9) << c.text;
        EXPECT_EQ(v.charge, summary.charge) << c.text;
        corvan_spectrum_free(s);
        corvan_distribution_free(d);
        corvan_options_free(o);
        corvan_molecule_free(m);
    }
}

} // namespace
