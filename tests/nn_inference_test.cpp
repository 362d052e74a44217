// The activations, the dense layer and the whole forward pass.
#include <cmath>
#include <limits>
#include <vector>

#include <gtest/gtest.h>

#include "corvan.h"
#include "nn_support.hpp"

using namespace nn_support;

namespace {

struct Activation {
    float x;
    float softsign;
    float sigmoid;
};

class Activations : public ::testing::TestWithParam<Activation> {};

TEST_P(Activations, MatchTheirFormulas) {
    const Activation a = GetParam();
    EXPECT_FLOAT_EQ(softsign(a.x), a.softsign) << a.x;
    EXPECT_FLOAT_EQ(sigmoid(a.x), a.sigmoid) << a.x;
}

INSTANTIATE_TEST_SUITE_P(Values, Activations,
                         ::testing::Values(Activation{0.0f, 0.0f, 0.5f},
                                           Activation{1.0f, 0.5f, 0.7310586f},
                                           Activation{-3.0f, -0.75f, 0.047425874f},
                                           Activation{9.0f, 0.9f, 0.9998766f},
                                           Activation{-0.5f, -1.0f / 3.0f, 0.37754068f}));

TEST(Activations, SigmoidSaturatesExactly) {
    // expf(100) overflows to infinity, and 1 / infinity is exactly 0.
    EXPECT_EQ(sigmoid(-100.0f), 0.0f);
    EXPECT_EQ(sigmoid(100.0f), 1.0f);
    EXPECT_EQ(softsign(0.0f), 0.0f);
    EXPECT_EQ(softsign(1.0f), 0.5f);
    EXPECT_EQ(softsign(-3.0f), -0.75f);
}

TEST(MatrixVectorMultiply, NoColumnsPassesTheActivatedBias) {
    const float bias[] = {1.0f, -3.0f, 0.0f};
    float result[3] = {9, 9, 9};
    matrix_vector_multiply(nullptr, nullptr, bias, result, 3, 0, 1, 0);
    EXPECT_EQ(result[0], 0.5f);
    EXPECT_EQ(result[1], -0.75f);
    EXPECT_EQ(result[2], 0.0f);
    matrix_vector_multiply(nullptr, nullptr, bias, result, 3, 0, 0, 0);
    EXPECT_EQ(result[0], 1.0f);
    EXPECT_EQ(result[1], -3.0f);
}

TEST(MatrixVectorMultiply, NoRowsWritesNothing) {
    const float matrix[] = {1.0f}, vector[] = {1.0f}, bias[] = {1.0f};
    float result[2] = {7.0f, 7.0f};
    matrix_vector_multiply(matrix, vector, bias, result, 0, 1, 1, 1);
    matrix_vector_multiply(matrix, vector, bias, result, -4, 1, 1, 1);
    EXPECT_EQ(result[0], 7.0f);
    EXPECT_EQ(result[1], 7.0f);
}

TEST(MatrixVectorMultiply, BothFlagsApplySoftsignThenSigmoid) {
    const float matrix[] = {0.25f, 0.5f}, vector[] = {2.0f, 1.0f}, bias[] = {0.0f};
    float result = 0.0f;
    matrix_vector_multiply(matrix, vector, bias, &result, 1, 2, 1, 1); // pre-activation 1
    EXPECT_NEAR(result, 0.62245935f, 1e-6f);
    EXPECT_EQ(result, sigmoid(softsign(1.0f)));
}

TEST(MatrixVectorMultiply, AccumulatesFromTheBiasInColumnOrder) {
    // In single precision 1 + 1e8 rounds to 1e8, so only the order bias,
    // column 0, column 1 gives exactly 0; any other order keeps the 1.
    const float matrix[] = {1e8f, -1e8f}, vector[] = {1.0f, 1.0f}, bias[] = {1.0f};
    float result = -1.0f;
    matrix_vector_multiply(matrix, vector, bias, &result, 1, 2, 0, 0);
    EXPECT_EQ(result, 0.0f);
}

TEST(MatrixVectorMultiply, RowsAreRowMajor) {
    const float matrix[] = {1, 2, 3, 4, 5, 6}; // 2 rows x 3 columns
    const float vector[] = {1, 10, 100}, bias[] = {0.5f, -0.5f};
    float result[2];
    matrix_vector_multiply(matrix, vector, bias, result, 2, 3, 0, 0);
    EXPECT_EQ(result[0], 321.5f);
    EXPECT_EQ(result[1], 653.5f);
}

struct Shape {
    int inputs, hidden1, hidden2, outputs;
};

class ForwardPass : public ::testing::TestWithParam<Shape> {};

TEST_P(ForwardPass, AgreesWithADoublePrecisionReference) {
    const Shape s = GetParam();
    NetWeights w = make_weights(s.inputs, s.hidden1, s.hidden2, s.outputs);
    for (unsigned seed = 1; seed <= 4; ++seed) {
        const std::vector<float> values =
            random_floats(static_cast<size_t>(w.total_count), seed, -2.0f, 2.0f);
        const std::vector<unsigned char> bytes = blob_bytes(values);
        w = LoadWeights(w, bytes.data());
        ASSERT_FALSE(is_empty(w));
        const std::vector<float> input = random_floats(s.inputs, 100 + seed, -3.0f, 3.0f);
        std::vector<float> output(s.outputs, -1.0f);
        ASSERT_EQ(neural_net(input.data(), output.data(), w), 0);
        const std::vector<double> expected = reference_forward(w, input.data());
        for (int k = 0; k < s.outputs; ++k)
            EXPECT_NEAR(output[k], expected[k], 2e-5) << "seed " << seed << " output " << k;
    }
    FreeCorvanWeights(w);
}

INSTANTIATE_TEST_SUITE_P(Shapes, ForwardPass,
                         ::testing::Values(Shape{1, 1, 1, 1}, Shape{5, 8, 8, 8},
                                           Shape{20, 16, 16, 16}, Shape{4, 64, 64, 64},
                                           Shape{3, 7, 5, 4}, Shape{6, 2, 9, 13},
                                           Shape{20, 33, 17, 128}));

TEST(NeuralNet, FreshWeightSetGivesOneHalfEverywhere) {
    NetWeights w = SetupWeights(5, 8);
    const float input[5] = {1, 2, 3, 4, 5};
    float output[8];
    ASSERT_EQ(neural_net(input, output, w), 0);
    for (float v : output) EXPECT_EQ(v, 0.5f);
    FreeCorvanWeights(w);
}

TEST(NeuralNet, LeavesTheWeightSetUnchangedAndRepeats) {
    NetWeights w = make_weights(5, 6, 7, 8);
    const std::vector<float> values = random_floats(static_cast<size_t>(w.total_count), 21);
    const std::vector<unsigned char> bytes = blob_bytes(values);
    w = LoadWeights(w, bytes.data());
    const float input[5] = {0.1f, 0.2f, 0.3f, 0.4f, 0.5f};
    float first[8], second[8];
    ASSERT_EQ(neural_net(input, first, w), 0);
    ASSERT_EQ(neural_net(input, second, w), 0);
    for (int k = 0; k < 8; ++k) EXPECT_EQ(bits_of(first[k]), bits_of(second[k]));
    EXPECT_EQ(flatten(w), values);
    FreeCorvanWeights(w);
}

TEST(NeuralNet, NullVectorsOrEmptyWeightSetFailUntouched) {
    NetWeights w = SetupWeights(5, 8);
    const float input[5] = {};
    float output[8] = {3, 3, 3, 3, 3, 3, 3, 3};
    EXPECT_EQ(neural_net(nullptr, output, w), -1);
    EXPECT_EQ(neural_net(input, nullptr, w), -1);
    EXPECT_EQ(neural_net(input, output, NetWeights{}), -1);
    for (float v : output) EXPECT_EQ(v, 3.0f);
    FreeCorvanWeights(w);
}

TEST(NeuralNet, AnyMissingArrayFails) {
    NetWeights w = SetupWeights(5, 8);
    float *NetWeights::*const arrays[] = {&NetWeights::w1, &NetWeights::b1, &NetWeights::w2,
                                          &NetWeights::b2, &NetWeights::w3, &NetWeights::b3};
    const float input[5] = {};
    for (auto array : arrays) {
        NetWeights partial = w;
        partial.*array = nullptr;
        float output[8] = {3, 3, 3, 3, 3, 3, 3, 3};
        EXPECT_EQ(neural_net(input, output, partial), -1);
        for (float v : output) EXPECT_EQ(v, 3.0f);
    }
    FreeCorvanWeights(w);
}

TEST(NeuralNet, HiddenLayerWithoutUnitsFails) {
    for (Shape s : {Shape{3, 0, 4, 2}, Shape{3, 4, 0, 2}}) {
        NetWeights w = make_weights(s.inputs, s.hidden1, s.hidden2, s.outputs);
        const float input[3] = {1, 2, 3};
        float output[2] = {3, 3};
        EXPECT_EQ(neural_net(input, output, w), -1);
        EXPECT_EQ(output[0], 3.0f);
        EXPECT_EQ(output[1], 3.0f);
        FreeCorvanWeights(w);
    }
}

TEST(NeuralNet, OutputsStayBetweenZeroAndOne) {
    NetWeights w = make_weights(4, 12, 12, 12);
    const std::vector<float> values =
        random_floats(static_cast<size_t>(w.total_count), 8, -19.0f, 19.0f);
    const std::vector<unsigned char> bytes = blob_bytes(values);
    w = LoadWeights(w, bytes.data());
    const float input[4] = {500, 0, 17, 3};
    float output[12];
    ASSERT_EQ(neural_net(input, output, w), 0);
    for (float v : output) {
        EXPECT_GE(v, 0.0f);
        EXPECT_LE(v, 1.0f);
    }
    FreeCorvanWeights(w);
}

} // namespace
