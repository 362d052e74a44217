// The forward pass of the three-layer networks, in single precision.
#include <cmath>
#include <cstddef>

#include "core/buffers.hpp"
#include "corvan.h"
#include "nn/weights.hpp"

extern "C" float softsign(float x) {
    return x / (1.0f + std::fabs(x));
}

extern "C" float sigmoid(float x) {
    return 1.0f / (1.0f + std::exp(-x));
}

// The activations are written out here rather than calling softsign and
// sigmoid so that the layer stays one self-contained loop. Each product is
// rounded to float before it is added (the build forbids contraction), and
// the terms go in ascending column order from the bias.
extern "C" void matrix_vector_multiply(const float *matrix, const float *vector, const float *bias,
                                       float *result, int rows, int cols, int softsign_flag,
                                       int sigmoid_flag) {
    for (int r = 0; r < rows; ++r) {
        const float *row = matrix + static_cast<std::ptrdiff_t>(r) * cols;
        float sum = bias[r];
        for (int c = 0; c < cols; ++c) sum += row[c] * vector[c];
        if (softsign_flag) sum = sum / (1.0f + std::fabs(sum));
        if (sigmoid_flag) sum = 1.0f / (1.0f + std::exp(-sum));
        result[r] = sum;
    }
}

// A hidden layer of fewer than one unit cannot get its scratch array, so
// such a weight set fails like an allocation failure.
extern "C" int neural_net(const float *input, float *output, NetWeights weights) {
    if (input == nullptr || output == nullptr) return -1;
    if (!corvan::nn::has_all_arrays(weights)) return -1;
    corvan::CArray<float> first = corvan::zeroed_array<float>(weights.hidden1_size);
    corvan::CArray<float> second = corvan::zeroed_array<float>(weights.hidden2_size);
    if (!first || !second) return -1;

    matrix_vector_multiply(weights.w1, input, weights.b1, first.get(), weights.hidden1_size,
                           weights.input_size, 1, 0);
    matrix_vector_multiply(weights.w2, first.get(), weights.b2, second.get(), weights.hidden2_size,
                           weights.hidden1_size, 1, 0);
    matrix_vector_multiply(weights.w3, second.get(), weights.b3, output, weights.output_size,
                           weights.hidden2_size, 0, 1);
    return 0;
}
