// GET /api/distribution with a fixed call's engine: the same JSON object as
// `corvan peptide|rna ... --engine E --format json`, computed and checked by
// the command line's own path.
#pragma once

#include <string>

#include "commands/envelope_request.hpp"

namespace cli {

struct FixedCallResponse {
    int http_status;  // 200, 400 (refused input) or 422 (the call failed)
    std::string body; // JSON
};

// `request.engine` is a fixed call's name and `request.kind` peptide or
// RNA (as read_query leaves it).
FixedCallResponse fixed_call_response(const EnvelopeRequest &request);

} // namespace cli
