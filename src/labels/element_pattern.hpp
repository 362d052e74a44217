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
    // Index of the most abundant isotope (the lighter one of a tie): the
    // element's isotope in the monoisotopic composition.
    std::size_t most_abundant() const;
    double isotope_mass(std::size_t i) const { return lightest_mass + positions[i] + defects[i]; }
    // log E[exp(lambda X)] for X the position of one atom.
    double log_moment(double lambda) const;
};

// Shares of the element's isotopes, in the isotope table's order, after the
// labels: labelled isotopes get their fractions, the others the rest in
// their natural proportions.
std::array<double, kMostIsotopes> labelled_shares(int element, const LabelSet &labels);

ElementPattern element_pattern(int element, const LabelSet &labels);
// The element's pattern at natural abundance (labels of the call ignored).
const ElementPattern &natural_pattern(int element);

} // namespace corvan::labels
