// GET /api/fragments: the fragment ions of a peptide or nucleic acid with
// their envelopes (and those after an isolation), as `corvan fragments ...
// --format json` prints them, computed by the library's corvan_fragments.
#pragma once

#include <cstddef>
#include <map>
#include <string>

#include "serve/serve_query.hpp"

namespace cli {

// Bound on one request: every fragment of every charge gets an envelope
// (about 2.5 kB of JSON each), so a request may ask for at most this many
// ions, counted before any work as residues (upper-case letters and
// bracketed groups outside brackets) x series x charges x (1 + losses).
inline constexpr long kMaxServedFragments = 2000;

// HTTP status 200, 400 (refused input), 422 (too many ions), 503 (memory).
using FragmentsResponse = JsonResponse;

// Keys: kind (peptide, the default, rna or dna), input, types, charges,
// losses (yes or no), isolation ("M+0,M+1") or window ("LOW:HIGH" in m/z),
// precursor_charge; as `corvan fragments` takes them. Unknown or repeated
// keys are refused; the library refuses what it cannot compute, with its
// message and the position in the input text when the text is at fault.
FragmentsResponse fragments_response(const std::multimap<std::string, std::string> &query);

} // namespace cli
