// The custom-model runner: argument checks, weight-file handling,
// placement and scaling, and agreement with the embedded networks.
#include <algorithm>
#include <cstring>
#include <functional>
#include <vector>

#include <gtest/gtest.h>

#include "corvan.h"
#include "nn/catalogue.hpp"
#include "nn_support.hpp"

using namespace nn_support;

namespace {

constexpr float untouched = 7.25f;

// A network of 5 inputs and 8 units per layer, stored as a 768-byte file.
class Runner : public ::testing::Test {
  protected:
    std::vector<float> outputs_of(const float *input) const {
        NetWeights w = LoadWeights(SetupWeights(5, 8), bytes_.data());
        std::vector<float> outputs(8);
        EXPECT_EQ(neural_net(input, outputs.data(), w), 0);
        FreeCorvanWeights(w);
        return outputs;
    }

    const std::vector<float> values_ = random_floats(192, 17, -2.0f, 2.0f);
    const std::vector<unsigned char> bytes_ = blob_bytes(values_);
    TempFile file_{"runner", bytes_};
    const float input_[5] = {0.01f, 0.1f, 0.5f, 1.0f, 1.0f};
    float out_[8] = {untouched, untouched, untouched, untouched,
                     untouched, untouched, untouched, untouched};

    void expect_out(float value) const {
        for (float v : out_) EXPECT_EQ(v, value);
    }
};

struct BadCall {
    const char *what;
    int input_len, n, offset;
    bool null_input, null_out, null_path, empty_path;
};

class RunnerRejects : public Runner, public ::testing::WithParamInterface<BadCall> {};

TEST_P(RunnerRejects, WithoutTouchingOut) {
    const BadCall c = GetParam();
    const char *path = c.null_path ? nullptr : c.empty_path ? "" : file_.path();
    float *out = c.null_out ? nullptr : out_;
    EXPECT_EQ(corvan_model_to_dist_from_file(c.null_input ? nullptr : input_, c.input_len, out, c.n,
                                             c.offset, path),
              -1.0f)
        << c.what;
    expect_out(untouched);
}

INSTANTIATE_TEST_SUITE_P(
    Arguments, RunnerRejects,
    ::testing::Values(BadCall{"negative offset", 5, 8, -1, false, false, false, false},
                      BadCall{"n zero", 5, 0, 0, false, false, false, false},
                      BadCall{"n negative", 5, -8, 0, false, false, false, false},
                      BadCall{"no inputs", 0, 8, 0, false, false, false, false},
                      BadCall{"negative inputs", -5, 8, 0, false, false, false, false},
                      BadCall{"null input", 5, 8, 0, true, false, false, false},
                      BadCall{"null out", 5, 8, 0, false, true, false, false},
                      BadCall{"offset n", 5, 8, 8, false, false, false, false},
                      BadCall{"offset beyond n", 5, 8, 100, false, false, false, false},
                      BadCall{"null path", 5, 8, 0, false, false, true, false},
                      BadCall{"empty path", 5, 8, 0, false, false, false, true},
                      BadCall{"several at once", 0, 8, 9, true, false, true, false}));

TEST_F(Runner, PlacesAllOutputsScaledToPeakOne) {
    const std::vector<float> outputs = outputs_of(input_);
    const float peak = *std::max_element(outputs.begin(), outputs.end());
    EXPECT_EQ(corvan_model_to_dist_from_file(input_, 5, out_, 8, 0, file_.path()), peak);
    for (int j = 0; j < 8; ++j) EXPECT_EQ(out_[j], outputs[j] / peak) << j;
    EXPECT_EQ(*std::max_element(out_, out_ + 8), 1.0f);
}

TEST_F(Runner, OffsetThreeDropsTheLastThreeOutputs) {
    const std::vector<float> outputs = outputs_of(input_);
    const float peak = *std::max_element(outputs.begin(), outputs.begin() + 5);
    EXPECT_EQ(corvan_model_to_dist_from_file(input_, 5, out_, 8, 3, file_.path()), peak);
    for (int i = 0; i < 3; ++i) EXPECT_EQ(out_[i], 0.0f) << i;
    for (int j = 0; j < 5; ++j) EXPECT_EQ(out_[3 + j], outputs[j] / peak) << j;
}

TEST_F(Runner, LastOffsetWritesOnePointOfOne) {
    const std::vector<float> outputs = outputs_of(input_);
    EXPECT_EQ(corvan_model_to_dist_from_file(input_, 5, out_, 8, 7, file_.path()), outputs[0]);
    for (int i = 0; i < 7; ++i) EXPECT_EQ(out_[i], 0.0f);
    EXPECT_EQ(out_[7], 1.0f);
}

TEST_F(Runner, WrongFileSizesFailWithOutZeroed) {
    for (int delta : {-1, +1, -768, +4}) {
        std::vector<unsigned char> bytes = bytes_;
        bytes.resize(bytes.size() + delta, 0);
        TempFile file("size", bytes);
        std::fill(out_, out_ + 8, untouched);
        EXPECT_EQ(corvan_model_to_dist_from_file(input_, 5, out_, 8, 0, file.path()), -1.0f)
            << bytes.size() << " bytes";
        expect_out(0.0f);
    }
}

// Finite weights whose sums overflow give NaN outputs; they must not be
// scaled and returned as a result.
TEST_F(Runner, OverflowingWeightsFailWithOutZeroed) {
    TempFile file("overflow", blob_bytes(std::vector<float>(192, 3e38f)));
    EXPECT_EQ(corvan_model_to_dist_from_file(input_, 5, out_, 8, 0, file.path()), -1.0f);
    expect_out(0.0f);
}

TEST_F(Runner, MissingFileFailsWithOutZeroed) {
    EXPECT_EQ(corvan_model_to_dist_from_file(input_, 5, out_, 8, 2, "/nonexistent/w.bin"), -1.0f);
    expect_out(0.0f);
}

TEST_F(Runner, DirectoryFailsWithOutZeroed) {
    const std::string dir = ::testing::TempDir();
    EXPECT_EQ(corvan_model_to_dist_from_file(input_, 5, out_, 8, 0, dir.c_str()), -1.0f);
    expect_out(0.0f);
}

// Every caller of a weight file refuses a FIFO without waiting for a writer.
TEST_F(Runner, FifoFailsAtOnceWithOutZeroed) {
    const Fifo fifo;
    const char *path = fifo.path();
    const std::vector<std::function<float()>> calls = {
        [&] { return corvan_model_to_dist_from_file(input_, 5, out_, 8, 0, path); },
        [&] { return nn_pep_seq_to_dist_custom("PEPTIDE", out_, 8, 0, path); },
        [&] { return nn_pep_mass_to_dist_custom(out_, 8, 0, path, 1000.0f); },
        [&] { return nn_rna_seq_to_dist_custom("ACGU", out_, 8, 0, path); },
        [&] { return nn_rna_mass_to_dist_custom(out_, 8, 0, path, 1000.0f); },
    };
    for (const auto &call : calls) {
        std::fill(out_, out_ + 8, untouched);
        EXPECT_TRUE(returns_without_writer(fifo, [&] { EXPECT_EQ(call(), -1.0f); }));
        expect_out(0.0f);
    }
}

TEST_F(Runner, FileForAnotherInputCountFails) {
    // 4 inputs and 8 units need 736 bytes; the 768-byte file does not fit.
    EXPECT_EQ(corvan_model_to_dist_from_file(input_, 4, out_, 8, 0, file_.path()), -1.0f);
    expect_out(0.0f);
}

TEST_F(Runner, ImpossibleNetworkSizeFailsWithOutZeroed) {
    // 2^31 - 1 inputs cannot form a weight set, whatever the file holds.
    EXPECT_EQ(corvan_model_to_dist_from_file(input_, 2147483647, out_, 8, 0, file_.path()), -1.0f);
    expect_out(0.0f);
}

TEST_F(Runner, ReadsTheFileOnEveryCall) {
    ASSERT_GT(corvan_model_to_dist_from_file(input_, 5, out_, 8, 0, file_.path()), 0.0f);
    file_.write(blob_bytes(std::vector<float>(192, 0.0f))); // all outputs become 0.5
    EXPECT_EQ(corvan_model_to_dist_from_file(input_, 5, out_, 8, 0, file_.path()), 0.5f);
    expect_out(1.0f);
}

TEST_F(Runner, ZeroWeightFileAtOffsetThree) {
    file_.write(std::vector<unsigned char>(768, 0));
    EXPECT_EQ(corvan_model_to_dist_from_file(input_, 5, out_, 8, 3, file_.path()), 0.5f);
    const float expected[8] = {0, 0, 0, 1, 1, 1, 1, 1};
    for (int i = 0; i < 8; ++i) EXPECT_EQ(out_[i], expected[i]) << i;
}

TEST(RunnerAgainstCatalogue, ExportedPeptideBlobGivesTheEmbeddedResult) {
    TempFile file("pep64",
                  std::vector<unsigned char>(corvanpep_model_64_bin,
                                             corvanpep_model_64_bin + corvanpep_model_64_bin_len));
    const std::vector<std::vector<float>> count_vectors = {
        {4, 1, 3, 5, 2, 4, 1, 3, 6, 5, 1, 2, 3, 2, 3, 4, 2, 3, 0, 1},      // 55 residues
        {12, 2, 8, 10, 6, 11, 3, 7, 9, 14, 4, 6, 7, 5, 8, 10, 8, 9, 2, 5}, // 146 residues
        {22, 5, 15, 20, 12, 20, 7, 15, 19, 28, 6, 12, 14, 11, 16, 20, 16, 18, 5, 19}}; // 300
    for (const std::vector<float> &counts : count_vectors) {
        float from_file[64], embedded[64];
        const float file_peak =
            corvan_model_to_dist_from_file(counts.data(), 20, from_file, 64, 0, file.path());
        std::fill(embedded, embedded + 64, 0.0f);
        const float embedded_peak =
            corvan::nn::run_embedded(corvan::nn::Network::pep64, counts.data(), embedded, 64, 0);
        ASSERT_GT(file_peak, 0.0f);
        EXPECT_EQ(bits_of(file_peak), bits_of(embedded_peak));
        for (int i = 0; i < 64; ++i) EXPECT_EQ(bits_of(from_file[i]), bits_of(embedded[i])) << i;
    }
}

TEST(RunnerAgainstCatalogue, ExportedRnaMassBlobGivesTheEmbeddedResult) {
    TempFile file("rna32", std::vector<unsigned char>(corvan_rnaveragine_model32_bin,
                                                      corvan_rnaveragine_model32_bin +
                                                          corvan_rnaveragine_model32_bin_len));
    for (float mass : {500.0f, 6400.5f, 23999.0f}) {
        float features[5], from_file[32], embedded[32] = {};
        mass_to_vector(mass, features);
        const float file_peak =
            corvan_model_to_dist_from_file(features, 5, from_file, 32, 0, file.path());
        const float embedded_peak =
            corvan::nn::run_embedded(corvan::nn::Network::rnaveragine32, features, embedded, 32, 0);
        EXPECT_EQ(bits_of(file_peak), bits_of(embedded_peak)) << mass;
        for (int i = 0; i < 32; ++i) EXPECT_EQ(bits_of(from_file[i]), bits_of(embedded[i])) << i;
    }
}

} // namespace
