#include "envelope/tail_bound.hpp"

#include <cmath>

namespace corvan::envelope {

namespace {

double bennett_h(double u) {
    return (1 + u) * std::log1p(u) - u;
}

} // namespace

// Bennett: P(S - E[S] >= t) <= exp(-(v / b^2) h(b t / v)), h increasing, so
// t = u v / b for the u that solves h(u) = log_odds b^2 / v. h is convex, so
// Newton's steps from a point above the root stay above it: the distance
// returned is never too short.
double bennett_distance(double variance, double reach, double log_odds) {
    if (!(reach > 0) || !(variance > 0)) return 0;
    const double target = log_odds * reach * reach / variance;
    double u = 1;
    while (bennett_h(u) < target) u *= 4;
    for (int step = 0; step < 30; ++step) {
        const double excess = bennett_h(u) - target;
        if (excess <= 1e-3 * target) break;
        u -= excess / std::log1p(u);
    }
    return u * variance / reach;
}

} // namespace corvan::envelope
