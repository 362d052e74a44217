// corvan fragments: the fragment ions of a peptide or nucleic acid with
// their envelopes, and the envelopes given the precursor's isolated peaks.
#pragma once

#include <string>

namespace cli {

int run_fragments(int argc, char **argv);

extern const std::string kFragmentsHelp;

} // namespace cli
