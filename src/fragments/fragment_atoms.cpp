#include "fragments/fragment_atoms.hpp"

#include <algorithm>

#include "fragments/ion_series.hpp"
#include "molecule/elements.hpp"
#include "molecule/formula_parser.hpp"
#include "nucleic/nucleic_acid.hpp"
#include "peptide/proforma.hpp"

namespace corvan::fragments {

namespace {

// Atoms of a formula written in this file (known to parse).
chem::Composition atoms_of(std::string_view formula) {
    chem::Composition atoms;
    chem::parse_formula(formula, atoms);
    return atoms;
}

chem::Composition sum(const chem::Composition &a, const chem::Composition &b, double times = 1) {
    chem::Composition total = a;
    total.add(b, times);
    return total;
}

// What each peptide series adds to its residues' sum (the C-terminal ones
// include the water of the free acid).
chem::Composition peptide_end_group(unsigned series) {
    switch (series) {
    case CORVAN_ION_A:
        return atoms_of("C-1O-1");
    case CORVAN_ION_C:
        return atoms_of("NH3");
    case CORVAN_ION_X:
        return atoms_of("CO2"); // H2O + CO - H2
    case CORVAN_ION_Y:
        return atoms_of("H2O");
    case CORVAN_ION_Z:
        return atoms_of("N-1O"); // H2O - NH2
    case CORVAN_ION_IMMONIUM:
        return atoms_of("C-1O-1"); // residue - CO
    default:
        return {}; // b
    }
}

bool is_phospho_site(const peptide::ResidueAtoms &residue) {
    return (residue.letter == 'S' || residue.letter == 'T') &&
           residue.atoms.element_total(chem::element::P) > 0;
}

// Whether residues [first, last) allow the loss.
bool can_lose(const Loss &loss, const std::vector<peptide::ResidueAtoms> &residues,
              std::size_t first, std::size_t last) {
    for (std::size_t i = first; i < last; ++i) {
        const std::string_view holders = loss.holders;
        if (holders.empty() ? is_phospho_site(residues[i])
                            : holders.find(residues[i].letter) != std::string_view::npos)
            return true;
    }
    return false;
}

void add_with_losses(FragmentAtoms fragment, unsigned losses,
                     const std::vector<peptide::ResidueAtoms> &residues, std::size_t first,
                     std::size_t last, std::vector<FragmentAtoms> &out) {
    out.push_back(fragment);
    for (const Loss &loss : kLosses) {
        if ((losses & loss.bit) == 0 || !can_lose(loss, residues, first, last)) continue;
        FragmentAtoms lost = fragment;
        lost.loss = loss.bit;
        lost.name += std::string("-") + loss.formula;
        lost.atoms.add(atoms_of(loss.formula), -1);
        out.push_back(std::move(lost));
    }
}

bool same_atoms(const chem::Composition &a, const chem::Composition &b) {
    const auto same_isotope = [](const chem::FixedIsotope &p, const chem::FixedIsotope &q) {
        return p.element == q.element && p.mass_number == q.mass_number && p.count == q.count;
    };
    return a.natural == b.natural &&
           std::equal(a.fixed.begin(), a.fixed.end(), b.fixed.begin(), b.fixed.end(), same_isotope);
}

// One ion per distinct residue (with its modifications, and the terminal
// ones on the end residues), at the position it first occurs.
void immonium_ions(const std::vector<peptide::ResidueAtoms> &residues,
                   std::vector<FragmentAtoms> &out) {
    for (std::size_t i = 0; i < residues.size(); ++i) {
        bool repeated = false;
        for (std::size_t j = 0; j < i && !repeated; ++j)
            repeated = same_atoms(residues[j].atoms, residues[i].atoms);
        if (repeated) continue;
        out.push_back({CORVAN_ION_IMMONIUM, i + 1, 0,
                       std::string("imm(") + residues[i].letter + ")",
                       sum(residues[i].atoms, peptide_end_group(CORVAN_ION_IMMONIUM))});
    }
}

// The neutral base of a nucleoside: the nucleoside less its sugar.
chem::Composition base_of(const nucleic::ChainParts::Unit &unit, bool rna) {
    const bool methylated_sugar = rna && unit.name.size() > 1 && unit.name.back() == 'm';
    const char *sugar = !rna ? "C5H8O3" : methylated_sugar ? "C6H10O4" : "C5H8O4";
    return sum(unit.atoms, atoms_of(sugar), -1);
}

} // namespace

Outcome peptide_fragments(std::string_view text, unsigned types, unsigned losses,
                          Precursor &precursor, std::vector<FragmentAtoms> &fragments) {
    std::vector<peptide::ResidueAtoms> residues;
    Outcome read =
        peptide::parse_proforma_residues(text, precursor.atoms, precursor.charge, residues);
    if (!read.ok()) return read;
    const std::size_t n = residues.size();
    if (n < 2)
        return Outcome::failure(CORVAN_E_UNSUPPORTED,
                                "a peptide of one residue has no fragment ions");
    fragments.clear();
    for (const Series &series : kSeries) {
        if ((types & series.bit) == 0) continue;
        if (series.bit == CORVAN_ION_IMMONIUM) {
            immonium_ions(residues, fragments);
            continue;
        }
        const chem::Composition end_group = peptide_end_group(series.bit);
        for (std::size_t i = 1; i < n; ++i) {
            const std::size_t first = series.n_terminal ? 0 : n - i;
            FragmentAtoms fragment{series.bit, i, 0, series.name + std::to_string(i), end_group};
            for (std::size_t r = first; r < first + i; ++r)
                fragment.atoms.add(residues[r].atoms, 1);
            add_with_losses(std::move(fragment), losses, residues, first, first + i, fragments);
        }
    }
    return Outcome::success();
}

Outcome nucleic_fragments(std::string_view text, bool rna, unsigned types, Precursor &precursor,
                          std::vector<FragmentAtoms> &fragments) {
    nucleic::ChainParts parts;
    Outcome read = nucleic::parse_nucleic_chain(text, rna, precursor.atoms, parts);
    if (!read.ok()) return read;
    precursor.charge = 0;
    const std::size_t n = parts.units.size();
    if (n < 2)
        return Outcome::failure(CORVAN_E_UNSUPPORTED,
                                "a chain of one nucleotide has no fragment ions");
    const chem::Composition link = atoms_of("H-1PO2"); // HPO3 - H2O: one phosphodiester
    const chem::Composition phosphate = atoms_of("HPO3");
    fragments.clear();
    for (const Series &series : kSeries) {
        if ((types & series.bit) == 0) continue;
        for (std::size_t i = 1; i < n; ++i) {
            // P (5' piece, 3'-OH) or S (3' piece, 5'-OH) of i nucleotides.
            const std::size_t first = series.n_terminal ? 0 : n - i;
            chem::Composition piece = series.n_terminal ? parts.five_prime : parts.three_prime;
            for (std::size_t u = first; u < first + i; ++u) piece.add(parts.units[u].atoms, 1);
            piece.add(link, static_cast<double>(i - 1));
            if (series.bit == CORVAN_ION_C) piece.add(link, 1);
            if (series.bit == CORVAN_ION_W) piece.add(phosphate, 1);
            if (series.bit == CORVAN_ION_A_BASE) {
                chem::add_water(piece, -1);
                piece.add(base_of(parts.units[i - 1], rna), -1);
            }
            const std::string name = series.bit == CORVAN_ION_A_BASE
                                         ? "a" + std::to_string(i) + "-B"
                                         : series.name + std::to_string(i);
            fragments.push_back({series.bit, i, 0, name, piece});
        }
    }
    return Outcome::success();
}

} // namespace corvan::fragments
