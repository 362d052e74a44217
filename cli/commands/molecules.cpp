// The molecule kinds of the fixed engines and the library calls of each.
#include "commands/molecules.hpp"

#include "commands/input_check.hpp"
#include "corvan.h"

namespace cli {

namespace {

const std::string kShare = "share of the total in the highest peak:";
const std::string kNetworkPeak = "highest network output:";

} // namespace

const Molecule &peptide_molecule() {
    static const Molecule molecule{
        "peptide",
        "peptide sequence",
        "PEPTIDE (or --mass M)",
        {{"fft", fft_pep_seq_to_dist, fft_pep_mass_to_dist, kShare},
         {"brain", brain_pep_seq_to_dist, brain_pep_mass_to_dist, kShare},
         {"nn", nn_pep_seq_to_dist, nn_pep_mass_to_dist, kNetworkPeak, nn_pep_seq_to_dist_custom,
          nn_pep_mass_to_dist_custom, false},
         {"fit", nullptr, pep_mass_to_dist_fitting, "model heights, not scaled; largest:"}},
        check_peptide,
        peptide_counts,
        20};
    return molecule;
}

const Molecule &rna_molecule() {
    static const Molecule molecule{
        "rna",
        "RNA sequence",
        "ACGUACGU (or --mass M)",
        {{"fft", fft_rna_seq_to_dist, fft_rna_mass_to_dist, kShare},
         {"brain", brain_rna_seq_to_dist, brain_rna_mass_to_dist, kShare},
         {"nn", nn_rna_seq_to_dist, nn_rna_mass_to_dist, kNetworkPeak, nn_rna_seq_to_dist_custom,
          nn_rna_mass_to_dist_custom}},
        check_rna,
        rna_counts,
        4};
    return molecule;
}

const Engine *find_engine(const Molecule &molecule, const std::string &name) {
    for (const Engine &engine : molecule.engines)
        if (engine.name == name) return &engine;
    return nullptr;
}

std::string engine_names(const Molecule &molecule) {
    std::string names;
    for (std::size_t i = 0; i < molecule.engines.size(); ++i) {
        if (i > 0) names += i + 1 == molecule.engines.size() ? " or " : ", ";
        names += molecule.engines[i].name;
    }
    return names;
}

} // namespace cli
