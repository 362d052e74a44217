// An exact isotope distribution for tests: the element patterns multiplied
// out as polynomials in long double (truncation to `length` points is exact
// for those points), independent of both engines.
#pragma once

#include <algorithm>
#include <cmath>
#include <vector>

#include "corvan.h"

namespace reference {

using Poly = std::vector<long double>;

inline Poly multiply(const Poly &a, const Poly &b, std::size_t length) {
    Poly product(std::min(length, a.size() + b.size() - 1), 0.0L);
    for (std::size_t i = 0; i < a.size() && i < product.size(); ++i) {
        if (a[i] == 0) continue;
        for (std::size_t j = 0; j < b.size() && i + j < product.size(); ++j)
            product[i + j] += a[i] * b[j];
    }
    return product;
}

inline Poly power(Poly base, long long exponent, std::size_t length) {
    Poly result{1.0L};
    while (exponent > 0) {
        if (exponent & 1) result = multiply(result, base, length);
        exponent >>= 1;
        if (exponent > 0) base = multiply(base, base, length);
    }
    return result;
}

// The element's pattern from the isotope table: shares at rounded mass steps.
inline Poly element_pattern(int atomic_number) {
    Poly pattern;
    int first = -1;
    for (int row = 0; row < 313; ++row) {
        if (isotope_numbers[row] != atomic_number) continue;
        if (first < 0) first = row;
        const auto step =
            static_cast<std::size_t>(std::llround(isotope_masses[row] - isotope_masses[first]));
        if (pattern.size() <= step) pattern.resize(step + 1, 0.0L);
        pattern[step] += isotope_abundances[row];
    }
    return pattern;
}

// Distribution of a {C, H, N, O, S} composition on `length` points,
// normalised to sum 1 over those points.
inline std::vector<double> distribution(const int *fftlist, std::size_t length,
                                        const std::vector<Poly> &patterns) {
    Poly total{1.0L};
    for (int e = 0; e < 5; ++e)
        total = multiply(total, power(patterns[e], fftlist[e], length), length);
    total.resize(length, 0.0L);
    long double sum = 0;
    for (auto v : total) sum += v;
    std::vector<double> out(length);
    for (std::size_t i = 0; i < length; ++i) out[i] = static_cast<double>(total[i] / sum);
    return out;
}

inline std::vector<Poly> table_patterns() {
    return {element_pattern(6), element_pattern(1), element_pattern(7), element_pattern(8),
            element_pattern(16)};
}

} // namespace reference
