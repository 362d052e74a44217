// An ion whose M+1 went into one centroid with a neighbour's peak. Picked
// between the two ions, that centroid lies just beyond the tolerance of
// either (11 to 20 ppm), so the ion's M, though the most intense peak left,
// finds no envelope of its charge. The shared centroid holds more than the
// ion's share: the ion is fitted on its other rungs and takes that share
// only, the rest left to the neighbour.
#pragma once

#include <cstddef>
#include <span>

#include "corvan.h"
#include "molecule/outcome.hpp"
#include "observed/model_patterns.hpp"
#include "observed/peak_list.hpp"
#include "observed/split_ion.hpp"

namespace corvan::observed {

// Whether the peak `seed` is the M (and highest point) of an ion whose M+1
// has no peak within the tolerance but a fuller one within twice it, the
// ion scoring and matching as deisotoping keeps it with that peak holding
// its fitted share; `kept` tells, `ion` holds the best charge's reading.
// `weights`: what envelopes found before leave of the peaks.
Outcome beside_shifted_rung(const PeakList &peaks, std::span<const double> weights,
                            std::size_t seed, const corvan_deisotope_settings &settings,
                            ModelPatterns &models, SplitIon &ion, bool &kept);

} // namespace corvan::observed
