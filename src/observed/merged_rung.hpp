// An ion of charge 2z read as one of charge z because its M+1, half a step
// of z above M, fell into the centroid of a neighbour found before (peak
// picking merges two points 15 to 35 ppm apart into one between them):
// that rung then looks like the neighbour's alone, and the half-step test
// that tells 2z from z finds nothing of its own there.
#pragma once

#include <span>
#include <vector>

#include "corvan.h"
#include "molecule/outcome.hpp"
#include "observed/model_patterns.hpp"
#include "observed/peak_list.hpp"
#include "observed/split_ion.hpp"

namespace corvan::observed {

// Whether the envelope read at `monoisotopic_mz` with `charge` z (pattern
// `read`) is an ion of charge 2z at the same M whose M+1 shares a peak
// with an envelope of `found`:
// `is` tells, `doubled` holds the 2z ion.
Outcome double_over_merged_rung(const PeakList &peaks, const FoundBefore &found,
                                const corvan_deisotope_settings &settings, ModelPatterns &models,
                                double monoisotopic_mz, int charge, const std::vector<double> &read,
                                SplitIon &doubled, bool &is);

} // namespace corvan::observed
