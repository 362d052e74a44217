// The query of GET /api/distribution (and of the page's URL) read into an
// EnvelopeRequest, with the bounds that keep one request's work small.
#pragma once

#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <variant>

#include "commands/envelope_request.hpp"

namespace cli {

// Bounds on one request. The library would take far larger inputs; a web
// server shares its threads among clients, so each request stays small.
inline constexpr std::size_t kMaxQueryText = 2000; // input (a formula or sequence)
inline constexpr std::size_t kMaxShortText = 64;   // adduct, one label
inline constexpr std::size_t kMaxLabels = 16;
inline constexpr long kMaxQueryCharge = 100;
inline constexpr int kMaxQueryPoints = 10000;    // points=0 means every point
inline constexpr int kMaxFixedCallPoints = 1024; // the fixed calls' N (BRAIN grows fast)
inline constexpr double kMaxQueryMass = 2.0e6;   // Da, for molecules by mass
inline constexpr double kMaxQueryAtoms = 300000; // atoms of a parsed molecule

// A query refused before the library is asked: HTTP 400 with this message.
struct QueryError {
    std::string message;
};

// The query string as sent (percent-encoded, '+' for a space) as keys and
// values. Anything that cannot be read exactly is refused, never guessed
// at: a second '=' or an unencoded '?' in a value, a NUL, a bad escape, a
// key without a value.
std::variant<std::multimap<std::string, std::string>, QueryError> split_query(std::string_view raw);

// Keys: kind (formula, peptide, rna, dna; default formula), input (text) or
// mass (Da), charge, adduct, label (repeatable, or a comma-separated list),
// points, min_intensity, engine (exact by default; fft, brain, nn or fit:
// the fixed calls, for peptides and RNA, neutral, without labels). Unknown
// or repeated keys are refused.
std::variant<EnvelopeRequest, QueryError>
read_query(const std::multimap<std::string, std::string> &query);

// The ion's atoms (the molecule's and the adduct's) or its mass exceed the
// bounds above; nothing when a text does not parse (the library then
// reports why).
std::optional<QueryError> exceeds_work_bound(const EnvelopeRequest &request);

// {"error": message, "status": "bad query", "position": null}
nlohmann::ordered_json query_error_json(const QueryError &error);

// An answer of the JSON endpoints that compute through the library.
struct JsonResponse {
    int http_status;
    nlohmann::ordered_json body;
};

// A query refused before the library is asked: 400 with query_error_json.
JsonResponse query_refused(const std::string &message);

// The library's refusal: 503 out of memory, 422 too large, else 400. Its
// position counts only when the input text was at fault.
JsonResponse library_refused(const corvan_error &error, bool position_in_text);

} // namespace cli
