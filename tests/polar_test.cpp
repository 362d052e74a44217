// The envelope bins' complex exponential against long double: phases of up
// to millions of radians (a large molecule's), exponents across the range,
// and lanes that do not depend on each other.
#include <cmath>
#include <cstring>

#include <gtest/gtest.h>

#include "envelope/polar.hpp"

namespace {

using corvan::envelope::Lanes;
using corvan::envelope::lanes_complex_exp;

// Largest distance of e^(i phi) and e^(i -phi), worked in lanes, from cosl
// and sinl.
double phase_error(double phi) {
    Lanes re, im;
    lanes_complex_exp(Lanes{0, 0}, Lanes{phi, -phi}, re, im);
    const long double c = cosl(phi), s = sinl(phi);
    return static_cast<double>(
        std::max({fabsl(re[0] - c), fabsl(im[0] - s), fabsl(re[1] - c), fabsl(im[1] + s)}));
}

TEST(Polar, CosSinOfLargePhasesAgainstLongDouble) {
    double worst = 0;
    for (double phi = 1e-4; phi < 4e6; phi *= 1.0007) worst = std::max(worst, phase_error(phi));
    // Next to multiples of pi/2, where the reduction cancels nearly all.
    const long double half_pi = 1.5707963267948966192313216916397514L;
    for (long double q : {1.0L, 2.0L, 3.0L, 4.0L, 1001.0L, 123457.0L, 900002.0L, 2000003.0L})
        worst = std::max(worst, phase_error(static_cast<double>(q * half_pi)));
    EXPECT_LT(worst, 3e-16);
}

TEST(Polar, ExpAcrossTheRangeAgainstLongDouble) {
    double worst = 0;
    for (double x = -700; x <= 700; x += 0.0371) {
        Lanes re, im;
        lanes_complex_exp(Lanes{x, x}, Lanes{0, 0}, re, im);
        worst = std::max(worst, static_cast<double>(fabsl(re[0] / expl(x) - 1)));
    }
    EXPECT_LT(worst, 3e-16);
}

TEST(Polar, EachLaneHoldsItsOwnBits) {
    // A lane beyond the reduced range must not change its neighbour.
    Lanes alone_re, alone_im, paired_re, paired_im;
    lanes_complex_exp(Lanes{-3, -3}, Lanes{1234.5, 1234.5}, alone_re, alone_im);
    lanes_complex_exp(Lanes{-3, -1}, Lanes{1234.5, 3e6}, paired_re, paired_im);
    EXPECT_EQ(std::memcmp(&alone_re[0], &paired_re[0], sizeof(double)), 0);
    EXPECT_EQ(std::memcmp(&alone_im[0], &paired_im[0], sizeof(double)), 0);
    EXPECT_NEAR(paired_im[1], std::exp(-1.0) * std::sin(3e6), 1e-16);
}

} // namespace
