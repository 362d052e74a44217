// A fixed engine's formula and peak masses, asked of the library.
#include "commands/fixed_chemistry.hpp"

#include <limits>
#include <memory>

#include "corvan.h"

namespace cli {

namespace {

constexpr const char *kSymbols[5] = {"C", "H", "N", "O", "S"};

using MoleculeHandle = std::unique_ptr<corvan_molecule, decltype(&corvan_molecule_free)>;
using DistributionHandle =
    std::unique_ptr<corvan_distribution, decltype(&corvan_distribution_free)>;

std::string formula_text(const FixedCounts &counts) {
    std::string text;
    for (std::size_t column = 0; column < counts.size(); ++column)
        if (counts[column] != 0) text += kSymbols[column] + std::to_string(counts[column]);
    return text;
}

std::vector<PeakMass> peak_masses(const corvan_points &points, long long nominal, int count) {
    std::vector<PeakMass> peaks;
    for (int k = 0; k < count; ++k)
        peaks.push_back({nominal + k, std::numeric_limits<double>::quiet_NaN()});
    for (std::size_t i = 0; i < points.count; ++i)
        if (points.neutrons[i] >= 0 && points.neutrons[i] < count)
            peaks[static_cast<std::size_t>(points.neutrons[i])].mean = points.masses[i];
    return peaks;
}

} // namespace

FixedCounts peptide_counts(const std::string &sequence) {
    FixedCounts counts{};
    pep_seq_to_fftlist(sequence.c_str(), counts.data());
    return counts;
}

FixedCounts rna_counts(const std::string &sequence) {
    FixedCounts counts{};
    rna_seq_to_fftlist(sequence.c_str(), counts.data());
    return counts;
}

std::optional<FixedChemistry> fixed_chemistry(const FixedCounts &counts, int peaks) {
    corvan_molecule *parsed = nullptr;
    if (corvan_molecule_parse(CORVAN_KIND_FORMULA, formula_text(counts).c_str(), &parsed,
                              nullptr) != CORVAN_OK)
        return std::nullopt;
    MoleculeHandle molecule(parsed, corvan_molecule_free);
    corvan_distribution *computed = nullptr;
    if (corvan_distribution_compute(molecule.get(), nullptr, &computed, nullptr) != CORVAN_OK)
        return std::nullopt;
    DistributionHandle distribution(computed, corvan_distribution_free);
    FixedChemistry chemistry;
    char formula[128];
    long long nominal = 0;
    corvan_summary summary;
    corvan_points points;
    if (corvan_molecule_formula(molecule.get(), formula, sizeof formula, nullptr) != CORVAN_OK ||
        corvan_molecule_nominal_mass(molecule.get(), &nominal) != CORVAN_OK ||
        corvan_distribution_summary(distribution.get(), &summary) != CORVAN_OK ||
        corvan_distribution_points(distribution.get(), &points) != CORVAN_OK)
        return std::nullopt;
    chemistry.formula = formula;
    chemistry.monoisotopic_mass = summary.monoisotopic_mass;
    chemistry.peaks = peak_masses(points, nominal, peaks);
    return chemistry;
}

} // namespace cli
