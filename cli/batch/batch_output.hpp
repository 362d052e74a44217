// The batch result file: one row per molecule and engine, in input order.
#pragma once

#include <cstdio>

#include "batch/batch_compute.hpp"

namespace cli {

// Columns: id, sequence, given_mass (list files only), monoisotopic_mass
// (of the sequence's composition), engine, status (ok/failed), peak_value,
// then the intensities M, M+1, ... scaled to the highest 1.
// `text` as one CSV/TSV field: quoted (quotes doubled) when it holds the
// separator or a quote.
std::string delimited_field(const std::string &text, char separator);

void write_batch_rows(std::FILE *stream, const BatchPlan &plan, const BatchResults &results,
                      char separator, bool from_list);

} // namespace cli
