// RNA and DNA chains against hand-computed formulas (nucleosides plus one
// HPO3 less one H2O per phosphodiester link, plus the ends), and refusals.
#include <gtest/gtest.h>

#include <string>

#include "corvan.h"
#include "molecule/composition.hpp"
#include "nucleic/nucleic_acid.hpp"
#include "parse_checks.hpp"

namespace {

using namespace corvan;

std::string formula_of(const std::string &text, bool rna) {
    chem::Composition composition;
    const Outcome outcome = nucleic::parse_nucleic_acid(text, rna, composition);
    EXPECT_TRUE(outcome.ok()) << text << ": " << outcome.message;
    return chem::hill_formula(composition);
}

TEST(NucleicAcid, LinearRnaWithItsEnds) {
    EXPECT_EQ(formula_of("A", true), "C10H13N5O4");            // adenosine
    EXPECT_EQ(formula_of("ACGUACGU", true), "C76H95N30O54P7"); // 5'-OH, 3'-OH
    EXPECT_EQ(formula_of("p-A", true), "C10H14N5O7P");         // AMP
    EXPECT_EQ(formula_of("pp-A", true), "C10H15N5O10P2");      // ADP
    EXPECT_EQ(formula_of("ppp-A", true), "C10H16N5O13P3");     // ATP
    EXPECT_EQ(formula_of("A-p", true), "C10H14N5O7P");         // 3'-AMP
    EXPECT_EQ(formula_of("A>p", true), "C10H12N5O6P");         // 2',3'-cyclic AMP
    EXPECT_EQ(formula_of("ppp-ACGU", true), "C38H51N15O35P6");
    EXPECT_EQ(formula_of("ACGU>p", true), "C38H47N15O28P4");
    chem::Composition composition;
    ASSERT_TRUE(nucleic::parse_nucleic_acid("ACGUACGU", true, composition).ok());
    EXPECT_NEAR(chem::monoisotopic_mass(composition), 2508.37732, 1e-4);
}

TEST(NucleicAcid, DnaAndModifiedNucleosides) {
    EXPECT_EQ(formula_of("ACGT", false), "C39H50N15O22P3");
    EXPECT_EQ(formula_of("[m5C]G", false), "C20H27N8O10P");        // CG + CH2
    EXPECT_EQ(formula_of("A[m6A]C[Psi]", true), "C39H50N15O25P3"); // AACU + CH2
    EXPECT_EQ(formula_of("[Psi]", true), formula_of("U", true));
    EXPECT_EQ(formula_of("[m1Psi]", true), "C10H14N2O6");
    EXPECT_EQ(formula_of("[Am]", true), formula_of("[m6A]", true));
    EXPECT_EQ(formula_of("[I]", false), "C10H12N4O4");
}

TEST(NucleicAcid, ModomicsNucleosidesByShortNameAndCode) {
    // Hand-worked: the parent nucleoside plus the modification's atoms.
    EXPECT_EQ(formula_of("[t6A]", true), "C15H20N6O8"); // A + C5H7NO4 (threonylcarbamoyl)
    EXPECT_EQ(formula_of("[i6A]", true), "C15H21N5O4"); // A + C5H8 (isopentenyl)
    EXPECT_EQ(formula_of("[s2U]", true), "C9H12N2O5S"); // U, O2 -> S
    EXPECT_EQ(formula_of("[m7G]", true), "C11H15N5O5"); // G + CH2, neutral in a chain
    EXPECT_EQ(formula_of("[m2,2,7G]", true), "C13H19N5O5");
    EXPECT_EQ(formula_of("[62A]", true), formula_of("[t6A]", true)); // by code
    // The hand-written names and their Modomics twins agree.
    EXPECT_EQ(formula_of("[Y]", true), formula_of("[Psi]", true));
    EXPECT_EQ(formula_of("[m1Y]", true), formula_of("[m1Psi]", true));
    EXPECT_EQ(formula_of("A[ac4C]U", true), formula_of("A[42C]U", true));
}

void expect_refusals(bool rna, std::initializer_list<parse_checks::Refusal> refusals) {
    for (const parse_checks::Refusal &refusal : refusals) {
        chem::Composition composition;
        parse_checks::expect_refusal(nucleic::parse_nucleic_acid(refusal.text, rna, composition),
                                     refusal);
    }
}

TEST(NucleicAcid, RefusesWhatItCannotRead) {
    expect_refusals(true, {
                              {"", CORVAN_E_SYNTAX, -1, "empty sequence"},
                              {"ACGT", CORVAN_E_UNKNOWN, 3, "'T' is no RNA nucleotide"},
                              {"acgu", CORVAN_E_SYNTAX, 0, "lower-case nucleotide 'a'"},
                              {"A[x9Q]", CORVAN_E_UNKNOWN, 2, "a Modomics short name or code"},
                              {"A[m6A", CORVAN_E_SYNTAX, 1, "unclosed bracket"},
                              {"pppp-A", CORVAN_E_SYNTAX, 0, "'p-', 'pp-' or 'ppp-'"},
                              {"p-", CORVAN_E_SYNTAX, 2, "no nucleotides"},
                              {"A-pp", CORVAN_E_SYNTAX, 1, "'-p' or '>p'"},
                              {"A C", CORVAN_E_SYNTAX, 1, "unexpected ' '"},
                          });
    expect_refusals(false, {
                               {"ACGU", CORVAN_E_UNKNOWN, 3, "'U' is no DNA nucleotide"},
                               {"AC>p", CORVAN_E_UNSUPPORTED, 2, "DNA has no 2'-OH"},
                               {"A[Psi]", CORVAN_E_UNKNOWN, 2, "unknown DNA nucleoside 'Psi'"},
                               {"A[t6A]", CORVAN_E_UNKNOWN, 2, "unknown DNA nucleoside 't6A'"},
                           });
}

TEST(NucleicAcid, PublicCallsReadRnaAndDna) {
    corvan_molecule *molecule = nullptr;
    ASSERT_EQ(corvan_molecule_parse(CORVAN_KIND_RNA, "ACGUACGU", &molecule, nullptr), CORVAN_OK);
    char formula[64];
    ASSERT_EQ(corvan_molecule_formula(molecule, formula, sizeof formula, nullptr), CORVAN_OK);
    EXPECT_STREQ(formula, "C76H95N30O54P7");
    corvan_molecule_free(molecule);
    corvan_error error;
    EXPECT_EQ(corvan_molecule_parse(CORVAN_KIND_DNA, "ACGU", &molecule, &error), CORVAN_E_UNKNOWN);
    EXPECT_EQ(error.position, 3);
    corvan_distribution *d = nullptr;
    ASSERT_EQ(corvan_distribution_from_text(CORVAN_KIND_DNA, "p-ACGT", nullptr, &d, nullptr),
              CORVAN_OK);
    corvan_summary summary;
    corvan_distribution_summary(d, &summary);
    EXPECT_NEAR(summary.monoisotopic_mass, 1173.24677 + 79.96633, 1e-4); // + HPO3
    corvan_distribution_free(d);
}

} // namespace
