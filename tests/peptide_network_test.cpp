// Peptide distributions through the embedded networks and through a
// caller's weight file: network choice at every bound, messages, placement
// and agreement with an independent run of the same weights.
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <limits>
#include <string>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "corvan.h"
#include "family_checks.hpp"
#include "nn/catalogue.hpp"
#include "test_support.hpp"

namespace {

using corvan::nn::Network;
using namespace family_checks;
using test_support::all_zero;
using test_support::stdout_of;

std::vector<float> residue_features(const std::string &sequence) {
    std::vector<float> counts(20, 0.0f);
    pep_seq_to_nnvector(sequence.c_str(), counts.data());
    return counts;
}

INSTANTIATE_TEST_SUITE_P(PeptideSequenceBounds, ChosenNetwork,
                         testing::ValuesIn(family_checks::network_choices<std::string>(
                             [](const std::string &sequence) {
                                 return family_checks::sequence_member(nn_pep_seq_to_dist,
                                                                       sequence);
                             },
                             residue_features,
                             {{"", Network::pep128},
                              {"[C2H2O]", Network::pep128},
                              {"G", Network::pep16},
                              {std::string(50, 'A'), Network::pep16},
                              {std::string(49, 'A') + "X", Network::pep16},
                              {std::string(51, 'K'), Network::pep64},
                              {std::string(300, 'W'), Network::pep64},
                              {std::string(301, 'W'), Network::pep128},
                              {std::string(1000, 'S'), Network::pep128}})));

std::vector<float> network_pattern(const std::string &sequence) {
    std::vector<float> out(128, 0.0f);
    EXPECT_GT(nn_pep_seq_to_dist(sequence.c_str(), out.data(), 128, 0), 0.0f) << sequence;
    return out;
}

// The isotope pattern depends on the atoms only: from 51 residues on,
// compositions with the same atoms (I/L, GG/N, AG/Q, AV/GL, AS/GT) give one
// pattern up to float rounding (a network that tells residues apart differs
// by 1e-5 and more).  The 1..50 residue network still weighs residues on
// their own: its atoms-only version fit short peptides worse.
TEST(PeptideNetwork, CompositionsWithTheSameAtomsGiveOnePattern) {
    const std::pair<const char *, const char *> isomers[] = {
        {"I", "L"}, {"GG", "N"}, {"AG", "Q"}, {"AV", "GL"}, {"AS", "GT"}};
    for (size_t length : {60u, 290u, 320u, 990u}) {
        const std::string base = family_checks::repeat("SEQVENCKHRYPDFMTW", length);
        for (const auto &[first, second] : isomers) {
            const auto a = network_pattern(base + first);
            const auto b = network_pattern(base + second);
            for (size_t k = 0; k < a.size(); ++k)
                ASSERT_NEAR(a[k], b[k], 1e-6f)
                    << length << " residues, " << first << " / " << second << ", point " << k;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(PeptideMassBounds, ChosenNetwork,
                         testing::ValuesIn(family_checks::mass_network_choices(
                             nn_pep_mass_to_dist, {{-5, Network::averagine8},
                                                   {0, Network::averagine8},
                                                   {1199.9f, Network::averagine8},
                                                   {1200, Network::averagine32},
                                                   {11000, Network::averagine64},
                                                   {55000, Network::averagine128},
                                                   {119999, Network::averagine128}})));

const std::string kG1001(1001, 'G');

INSTANTIATE_TEST_SUITE_P(
    NetworkRangeAndResidues, MemberFailure,
    testing::ValuesIn(family_checks::joined(
        {Failure{"mass_120000",
                 [](float *o, int n, int k) { return nn_pep_mass_to_dist(o, n, k, 120000); },
                 "Error: Mass outside of allowed NN mass range: 120000.000000\n"},
         Failure{"mass_1e9",
                 [](float *o, int n, int k) { return nn_pep_mass_to_dist(o, n, k, 1e9f); },
                 "Error: Mass outside of allowed NN mass range: 1000000000.000000\n"},
         Failure{"mass_inf",
                 [](float *o, int n, int k) {
                     return nn_pep_mass_to_dist(o, n, k, std::numeric_limits<float>::infinity());
                 },
                 "Error: Mass outside of allowed NN mass range: inf\n"},
         Failure{"seq_1001",
                 [](float *o, int n, int k) { return nn_pep_seq_to_dist(kG1001.c_str(), o, n, k); },
                 "Sequence contains too many amino acids (>1000)."},
         Failure{"seq_null",
                 [](float *o, int n, int k) { return nn_pep_seq_to_dist(nullptr, o, n, k); }, ""},
         Failure{
             "custom_mass_empty_path",
             [](float *o, int n, int k) { return nn_pep_mass_to_dist_custom(o, n, k, "", 900); },
             ""}},
        {family_checks::custom_failures(family_checks::peptide_calls(), "GAG", "/no/such/file")})),
    family_checks::failure_name);

TEST(PeptideNetwork, NanMassHasNoNetwork) {
    std::vector<float> out(64, 7.0f);
    float result = 0;
    const std::string printed = stdout_of([&] {
        result = nn_pep_mass_to_dist(out.data(), 64, 0, std::numeric_limits<float>::quiet_NaN());
    });
    EXPECT_EQ(result, -1.0f);
    EXPECT_TRUE(all_zero(out));
    EXPECT_EQ(printed.rfind("Error: Mass outside of allowed NN mass range: ", 0), 0u) << printed;
    EXPECT_NE(printed.find("nan"), std::string::npos) << printed;
}

TEST(PeptideNetwork, ShortPeptideFillsSixteenPointsOnly) {
    std::vector<float> out(64, 7.0f);
    EXPECT_GT(nn_pep_seq_to_dist("PEPTIDE", out.data(), 64, 0), 0.0f);
    for (int i = 0; i < 16; ++i) EXPECT_GT(out[i], 0.0f);
    for (int i = 16; i < 64; ++i) EXPECT_EQ(out[i], 0.0f);
    EXPECT_EQ(*std::max_element(out.begin(), out.end()), 1.0f);
}

TEST(PeptideNetwork, WindowPlacementWithOffset) {
    std::vector<float> at_zero(64), shifted(64);
    nn_pep_seq_to_dist("PEPTIDE", at_zero.data(), 64, 0);
    const float peak = nn_pep_seq_to_dist("PEPTIDE", shifted.data(), 64, 10);
    for (int i = 0; i < 10; ++i) EXPECT_EQ(shifted[i], 0.0f);
    for (int i = 16; i < 64; ++i) EXPECT_EQ(shifted[i], 0.0f) << "window ends at 16 outputs";
    EXPECT_GT(shifted[15], 0.0f);
    EXPECT_EQ(*std::max_element(shifted.begin(), shifted.end()), 1.0f);
    EXPECT_GT(peak, 0.0f);
}

TEST(PeptideNetwork, OffsetBeyondTheOutputsGivesPeakZero) {
    std::vector<float> out(64, 7.0f);
    EXPECT_EQ(nn_pep_seq_to_dist("PEPTIDE", out.data(), 64, 20), 0.0f);
    EXPECT_TRUE(all_zero(out));
}

using WeightFile = test_support::TextFile;

TEST(PeptideCustomNetwork, SequenceFileMatchesTheEmbeddedNetwork) {
    const WeightFile file(blob_text(corvanpep_model_64_bin, corvanpep_model_64_bin_len));
    for (int residues : {51, 120, 300}) {
        const std::string sequence(residues, 'L');
        std::vector<float> embedded(64), custom(64, 7.0f);
        const float embedded_peak = nn_pep_seq_to_dist(sequence.c_str(), embedded.data(), 64, 0);
        EXPECT_EQ(nn_pep_seq_to_dist_custom(sequence.c_str(), custom.data(), 64, 0, file.path()),
                  embedded_peak);
        EXPECT_EQ(custom, embedded);
    }
}

TEST(PeptideCustomNetwork, MassFileMatchesTheEmbeddedNetwork) {
    const auto net = corvan::nn::info(Network::averagine8);
    const WeightFile file(blob_text(net.blob, 768));
    std::vector<float> embedded(8), custom(8, 7.0f);
    const float embedded_peak = nn_pep_mass_to_dist(embedded.data(), 8, 0, 900);
    EXPECT_EQ(nn_pep_mass_to_dist_custom(custom.data(), 8, 0, file.path(), 900), embedded_peak);
    EXPECT_EQ(custom, embedded);
    // No range check: the file's network runs on any mass.
    EXPECT_GT(nn_pep_mass_to_dist_custom(custom.data(), 8, 0, file.path(), 5e6f), 0.0f);
}

TEST(PeptideCustomNetwork, FullLengthPlacementDropsTheLastOffsetOutputs) {
    const auto net = corvan::nn::info(Network::averagine8);
    const WeightFile file(blob_text(net.blob, 768));
    std::vector<float> whole(8), shifted(8);
    nn_pep_mass_to_dist_custom(whole.data(), 8, 0, file.path(), 900);
    nn_pep_mass_to_dist_custom(shifted.data(), 8, 3, file.path(), 900);
    for (int i = 0; i < 3; ++i) EXPECT_EQ(shifted[i], 0.0f);
    const float top = *std::max_element(whole.begin(), whole.begin() + 5);
    for (int j = 0; j < 5; ++j) EXPECT_FLOAT_EQ(shifted[3 + j], whole[j] / top);
}

TEST(PeptideCustomNetwork, WrongSizedFileFails) {
    const WeightFile file(blob_text(corvanpep_model_64_bin, corvanpep_model_64_bin_len));
    std::vector<float> out(32, 7.0f);
    EXPECT_EQ(nn_pep_seq_to_dist_custom("GAG", out.data(), 32, 0, file.path()), -1.0f);
    EXPECT_TRUE(all_zero(out));
}

} // namespace
