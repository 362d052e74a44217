// RNA distributions through the embedded networks and a caller's weight
// file: network choice at the bounds, message order, placement and
// agreement with an independent run of the same weights.
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <limits>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "corvan.h"
#include "family_checks.hpp"
#include "nn/catalogue.hpp"
#include "test_support.hpp"

namespace {

using corvan::nn::Network;
using namespace family_checks;
using test_support::run_directly;

std::vector<float> nucleotide_features(const std::string &sequence) {
    std::vector<float> counts(4, 0.0f);
    testing::internal::CaptureStdout();
    rna_seq_to_vector(sequence.c_str(), counts.data());
    testing::internal::GetCapturedStdout();
    return counts;
}

INSTANTIATE_TEST_SUITE_P(
    RnaSequenceBounds, ChosenNetwork,
    testing::ValuesIn(family_checks::network_choices<std::size_t>(
        [](std::size_t bytes) {
            return family_checks::sequence_member(nn_rna_seq_to_dist, repeat("GAUCC", bytes));
        },
        [](std::size_t bytes) { return nucleotide_features(repeat("GAUCC", bytes)); },
        {{1, Network::rnaseq64},
         {200, Network::rnaseq64},
         {201, Network::rnaseq128},
         {500, Network::rnaseq128}})));

INSTANTIATE_TEST_SUITE_P(RnaMassBounds, ChosenNetwork,
                         testing::ValuesIn(family_checks::mass_network_choices(
                             nn_rna_mass_to_dist, {{-5, Network::rnaveragine32},
                                                   {0, Network::rnaveragine32},
                                                   {23999.998f, Network::rnaveragine32},
                                                   {24000, Network::rnaveragine64},
                                                   {65000, Network::rnaveragine128},
                                                   {164999, Network::rnaveragine128}})));

const std::string kTooLong = repeat("AC", 498) + "xyz"; // 501 bytes, three invalid

INSTANTIATE_TEST_SUITE_P(
    Network, MemberFailure,
    testing::ValuesIn(family_checks::joined(
        {Failure{"mass_165000",
                 [](float *o, int n, int k) { return nn_rna_mass_to_dist(o, n, k, 165000); },
                 "Error: Mass outside of allowed NN mass range: 165000.000000\n"},
         Failure{
             "seq_501",
             [](float *o, int n, int k) { return nn_rna_seq_to_dist(kTooLong.c_str(), o, n, k); },
             "Unexpected nucleotide in sequence: x\nUnexpected nucleotide in sequence: y\n"
             "Unexpected nucleotide in sequence: z\n"
             "Error: Sequence length outside of allowed NN range: 501\n"},
         Failure{"seq_null",
                 [](float *o, int n, int k) { return nn_rna_seq_to_dist(nullptr, o, n, k); }, ""},
         Failure{"seq_empty",
                 [](float *o, int n, int k) { return nn_rna_seq_to_dist("", o, n, k); }, ""},
         Failure{"custom_mass_null_path",
                 [](float *o, int n, int k) {
                     return nn_rna_mass_to_dist_custom(o, n, k, nullptr, 900);
                 },
                 ""}},
        {family_checks::custom_failures(family_checks::rna_calls(), "ACGU", "/no/such")})),
    family_checks::failure_name);

TEST(RnaNetwork, WindowPlacementWithOffset) {
    std::vector<float> out(100, 7.0f);
    const float peak = nn_rna_seq_to_dist("ACGUACGU", out.data(), 100, 10);
    float direct_peak = 0;
    const auto direct =
        run_directly(Network::rnaseq64, nucleotide_features("ACGUACGU"), 64, &direct_peak);
    for (int i = 0; i < 10; ++i) EXPECT_EQ(out[i], 0.0f);
    for (int i = 64; i < 100; ++i) EXPECT_EQ(out[i], 0.0f) << "window ends at 64 outputs";
    const float top = *std::max_element(direct.begin(), direct.begin() + 54) * direct_peak;
    EXPECT_EQ(peak, top);
    for (int i = 10; i < 64; ++i) EXPECT_FLOAT_EQ(out[i], direct[i - 10] * direct_peak / top);
}

using WeightFile = test_support::TextFile;

TEST(RnaCustomNetwork, MassFileMatchesTheEmbeddedNetwork) {
    const WeightFile file(
        blob_text(corvan_rnaveragine_model32_bin, corvan_rnaveragine_model32_bin_len));
    for (float mass : {100.0f, 5000.0f, 23999.0f}) {
        std::vector<float> embedded(32), custom(32, 7.0f);
        const float embedded_peak = nn_rna_mass_to_dist(embedded.data(), 32, 0, mass);
        EXPECT_EQ(nn_rna_mass_to_dist_custom(custom.data(), 32, 0, file.path(), mass),
                  embedded_peak);
        EXPECT_EQ(custom, embedded);
    }
}

TEST(RnaCustomNetwork, SequenceFileTakesAnyLength) {
    const auto net = corvan::nn::info(Network::rnaseq64);
    const WeightFile file(blob_text(net.blob, 34560));
    const std::string long_sequence = repeat("ACGU", 2000);
    std::vector<float> out(64, 7.0f);
    EXPECT_GT(nn_rna_seq_to_dist_custom(long_sequence.c_str(), out.data(), 64, 0, file.path()),
              0.0f);
    EXPECT_EQ(*std::max_element(out.begin(), out.end()), 1.0f);
    std::vector<float> embedded(64);
    const float peak = nn_rna_seq_to_dist("ACGUU", embedded.data(), 64, 0);
    EXPECT_EQ(nn_rna_seq_to_dist_custom("ACGUU", out.data(), 64, 0, file.path()), peak);
    EXPECT_EQ(out, embedded);
}

} // namespace
