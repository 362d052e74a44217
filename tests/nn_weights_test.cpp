// Weight sets: sizing rules, loading from memory and from files, release.
#include <sys/stat.h>

#include <climits>
#include <vector>

#include <gtest/gtest.h>

#include "corvan.h"
#include "nn/weights.hpp"
#include "nn_support.hpp"

using namespace nn_support;

namespace {

struct Sizes {
    int input_size;
    int n;
};

class SetupWeightsRejects : public ::testing::TestWithParam<Sizes> {};

TEST_P(SetupWeightsRejects, ReturnsTheEmptyWeightSet) {
    const Sizes s = GetParam();
    EXPECT_TRUE(is_empty(SetupWeights(s.input_size, s.n)));
}

// Every rejected size here is refused before anything is allocated; an
// attempt to allocate would take gigabytes.
INSTANTIATE_TEST_SUITE_P(BadSizes, SetupWeightsRejects,
                         ::testing::Values(Sizes{0, 8}, Sizes{5, 0}, Sizes{-3, 8}, Sizes{8, -1},
                                           Sizes{INT_MIN, INT_MIN}, Sizes{1, 32768},
                                           Sizes{1, 46341}, Sizes{INT_MAX, 2}, Sizes{INT_MAX, 1},
                                           Sizes{46340, 46340}));

struct Bound {
    int input_size;
    int n;
    bool fits;
};

class WeightSetBounds : public ::testing::TestWithParam<Bound> {};

TEST_P(WeightSetBounds, FollowTheProductAndTotalLimits) {
    const Bound b = GetParam();
    EXPECT_EQ(corvan::nn::weight_set_fits(b.input_size, b.n), b.fits)
        << b.input_size << " x " << b.n;
}

INSTANTIATE_TEST_SUITE_P(Limits, WeightSetBounds,
                         ::testing::Values(Bound{5, 8, true}, Bound{1, 1, true},
                                           Bound{1, 32767, true},  // total 2147483646
                                           Bound{1, 32768, false}, // total 2147614720
                                           Bound{1, 46341, false}, // n * n beyond the limit
                                           Bound{46340, 46340,
                                                 false}, // products fit, the total does not
                                           Bound{2147483642, 1, true},  // total exactly 2147483647
                                           Bound{2147483643, 1, false}, // total one beyond
                                           Bound{65536, 32768, false},  // n * input_size beyond
                                           Bound{65535, 32768, false}, // products fit, total beyond
                                           Bound{0, 1, false}, Bound{1, 0, false}));

TEST(SetupWeights, FiveByEightHasTheDocumentedCountsAndZeroArrays) {
    NetWeights w = SetupWeights(5, 8);
    ASSERT_FALSE(is_empty(w));
    EXPECT_EQ(w.input_size, 5);
    EXPECT_EQ(w.hidden1_size, 8);
    EXPECT_EQ(w.hidden2_size, 8);
    EXPECT_EQ(w.output_size, 8);
    EXPECT_EQ(w.w1_count, 40);
    EXPECT_EQ(w.w2_count, 64);
    EXPECT_EQ(w.w3_count, 64);
    EXPECT_EQ(w.total_count, 192);
    for (float v : flatten(w)) EXPECT_EQ(v, 0.0f);
    EXPECT_EQ(flatten(w).size(), 192u);
    FreeCorvanWeights(w);
}

TEST(SetupWeights, PeptideSixteenIsA3520ByteBlob) {
    NetWeights w = SetupWeights(20, 16);
    EXPECT_EQ(w.w1_count, 320);
    EXPECT_EQ(w.w2_count, 256);
    EXPECT_EQ(w.w3_count, 256);
    EXPECT_EQ(w.total_count, 880);
    EXPECT_EQ(4 * w.total_count, 3520);
    FreeCorvanWeights(w);
}

TEST(LoadWeights, CopiesTheSixBlocksInOrder) {
    std::vector<float> values(192);
    for (size_t i = 0; i < values.size(); ++i) values[i] = 0.5f * static_cast<float>(i) - 7.0f;
    const std::vector<unsigned char> bytes = blob_bytes(values);
    NetWeights w = LoadWeights(SetupWeights(5, 8), bytes.data());
    ASSERT_FALSE(is_empty(w));
    EXPECT_EQ(w.w1[0], values[0]);
    EXPECT_EQ(w.w1[39], values[39]);
    EXPECT_EQ(w.b1[0], values[40]);
    EXPECT_EQ(w.w2[0], values[48]);
    EXPECT_EQ(w.b2[0], values[112]);
    EXPECT_EQ(w.w3[0], values[120]);
    EXPECT_EQ(w.b3[7], values[191]);
    EXPECT_EQ(flatten(w), values);
    FreeCorvanWeights(w);
}

TEST(LoadWeights, UsesTheCountsAsStoredForUnequalLayers) {
    NetWeights w = make_weights(3, 7, 5, 4);
    const std::vector<float> values = random_floats(static_cast<size_t>(w.total_count), 11);
    const std::vector<unsigned char> bytes = blob_bytes(values);
    NetWeights loaded = LoadWeights(w, bytes.data());
    EXPECT_EQ(loaded.w1, w.w1);
    EXPECT_EQ(loaded.total_count, w.total_count);
    EXPECT_EQ(flatten(loaded), values);
    FreeCorvanWeights(loaded);
}

TEST(LoadWeights, NullBlobConsumesTheWeightSet) {
    // The sanitizer build turns a leak or a second release into a failure.
    NetWeights w = LoadWeights(SetupWeights(5, 8), nullptr);
    EXPECT_TRUE(is_empty(w));
    FreeCorvanWeights(w);
}

TEST(LoadWeights, MissingArrayConsumesTheOthers) {
    NetWeights w = SetupWeights(5, 8);
    std::free(w.w2);
    w.w2 = nullptr;
    const std::vector<unsigned char> bytes(768, 0);
    EXPECT_TRUE(is_empty(LoadWeights(w, bytes.data())));
}

TEST(LoadWeights, EmptyWeightSetGivesTheEmptyWeightSet) {
    const std::vector<unsigned char> bytes(16, 0);
    EXPECT_TRUE(is_empty(LoadWeights(NetWeights{}, bytes.data())));
}

TEST(LoadWeights, OddAddressesLoadTheSameValues) {
    const std::vector<float> values = random_floats(192, 3, -20.0f, 20.0f);
    const std::vector<unsigned char> bytes = blob_bytes(values);
    for (size_t lead_in : {1u, 2u, 3u, 5u}) {
        std::vector<unsigned char> shifted(lead_in, 0xAB);
        shifted.insert(shifted.end(), bytes.begin(), bytes.end());
        NetWeights w = LoadWeights(SetupWeights(5, 8), shifted.data() + lead_in);
        ASSERT_FALSE(is_empty(w));
        EXPECT_EQ(flatten(w), values) << "lead-in " << lead_in;
        FreeCorvanWeights(w);
    }
}

TEST(FreeCorvanWeights, AcceptsTheEmptyWeightSetAndPartialSets) {
    FreeCorvanWeights(NetWeights{});
    NetWeights w = SetupWeights(5, 8);
    std::free(w.b1);
    w.b1 = nullptr;
    FreeCorvanWeights(w);
}

class WeightFile : public ::testing::Test {
  protected:
    void SetUp() override {
        weights_ = SetupWeights(5, 8);
        fill(weights_, -42.0f);
    }
    void TearDown() override { FreeCorvanWeights(weights_); }

    void expect_unchanged() const {
        for (float v : flatten(weights_)) ASSERT_EQ(v, -42.0f);
    }

    NetWeights weights_{};
    const std::vector<float> values_ = random_floats(192, 5);
};

TEST_F(WeightFile, OfExactSizeLoads) {
    TempFile file("exact", blob_bytes(values_));
    EXPECT_EQ(LoadWeightsFromFile(weights_, file.path()), 0);
    EXPECT_EQ(flatten(weights_), values_);
}

TEST_F(WeightFile, LoadedAgainOverwritesEveryValue) {
    TempFile file("again", blob_bytes(values_));
    ASSERT_EQ(LoadWeightsFromFile(weights_, file.path()), 0);
    const std::vector<float> second = random_floats(192, 6);
    file.write(blob_bytes(second));
    ASSERT_EQ(LoadWeightsFromFile(weights_, file.path()), 0);
    EXPECT_EQ(flatten(weights_), second);
}

TEST_F(WeightFile, OneByteShortFailsWithArraysUnchanged) {
    std::vector<unsigned char> bytes = blob_bytes(values_);
    bytes.pop_back();
    TempFile file("short", bytes);
    EXPECT_EQ(LoadWeightsFromFile(weights_, file.path()), -1);
    expect_unchanged();
}

TEST_F(WeightFile, OneByteLongFailsWithArraysUnchanged) {
    std::vector<unsigned char> bytes = blob_bytes(values_);
    bytes.push_back(0);
    TempFile file("long", bytes);
    EXPECT_EQ(LoadWeightsFromFile(weights_, file.path()), -1);
    expect_unchanged();
}

TEST_F(WeightFile, EmptyFileFails) {
    TempFile file("empty", {});
    EXPECT_EQ(LoadWeightsFromFile(weights_, file.path()), -1);
    expect_unchanged();
}

TEST_F(WeightFile, MissingFileFails) {
    EXPECT_EQ(LoadWeightsFromFile(weights_, "/nonexistent/corvan/weights.bin"), -1);
    expect_unchanged();
}

TEST_F(WeightFile, DirectoryFails) {
    EXPECT_EQ(LoadWeightsFromFile(weights_, ::testing::TempDir().c_str()), -1);
    expect_unchanged();
}

TEST_F(WeightFile, FifoFailsAtOnce) {
    const Fifo fifo;
    EXPECT_TRUE(returns_without_writer(
        fifo, [&] { EXPECT_EQ(LoadWeightsFromFile(weights_, fifo.path()), -1); }));
    expect_unchanged();
}

TEST_F(WeightFile, NullOrEmptyPathFails) {
    EXPECT_EQ(LoadWeightsFromFile(weights_, nullptr), -1);
    EXPECT_EQ(LoadWeightsFromFile(weights_, ""), -1);
    expect_unchanged();
}

TEST_F(WeightFile, EmptyWeightSetFailsWithoutReading) {
    TempFile file("any", blob_bytes(values_));
    EXPECT_EQ(LoadWeightsFromFile(NetWeights{}, file.path()), -1);
}

TEST_F(WeightFile, CountsThatDoNotAddUpFail) {
    NetWeights inconsistent = weights_;
    inconsistent.total_count = 193; // a file of 193 floats exists, the blocks add to 192
    TempFile file("counts", blob_bytes(random_floats(193, 7)));
    EXPECT_EQ(LoadWeightsFromFile(inconsistent, file.path()), -1);
    inconsistent.total_count = 191;
    TempFile smaller("smaller", blob_bytes(random_floats(191, 7)));
    EXPECT_EQ(LoadWeightsFromFile(inconsistent, smaller.path()), -1);
    expect_unchanged();
}

TEST_F(WeightFile, CountsNearTheIntLimitAreCheckedWithoutOverflow) {
    NetWeights huge = weights_;
    huge.total_count = INT_MAX;
    huge.w1_count = INT_MAX - 1; // the next blocks would overflow a running sum
    huge.hidden1_size = INT_MAX;
    TempFile file("huge", blob_bytes(values_));
    EXPECT_EQ(LoadWeightsFromFile(huge, file.path()), -1);
    expect_unchanged();
}

TEST_F(WeightFile, NonPositiveCountFails) {
    TempFile file("zero", blob_bytes(values_));
    NetWeights zero_layer = weights_;
    zero_layer.hidden2_size = 0;
    zero_layer.w2_count += 8; // keeps the sum right, so only the count check can refuse
    EXPECT_EQ(LoadWeightsFromFile(zero_layer, file.path()), -1);
    expect_unchanged();
}

TEST_F(WeightFile, MissingArrayFails) {
    TempFile file("array", blob_bytes(values_));
    NetWeights partial = weights_;
    partial.b3 = nullptr;
    EXPECT_EQ(LoadWeightsFromFile(partial, file.path()), -1);
    expect_unchanged();
}

TEST_F(WeightFile, UnequalLayerSizesLoadFromTheCounts) {
    NetWeights w = make_weights(3, 7, 5, 4);
    const std::vector<float> values = random_floats(static_cast<size_t>(w.total_count), 9);
    TempFile file("unequal", blob_bytes(values));
    EXPECT_EQ(LoadWeightsFromFile(w, file.path()), 0);
    EXPECT_EQ(flatten(w), values);
    FreeCorvanWeights(w);
}

} // namespace
