// The formula language: groups, hydrates, D and T, and ions written as
// [M+...]z, each against compositions worked by hand.
#include <gtest/gtest.h>

#include <string>

#include "corvan.h"
#include "ion/adduct.hpp"
#include "labels/isotope_label.hpp"
#include "molecule/formula_parser.hpp"
#include "parse_checks.hpp"

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
    parse_checks::expect_formulas(formula_of, {{"Ca(OH)2", "CaH2O2"},
                                               {"Al2(SO4)3", "Al2O12S3"},
                                               {"K4(Fe(CN)6)", "C6FeK4N6"},
                                               {"((CH3)3C)2O", "C8H18O"},
                                               {"CuSO4(H2O)5", "CuH10O9S"},
                                               {"CuSO4*5H2O", "CuH10O9S"}});
    EXPECT_EQ(formula_of("CuSO4\xc2\xb7"
                         "5H2O"),
              "CuH10O9S");
    parse_checks::expect_formulas(formula_of,
                                  {{"C6H12O6.H2O", "C6H14O7"},
                                   {"CD3OD", "C[2H4]O"},
                                   {"D2O", "[2H2]O"},
                                   {"T2O", "[3H2]O"},
                                   {"C2H5T", "C2H5[3H]"},
                                   {"C2H5[3H]", "C2H5[3H]"}, // the written form reads back
                                   {"DyTi", "DyTi"},         // symbols that start with D and T
                                   {"C4.5H7", "C4.5H7"}});   // by-mass counts stay decimals
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
                 {"[4H]2O", 1, "no isotope 4H in the isotope table"},
                 {"CuSO4*2000000000H2O", 6, "count above 1000000000"},
                 {"H2O(((((((((((((((((((((((((((((((((H)))))))))))))))))))))))))))))))))", 35,
                  "parentheses nested deeper than 32"},
                 {"Tx2O", 0, "unknown element 'Tx'"}};
    for (const Case &c : cases) {
        const Outcome refused = refusal(c.text);
        EXPECT_EQ(refused.position, c.position) << c.text;
        EXPECT_NE(refused.message.find(c.message), std::string::npos) << refused.message;
    }
    chem::Composition composition;
    const Outcome decimal = chem::parse_formula("CuSO4.5H2O", composition);
    EXPECT_NE(decimal.message.find("written 'CuSO4*5H2O'"), std::string::npos) << decimal.message;
}

// Masses by hand from the NIST values: 1H 1.00782503223, 3H 3.0160492779,
// 16O 15.99491461957, 17O 16.99913175650, 18O 17.99915961286.
TEST(FormulaLanguage, TritiumIsFixedAtThreeH) {
    const double tritium = 3.0160492779, water_t = 2 * tritium + 15.99491461957;
    corvan_molecule *m = nullptr;
    ASSERT_EQ(corvan_molecule_parse(CORVAN_KIND_FORMULA, "C2H5T", &m, nullptr), CORVAN_OK);
    long long nominal = 0;
    EXPECT_EQ(corvan_molecule_nominal_mass(m, &nominal), CORVAN_OK);
    EXPECT_EQ(nominal, 32);
    corvan_distribution *d = nullptr;
    ASSERT_EQ(corvan_distribution_compute(m, nullptr, &d, nullptr), CORVAN_OK);
    corvan_summary summary{};
    corvan_distribution_summary(d, &summary);
    EXPECT_NEAR(summary.monoisotopic_mass, 24 + 5 * 1.00782503223 + tritium, 1e-9);
    corvan_distribution_free(d);
    corvan_molecule_free(m);

    // T2O's only natural atom is O: its fine structure is oxygen's three
    // isotopes, shifted by two 3H.
    ASSERT_EQ(corvan_molecule_parse(CORVAN_KIND_FORMULA, "T2O", &m, nullptr), CORVAN_OK);
    corvan_spectrum_settings settings;
    corvan_spectrum_defaults(&settings);
    settings.fine_value = 1e-6;
    corvan_spectrum *s = nullptr;
    ASSERT_EQ(corvan_fine_structure(m, nullptr, &settings, &s, nullptr, nullptr), CORVAN_OK);
    corvan_spectrum_view view{};
    corvan_spectrum_get(s, &view);
    ASSERT_EQ(view.fine_count, 3u);
    const double mz[] = {water_t, water_t + 16.99913175650 - 15.99491461957,
                         water_t + 17.99915961286 - 15.99491461957};
    const double share[] = {0.99757, 0.00038, 0.00205};
    for (std::size_t i = 0; i < 3; ++i) {
        EXPECT_NEAR(view.fine_mz[i], mz[i], 1e-9) << i;
        EXPECT_NEAR(view.fine_probability[i], share[i], 1e-9) << i;
    }
    corvan_spectrum_free(s);
    corvan_molecule_free(m);

    // A ProForma global label fixes every hydrogen at 3H; labels, which
    // reweigh natural isotopes, still refuse T.
    ASSERT_EQ(corvan_molecule_parse(CORVAN_KIND_PEPTIDE, "<T>G", &m, nullptr), CORVAN_OK);
    char text[32];
    ASSERT_EQ(corvan_molecule_formula(m, text, sizeof text, nullptr), CORVAN_OK);
    EXPECT_STREQ(text, "C2[3H5]NO2");
    corvan_molecule_free(m);
    int element = 0, mass_number = 0;
    EXPECT_EQ(labels::parse_isotope("T", element, mass_number).message,
              "no isotope 'T' in the isotope table");
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

// A reused composition, cleared or assigned over, holds what a fresh one
// holds: its loops see only the elements it touched.
TEST(FormulaLanguage, ReusedCompositionsMatchFreshOnes) {
    chem::Composition reused, fresh;
    ASSERT_TRUE(chem::parse_molecule_formula("Fe2(SO4)3*5H2O", reused).ok());
    ASSERT_TRUE(chem::parse_molecule_formula("C6H12O6", reused).ok());
    ASSERT_TRUE(chem::parse_molecule_formula("C6H12O6", fresh).ok());
    EXPECT_EQ(reused.natural, fresh.natural);
    EXPECT_NEAR(chem::monoisotopic_mass(reused), 6 * 12 + 12 * 1.00782503223 + 6 * 15.99491461957,
                1e-9);
    chem::Composition copy;
    copy.add_natural(chem::element::S, 3);
    copy.assign(fresh);
    EXPECT_EQ(copy.natural, fresh.natural);
    copy.add_natural(chem::element::N, -1);
    EXPECT_EQ(copy.first_negative_element(), chem::element::N);
    copy.add_natural(chem::element::N, 1);
    EXPECT_EQ(copy.first_negative_element(), -1);
    copy.clear();
    EXPECT_TRUE(copy.empty());
    EXPECT_EQ(copy.natural, chem::Composition{}.natural);
}

// Plain formulas take a quicker loop than the full reader; both agree,
// and every symbol is found by its table.
TEST(FormulaLanguage, PlainFormulasReadAsTheFullReaderReadsThem) {
    for (const char *text : {"C6H12O6", "H2O", "C0H2", "NaCl", "C123456H2", "Xe", "U", "CCCOH"}) {
        chem::Composition quick, full;
        ASSERT_TRUE(chem::parse_molecule_formula(text, quick).ok()) << text;
        ASSERT_TRUE(chem::parse_formula(text, full, "formula").ok()) << text;
        EXPECT_EQ(quick.natural, full.natural) << text;
    }
    for (int element = 0; element < CORVAN_ELEMENT_COUNT; ++element)
        EXPECT_EQ(chem::element_index(chem::element_symbol(element)), element);
    for (const char *symbol : {"Xx", "c", "C1", "CL", "", "Cal", "D"})
        EXPECT_EQ(chem::element_index(symbol), -1) << symbol;
}

} // namespace

// The one-pass reader of plain formulas takes only what needs no further
// check, and reads it as the full reader does; the rest goes to that reader.
TEST(FormulaLanguage, PlainReaderAgreesWithTheFullReader) {
    for (const char *text : {"C6H12O6", "H", "C2H5OH", "Cl2Br999999999", "MgSO4", "C0H1", "ZnU"}) {
        chem::Composition plain, full;
        ASSERT_TRUE(chem::read_plain_molecule(text, plain)) << text;
        ASSERT_TRUE(chem::parse_formula(text, full).ok()) << text;
        EXPECT_EQ(plain.natural, full.natural) << text;
        EXPECT_TRUE(plain.fixed.empty()) << text;
    }
    chem::Composition kept;
    ASSERT_TRUE(chem::read_plain_molecule("NaCl", kept));
    ASSERT_TRUE(chem::read_plain_molecule("H2O", kept));
    EXPECT_EQ(chem::hill_formula(kept), "H2O"); // nothing of the last text left
    for (const char *text : {"", "C0", "Tc", "CD4", "C1000000001", "C-1", "C2.5", "C H", "Xx", "c",
                             "(CH)2", "[13C]", "CH4.H2O", "Pu", "C\xc2\xb7"})
        EXPECT_FALSE(chem::read_plain_molecule(text, kept)) << text;
    EXPECT_EQ(refusal("C0").status, CORVAN_E_RANGE);
    EXPECT_TRUE(refusal("Tc").ok()); // refused later, by the molecule's checks
}
