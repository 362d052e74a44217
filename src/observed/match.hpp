// Matching one molecule's expected envelope against a spectrum.
#pragma once

#include <vector>

#include "observed/expected_envelope.hpp"
#include "observed/peak_list.hpp"

namespace corvan::observed {

struct MatchResult {
    corvan_match_summary summary{};
    std::vector<corvan_matched_peak> peaks;
};

Outcome check_match_settings(const corvan_match_settings &settings);

// The best charge of settings' range, its scores and matched peaks.
Outcome match_molecule(const corvan_molecule &molecule, const corvan_options &options,
                       const corvan_match_settings &settings, const PeakList &peaks,
                       MatchResult &result);

} // namespace corvan::observed
