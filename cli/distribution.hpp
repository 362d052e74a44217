// The one path shared by the distribution subcommands (formula, peptide,
// rna): options, choice of engine and input, the library call, and the
// outputs (table or machine format, optional SVG plot).
#pragma once

#include "molecules.hpp"

namespace cli {

int run_distribution(const Molecule &molecule, int argc, char **argv);

} // namespace cli
