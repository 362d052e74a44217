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
    double mean_position = 0, variance = 0;
    double mean_defect = 0;       // share-weighted (mass - lightest mass) - position
    double defect_covariance = 0; // of defect and position
    double lightest_mass = 0, average_mass = 0;
    double top_mass = 0; // mass of the most abundant isotope
    // Positions as doubles: the sums over a molecule's elements take them so.
    double top_position = 0, max_position = 0;
    double reach_up = 0;             // max_position - mean_position: an atom's reach above its mean
    bool natural_composition = true; // false: the element has no natural pattern
    // log E[e^(+slope X)] for kSlopes, then log E[e^(-slope X)].
    std::array<double, 2 * kSlopeCount> slope_moments{};
};

ElementStats element_stats(const labels::ElementPattern &pattern, int element);

// The element's natural pattern's stats, made once.
const ElementStats &natural_stats(int element);

} // namespace corvan::envelope
