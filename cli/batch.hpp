// corvan batch: many molecules from a list or FASTA file, several engines,
// several threads, one result file.
#pragma once

namespace cli {

int run_batch(int argc, char **argv);

} // namespace cli
