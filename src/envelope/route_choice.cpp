#include "envelope/route_choice.hpp"

#include <cmath>

namespace corvan::envelope {

namespace {

// Instructions, fitted to callgrind counts of both routes on peptides and
// small proteins (bench/compare_limit profile).
constexpr double kPerPointPair = 4;      // direct: exponential and moment product
constexpr double kPerTapPoint = 16;      // direct: each isotope's series terms
constexpr double kPerSeries = 60;        // direct: an element's logarithm
constexpr double kPerFactorBin = 45;     // transform: one factor in one bin
constexpr double kPerBin = 100;          // transform: exponential and moment
constexpr double kPerTransformPoint = 9; // transform: per point and halving
constexpr double kTransformFixed = 300;  // transform: bins look-up, layout

} // namespace

void RouteCosts::add_element(int isotopes) {
    ++factors_;
    if (isotopes < 2) return;
    ++series_;
    taps_ += isotopes - 1;
}

bool RouteCosts::direct_is_cheaper(int length, int grid) const {
    const double points = length, bins = grid / 2 + 1;
    const double direct =
        kPerPointPair * points * points + kPerTapPoint * taps_ * points + kPerSeries * series_;
    const double transform = bins * (kPerFactorBin * factors_ + kPerBin) +
                             2 * kPerTransformPoint * grid * std::log2(grid) + kTransformFixed;
    return direct < transform;
}

} // namespace corvan::envelope
