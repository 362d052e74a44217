// The charge of each envelope deisotoping kept, decided by how well each
// reading explains all the peaks of its region together with the other
// envelopes, rather than by the first reading's own score. A seed's reading
// sees only what envelopes found before left: a 2z ion whose M+1 fell into
// a neighbour's centroid reads as z there.
#pragma once

#include <vector>

#include "corvan.h"
#include "molecule/outcome.hpp"
#include "observed/false_hit_filter.hpp"
#include "observed/model_patterns.hpp"
#include "observed/peak_list.hpp"

namespace corvan::observed {

// Rereads each envelope of `found` (parallel to `shares`, in the order
// kept) at twice and three times its charge, at the same M, and keeps the
// reading that leaves clearly less of the region unexplained; a reread
// envelope's row and share follow its new reading.
Outcome reread_charges(const PeakList &peaks, const corvan_deisotope_settings &settings,
                       ModelPatterns &models, std::vector<corvan_found_envelope> &found,
                       std::vector<EnvelopeShare> &shares);

} // namespace corvan::observed
