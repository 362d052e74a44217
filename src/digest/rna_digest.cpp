#include "digest/rna_digest.hpp"

#include "molecule/composition.hpp"
#include "nucleic/nucleic_acid.hpp"

namespace corvan::digest {

namespace {

// A valid RNA text taken apart: its 5' end, nucleotides and 3' end.
struct Chain {
    std::string_view five_prime, three_prime;
    std::vector<std::string_view> units; // "A" or "[m7G]"
};

Chain split(std::string_view rna) {
    Chain chain;
    const std::size_t dash = rna.find('-');
    if (!rna.empty() && rna[0] == 'p' && dash != std::string_view::npos) {
        chain.five_prime = rna.substr(0, dash + 1);
        rna.remove_prefix(dash + 1);
    }
    if (rna.size() >= 2 && (rna.ends_with("-p") || rna.ends_with(">p"))) {
        chain.three_prime = rna.substr(rna.size() - 2);
        rna.remove_suffix(2);
    }
    for (std::size_t i = 0; i < rna.size();) {
        const std::size_t length = rna[i] == '[' ? rna.find(']', i) - i + 1 : 1;
        chain.units.push_back(rna.substr(i, length));
        i += length;
    }
    return chain;
}

// The code an RNase table matches: the letter or the bracket's name, with
// this library's names for pseudouridines in the table's spelling.
std::string code_of(std::string_view unit) {
    if (unit.size() == 1) return std::string(unit);
    std::string name(unit.substr(1, unit.size() - 2));
    if (name == "Psi") return "Y";
    if (name == "m1Psi") return "m1Y";
    return name;
}

bool passes(const CodeTest &test, std::string_view code) {
    const std::string_view none_of(test.none_of);
    if (!none_of.empty() && code.find_first_of(none_of) != std::string_view::npos) return false;
    if (test.always || !none_of.empty()) return true;
    if (code.find_first_of(test.any_of) != std::string_view::npos) return true;
    for (std::size_t i = 0; i < code.size(); ++i)
        if (std::string_view(test.unmethylated_of).find(code[i]) != std::string_view::npos &&
            (i + 1 == code.size() || code[i + 1] != 'm'))
            return true;
    return false;
}

std::vector<bool> cuts(const Chain &chain, const Rnase &rnase) {
    std::vector<bool> cut(chain.units.size() - 1, false);
    for (std::size_t i = 1; i < chain.units.size(); ++i)
        cut[i - 1] = passes(rnase.cuts_after, code_of(chain.units[i - 1])) &&
                     passes(rnase.cuts_before, code_of(chain.units[i]));
    return cut;
}

std::string piece_text(const Chain &chain, const Piece &piece, const Rnase &rnase, bool cyclic) {
    std::string text;
    if (piece.begin == 0)
        text = chain.five_prime;
    else if (*rnase.five_prime_gain == 'p')
        text = "p-";
    for (std::size_t i = piece.begin; i < piece.end; ++i) text += chain.units[i];
    if (piece.end == chain.units.size())
        text += chain.three_prime;
    else if (*rnase.three_prime_gain == 'p')
        text += cyclic ? ">p" : "-p";
    return text;
}

} // namespace

const Rnase *find_rnase(std::string_view name) {
    for (int i = 0; i < kRnaseCount; ++i)
        if (same_name(name, kRnases[i].name)) return &kRnases[i];
    return nullptr;
}

Outcome digest_rna(std::string_view rna, const Rnase &rnase, const Settings &settings,
                   bool cyclic_phosphate, std::vector<RnaPiece> &found) {
    chem::Composition checked;
    Outcome read = nucleic::parse_nucleic_acid(rna, true, checked);
    if (!read.ok()) return read;
    const Chain chain = split(rna);
    found.clear();
    // Cutting everywhere and leaving nothing behind: every piece counts.
    Settings counted = settings;
    if (rnase.cuts_after.always && rnase.cuts_before.always && !*rnase.three_prime_gain &&
        !*rnase.five_prime_gain)
        counted.specificity = Specificity::none;
    for (const Piece &piece : pieces(cuts(chain, rnase), counted, false))
        found.push_back(
            {piece.begin + 1, piece.end, piece_text(chain, piece, rnase, cyclic_phosphate)});
    return Outcome::success();
}

} // namespace corvan::digest
