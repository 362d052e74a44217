#include "commands.hpp"

#include <climits>
#include <cstring>
#include <optional>
#include <string>

#include "corvan.h"
#include "distribution.hpp"

namespace cli {

namespace {

// ---- input checks -------------------------------------------------------
// The library reads any text (unknown letters count as residues without
// atoms, unknown formula symbols are skipped); on the command line such
// input is almost always a typing slip, so it is refused with a reason.

std::string character_at(const std::string &text, std::size_t position) {
    return "'" + std::string(1, text[position]) + "' at position " + std::to_string(position + 1);
}

std::optional<std::string> check_formula(const std::string &text) {
    int counts[109];
    if (atom_formula_to_vector(text.c_str(), counts) != 0)
        return "cannot read the formula \"" + text +
               "\" (element symbols such as C, H, Na, each with an optional count, e.g. C6H12O6)";
    return std::nullopt;
}

// A modification: C, H, N, O and S terms, each with an optional count.
bool is_modification(const std::string &formula) {
    if (formula.empty() || formula.size() > 99) return false;
    for (std::size_t at = 0; at < formula.size();) {
        if (std::strchr("CHNOS", formula[at]) == nullptr) return false;
        long long count = 0;
        for (++at; at < formula.size() && formula[at] >= '0' && formula[at] <= '9'; ++at)
            if ((count = count * 10 + (formula[at] - '0')) > INT_MAX) return false;
    }
    return true;
}

std::optional<std::string> check_peptide(const std::string &text) {
    bool residue_seen = false;
    for (std::size_t at = 0; at < text.size(); ++at) {
        if (text[at] == '[') {
            const std::size_t close = text.find(']', at + 1);
            if (close == std::string::npos)
                return "the modification opened at position " + std::to_string(at + 1) +
                       " is not closed";
            const std::string formula = text.substr(at + 1, close - at - 1);
            if (!is_modification(formula))
                return "cannot read the modification [" + formula +
                       "] (C, H, N, O and S with optional counts, at most 99 characters, "
                       "e.g. [C2H2O])";
            at = close;
        } else if (aa_to_index(text[at]) < 0) {
            return "unexpected character " + character_at(text, at) +
                   " (residues are the one-letter codes ACDEFGHIKLMNPQRSTVWY)";
        } else {
            residue_seen = true;
        }
    }
    if (!residue_seen) return "the sequence has no residues";
    return std::nullopt;
}

std::optional<std::string> check_rna(const std::string &text) {
    if (text.empty()) return "the sequence is empty";
    for (std::size_t at = 0; at < text.size(); ++at)
        if (nt_to_index(text[at]) < 0)
            return "unexpected character " + character_at(text, at) +
                   " (nucleotides are the upper-case letters A, C, G and U)";
    return std::nullopt;
}

// ---- the subcommands ----------------------------------------------------

const std::string kShare = "share of the total in the highest peak:";
const std::string kNetworkPeak = "highest network output:";

const Molecule &formula_molecule() {
    static const Molecule molecule{"formula",
                                   "formula",
                                   "C6H12O6",
                                   {{"fft", fft_atom_formula_to_dist, nullptr, kShare}},
                                   check_formula};
    return molecule;
}

const Molecule &peptide_molecule() {
    static const Molecule molecule{
        "peptide",
        "peptide sequence",
        "PEPTIDE (or --mass M)",
        {{"fft", fft_pep_seq_to_dist, fft_pep_mass_to_dist, kShare},
         {"brain", brain_pep_seq_to_dist, brain_pep_mass_to_dist, kShare},
         {"nn", nn_pep_seq_to_dist, nn_pep_mass_to_dist, kNetworkPeak},
         {"fit", nullptr, pep_mass_to_dist_fitting, "model heights, not scaled; largest:"}},
        check_peptide};
    return molecule;
}

const Molecule &rna_molecule() {
    static const Molecule molecule{
        "rna",
        "RNA sequence",
        "ACGUACGU (or --mass M)",
        {{"fft", fft_rna_seq_to_dist, fft_rna_mass_to_dist, kShare},
         {"brain", brain_rna_seq_to_dist, brain_rna_mass_to_dist, kShare},
         {"nn", nn_rna_seq_to_dist, nn_rna_mass_to_dist, kNetworkPeak}},
        check_rna};
    return molecule;
}

int run_formula(int argc, char **argv) {
    return run_distribution(formula_molecule(), argc, argv);
}
int run_peptide(int argc, char **argv) {
    return run_distribution(peptide_molecule(), argc, argv);
}
int run_rna(int argc, char **argv) {
    return run_distribution(rna_molecule(), argc, argv);
}

const char *const kCommonOptions =
    "  --points N     length of the printed distribution (default 64)\n"
    "  --offset K     row that receives the lightest peak (default 0)\n"
    "  --all          also print the tail of points below 1e-6\n";

const std::string kFormulaHelp =
    std::string("usage: corvan formula FORMULA [--points N] [--offset K] [--all]\n"
                "\n"
                "Isotope distribution of an elemental formula over the elements H to Mt,\n"
                "computed by FFT on a grid of N points, scaled so that the highest peak\n"
                "is 1. Index k is the peak with k extra neutrons, written at row\n"
                "offset + k (the last K points of the grid are not shown).\n"
                "\n") +
    kCommonOptions +
    "\nexamples:\n"
    "  corvan formula C6H12O6\n"
    "  corvan formula 'C254 H377 N65 O75 S6' --points 32\n"
    "  corvan formula SnCl2 --points 16 --all\n";

const std::string kPeptideHelp =
    std::string("usage: corvan peptide SEQUENCE [--engine fft|brain|nn] [options]\n"
                "       corvan peptide --mass M [--engine fft|brain|nn|fit] [options]\n"
                "\n"
                "Isotope distribution of a peptide, scaled so that the highest peak is 1.\n"
                "SEQUENCE uses the one-letter residue codes ACDEFGHIKLMNPQRSTVWY; a\n"
                "modification is an elemental formula over C, H, N, O and S in square\n"
                "brackets, added where it stands (PEPTIDE[C2H2O]K). By mass (daltons) the\n"
                "peptide is an average residue composition.\n"
                "\n"
                "engines:\n"
                "  fft    Fourier transform of the element patterns (default)\n"
                "  brain  exact peak probabilities by polynomial roots\n"
                "  nn     embedded neural network (up to 1000 residues, below 120000 Da)\n"
                "  fit    closed-form model by mass only; raw heights, not scaled\n"
                "\n"
                "options:\n"
                "  --engine E     one of the engines above\n"
                "  --mass M       peptide mass in daltons instead of a sequence\n") +
    kCommonOptions +
    "\nexamples:\n"
    "  corvan peptide PEPTIDE[C2H2O]K\n"
    "  corvan peptide ACDEFGHIK --engine brain --points 16\n"
    "  corvan peptide --mass 1500.5 --engine nn\n"
    "  corvan peptide --mass 25000 --engine fit --points 40\n";

const std::string kRnaHelp =
    std::string("usage: corvan rna SEQUENCE [--engine fft|brain|nn] [options]\n"
                "       corvan rna --mass M [--engine fft|brain|nn] [options]\n"
                "\n"
                "Isotope distribution of an RNA, scaled so that the highest peak is 1.\n"
                "SEQUENCE uses the upper-case letters A, C, G and U; by mass (daltons) the\n"
                "RNA is an average nucleotide composition.\n"
                "\n"
                "engines:\n"
                "  fft    Fourier transform of the element patterns (default)\n"
                "  brain  exact peak probabilities by polynomial roots\n"
                "  nn     embedded neural network (up to 500 nucleotides, below 165000 Da)\n"
                "\n"
                "options:\n"
                "  --engine E     one of the engines above\n"
                "  --mass M       RNA mass in daltons instead of a sequence\n") +
    kCommonOptions +
    "\nexamples:\n"
    "  corvan rna ACGUACGU\n"
    "  corvan rna GGCUAGCUAGCC --engine brain --offset 2\n"
    "  corvan rna --mass 30000 --engine nn --points 80\n";

} // namespace

const std::vector<Command> &commands() {
    static const std::vector<Command> table = {
        {"formula", "isotope distribution of an elemental formula", kFormulaHelp, run_formula},
        {"peptide", "isotope distribution of a peptide, by sequence or mass", kPeptideHelp,
         run_peptide},
        {"rna", "isotope distribution of an RNA, by sequence or mass", kRnaHelp, run_rna},
    };
    return table;
}

} // namespace cli
