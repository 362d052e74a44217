#include "envelope/route_choice.hpp"

#include <cmath>

namespace corvan::envelope {

namespace {

// Instructions, fitted to callgrind counts of both routes on peptides
// (bench/compare_limit profile single peptides).
constexpr double kPerPointPair = 6;      // direct: exponential and moment product
constexpr double kPerTapPoint = 4;       // direct: adding an element's series
constexpr double kPerSeries = 40;        // direct: an element's terms
constexpr double kPerFactorBin = 70;     // transform: one factor in one bin
constexpr double kPerBin = 150;          // transform: exponential and moment
constexpr double kPerTransformPoint = 9; // transform: per point and halving
constexpr double kTransformFixed = 1500; // transform: bins, plans, layout, points

} // namespace

bool RouteCosts::direct_is_cheaper(int length, int grid) const {
    const double points = length, bins = grid / 2 + 1;
    const double direct =
        kPerPointPair * points * points + kPerTapPoint * series_ * points + kPerSeries * series_;
    const double per_bin = bins * (kPerFactorBin * factors_ + kPerBin);
    // The transforms' term is never negative: below the rest the answer
    // is known without its logarithm.
    if (direct < per_bin + kTransformFixed) return true;
    const double transform =
        per_bin + 2 * kPerTransformPoint * grid * std::log2(grid) + kTransformFixed;
    return direct < transform;
}

} // namespace corvan::envelope
