// The molecules of a batch run: read from a list file or a FASTA file,
// optionally digested, checked and filtered by length.
#pragma once

#include <cmath>
#include <optional>
#include <string>
#include <vector>

#include "commands/molecules.hpp"

namespace cli {

struct BatchItem {
    std::string id;                   // list: entry number; FASTA: accession[:first-last]
    std::string sequence;             // as the engines get it
    double given_mass = std::nan(""); // the list file's mass; NaN for FASTA
};

// Entries of a mass/sequence list file, in file order. An error message
// when the file cannot be read.
std::optional<std::string> read_list_items(const std::string &path, std::vector<BatchItem> &items);

// Proteins of a FASTA file, or their tryptic peptides when `digest`.
std::optional<std::string> read_fasta_items(const std::string &path, bool digest,
                                            std::vector<BatchItem> &items);

struct LengthRange {
    long long least = 1, most = 0; // most 0: no upper limit
};

// Drops items outside the length range (residues or nucleotides), and
// items the molecule's check refuses, which it reports on standard error.
void keep_usable_items(const Molecule &molecule, const LengthRange &lengths,
                       std::vector<BatchItem> &items);

} // namespace cli
