// Atom and residue counts are 32-bit ints in every composition the library
// hands around. These helpers keep the arithmetic on them defined: sums
// saturate, and reals are converted only after a range check.
#pragma once

#include <climits>
#include <cmath>
#include <cstddef>

namespace corvan::counts {

// a + b, held at INT_MAX or INT_MIN instead of overflowing. Only sequences
// of hundreds of millions of residues can get there.
inline int saturating_add(int a, int b) {
    const long long sum = static_cast<long long>(a) + b;
    if (sum > INT_MAX) return INT_MAX;
    if (sum < INT_MIN) return INT_MIN;
    return static_cast<int>(sum);
}

// a + b into `sum`; false (sum untouched) when the result leaves the int range.
inline bool checked_add(int a, int b, int *sum) {
    const long long wide = static_cast<long long>(a) + b;
    if (wide > INT_MAX || wide < INT_MIN) return false;
    *sum = static_cast<int>(wide);
    return true;
}

// `value` rounded to the nearest integer, halves away from zero, into
// `count`; false for NaN, infinities and results outside the int range.
inline bool round_to_count(double value, int *count) {
    const double rounded = std::round(value);
    if (!(rounded >= static_cast<double>(INT_MIN) && rounded <= static_cast<double>(INT_MAX)))
        return false;
    *count = static_cast<int>(rounded);
    return true;
}

// A text length as the int the exported encoders return.
inline int clamped_length(std::size_t length) {
    return length > static_cast<std::size_t>(INT_MAX) ? INT_MAX : static_cast<int>(length);
}

} // namespace corvan::counts
