// Peptide notation: residue scan, modification formulas, averagine
// compositions and the exported length rules.
#include <array>
#include <cmath>
#include <cstdio>
#include <limits>
#include <string>

#include <gtest/gtest.h>

#include "corvan.h"
#include "family_checks.hpp"
#include "test_support.hpp"

namespace {

using namespace family_checks;

using test_support::stdout_of;

Composition composition_of(const std::string &sequence, int *residues = nullptr) {
    Composition fftlist{-7, -7, -7, -7, -7};
    const int count = pep_seq_to_fftlist(sequence.c_str(), fftlist.data());
    if (residues != nullptr) *residues = count;
    return fftlist;
}

struct SequenceCase {
    const char *sequence;
    int residues;
    Composition composition;
    const char *message; // expected standard output
};

class PeptideSequence : public testing::TestWithParam<SequenceCase> {};

TEST_P(PeptideSequence, ComposesCountsAndReports) {
    const auto c = GetParam();
    int residues = -1;
    Composition fftlist{};
    const std::string printed = stdout_of([&] { fftlist = composition_of(c.sequence, &residues); });
    EXPECT_EQ(residues, c.residues);
    EXPECT_EQ(fftlist, c.composition);
    EXPECT_EQ(printed, c.message);
    EXPECT_EQ(pep_seq_to_aacount(c.sequence), c.residues);
}

constexpr Composition kGag = {7, 13, 3, 4, 0};
constexpr Composition kGg = {4, 8, 2, 3, 0};

INSTANTIATE_TEST_SUITE_P(
    Grammar, PeptideSequence,
    testing::Values(
        SequenceCase{"", 0, {0, 2, 0, 1, 0}, ""}, SequenceCase{"GAG", 3, kGag, ""},
        SequenceCase{"ACK", 3, {12, 24, 4, 4, 1}, ""},
        SequenceCase{"[C2H2O]GAG", 3, {9, 15, 3, 5, 0}, ""},
        SequenceCase{"GA[C2H2O]G", 3, {9, 15, 3, 5, 0}, ""},
        SequenceCase{"GAG[C0]", 3, {8, 13, 3, 4, 0}, ""},
        SequenceCase{"GAG[C10]", 3, {17, 13, 3, 4, 0}, ""},
        SequenceCase{"GAG[CH3CH2]", 3, {9, 18, 3, 4, 0}, ""}, SequenceCase{"GAG[Cl2]", 3, kGag, ""},
        SequenceCase{"GAG[P]", 3, kGag, ""}, SequenceCase{"GAG[HCl]", 3, {7, 14, 3, 4, 0}, ""},
        SequenceCase{
            "GAG[H2 O]", 3, {7, 15, 3, 4, 0}, "Error while parsing modification formula:H2 O\n"},
        SequenceCase{"GAG[2H]", 3, kGag, "Error while parsing modification formula:2H\n"},
        SequenceCase{"GAG[c2]", 3, kGag, "Error while parsing modification formula:c2\n"},
        SequenceCase{"GA[G", 2, {5, 10, 2, 3, 0}, ""}, SequenceCase{"GXG", 3, kGg, ""},
        SequenceCase{"GgG", 3, kGg, ""}, SequenceCase{"G G", 3, kGg, ""},
        SequenceCase{"A]A", 3, {6, 12, 2, 3, 0}, ""},
        SequenceCase{"[[C]", 0, {0, 2, 0, 1, 0}, "Error while parsing modification formula:[C\n"},
        // A failed formula stops only itself: later residues and formulas count.
        SequenceCase{
            "G[x]G[O]", 2, {4, 8, 2, 4, 0}, "Error while parsing modification formula:x\n"},
        // S, O and N columns; "O2S" is two terms.
        SequenceCase{"[N2O2S]", 0, {0, 2, 2, 3, 1}, ""},
        SequenceCase{"[S3]", 0, {0, 2, 0, 1, 3}, ""}));

TEST(PeptideFormula, OverlongFormulaIsRejectedWholeWithItsFullText) {
    const std::string ninety_nine = "H" + std::string(97, '0') + "2"; // H2, 99 characters
    ASSERT_EQ(ninety_nine.size(), 99u);
    Composition fftlist{};
    EXPECT_EQ(stdout_of([&] { fftlist = composition_of("G[" + ninety_nine + "]"); }), "");
    EXPECT_EQ(fftlist, (Composition{2, 7, 1, 2, 0}));

    const std::string hundred = "O" + ninety_nine; // O then H2: would add O1 H2
    const std::string printed = stdout_of([&] { fftlist = composition_of("G[" + hundred + "]G"); });
    EXPECT_EQ(printed, "Error while parsing modification formula:" + hundred + "\n");
    EXPECT_EQ(fftlist, kGg) << "no part of an overlong formula may be applied";
}

TEST(PeptideFormula, VeryLongFormulaNeverOverrunsAndIsReported) {
    const std::string huge(5000, 'C');
    Composition fftlist{};
    const std::string printed = stdout_of([&] { fftlist = composition_of("G[" + huge + "]"); });
    EXPECT_EQ(printed, "Error while parsing modification formula:" + huge + "\n");
    EXPECT_EQ(fftlist, (Composition{2, 5, 1, 2, 0}));
}

TEST(PeptideFormula, CountBeyondIntIsAParseFailure) {
    Composition fftlist{};
    std::string printed = stdout_of([&] { fftlist = composition_of("G[H2C2147483648]"); });
    EXPECT_EQ(printed, "Error while parsing modification formula:H2C2147483648\n");
    EXPECT_EQ(fftlist, (Composition{2, 7, 1, 2, 0})) << "the H2 before the bad term stays";

    printed = stdout_of([&] { fftlist = composition_of("[C2147483647]"); });
    EXPECT_EQ(printed, "");
    EXPECT_EQ(fftlist[0], 2147483647);
}

TEST(PeptideFormula, SumBeyondIntIsAParseFailure) {
    Composition fftlist{};
    const std::string printed = stdout_of([&] { fftlist = composition_of("[C2147483647C1]"); });
    EXPECT_EQ(printed, "Error while parsing modification formula:C2147483647C1\n");
    EXPECT_EQ(fftlist[0], 2147483647);
}

TEST(PeptideFormula, AddModAddsToTheCallersList) {
    Composition fftlist{1, 1, 1, 1, 1};
    EXPECT_EQ(stdout_of([&] { add_mod_to_fftlist("CH3CH2", fftlist.data()); }), "");
    EXPECT_EQ(fftlist, (Composition{3, 6, 1, 1, 1}));
    EXPECT_EQ(stdout_of([&] { add_mod_to_fftlist("NO-", fftlist.data()); }),
              "Error while parsing modification formula:NO-\n");
    EXPECT_EQ(fftlist, (Composition{3, 6, 2, 2, 1}));
    add_mod_to_fftlist("", fftlist.data());
    EXPECT_EQ(fftlist, (Composition{3, 6, 2, 2, 1}));
}

TEST(PeptideFormula, AddModHasNoLengthLimitOfItsOwn) {
    Composition fftlist{};
    const std::string long_formula = std::string(150, 'H');
    EXPECT_EQ(stdout_of([&] { add_mod_to_fftlist(long_formula.c_str(), fftlist.data()); }), "");
    EXPECT_EQ(fftlist[1], 150);
}

TEST(PeptideResidues, IndexFollowsTheResidueOrder) {
    const char *order = "ACDEFGHIKLMNPQRSTVWY";
    for (int i = 0; i < 20; ++i) EXPECT_EQ(aa_to_index(order[i]), i) << order[i];
    for (char c : std::string("BJOUXZa[]- 0")) EXPECT_EQ(aa_to_index(c), -1) << c;
}

TEST(PeptideResidues, CountVectorAddsResidueLettersOutsideBrackets) {
    std::array<float, 20> counts{};
    counts[3] = 5.0f; // not cleared first
    EXPECT_EQ(pep_seq_to_nnvector("GAG[CH3]XgA]", counts.data()), 7);
    std::array<float, 20> expected{};
    expected[0] = 2.0f;
    expected[3] = 5.0f;
    expected[5] = 2.0f;
    EXPECT_EQ(counts, expected);
}

INSTANTIATE_TEST_SUITE_P(Averagine, AveragingUnits,
                         testing::ValuesIn(family_checks::unit_cases(
                             pep_mass_to_fftlist,
                             {{1000, {44, 70, 12, 13, 0}},
                              {2000, {89, 140, 24, 27, 1}},
                              {55, {0, 0, 0, 0, 0}},
                              {56, {5, 8, 1, 1, 0}},
                              {-1000, {-44, -70, -12, -13, 0}},
                              // Out of the int range or not finite: the composition is cleared.
                              {kNaN, {0, 0, 0, 0, 0}},
                              {kInf, {0, 0, 0, 0, 0}},
                              {-kInf, {0, 0, 0, 0, 0}},
                              {3e11f, {0, 0, 0, 0, 0}},
                              {1e38f, {0, 0, 0, 0, 0}}})));

TEST(Averagine, LargestMassesThatFitKeepTheirCounts) {
    // 2.5e10 Da is 2.25e8 units: H = 1.75e9 still fits in an int.
    Composition fftlist{};
    pep_mass_to_fftlist(2.5e10f, fftlist.data());
    EXPECT_GT(fftlist[1], 1700000000);
    // 3e10 Da makes H about 2.09e9 (fits), 3.1e10 Da about 2.16e9 (does not).
    pep_mass_to_fftlist(3.1e10f, fftlist.data());
    EXPECT_EQ(fftlist, (Composition{0, 0, 0, 0, 0}));
}

TEST(Averagine, ReadsTheWritableUnitTables) {
    const double saved_mass = massavgine;
    massavgine = 100.0;
    Composition fftlist{};
    pep_mass_to_fftlist(1000, fftlist.data());
    massavgine = saved_mass;
    EXPECT_EQ(fftlist, (Composition{49, 78, 14, 15, 0})); // 10 units
}

INSTANTIATE_TEST_SUITE_P(NetworkMass, IsolenRule,
                         testing::ValuesIn(family_checks::rule_cases(
                             nn_pep_mass_to_isolen, {{-5, 8},
                                                     {0, 8},
                                                     {1199.9f, 8},
                                                     {std::nextafter(1200.0f, 0.0f), 8},
                                                     {1200, 32},
                                                     {std::nextafter(11000.0f, 0.0f), 32},
                                                     {11000, 64},
                                                     {std::nextafter(55000.0f, 0.0f), 64},
                                                     {55000, 128},
                                                     {119999, 128},
                                                     {std::nextafter(120000.0f, 0.0f), 128},
                                                     {120000, -1},
                                                     {kInf, -1},
                                                     {kNaN, -1}})));

INSTANTIATE_TEST_SUITE_P(FftMass, IsolenRule,
                         testing::ValuesIn(family_checks::rule_cases(
                             fft_pep_mass_to_isolen, {{-1, 64},
                                                      {49999, 64},
                                                      {std::nextafter(50000.0f, 0.0f), 64},
                                                      {50000, 128},
                                                      {119999, 128},
                                                      {120000, 1024},
                                                      {kNaN, 1024}})));

TEST(SequenceRule, StandaloneBounds) {
    EXPECT_EQ(get_pep_isolen_from_seq(""), 16);
    EXPECT_EQ(get_pep_isolen_from_seq("[C2H2O]"), 16);
    EXPECT_EQ(get_pep_isolen_from_seq(std::string(49, 'G').c_str()), 16);
    EXPECT_EQ(get_pep_isolen_from_seq(std::string(50, 'G').c_str()), 64);
    EXPECT_EQ(get_pep_isolen_from_seq(std::string(299, 'G').c_str()), 64);
    EXPECT_EQ(get_pep_isolen_from_seq(std::string(300, 'G').c_str()), 128);
    EXPECT_EQ(get_pep_isolen_from_seq((std::string(49, 'G') + "[C]x").c_str()), 64);
}

} // namespace
