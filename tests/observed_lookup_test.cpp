// The pieces deisotoping runs thousands of times a scan, against a second
// route: the m/z index against a binary search, the shared averagine table
// against the engine at the exact mass, the pair fit against made-up sums.
#include <algorithm>
#include <random>
#include <vector>

#include <gtest/gtest.h>

#include "corvan.h"
#include "observed/model_patterns.hpp"
#include "observed/mz_index.hpp"
#include "observed/pair_fit.hpp"

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

} // namespace corvan::observed
