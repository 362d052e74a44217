// One element's isotope pattern as the engines use it: positions are extra
// neutrons above the element's lightest isotope, with the labels of the call
// applied to the shares.
#pragma once

#include <vector>

#include "labels/isotope_label.hpp"

namespace corvan::labels {

struct ElementPattern {
    double lightest_mass = 0;
    std::vector<int> positions;  // isotopes with a share above 0
    std::vector<double> shares;  // sum to 1
    std::vector<double> defects; // (mass - lightest mass) - position, in u
    double mean_position() const;
    double variance() const;
    int max_position() const { return positions.empty() ? 0 : positions.back(); }
    double average_mass() const;
    // The share at position 0 is above one half, so that the pattern's
    // transform never leaves the right half-plane and real powers of it are
    // well defined.
    bool lightest_dominates() const;
};

ElementPattern element_pattern(int element, const LabelSet &labels);

} // namespace corvan::labels
