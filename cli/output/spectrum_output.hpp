// Writing a spectrum (fine peaks, profile, centroids) as a table, CSV, TSV,
// JSON or an SVG drawing.
#pragma once

#include <cstdio>
#include <string>

#include <nlohmann/json.hpp>

#include "corvan.h"
#include "output/output_formats.hpp"

namespace cli {

enum class SpectrumPart { fine, profile, centroids };

// The library call that computes `part`.
using SpectrumCall = int (*)(const corvan_molecule *, const corvan_options *,
                             const corvan_spectrum_settings *, corvan_spectrum **, size_t *,
                             corvan_error *);
constexpr SpectrumCall spectrum_call(SpectrumPart part) {
    return part == SpectrumPart::fine      ? corvan_fine_structure
           : part == SpectrumPart::profile ? corvan_profile
                                           : corvan_centroids;
}

struct SpectrumReport {
    std::string input;      // the text as given
    std::string kind;       // "formula", "peptide", ...
    std::string resolution; // "120000@200 orbitrap", empty for the fine structure
    SpectrumPart part = SpectrumPart::fine;
    corvan_spectrum_view view{};
};

// Table and CSV/TSV: one row per fine peak, profile point or centroid;
// JSON: {"input", "kind", "charge", "resolution", and "fine", "profile"
// or "centroids" as arrays of objects}.
// The JSON object of write_spectrum (also the answer of GET /api/spectrum).
nlohmann::ordered_json spectrum_json(const SpectrumReport &report);

void write_spectrum(std::FILE *stream, const SpectrumReport &report, Format format);

// The profile as a line with the centroids (or the fine peaks) as sticks.
void write_spectrum_svg(std::FILE *stream, const SpectrumReport &report);

} // namespace cli
