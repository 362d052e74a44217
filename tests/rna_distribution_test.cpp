// RNA distributions through the FFT and BRAIN engines: member input checks,
// length rules at their bounds, the shifted placement of the FFT members
// against the window placement of the BRAIN members, and the frame checks
// shared by all eight RNA calls.
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

struct Expected {
    float peak;
    std::vector<float> out;
};

// The engine's points placed as the members place them, scaled by its peak.
Expected placed(Engine engine, std::array<int, 5> fftlist, int isolen, int n, int offset,
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

std::array<int, 5> sequence_composition(const std::string &sequence) {
    std::array<int, 5> fftlist{};
    rna_seq_to_fftlist(sequence.c_str(), fftlist.data());
    return fftlist;
}

std::array<int, 5> mass_composition(float mass) {
    std::array<int, 5> fftlist{};
    rna_mass_to_list(mass, fftlist.data());
    return fftlist;
}

std::string repeat(const std::string &unit, int bytes) {
    std::string text;
    while (static_cast<int>(text.size()) < bytes) text += unit;
    text.resize(bytes);
    return text;
}

// ---- frame ------------------------------------------------------------

TEST(RnaFrame, BadArgumentsLeaveOutUntouched) {
    using Call = std::function<float(float *, int, int)>;
    const Call calls[] = {
        [](float *o, int n, int k) { return fft_rna_mass_to_dist(o, n, k, 5000); },
        [](float *o, int n, int k) { return fft_rna_seq_to_dist("ACGU", o, n, k); },
        [](float *o, int n, int k) { return brain_rna_mass_to_dist(o, n, k, 5000); },
        [](float *o, int n, int k) { return brain_rna_seq_to_dist("ACGU", o, n, k); },
        [](float *o, int n, int k) { return nn_rna_mass_to_dist(o, n, k, 5000); },
        [](float *o, int n, int k) { return nn_rna_seq_to_dist("ACGU", o, n, k); },
        [](float *o, int n, int k) { return nn_rna_mass_to_dist_custom(o, n, k, "/x", 5000); },
        [](float *o, int n, int k) { return nn_rna_seq_to_dist_custom("ACGU", o, n, k, "/x"); },
    };
    for (std::size_t member = 0; member < std::size(calls); ++member) {
        for (auto [n, offset, null_out] :
             {std::tuple{8, 8, false}, std::tuple{8, 20, false}, std::tuple{0, 0, false},
              std::tuple{8, -1, false}, std::tuple{8, 0, true}}) {
            std::vector<float> out(8, 7.0f);
            std::string printed;
            float result = 0;
            printed = stdout_of(
                [&] { result = calls[member](null_out ? nullptr : out.data(), n, offset); });
            EXPECT_EQ(result, -1.0f) << "member " << member;
            EXPECT_EQ(printed, "") << "member " << member;
            for (float v : out) EXPECT_EQ(v, 7.0f) << "member " << member;
        }
    }
}

// ---- failures after zeroing -------------------------------------------

struct Failure {
    const char *name;
    std::function<float(float *, int, int)> call;
};

class RnaFailure : public testing::TestWithParam<Failure> {};

TEST_P(RnaFailure, ReturnsMinusOneWithOutZeroedSilently) {
    std::vector<float> out(64, 7.0f);
    float result = 0.0f;
    const std::string printed = stdout_of([&] { result = GetParam().call(out.data(), 64, 0); });
    EXPECT_EQ(result, -1.0f);
    EXPECT_TRUE(all_zero(out));
    EXPECT_EQ(printed, "");
}

INSTANTIATE_TEST_SUITE_P(
    Members, RnaFailure,
    testing::Values(
        Failure{"fft_seq_null",
                [](float *o, int n, int k) { return fft_rna_seq_to_dist(nullptr, o, n, k); }},
        Failure{"fft_mass_nan",
                [](float *o, int n, int k) { return fft_rna_mass_to_dist(o, n, k, kNaN); }},
        Failure{"fft_mass_inf",
                [](float *o, int n, int k) { return fft_rna_mass_to_dist(o, n, k, kInf); }},
        Failure{"fft_mass_minus_inf",
                [](float *o, int n, int k) { return fft_rna_mass_to_dist(o, n, k, -kInf); }},
        Failure{"fft_mass_beyond_int",
                [](float *o, int n, int k) { return fft_rna_mass_to_dist(o, n, k, 1e12f); }},
        Failure{"fft_mass_far_below_int",
                [](float *o, int n, int k) { return fft_rna_mass_to_dist(o, n, k, -1e12f); }},
        Failure{"brain_seq_null",
                [](float *o, int n, int k) { return brain_rna_seq_to_dist(nullptr, o, n, k); }},
        Failure{"brain_seq_empty",
                [](float *o, int n, int k) { return brain_rna_seq_to_dist("", o, n, k); }},
        Failure{"brain_mass_zero",
                [](float *o, int n, int k) { return brain_rna_mass_to_dist(o, n, k, 0); }},
        Failure{"brain_mass_negative",
                [](float *o, int n, int k) { return brain_rna_mass_to_dist(o, n, k, -5); }},
        Failure{"brain_mass_below_64",
                [](float *o, int n, int k) { return brain_rna_mass_to_dist(o, n, k, 60); }},
        Failure{"brain_mass_nan",
                [](float *o, int n, int k) { return brain_rna_mass_to_dist(o, n, k, kNaN); }},
        Failure{"brain_mass_inf",
                [](float *o, int n, int k) { return brain_rna_mass_to_dist(o, n, k, kInf); }},
        Failure{"brain_mass_beyond_int",
                [](float *o, int n, int k) { return brain_rna_mass_to_dist(o, n, k, 1e12f); }}),
    [](const auto &test) { return std::string(test.param.name); });

// ---- lengths, placement and values --------------------------------------

struct LengthBound {
    int bytes;
    int isolen;
};

class RnaSequenceBounds : public testing::TestWithParam<LengthBound> {};

TEST_P(RnaSequenceBounds, FftShiftsAndBrainWindows) {
    const auto b = GetParam();
    const std::string sequence = repeat("ACGGU", b.bytes);
    const auto fftlist = sequence_composition(sequence);
    constexpr int n = 1100;
    std::vector<float> out(n);
    const Expected fft = placed(fft_list_to_dist, fftlist, b.isolen, n, 0, true);
    EXPECT_EQ(fft_rna_seq_to_dist(sequence.c_str(), out.data(), n, 0), fft.peak);
    EXPECT_EQ(out, fft.out);
    const Expected brain = placed(brain_list_to_dist, fftlist, b.isolen, n, 0, false);
    EXPECT_EQ(brain_rna_seq_to_dist(sequence.c_str(), out.data(), n, 0), brain.peak);
    EXPECT_EQ(out, brain.out);
    if (b.isolen > 64) {
        const int smaller = b.isolen == 1024 ? 128 : 64;
        EXPECT_TRUE(std::any_of(out.begin() + smaller, out.end(), [](float v) { return v > 0; }));
    }
}

INSTANTIATE_TEST_SUITE_P(Bounds, RnaSequenceBounds,
                         testing::Values(LengthBound{1, 64}, LengthBound{199, 64},
                                         LengthBound{200, 128}, LengthBound{500, 128},
                                         LengthBound{501, 1024}));

struct MassBound {
    float mass;
    int isolen;
};

class RnaMassBounds : public testing::TestWithParam<MassBound> {};

TEST_P(RnaMassBounds, FollowTheFftMassRule) {
    const auto b = GetParam();
    const auto fftlist = mass_composition(b.mass);
    constexpr int n = 1100;
    std::vector<float> out(n);
    // At a non-zero offset the FFT call's shift and the BRAIN call's window
    // differ (n > isolen), so a wrong placement shows.
    for (int offset : {0, 7}) {
        const Expected fft = placed(fft_list_to_dist, fftlist, b.isolen, n, offset, true);
        EXPECT_EQ(fft_rna_mass_to_dist(out.data(), n, offset, b.mass), fft.peak);
        EXPECT_EQ(out, fft.out) << "offset " << offset;
        const Expected brain = placed(brain_list_to_dist, fftlist, b.isolen, n, offset, false);
        EXPECT_EQ(brain_rna_mass_to_dist(out.data(), n, offset, b.mass), brain.peak);
        EXPECT_EQ(out, brain.out) << "offset " << offset;
    }
}

INSTANTIATE_TEST_SUITE_P(Bounds, RnaMassBounds,
                         testing::Values(MassBound{5000, 64}, MassBound{64999, 64},
                                         MassBound{65000, 128}, MassBound{164999, 128},
                                         MassBound{165000, 1024}));

TEST(RnaPlacement, ShiftedAgainstWindowWithNOf100AndOffset10) {
    const std::string sequence = "ACGUACGUACGU";
    const auto fftlist = sequence_composition(sequence);
    std::vector<float> fft_out(100), brain_out(100);
    const Expected fft = placed(fft_list_to_dist, fftlist, 64, 100, 10, true);
    const Expected brain = placed(brain_list_to_dist, fftlist, 64, 100, 10, false);
    EXPECT_EQ(fft_rna_seq_to_dist(sequence.c_str(), fft_out.data(), 100, 10), fft.peak);
    EXPECT_EQ(brain_rna_seq_to_dist(sequence.c_str(), brain_out.data(), 100, 10), brain.peak);
    EXPECT_EQ(fft_out, fft.out);
    EXPECT_EQ(brain_out, brain.out);
    for (int i = 0; i < 10; ++i) EXPECT_EQ(fft_out[i] + brain_out[i], 0.0f);
    for (int i = 64; i < 100; ++i) EXPECT_EQ(brain_out[i], 0.0f) << i;
    for (int i = 74; i < 100; ++i) EXPECT_EQ(fft_out[i], 0.0f) << i;
    // The shifted FFT result keeps its last ten points (rounding-level values).
    EXPECT_TRUE(
        std::any_of(fft_out.begin() + 64, fft_out.begin() + 74, [](float v) { return v > 0; }));
    EXPECT_EQ(*std::max_element(fft_out.begin(), fft_out.end()), 1.0f);
    EXPECT_EQ(*std::max_element(brain_out.begin(), brain_out.end()), 1.0f);
}

TEST(RnaFft, EmptyAndInvalidSequencesAreTheEmptyComposition) {
    const Expected empty = placed(fft_list_to_dist, {0, 0, 0, 0, 0}, 64, 64, 0, true);
    std::vector<float> out(64);
    EXPECT_EQ(fft_rna_seq_to_dist("", out.data(), 64, 0), empty.peak);
    EXPECT_EQ(out, empty.out);
    std::string printed;
    float peak = 0;
    printed = stdout_of([&] { peak = fft_rna_seq_to_dist("xT", out.data(), 64, 0); });
    EXPECT_EQ(printed,
              "Unexpected nucleotide in sequence:x\nUnexpected nucleotide in sequence:T\n");
    EXPECT_EQ(peak, empty.peak);
    printed = stdout_of([&] { peak = brain_rna_seq_to_dist("xT", out.data(), 64, 0); });
    EXPECT_EQ(peak, 1.0f) << "BRAIN of the empty composition";
    EXPECT_EQ(out[0], 1.0f);
}

TEST(RnaFft, SmallMassesPassTheirNegativeOxygenToTheEngine) {
    for (float mass : {0.0f, 30.0f, -100.0f}) {
        const auto fftlist = mass_composition(mass);
        ASSERT_LT(fftlist[3], 0) << mass;
        const Expected expected = placed(fft_list_to_dist, fftlist, 64, 64, 0, true);
        std::vector<float> out(64);
        const float peak = fft_rna_mass_to_dist(out.data(), 64, 0, mass);
        if (std::isnan(expected.peak)) {
            EXPECT_TRUE(std::isnan(peak)) << mass;
        } else {
            EXPECT_EQ(peak, expected.peak) << mass;
        }
        for (int i = 0; i < 64; ++i)
            EXPECT_TRUE(out[i] == expected.out[i] ||
                        (std::isnan(out[i]) && std::isnan(expected.out[i])))
                << mass << " at " << i;
    }
}

TEST(RnaBrain, MassJustAboveTheOxygenEdgeWorks) {
    std::vector<float> out(64);
    EXPECT_EQ(brain_rna_mass_to_dist(out.data(), 64, 0, 64.0f), -1.0f);
    EXPECT_GT(brain_rna_mass_to_dist(out.data(), 64, 0, 65.0f), 0.0f);
}

} // namespace
