// Checks shared by the peptide and RNA test programs: the two families of
// fixed calls follow one set of frame, failure, placement and network rules,
// so their tests run one body over each family's own calls and bounds.
#pragma once

#include <algorithm>
#include <array>
#include <functional>
#include <initializer_list>
#include <limits>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "corvan.h"
#include "nn/catalogue.hpp"
#include "test_support.hpp"

namespace family_checks {

inline constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();
inline constexpr float kInf = std::numeric_limits<float>::infinity();

// A fixed distribution call reduced to its frame: (out, n, offset).
using Member = std::function<float(float *, int, int)>;
using Engine = float (*)(const int *, int, float *);

struct Expected {
    float peak;
    std::vector<float> out;
};

using Composition = std::array<int, 5>;

// Parameter cases of one function: {function, input, expected} for each
// (input, expected) pair.
template <class Case, class Function, class Input, class Result>
std::vector<Case> cases_of(Function function,
                           std::initializer_list<std::pair<Input, Result>> pairs) {
    std::vector<Case> cases;
    for (const auto &[input, expected] : pairs) cases.push_back({function, input, expected});
    return cases;
}

// The five atom counts an encoder writes for a sequence or a mass.
inline Composition composition(int (*encode)(const char *, int *), const std::string &sequence) {
    Composition fftlist{};
    encode(sequence.c_str(), fftlist.data());
    return fftlist;
}

inline Composition composition(void (*encode)(float, int *), float mass) {
    Composition fftlist{};
    encode(mass, fftlist.data());
    return fftlist;
}

// A mass and the composition of averaging units an encoder must give it,
// written over a list of 9s so that every count must be written.
struct UnitCase {
    void (*encode)(float, int *);
    float mass;
    Composition composition;
};

inline std::vector<UnitCase>
unit_cases(void (*encode)(float, int *),
           std::initializer_list<std::pair<float, Composition>> cases) {
    return cases_of<UnitCase>(encode, cases);
}

class AveragingUnits : public testing::TestWithParam<UnitCase> {};
GTEST_ALLOW_UNINSTANTIATED_PARAMETERIZED_TEST(AveragingUnits); // each program uses some suites

TEST_P(AveragingUnits, Composition) {
    Composition fftlist{9, 9, 9, 9, 9};
    GetParam().encode(GetParam().mass, fftlist.data());
    EXPECT_EQ(fftlist, GetParam().composition) << GetParam().mass;
}

// A sequence or mass member bound to its input.
inline Member sequence_member(float (*call)(const char *, float *, int, int),
                              const std::string &sequence) {
    return [call, sequence](float *o, int n, int k) { return call(sequence.c_str(), o, n, k); };
}

inline Member mass_member(float (*call)(float *, int, int, float), float mass) {
    return [call, mass](float *o, int n, int k) { return call(o, n, k, mass); };
}

// The engine's points as a member places them, scaled by the engine peak:
// `shifted` moves point j to offset + j; otherwise the window [offset,
// min(isolen, n)) takes points from 0.
inline Expected placed(Engine engine, std::array<int, 5> fftlist, int isolen, int n, int offset,
                       bool shifted) {
    std::vector<float> points(isolen);
    Expected expected{engine(fftlist.data(), isolen, points.data()), std::vector<float>(n, 0.0f)};
    if (shifted) {
        for (int j = 0; j < std::min(isolen, n - offset); ++j) expected.out[offset + j] = points[j];
    } else {
        for (int i = offset; i < std::min(isolen, n); ++i) expected.out[i] = points[i - offset];
    }
    if (expected.peak > 0)
        for (float &v : expected.out) v /= expected.peak;
    return expected;
}

// One member's result at (n, offset) must be its engine's points at
// `isolen`, placed as the member places them; gives the member's out.
inline std::vector<float> expect_engine_result(const Member &member, Engine engine,
                                               const std::array<int, 5> &fftlist, int isolen, int n,
                                               int offset, bool shifted) {
    const Expected expected = placed(engine, fftlist, isolen, n, offset, shifted);
    std::vector<float> out(static_cast<std::size_t>(n));
    EXPECT_EQ(member(out.data(), n, offset), expected.peak) << "isolen " << isolen;
    EXPECT_EQ(out, expected.out) << "isolen " << isolen << ", offset " << offset;
    return out;
}

// A longer isolen than the next smaller one must really have points there.
inline void expect_points_beyond_smaller_isolen(const std::vector<float> &out, int isolen) {
    if (isolen <= 64) return;
    const int smaller = isolen == 1024 ? 128 : 64;
    EXPECT_TRUE(std::any_of(out.begin() + smaller, out.end(), [](float v) { return v > 0; }));
}

// A length or mass at which a rule switches, and the isolen it gives.
struct Bound {
    float input;
    int isolen;
};

inline std::string repeat(const std::string &unit, std::size_t bytes) {
    std::string text;
    while (text.size() < bytes) text += unit;
    text.resize(bytes);
    return text;
}

inline std::vector<float> mass_features(float mass) {
    std::vector<float> features(5);
    mass_to_vector(mass, features.data());
    return features;
}

inline int placed_points(const std::vector<float> &out) {
    return static_cast<int>(std::count_if(out.begin(), out.end(), [](float v) { return v > 0; }));
}

// Bad frames (offset at or past n, n not positive, negative offset, no
// out) fail with -1 before anything is written or printed.
inline void expect_frame_refusals(const std::string &name, const Member &member) {
    const std::tuple<int, int, bool> bad[] = {{8, 8, false}, {8, 9, false},  {8, 20, false},
                                              {0, 0, false}, {-3, 0, false}, {8, -1, false},
                                              {8, 0, true}};
    for (const auto &[n, offset, null_out] : bad) {
        std::vector<float> out(8, 7.0f);
        float result = 0;
        const std::string printed = test_support::stdout_of(
            [&] { result = member(null_out ? nullptr : out.data(), n, offset); });
        EXPECT_EQ(result, -1.0f) << name << " n=" << n << " offset=" << offset;
        EXPECT_EQ(printed, "") << name;
        EXPECT_TRUE(std::all_of(out.begin(), out.end(), [](float v) { return v == 7.0f; })) << name;
    }
}

// A member that fails after its frame check: -1, out zeroed, `message`.
struct Failure {
    const char *name;
    Member call;
    std::string message;
};

class MemberFailure : public testing::TestWithParam<Failure> {};
GTEST_ALLOW_UNINSTANTIATED_PARAMETERIZED_TEST(MemberFailure); // each program uses some suites

TEST_P(MemberFailure, ReturnsMinusOneWithOutZeroedAndItsMessage) {
    std::vector<float> out(64, 7.0f);
    float result = 0.0f;
    const std::string printed =
        test_support::stdout_of([&] { result = GetParam().call(out.data(), 64, 0); });
    EXPECT_EQ(result, -1.0f);
    EXPECT_TRUE(test_support::all_zero(out));
    EXPECT_EQ(printed, GetParam().message);
}

inline std::string failure_name(const testing::TestParamInfo<Failure> &info) {
    return info.param.name;
}

// The distribution calls every family has: the same frame and the same
// weight-file failures hold for each family's own members.
using SequenceCall = float (*)(const char *, float *, int, int);
using MassCall = float (*)(float *, int, int, float);
using CustomSequenceCall = float (*)(const char *, float *, int, int, const char *);
using CustomMassCall = float (*)(float *, int, int, const char *, float);

struct FamilyCalls {
    std::string family; // "pep" or "rna", as the call names write it
    SequenceCall fft_seq, brain_seq, nn_seq;
    MassCall fft_mass, brain_mass, nn_mass;
    CustomSequenceCall nn_seq_custom;
    CustomMassCall nn_mass_custom;
};

struct NamedMember {
    std::string name;
    Member call;
};

inline FamilyCalls peptide_calls() {
    return {"pep",
            fft_pep_seq_to_dist,
            brain_pep_seq_to_dist,
            nn_pep_seq_to_dist,
            fft_pep_mass_to_dist,
            brain_pep_mass_to_dist,
            nn_pep_mass_to_dist,
            nn_pep_seq_to_dist_custom,
            nn_pep_mass_to_dist_custom};
}

inline FamilyCalls rna_calls() {
    return {"rna",
            fft_rna_seq_to_dist,
            brain_rna_seq_to_dist,
            nn_rna_seq_to_dist,
            fft_rna_mass_to_dist,
            brain_rna_mass_to_dist,
            nn_rna_mass_to_dist,
            nn_rna_seq_to_dist_custom,
            nn_rna_mass_to_dist_custom};
}

// Each of the family's calls on a valid `sequence` or `mass` (the custom
// calls on a weight file that does not exist, which the frame check precedes).
inline std::vector<NamedMember> frame_members(const FamilyCalls &f, const std::string &sequence,
                                              float mass) {
    const auto custom_seq = f.nn_seq_custom;
    const auto custom_mass = f.nn_mass_custom;
    return {
        {"fft_" + f.family + "_mass", mass_member(f.fft_mass, mass)},
        {"fft_" + f.family + "_seq", sequence_member(f.fft_seq, sequence)},
        {"brain_" + f.family + "_mass", mass_member(f.brain_mass, mass)},
        {"brain_" + f.family + "_seq", sequence_member(f.brain_seq, sequence)},
        {"nn_" + f.family + "_mass", mass_member(f.nn_mass, mass)},
        {"nn_" + f.family + "_seq", sequence_member(f.nn_seq, sequence)},
        {"nn_" + f.family + "_mass_custom",
         [=](float *o, int n, int k) { return custom_mass(o, n, k, "/x", mass); }},
        {"nn_" + f.family + "_seq_custom",
         [=](float *o, int n, int k) { return custom_seq(sequence.c_str(), o, n, k, "/x"); }},
    };
}

// The custom calls' silent failures: no sequence, an empty one, and a
// weight file that does not exist for a valid sequence and for a mass.
inline std::vector<Failure> custom_failures(const FamilyCalls &f, const std::string &sequence,
                                            const std::string &missing_file) {
    const auto custom_seq = f.nn_seq_custom;
    const auto custom_mass = f.nn_mass_custom;
    return {
        {"custom_seq_null",
         [=](float *o, int n, int k) { return custom_seq(nullptr, o, n, k, "/x"); }, ""},
        {"custom_seq_empty", [=](float *o, int n, int k) { return custom_seq("", o, n, k, "/x"); },
         ""},
        {"custom_seq_no_file",
         [=](float *o, int n, int k) {
             return custom_seq(sequence.c_str(), o, n, k, missing_file.c_str());
         },
         ""},
        {"custom_mass_no_file",
         [=](float *o, int n, int k) { return custom_mass(o, n, k, missing_file.c_str(), 900); },
         ""},
    };
}

// Failures that print nothing: a member's {name, input} each.
inline std::vector<Failure>
silent_failures(SequenceCall call,
                std::initializer_list<std::pair<const char *, const char *>> sequences) {
    std::vector<Failure> failures;
    for (const auto &[name, sequence] : sequences)
        failures.push_back(
            {name, [call, sequence](float *o, int n, int k) { return call(sequence, o, n, k); },
             ""});
    return failures;
}

inline std::vector<Failure>
silent_failures(MassCall call, std::initializer_list<std::pair<const char *, float>> masses) {
    std::vector<Failure> failures;
    for (const auto &[name, mass] : masses) failures.push_back({name, mass_member(call, mass), ""});
    return failures;
}

inline std::vector<Failure> joined(std::vector<Failure> first,
                                   std::initializer_list<std::vector<Failure>> more) {
    for (const auto &failures : more) first.insert(first.end(), failures.begin(), failures.end());
    return first;
}

// A length or mass rule at one input: the isolen it must give.
struct RuleCase {
    int (*rule)(float);
    float input;
    int isolen;
};

inline std::vector<RuleCase> rule_cases(int (*rule)(float),
                                        std::initializer_list<std::pair<float, int>> bounds) {
    return cases_of<RuleCase>(rule, bounds);
}

class IsolenRule : public testing::TestWithParam<RuleCase> {};
GTEST_ALLOW_UNINSTANTIATED_PARAMETERIZED_TEST(IsolenRule); // each program uses some suites

TEST_P(IsolenRule, Bounds) {
    EXPECT_EQ(GetParam().rule(GetParam().input), GetParam().isolen) << GetParam().input;
}

// A network member's 200-point result (peak, out) must be the chosen
// network run directly on `features`, with exactly its outputs placed.
inline void expect_network_result(float peak, const std::vector<float> &out,
                                  corvan::nn::Network network, const std::vector<float> &features) {
    float expected_peak = 0;
    const auto expected = test_support::run_directly(network, features, 200, &expected_peak);
    EXPECT_EQ(peak, expected_peak);
    EXPECT_EQ(out, expected);
    EXPECT_EQ(placed_points(out), corvan::nn::info(network).outputs);
}

// A network member on one input and the network that input must choose.
struct NetworkChoice {
    Member call;
    std::function<std::vector<float>()> features;
    corvan::nn::Network network;
};

template <class Input, class MemberOf, class FeaturesOf>
std::vector<NetworkChoice>
network_choices(MemberOf member_of, FeaturesOf features_of,
                std::initializer_list<std::pair<Input, corvan::nn::Network>> bounds) {
    std::vector<NetworkChoice> choices;
    for (const auto &[input, network] : bounds)
        choices.push_back({member_of(input), [=] { return features_of(input); }, network});
    return choices;
}

inline std::vector<NetworkChoice>
mass_network_choices(float (*call)(float *, int, int, float),
                     std::initializer_list<std::pair<float, corvan::nn::Network>> bounds) {
    return network_choices<float>([call](float mass) { return mass_member(call, mass); },
                                  mass_features, bounds);
}

class ChosenNetwork : public testing::TestWithParam<NetworkChoice> {};
GTEST_ALLOW_UNINSTANTIATED_PARAMETERIZED_TEST(ChosenNetwork); // each program uses some suites

TEST_P(ChosenNetwork, RunsOnTheInputsFeatures) {
    std::vector<float> out(200, 7.0f);
    const float peak = GetParam().call(out.data(), 200, 0);
    expect_network_result(peak, out, GetParam().network, GetParam().features());
}

// A weight blob written to a temporary file.
inline std::string blob_text(const unsigned char *blob, std::size_t bytes) {
    return std::string(reinterpret_cast<const char *>(blob), bytes);
}

} // namespace family_checks
