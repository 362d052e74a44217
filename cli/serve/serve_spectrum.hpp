// GET /api/spectrum: the profile, centroids or fine structure of a molecule
// or ion at a resolving power, as `corvan ... --profile|--centroids|--fine
// --format json` prints it, computed through the library's validating calls.
#pragma once

#include <cstddef>
#include <map>
#include <string>

#include "serve/serve_query.hpp"

namespace cli {

// Bounds on one answer: the fine peaks a request may make (the library
// refuses more, with the count it would need) and the profile points it
// may send.
inline constexpr std::size_t kMaxServedFinePeaks = 20000;
inline constexpr std::size_t kMaxServedProfilePoints = 200000;

// HTTP status 200, 400 (refused input), 422 (too large), 503 (memory).
using SpectrumResponse = JsonResponse;

// Keys: those of /api/distribution that describe the ion (kind, input or
// mass, charge, adduct, label), and resolution ("R@MZ", default
// 120000@200), analyzer (orbitrap, fticr, tof, quadrupole), part (profile,
// the default, centroids or fine), mz_low and mz_high (the profile's range,
// both or neither), max_peaks (at most kMaxServedFinePeaks, the default).
SpectrumResponse spectrum_response(const std::multimap<std::string, std::string> &query);

} // namespace cli
