// Fine structure against an independent enumeration: each element's
// compositions built atom by atom (no factorials), combined by brute force.
#include <algorithm>
#include <cmath>
#include <map>
#include <vector>

#include <gtest/gtest.h>

#include "api/handles.hpp"
#include "corvan.h"
#include "molecule/elements.hpp"
#include "spectrum/fine_structure.hpp"

namespace {

struct Peak {
    double mass, probability;
};

using Shares = std::vector<double>;

// All compositions of n atoms drawing from `shares`, one atom at a time.
std::vector<Peak> element_by_atoms(int element, int n, const Shares &shares) {
    const auto isotopes = corvan::chem::isotopes_of(element);
    std::map<std::vector<int>, double> layer{{std::vector<int>(isotopes.size(), 0), 1.0}};
    for (int atom = 0; atom < n; ++atom) {
        std::map<std::vector<int>, double> next;
        for (const auto &[counts, p] : layer)
            for (std::size_t i = 0; i < isotopes.size(); ++i) {
                if (shares[i] == 0) continue;
                auto c = counts;
                ++c[i];
                next[c] += p * shares[i];
            }
        layer = std::move(next);
    }
    std::vector<Peak> peaks;
    for (const auto &[counts, p] : layer) {
        double mass = 0;
        for (std::size_t i = 0; i < counts.size(); ++i) mass += counts[i] * isotopes[i].mass;
        peaks.push_back({mass, p});
    }
    return peaks;
}

Shares natural(int element) {
    Shares s;
    double total = 0;
    for (const auto &isotope : corvan::chem::isotopes_of(element)) total += isotope.abundance;
    for (const auto &isotope : corvan::chem::isotopes_of(element))
        s.push_back(isotope.abundance / total);
    return s;
}

std::vector<Peak> combine(const std::vector<std::vector<Peak>> &parts, double shift, int charge) {
    std::vector<Peak> all{{shift, 1.0}};
    for (const auto &part : parts) {
        std::vector<Peak> next;
        for (const Peak &a : all)
            for (const Peak &b : part)
                next.push_back({a.mass + b.mass, a.probability * b.probability});
        all = std::move(next);
    }
    for (Peak &p : all)
        p.mass = charge == 0 ? p.mass : (p.mass - charge * CORVAN_ELECTRON_MASS) / std::abs(charge);
    return all;
}

// The same atoms reached from two groups are one composition.
std::vector<Peak> merged(std::vector<Peak> all) {
    std::map<long long, Peak> by_mass;
    for (const Peak &p : all) {
        Peak &slot = by_mass[std::llround(p.mass * 1e7)];
        slot = {p.mass, slot.probability + p.probability};
    }
    std::vector<Peak> out;
    for (const auto &[key, p] : by_mass) out.push_back(p);
    return out;
}

std::vector<Peak> above(std::vector<Peak> all, double threshold) {
    double top = 0;
    for (const Peak &p : all) top = std::max(top, p.probability);
    std::erase_if(all, [&](const Peak &p) { return p.probability < threshold * top; });
    std::sort(all.begin(), all.end(), [](const Peak &a, const Peak &b) { return a.mass < b.mass; });
    return all;
}

struct FineRun {
    int status;
    size_t needed;
    std::vector<Peak> peaks;
};

FineRun fine(const char *formula, corvan_options *options, int mode, double value,
             size_t cap = 100000) {
    corvan_molecule *molecule = nullptr;
    EXPECT_EQ(corvan_molecule_parse(CORVAN_KIND_FORMULA, formula, &molecule, nullptr), CORVAN_OK);
    corvan_spectrum_settings settings;
    corvan_spectrum_defaults(&settings);
    settings.fine_mode = mode;
    settings.fine_value = value;
    settings.max_peaks = cap;
    corvan_spectrum *spectrum = nullptr;
    FineRun run{};
    run.status =
        corvan_fine_structure(molecule, options, &settings, &spectrum, &run.needed, nullptr);
    if (spectrum != nullptr) {
        corvan_spectrum_view v;
        corvan_spectrum_get(spectrum, &v);
        for (size_t i = 0; i < v.fine_count; ++i)
            run.peaks.push_back({v.fine_mz[i], v.fine_probability[i]});
    }
    corvan_spectrum_free(spectrum);
    corvan_molecule_free(molecule);
    return run;
}

void expect_same(const std::vector<Peak> &got, const std::vector<Peak> &want) {
    ASSERT_EQ(got.size(), want.size());
    double top = 0;
    for (const Peak &p : want) top = std::max(top, p.probability);
    for (std::size_t i = 0; i < got.size(); ++i) {
        EXPECT_NEAR(got[i].mass, want[i].mass, 1e-9) << i;
        EXPECT_NEAR(got[i].probability, want[i].probability, 1e-9 * top) << i;
    }
}

constexpr int C = 5, H = 0, N = 6, O = 7, S = 15;

TEST(FineStructure, MatchesEnumerationByThreshold) {
    const auto reference =
        combine({element_by_atoms(C, 3, natural(C)), element_by_atoms(H, 7, natural(H)),
                 element_by_atoms(N, 1, natural(N)), element_by_atoms(O, 2, natural(O)),
                 element_by_atoms(S, 2, natural(S))},
                0, 0);
    for (double threshold : {1e-2, 1e-6, 1e-12})
        expect_same(fine("C3H7NO2S2", nullptr, CORVAN_FINE_THRESHOLD, threshold).peaks,
                    above(reference, threshold));
}

TEST(FineStructure, LabelsTheMoleculeButNotTheCarrier) {
    // CH4 with 2H at 0.5, as [M+H]+: four labelled hydrogens, one natural.
    corvan_options *options = corvan_options_create();
    ASSERT_EQ(corvan_options_set_label(options, "2H", 0.5, nullptr), CORVAN_OK);
    ASSERT_EQ(corvan_options_set_charge(options, 1, nullptr, nullptr), CORVAN_OK);
    const auto reference =
        combine({element_by_atoms(C, 1, natural(C)), element_by_atoms(H, 4, {0.5, 0.5}),
                 element_by_atoms(H, 1, natural(H))},
                0, 1);
    expect_same(fine("CH4", options, CORVAN_FINE_THRESHOLD, 1e-14).peaks,
                above(merged(reference), 1e-14));
    corvan_options_free(options);
}

TEST(FineStructure, FixedIsotopesAddTheirMass) {
    const double c13 = corvan::chem::find_isotope(C, 13)->mass;
    const auto reference =
        combine({element_by_atoms(C, 1, natural(C)), element_by_atoms(H, 4, natural(H)),
                 element_by_atoms(O, 1, natural(O))},
                2 * c13, 0);
    expect_same(fine("[13C2]CH4O", nullptr, CORVAN_FINE_THRESHOLD, 1e-8).peaks,
                above(reference, 1e-8));
}

TEST(FineStructure, CoverageTakesTheMostProbableFirst) {
    auto reference =
        combine({element_by_atoms(C, 6, natural(C)), element_by_atoms(H, 12, natural(H)),
                 element_by_atoms(O, 6, natural(O))},
                0, 0);
    std::sort(reference.begin(), reference.end(),
              [](const Peak &a, const Peak &b) { return a.probability > b.probability; });
    for (double coverage : {0.9, 0.999, 0.99999}) {
        std::size_t take = 0;
        for (double sum = 0; sum < coverage;) sum += reference[take++].probability;
        const std::vector<Peak> want(reference.begin(),
                                     reference.begin() + static_cast<long>(take));
        const FineRun run = fine("C6H12O6", nullptr, CORVAN_FINE_COVERAGE, coverage);
        EXPECT_EQ(run.needed, take);
        expect_same(run.peaks, above(want, 0));
    }
}

TEST(FineStructure, CoverageOfManyPeaksAsTheThresholdListSorted) {
    // Hundreds of peaks, many of nearly equal probability: the boundary
    // lies among several of them. The threshold listing, sorted by
    // probability, is the second route.
    auto all = fine("C20H30N6O8S", nullptr, CORVAN_FINE_THRESHOLD, 1e-13).peaks;
    std::sort(all.begin(), all.end(),
              [](const Peak &a, const Peak &b) { return a.probability > b.probability; });
    for (double coverage : {0.99, 0.999, 0.99999}) {
        std::size_t take = 0;
        for (double sum = 0; sum < coverage;) sum += all[take++].probability;
        const FineRun run = fine("C20H30N6O8S", nullptr, CORVAN_FINE_COVERAGE, coverage);
        ASSERT_EQ(run.peaks.size(), take) << coverage;
        double least = 1;
        for (const Peak &p : run.peaks) least = std::min(least, p.probability);
        EXPECT_NEAR(least, all[take - 1].probability, 1e-12 * least) << coverage;
    }
}

TEST(FineStructure, CapFailsWithTheCountNeeded) {
    const FineRun full = fine("C6H12O6", nullptr, CORVAN_FINE_THRESHOLD, 1e-6);
    const FineRun capped = fine("C6H12O6", nullptr, CORVAN_FINE_THRESHOLD, 1e-6, 5);
    EXPECT_EQ(capped.status, CORVAN_E_TOO_WIDE);
    EXPECT_EQ(capped.needed, full.peaks.size());
    EXPECT_TRUE(capped.peaks.empty());
    EXPECT_EQ(fine("C6H12O6", nullptr, CORVAN_FINE_COVERAGE, 1.0).status, CORVAN_E_ARGUMENT);
    EXPECT_EQ(fine("C6H12O6", nullptr, CORVAN_FINE_THRESHOLD, 0.0).status, CORVAN_E_ARGUMENT);
    EXPECT_EQ(fine("C6H12O6", nullptr, 7, 0.5).status, CORVAN_E_ARGUMENT);
}

TEST(FineStructure, RefusesMoleculesByMass) {
    corvan_molecule *molecule = nullptr;
    ASSERT_EQ(corvan_molecule_from_mass(CORVAN_KIND_PEPTIDE, 1000, &molecule, nullptr), CORVAN_OK);
    corvan_spectrum *spectrum = nullptr;
    EXPECT_EQ(corvan_fine_structure(molecule, nullptr, nullptr, &spectrum, nullptr, nullptr),
              CORVAN_E_UNSUPPORTED);
    EXPECT_EQ(spectrum, nullptr);
    corvan_molecule_free(molecule);
}

} // namespace

namespace {

corvan::spectrum::IonAtoms ion_of(const char *formula, int charge, const char *label) {
    corvan_molecule molecule;
    EXPECT_TRUE(corvan::api::parse_molecule(CORVAN_KIND_FORMULA, formula, molecule).ok());
    corvan::labels::LabelSet labels;
    if (*label != 0) {
        EXPECT_TRUE(labels.parse(label).ok());
    }
    corvan::spectrum::IonAtoms atoms;
    EXPECT_TRUE(corvan::spectrum::ion_atoms(molecule.composition, corvan::ion::proton().atoms,
                                            charge, charge, labels, atoms)
                    .ok());
    return atoms;
}

} // namespace

TEST(FineStructure, OrdersByLayerAsASortDoes) {
    // Peaks placed by layer (threshold) or kept with their layers (coverage)
    // against the same call in any order, sorted by std::sort. The label
    // lifts the layers off zero; the protons join the molecule's hydrogens.
    using namespace corvan::spectrum;
    for (const char *label : {"", "15N=0.98"})
        for (FineMode mode : {FineMode::threshold, FineMode::coverage}) {
            const IonAtoms atoms = ion_of("C60H98N18O20S2", 2, label);
            const double value = mode == FineMode::threshold ? 1e-6 : 0.9999;
            FinePeaks ordered, loose;
            std::size_t needed = 0;
            ASSERT_TRUE(fine_structure(atoms, {mode, value, 100000, true}, ordered, needed).ok());
            ASSERT_TRUE(fine_structure(atoms, {mode, value, 100000, false}, loose, needed).ok());
            std::vector<Peak> want;
            for (std::size_t i = 0; i < loose.mz.size(); ++i)
                want.push_back({loose.mz[i], loose.probability[i]});
            std::sort(want.begin(), want.end(),
                      [](const Peak &a, const Peak &b) { return a.mass < b.mass; });
            ASSERT_EQ(ordered.mz.size(), want.size()) << label;
            EXPECT_TRUE(std::is_sorted(ordered.mz.begin(), ordered.mz.end())) << label;
            // Either call may sum a composition's atoms in another order.
            for (std::size_t i = 0; i < want.size(); ++i) {
                ASSERT_NEAR(ordered.mz[i], want[i].mass, 1e-9) << label << " " << i;
                ASSERT_NEAR(ordered.probability[i], want[i].probability,
                            1e-13 * want[i].probability)
                    << label << " " << i;
            }
        }
}

TEST(FineStructure, CarrierAtomsDrawLikeTheMolecules) {
    // CH4 as [M+2H]2+, natural: six hydrogens, whichever side they came from.
    corvan_options *options = corvan_options_create();
    ASSERT_EQ(corvan_options_set_charge(options, 2, nullptr, nullptr), CORVAN_OK);
    const auto reference =
        combine({element_by_atoms(C, 1, natural(C)), element_by_atoms(H, 6, natural(H))}, 0, 2);
    expect_same(fine("CH4", options, CORVAN_FINE_THRESHOLD, 1e-14).peaks, above(reference, 1e-14));
    corvan_options_free(options);
}
