// The molecule layer's points against every isotopic composition
// enumerated exactly (small molecules, labelled ones included), and
// against IsoSpec's fine structure for 10-100 kDa molecules.
#include <cmath>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#ifdef CORVAN_HAVE_ISOSPEC
#include <IsoSpec++/isoSpec++.h>
#endif

#include "corvan.h"
#include "envelope_reference.hpp"

namespace {

struct Case {
    const char *formula;
    int charge;
    const char *adduct;
    std::map<std::string, double> labels;
};

struct Computed {
    std::vector<corvan_atom_count> atoms; // of the ion
    corvan_points points{};
    corvan_summary summary{};
    std::shared_ptr<corvan_distribution> keep;
};

// The ion's atoms: the molecule's formula plus what the adduct adds, as the
// library reports them for a neutral molecule of the ion's formula.
using envelope_reference::atoms_of;

Computed compute(const Case &c) {
    corvan_options *options = corvan_options_create();
    corvan_error error{};
    EXPECT_EQ(corvan_options_set_charge(options, c.charge, c.adduct, &error), CORVAN_OK)
        << error.message;
    for (const auto &[isotope, fraction] : c.labels)
        EXPECT_EQ(corvan_options_set_label(options, isotope.c_str(), fraction, &error), CORVAN_OK)
            << error.message;
    corvan_distribution *d = nullptr;
    EXPECT_EQ(corvan_distribution_from_text(CORVAN_KIND_FORMULA, c.formula, options, &d, &error),
              CORVAN_OK)
        << error.message;
    corvan_options_free(options);
    Computed computed;
    computed.keep.reset(d, corvan_distribution_free);
    corvan_distribution_points(d, &computed.points);
    corvan_distribution_summary(d, &computed.summary);
    return computed;
}

double highest(const corvan_points &p) {
    double top = 0;
    for (std::size_t i = 0; i < p.count; ++i) top = std::max(top, p.shares[i]);
    return top;
}

// Every parameterised check starts from its case's computed points.
class ComputedCase : public testing::TestWithParam<Case> {
  protected:
    const Case &c = GetParam();
    const Computed computed = compute(c);
    const corvan_points &p = computed.points;
};

class ExactEnumeration : public ComputedCase {};

TEST_P(ExactEnumeration, SharesAndMeanMassesOfEveryPoint) {
    ASSERT_GT(p.count, 0u);
    std::string ion_formula = c.formula;
    if (c.charge > 0) ion_formula += " H" + std::to_string(c.charge);
    if (c.charge < 0) ion_formula += " H" + std::to_string(c.charge);
    // The enumeration counts k from the lightest composition; the library
    // from M (each element's most abundant isotope), `shift` points above.
    const long shift = envelope_reference::neutrons_to_m(atoms_of(ion_formula), c.labels);
    const std::size_t length = static_cast<std::size_t>(p.neutrons[p.count - 1] + shift) + 3;
    const auto exact = envelope_reference::distribution(atoms_of(ion_formula), c.labels, length);
    const double top = highest(p);
    std::size_t next = 0;
    for (std::size_t k = 0; k < length; ++k) {
        const double share = static_cast<double>(exact.share[k]);
        if (next < p.count && p.neutrons[next] + shift == static_cast<long>(k)) {
            EXPECT_NEAR(p.shares[next], share, 1e-9 * top) << c.formula << " M+" << k;
            if (p.intensities[next] >= 1e-4) {
                const double mass = static_cast<double>(exact.moment[k] / exact.share[k]);
                EXPECT_NEAR(p.masses[next], mass, 1e-6) << c.formula << " M+" << k;
                if (c.charge != 0) {
                    EXPECT_NEAR(p.mz[next],
                                (mass - c.charge * CORVAN_ELECTRON_MASS) / std::abs(c.charge),
                                1e-6);
                }
            }
            ++next;
        } else {
            EXPECT_LT(share, 2 * CORVAN_ACCURACY) << c.formula << " M+" << k << " left out";
        }
    }
}

INSTANTIATE_TEST_SUITE_P(
    Molecules, ExactEnumeration,
    testing::Values(Case{"H2O", 0, nullptr, {}}, Case{"C6H12O6", 0, nullptr, {}},
                    Case{"[13C6]H12O6", 1, nullptr, {}}, Case{"C2[2H3]H3O", -1, nullptr, {}},
                    Case{"SnCl2", 0, nullptr, {}}, Case{"HgBr2", 0, nullptr, {}},
                    Case{"C50H71N13O12", 2, nullptr, {{"15N", 0.98}}},
                    Case{"C50H71N13O12", 3, nullptr, {{"13C", 0.99}}},
                    Case{"C100H150N30O30S2", 0, nullptr, {{"2H", 0.5}}},
                    Case{"C6H12O6", 0, nullptr, {{"18O", 0.3}, {"17O", 0.1}}},
                    Case{"C30H50N10O10S2Fe", 0, nullptr, {{"34S", 0.5}}},
                    // about 10 kDa, natural and half 15N
                    Case{"C445H700N125O135S6", 0, nullptr, {}},
                    Case{"C445H700N125O135S6", 5, nullptr, {{"15N", 0.5}}}));

TEST(Envelope, TheGridNeverFoldsOver) {
    // 145 kDa: every share sums to one, the heaviest point is far beyond 64.
    const Computed wide = compute({"C6500H10000N1700O2000S50", 0, nullptr, {}});
    double sum = 0;
    for (std::size_t i = 0; i < wide.points.count; ++i) sum += wide.points.shares[i];
    EXPECT_NEAR(sum, 1.0, 1e-11);
    EXPECT_GT(wide.points.neutrons[0], 20);
    EXPECT_LT(wide.points.neutrons[0], wide.points.neutrons[wide.summary.most_abundant]);
    // Tin's heaviest point (two 37Cl on 124Sn) stays 16 above the lightest
    // (112Sn): M is 120Sn with 35Cl, so they are M+8 and M-8.
    const Computed tin = compute({"SnCl2", 0, nullptr, {}});
    EXPECT_EQ(tin.points.neutrons[tin.points.count - 1], 8);
    EXPECT_EQ(tin.points.neutrons[0], -8);
}

TEST(Envelope, MoleculesByMassChangeSmoothly) {
    std::vector<double> centroid;
    for (double mass : {1400.0, 1450.0, 1500.0}) {
        corvan_molecule *m = nullptr;
        ASSERT_EQ(corvan_molecule_from_mass(CORVAN_KIND_PEPTIDE, mass, &m, nullptr), CORVAN_OK);
        corvan_distribution *d = nullptr;
        ASSERT_EQ(corvan_distribution_compute(m, nullptr, &d, nullptr), CORVAN_OK);
        corvan_points p;
        corvan_summary s;
        corvan_distribution_points(d, &p);
        corvan_distribution_summary(d, &s);
        EXPECT_NEAR(s.average_mass, mass, 1e-9);
        double mean = 0;
        for (std::size_t i = 0; i < p.count; ++i) mean += p.shares[i] * p.neutrons[i];
        centroid.push_back(mean);
        corvan_distribution_free(d);
        corvan_molecule_free(m);
    }
    // The mean of the point index grows in proportion to the mass.
    EXPECT_GT(centroid[1], centroid[0] + 0.01);
    EXPECT_GT(centroid[2], centroid[1] + 0.01);
    EXPECT_NEAR(centroid[1] / centroid[0], 1450.0 / 1400.0, 1e-3);
}

#ifdef CORVAN_HAVE_ISOSPEC

// IsoSpec's fine structure of the same atoms with the same isotope shares,
// summed into points by the extra neutrons of each configuration.
envelope_reference::Poly isospec_points(const std::vector<corvan_atom_count> &atoms,
                                        const std::map<std::string, double> &labels,
                                        std::size_t length) {
    std::vector<std::vector<envelope_reference::Isotope>> elements;
    std::vector<int> counts, sizes;
    std::vector<std::vector<double>> masses, shares;
    for (const corvan_atom_count &atom : atoms) {
        int z = 0;
        for (int e = 0; e < CORVAN_ELEMENT_COUNT; ++e)
            if (std::string(atom.symbol) == element_names[e]) z = e + 1;
        elements.push_back(envelope_reference::isotopes(z, labels));
        counts.push_back(static_cast<int>(atom.count));
        sizes.push_back(static_cast<int>(elements.back().size()));
        masses.emplace_back(), shares.emplace_back();
        for (const auto &i : elements.back()) {
            masses.back().push_back(static_cast<double>(i.mass));
            shares.back().push_back(static_cast<double>(i.share));
        }
    }
    std::vector<const double *> mass_rows, share_rows;
    for (std::size_t e = 0; e < elements.size(); ++e)
        mass_rows.push_back(masses[e].data()), share_rows.push_back(shares[e].data());
    IsoSpec::Iso iso(static_cast<int>(elements.size()), sizes.data(), counts.data(),
                     mass_rows.data(), share_rows.data());
    IsoSpec::IsoThresholdGenerator generator(std::move(iso), 1e-15, true);
    std::vector<int> signature(64);
    envelope_reference::Poly points{std::vector<long double>(length, 0),
                                    std::vector<long double>(length, 0)};
    while (generator.advanceToNextConfiguration()) {
        generator.get_conf_signature(signature.data());
        std::size_t k = 0, slot = 0;
        for (const auto &element : elements)
            for (const auto &isotope : element)
                k += static_cast<std::size_t>(signature[slot++]) *
                     static_cast<std::size_t>(isotope.mass_number - element.front().mass_number);
        if (k >= length) continue;
        points.share[k] += generator.prob();
        points.moment[k] += generator.prob() * generator.mass();
    }
    return points;
}

class AgainstIsoSpec : public ComputedCase {};

TEST_P(AgainstIsoSpec, SharesAndMeanMasses) {
    // IsoSpec's points are counted from the lightest composition (see
    // ExactEnumeration), the library's from M.
    const long shift = envelope_reference::neutrons_to_m(atoms_of(c.formula), c.labels);
    const std::size_t length = static_cast<std::size_t>(p.neutrons[p.count - 1] + shift) + 1;
    const auto reference = isospec_points(atoms_of(c.formula), c.labels, length);
    const double top = highest(p);
    for (std::size_t i = 0; i < p.count; ++i) {
        const auto k = static_cast<std::size_t>(p.neutrons[i] + shift);
        EXPECT_NEAR(p.shares[i], static_cast<double>(reference.share[k]), 1e-7 * top)
            << c.formula << " M+" << k;
        if (p.intensities[i] >= 1e-4) {
            EXPECT_NEAR(p.masses[i], static_cast<double>(reference.moment[k] / reference.share[k]),
                        1e-4)
                << c.formula << " M+" << k;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Proteins, AgainstIsoSpec,
                         testing::Values(Case{"C1330H2100N360O400S12", 0, nullptr, {}},
                                         Case{"C1330H2100N360O400S12", 0, nullptr, {{"15N", 0.9}}},
                                         Case{"C4450H7000N1250O1350S60", 0, nullptr, {}}));

#endif

} // namespace
