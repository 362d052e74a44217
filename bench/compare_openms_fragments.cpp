// Cross-check against OpenMS (Debian's libopenms-dev) on tryptic peptides
// of the E. coli proteome: the m/z of b and y ions at charges 1 and 2
// (AASequence::getMonoWeight), and the envelope of each y ion given the
// precursor's isolated peaks, ours (exact distributions of fragment and
// complement) against CoarseIsotopePatternGenerator::calcFragmentIsotopeDist
// fed with the coarse distributions of the same two formulas. Prints the
// largest differences and a summary.
// Usage: compare_openms_fragments [proteome.fasta.gz] [peptides (default 300)]
#include <OpenMS/CHEMISTRY/AASequence.h>
#include <OpenMS/CHEMISTRY/EmpiricalFormula.h>
#include <OpenMS/CHEMISTRY/ISOTOPEDISTRIBUTION/CoarseIsotopePatternGenerator.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <set>
#include <string>
#include <vector>

#include "corvan.h"
#include "proteome.hpp"

namespace {

constexpr double kProton = 1.007276466621;

struct Worst {
    double value = 0;
    std::string where;
    void see(double difference, const std::string &what) {
        if (std::abs(difference) > value) value = std::abs(difference), where = what;
    }
};

// The neutral formula with `protons` hydrogens more, as OpenMS reads it.
OpenMS::EmpiricalFormula ion_formula(const char *formula, int protons) {
    OpenMS::EmpiricalFormula f(formula);
    return f + OpenMS::EmpiricalFormula("H" + std::to_string(protons));
}

std::vector<double> openms_conditioned(const OpenMS::EmpiricalFormula &fragment,
                                       const OpenMS::EmpiricalFormula &complement,
                                       const std::set<OpenMS::UInt> &isolated) {
    OpenMS::CoarseIsotopePatternGenerator coarse(40);
    const auto f = fragment.getIsotopeDistribution(coarse);
    const auto c = complement.getIsotopeDistribution(coarse);
    auto given = coarse.calcFragmentIsotopeDist(f, c, isolated, fragment.getMonoWeight());
    double total = 0;
    for (const auto &peak : given) total += peak.getIntensity();
    std::vector<double> shares;
    for (const auto &peak : given) shares.push_back(peak.getIntensity() / total);
    return shares;
}

// corvan's distribution of a formula as an OpenMS distribution (k = 0, 1, ...).
OpenMS::IsotopeDistribution from_corvan(const std::string &formula) {
    OpenMS::IsotopeDistribution out;
    corvan_distribution *d = nullptr;
    if (corvan_distribution_from_text(CORVAN_KIND_FORMULA, formula.c_str(), nullptr, &d, nullptr) !=
        CORVAN_OK)
        return out;
    corvan_points points;
    corvan_distribution_points(d, &points);
    OpenMS::IsotopeDistribution::ContainerType peaks;
    for (std::size_t k = 0; k < points.count; ++k)
        peaks.emplace_back(static_cast<double>(points.neutrons[k]), points.shares[k]);
    out.set(peaks);
    corvan_distribution_free(d);
    return out;
}

std::vector<double> conditioned_from_corvan(const OpenMS::EmpiricalFormula &fragment,
                                            const OpenMS::EmpiricalFormula &complement,
                                            const std::set<OpenMS::UInt> &isolated) {
    OpenMS::CoarseIsotopePatternGenerator coarse;
    auto given = coarse.calcFragmentIsotopeDist(from_corvan(fragment.toString()),
                                                from_corvan(complement.toString()), isolated,
                                                fragment.getMonoWeight());
    double total = 0;
    for (const auto &peak : given) total += peak.getIntensity();
    std::vector<double> shares;
    for (const auto &peak : given) shares.push_back(peak.getIntensity() / total);
    return shares;
}

struct Tallies {
    Worst b_mz, y_mz, conditioned, without_sulfur; // the latter: peptides without C and M
    Worst alone;                                   // the y envelopes themselves, no isolation
    Worst same_input; // OpenMS's conditioning fed with corvan's two distributions
    std::size_t ions = 0, envelopes = 0;
};

void compare_masses(const std::string &peptide, const corvan_fragment &f, Tallies &t) {
    const OpenMS::AASequence sequence = OpenMS::AASequence::fromString(peptide);
    const bool b = f.series == CORVAN_ION_B;
    const OpenMS::AASequence part = b ? sequence.getPrefix(f.number) : sequence.getSuffix(f.number);
    const double theirs =
        part.getMonoWeight(b ? OpenMS::Residue::BIon : OpenMS::Residue::YIon, f.charge) / f.charge;
    (b ? t.b_mz : t.y_mz).see(f.monoisotopic_mz - theirs, peptide + " " + f.name);
    ++t.ions;
}

void compare_peptide(const std::string &peptide, Tallies &t) {
    const std::vector<std::set<OpenMS::UInt>> isolations = {{0}, {1}, {0, 1}, {1, 2}, {0, 1, 2, 3}};
    corvan_fragment_settings s;
    corvan_fragment_defaults(&s);
    s.max_charge = 2;
    corvan_fragment_list *list = nullptr;
    if (corvan_fragments(CORVAN_KIND_PEPTIDE, peptide.c_str(), &s, &list, nullptr) != CORVAN_OK)
        return;
    corvan_fragment f;
    for (std::size_t i = 0; i < corvan_fragment_list_count(list); ++i) {
        corvan_fragment_list_get(list, i, &f);
        compare_masses(peptide, f, t);
    }
    corvan_fragment_list_free(list);
    const std::string precursor_text = peptide + "/2";
    for (const auto &isolated : isolations) {
        std::string peaks;
        for (OpenMS::UInt k : isolated) peaks += (peaks.empty() ? "" : ",") + std::to_string(k);
        s.types = CORVAN_ION_Y;
        s.max_charge = 1;
        s.isolated_peaks = peaks.c_str();
        if (corvan_fragments(CORVAN_KIND_PEPTIDE, precursor_text.c_str(), &s, &list, nullptr) !=
            CORVAN_OK)
            continue;
        const OpenMS::EmpiricalFormula precursor =
            OpenMS::AASequence::fromString(peptide).getFormula() + OpenMS::EmpiricalFormula("H2");
        for (std::size_t i = 0; i < corvan_fragment_list_count(list); ++i) {
            corvan_fragment_list_get(list, i, &f);
            const OpenMS::EmpiricalFormula fragment = ion_formula(f.formula, 1);
            const std::vector<double> theirs =
                openms_conditioned(fragment, precursor - fragment, isolated);
            const std::vector<double> fed =
                conditioned_from_corvan(fragment, precursor - fragment, isolated);
            for (std::size_t k = 0; k < std::min<std::size_t>(fed.size(), f.count); ++k)
                t.same_input.see(f.conditioned[k] - fed[k], peptide + "/2 " + f.name + " {" +
                                                                peaks + "} M+" + std::to_string(k));
            OpenMS::CoarseIsotopePatternGenerator coarse(40);
            const auto plain = fragment.getIsotopeDistribution(coarse);
            for (std::size_t k = 0; k < std::min<std::size_t>(plain.size(), f.count); ++k)
                t.alone.see(f.shares[k] - plain[k].getIntensity(), peptide + " " + f.name);
            for (std::size_t k = 0; k < std::max<std::size_t>(theirs.size(), f.count); ++k) {
                const double ours = k < f.count ? f.conditioned[k] : 0;
                const double other = k < theirs.size() ? theirs[k] : 0;
                const std::string where =
                    peptide + "/2 " + f.name + " {" + peaks + "} M+" + std::to_string(k);
                t.conditioned.see(ours - other, where);
                if (peptide.find_first_of("CM") == std::string::npos)
                    t.without_sulfur.see(ours - other, where);
            }
            ++t.envelopes;
        }
        corvan_fragment_list_free(list);
    }
}

} // namespace

int main(int argc, char **argv) {
    const std::vector<std::string> proteins =
        bench::read_fasta(argc > 1 ? argv[1] : bench::default_proteome_path());
    std::vector<std::string> peptides = bench::tryptic_peptides(proteins);
    const std::size_t wanted = argc > 2 ? std::strtoul(argv[2], nullptr, 10) : 300;
    // Every n-th peptide, so that lengths 6 to 40 are all met.
    const std::size_t step = std::max<std::size_t>(1, peptides.size() / wanted);
    Tallies t;
    std::size_t compared = 0;
    for (std::size_t i = 0; i < peptides.size() && compared < wanted; i += step, ++compared)
        compare_peptide(peptides[i], t);
    std::printf("peptides %zu, b/y ions %zu, conditioned y envelopes %zu\n", compared, t.ions,
                t.envelopes);
    std::printf("largest |m/z difference| b: %.3g (%s)\n", t.b_mz.value, t.b_mz.where.c_str());
    std::printf("largest |m/z difference| y: %.3g (%s)\n", t.y_mz.value, t.y_mz.where.c_str());
    std::printf("largest |conditioned share difference|: %.3g (%s)\n", t.conditioned.value,
                t.conditioned.where.c_str());
    std::printf("largest |share difference| of the y envelopes alone: %.3g (%s)\n", t.alone.value,
                t.alone.where.c_str());
    std::printf("largest |conditioned share difference|, OpenMS fed with corvan's fragment and "
                "complement distributions: %.3g (%s)\n",
                t.same_input.value, t.same_input.where.c_str());
    std::printf("  the same for peptides without C and M: %.3g (%s)\n", t.without_sulfur.value,
                t.without_sulfur.where.c_str());
    return 0;
}
