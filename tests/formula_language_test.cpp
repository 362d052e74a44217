// The formula language: groups, hydrates, D and T, and ions written as
// [M+...]z, each against compositions worked by hand.
#include <gtest/gtest.h>

#include <string>

#include "ion/adduct.hpp"
#include "molecule/formula_parser.hpp"

namespace {

using namespace corvan;

std::string formula_of(const std::string &text) {
    chem::Composition composition;
    const Outcome parsed = chem::parse_molecule_formula(text, composition);
    EXPECT_TRUE(parsed.ok()) << text << ": " << parsed.message;
    return chem::hill_formula(composition);
}

Outcome refusal(const std::string &text) {
    chem::Composition composition;
    return chem::parse_molecule_formula(text, composition);
}

TEST(FormulaLanguage, GroupsHydratesAndHydrogenIsotopes) {
    EXPECT_EQ(formula_of("Ca(OH)2"), "CaH2O2");
    EXPECT_EQ(formula_of("Al2(SO4)3"), "Al2O12S3");
    EXPECT_EQ(formula_of("K4(Fe(CN)6)"), "C6FeK4N6");
    EXPECT_EQ(formula_of("((CH3)3C)2O"), "C8H18O");
    EXPECT_EQ(formula_of("CuSO4(H2O)5"), "CuH10O9S");
    EXPECT_EQ(formula_of("CuSO4*5H2O"), "CuH10O9S");
    EXPECT_EQ(formula_of("CuSO4\xc2\xb7"
                         "5H2O"),
              "CuH10O9S");
    EXPECT_EQ(formula_of("C6H12O6.H2O"), "C6H14O7");
    EXPECT_EQ(formula_of("CD3OD"), "C[2H4]O");
    EXPECT_EQ(formula_of("D2O"), "[2H2]O");
    EXPECT_EQ(formula_of("DyTi"), "DyTi");     // symbols that start with D and T
    EXPECT_EQ(formula_of("C4.5H7"), "C4.5H7"); // by-mass counts stay decimals
}

TEST(FormulaLanguage, RefusalsPointAtTheFault) {
    struct Case {
        const char *text;
        long position;
        const char *message;
    } cases[] = {{"Ca(OH2", 2, "unclosed parenthesis"},
                 {"CaOH)2", 4, "')' without '('"},
                 {"Ca()2", 2, "empty parentheses"},
                 {"CuSO4*", 5, "nothing after the hydrate's separator"},
                 {"C6H12O6..H2O", 8, "unexpected '.'"},
                 {"T2O", 0, "no isotope 3H (T, tritium) in the isotope table"}};
    for (const Case &c : cases) {
        const Outcome refused = refusal(c.text);
        EXPECT_EQ(refused.position, c.position) << c.text;
        EXPECT_NE(refused.message.find(c.message), std::string::npos) << refused.message;
    }
    chem::Composition composition;
    const Outcome decimal = chem::parse_formula("CuSO4.5H2O", composition);
    EXPECT_NE(decimal.message.find("written 'CuSO4*5H2O'"), std::string::npos) << decimal.message;
}

// Gained atoms ride as carriers, lost ones leave the molecule.
TEST(FormulaLanguage, IonsInTheUsualNotation) {
    chem::Composition molecule;
    ASSERT_TRUE(chem::parse_formula("C6H12O6", molecule).ok());
    struct Case {
        const char *text;
        int charge;
        const char *molecule, *carriers;
    } cases[] = {{"[M+H+Na]2+", 2, "C6H12O6", "HNa"},
                 {"[M-4H+Na]3-", -3, "C6H8O6", "Na"},
                 {"[M-H2O+H]+", 1, "C6H10O5", "H"},
                 {"[M+2H]2+", 2, "C6H12O6", "H2"},
                 {"[M]+.", 1, "C6H12O6", ""}};
    for (const Case &c : cases) {
        ion::Carrier carrier;
        ASSERT_TRUE(ion::parse_carrier(c.text, carrier).ok()) << c.text;
        EXPECT_EQ(carrier.charge, c.charge) << c.text;
        ion::Ion made;
        ASSERT_TRUE(ion::ion_composition(molecule, c.charge, carrier, made).ok()) << c.text;
        EXPECT_EQ(chem::hill_formula(made.molecule), c.molecule) << c.text;
        EXPECT_EQ(chem::hill_formula(made.carriers), c.carriers) << c.text;
    }
    ion::Carrier carrier;
    ASSERT_TRUE(ion::parse_carrier("[M+H+Na]2+", carrier).ok());
    ion::Ion made;
    EXPECT_EQ(ion::ion_composition(molecule, 4, carrier, made).status, CORVAN_E_CHARGE);
    for (const char *bad : {"[2M+H]+", "[M+H]", "[M+]+", "[M+Xx]+", "[M+H+Na]0+"})
        EXPECT_FALSE(ion::parse_carrier(bad, carrier).ok()) << bad;
}

} // namespace
