// Envelopes the greedy deisotoping keeps that other envelopes explain
// better: a late envelope often rests on what a stronger neighbour left of
// a shared peak, and only its seed is its own.
#pragma once

#include <cstddef>
#include <vector>

#include "corvan.h"

namespace corvan::observed {

// What a kept envelope puts on the scan: its fitted height on each peak it
// took as a rung.
struct EnvelopeShare {
    std::vector<std::size_t> peak;
    std::vector<double> height;
};

// Drops from `found` (parallel to `shares`, in the order kept) each
// envelope with fewer than `min_peaks` peaks of its own: peaks where its
// fitted height is a fair share of what all kept envelopes put there.
// The latest kept go first, and a dropped one no longer counts.
void drop_borrowed(std::size_t peak_count, std::size_t min_peaks,
                   std::vector<corvan_found_envelope> &found, std::vector<EnvelopeShare> &shares);

} // namespace corvan::observed
