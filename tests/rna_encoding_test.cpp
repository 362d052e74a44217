// RNA notation: nucleotide indices, the two sequence encodings with their
// invalid-byte messages, the rnaveragine composition and the length rules.
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

TEST(RnaNucleotides, IndexOfTheFourUpperCaseLetters) {
    EXPECT_EQ(nt_to_index('A'), 0);
    EXPECT_EQ(nt_to_index('C'), 1);
    EXPECT_EQ(nt_to_index('G'), 2);
    EXPECT_EQ(nt_to_index('U'), 3);
    for (int c : {int('a'), int('T'), int('u'), int('N'), int(' '), 0, 0x141, -65})
        EXPECT_EQ(nt_to_index(c), -1) << c;
}

struct SequenceCase {
    const char *sequence;
    int length;
    Composition composition;
    std::array<float, 4> counts;
    const char *invalid; // the invalid bytes, in order
};

class RnaSequence : public testing::TestWithParam<SequenceCase> {};

std::string lines(const std::string &prefix, const std::string &bytes) {
    std::string text;
    for (char c : bytes) text += prefix + c + "\n";
    return text;
}

TEST_P(RnaSequence, EncodesAndReportsEachInvalidByte) {
    const auto c = GetParam();
    Composition fftlist{9, 9, 9, 9, 9};
    int result = -2;
    std::string printed =
        stdout_of([&] { result = rna_seq_to_fftlist(c.sequence, fftlist.data()); });
    EXPECT_EQ(result, c.length);
    EXPECT_EQ(fftlist, c.composition);
    EXPECT_EQ(printed, lines("Unexpected nucleotide in sequence:", c.invalid));

    std::array<float, 4> counts{1, 0, 0, 0}; // added to, not cleared
    printed = stdout_of([&] { result = rna_seq_to_vector(c.sequence, counts.data()); });
    EXPECT_EQ(result, c.length);
    std::array<float, 4> expected = c.counts;
    expected[0] += 1;
    EXPECT_EQ(counts, expected);
    EXPECT_EQ(printed, lines("Unexpected nucleotide in sequence: ", c.invalid));
}

INSTANTIATE_TEST_SUITE_P(
    Grammar, RnaSequence,
    testing::Values(SequenceCase{"", 0, {0, 0, 0, 0, 0}, {0, 0, 0, 0}, ""},
                    SequenceCase{"ACGU", 4, {38, 43, 15, 28, 0}, {1, 1, 1, 1}, ""},
                    SequenceCase{"ACGT", 4, {29, 33, 13, 20, 0}, {1, 1, 1, 0}, "T"},
                    SequenceCase{"acgu", 4, {0, 0, 0, 0, 0}, {0, 0, 0, 0}, "acgu"},
                    SequenceCase{"AA-U", 4, {29, 32, 12, 20, 0}, {2, 0, 0, 1}, "-"},
                    SequenceCase{"GGGG", 4, {40, 44, 20, 28, 0}, {0, 0, 4, 0}, ""}));

TEST(RnaSequence, NullArgumentsLeaveTheListUntouched) {
    Composition fftlist{9, 9, 9, 9, 9};
    EXPECT_EQ(rna_seq_to_fftlist(nullptr, fftlist.data()), -1);
    EXPECT_EQ(fftlist, (Composition{9, 9, 9, 9, 9}));
    EXPECT_EQ(rna_seq_to_fftlist("ACGU", nullptr), -1);
}

INSTANTIATE_TEST_SUITE_P(Rnaveragine, AveragingUnits,
                         testing::ValuesIn(family_checks::unit_cases(
                             rna_mass_to_list, {{10000, {299, 339, 118, 217, 0}},
                                                {5000, {151, 171, 60, 107, 0}},
                                                {0, {3, 3, 1, -2, 0}},
                                                {-1000, {-27, -30, -11, -24, 0}},
                                                // Not finite or beyond the int range: cleared.
                                                {kNaN, {0, 0, 0, 0, 0}},
                                                {kInf, {0, 0, 0, 0, 0}},
                                                {-kInf, {0, 0, 0, 0, 0}},
                                                {1e11f, {0, 0, 0, 0, 0}},
                                                {-1e11f, {0, 0, 0, 0, 0}}})));

TEST(Rnaveragine, UnitCountPassesThroughSinglePrecision) {
    // u = 31.521896... at 10000 Da; 9.5 u = 299.458 is safely away from a
    // rounding edge, so look at the oxygen count near its edge instead: the
    // float unit count decides it.
    const double u = static_cast<float>((10000.0 + 95.9534) / 320.2838134765625);
    EXPECT_NEAR(u, 31.521896, 1e-6);
    Composition fftlist{};
    rna_mass_to_list(10000, fftlist.data());
    EXPECT_EQ(fftlist[3], static_cast<int>(std::round(7 * u)) - 4);
}

TEST(Rnaveragine, LargestMassesThatFit) {
    Composition fftlist{};
    rna_mass_to_list(6e10f, fftlist.data()); // H about 2.01e9: fits
    EXPECT_GT(fftlist[1], 2000000000);
    rna_mass_to_list(6.5e10f, fftlist.data()); // H about 2.18e9: does not
    EXPECT_EQ(fftlist, (Composition{0, 0, 0, 0, 0}));
}

INSTANTIATE_TEST_SUITE_P(RnaFftMass, IsolenRule,
                         testing::ValuesIn(family_checks::rule_cases(
                             fft_rna_mass_to_isolen, {{-10, 64},
                                                      {std::nextafter(65000.0f, 0.0f), 64},
                                                      {65000, 128},
                                                      {std::nextafter(165000.0f, 0.0f), 128},
                                                      {165000, 1024},
                                                      {kInf, 1024},
                                                      {kNaN, 1024}})));

INSTANTIATE_TEST_SUITE_P(RnaNetworkMass, IsolenRule,
                         testing::ValuesIn(family_checks::rule_cases(
                             nn_rna_mass_to_isolen, {{-1e6f, 32},
                                                     {23999.998f, 32},
                                                     {24000, 64},
                                                     {std::nextafter(65000.0f, 0.0f), 64},
                                                     {65000, 128},
                                                     {164999.98f, 128},
                                                     {165000, -1},
                                                     {kNaN, -1}})));

TEST(RnaLengthRule, Bounds) {
    EXPECT_EQ(fft_rna_len_to_isolen(-5), 64);
    EXPECT_EQ(fft_rna_len_to_isolen(0), 64);
    EXPECT_EQ(fft_rna_len_to_isolen(199), 64);
    EXPECT_EQ(fft_rna_len_to_isolen(200), 128);
    EXPECT_EQ(fft_rna_len_to_isolen(500), 128);
    EXPECT_EQ(fft_rna_len_to_isolen(501), 1024);
    EXPECT_EQ(fft_rna_len_to_isolen(2147483647), 1024);
}

} // namespace
