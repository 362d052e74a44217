// The network members of the distribution family (core/family.hpp): the
// embedded networks, chosen by a rule of the molecule's front-end, and the
// caller's weight file, whose network size is the result length `n`.
#pragma once

#include <optional>

#include "core/family.hpp"
#include "corvan.h"
#include "nn/catalogue.hpp"

namespace corvan::nn {

using family::Request;

// The choice of the weight-file members: nothing to choose, the file's
// network has `n` units.
struct WeightFile {};

// A network rule that reads only the encoding's size (residue count,
// sequence length).
template <std::optional<Network> (*rule)(long long)>
std::optional<Network> network_by_size([[maybe_unused]] const Request &request, long long size) {
    return rule(size);
}

// A network rule that reads only the mass.
template <std::optional<Network> (*rule)(float)>
std::optional<Network> network_by_mass(const Request &request, [[maybe_unused]] long long size) {
    return rule(request.mass);
}

inline std::optional<WeightFile> weight_file([[maybe_unused]] const Request &request,
                                             [[maybe_unused]] long long size) {
    return WeightFile{};
}

// Embedded networks: window placement and array peak inside the runner.
inline float embedded_network(const float *features, [[maybe_unused]] int feature_count,
                              Network network, [[maybe_unused]] const Request &request, float *out,
                              int n, int offset) {
    return run_embedded(network, features, out, n, offset);
}

// Caller's weight file: full-length placement and array peak in the runner,
// which checks and zeroes `out` once more.
inline float weight_file_network(const float *features, int feature_count,
                                 [[maybe_unused]] WeightFile file, const Request &request,
                                 float *out, int n, int offset) {
    return corvan_model_to_dist_from_file(features, feature_count, out, n, offset, request.path);
}

// Mass features of the network members (mass_to_vector); they never fail.
constexpr int kMassFeatures = 5;
inline long long mass_features(const Request &request, float *features) {
    mass_to_vector(request.mass, features);
    return 0;
}

// By mass through an embedded network: the front-end gives only its rule
// (its mass bands).
template <std::optional<Network> (*rule)(float)>
constexpr const family::Member<float, Network> &kEmbeddedByMass =
    family::kMember<float, Network, family::any_input, kMassFeatures, mass_features,
                    network_by_mass<rule>, embedded_network>;

// By sequence through an embedded network: the front-end gives its input
// check, its encoding (`inputs` counts) and its rule on the encoded size.
template <bool (*accepts)(const family::Request &), int inputs,
          long long (*encode)(const family::Request &, float *),
          std::optional<Network> (*rule)(long long)>
constexpr const family::Member<float, Network> &kEmbeddedBySequence =
    family::kMember<float, Network, accepts, inputs, encode, network_by_size<rule>,
                    embedded_network>;

// By mass through a caller's weight file: the same member for peptides and
// RNA (no range check; the network size is `n`).
inline constexpr const family::Member<float, WeightFile> &kWeightFileByMass =
    family::kMember<float, WeightFile, family::any_input, kMassFeatures, mass_features, weight_file,
                    weight_file_network>;

// By sequence through a caller's weight file: the front-end gives its
// encoding (`inputs` counts); a sequence without residues is refused.
template <int inputs, long long (*encode)(const Request &, float *)>
constexpr const family::Member<float, WeightFile> &kWeightFileBySequence =
    family::kMember<float, WeightFile, family::has_residues, inputs, encode, weight_file,
                    weight_file_network>;

} // namespace corvan::nn

// The C calls of a molecule kind's four network members, under the names
// the header gives them (nn_pep_mass_to_dist, nn_rna_seq_to_dist_custom),
// from the kind's sequence check, its encoding (INPUTS counts by ENCODE)
// and its length rules: every kind's calls are written once, here.
#define CORVAN_NETWORK_CALLS(KIND, ACCEPTS, INPUTS, ENCODE, SEQUENCE_RULE, MASS_RULE)              \
    float nn_##KIND##_mass_to_dist(float *out, int n, int offset, float mass) {                    \
        return corvan::family::run(corvan::nn::kEmbeddedByMass<MASS_RULE>, {.mass = mass}, out, n, \
                                   offset);                                                        \
    }                                                                                              \
    float nn_##KIND##_seq_to_dist(const char *seq, float *out, int n, int offset) {                \
        return corvan::family::run(                                                                \
            corvan::nn::kEmbeddedBySequence<ACCEPTS, INPUTS, ENCODE, SEQUENCE_RULE>,               \
            {.sequence = seq}, out, n, offset);                                                    \
    }                                                                                              \
    float nn_##KIND##_mass_to_dist_custom(float *out, int n, int offset, const char *path,         \
                                          float mass) {                                            \
        return corvan::family::run(corvan::nn::kWeightFileByMass, {.mass = mass, .path = path},    \
                                   out, n, offset);                                                \
    }                                                                                              \
    float nn_##KIND##_seq_to_dist_custom(const char *seq, float *out, int n, int offset,           \
                                         const char *path) {                                       \
        return corvan::family::run(corvan::nn::kWeightFileBySequence<INPUTS, ENCODE>,              \
                                   {.sequence = seq, .path = path}, out, n, offset);               \
    }
