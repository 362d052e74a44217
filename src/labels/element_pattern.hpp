// One element's isotope pattern as the engines use it: positions are extra
// neutrons above the element's lightest isotope, with the labels of the call
// applied to the shares.
#pragma once

#include <array>
#include <cstddef>

#include "labels/isotope_label.hpp"

namespace corvan::labels {

// No element of the isotope table has more isotopes.
inline constexpr std::size_t kMostIsotopes = 10;

struct ElementPattern {
    double lightest_mass = 0;
    std::size_t size = 0;                        // isotopes with a share above 0
    std::array<int, kMostIsotopes> positions{};  // increasing
    std::array<double, kMostIsotopes> shares{};  // sum to 1
    std::array<double, kMostIsotopes> defects{}; // (mass - lightest mass) - position, in u

    double mean_position() const;
    double variance() const;
    int max_position() const { return size == 0 ? 0 : positions[size - 1]; }
    double average_mass() const;
    // log E[exp(lambda X)] for X the position of one atom.
    double log_moment(double lambda) const;
    // The share at position 0 is above one half, so that the pattern's
    // transform never leaves the right half-plane and real powers of it are
    // well defined.
    bool lightest_dominates() const;
};

ElementPattern element_pattern(int element, const LabelSet &labels);

} // namespace corvan::labels
