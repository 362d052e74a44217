// Deisotoping against the scan's own noise level and the stricter reading
// of envelopes of two peaks.
#include <cmath>
#include <map>
#include <vector>

#include <gtest/gtest.h>

#include "corvan.h"

namespace {

struct Scan {
    std::map<double, double> peaks; // m/z -> intensity, summed where they meet

    // The envelope's points (shares above 1e-4) scaled to `top` at its highest.
    void add_envelope(const char *text, double top) {
        corvan_distribution *d = nullptr;
        EXPECT_EQ(corvan_distribution_from_text(CORVAN_KIND_PEPTIDE, text, nullptr, &d, nullptr),
                  CORVAN_OK);
        corvan_points p{};
        corvan_distribution_points(d, &p);
        double highest = 0;
        for (std::size_t i = 0; i < p.count; ++i) highest = std::max(highest, p.shares[i]);
        for (std::size_t i = 0; i < p.count; ++i)
            if (p.shares[i] > 1e-4) peaks[p.mz[i]] += top * p.shares[i] / highest;
        corvan_distribution_free(d);
    }
    // Flat noise: `count` centroids of intensity 1, 0.37 apart (no rung of
    // charges 1 to 6 from one another).
    void add_noise(double from, int count) {
        for (int i = 0; i < count; ++i) peaks[from + 0.37 * i] += 1.0;
    }
    std::vector<corvan_found_envelope> deisotoped(double min_signal_to_noise) const {
        std::vector<double> mz, intensity;
        for (auto [m, h] : peaks) mz.push_back(m), intensity.push_back(h);
        corvan_deisotope_settings settings{};
        corvan_deisotope_defaults(&settings);
        settings.min_signal_to_noise = min_signal_to_noise;
        corvan_envelopes *found = nullptr;
        EXPECT_EQ(
            corvan_deisotope(mz.data(), intensity.data(), mz.size(), &settings, &found, nullptr),
            CORVAN_OK);
        std::vector<corvan_found_envelope> all(corvan_envelopes_count(found));
        for (std::size_t i = 0; i < all.size(); ++i) corvan_envelopes_get(found, i, &all[i]);
        corvan_envelopes_free(found);
        return all;
    }
};

// The m/z and share of the first two points of a peptide's envelope.
struct FirstTwo {
    double mz[2], share[2];
};
FirstTwo first_two(const char *text) {
    corvan_distribution *d = nullptr;
    EXPECT_EQ(corvan_distribution_from_text(CORVAN_KIND_PEPTIDE, text, nullptr, &d, nullptr),
              CORVAN_OK);
    corvan_points p{};
    corvan_distribution_points(d, &p);
    const FirstTwo two{{p.mz[0], p.mz[1]}, {p.shares[0], p.shares[1]}};
    corvan_distribution_free(d);
    return two;
}

double monoisotopic_mz(const char *text) {
    return first_two(text).mz[0];
}

TEST(DeisotopeNoise, EnvelopesFittedBelowTheBarTimesTheNoiseLevelAreDropped) {
    // 68 noise centroids of 1 around two envelopes: the noise level is 1;
    // one envelope stands 20 high, the other 4.
    Scan scan;
    scan.add_noise(430, 68);
    scan.add_envelope("SAMPLERK/2", 20);
    scan.add_envelope("PEPTIDEK/2", 4);
    const auto kept = scan.deisotoped(10);
    ASSERT_EQ(kept.size(), 1u);
    EXPECT_NEAR(kept[0].monoisotopic_mz, monoisotopic_mz("SAMPLERK/2"), 1e-9);
    EXPECT_EQ(scan.deisotoped(3).size(), 2u);
    EXPECT_EQ(scan.deisotoped(0).size(), 2u) << "0 keeps every envelope";
    // Without enough centroids to tell noise from signal, no bar applies.
    Scan sparse;
    sparse.add_envelope("PEPTIDEK/2", 4);
    EXPECT_EQ(sparse.deisotoped(10).size(), 1u);
    corvan_deisotope_settings settings{};
    corvan_deisotope_defaults(&settings);
    EXPECT_EQ(settings.min_signal_to_noise, 10);
    const double one = 1;
    corvan_envelopes *found = nullptr;
    for (double wrong : {-1.0, std::nan(""), HUGE_VAL}) {
        settings.min_signal_to_noise = wrong;
        EXPECT_EQ(corvan_deisotope(&one, &one, 1, &settings, &found, nullptr), CORVAN_E_ARGUMENT);
    }
}

TEST(DeisotopeTwoPeaks, AWeakerRungFarBelowThePatternsRatioIsNoEnvelope) {
    // A 1+ ion's M and M+1 alone: the M+1 at 0.9 of the pattern's ratio is
    // an envelope, at 0.35 (still above the matched share) it is not...
    const FirstTwo ion = first_two("AVAR/1");
    const double ratio = ion.share[1] / ion.share[0];
    auto two_peaks = [&](double m, double times) {
        Scan scan;
        scan.peaks = {{ion.mz[0], m}, {ion.mz[1], m * ratio * times}};
        return scan;
    };
    EXPECT_EQ(two_peaks(100, 0.9).deisotoped(0).size(), 1u);
    EXPECT_EQ(two_peaks(100, 0.35).deisotoped(0).size(), 0u);
    // ...unless the shortfall is within twice the noise level (1 here).
    Scan noisy = two_peaks(10, 0.35);
    noisy.add_noise(380, 68);
    EXPECT_EQ(noisy.deisotoped(0).size(), 1u);
    noisy.peaks[ion.mz[0]] = 100, noisy.peaks[ion.mz[1]] = 100 * ratio * 0.35;
    EXPECT_EQ(noisy.deisotoped(0).size(), 0u);
}

} // namespace
