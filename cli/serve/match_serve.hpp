// GET /api/match?kind=...&input=...&peaks=MZ:I,MZ:I,...&charges=A-B&ppm=P:
// the page's corvan match.
#pragma once

#include <string>
#include <string_view>

#include <nlohmann/json.hpp>

namespace cli {

// The most peaks one request carries (the page sends the region of the
// envelope, not whole scans).
inline constexpr std::size_t kMaxQueryPeaks = 2000;

struct MatchAnswer {
    unsigned status; // HTTP: 200, 400 for refused input, 500/503 for the library's faults
    nlohmann::ordered_json body;
};

MatchAnswer match_answer(std::string_view raw_query);

} // namespace cli
