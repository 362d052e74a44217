// The subcommands that compute through the library's molecule and ion
// layer: a formula (or, by kind, a sequence or mass) with charge, adduct,
// labels and point limits, every point with its mass and m/z.
#pragma once

#include "corvan.h"

namespace cli {

int run_envelope(corvan_kind kind, const char *command, int argc, char **argv);

} // namespace cli
