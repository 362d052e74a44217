// The custom-model runner: a network whose weights the caller supplies in a
// weight file, with as many units per layer as the caller's array has points.
#include "core/buffers.hpp"
#include "core/frame.hpp"
#include "corvan.h"
#include "nn/weights.hpp"

namespace {

bool runner_arguments_valid(const float *input, int input_len, const float *out, int n, int offset,
                            const char *path) {
    return offset >= 0 && n >= 1 && input_len >= 1 && input != nullptr && out != nullptr &&
           offset < n && path != nullptr && path[0] != '\0';
}

} // namespace

// The runner reads the weight file on every call; nothing is cached, so a
// file replaced between calls takes effect at once.
extern "C" float corvan_model_to_dist_from_file(const float *input, int input_len, float *out,
                                                int n, int offset, const char *path) {
    if (!runner_arguments_valid(input, input_len, out, n, offset, path)) return -1.0f;
    corvan::frame::begin(out, n, offset);

    corvan::nn::OwnedWeights weights(SetupWeights(input_len, n));
    if (!weights.complete()) return -1.0f;
    if (LoadWeightsFromFile(weights.get(), path) != 0) return -1.0f;
    corvan::CArray<float> outputs = corvan::zeroed_array<float>(n);
    if (!outputs) return -1.0f;
    if (neural_net(input, outputs.get(), weights.get()) != 0) return -1.0f;
    if (!corvan::nn::all_finite(outputs.get(), n)) return -1.0f;
    weights.release();
    return corvan::frame::finish(corvan::frame::Placement::shifted, corvan::frame::Peak::array,
                                 outputs.get(), n, 0.0f, out, n, offset);
}
