// An ion that deisotoping tells apart from a neighbour sharing its peaks.
#pragma once

#include <cstddef>
#include <vector>

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

} // namespace corvan::observed
