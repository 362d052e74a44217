// The BRAIN engine: its constants, edge cases and agreement with an exact
// reference built from the engine's own element shares.
#include <algorithm>
#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "corvan.h"
#include "exact_reference.hpp"

namespace {

TEST(BrainConstants, AreTheNearestFloats) {
    EXPECT_EQ(c_root, -92.4579f);
    EXPECT_EQ(static_cast<double>(h_root), -8694.65234375);
    EXPECT_EQ(n_root, -270.7391f);
    EXPECT_EQ(rho_o, 22.0595f);
    EXPECT_EQ(theta_o, 1.575f);
    EXPECT_EQ(s_root, -424.8761f);
    EXPECT_EQ(rho_s, 4.728f);
    EXPECT_EQ(theta_s, 1.583f);
    EXPECT_EQ(c12_abundance, 0.9893f);
    EXPECT_EQ(h1_abundance, 0.999885f);
    EXPECT_EQ(n14_abundance, 0.99632f);
    EXPECT_EQ(o16_abundance, 0.99757f);
    EXPECT_EQ(s32_abundance, 0.9499f);
}

TEST(BrainConstants, InverseRootsComeFromTheFloatRootsBitForBit) {
    // The literals the engine multiplies by, against their derivation.
    EXPECT_EQ(1.0 / static_cast<double>(c_root), -0.010815733314013237);
    EXPECT_EQ(1.0 / static_cast<double>(h_root), -0.00011501322427443952);
    EXPECT_EQ(1.0 / static_cast<double>(n_root), -0.003693592764038961);
    EXPECT_EQ(1.0 / static_cast<double>(s_root), -0.0023536273356346707);
    const double to = theta_o, ro = rho_o, ts = theta_s, rs = rho_s;
    EXPECT_EQ(std::cos(to) / ro, -0.00019056227735962105);
    EXPECT_EQ(std::sin(to) / ro, 0.045331543150902404);
    EXPECT_EQ(std::cos(ts) / rs, -0.002581073299537509);
    EXPECT_EQ(std::sin(ts) / rs, 0.21149016541627938);
}

std::vector<float> brain(const std::vector<int> &counts, int len, float *peak) {
    std::vector<float> out(len, -9.0f);
    *peak = brain_list_to_dist(counts.data(), len, out.data());
    return out;
}

// ---- the engine against the polynomial of its own roots ----------------

using Poly = std::vector<long double>;

Poly times(const Poly &a, const Poly &b, std::size_t len) {
    Poly c(len, 0.0L);
    for (std::size_t i = 0; i < a.size() && i < len; ++i)
        for (std::size_t j = 0; j < b.size() && i + j < len; ++j) c[i + j] += a[i] * b[j];
    return c;
}

// (1 - u x) for each real inverse root u and (1 - w x)(1 - conj(w) x) for
// the pair, with the inverse roots derived from the exported float roots
// as the engine's documentation says.
std::vector<Poly> element_polynomials() {
    auto real = [](float root) { return Poly{1.0L, -1.0L / static_cast<long double>(root)}; };
    auto pair = [](float rho, float theta) {
        const long double re = std::cos(static_cast<long double>(theta)) / rho;
        const long double im = std::sin(static_cast<long double>(theta)) / rho;
        return Poly{1.0L, -2.0L * re, re * re + im * im};
    };
    return {real(c_root), real(h_root), real(n_root), pair(rho_o, theta_o),
            times(real(s_root), pair(rho_s, theta_s), 4)};
}

TEST(BrainAgainstItsRoots, EveryElementAndAMixture) {
    // A constant of the engine that drifted from its roots (by 1e-3 of its
    // value) changes these patterns by far more than the tolerance.
    const std::vector<std::vector<int>> compositions = {
        {60, 0, 0, 0, 0}, {0, 200, 0, 0, 0}, {0, 0, 60, 0, 0}, {0, 0, 0, 60, 0},
        {0, 0, 0, 0, 60}, {0, 0, 0, 0, 1},   {5, 8, 2, 3, 2},  {254, 377, 65, 75, 6}};
    const int len = 16;
    const auto elements = element_polynomials();
    for (const auto &counts : compositions) {
        Poly expected{1.0L};
        for (int e = 0; e < 5; ++e)
            for (int k = 0; k < counts[e]; ++k) expected = times(expected, elements[e], len);
        expected.resize(len, 0.0L);
        long double sum = 0;
        for (long double v : expected) sum += v;
        float peak = 0;
        const auto out = brain(counts, len, &peak);
        long double highest = 0;
        for (int i = 0; i < len; ++i) highest = std::max(highest, expected[i] / sum);
        EXPECT_NEAR(peak, static_cast<double>(highest), 1e-6 * static_cast<double>(highest));
        for (int i = 0; i < len; ++i)
            EXPECT_NEAR(out[i], static_cast<double>(expected[i] / sum),
                        2e-7 * static_cast<double>(highest))
                << "element counts " << counts[0] << " " << counts[1] << " " << counts[2] << " "
                << counts[3] << " " << counts[4] << ", point " << i;
    }
}

TEST(BrainListToDist, EmptyCompositionAndSinglePoint) {
    float peak = 0;
    auto out = brain({0, 0, 0, 0, 0}, 16, &peak);
    EXPECT_EQ(peak, 1.0f);
    EXPECT_EQ(out[0], 1.0f);
    for (int i = 1; i < 16; ++i) EXPECT_EQ(out[i], 0.0f);
    out = brain({500, 800, 100, 120, 9}, 1, &peak);
    EXPECT_EQ(peak, 1.0f);
    EXPECT_EQ(out[0], 1.0f);
}

TEST(BrainListToDist, SingleAtoms) {
    float peak = 0;
    auto out = brain({1, 0, 0, 0, 0}, 2, &peak);
    EXPECT_NEAR(out[0], 0.9893f, 1e-6f);
    EXPECT_NEAR(out[1], 0.0107f, 1e-6f);
    EXPECT_NEAR(peak, 0.9893f, 1e-6f);
    out = brain({0, 0, 0, 1, 0}, 4, &peak);
    EXPECT_NEAR(out[0], 0.99757f, 2e-5f);
    EXPECT_NEAR(out[1], 0.00038f, 2e-5f);
    EXPECT_NEAR(out[2], 0.00205f, 2e-5f);
    EXPECT_NEAR(out[3], 0.0f, 1e-7f);
    out = brain({0, 0, 0, 0, 1}, 5, &peak);
    const float sulfur[] = {0.95024f, 0.00714f, 0.04252f, 0.00010f, 0.0f};
    for (int i = 0; i < 5; ++i) EXPECT_NEAR(out[i], sulfur[i], 2e-5f) << i;
}

TEST(BrainListToDist, TruncatedDistributionIsRenormalised) {
    float peak = 0;
    const auto out = brain({1000, 0, 0, 0, 0}, 4, &peak);
    EXPECT_NEAR(out[3], 0.7496f, 1e-4f);
    EXPECT_EQ(peak, out[3]);
    float sum = 0;
    for (float v : out) sum += v;
    EXPECT_NEAR(sum, 1.0f, 1e-6f);
}

TEST(BrainListToDist, BadArgumentsLeaveOutUntouched) {
    std::vector<float> out(4, 3.0f);
    const int negative[5] = {10, 10, 0, -1, 0};
    const int fine[5] = {10, 10, 0, 1, 0};
    EXPECT_EQ(brain_list_to_dist(negative, 4, out.data()), -1.0f);
    EXPECT_EQ(brain_list_to_dist(fine, 0, out.data()), -1.0f);
    EXPECT_EQ(brain_list_to_dist(nullptr, 4, out.data()), -1.0f);
    EXPECT_EQ(brain_list_to_dist(fine, 4, nullptr), -1.0f);
    for (float v : out) EXPECT_EQ(v, 3.0f);
}

TEST(BrainListToDist, OverflowOfVeryLargeMoleculesZeroesOut) {
    float peak = 0;
    const auto huge = brain({70000, 0, 0, 0, 0}, 1024, &peak);
    EXPECT_EQ(peak, -1.0f);
    for (float v : huge) EXPECT_EQ(v, 0.0f);
    const auto large = brain({40000, 0, 0, 0, 0}, 1024, &peak);
    EXPECT_GT(peak, 0.0f);
}

// The engine's own element shares (its N shares differ from the isotope
// table; O and S come from its rounded roots, so agreement is ~1e-3).
std::vector<reference::Poly> brain_patterns() {
    return {{0.9893L, 0.0107L},
            {0.999885L, 0.000115L},
            {0.99632L, 0.00368L},
            {0.99757L, 0.00038L, 0.00205L},
            {0.9499L, 0.0075L, 0.0425L, 0.0001L}};
}

struct Composition {
    const char *name;
    std::vector<int> counts;
    int length;
    double tolerance; // of the peak height
};

class BrainAgainstExact : public testing::TestWithParam<Composition> {};

TEST_P(BrainAgainstExact, AgreesWithinTheRootRounding) {
    const auto &c = GetParam();
    const auto exact = reference::distribution(c.counts.data(), c.length, brain_patterns());
    float peak = 0;
    const auto out = brain(c.counts, c.length, &peak);
    const double exact_peak = *std::max_element(exact.begin(), exact.end());
    EXPECT_NEAR(peak, exact_peak, c.tolerance * exact_peak);
    for (int i = 0; i < c.length; ++i) EXPECT_NEAR(out[i], exact[i], c.tolerance * exact_peak) << i;
}

INSTANTIATE_TEST_SUITE_P(
    Compositions, BrainAgainstExact,
    testing::Values(Composition{"water", {0, 2, 0, 1, 0}, 64, 1e-5},
                    Composition{"peptide_2kDa", {89, 140, 24, 27, 1}, 64, 1e-3},
                    Composition{"insulin", {254, 377, 65, 75, 6}, 64, 2e-3},
                    Composition{"protein_50kDa", {2223, 3490, 611, 665, 19}, 128, 2e-3},
                    Composition{"protein_100kDa", {4445, 6982, 1222, 1329, 38}, 1024, 2e-3}),
    [](const auto &test) { return std::string(test.param.name); });

} // namespace
