// corvan batch: many molecules from a list or FASTA file, several engines,
// several threads, one result file.
#pragma once

#include <string>

namespace cli {

int run_batch(int argc, char **argv);

// Prints "corvan batch: MESSAGE" (with a pointer to --help for usage
// errors) on standard error and returns `status`.
int batch_failure(int status, const std::string &message);

} // namespace cli
