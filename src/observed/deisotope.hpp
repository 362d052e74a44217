// Deisotoping a centroided scan, and checking a monoisotopic pick.
#pragma once

#include <vector>

#include "corvan.h"
#include "observed/peak_list.hpp"

namespace corvan::observed {

// A peak counts as matched (towards the fewest peaks) only when it holds at
// least this share of its fitted height: a noise peak where M+1 should be
// makes no envelope of a lone peak.
inline constexpr double kMatchedShare = 0.3;

Outcome check_deisotope_settings(const corvan_deisotope_settings &settings);

Outcome deisotope(const PeakList &peaks, const corvan_deisotope_settings &settings,
                  std::vector<corvan_found_envelope> &found);

Outcome check_monoisotopic(const PeakList &peaks, double named_mz, int charge,
                           const corvan_deisotope_settings &settings, corvan_monoisotopic &result);

} // namespace corvan::observed
