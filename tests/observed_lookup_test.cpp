// The pieces deisotoping runs thousands of times a scan, against a second
// route: the m/z index against a binary search, the shared averagine table
// against the engine at the exact mass, the pair fit against made-up sums,
// an ion scored on what its neighbour leaves and the look-up of an envelope
// found before against hand-worked values, the noise levels of one pass
// against the quartile of each window.
#include <algorithm>
#include <cmath>
#include <random>
#include <vector>

#include <gtest/gtest.h>

#include "corvan.h"
#include "observed/model_patterns.hpp"
#include "observed/mz_index.hpp"
#include "observed/noise_level.hpp"
#include "observed/pair_fit.hpp"
#include "observed/rung_points.hpp"
#include "observed/split_ion.hpp"

namespace corvan::observed {

TEST(MzIndex, FindsWhatABinarySearchFinds) {
    std::mt19937 random(27);
    std::uniform_real_distribution<double> place(300, 1500);
    std::vector<double> mz(500);
    for (double &m : mz) m = place(random);
    mz.push_back(mz[7]); // equal neighbours
    std::sort(mz.begin(), mz.end());
    const MzIndex index(mz);
    std::vector<double> queries{0, 300, mz.front(), mz[8], mz.back(), 1e6};
    for (int i = 0; i < 2000; ++i) queries.push_back(place(random));
    for (double low : queries)
        EXPECT_EQ(
            index.first_at_least(low),
            static_cast<std::size_t>(std::lower_bound(mz.begin(), mz.end(), low) - mz.begin()))
            << low;
    const std::vector<double> one{500};
    EXPECT_EQ(MzIndex(one).first_at_least(500), 0u);
    EXPECT_EQ(MzIndex(one).first_at_least(500.1), 1u);
}

// Inside the shared table (1500 Da) and past its end (the call computes).
TEST(ModelPatterns, TableAndCallComputedBinsFollowTheEngine) {
    for (double mass : {1500.0, 2.5 * kTableHighMass}) {
        ModelPatterns models;
        const std::vector<double> *pattern = nullptr;
        ASSERT_TRUE(models.get(mass, pattern).ok());
        std::vector<float> engine(128);
        ASSERT_GE(fft_pep_mass_to_dist(engine.data(), 128, 0, static_cast<float>(mass)), 0);
        const float top = *std::max_element(engine.begin(), engine.end());
        for (std::size_t k = 0; k < pattern->size(); ++k)
            EXPECT_NEAR((*pattern)[k], engine[k] / top, 0.07) << mass << " point " << k;
    }
}

// The bins found without a logarithm, at masses beside every border of
// the table's bins and far off it, against the logarithm.
TEST(ModelPatterns, BinsWithoutTheLogarithmAreTheLogarithms) {
    const double per_bin = std::log(1.005);
    auto bin = [&](double mass) { return std::lround(std::log(mass) / per_bin); };
    std::vector<double> masses{1, 20, 49.9, 20001, 1e6};
    for (long k = bin(kTableLowMass) - 1; k <= bin(kTableHighMass) + 1; ++k) {
        const double border = std::exp((static_cast<double>(k) + 0.5) * per_bin);
        for (double off : {0.0, -2e-12, 2e-12, -1e-9, 1e-9, 2e-3})
            masses.push_back(border * (1 + off));
        masses.push_back(std::nextafter(border, 0.0));
    }
    for (double mass : masses) EXPECT_EQ(pattern_bin(mass), bin(mass)) << mass;
}

TEST(PairFit, RecoversTheFactorsOfASumAndRefusesANegativeOne) {
    const std::vector<double> first{0, 1, 0.5}, second{1, 0.5, 0};
    const std::vector<double> sum{3, 3.5, 1}; // 2 first + 3 second
    const PairFit fit = fit_pair(first, second, sum);
    EXPECT_NEAR(fit.first, 2, 1e-12);
    EXPECT_NEAR(fit.second, 3, 1e-12);
    EXPECT_NEAR(fit.residual, 0, 1e-12);
    // second alone: factor (3 + 1.75) / 1.25 = 3.8, leaving 0.8^2 + 1.6^2 + 1^2.
    EXPECT_NEAR(fit.alone_residual, 0.64 + 2.56 + 1, 1e-12);
    const std::vector<double> difference{3, 0.5, -0.5}; // -1 first + 3 second
    const PairFit refused = fit_pair(first, second, difference);
    EXPECT_EQ(refused.first, 0);
    EXPECT_EQ(refused.residual, refused.alone_residual);
}

TEST(RungPoints, AnIonIsScoredOnWhatItsNeighbourLeaves) {
    // Charge 2 from M = 500 (step 0.50143), the rung below M first.
    const std::vector<double> mz{499.49857, 500, 500.50143, 501.00286}, intensity{2, 10, 6, 5};
    const PeakList peaks{mz, intensity};
    RungPoints points;
    points.gather(peaks, intensity, 10, 500, 2, 1, 4);
    EXPECT_EQ(points.observed, intensity);
    EXPECT_EQ(points.lay({1, 0.5}, 1, 2), (std::vector<double>{0, 1, 0, 0.5}));
    const std::vector<double> pattern{1, 0.4, 0.3};
    SplitIon ion;
    ion.pattern = &pattern, ion.scale = 10;
    // The neighbour (2 at M+1) leaves {2, 10, 4, 5}: cosine against
    // {0, 1, 0.4, 0.3} is 13.1 / (sqrt(1.25) sqrt(145)), or with the rung
    // below M not held against the ion 13.1 / (sqrt(1.25) sqrt(141)).
    const std::vector<double> neighbour = points.lay({1}, 2, 1);
    describe_on_leftovers(points, 1, 1, neighbour, 2, ion);
    EXPECT_NEAR(ion.score, 13.1 / std::sqrt(1.25 * 145), 1e-12);
    EXPECT_EQ(ion.peak_at, (std::vector<std::size_t>{1, 2, 3}));
    EXPECT_EQ(ion.matched, 3u);
    describe_on_leftovers(points, 1, 1, neighbour, 2, ion, false);
    EXPECT_NEAR(ion.score, 13.1 / std::sqrt(1.25 * 141), 1e-12);
}

TEST(FoundBefore, IsFoundAtItsChargeWithinTheTolerance) {
    const std::vector<double> mz{500, 600}, intensity{10, 10};
    const std::vector<double> remaining{4, 10}; // the envelope took part of its M
    const PeakList peaks{mz, intensity};
    const std::vector<corvan_found_envelope> found{{500, 998, 2, 6, 1, 3}};
    const FoundBefore before{found, remaining};
    EXPECT_EQ(found_at(peaks, before, 500 * (1 + 9e-6), 2, 10), &found[0]);
    EXPECT_EQ(found_at(peaks, before, 500 * (1 + 11e-6), 2, 10), nullptr);
    EXPECT_EQ(found_at(peaks, before, 500, 3, 10), nullptr);
    EXPECT_EQ(found_at(peaks, before, 600, 2, 10), nullptr);
}

TEST(NoiseLevels, OnePassGivesEachWindowsQuartile) {
    // Dense and sparse stretches (windows of fewer than 40 peaks give 0),
    // tied intensities, m/z asked in any order and beyond the scan.
    std::mt19937 random(7);
    std::vector<double> mz, intensity;
    for (double at = 300; at < 900; at += at < 600 ? 0.4 : 3.1) {
        mz.push_back(at + std::uniform_real_distribution(0.0, 0.1)(random));
        intensity.push_back(std::uniform_int_distribution(1, 30)(random));
    }
    std::vector<double> asked{950, 250, 601.5};
    for (int i = 0; i < 300; ++i)
        asked.push_back(std::uniform_real_distribution(280.0, 920.0)(random));
    const PeakList peaks{mz, intensity};
    const std::vector<double> levels = noise_levels(peaks, asked);
    std::vector<double> buffer;
    std::size_t zeros = 0;
    for (std::size_t i = 0; i < asked.size(); ++i) {
        EXPECT_EQ(levels[i], noise_level(peaks, asked[i], buffer)) << asked[i];
        zeros += levels[i] == 0;
    }
    EXPECT_GT(zeros, 10u);
    EXPECT_LT(zeros, 250u);
}

} // namespace corvan::observed
