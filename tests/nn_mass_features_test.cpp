// The five mass features fed to the mass-driven networks.
#include <cmath>
#include <limits>

#include <gtest/gtest.h>

#include "corvan.h"

namespace {

struct MassCase {
    float mass;
    float expected[5];
};

class MassFeatures : public ::testing::TestWithParam<MassCase> {};

TEST_P(MassFeatures, AreClampedQuotients) {
    const MassCase c = GetParam();
    float features[6] = {-9, -9, -9, -9, -9, -9};
    mass_to_vector(c.mass, features);
    for (int k = 0; k < 5; ++k) EXPECT_EQ(features[k], c.expected[k]) << c.mass << " feature " << k;
    EXPECT_EQ(features[5], -9.0f) << "writes five floats only";
}

constexpr float nan_mass = std::numeric_limits<float>::quiet_NaN();
constexpr float infinity = std::numeric_limits<float>::infinity();

// The expectations are the float quotients themselves: a division, not a
// product with a reciprocal (500 * 1e-6f differs from 500 / 1e6f).
INSTANTIATE_TEST_SUITE_P(
    Masses, MassFeatures,
    ::testing::Values(
        MassCase{500.0f, {500.0f / 1e6f, 500.0f / 1e5f, 500.0f / 1e4f, 0.5f, 1.0f}},
        MassCase{2000.0f, {2000.0f / 1e6f, 2000.0f / 1e5f, 0.2f, 1.0f, 1.0f}},
        MassCase{1234.5678f, {1234.5678f / 1e6f, 1234.5678f / 1e5f, 1234.5678f / 1e4f, 1.0f, 1.0f}},
        MassCase{99.0f, {99.0f / 1e6f, 99.0f / 1e5f, 99.0f / 1e4f, 99.0f / 1e3f, 0.99f}},
        MassCase{0.0f, {0, 0, 0, 0, 0}}, MassCase{-0.0f, {0, 0, 0, 0, 0}},
        MassCase{-250.0f, {0, 0, 0, 0, 0}}, MassCase{-infinity, {0, 0, 0, 0, 0}},
        MassCase{nan_mass, {1, 1, 1, 1, 1}}, MassCase{1e6f, {1, 1, 1, 1, 1}},
        MassCase{3e7f, {1, 1, 1, 1, 1}}, MassCase{infinity, {1, 1, 1, 1, 1}}));

TEST(MassFeatures, FiveHundredMatchesTheDecimalValues) {
    float features[5];
    mass_to_vector(500.0f, features);
    EXPECT_FLOAT_EQ(features[0], 0.0005f);
    EXPECT_FLOAT_EQ(features[1], 0.005f);
    EXPECT_FLOAT_EQ(features[2], 0.05f);
    EXPECT_EQ(features[3], 0.5f);
    EXPECT_EQ(features[4], 1.0f);
}

TEST(MassFeatures, QuotientsAreDivisionsNotReciprocalProducts) {
    // Search for a mass where the two ways of computing differ in the last
    // bit and check that the division is what comes back.
    int checked = 0;
    for (float mass = 1.0f; mass < 20000.0f && checked < 50; mass += 0.37f) {
        const volatile float reciprocal = 1.0f / 100000.0f;
        const float product = mass * reciprocal;
        const float quotient = mass / 100000.0f;
        if (product == quotient) continue;
        float features[5];
        mass_to_vector(mass, features);
        EXPECT_EQ(features[1], quotient) << mass;
        ++checked;
    }
    EXPECT_GT(checked, 0);
}

} // namespace
