// Ordering compositions by mass: the fine structure lists its peaks by m/z.
#pragma once

#include <cstddef>

namespace corvan::spectrum {

// One composition: its probability and the mass of its atoms.
struct WeightedMass {
    double probability, mass;
};

// Sorts by increasing mass. A comparison sort costs more than finding the
// compositions: this places them by their position in the mass range
// (a radix sort on 16 to 32 bits, more for more entries), then an
// insertion pass orders the few that share a key.
void sort_by_mass(WeightedMass *entries, std::size_t count);

} // namespace corvan::spectrum
