// The distribution calls of the peptide and RNA front-ends form one family
// over the result frame: check and zero the caller's array, check the
// member's own input, encode the molecule, choose what the engine needs (the
// result length, or a network), run the engine and place, scale and return.
// A member is nothing but its choices for those steps (a Member value);
// run() is the only driver, so every call shares its order of steps,
// messages and clean-up. The network members build on this in
// nn/network_family.hpp.
#pragma once

#include <cmath>
#include <cstdio>
#include <optional>

#include "core/buffers.hpp"
#include "core/frame.hpp"
#include "core/messages.hpp"
#include "corvan.h"

namespace corvan::family {

// What a call was asked about; each member reads the fields it takes.
struct Request {
    float mass = 0.0f;
    const char *sequence = nullptr;
    const char *path = nullptr; // weight file of the custom-network members
};

// Unit is the element type of the encoding: int for an fftlist, float for a
// network feature vector. Choice is what the member's rule picks for the
// engine: a ResultLength for the composition engines, a network for the
// network members.
template <class Unit, class Choice> struct Member {
    // The member's own input check, made once `out` is zeroed.
    bool (*accepts)(const Request &request);
    // Elements of the encoding: 5 for an fftlist, else the feature count.
    int encoding_length;
    // Fills the zero-filled encoding; returns what the rule reads (residue
    // count or sequence length, 0 for a mass), or -1 on failure.
    long long (*encode)(const Request &request, Unit *encoding);
    // Picks the Choice from the request and what encode returned; nothing
    // on failure, after the member's own message if any.
    std::optional<Choice> (*choose)(const Request &request, long long size);
    // Runs the engine and places and scales into `out`; on failure returns
    // -1 with `out` still all zero.
    float (*compute)(const Unit *encoding, int encoding_length, Choice choice,
                     const Request &request, float *out, int n, int offset);
    // Printed as a line (puts) when the encoding cannot be allocated; silent if null.
    const char *allocation_message;
};

template <class Unit, class Choice>
float run(const Member<Unit, Choice> &member, const Request &request, float *out, int n,
          int offset) {
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
    const std::optional<Choice> choice = member.choose(request, size);
    if (!choice) return -1.0f;
    return member.compute(encoding.get(), member.encoding_length, *choice, request, out, n, offset);
}

// A member from its steps given as template arguments, so that each family
// member below is one constant naming only what sets it apart.
template <class Unit, class Choice, bool (*accepts)(const Request &), int encoding_length,
          long long (*encode)(const Request &, Unit *),
          std::optional<Choice> (*choose)(const Request &, long long),
          float (*compute)(const Unit *, int, Choice, const Request &, float *, int, int),
          const char *allocation_message = nullptr>
constexpr Member<Unit, Choice> kMember = {
    .accepts = accepts,
    .encoding_length = encoding_length,
    .encode = encode,
    .choose = choose,
    .compute = compute,
    .allocation_message = allocation_message,
};

// ---- input checks -------------------------------------------------------

inline bool any_input([[maybe_unused]] const Request &request) {
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

// The points of a composition engine's private result.
struct ResultLength {
    int points;
};

// Composition engines: private result of `length` points, engine peak.
template <Engine engine, frame::Placement placement>
float compose(const int *fftlist, [[maybe_unused]] int encoding_length, ResultLength length,
              [[maybe_unused]] const Request &request, float *out, int n, int offset) {
    const int isolen = length.points;
    CArray<float> result = zeroed_array<float>(isolen);
    if (!result) return -1.0f;
    const float peak = engine_peak<engine>(fftlist, isolen, result.get());
    if (peak < 0) return -1.0f;
    return frame::finish(placement, frame::Peak::engine, result.get(), isolen, peak, out, n,
                         offset);
}

// ---- length rules ---------------------------------------------------------

// An exported-style rule's result (-1 on failure) as a choice.
inline std::optional<ResultLength> length_or_failure(int points) {
    if (points < 0) return std::nullopt;
    return ResultLength{points};
}

// A length rule that reads only the encoding's size (residue count, sequence length).
template <int (*rule)(long long)>
std::optional<ResultLength> length_by_size([[maybe_unused]] const Request &request,
                                           long long size) {
    return length_or_failure(rule(size));
}

// A length rule that reads only the mass.
template <int (*rule)(float)>
std::optional<ResultLength> length_by_mass(const Request &request,
                                           [[maybe_unused]] long long size) {
    return length_or_failure(rule(request.mass));
}

inline constexpr char kFormulalistMessage[] = "Error: Could not allocate memory for formulalist";

// ---- composition members ----------------------------------------------------

// One composition engine's choices for a molecule kind: how it places the
// result and which masses and sequences it takes, and its length rule on
// the encoded size of a sequence.
struct EngineRules {
    frame::Placement placement;
    bool (*mass_accepts)(const Request &request);
    bool (*sequence_accepts)(const Request &request);
    int (*sequence_rule)(long long size);
};

// What a molecule kind gives its four composition members: its averaging-
// unit and sequence encoders, its length rule on the mass, and each engine's
// rules.
struct CompositionKind {
    long long (*mass_encode)(const Request &request, int *fftlist);
    long long (*sequence_encode)(const Request &request, int *fftlist);
    int (*mass_rule)(float mass);
    EngineRules fft;
    EngineRules brain;
};

template <const CompositionKind &kind, Engine engine>
constexpr const EngineRules &kEngineRules = engine == Engine::fft ? kind.fft : kind.brain;

// The member by mass of `kind` on `engine`.
template <const CompositionKind &kind, Engine engine>
constexpr const Member<int, ResultLength> &kComposedByMass =
    kMember<int, ResultLength, kEngineRules<kind, engine>.mass_accepts, 5, kind.mass_encode,
            length_by_mass<kind.mass_rule>, compose<engine, kEngineRules<kind, engine>.placement>>;

// The member by sequence: the same, with the sequence encoder and the
// engine's rule on the encoded size.
template <const CompositionKind &kind, Engine engine>
constexpr const Member<int, ResultLength> &kComposedBySequence =
    kMember<int, ResultLength, kEngineRules<kind, engine>.sequence_accepts, 5, kind.sequence_encode,
            length_by_size<kEngineRules<kind, engine>.sequence_rule>,
            compose<engine, kEngineRules<kind, engine>.placement>, kFormulalistMessage>;

} // namespace corvan::family

// The C calls of a molecule kind's four composition members, under the
// names the header gives them (fft_pep_mass_to_dist, brain_rna_seq_to_dist):
// stamped out here so that every kind's calls are written once. KIND_RULES
// names the kind's CompositionKind.
#define CORVAN_COMPOSITION_CALLS(KIND, KIND_RULES)                                                 \
    CORVAN_COMPOSITION_ENGINE_CALLS(fft, KIND, KIND_RULES)                                         \
    CORVAN_COMPOSITION_ENGINE_CALLS(brain, KIND, KIND_RULES)
#define CORVAN_COMPOSITION_ENGINE_CALLS(ENGINE, KIND, KIND_RULES)                                  \
    float ENGINE##_##KIND##_mass_to_dist(float *out, int n, int offset, float mass) {              \
        return corvan::family::run(                                                                \
            corvan::family::kComposedByMass<KIND_RULES, corvan::family::Engine::ENGINE>,           \
            {.mass = mass}, out, n, offset);                                                       \
    }                                                                                              \
    float ENGINE##_##KIND##_seq_to_dist(const char *seq, float *out, int n, int offset) {          \
        return corvan::family::run(                                                                \
            corvan::family::kComposedBySequence<KIND_RULES, corvan::family::Engine::ENGINE>,       \
            {.sequence = seq}, out, n, offset);                                                    \
    }
