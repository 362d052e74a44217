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
#include "family_checks.hpp"
#include "test_support.hpp"

namespace {

using namespace family_checks;
using test_support::all_zero;
using test_support::stdout_of;

// Every peptide member places its engine's points in a window.
Expected window_of(Engine engine, std::array<int, 5> fftlist, int isolen, int n, int offset) {
    return family_checks::placed(engine, fftlist, isolen, n, offset, false);
}

std::array<int, 5> sequence_composition(const std::string &sequence) {
    return family_checks::composition(pep_seq_to_fftlist, sequence);
}

std::array<int, 5> mass_composition(float mass) {
    return family_checks::composition(pep_mass_to_fftlist, mass);
}

// ---- the frame check, shared by every peptide member ----------------------

std::vector<family_checks::NamedMember> peptide_members() {
    auto members = family_checks::frame_members(family_checks::peptide_calls(), "GAG", 1000);
    members.push_back({"fitting", [](float *o, int n, int k) {
                           return pep_mass_to_dist_fitting(o, n, k, 1000);
                       }});
    return members;
}

TEST(PeptideFrame, BadArgumentsLeaveOutUntouched) {
    for (const auto &member : peptide_members())
        family_checks::expect_frame_refusals(member.name, member.call);
}

TEST(PeptideFrame, OffsetNMinusOneWritesAtMostTheLastPoint) {
    std::vector<float> out(16, 7.0f);
    const float peak = fft_pep_seq_to_dist("GAG", out.data(), 16, 15);
    EXPECT_GT(peak, 0.0f);
    for (int i = 0; i < 15; ++i) EXPECT_EQ(out[i], 0.0f);
    EXPECT_EQ(out[15], 1.0f) << "point 0 of a tripeptide is its highest";
}

// ---- failures after zeroing -------------------------------------------

const std::string kG1001(1001, 'G');

INSTANTIATE_TEST_SUITE_P(
    Members, MemberFailure,
    testing::ValuesIn(family_checks::joined(
        {Failure{
             "fft_seq_1001",
             [](float *o, int n, int k) { return fft_pep_seq_to_dist(kG1001.c_str(), o, n, k); },
             "Sequence contains too many amino acids (>1000)."},
         Failure{"fft_seq_formula_message_first",
                 [](float *o, int n, int k) {
                     return fft_pep_seq_to_dist(("[2H]" + kG1001).c_str(), o, n, k);
                 },
                 "Error while parsing modification formula:2H\n"
                 "Sequence contains too many amino acids (>1000)."}},
        {family_checks::silent_failures(fft_pep_seq_to_dist, {{"fft_seq_null", nullptr}}),
         family_checks::silent_failures(fft_pep_mass_to_dist, {{"fft_mass_negative", -1000},
                                                               {"fft_mass_tiny_negative", -1e-30f},
                                                               {"fft_mass_nan", kNaN},
                                                               {"fft_mass_inf", kInf},
                                                               {"fft_mass_beyond_int", 1e30f}}),
         family_checks::silent_failures(brain_pep_seq_to_dist,
                                        {{"brain_seq_null", nullptr},
                                         {"brain_seq_empty", ""},
                                         {"brain_seq_formula_only", "[C2H2O]"}}),
         family_checks::silent_failures(brain_pep_mass_to_dist,
                                        {{"brain_mass_zero", 0},
                                         {"brain_mass_negative", -500},
                                         {"brain_mass_nan", kNaN},
                                         {"brain_mass_inf", kInf},
                                         {"brain_mass_beyond_int", 1e30f}})})),
    family_checks::failure_name);

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
    if (b.fft_isolen > 0)
        expect_engine_result(sequence_member(fft_pep_seq_to_dist, sequence), fft_list_to_dist,
                             fftlist, b.fft_isolen, 1024, 0, false);
    const auto out =
        expect_engine_result(sequence_member(brain_pep_seq_to_dist, sequence), brain_list_to_dist,
                             fftlist, b.brain_isolen, 1024, 0, false);
    family_checks::expect_points_beyond_smaller_isolen(out, b.brain_isolen);
}

INSTANTIATE_TEST_SUITE_P(Bounds, PeptideSequenceBounds,
                         testing::Values(SequenceBound{1, 64, 64}, SequenceBound{50, 64, 64},
                                         SequenceBound{51, 64, 64}, SequenceBound{300, 64, 64},
                                         SequenceBound{301, 128, 128},
                                         SequenceBound{1000, 128, 128},
                                         SequenceBound{1001, -1, 1024}));

class PeptideMassBounds : public testing::TestWithParam<Bound> {};

TEST_P(PeptideMassBounds, FollowTheFftMassRule) {
    const auto [mass, isolen] = GetParam();
    const auto fftlist = mass_composition(mass);
    expect_engine_result(mass_member(fft_pep_mass_to_dist, mass), fft_list_to_dist, fftlist, isolen,
                         1100, 0, false);
    expect_engine_result(mass_member(brain_pep_mass_to_dist, mass), brain_list_to_dist, fftlist,
                         isolen, 1100, 0, false);
}

INSTANTIATE_TEST_SUITE_P(Bounds, PeptideMassBounds,
                         testing::Values(Bound{1000, 64}, Bound{49999, 64}, Bound{50000, 128},
                                         Bound{119999, 128}, Bound{120000, 1024}));

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
