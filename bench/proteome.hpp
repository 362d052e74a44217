// Real molecules for the benchmarks: the E. coli K-12 reference proteome,
// its tryptic peptides and its 30-100 kDa proteins.
#pragma once

#include <array>
#include <string>
#include <vector>

namespace bench {

// Protein sequences of a FASTA file (gzip-compressed if it ends in .gz).
std::vector<std::string> read_fasta(const std::string &path);

// Tryptic peptides (cleavage after K or R, not before P) of 6 to 40
// residues made only of the 20 standard letters, in proteome order.
std::vector<std::string> tryptic_peptides(const std::vector<std::string> &proteins);

// Proteins of the 20 standard letters whose average mass lies in
// [low, high] daltons.
std::vector<std::string> proteins_between(const std::vector<std::string> &proteins, double low,
                                          double high);

// {C, H, N, O, S} of a plain sequence (one water plus its residues).
std::array<int, 5> composition(const std::string &sequence);

// Monoisotopic-free average mass, good enough to pick mass ranges.
double average_mass(const std::string &sequence);

// The proteome shipped with the project.
std::string default_proteome_path();

} // namespace bench
