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

// Where, between two rungs (as a share of the step), an ion of twice or
// three times the charge has its points: peaks there tell a charge too low.
inline constexpr double kBetweenRungs[] = {1.0 / 3, 1.0 / 2, 2.0 / 3};

Outcome check_deisotope_settings(const corvan_deisotope_settings &settings);

Outcome deisotope(const PeakList &peaks, const corvan_deisotope_settings &settings,
                  std::vector<corvan_found_envelope> &found);

Outcome check_monoisotopic(const PeakList &peaks, double named_mz, int charge,
                           const corvan_deisotope_settings &settings, corvan_monoisotopic &result);

} // namespace corvan::observed
