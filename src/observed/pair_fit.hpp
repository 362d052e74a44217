// Two expected patterns fitted together onto one set of observed points:
// o ~ a * first + b * second, least squares, both factors above 0.
#pragma once

#include <span>

namespace corvan::observed {

struct PairFit {
    double first = 0, second = 0; // the factors; both 0 when no fit has both above 0
    double residual = 0;          // sum of squares left by the pair
    double alone_residual = 0;    // left by `second` fitted alone
};

// The three spans have one length.
PairFit fit_pair(std::span<const double> first, std::span<const double> second,
                 std::span<const double> observed);

} // namespace corvan::observed
