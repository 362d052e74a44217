// A pair of ions of one even charge z one rung apart, read instead as an
// ion of half that charge at the lighter one's M beside the heavier one: a
// singly charged ion half a step below a doubly charged one shows the
// peaks of two 2+ ions one rung apart.
#pragma once

#include <span>
#include <vector>

#include "observed/model_patterns.hpp"
#include "observed/peak_list.hpp"

namespace corvan::observed {

struct HalfChargeReading {
    bool better = false; // the half-charge ion and the heavier one leave far less unexplained
    double scale = 0;    // the half-charge ion's fitted height
    double heavier_scale = 0;
    double score = 0; // its cosine on what the heavier one leaves (the rungs between at 0)
    std::vector<std::size_t> peak_at; // per point of its pattern, or kNoPeak
    const std::vector<double> *pattern = nullptr;
};

// Compares, on the rungs of charge `charge` from `monoisotopic_mz` and on
// `weights`, the ion of that charge with the one a rung heavier (both
// fitted together) against the half-charge ion at the same M with the
// heavier one.
Outcome read_as_half_charge(const PeakList &peaks, std::span<const double> weights, double ppm,
                            ModelPatterns &models, double monoisotopic_mz, int charge,
                            HalfChargeReading &reading);

} // namespace corvan::observed
