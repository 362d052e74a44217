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
#include "nn/catalogue.hpp"
#include "test_support.hpp"

namespace {

using corvan::nn::Network;
using test_support::all_zero;
using test_support::run_directly;
using test_support::stdout_of;

std::vector<float> nucleotide_features(const std::string &sequence) {
    std::vector<float> counts(4, 0.0f);
    testing::internal::CaptureStdout();
    rna_seq_to_vector(sequence.c_str(), counts.data());
    testing::internal::GetCapturedStdout();
    return counts;
}

std::vector<float> mass_features(float mass) {
    std::vector<float> features(5);
    mass_to_vector(mass, features.data());
    return features;
}

int placed_points(const std::vector<float> &out) {
    return static_cast<int>(std::count_if(out.begin(), out.end(), [](float v) { return v > 0; }));
}

std::string repeat(const std::string &unit, int bytes) {
    std::string text;
    while (static_cast<int>(text.size()) < bytes) text += unit;
    text.resize(bytes);
    return text;
}

struct SequenceChoice {
    int bytes;
    Network network;
};

class RnaSequenceNetwork : public testing::TestWithParam<SequenceChoice> {};

TEST_P(RnaSequenceNetwork, IsChosenByLength) {
    const auto c = GetParam();
    const std::string sequence = repeat("GAUCC", c.bytes);
    std::vector<float> out(200, 7.0f);
    const float peak = nn_rna_seq_to_dist(sequence.c_str(), out.data(), 200, 0);
    float expected_peak = 0;
    const auto expected =
        run_directly(c.network, nucleotide_features(sequence), 200, &expected_peak);
    EXPECT_EQ(peak, expected_peak);
    EXPECT_EQ(out, expected);
    EXPECT_EQ(placed_points(out), corvan::nn::info(c.network).outputs);
}

INSTANTIATE_TEST_SUITE_P(Bounds, RnaSequenceNetwork,
                         testing::Values(SequenceChoice{1, Network::rnaseq64},
                                         SequenceChoice{200, Network::rnaseq64},
                                         SequenceChoice{201, Network::rnaseq128},
                                         SequenceChoice{500, Network::rnaseq128}));

struct MassChoice {
    float mass;
    Network network;
};

class RnaMassNetwork : public testing::TestWithParam<MassChoice> {};

TEST_P(RnaMassNetwork, IsChosenByMass) {
    const auto c = GetParam();
    std::vector<float> out(200, 7.0f);
    const float peak = nn_rna_mass_to_dist(out.data(), 200, 0, c.mass);
    float expected_peak = 0;
    const auto expected = run_directly(c.network, mass_features(c.mass), 200, &expected_peak);
    EXPECT_EQ(peak, expected_peak);
    EXPECT_EQ(out, expected);
    EXPECT_EQ(placed_points(out), corvan::nn::info(c.network).outputs);
}

INSTANTIATE_TEST_SUITE_P(Bounds, RnaMassNetwork,
                         testing::Values(MassChoice{-5, Network::rnaveragine32},
                                         MassChoice{0, Network::rnaveragine32},
                                         MassChoice{23999.998f, Network::rnaveragine32},
                                         MassChoice{24000, Network::rnaveragine64},
                                         MassChoice{65000, Network::rnaveragine128},
                                         MassChoice{164999, Network::rnaveragine128}));

TEST(RnaNetwork, Failures) {
    struct Case {
        std::function<float(float *)> call;
        std::string message;
    };
    const std::string too_long = repeat("AC", 498) + "xyz"; // 501 bytes, three invalid
    const Case cases[] = {
        {[](float *o) { return nn_rna_mass_to_dist(o, 64, 0, 165000); },
         "Error: Mass outside of allowed NN mass range: 165000.000000\n"},
        {[&](float *o) { return nn_rna_seq_to_dist(too_long.c_str(), o, 64, 0); },
         "Unexpected nucleotide in sequence: x\nUnexpected nucleotide in sequence: y\n"
         "Unexpected nucleotide in sequence: z\n"
         "Error: Sequence length outside of allowed NN range: 501\n"},
        {[](float *o) { return nn_rna_seq_to_dist(nullptr, o, 64, 0); }, ""},
        {[](float *o) { return nn_rna_seq_to_dist("", o, 64, 0); }, ""},
        {[](float *o) { return nn_rna_seq_to_dist_custom(nullptr, o, 64, 0, "/x"); }, ""},
        {[](float *o) { return nn_rna_seq_to_dist_custom("", o, 64, 0, "/x"); }, ""},
        {[](float *o) { return nn_rna_seq_to_dist_custom("ACGU", o, 64, 0, "/no/such"); }, ""},
        {[](float *o) { return nn_rna_mass_to_dist_custom(o, 64, 0, "/no/such", 900); }, ""},
        {[](float *o) { return nn_rna_mass_to_dist_custom(o, 64, 0, nullptr, 900); }, ""},
    };
    for (const Case &c : cases) {
        std::vector<float> out(64, 7.0f);
        float result = 0;
        const std::string printed = stdout_of([&] { result = c.call(out.data()); });
        EXPECT_EQ(result, -1.0f) << c.message;
        EXPECT_TRUE(all_zero(out)) << c.message;
        EXPECT_EQ(printed, c.message);
    }
}

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

class WeightFile {
  public:
    WeightFile(const unsigned char *blob, std::size_t bytes) {
        char name[] = "/tmp/corvan_rna_weightsXXXXXX";
        const int fd = mkstemp(name);
        path_ = name;
        EXPECT_EQ(write(fd, blob, bytes), static_cast<ssize_t>(bytes));
        close(fd);
    }
    ~WeightFile() { std::remove(path_.c_str()); }
    const char *path() const { return path_.c_str(); }

  private:
    std::string path_;
};

TEST(RnaCustomNetwork, MassFileMatchesTheEmbeddedNetwork) {
    const WeightFile file(corvan_rnaveragine_model32_bin, corvan_rnaveragine_model32_bin_len);
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
    const WeightFile file(net.blob, 34560);
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
