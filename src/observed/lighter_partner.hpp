// An ion one rung lighter than an envelope found before, at its charge.
// The heavier one, found first because its highest peak holds both, took
// the peaks they share whole, and what remains of them tells the lighter
// one too little: its M is left as a peak no envelope explains. Both
// patterns fitted together on the whole intensities give each its share.
#pragma once

#include <cstddef>
#include <span>

#include "corvan.h"
#include "molecule/outcome.hpp"
#include "observed/model_patterns.hpp"
#include "observed/peak_list.hpp"
#include "observed/split_ion.hpp"

namespace corvan::observed {

// The heavier ion's height fitted together with the lighter one (fitted
// alone, it held the shared peaks whole), and its place in `found`.
struct HeavierRefit {
    std::size_t index = 0;
    double scale = 0;
};

// Whether the peak `seed` is the M of an ion one rung lighter than one of
// `found` (at its charge) that deisotoping keeps once the two share their
// peaks; `kept` tells, `ion` holds it and `heavier` the other's new height.
Outcome lighter_partner(const PeakList &peaks, std::size_t seed,
                        const corvan_deisotope_settings &settings, ModelPatterns &models,
                        const FoundBefore &found, SplitIon &ion, HeavierRefit &heavier, bool &kept);

} // namespace corvan::observed
