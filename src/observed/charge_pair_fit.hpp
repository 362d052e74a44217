// An envelope of charge 2z whose points are really two ions: one of charge
// z on its even rungs and one of charge 2z starting one rung up (half a
// step of the lower charge). Read as one, both are lost; the two patterns
// fitted together tell them apart. Read the other way (the z ion found
// first, taking every other point of the 2z one), the 2z ion is read as
// one of charge z.
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

// Whether the envelope read at `monoisotopic_mz` with `charge` z (pattern
// `read`) is the even rungs of an ion of charge 2z at the same M whose odd
// rungs an envelope of `found`, of charge z half a step up, took: `is`
// tells, `doubled` holds the 2z ion.
Outcome double_beside_found(const PeakList &peaks, const corvan_deisotope_settings &settings,
                            ModelPatterns &models, const FoundBefore &found, double monoisotopic_mz,
                            int charge, const std::vector<double> &read, SplitIon &doubled,
                            bool &is);

} // namespace corvan::observed
