// An ion that deisotoping tells apart from a neighbour sharing its peaks,
// and the look-up of a neighbour found before.
#pragma once

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

// The envelopes found so far, and what remains of the peaks after them.
struct FoundBefore {
    std::span<const corvan_found_envelope> envelopes;
    std::span<const double> remaining;
};

// The envelope found before at `charge` whose M is within the tolerance of
// `mz`, or nullptr.
const corvan_found_envelope *found_at(const PeakList &peaks, const FoundBefore &found, double mz,
                                      int charge, double ppm);

} // namespace corvan::observed
