// The molecules of a batch: read, digested, checked and filtered by length.
#include "batch/batch_items.hpp"

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "batch/fasta.hpp"
#include "commands/weights.hpp"
#include "corvan.h"

namespace cli {

namespace {

constexpr int kReportedRefusals = 5;

long long length_of(const Molecule &molecule, const std::string &sequence) {
    if (molecule.command == "peptide") return pep_seq_to_aacount(sequence.c_str());
    return static_cast<long long>(sequence.size());
}

bool within(const LengthRange &lengths, long long length) {
    return length >= lengths.least && (lengths.most == 0 || length <= lengths.most);
}

} // namespace

std::optional<std::string> read_list_items(const std::string &path, std::vector<BatchItem> &items) {
    std::string why;
    if (!readable_file_size(path, why)) return "cannot read " + path + ": " + why;
    protein_list list = read_masses_seqs_file(path.c_str());
    if (list.entries == nullptr) return "cannot read " + path;
    for (std::uint64_t i = 0; i < list.count; ++i)
        items.push_back({std::to_string(i + 1), list.entries[i].sequence, list.entries[i].mass});
    free_protein_list(&list);
    return std::nullopt;
}

std::optional<std::string> read_fasta_items(const std::string &path, bool digest,
                                            std::vector<BatchItem> &items) {
    std::vector<FastaRecord> records;
    if (auto error = read_fasta(path, records)) return error;
    for (const FastaRecord &record : records) {
        if (record.residues_after_stop > 0)
            std::fprintf(stderr, "corvan batch: %s\n", stop_refusal(record).c_str());
        if (!digest) {
            items.push_back({record.id, record.sequence});
            continue;
        }
        for (const Piece &piece : tryptic_pieces(record.sequence))
            items.push_back({record.id + ":" + std::to_string(piece.start + 1) + "-" +
                                 std::to_string(piece.start + piece.length),
                             record.sequence.substr(piece.start, piece.length)});
    }
    return std::nullopt;
}

void keep_usable_items(const Molecule &molecule, const LengthRange &lengths,
                       std::vector<BatchItem> &items) {
    std::size_t kept = 0, refused = 0;
    for (BatchItem &item : items) {
        if (!within(lengths, length_of(molecule, item.sequence))) continue;
        if (auto reason = molecule.check_text(item.sequence)) {
            if (++refused <= kReportedRefusals)
                std::fprintf(stderr, "corvan batch: skipping %s: %s\n", item.id.c_str(),
                             reason->c_str());
            continue;
        }
        if (&items[kept] != &item) items[kept] = std::move(item);
        ++kept;
    }
    items.resize(kept);
    if (refused > kReportedRefusals)
        std::fprintf(stderr,
                     "corvan batch: skipped %zu sequences in all that the %s command "
                     "would refuse\n",
                     refused, molecule.command.c_str());
}

} // namespace cli
