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
#include "family_checks.hpp"
#include "test_support.hpp"

namespace {

using namespace family_checks;
using test_support::stdout_of;

std::array<int, 5> sequence_composition(const std::string &sequence) {
    return family_checks::composition(rna_seq_to_fftlist, sequence);
}

std::array<int, 5> mass_composition(float mass) {
    return family_checks::composition(rna_mass_to_list, mass);
}

// ---- frame ------------------------------------------------------------

TEST(RnaFrame, BadArgumentsLeaveOutUntouched) {
    for (const auto &[name, call] :
         family_checks::frame_members(family_checks::rna_calls(), "ACGU", 5000))
        family_checks::expect_frame_refusals(name, call);
}

// ---- failures after zeroing -------------------------------------------

INSTANTIATE_TEST_SUITE_P(
    Members, MemberFailure,
    testing::ValuesIn(family_checks::joined(
        family_checks::silent_failures(fft_rna_seq_to_dist, {{"fft_seq_null", nullptr}}),
        {family_checks::silent_failures(fft_rna_mass_to_dist, {{"fft_mass_nan", kNaN},
                                                               {"fft_mass_inf", kInf},
                                                               {"fft_mass_minus_inf", -kInf},
                                                               {"fft_mass_beyond_int", 1e12f},
                                                               {"fft_mass_far_below_int", -1e12f}}),
         family_checks::silent_failures(brain_rna_seq_to_dist,
                                        {{"brain_seq_null", nullptr}, {"brain_seq_empty", ""}}),
         family_checks::silent_failures(brain_rna_mass_to_dist,
                                        {{"brain_mass_zero", 0},
                                         {"brain_mass_negative", -5},
                                         {"brain_mass_below_64", 60},
                                         {"brain_mass_nan", kNaN},
                                         {"brain_mass_inf", kInf},
                                         {"brain_mass_beyond_int", 1e12f}})})),
    family_checks::failure_name);

// ---- lengths, placement and values --------------------------------------

class RnaSequenceBounds : public testing::TestWithParam<Bound> {};

TEST_P(RnaSequenceBounds, FftShiftsAndBrainWindows) {
    const auto [bytes, isolen] = GetParam();
    const std::string sequence = repeat("ACGGU", static_cast<std::size_t>(bytes));
    const auto fftlist = sequence_composition(sequence);
    expect_engine_result(sequence_member(fft_rna_seq_to_dist, sequence), fft_list_to_dist, fftlist,
                         isolen, 1100, 0, true);
    const auto out = expect_engine_result(sequence_member(brain_rna_seq_to_dist, sequence),
                                          brain_list_to_dist, fftlist, isolen, 1100, 0, false);
    family_checks::expect_points_beyond_smaller_isolen(out, isolen);
}

INSTANTIATE_TEST_SUITE_P(Bounds, RnaSequenceBounds,
                         testing::Values(Bound{1, 64}, Bound{199, 64}, Bound{200, 128},
                                         Bound{500, 128}, Bound{501, 1024}));

class RnaMassBounds : public testing::TestWithParam<Bound> {};

TEST_P(RnaMassBounds, FollowTheFftMassRule) {
    const auto [mass, isolen] = GetParam();
    const auto fftlist = mass_composition(mass);
    // At a non-zero offset the FFT call's shift and the BRAIN call's window
    // differ (n > isolen), so a wrong placement shows.
    for (int offset : {0, 7}) {
        expect_engine_result(mass_member(fft_rna_mass_to_dist, mass), fft_list_to_dist, fftlist,
                             isolen, 1100, offset, true);
        expect_engine_result(mass_member(brain_rna_mass_to_dist, mass), brain_list_to_dist, fftlist,
                             isolen, 1100, offset, false);
    }
}

INSTANTIATE_TEST_SUITE_P(Bounds, RnaMassBounds,
                         testing::Values(Bound{5000, 64}, Bound{64999, 64}, Bound{65000, 128},
                                         Bound{164999, 128}, Bound{165000, 1024}));

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
