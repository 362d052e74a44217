// The distribution calls of the peptide and RNA front-ends form one family
// over the result frame: check and zero the caller's array, check the
// member's own input, encode the molecule, pick the result length or the
// network, run the engine and place, scale and return. A member is nothing
// but its choices for those steps (a Member value); run() is the only
// driver, so every call shares its order of steps, messages and clean-up.
#pragma once

#include <cmath>
#include <cstdio>

#include "core/buffers.hpp"
#include "core/frame.hpp"
#include "core/messages.hpp"
#include "corvan.h"
#include "nn/catalogue.hpp"

namespace corvan::family {

// What a call was asked about; each member reads the fields it takes.
struct Request {
    float mass = 0.0f;
    const char *sequence = nullptr;
    const char *path = nullptr; // weight file of the custom-network members
};

// Unit is the element type of the encoding: int for an fftlist, float for a
// network feature vector.
template <class Unit> struct Member {
    // The member's own input check, made once `out` is zeroed.
    bool (*accepts)(const Request &);
    // Elements of the encoding: 5 for an fftlist, else the feature count.
    int encoding_length;
    // Fills the zero-filled encoding; returns what the length rule reads
    // (residue count or sequence length, 0 for a mass), or -1 on failure.
    long long (*encode)(const Request &, Unit *encoding);
    // The result length (composition engines) or nn::Network (embedded
    // networks); -1 on failure, after the member's own message if any.
    int (*choose)(const Request &, long long size);
    // Runs the engine and places and scales into `out`; on failure returns
    // -1 with `out` still all zero.
    float (*compute)(const Unit *encoding, int encoding_length, int choice, const Request &,
                     float *out, int n, int offset);
    // Printed as a line (puts) when the encoding cannot be allocated; silent if null.
    const char *allocation_message;
};

template <class Unit>
float run(const Member<Unit> &member, const Request &request, float *out, int n, int offset) {
    if (!frame::begin(out, n, offset)) return -1.0f;
    if (!member.accepts(request)) return -1.0f;
    CArray<Unit> encoding = zeroed_array<Unit>(member.encoding_length);
    if (!encoding) {
        if (member.allocation_message != nullptr)
            messages::line(messages::Stream::out, member.allocation_message);
        return -1.0f;
    }
    const long long size = member.encode(request, encoding.get());
    if (size < 0) return -1.0f;
    const int choice = member.choose(request, size);
    if (choice < 0) return -1.0f;
    return member.compute(encoding.get(), member.encoding_length, choice, request, out, n, offset);
}

// ---- input checks -------------------------------------------------------

inline bool any_input(const Request &) {
    return true;
}
inline bool has_sequence(const Request &request) {
    return request.sequence != nullptr;
}
inline bool has_residues(const Request &request) {
    return request.sequence != nullptr && request.sequence[0] != '\0';
}
// Masses a composition can be built from: zero included, negatives not.
inline bool non_negative_mass(const Request &request) {
    return request.mass >= 0.0f && std::isfinite(request.mass);
}
inline bool positive_mass(const Request &request) {
    return request.mass > 0.0f && std::isfinite(request.mass);
}

// ---- engines ------------------------------------------------------------

enum class Engine { fft, brain };

// The FFT engine fails only below 0; the BRAIN recursion may also overflow
// to a non-finite peak on very large molecules.
template <Engine engine> float engine_peak(const int *fftlist, int isolen, float *result) {
    if constexpr (engine == Engine::fft) {
        return fft_list_to_dist(fftlist, isolen, result);
    } else {
        const float peak = brain_list_to_dist(fftlist, isolen, result);
        return std::isfinite(peak) ? peak : -1.0f;
    }
}

// Composition engines: private result of `isolen` points, engine peak.
template <Engine engine, frame::Placement placement>
float compose(const int *fftlist, int, int isolen, const Request &, float *out, int n, int offset) {
    CArray<float> result = zeroed_array<float>(isolen);
    if (!result) return -1.0f;
    const float peak = engine_peak<engine>(fftlist, isolen, result.get());
    if (peak < 0) return -1.0f;
    return frame::finish(placement, frame::Peak::engine, result.get(), isolen, peak, out, n,
                         offset);
}

// Embedded networks: window placement and array peak inside the runner.
inline float embedded_network(const float *features, int, int network, const Request &, float *out,
                              int n, int offset) {
    return nn::run_embedded(static_cast<nn::Network>(network), features, out, n, offset);
}

// Caller's weight file: full-length placement and array peak in the runner,
// which checks and zeroes `out` once more.
inline float weight_file_network(const float *features, int feature_count, int,
                                 const Request &request, float *out, int n, int offset) {
    return corvan_model_to_dist_from_file(features, feature_count, out, n, offset, request.path);
}

// ---- length rules ---------------------------------------------------------

// A rule that reads only the encoding's size (residue count, sequence length).
template <int (*rule)(long long)> int by_size(const Request &, long long size) {
    return rule(size);
}

// A rule that reads only the mass.
template <int (*rule)(float)> int by_mass(const Request &request, long long) {
    return rule(request.mass);
}

// The custom members take the network size from `n`; nothing to choose.
inline int network_from_file(const Request &, long long) {
    return 0;
}

// Mass features of the network members; they never fail.
inline long long mass_features(const Request &request, float *features) {
    mass_to_vector(request.mass, features);
    return 0;
}

// By mass through a caller's weight file: the same member for peptides and
// RNA (five mass features, no range check; the network size is `n`).
constexpr Member<float> kWeightFileByMass = {
    .accepts = any_input,
    .encoding_length = 5,
    .encode = mass_features,
    .choose = network_from_file,
    .compute = weight_file_network,
    .allocation_message = nullptr,
};

constexpr const char *kFormulalistMessage = "Error: Could not allocate memory for formulalist";

} // namespace corvan::family
