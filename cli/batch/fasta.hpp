// Reading FASTA files (plain or gzip-compressed) and cutting proteins into
// tryptic peptides.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace cli {

struct FastaRecord {
    std::string id;       // the header's first word, without '>'
    std::string sequence; // upper case, white space removed, up to the first '*'
    // A '*' ends the protein where it stands: residues after it are not
    // read (and never joined to the part before); how many there were.
    bool stopped = false;
    std::size_t residues_after_stop = 0;
};

// The records of a FASTA file; a name ending in ".gz" (or gzip content) is
// read through `gzip -dc`. Lines may end in LF, CR LF or CR alone; residues
// are read in either case. An error message when the file cannot be read.
std::optional<std::string> read_fasta(const std::string &path, std::vector<FastaRecord> &records);

struct Piece {
    std::size_t start;  // 0-based position in the protein
    std::size_t length; // residues
};

// "residues 12-15 after '*' at position 11 of the record are not read (a
// '*' ends the protein)": the refusal of a record's dropped part.
std::string stop_refusal(const FastaRecord &record);

// Trypsin cuts after K or R unless P follows; no missed cleavages.
std::vector<Piece> tryptic_pieces(const std::string &protein);

} // namespace cli
