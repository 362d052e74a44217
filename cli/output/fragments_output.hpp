// Writing fragment ions and their envelopes as a table, CSV, TSV or JSON.
#pragma once

#include <cstdio>
#include <string>

#include <nlohmann/json.hpp>

#include "corvan.h"
#include "output/output_formats.hpp"

namespace cli {

struct FragmentsReport {
    std::string input;     // the text as given
    std::string kind;      // "peptide", "rna", "dna"
    std::string isolation; // "M+0,M+1", "500.2:502.2 m/z", empty for none
    const corvan_fragment_list *list = nullptr;
};

// Table: one row per ion with its first points M+0..M+3 (and, with an
// isolation, the same points given it); CSV/TSV: one row per point of
// every ion; JSON: {"input", "kind", "isolation", "fragments": [...]}.
void write_fragments(std::FILE *stream, const FragmentsReport &report, Format format);

// The JSON object the json format writes (also GET /api/fragments).
nlohmann::ordered_json fragments_json(const FragmentsReport &report);

} // namespace cli
