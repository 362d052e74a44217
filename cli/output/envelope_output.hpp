// Writing an envelope (points with masses and m/z) as a table for people or
// as CSV, TSV or JSON for programs, and as the Result the SVG plot draws.
#pragma once

#include <cstdio>

#include "commands/envelope_request.hpp"
#include "output/output_formats.hpp"
#include "output/result.hpp"

namespace cli {

// The table leaves out points below 1e-6 of the highest unless `all`.
void write_envelope(std::FILE *stream, const EnvelopeRequest &request, const Envelope &envelope,
                    Format format, bool all);

// Rows M, M+1, ... up to the heaviest point, for the stick plot.
Result plot_result(const EnvelopeRequest &request, const Envelope &envelope);

// What the columns mean, for the help text and the table's footnote.
extern const char *const kEnvelopeColumnsMeaning;

} // namespace cli
