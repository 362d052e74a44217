// corvan batch with the exact engine: ProForma peptides from a list or from
// digested FASTA proteins (enzymes, missed cleavages, fixed and variable
// modifications), each at several charges, one row per ion.
#pragma once

namespace cli {

// True when the options ask for this path (--enzyme, --charges, --fixed,
// --variable, --proforma).
bool wants_peptide_batch(int argc, char **argv);

int run_peptide_batch(int argc, char **argv);

} // namespace cli
