#include "envelope/tail_bound.hpp"

#include <cmath>

namespace corvan::envelope {

namespace {

double bennett_h(double u) {
    return (1 + u) * std::log1p(u) - u;
}

} // namespace

// Bennett: P(S - E[S] >= t) <= exp(-(v / b^2) h(b t / v)), h increasing, so
// t = u v / b for the u that solves h(u) = log_odds b^2 / v.
double bennett_distance(double variance, double reach, double log_odds) {
    if (!(reach > 0) || !(variance > 0)) return 0;
    const double target = log_odds * reach * reach / variance;
    double low = 0, high = 1;
    while (bennett_h(high) < target) high *= 2;
    for (int step = 0; step < 60 && high - low > 1e-9 * high; ++step) {
        const double middle = 0.5 * (low + high);
        (bennett_h(middle) < target ? low : high) = middle;
    }
    return high * variance / reach;
}

} // namespace corvan::envelope
