// e^(a + i phi) for the envelope's bins, two bins at a time. A molecule's
// phase is its atom counts times its elements' phases: tens to thousands of
// radians, where the C library's sine and cosine take their slow path. Here
// the phase is reduced by a multiple of pi/2 exactly for any phase below
// kLongestPhase, and the reduced angle and the magnitude are each worked by
// one short series, without a branch: within a unit or two in the last
// place of the library's results, lane by lane the same bits whichever lane
// a bin takes, on every thread and run.
#pragma once

#include <array>
#include <bit>
#include <cmath>
#include <cstddef>
#include <cstdint>

namespace corvan::envelope {

// Two doubles worked as one: each lane rounds as the scalar operation does.
using Lanes = double __attribute__((vector_size(16)));

namespace polar_detail {

using LaneBits = std::uint64_t __attribute__((vector_size(16)));

inline LaneBits bits_of(Lanes x) {
    return std::bit_cast<LaneBits>(x);
}
inline Lanes lanes_of(LaneBits x) {
    return std::bit_cast<Lanes>(x);
}

// Adding and taking away 1.5 * 2^52 rounds a double below 2^51 in magnitude
// to the nearest whole number; the sum's low bits hold that number.
inline constexpr double kRounder = 0x1.8p52;
inline constexpr std::uint64_t kRounderBits = 0x4338000000000000;

// pi/2 in two parts: the first has 33 significant bits, so that q times it
// is exact for |q| < 2^20; the second is the rest, good to 2^-85.
inline constexpr double kHalfPiHigh = 0x1.921fb544p0;
inline constexpr double kHalfPiLow = 0x1.0b4611a626331p-34;
inline constexpr double kTwoOverPi = 0x1.45f306dc9c883p-1;

// ln 2 in two parts, the first with 32 significant bits: k times it is
// exact for every exponent of a double.
inline constexpr double kLn2High = 0x1.62e42feep-1;
inline constexpr double kLn2Low = 0x1.a39ef35793c76p-33;
inline constexpr double kInverseLn2 = 0x1.71547652b82fep0;

// Taylor coefficients past the leading terms, highest first, in x = r for
// e^r = 1 + r + r^2 (...) to r^13 (|r| <= ln(2) / 2), and in x = r^2 for
// sin r = r + r x (...) to r^17 and cos r = 1 + x (...) to r^16
// (|r| <= pi/4): the first term left out is below 1e-17 of the result. The
// leading terms are added last, so that the small rest rounds little.
// clang-format off
inline constexpr std::array<double, 12> kExpTail{
    1.0 / 6227020800, 1.0 / 479001600, 1.0 / 39916800, 1.0 / 3628800, 1.0 / 362880,
    1.0 / 40320, 1.0 / 5040, 1.0 / 720, 1.0 / 120, 1.0 / 24, 1.0 / 6, 1.0 / 2};
inline constexpr std::array<double, 8> kSineTail{
    1.0 / 355687428096000, -1.0 / 1307674368000, 1.0 / 6227020800, -1.0 / 39916800,
    1.0 / 362880, -1.0 / 5040, 1.0 / 120, -1.0 / 6};
inline constexpr std::array<double, 8> kCosineTail{
    1.0 / 20922789888000, -1.0 / 87178291200, 1.0 / 479001600, -1.0 / 3628800,
    1.0 / 40320, -1.0 / 720, 1.0 / 24, -1.0 / 2};
// clang-format on

// The series with these coefficients at x, as its even and its odd powers
// in x^2 by Horner's rule each: two chains of half the length, which the
// processor works side by side.
template <std::size_t N> inline Lanes series(const std::array<double, N> &coefficients, Lanes x) {
    const Lanes square = x * x;
    Lanes even{}, odd{};
    for (std::size_t i = 0; i < N; ++i) {
        if ((N - 1 - i) % 2 == 0)
            even = even * square + coefficients[i];
        else
            odd = odd * square + coefficients[i];
    }
    return even + x * odd;
}

// The whole number nearest to x and its bits as an integer.
inline Lanes nearest(Lanes x, LaneBits &whole) {
    const Lanes shifted = x + kRounder;
    whole = bits_of(shifted) - kRounderBits;
    return shifted - kRounder;
}

} // namespace polar_detail

// A phase at or beyond this, or a NaN, is left to the C library.
inline constexpr double kLongestPhase = 1.5e6;

// e^x lane by lane for -700 <= x <= 700: x = k ln 2 + r, e^x = 2^k e^r.
inline Lanes lanes_exp(Lanes x) {
    using namespace polar_detail;
    LaneBits k_bits;
    const Lanes k = nearest(x * kInverseLn2, k_bits);
    const Lanes r = (x - k * kLn2High) - k * kLn2Low;
    return (1 + (r + r * r * series(kExpTail, r))) * lanes_of((k_bits + 1023) << 52);
}

// cos and sin of each lane's phi = q pi/2 + r, |r| <= pi/4, for
// |phi| < kLongestPhase: cos r and sin r turned by q quarter turns.
inline void lanes_cos_sin(Lanes phi, Lanes &cos, Lanes &sin) {
    using namespace polar_detail;
    LaneBits quarter;
    const Lanes q = nearest(phi * kTwoOverPi, quarter);
    const Lanes r = (phi - q * kHalfPiHigh) - q * kHalfPiLow;
    const Lanes s = r * r;
    const LaneBits sine = bits_of(r + r * s * series(kSineTail, s)),
                   cosine = bits_of(1 + s * series(kCosineTail, s));
    // An odd q swaps the pair; the sine's sign flips for q = 2, 3 and the
    // cosine's for q = 1, 2 (mod 4).
    const LaneBits odd = -(quarter & 1);
    cos = lanes_of(((sine & odd) | (cosine & ~odd)) ^ (((quarter + 1) & 2) << 62));
    sin = lanes_of(((cosine & odd) | (sine & ~odd)) ^ ((quarter & 2) << 62));
}

// e^(re + i im) lane by lane into its real and imaginary parts; re within
// +-700.
inline void lanes_complex_exp(Lanes re, Lanes im, Lanes &out_re, Lanes &out_im) {
    const Lanes magnitude = lanes_exp(re);
    Lanes cos, sin;
    lanes_cos_sin(im, cos, sin);
    for (int lane = 0; lane < 2; ++lane) {
        if (std::fabs(im[lane]) < kLongestPhase) continue;
        cos[lane] = std::cos(im[lane]);
        sin[lane] = std::sin(im[lane]);
    }
    out_re = magnitude * cos;
    out_im = magnitude * sin;
}

} // namespace corvan::envelope
