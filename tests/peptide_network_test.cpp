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
#include "nn/catalogue.hpp"
#include "test_support.hpp"

namespace {

using corvan::nn::Network;
using test_support::all_zero;
using test_support::run_directly;
using test_support::stdout_of;

std::vector<float> residue_features(const std::string &sequence) {
    std::vector<float> counts(20, 0.0f);
    pep_seq_to_nnvector(sequence.c_str(), counts.data());
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

struct SequenceChoice {
    std::string sequence;
    Network network;
};

class PeptideSequenceNetwork : public testing::TestWithParam<SequenceChoice> {};

TEST_P(PeptideSequenceNetwork, IsChosenByResidueCount) {
    const auto c = GetParam();
    std::vector<float> out(200, 7.0f);
    const float peak = nn_pep_seq_to_dist(c.sequence.c_str(), out.data(), 200, 0);
    float expected_peak = 0;
    const auto expected =
        run_directly(c.network, residue_features(c.sequence), 200, &expected_peak);
    EXPECT_EQ(peak, expected_peak);
    EXPECT_EQ(out, expected);
    EXPECT_EQ(placed_points(out), corvan::nn::info(c.network).outputs);
}

INSTANTIATE_TEST_SUITE_P(Bounds, PeptideSequenceNetwork,
                         testing::Values(SequenceChoice{"", Network::pep128},
                                         SequenceChoice{"[C2H2O]", Network::pep128},
                                         SequenceChoice{"G", Network::pep16},
                                         SequenceChoice{std::string(50, 'A'), Network::pep16},
                                         SequenceChoice{std::string(49, 'A') + "X", Network::pep16},
                                         SequenceChoice{std::string(51, 'K'), Network::pep64},
                                         SequenceChoice{std::string(300, 'W'), Network::pep64},
                                         SequenceChoice{std::string(301, 'W'), Network::pep128},
                                         SequenceChoice{std::string(1000, 'S'), Network::pep128}));

std::string repeated(const std::string &motif, size_t length) {
    std::string s;
    while (s.size() < length) s += motif;
    s.resize(length);
    return s;
}

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
        const std::string base = repeated("SEQVENCKHRYPDFMTW", length);
        for (const auto &[first, second] : isomers) {
            const auto a = network_pattern(base + first);
            const auto b = network_pattern(base + second);
            for (size_t k = 0; k < a.size(); ++k)
                ASSERT_NEAR(a[k], b[k], 1e-6f)
                    << length << " residues, " << first << " / " << second << ", point " << k;
        }
    }
}

struct MassChoice {
    float mass;
    Network network;
};

class PeptideMassNetwork : public testing::TestWithParam<MassChoice> {};

TEST_P(PeptideMassNetwork, IsChosenByMass) {
    const auto c = GetParam();
    std::vector<float> out(200, 7.0f);
    const float peak = nn_pep_mass_to_dist(out.data(), 200, 0, c.mass);
    float expected_peak = 0;
    const auto expected = run_directly(c.network, mass_features(c.mass), 200, &expected_peak);
    EXPECT_EQ(peak, expected_peak);
    EXPECT_EQ(out, expected);
    EXPECT_EQ(placed_points(out), corvan::nn::info(c.network).outputs);
}

INSTANTIATE_TEST_SUITE_P(Bounds, PeptideMassNetwork,
                         testing::Values(MassChoice{-5, Network::averagine8},
                                         MassChoice{0, Network::averagine8},
                                         MassChoice{1199.9f, Network::averagine8},
                                         MassChoice{1200, Network::averagine32},
                                         MassChoice{11000, Network::averagine64},
                                         MassChoice{55000, Network::averagine128},
                                         MassChoice{119999, Network::averagine128}));

TEST(PeptideNetwork, RangeAndResidueFailures) {
    struct Case {
        std::function<float(float *)> call;
        std::string message;
    };
    const std::string too_long(1001, 'G');
    const Case cases[] = {
        {[](float *o) { return nn_pep_mass_to_dist(o, 64, 0, 120000); },
         "Error: Mass outside of allowed NN mass range: 120000.000000\n"},
        {[](float *o) { return nn_pep_mass_to_dist(o, 64, 0, 1e9f); },
         "Error: Mass outside of allowed NN mass range: 1000000000.000000\n"},
        {[](float *o) {
             return nn_pep_mass_to_dist(o, 64, 0, std::numeric_limits<float>::infinity());
         },
         "Error: Mass outside of allowed NN mass range: inf\n"},
        {[&](float *o) { return nn_pep_seq_to_dist(too_long.c_str(), o, 64, 0); },
         "Sequence contains too many amino acids (>1000)."},
        {[](float *o) { return nn_pep_seq_to_dist(nullptr, o, 64, 0); }, ""},
        {[](float *o) { return nn_pep_seq_to_dist_custom(nullptr, o, 64, 0, "/x"); }, ""},
        {[](float *o) { return nn_pep_seq_to_dist_custom("", o, 64, 0, "/x"); }, ""},
        {[](float *o) { return nn_pep_seq_to_dist_custom("GAG", o, 64, 0, "/no/such/file"); }, ""},
        {[](float *o) { return nn_pep_mass_to_dist_custom(o, 64, 0, "/no/such/file", 900); }, ""},
        {[](float *o) { return nn_pep_mass_to_dist_custom(o, 64, 0, "", 900); }, ""},
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

class WeightFile {
  public:
    WeightFile(const unsigned char *blob, std::size_t bytes) {
        char name[] = "/tmp/corvan_pep_weightsXXXXXX";
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

TEST(PeptideCustomNetwork, SequenceFileMatchesTheEmbeddedNetwork) {
    const WeightFile file(corvanpep_model_64_bin, corvanpep_model_64_bin_len);
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
    const WeightFile file(net.blob, 768);
    std::vector<float> embedded(8), custom(8, 7.0f);
    const float embedded_peak = nn_pep_mass_to_dist(embedded.data(), 8, 0, 900);
    EXPECT_EQ(nn_pep_mass_to_dist_custom(custom.data(), 8, 0, file.path(), 900), embedded_peak);
    EXPECT_EQ(custom, embedded);
    // No range check: the file's network runs on any mass.
    EXPECT_GT(nn_pep_mass_to_dist_custom(custom.data(), 8, 0, file.path(), 5e6f), 0.0f);
}

TEST(PeptideCustomNetwork, FullLengthPlacementDropsTheLastOffsetOutputs) {
    const auto net = corvan::nn::info(Network::averagine8);
    const WeightFile file(net.blob, 768);
    std::vector<float> whole(8), shifted(8);
    nn_pep_mass_to_dist_custom(whole.data(), 8, 0, file.path(), 900);
    nn_pep_mass_to_dist_custom(shifted.data(), 8, 3, file.path(), 900);
    for (int i = 0; i < 3; ++i) EXPECT_EQ(shifted[i], 0.0f);
    const float top = *std::max_element(whole.begin(), whole.begin() + 5);
    for (int j = 0; j < 5; ++j) EXPECT_FLOAT_EQ(shifted[3 + j], whole[j] / top);
}

TEST(PeptideCustomNetwork, WrongSizedFileFails) {
    const WeightFile file(corvanpep_model_64_bin, corvanpep_model_64_bin_len);
    std::vector<float> out(32, 7.0f);
    EXPECT_EQ(nn_pep_seq_to_dist_custom("GAG", out.data(), 32, 0, file.path()), -1.0f);
    EXPECT_TRUE(all_zero(out));
}

} // namespace
