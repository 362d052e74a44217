// An ion that deisotoping tells apart from a neighbour sharing its peaks,
// and the look-up of a neighbour found before.
#pragma once

#include <cmath>
#include <cstddef>
#include <span>
#include <vector>

#include "corvan.h"
#include "observed/peak_list.hpp"

namespace corvan::observed {

// As deisotoping keeps it.
struct SplitIon {
    double monoisotopic_mz = 0;
    int charge = 0;
    double scale = 0; // fitted height of the pattern's highest point
    double score = 0; // cosine on what the other ion leaves, the rung below M as 0
    std::size_t matched = 0;
    const std::vector<double> *pattern = nullptr;
    std::vector<std::size_t> peak_at; // per point of the pattern, or kNoPeak
};

// The envelope of `found` at `charge` whose M is within the tolerance of
// `mz`, or nullptr.
inline const corvan_found_envelope *found_at(std::span<const corvan_found_envelope> found,
                                             double mz, int charge, double ppm) {
    for (const corvan_found_envelope &envelope : found)
        if (envelope.charge == charge &&
            std::abs(envelope.monoisotopic_mz - mz) <= tolerance(mz, ppm))
            return &envelope;
    return nullptr;
}

} // namespace corvan::observed
