// The generated Unimod table against Unimod's own masses, and its look-ups.
#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "molecule/elements.hpp"
#include "molecule/formula_parser.hpp"
#include "peptide/unimod.hpp"

namespace {

using namespace corvan;

// Unimod weighs each element by its most abundant isotope (the isotope
// table's monoisotopic mass takes the lightest: they differ for Fe, Se, Hg,
// Mo, Li, B...). Its element masses differ from the table's by up to 3e-5 u
// for a few heavy elements and by under 1e-6 u for C, H, N, O, P and S, and
// it rounds to 6 decimals: the allowance grows with the atoms.
struct Weighed {
    double mass = 0, allowance = 1e-6;
};

Weighed unimod_weight(const chem::Composition &composition) {
    Weighed result;
    for (int element = 0; element < chem::kElementCount; ++element) {
        const double count = composition.natural[static_cast<std::size_t>(element)];
        if (count == 0) continue;
        const auto isotopes = chem::isotopes_of(element);
        const auto *most = &isotopes.front();
        for (const auto &isotope : isotopes)
            if (isotope.abundance > most->abundance) most = &isotope;
        result.mass += count * most->mass;
        const std::string symbol = chem::element_symbol(element);
        const bool light =
            symbol.size() == 1 && std::string("CHNOPS").find(symbol) != std::string::npos;
        result.allowance += std::fabs(count) * (light ? 2e-7 : 3e-5);
    }
    for (const auto &isotope : composition.fixed) {
        result.mass +=
            isotope.count * chem::find_isotope(isotope.element, isotope.mass_number)->mass;
        result.allowance += std::fabs(isotope.count) * 1e-6;
    }
    return result;
}

TEST(Unimod, EveryCompositionWeighsWhatUnimodStates) {
    ASSERT_GT(unimod::kEntryCount, 1400);
    for (int i = 0; i < unimod::kEntryCount; ++i) {
        const unimod::Entry &entry = unimod::kEntries[i];
        chem::Composition composition;
        ASSERT_TRUE(chem::parse_formula(entry.formula, composition).ok()) << entry.name;
        const Weighed weighed = unimod_weight(composition);
        EXPECT_NEAR(weighed.mass, entry.monoisotopic_mass, weighed.allowance)
            << entry.accession << " " << entry.name << " " << entry.formula;
    }
}

TEST(Unimod, IsotopeLabelsStayIsotopes) {
    const unimod::Entry *label = unimod::find_name("Label:13C(6)15N(2)");
    ASSERT_NE(label, nullptr);
    EXPECT_EQ(label->accession, 259);
    EXPECT_STREQ(label->formula, "C-6[13C6]N-2[15N2]");
    const unimod::Entry *hex = unimod::find_accession(41); // built from the Hex block
    ASSERT_NE(hex, nullptr);
    EXPECT_STREQ(hex->formula, "C6H10O5");
}

TEST(Unimod, LooksUpByAccessionNameAndMass) {
    EXPECT_STREQ(unimod::find_accession(35)->name, "Oxidation");
    EXPECT_STREQ(unimod::find_accession(1)->name, "Acetyl"); // first row
    EXPECT_EQ(unimod::find_accession(99988), nullptr);       // package addition, left out
    EXPECT_EQ(unimod::find_accession(0), nullptr);
    EXPECT_EQ(unimod::find_name("phospho")->accession, 21); // case does not matter
    EXPECT_EQ(unimod::find_name("CARBAMIDOMETHYL")->accession, 4);
    EXPECT_EQ(unimod::find_name("Phosph"), nullptr);
    EXPECT_EQ(unimod::find_name("Phosphos"), nullptr);
    for (int i = 0; i < unimod::kEntryCount; ++i) // every name finds its own entry
        ASSERT_EQ(unimod::find_name(unimod::kEntries[i].name), &unimod::kEntries[i]);
    const auto near = unimod::near_mass(79.966, 0.01);
    ASSERT_GE(near.size(), 2u);
    EXPECT_STREQ(near[0]->name, "Phospho"); // nearest first
    bool sulfo = false;
    for (const auto *entry : near) sulfo = sulfo || std::string(entry->name) == "Sulfo";
    EXPECT_TRUE(sulfo);
}

} // namespace
