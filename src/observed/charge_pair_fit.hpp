// An envelope of charge 2z whose points are really two ions: one of charge
// z on its even rungs and one of charge 2z starting one rung up (half a
// step of the lower charge). Read as one, both are lost; the two patterns
// fitted together tell them apart.
#pragma once

#include <span>

#include "corvan.h"
#include "molecule/outcome.hpp"
#include "observed/model_patterns.hpp"
#include "observed/peak_list.hpp"
#include "observed/split_ion.hpp"

namespace corvan::observed {

struct ChargePair {
    SplitIon lower;  // charge z, M at the read envelope's M
    SplitIon higher; // charge 2z, M one rung (of 2z) above
};

// Whether the envelope read at `monoisotopic_mz` with even `charge` (pattern
// `read`) is better explained as a pair; `found` tells, `pair` holds it.
// `weights`: what remains of the peaks' intensities.
Outcome split_charge_pair(const PeakList &peaks, std::span<const double> weights,
                          const corvan_deisotope_settings &settings, ModelPatterns &models,
                          double monoisotopic_mz, int charge, const std::vector<double> &read,
                          ChargePair &pair, bool &found);

} // namespace corvan::observed
