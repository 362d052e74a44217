// Peptide distributions through the FFT and BRAIN engines: member input
// checks, length rules at their bounds, placement and peak source, and the
// frame checks shared by all eight peptide calls.
#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <functional>
#include <limits>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "corvan.h"
#include "test_support.hpp"

namespace {

using test_support::all_zero;
using test_support::stdout_of;
constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();
constexpr float kInf = std::numeric_limits<float>::infinity();

using Engine = float (*)(const int *, int, float *);

// What a window-placed, engine-peak member must produce for `fftlist` at
// `isolen`: the engine's own points shifted into [0, min(isolen, n)).
struct Expected {
    float peak;
    std::vector<float> out;
};

Expected window_of(Engine engine, std::array<int, 5> fftlist, int isolen, int n, int offset) {
    std::vector<float> points(isolen);
    Expected expected{engine(fftlist.data(), isolen, points.data()), std::vector<float>(n, 0.0f)};
    for (int i = offset; i < std::min(isolen, n); ++i) expected.out[i] = points[i - offset];
    if (expected.peak > 0)
        for (float &v : expected.out) v /= expected.peak;
    return expected;
}

std::array<int, 5> sequence_composition(const std::string &sequence) {
    std::array<int, 5> fftlist{};
    pep_seq_to_fftlist(sequence.c_str(), fftlist.data());
    return fftlist;
}

std::array<int, 5> mass_composition(float mass) {
    std::array<int, 5> fftlist{};
    pep_mass_to_fftlist(mass, fftlist.data());
    return fftlist;
}

// ---- the frame check, shared by every peptide member ----------------------

using AnyCall = std::function<float(float *, int, int)>;

struct NamedCall {
    const char *name;
    AnyCall call;
};

std::vector<NamedCall> peptide_calls() {
    return {
        {"fft_pep_mass",
         [](float *o, int n, int k) { return fft_pep_mass_to_dist(o, n, k, 1000); }},
        {"fft_pep_seq", [](float *o, int n, int k) { return fft_pep_seq_to_dist("GAG", o, n, k); }},
        {"brain_pep_mass",
         [](float *o, int n, int k) { return brain_pep_mass_to_dist(o, n, k, 1000); }},
        {"brain_pep_seq",
         [](float *o, int n, int k) { return brain_pep_seq_to_dist("GAG", o, n, k); }},
        {"nn_pep_mass", [](float *o, int n, int k) { return nn_pep_mass_to_dist(o, n, k, 1000); }},
        {"nn_pep_seq", [](float *o, int n, int k) { return nn_pep_seq_to_dist("GAG", o, n, k); }},
        {"nn_pep_mass_custom",
         [](float *o, int n, int k) { return nn_pep_mass_to_dist_custom(o, n, k, "/x", 1000); }},
        {"nn_pep_seq_custom",
         [](float *o, int n, int k) { return nn_pep_seq_to_dist_custom("GAG", o, n, k, "/x"); }},
        {"fitting", [](float *o, int n, int k) { return pep_mass_to_dist_fitting(o, n, k, 1000); }},
    };
}

TEST(PeptideFrame, BadArgumentsLeaveOutUntouched) {
    struct Bad {
        int n, offset;
        bool null_out;
    };
    const Bad bad[] = {{8, 8, false},  {8, 9, false},  {0, 0, false},
                       {-3, 0, false}, {8, -1, false}, {8, 0, true}};
    for (const auto &member : peptide_calls()) {
        for (const Bad &b : bad) {
            std::vector<float> out(8, 7.0f);
            EXPECT_EQ(member.call(b.null_out ? nullptr : out.data(), b.n, b.offset), -1.0f)
                << member.name << " n=" << b.n << " offset=" << b.offset;
            EXPECT_TRUE(std::all_of(out.begin(), out.end(), [](float v) { return v == 7.0f; }))
                << member.name;
        }
    }
}

TEST(PeptideFrame, OffsetNMinusOneWritesAtMostTheLastPoint) {
    std::vector<float> out(16, 7.0f);
    const float peak = fft_pep_seq_to_dist("GAG", out.data(), 16, 15);
    EXPECT_GT(peak, 0.0f);
    for (int i = 0; i < 15; ++i) EXPECT_EQ(out[i], 0.0f);
    EXPECT_EQ(out[15], 1.0f) << "point 0 of a tripeptide is its highest";
}

// ---- failures after zeroing -------------------------------------------

struct Failure {
    const char *name;
    std::function<float(float *, int, int)> call;
    const char *message;
};

class PeptideFailure : public testing::TestWithParam<Failure> {};

TEST_P(PeptideFailure, ReturnsMinusOneWithOutZeroedAndItsMessage) {
    std::vector<float> out(64, 7.0f);
    float result = 0.0f;
    const std::string printed = stdout_of([&] { result = GetParam().call(out.data(), 64, 0); });
    EXPECT_EQ(result, -1.0f);
    EXPECT_TRUE(all_zero(out));
    EXPECT_EQ(printed, GetParam().message);
}

const std::string kG1001(1001, 'G');

INSTANTIATE_TEST_SUITE_P(
    Members, PeptideFailure,
    testing::Values(
        Failure{"fft_seq_null",
                [](float *o, int n, int k) { return fft_pep_seq_to_dist(nullptr, o, n, k); }, ""},
        Failure{"fft_seq_1001",
                [](float *o, int n, int k) { return fft_pep_seq_to_dist(kG1001.c_str(), o, n, k); },
                "Sequence contains too many amino acids (>1000)."},
        Failure{"fft_seq_formula_message_first",
                [](float *o, int n, int k) {
                    return fft_pep_seq_to_dist(("[2H]" + kG1001).c_str(), o, n, k);
                },
                "Error while parsing modification formula:2H\n"
                "Sequence contains too many amino acids (>1000)."},
        Failure{"fft_mass_negative",
                [](float *o, int n, int k) { return fft_pep_mass_to_dist(o, n, k, -1000); }, ""},
        Failure{"fft_mass_tiny_negative",
                [](float *o, int n, int k) { return fft_pep_mass_to_dist(o, n, k, -1e-30f); }, ""},
        Failure{"fft_mass_nan",
                [](float *o, int n, int k) { return fft_pep_mass_to_dist(o, n, k, kNaN); }, ""},
        Failure{"fft_mass_inf",
                [](float *o, int n, int k) { return fft_pep_mass_to_dist(o, n, k, kInf); }, ""},
        Failure{"fft_mass_beyond_int",
                [](float *o, int n, int k) { return fft_pep_mass_to_dist(o, n, k, 1e30f); }, ""},
        Failure{"brain_seq_null",
                [](float *o, int n, int k) { return brain_pep_seq_to_dist(nullptr, o, n, k); }, ""},
        Failure{"brain_seq_empty",
                [](float *o, int n, int k) { return brain_pep_seq_to_dist("", o, n, k); }, ""},
        Failure{"brain_seq_formula_only",
                [](float *o, int n, int k) { return brain_pep_seq_to_dist("[C2H2O]", o, n, k); },
                ""},
        Failure{"brain_mass_zero",
                [](float *o, int n, int k) { return brain_pep_mass_to_dist(o, n, k, 0); }, ""},
        Failure{"brain_mass_negative",
                [](float *o, int n, int k) { return brain_pep_mass_to_dist(o, n, k, -500); }, ""},
        Failure{"brain_mass_nan",
                [](float *o, int n, int k) { return brain_pep_mass_to_dist(o, n, k, kNaN); }, ""},
        Failure{"brain_mass_inf",
                [](float *o, int n, int k) { return brain_pep_mass_to_dist(o, n, k, kInf); }, ""},
        Failure{"brain_mass_beyond_int",
                [](float *o, int n, int k) { return brain_pep_mass_to_dist(o, n, k, 1e30f); }, ""}),
    [](const auto &test) { return std::string(test.param.name); });

// ---- values, length rules and placement ---------------------------------

TEST(FftPeptide, EmptySequenceIsOneWater) {
    std::vector<float> out(64);
    const Expected water = window_of(fft_list_to_dist, {0, 2, 0, 1, 0}, 64, 64, 0);
    EXPECT_EQ(fft_pep_seq_to_dist("", out.data(), 64, 0), water.peak);
    EXPECT_NEAR(water.peak, 0.99734f, 1e-4f);
    EXPECT_EQ(out, water.out);
    EXPECT_EQ(out[0], 1.0f);
}

TEST(FftPeptide, FormulaOnlySequenceIsWaterPlusFormula) {
    std::vector<float> out(64);
    const Expected expected = window_of(fft_list_to_dist, {2, 4, 0, 2, 0}, 64, 64, 0);
    EXPECT_EQ(fft_pep_seq_to_dist("[C2H2O]", out.data(), 64, 0), expected.peak);
    EXPECT_EQ(out, expected.out);
}

TEST(FftPeptide, MassBelowHalfAUnitIsTheEmptyComposition) {
    for (auto call : {fft_pep_mass_to_dist, brain_pep_mass_to_dist}) {
        std::vector<float> out(64, 7.0f);
        EXPECT_EQ(call(out.data(), 64, 0, 50), 1.0f);
        EXPECT_EQ(out[0], 1.0f);
        for (int i = 1; i < 64; ++i) EXPECT_NEAR(out[i], 0.0f, 1e-6f) << i;
    }
    std::vector<float> out(64, 7.0f);
    EXPECT_EQ(fft_pep_mass_to_dist(out.data(), 64, 0, 0.0f), 1.0f) << "zero mass is no failure";
}

struct SequenceBound {
    int residues;
    int fft_isolen; // -1: fails
    int brain_isolen;
};

class PeptideSequenceBounds : public testing::TestWithParam<SequenceBound> {};

TEST_P(PeptideSequenceBounds, UseTheMembersOwnLengths) {
    const auto b = GetParam();
    const std::string sequence(b.residues, 'G');
    const auto fftlist = sequence_composition(sequence);
    constexpr int n = 1024;
    std::vector<float> out(n);
    if (b.fft_isolen > 0) {
        const Expected fft = window_of(fft_list_to_dist, fftlist, b.fft_isolen, n, 0);
        EXPECT_EQ(fft_pep_seq_to_dist(sequence.c_str(), out.data(), n, 0), fft.peak);
        EXPECT_EQ(out, fft.out) << "fft isolen should be " << b.fft_isolen;
    }
    const Expected brain = window_of(brain_list_to_dist, fftlist, b.brain_isolen, n, 0);
    EXPECT_EQ(brain_pep_seq_to_dist(sequence.c_str(), out.data(), n, 0), brain.peak);
    EXPECT_EQ(out, brain.out) << "brain isolen should be " << b.brain_isolen;
    // Beyond the next smaller length the longer result really has points.
    if (b.brain_isolen > 64) {
        const int smaller = b.brain_isolen == 1024 ? 128 : 64;
        EXPECT_TRUE(std::any_of(out.begin() + smaller, out.end(), [](float v) { return v > 0; }));
    }
}

INSTANTIATE_TEST_SUITE_P(Bounds, PeptideSequenceBounds,
                         testing::Values(SequenceBound{1, 64, 64}, SequenceBound{50, 64, 64},
                                         SequenceBound{51, 64, 64}, SequenceBound{300, 64, 64},
                                         SequenceBound{301, 128, 128},
                                         SequenceBound{1000, 128, 128},
                                         SequenceBound{1001, -1, 1024}));

struct MassBound {
    float mass;
    int isolen;
};

class PeptideMassBounds : public testing::TestWithParam<MassBound> {};

TEST_P(PeptideMassBounds, FollowTheFftMassRule) {
    const auto b = GetParam();
    const auto fftlist = mass_composition(b.mass);
    constexpr int n = 1100;
    std::vector<float> out(n);
    const Expected fft = window_of(fft_list_to_dist, fftlist, b.isolen, n, 0);
    EXPECT_EQ(fft_pep_mass_to_dist(out.data(), n, 0, b.mass), fft.peak);
    EXPECT_EQ(out, fft.out);
    const Expected brain = window_of(brain_list_to_dist, fftlist, b.isolen, n, 0);
    EXPECT_EQ(brain_pep_mass_to_dist(out.data(), n, 0, b.mass), brain.peak);
    EXPECT_EQ(out, brain.out);
}

INSTANTIATE_TEST_SUITE_P(Bounds, PeptideMassBounds,
                         testing::Values(MassBound{1000, 64}, MassBound{49999, 64},
                                         MassBound{50000, 128}, MassBound{119999, 128},
                                         MassBound{120000, 1024}));

TEST(PeptidePlacement, WindowDropsTheTailAndKeepsTheEnginePeak) {
    // A 40 kDa peptide peaks near point 22; with offset 50 only points 0..13
    // fit into the window, so nothing reaches 1.
    const auto fftlist = mass_composition(40000);
    for (Engine engine : {Engine(fft_list_to_dist), Engine(brain_list_to_dist)}) {
        const Expected expected = window_of(engine, fftlist, 64, 64, 50);
        std::vector<float> out(64);
        const float peak = engine == Engine(fft_list_to_dist)
                               ? fft_pep_mass_to_dist(out.data(), 64, 50, 40000)
                               : brain_pep_mass_to_dist(out.data(), 64, 50, 40000);
        EXPECT_EQ(peak, expected.peak);
        EXPECT_EQ(out, expected.out);
        EXPECT_LT(*std::max_element(out.begin(), out.end()), 1.0f);
        EXPECT_GT(out[50], 0.0f);
    }
}

TEST(PeptidePlacement, WindowStopsAtIsolenEvenWithRoomAfterIt) {
    std::vector<float> out(100);
    const Expected expected =
        window_of(fft_list_to_dist, sequence_composition("PEPTIDE"), 64, 100, 10);
    EXPECT_EQ(fft_pep_seq_to_dist("PEPTIDE", out.data(), 100, 10), expected.peak);
    EXPECT_EQ(out, expected.out);
    for (int i = 64; i < 100; ++i) EXPECT_EQ(out[i], 0.0f);
    EXPECT_EQ(out[10], 1.0f);
}

TEST(PeptidePlacement, OffsetBeyondIsolenPlacesNothingButReturnsTheEnginePeak) {
    std::vector<float> out(100, 7.0f);
    const Expected expected =
        window_of(brain_list_to_dist, sequence_composition("PEPTIDE"), 64, 100, 70);
    EXPECT_EQ(brain_pep_seq_to_dist("PEPTIDE", out.data(), 100, 70), expected.peak);
    EXPECT_GT(expected.peak, 0.0f);
    EXPECT_TRUE(all_zero(out));
}

TEST(PeptideSequence, ModificationChangesTheDistribution) {
    std::vector<float> plain(64), modified(64);
    fft_pep_seq_to_dist("PEPTIDEK", plain.data(), 64, 0);
    fft_pep_seq_to_dist("PEPTIDE[C2H2O]K", modified.data(), 64, 0);
    const Expected expected =
        window_of(fft_list_to_dist, sequence_composition("PEPTIDE[C2H2O]K"), 64, 64, 0);
    EXPECT_EQ(modified, expected.out);
    EXPECT_NE(plain, modified);
}

TEST(PeptideSequence, ParseMessageDoesNotStopTheCall) {
    std::vector<float> out(64);
    float peak = 0;
    const std::string printed =
        stdout_of([&] { peak = fft_pep_seq_to_dist("GAG[2H]", out.data(), 64, 0); });
    EXPECT_EQ(printed, "Error while parsing modification formula:2H\n");
    EXPECT_EQ(peak, window_of(fft_list_to_dist, {7, 13, 3, 4, 0}, 64, 64, 0).peak);
}

} // namespace
