// The result frame: argument check, zeroing, placements, peaks, scaling,
// and normalize_isodist.
#include <cmath>
#include <limits>
#include <vector>

#include <gtest/gtest.h>

#include "core/frame.hpp"
#include "corvan.h"

namespace {

using corvan::frame::Peak;
using corvan::frame::Placement;

std::vector<float> ramp(int length) {
    std::vector<float> values(length);
    for (int i = 0; i < length; ++i) values[i] = static_cast<float>(i + 1);
    return values;
}

struct BadArguments {
    int n, offset;
    bool null_out;
};

class FrameRejects : public testing::TestWithParam<BadArguments> {};

TEST_P(FrameRejects, WithoutTouchingOut) {
    std::vector<float> out(8, 7.0f);
    const auto a = GetParam();
    EXPECT_FALSE(corvan::frame::begin(a.null_out ? nullptr : out.data(), a.n, a.offset));
    for (float v : out) EXPECT_EQ(v, 7.0f);
}

INSTANTIATE_TEST_SUITE_P(Arguments, FrameRejects,
                         testing::Values(BadArguments{8, 8, false}, BadArguments{8, 9, false},
                                         BadArguments{0, 0, false}, BadArguments{-1, -2, false},
                                         BadArguments{8, -1, false}, BadArguments{8, 0, true}));

TEST(Frame, BeginZeroesTheWholeArray) {
    std::vector<float> out(8, 7.0f);
    EXPECT_TRUE(corvan::frame::begin(out.data(), 8, 7));
    for (float v : out) EXPECT_EQ(v, 0.0f);
}

struct PlacementCase {
    Placement placement;
    int isolen, n, offset;
    int first_written, last_written; // out[first..last] = src[0..]
};

class Placements : public testing::TestWithParam<PlacementCase> {};

TEST_P(Placements, WriteExactlyTheirWindow) {
    const auto c = GetParam();
    const auto src = ramp(c.isolen);
    std::vector<float> out(c.n, 0.0f);
    corvan::frame::place(c.placement, src.data(), c.isolen, out.data(), c.n, c.offset);
    for (int i = 0; i < c.n; ++i) {
        const bool written = i >= c.first_written && i <= c.last_written;
        EXPECT_EQ(out[i], written ? src[i - c.offset] : 0.0f) << "index " << i;
    }
}

INSTANTIATE_TEST_SUITE_P(Variants, Placements,
                         testing::Values(PlacementCase{Placement::window, 64, 100, 10, 10, 63},
                                         PlacementCase{Placement::shifted, 64, 100, 10, 10, 73},
                                         PlacementCase{Placement::shifted, 64, 64, 10, 10, 63},
                                         PlacementCase{Placement::window, 64, 100, 70, 1, 0},
                                         PlacementCase{Placement::window, 64, 32, 31, 31, 31},
                                         PlacementCase{Placement::shifted, 64, 32, 31, 31, 31},
                                         PlacementCase{Placement::window, 8, 8, 0, 0, 7}));

TEST(Frame, ArrayPeakStartsAtZeroAndSkipsNaN) {
    const float negative[] = {-3.0f, -1.0f};
    EXPECT_EQ(corvan::frame::array_peak(negative, 2), 0.0f);
    const float mixed[] = {0.25f, std::numeric_limits<float>::quiet_NaN(), 0.5f};
    EXPECT_EQ(corvan::frame::array_peak(mixed, 3), 0.5f);
}

TEST(Frame, EnginePeakIsUsedEvenWhenItsPointWasDropped) {
    const float src[] = {0.1f, 0.2f, 0.6f, 0.1f};
    std::vector<float> out(4, 0.0f);
    const float peak =
        corvan::frame::finish(Placement::window, Peak::engine, src, 4, 0.6f, out.data(), 4, 2);
    EXPECT_EQ(peak, 0.6f);
    EXPECT_FLOAT_EQ(out[2], 0.1f / 0.6f);
    EXPECT_FLOAT_EQ(out[3], 0.2f / 0.6f);
    EXPECT_LT(out[3], 1.0f);
}

TEST(Frame, ArrayPeakScalesToOneAndZeroPeakLeavesOutAsPlaced) {
    const float src[] = {0.2f, 0.5f};
    std::vector<float> out(4, 0.0f);
    EXPECT_EQ(corvan::frame::finish(Placement::window, Peak::array, src, 2, 0, out.data(), 4, 0),
              0.5f);
    EXPECT_EQ(out[1], 1.0f);
    std::vector<float> empty(4, 0.0f);
    EXPECT_EQ(corvan::frame::finish(Placement::window, Peak::array, src, 2, 0, empty.data(), 4, 3),
              0.0f);
    for (float v : empty) EXPECT_EQ(v, 0.0f);
}

TEST(Frame, PlaceDividedPlacesNothingForANonPositivePeak) {
    const float src[] = {0.5f, 0.25f};
    std::vector<float> out(2, 0.0f);
    EXPECT_EQ(corvan::frame::place_divided(src, 0.0f, out.data(), 2, 0), 0.0f);
    EXPECT_EQ(out[0], 0.0f);
    EXPECT_EQ(corvan::frame::place_divided(src, 0.5f, out.data(), 2, 1), 0.5f);
    EXPECT_EQ(out[0], 0.0f);
    EXPECT_EQ(out[1], 1.0f);
}

TEST(NormalizeIsodist, ClipsDividesAndReturnsTheShareOfTheLargest) {
    double values[] = {-1, 2, 2};
    EXPECT_EQ(normalize_isodist(values, 3), 0.5);
    EXPECT_EQ(values[0], 0.0);
    EXPECT_EQ(values[1], 0.5);
    EXPECT_EQ(values[2], 0.5);
}

TEST(NormalizeIsodist, NothingToNormalise) {
    double zeros[] = {-1, 0};
    EXPECT_EQ(normalize_isodist(zeros, 2), 0.0);
    EXPECT_EQ(zeros[0], 0.0);
    double untouched[] = {-1, 3};
    EXPECT_EQ(normalize_isodist(untouched, 0), 0.0);
    EXPECT_EQ(untouched[0], -1.0);
    EXPECT_EQ(normalize_isodist(nullptr, 4), 0.0);
}

} // namespace
