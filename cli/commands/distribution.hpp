// The one path shared by the distribution subcommands (formula, peptide,
// rna): options, choice of engine and input, the library call, and the
// outputs (table or machine format, optional SVG plot).
#pragma once

#include <string>
#include <variant>

#include "args.hpp"
#include "commands/molecules.hpp"
#include "output/result.hpp"

namespace cli {

struct FixedCallFailure {
    int status; // kUsage or kFailedCall
    std::string message;
};

// The computing half of the subcommand: `args` as it reads them (engine,
// mass or one positional text, points, offset, weights), checked with the
// same messages, and the library's result; nothing is written.
std::variant<Result, FixedCallFailure> compute_fixed_call(const Molecule &molecule,
                                                          const Args &args);

int run_distribution(const Molecule &molecule, int argc, char **argv);

} // namespace cli
