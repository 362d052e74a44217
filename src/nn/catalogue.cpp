// The twelve compiled-in networks and the shared core that runs one of them
// for the network distribution calls.
#include "nn/catalogue.hpp"

#include <cstddef>
#include <iterator>

#include "core/buffers.hpp"
#include "core/frame.hpp"
#include "corvan.h"
#include "nn/embedded_blobs.hpp"
#include "nn/weights.hpp"

namespace corvan::nn {

namespace {

// A row per Network, in the order of its enumerators.
const NetworkInfo kNetworks[] = {
    {embedded::corvanpep_model_16, 20, 16},
    {corvanpep_model_64_bin, 20, 64},
    {corvanpep_model_128_bin, 20, 128},
    {embedded::corvan_averagine_model8, 5, 8, 1200.0f},
    {embedded::corvan_averagine_model32, 5, 32, 11000.0f},
    {embedded::corvan_averagine_model64, 5, 64, 55000.0f},
    {embedded::corvan_averagine_model128, 5, 128, 120000.0f},
    {corvan_rnaveragine_model32_bin, 5, 32, 24000.0f},
    {corvan_rnaveragine_model64_bin, 5, 64, 65000.0f},
    {corvan_rnaveragine_model128_bin, 5, 128, 165000.0f},
    {embedded::corvan_rnaseq_model64, 4, 64},
    {embedded::corvan_rnaseq_model128, 4, 128},
};
static_assert(std::size(kNetworks) == static_cast<std::size_t>(Network::rnaseq128) + 1);

} // namespace

NetworkInfo info(Network network) {
    const auto row = static_cast<std::size_t>(network);
    return row < std::size(kNetworks) ? kNetworks[row] : NetworkInfo{nullptr, 0, 0};
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
