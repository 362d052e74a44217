// The spectrum an instrument records, on the molecule subcommands:
// --fine, --profile or --centroids at --resolution R@MZ.
#pragma once

#include <string>

#include "corvan.h"

namespace cli {

// Whether the words ask for a spectrum (--fine, --profile, --centroids or
// --resolution), so that the subcommand hands over to run_spectrum.
bool asks_for_spectrum(int argc, char **argv);

int run_spectrum(corvan_kind kind, const char *command, int argc, char **argv);

// The options' lines for the subcommands' help.
const std::string &spectrum_options_help();

} // namespace cli
