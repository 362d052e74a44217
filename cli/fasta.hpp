// Reading FASTA files (plain or gzip-compressed) and cutting proteins into
// tryptic peptides.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace cli {

struct FastaRecord {
    std::string id;       // the header's first word, without '>'
    std::string sequence; // white space and a final '*' removed
};

// The records of a FASTA file; a name ending in ".gz" (or gzip content) is
// read through `gzip -dc`. An error message when the file cannot be read.
std::optional<std::string> read_fasta(const std::string &path, std::vector<FastaRecord> &records);

struct Piece {
    std::size_t start;  // 0-based position in the protein
    std::size_t length; // residues
};

// Trypsin cuts after K or R unless P follows; no missed cleavages.
std::vector<Piece> tryptic_pieces(const std::string &protein);

} // namespace cli
