// What the envelope needs of one element's pattern besides its bins, worked
// out once: natural elements' for the life of the process, a labelled
// pattern's when the labels make it.
#pragma once

#include <array>
#include <cstddef>

#include "labels/element_pattern.hpp"

namespace corvan::envelope {

// Slopes at which the window's Chernoff bound is tried.
inline constexpr std::array<double, 7> kSlopes = {0.5, 1, 1.5, 2, 3, 4, 6};
inline constexpr std::size_t kSlopeCount = kSlopes.size();

struct ElementStats {
    // What a molecule's sums take of each atom, two at a time: each pair
    // stays adjacent and 16-byte aligned (see the static_asserts below).
    alignas(16) double top_mass = 0; // mass of the most abundant isotope
    double average_mass = 0;
    double lightest_mass = 0;
    double top_position = 0;
    double mean_position = 0, variance = 0;
    double reach_up = 0;   // max_position - mean_position: an atom's reach above its mean
    double reach_down = 0; // mean_position: its reach below it (positions are never negative)
    double max_position = 0;
    double several_isotopes = 0;     // 1 where the pattern has more than one isotope, else 0
    double mean_defect = 0;          // share-weighted (mass - lightest mass) - position
    double defect_covariance = 0;    // of defect and position
    bool natural_composition = true; // false: the element has no natural pattern
    // log E[e^(+slope X)] for kSlopes, then log E[e^(-slope X)].
    alignas(16) std::array<double, 2 * kSlopeCount> slope_moments{};
};
static_assert(offsetof(ElementStats, average_mass) == offsetof(ElementStats, top_mass) + 8 &&
              offsetof(ElementStats, top_position) == offsetof(ElementStats, lightest_mass) + 8 &&
              offsetof(ElementStats, variance) == offsetof(ElementStats, mean_position) + 8 &&
              offsetof(ElementStats, reach_down) == offsetof(ElementStats, reach_up) + 8 &&
              offsetof(ElementStats, several_isotopes) ==
                  offsetof(ElementStats, max_position) + 8 &&
              offsetof(ElementStats, max_position) % 16 == 0 &&
              offsetof(ElementStats, lightest_mass) % 16 == 0 &&
              offsetof(ElementStats, mean_position) % 16 == 0 &&
              offsetof(ElementStats, reach_up) % 16 == 0);

ElementStats element_stats(const labels::ElementPattern &pattern, int element);

// The element's natural pattern's stats, made once.
const ElementStats &natural_stats(int element);

} // namespace corvan::envelope
