// The parametric peptide model: its four mass-dependent parameters, raw
// (unscaled) heights with full-length placement, and its refusals.
#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <limits>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "corvan.h"
#include "test_support.hpp"

namespace {

using test_support::all_zero;
using test_support::stdout_of;
// `actual` must round to `expected` as written: within half a unit of its
// last decimal ("0.0190" allows 0.00005).
void expect_close(float actual, const std::string &expected, const std::string &what) {
    const std::size_t point = expected.find('.');
    const int decimals = point == std::string::npos ? 0 : int(expected.size() - point - 1);
    EXPECT_NEAR(actual, std::stod(expected), 0.5 * std::pow(10.0, -decimals)) << what;
}

TEST(ParametricModel, StoredConstants) {
    const float expected[10] = {1.0084085f,    0.0012531872f,  2.3722634f, 0.000819178f,
                                -0.43774197f,  0.00066499296f, 0.9942305f, 0.46497524f,
                                0.0100529045f, 0.5812408f};
    for (int i = 0; i < 10; ++i) EXPECT_EQ(isoparams[i], expected[i]) << i;
}

TEST(ParametricModel, AccessorsAtMass1000AndZero) {
    expect_close(isotopealpha(isoparams, 1000), "0.2880", "alpha");
    expect_close(isotopebeta(isoparams, 1000), "1.046", "beta");
    expect_close(isotopemid(isoparams, 1000), "0.2013", "mid");
    expect_close(isotopesig(isoparams, 1000), "1.022", "sigma");
    expect_close(isotopealpha(isoparams, 0), "1.0084", "alpha(0)");
    expect_close(isotopebeta(isoparams, 0), "2.3723", "beta(0)");
    expect_close(isotopemid(isoparams, 0), "-0.4377", "mid(0)");
    expect_close(isotopesig(isoparams, 0), "0.4650", "sigma(0)");
}

TEST(ParametricModel, AccessorsReadTheTableTheyAreGiven) {
    const float table[10] = {2, 0, 3, 0, 1, 2, 1, 5, 1, 1};
    EXPECT_EQ(isotopealpha(table, 123), 2.0f);
    EXPECT_EQ(isotopebeta(table, 123), 3.0f);
    EXPECT_EQ(isotopemid(table, 10), 21.0f);
    EXPECT_EQ(isotopesig(table, 10), 15.0f);
}

struct Heights {
    float mass;
    std::vector<std::string> heights; // peaks 0, 1, 2, ... as known
    std::string largest;
};

class ParametricHeights : public testing::TestWithParam<Heights> {};

TEST_P(ParametricHeights, AreRawAndTheLargestIsReturned) {
    const auto c = GetParam();
    std::vector<float> out(8, 7.0f);
    const float result = pep_mass_to_dist_fitting(out.data(), 8, 0, c.mass);
    expect_close(result, c.largest, "return value");
    EXPECT_EQ(result, *std::max_element(out.begin(), out.end()));
    for (std::size_t i = 0; i < c.heights.size(); ++i)
        expect_close(out[i], c.heights[i], "peak " + std::to_string(i));
}

INSTANTIATE_TEST_SUITE_P(
    Table, ParametricHeights,
    testing::Values(Heights{0, {"1.004", "0.0940", "0.00877", "0.000818"}, "1.004"},
                    Heights{1000, {"0.5605", "0.306", "0.0947", "0.0190", "0.00467"}, "0.5605"},
                    Heights{2000, {"0.312", "0.3315", "0.221", "0.0909"}, "0.3315"},
                    Heights{5000, {"0.0761", "0.141", "0.198", "0.2108", "0.170"}, "0.2108"}));

TEST(ParametricModel, FullLengthPlacementKeepsPeakZeroAtTheOffset) {
    std::vector<float> whole(8), shifted(8, 7.0f);
    pep_mass_to_dist_fitting(whole.data(), 8, 0, 1000);
    const float result = pep_mass_to_dist_fitting(shifted.data(), 8, 2, 1000);
    EXPECT_EQ(shifted[0], 0.0f);
    EXPECT_EQ(shifted[1], 0.0f);
    for (int i = 0; i < 6; ++i) EXPECT_EQ(shifted[2 + i], whole[i]) << i;
    expect_close(result, "0.5605", "return value");
}

TEST(ParametricModel, OffsetNMinusOneComputesOnlyPeakZero) {
    std::vector<float> out(8, 7.0f);
    const float result = pep_mass_to_dist_fitting(out.data(), 8, 7, 1000);
    for (int i = 0; i < 7; ++i) EXPECT_EQ(out[i], 0.0f);
    expect_close(out[7], "0.5605", "peak 0");
    EXPECT_EQ(result, out[7]);
}

TEST(ParametricModel, NonPositiveSigmaIsReported) {
    const std::array<float, 10> saved = {isoparams[0], isoparams[1], isoparams[2], isoparams[3],
                                         isoparams[4], isoparams[5], isoparams[6], isoparams[7],
                                         isoparams[8], isoparams[9]};
    isoparams[7] = -2.0f; // sigma(1000) = -2 + 1.49 < 0
    std::vector<float> out(8, 7.0f);
    float result = 0;
    const std::string printed =
        stdout_of([&] { result = pep_mass_to_dist_fitting(out.data(), 8, 0, 1000); });
    std::copy(saved.begin(), saved.end(), isoparams);
    EXPECT_EQ(result, -1.0f);
    EXPECT_TRUE(all_zero(out));
    EXPECT_EQ(printed, "Error: Sigma isotope parameter must be positive\n");
}

TEST(ParametricModel, RefusesMassesWithoutDefinedPowers) {
    // 1e38 Da is finite, but the Gaussian's width overflows there.
    for (float mass : {-1.0f, -1000.0f, std::numeric_limits<float>::quiet_NaN(),
                       std::numeric_limits<float>::infinity(), 1e38f}) {
        std::vector<float> out(8, 7.0f);
        EXPECT_EQ(pep_mass_to_dist_fitting(out.data(), 8, 0, mass), -1.0f) << mass;
        EXPECT_TRUE(all_zero(out)) << mass;
    }
}

TEST(ParametricModel, BadFrameLeavesOutUntouched) {
    std::vector<float> out(8, 7.0f);
    EXPECT_EQ(pep_mass_to_dist_fitting(out.data(), 8, 8, 1000), -1.0f);
    EXPECT_EQ(pep_mass_to_dist_fitting(nullptr, 8, 0, 1000), -1.0f);
    EXPECT_EQ(pep_mass_to_dist_fitting(out.data(), 8, -1, -5), -1.0f);
    for (float v : out) EXPECT_EQ(v, 7.0f);
}

} // namespace
