// The twelve compiled-in networks and the shared core that runs one of them
// for the network distribution calls.
#include "nn/catalogue.hpp"

#include "core/buffers.hpp"
#include "core/frame.hpp"
#include "corvan.h"
#include "nn/embedded_blobs.hpp"
#include "nn/weights.hpp"

namespace corvan::nn {

NetworkInfo info(Network network) {
    switch (network) {
    case Network::pep16:
        return {embedded::corvanpep_model_16, 20, 16};
    case Network::pep64:
        return {corvanpep_model_64_bin, 20, 64};
    case Network::pep128:
        return {corvanpep_model_128_bin, 20, 128};
    case Network::averagine8:
        return {embedded::corvan_averagine_model8, 5, 8};
    case Network::averagine32:
        return {embedded::corvan_averagine_model32, 5, 32};
    case Network::averagine64:
        return {embedded::corvan_averagine_model64, 5, 64};
    case Network::averagine128:
        return {embedded::corvan_averagine_model128, 5, 128};
    case Network::rnaveragine32:
        return {corvan_rnaveragine_model32_bin, 5, 32};
    case Network::rnaveragine64:
        return {corvan_rnaveragine_model64_bin, 5, 64};
    case Network::rnaveragine128:
        return {corvan_rnaveragine_model128_bin, 5, 128};
    case Network::rnaseq64:
        return {embedded::corvan_rnaseq_model64, 4, 64};
    case Network::rnaseq128:
        return {embedded::corvan_rnaseq_model128, 4, 128};
    }
    return {nullptr, 0, 0};
}

// The weights are copied from the blob on every call (a host may have
// overwritten an exported blob since the last one), and both the weight set
// and the outputs are released before returning on every path.
float run_embedded(Network network, const float *features, float *out, int n, int offset) {
    const NetworkInfo net = info(network);
    OwnedWeights weights(LoadWeights(SetupWeights(net.inputs, net.outputs), net.blob));
    CArray<float> outputs = zeroed_array<float>(net.outputs);
    if (!outputs || !weights.complete()) return -1.0f;
    if (neural_net(features, outputs.get(), weights.get()) != 0) return -1.0f;
    if (!all_finite(outputs.get(), net.outputs)) return -1.0f;
    weights.release();
    return frame::finish(frame::Placement::window, frame::Peak::array, outputs.get(), net.outputs,
                         0.0f, out, n, offset);
}

} // namespace corvan::nn
