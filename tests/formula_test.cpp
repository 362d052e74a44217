// Elemental formulas: the grammar of atom_formula_to_vector and the FFT
// distribution on the caller's grid.
#include <cmath>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "corvan.h"
#include "exact_reference.hpp"

namespace {

constexpr int kC = 5, kH = 0, kN = 6, kO = 7, kS = 15, kCo = 26, kCl = 16, kSn = 49;

struct Parsed {
    const char *formula;
    int result;
    std::vector<std::pair<int, int>> counts; // element index, count (others 0)
};

class FormulaGrammar : public testing::TestWithParam<Parsed> {};

TEST_P(FormulaGrammar, ParsesToTheExpectedCounts) {
    const auto &p = GetParam();
    std::vector<int> counts(CORVAN_ELEMENT_COUNT, -7);
    EXPECT_EQ(atom_formula_to_vector(p.formula, counts.data()), p.result) << p.formula;
    if (p.result != 0) return;
    std::vector<int> expected(CORVAN_ELEMENT_COUNT, 0);
    for (auto [index, count] : p.counts) expected[index] = count;
    EXPECT_EQ(counts, expected) << p.formula;
}

INSTANTIATE_TEST_SUITE_P(
    Formulas, FormulaGrammar,
    testing::Values(Parsed{"C6H12O6", 0, {{kC, 6}, {kH, 12}, {kO, 6}}},
                    Parsed{"  C6 H12\tO6 \n", 0, {{kC, 6}, {kH, 12}, {kO, 6}}},
                    Parsed{"CH3CH3", 0, {{kC, 2}, {kH, 6}}}, Parsed{"H2O", 0, {{kH, 2}, {kO, 1}}},
                    Parsed{"Co", 0, {{kCo, 1}}}, Parsed{"CO", 0, {{kC, 1}, {kO, 1}}},
                    Parsed{"NaCl", 0, {{10, 1}, {kCl, 1}}}, Parsed{"C0H2", 0, {{kH, 2}}},
                    Parsed{"Sn", 0, {{kSn, 1}}}, Parsed{"C2147483647", 0, {{kC, 2147483647}}},
                    Parsed{"C1000000N2S3", 0, {{kC, 1000000}, {kN, 2}, {kS, 3}}},
                    Parsed{"Mt", 0, {{108, 1}}}, Parsed{"", -1, {}}, Parsed{"   ", -1, {}},
                    Parsed{"C0", -1, {}}, Parsed{"c6", -1, {}}, Parsed{"6C", -1, {}},
                    Parsed{"(CH3)2", -1, {}}, Parsed{"C-1", -1, {}}, Parsed{"Xx", -1, {}},
                    Parsed{"Cx", -1, {}}, Parsed{"C 6", -1, {}}, Parsed{"C2147483648", -1, {}},
                    Parsed{"C2147483647H", -1, {}}, Parsed{"C2147483647C", -1, {}},
                    Parsed{"Q", -1, {}}, Parsed{"H2O\xc3\xa9", -1, {}}));

TEST(FormulaGrammar, NullArgumentsAndPartialCountsAfterAFailure) {
    int counts[109];
    EXPECT_EQ(atom_formula_to_vector(nullptr, counts), -1);
    EXPECT_EQ(atom_formula_to_vector("H2O", nullptr), -1);
    EXPECT_EQ(atom_formula_to_vector("H2O%", counts), -1);
    EXPECT_EQ(counts[kH], 2);
    EXPECT_EQ(counts[kO], 1);
}

TEST(FormulaDistribution, GlucoseAndWater) {
    std::vector<float> out(64);
    const float peak = corvan_atom("C6H12O6", out.data(), 64);
    EXPECT_NEAR(peak, 0.92263f, 1e-5f);
    EXPECT_EQ(out[0], 1.0f);
    EXPECT_NEAR(out[1], 0.0686f, 1e-4f);
    EXPECT_NEAR(out[2], 0.0143f, 1e-4f);
    EXPECT_NEAR(corvan_atom("H2O", out.data(), 64), 0.99734f, 1e-5f);
}

TEST(FormulaDistribution, AgreesWithTheCompositionEngine) {
    const int counts[5] = {254, 377, 65, 75, 6};
    for (int n : {64, 100, 128}) {
        std::vector<float> engine(n), formula(n);
        const float engine_peak = fft_list_to_dist(counts, n, engine.data());
        const float peak = fft_atom_formula_to_dist("C254H377N65O75S6", formula.data(), n, 0);
        EXPECT_NEAR(peak, engine_peak, 1e-6f) << n;
        for (int i = 0; i < n; ++i) EXPECT_NEAR(formula[i], engine[i] / engine_peak, 1e-6f) << i;
    }
}

TEST(FormulaDistribution, ElementsBeyondTheFiveAgainstAnExactReference) {
    // Chlorine and bromine: patterns with gaps of two steps.
    std::vector<float> out(32);
    const float peak = corvan_atom("C6H4Cl2Br", out.data(), 32);
    const std::vector<reference::Poly> patterns = {reference::element_pattern(6),
                                                   reference::element_pattern(1),
                                                   reference::element_pattern(17),
                                                   reference::element_pattern(35),
                                                   {1.0L}};
    const int counts[5] = {6, 4, 2, 1, 0};
    const auto exact = reference::distribution(counts, 32, patterns);
    const double exact_peak = *std::max_element(exact.begin(), exact.end());
    EXPECT_NEAR(peak, exact_peak, 1e-6);
    for (int i = 0; i < 32; ++i) EXPECT_NEAR(out[i], exact[i] / exact_peak, 1e-6) << i;
}

TEST(FormulaDistribution, OffsetDropsTheTailAndKeepsTheStartZero) {
    std::vector<float> plain(64), shifted(64, 5.0f);
    const float a = fft_atom_formula_to_dist("C6H12O6", plain.data(), 64, 0);
    const float b = fft_atom_formula_to_dist("C6H12O6", shifted.data(), 64, 2);
    EXPECT_EQ(a, b);
    EXPECT_EQ(shifted[0], 0.0f);
    EXPECT_EQ(shifted[1], 0.0f);
    for (int j = 0; j < 62; ++j) EXPECT_EQ(shifted[j + 2], plain[j]) << j;
}

TEST(FormulaDistribution, TinOnGridsShorterThanItsSpanStaysInsideAndSumsToOne) {
    for (int n = 1; n <= 13; ++n) {
        std::vector<float> out(n + 1, -3.0f);
        const float peak = corvan_atom("Sn", out.data(), n);
        ASSERT_GT(peak, 0.0f) << n;
        EXPECT_EQ(out[n], -3.0f) << n;
        float sum = 0;
        for (int i = 0; i < n; ++i) sum += out[i] * peak;
        EXPECT_NEAR(sum, 1.0f, 1e-5f) << n;
    }
}

TEST(FormulaDistribution, FailuresAndWhatOutHolds) {
    std::vector<float> out(8, 4.0f);
    EXPECT_EQ(fft_atom_formula_to_dist("H2O", out.data(), 8, 8), -1.0f);
    EXPECT_EQ(fft_atom_formula_to_dist("H2O", out.data(), 0, 0), -1.0f);
    EXPECT_EQ(fft_atom_formula_to_dist("H2O", out.data(), 8, -1), -1.0f);
    EXPECT_EQ(fft_atom_formula_to_dist("H2O", nullptr, 8, 0), -1.0f);
    for (float v : out) EXPECT_EQ(v, 4.0f);
    EXPECT_EQ(fft_atom_formula_to_dist("H2Q", out.data(), 8, 0), -1.0f);
    for (float v : out) EXPECT_EQ(v, 0.0f);
    std::fill(out.begin(), out.end(), 4.0f);
    EXPECT_EQ(corvan_atom(nullptr, out.data(), 8), -1.0f);
    for (float v : out) EXPECT_EQ(v, 0.0f);
}

TEST(FormulaDistribution, OffsetOnTheLastPointWritesOnePoint) {
    std::vector<float> out(16);
    const float peak = fft_atom_formula_to_dist("H2O", out.data(), 16, 15);
    EXPECT_NEAR(peak, 0.99734f, 1e-5f);
    for (int i = 0; i < 15; ++i) EXPECT_EQ(out[i], 0.0f);
    EXPECT_EQ(out[15], 1.0f);
}

} // namespace
