// Cross-check against OpenMS (Debian's libopenms-dev): every protease of
// the table digests the E. coli proteome (one missed cleavage, 7-40
// residues; fully specific on every protein, semi-specific on the first
// 100) in both libraries, and every modified
// ribonucleoside of the table has its formula in both. Prints one line per
// protease and nucleoside difference and a summary; exit 1 on a difference
// other than the N7-methylguanosines, whose residue formula corvan corrects.
// Usage: compare_openms_digest [proteome.fasta.gz]
#include <OpenMS/CHEMISTRY/ElementDB.h>
#include <OpenMS/CHEMISTRY/ProteaseDigestion.h>
#include <OpenMS/CHEMISTRY/RibonucleotideDB.h>

#include <algorithm>
#include <cstdio>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "corvan.h"
#include "proteome.hpp"

namespace {

using Spans = std::vector<std::pair<std::size_t, std::size_t>>; // 1-based start, end

Spans corvan_spans(const std::string &protein, const char *enzyme, unsigned flags) {
    Spans spans;
    corvan_pieces *pieces = nullptr;
    if (corvan_digest(CORVAN_KIND_PEPTIDE, protein.c_str(), enzyme, 1, 7, 40, flags, &pieces,
                      nullptr) != CORVAN_OK)
        return {{0, 0}};
    corvan_piece piece;
    for (std::size_t i = 0; i < corvan_pieces_count(pieces); ++i) {
        corvan_pieces_get(pieces, i, &piece);
        spans.emplace_back(piece.start, piece.end);
    }
    corvan_pieces_free(pieces);
    std::sort(spans.begin(), spans.end());
    return spans;
}

Spans openms_spans(const std::string &protein, const OpenMS::ProteaseDigestion &digestion) {
    std::vector<std::pair<OpenMS::Size, OpenMS::Size>> found;
    digestion.digestUnmodified(OpenMS::StringView(protein), found, 7, 40);
    Spans spans;
    for (const auto &[start, length] : found) spans.emplace_back(start + 1, start + length);
    std::sort(spans.begin(), spans.end());
    spans.erase(std::unique(spans.begin(), spans.end()), spans.end());
    return spans;
}

// Proteins and pieces compared, and proteins whose pieces differ.
struct Tally {
    std::size_t pieces = 0, differing = 0;
};

// OpenMS digests fully specifically only; whether a piece is a valid
// semi-specific product it answers piece by piece, so the semi-specific
// check asks it for every piece of 7-40 residues of the first proteins.
Spans openms_semi_spans(const std::string &protein, const OpenMS::ProteaseDigestion &digestion) {
    Spans spans;
    const OpenMS::String sequence(protein);
    for (std::size_t start = 0; start < protein.size(); ++start)
        for (std::size_t length = 7; length <= 40 && start + length <= protein.size(); ++length)
            if (digestion.isValidProduct(sequence, static_cast<int>(start),
                                         static_cast<int>(length), false))
                spans.emplace_back(start + 1, start + length);
    return spans;
}

constexpr std::size_t kSemiProteins = 100;

Tally compare_protease(const std::vector<std::string> &proteins, const char *enzyme, bool semi) {
    OpenMS::ProteaseDigestion digestion;
    digestion.setEnzyme(enzyme);
    digestion.setMissedCleavages(1);
    digestion.setSpecificity(semi ? OpenMS::EnzymaticDigestion::SPEC_SEMI
                                  : OpenMS::EnzymaticDigestion::SPEC_FULL);
    Tally tally;
    const std::size_t count = semi ? std::min(kSemiProteins, proteins.size()) : proteins.size();
    for (std::size_t i = 0; i < count; ++i) {
        const Spans ours = corvan_spans(proteins[i], enzyme, semi ? CORVAN_DIGEST_SEMI : 0);
        tally.pieces += ours.size();
        const Spans theirs = semi ? openms_semi_spans(proteins[i], digestion)
                                  : openms_spans(proteins[i], digestion);
        if (ours != theirs) ++tally.differing;
    }
    return tally;
}

std::string corvan_nucleoside(const std::string &name) {
    corvan_molecule *molecule = nullptr;
    char formula[128] = "";
    if (corvan_molecule_parse(CORVAN_KIND_RNA, ("[" + name + "]").c_str(), &molecule, nullptr) ==
        CORVAN_OK)
        corvan_molecule_formula(molecule, formula, sizeof formula, nullptr);
    corvan_molecule_free(molecule);
    return formula;
}

// Hill order without the ones, as corvan writes formulas.
std::string hill(const OpenMS::EmpiricalFormula &formula) {
    std::string text;
    const auto add = [&](const char *symbol) {
        const OpenMS::SignedSize count = formula.getNumberOf(
            OpenMS::ElementDB::getInstance()->getElement(OpenMS::String(symbol)));
        if (count != 0) text += symbol + (count == 1 ? std::string() : std::to_string(count));
    };
    for (const char *symbol : {"C", "H", "N", "O", "P", "S", "Se"}) add(symbol);
    return text;
}

bool n7_methyl(const std::string &code) {
    return code == "m7G" || code == "m2,7G" || code == "m2,7Gm" || code == "m2,2,7G";
}

int compare_nucleosides() {
    int compared = 0, differing = 0, unexpected = 0;
    for (const auto &nucleotide : *OpenMS::RibonucleotideDB::getInstance()) {
        const std::string code = nucleotide->getCode();
        const std::string ours = corvan_nucleoside(code);
        if (ours.empty()) continue; // caps, terminal groups, free bases
        ++compared;
        const std::string theirs = hill(nucleotide->getFormula());
        if (ours == theirs) continue;
        ++differing;
        unexpected += n7_methyl(code) ? 0 : 1;
        std::printf("nucleoside %-10s corvan %-14s OpenMS %s\n", code.c_str(), ours.c_str(),
                    theirs.c_str());
    }
    std::printf("modified ribonucleosides: %d compared, %d differ (%d unexpected)\n", compared,
                differing, unexpected);
    return unexpected;
}

} // namespace

int main(int argc, char **argv) {
    const std::vector<std::string> proteins =
        bench::read_fasta(argc > 1 ? argv[1] : bench::default_proteome_path());
    int failures = 0;
    std::printf("%-32s %10s %10s %10s %10s\n", "protease", "pieces", "differ", "semi pieces",
                "differ");
    for (std::size_t i = 0; const char *enzyme = corvan_enzyme_name(CORVAN_KIND_PEPTIDE, i); ++i) {
        if (std::string(enzyme) == "Glu-C") continue; // corvan's own name for V8-E
        const bool unspecific = std::string(enzyme) == "unspecific cleavage";
        const Tally full = compare_protease(proteins, enzyme, false);
        const Tally semi = unspecific ? Tally{} : compare_protease(proteins, enzyme, true);
        std::printf("%-32s %10zu %10zu %10zu %10zu\n", enzyme, full.pieces, full.differing,
                    semi.pieces, semi.differing);
        failures += full.differing != 0 || semi.differing != 0;
    }
    std::printf("proteins: %zu; proteases differing: %d\n", proteins.size(), failures);
    return (failures + compare_nucleosides()) != 0;
}
