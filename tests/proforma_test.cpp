// ProForma peptides: compositions against hand-computed formulas, every
// refusal with its status, position and message, and the charge suffix
// through the public calls.
#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "corvan.h"
#include "molecule/composition.hpp"
#include "parse_checks.hpp"
#include "peptide/proforma.hpp"

namespace {

using namespace corvan;
using parse_checks::Refusal;

struct Parsed {
    Outcome outcome;
    std::string formula;
    int charge = 0;
};

Parsed parse(const std::string &text) {
    Parsed parsed;
    chem::Composition composition;
    parsed.outcome = peptide::parse_proforma(text, composition, parsed.charge);
    if (parsed.outcome.ok()) parsed.formula = chem::hill_formula(composition);
    return parsed;
}

std::string formula_of(const std::string &text) {
    chem::Composition composition;
    int charge = 0;
    return parse_checks::formula_read(text, peptide::parse_proforma(text, composition, charge),
                                      composition);
}

TEST(Proforma, ResiduesAndWater) {
    parse_checks::expect_formulas(formula_of,
                                  {{"PEPTIDE", "C34H53N7O15"},
                                   {"UO", "C15H26N4O4Se"}, // selenocysteine, pyrrolysine
                                   {"G", "C2H5NO2"}});
}

TEST(Proforma, EveryWayOfNamingAModificationGivesItsAtoms) {
    for (const char *text :
         {"EM[Oxidation]K", "EM[oxidation]K", "EM[U:Oxidation]K", "EM[UNIMOD:35]K",
          "EM[Formula:O]K", "EM[O]K", "EM[Oxidation|INFO:seen twice]K"})
        EXPECT_EQ(formula_of(text), "C16H30N4O7S") << text;
    const Parsed phospho = parse("EM[Oxidation]EVEES[Phospho]PEK/2");
    ASSERT_TRUE(phospho.outcome.ok()) << phospho.outcome.message;
    EXPECT_EQ(phospho.formula, "C49H80N11O26PS");
    EXPECT_EQ(phospho.charge, 2);
    // The library's brackets read any element now, P included.
    EXPECT_EQ(formula_of("PEPT[H3PO3]IDE"), "C34H56N7O18P");
    EXPECT_EQ(formula_of("PEPS[HPO3]TIDE"), formula_of("PEPS[Phospho]TIDE"));
    EXPECT_EQ(formula_of("PEPTIDE[Formula:[13C2]C-2]"), "C32[13C2]H53N7O15");
    EXPECT_EQ(formula_of("SEQUEN[Formula:C12 H20 O2]CE"), formula_of("SEQUEN[C12H20O2]CE"));
    // Two natural carbons become 13C; with a global label, all of them.
    EXPECT_EQ(formula_of("G[Formula:[13C2][12C-2]]"), "[13C2]H5NO2");
    EXPECT_EQ(formula_of("<13C>GG[Formula:[13C2][12C-2]]"), "[13C4]H8N2O3");
    EXPECT_EQ(formula_of("ELV[INFO:AnyString]IS"), formula_of("ELVIS")); // comments only
}

TEST(Proforma, TerminalFixedAndIsotopeModifications) {
    EXPECT_EQ(formula_of("[Acetyl]-PEPTIDE-[Amidated]"), "C36H56N8O15");
    EXPECT_EQ(formula_of("<[Carbamidomethyl]@C>ACDEFK"), "C32H48N8O12S");
    EXPECT_EQ(formula_of("<[Carbamidomethyl]@C>ACDEFK"), formula_of("AC[Carbamidomethyl]DEFK"));
    EXPECT_EQ(formula_of("<[Carbamidomethyl]@C,N-term>CC"), "C12H21N5O6S2"); // 3 sites
    EXPECT_EQ(formula_of("<[Acetyl]@N-term:A>PA"), formula_of("PA"));        // only before A
    EXPECT_EQ(formula_of("<[Amidated]@C-term:A>PA"), formula_of("PA-[Amidated]"));
    parse_checks::expect_formulas(formula_of,
                                  {{"<15N>PEPTIDE", "C34H53[15N7]O15"},
                                   {"<13C><15N>G", "[13C2]H5[15N]O2"},
                                   {"<D>G", "C2[2H5]NO2"},
                                   // Written isotopes stay; the label takes the natural atoms only.
                                   {"K[Label:13C(6)15N(2)]", "[13C6]H14[15N2]O2"},
                                   {"<13C>G[Formula:[12C1]]", "[12C][13C2]H5NO2"}});
}

// Examples from ProForma's own documentation, of the constructs read here.
TEST(Proforma, PublishedExamplesOfTheSupportedSubset) {
    parse_checks::expect_formulas(formula_of,
                                  {{"<13C><15N>ATPEILTVNSIGQLK", "[13C70]H122[15N18]O23"},
                                   {"<[Oxidation]@C,M>MTPEILTCNSIGCLK", "C68H119N17O25S3"},
                                   {"PEPTIDEG-[Methyl][Amidated]", "C37H59N9O15"},
                                   {"[Acetyl][Carbamyl]-QPEPTIDE", "C42H64N10O19"}});
    for (const char *text : {
             "EM[Oxidation]EVEES[Phospho]PEK",
             "EM[U:Oxidation]EVEES[U:Phospho]PEK",
             "EM[UNIMOD:35]EVEES[UNIMOD:56]PEK",
             "[iTRAQ4plex]-EM[Oxidation]EVNES[Phospho]PEK[iTRAQ4plex]-[Methyl]",
             "[U:iTRAQ4plex]-EM[U:Oxidation]EVNES[U:Phospho]PEK[U:iTRAQ4plex]-[U:Methyl]/3",
             "<[Carbamidomethyl]@C>ATPEILTCNSIGCLK",
             "<[TMT6plex]@K,N-term>ATPEILTCNSIGCLK",
             "<[TMT6plex]@K,N-term:A>ATPEILTCNSIGCLK",
             "<[Gln->pyro-Glu]@N-term:Q><[Oxidation]@W,C-term:G>QATPEILTWCNSIGCLKG",
             "<[Amidated]@C-term>QATPEILTWCNSIGCLKG",
             "<D>ATPEILTVNSIGQLK",
             "SEQUEN[Formula:C12H20O2]CE",
             "SEQUEN[Formula:HN-1O2]CE",
             "SEQUEN[Formula:[13C2]CH6N]CE",
             "SEQUEN[Formula:[13C2][12C-2]H2N]CE",
             "EM[Oxidation]EVE[Cation:Mg[II]]ES[Phospho]PEK",
             "ELVIS[Phospho|INFO:newly discovered|INFO:really awesome]K",
             "EMEVEESPEK/2",
             "EMEVEESPEK/-1",
         })
        EXPECT_TRUE(parse(text).outcome.ok()) << text << ": " << parse(text).outcome.message;
}

TEST(Proforma, RefusesWhatItCannotReadNamingThePlace) {
    const Refusal refusals[] = {
        {"", CORVAN_E_SYNTAX, -1, "empty peptide"},
        {"[dehydro]^3[gln->pyro-glu]-QSC", CORVAN_E_SYNTAX, 26, "expected '?'"},
        {"EM[Oxidatoin]K", CORVAN_E_UNKNOWN, 3, "'Oxidatoin' is no Unimod name and no formula"},
        {"EM[U:Oxidatoin]K", CORVAN_E_UNKNOWN, 5, "unknown Unimod name 'Oxidatoin'"},
        {"EM[UNIMOD:3000]K", CORVAN_E_UNKNOWN, 10, "no Unimod entry UNIMOD:3000"},
        {"EM[UNIMOD:x]K", CORVAN_E_SYNTAX, 10, "must be a number"},
        {"PEPS[+79.966]TIDE", CORVAN_E_UNSUPPORTED, 5, "[Phospho] 79.966331, [Sulfo] 79.956815"},
        {"PEPS[U:-7777.7]TIDE", CORVAN_E_UNSUPPORTED, 7, "no Unimod entry within 0.01 Da"},
        {"PEPS[Obs:+79.978]TIDE", CORVAN_E_UNSUPPORTED, 9, "a mass without atoms"},
        {"PEPtIDE", CORVAN_E_SYNTAX, 3, "lower-case residue 't'"},
        {"PEPXIDE", CORVAN_E_UNSUPPORTED, 3, "ambiguous or unknown residue 'X'"},
        {"PEPT[Oxidation", CORVAN_E_SYNTAX, 4, "unclosed bracket at character 5"},
        {"PEPT]IDE", CORVAN_E_SYNTAX, 4, "']' without '['"},
        {"PEPTIDE[]", CORVAN_E_SYNTAX, 7, "empty brackets"},
        {"{Glycan:Hex PEPTIDE", CORVAN_E_SYNTAX, 0, "unclosed '{'"},
        {"[Phospho]?", CORVAN_E_SYNTAX, -1, "no residues"},
        {"[Acetyl]PEPTIDE", CORVAN_E_SYNTAX, 8, "needs '-'"},
        {"(?DQ NGTWEK", CORVAN_E_SYNTAX, 4, "unexpected ' '"},
        {"PEPTIDE+ELVIS", CORVAN_E_UNSUPPORTED, 7, "holds 2 peptidoforms"},
        {"SEK[#XL1]UENCE//EMK", CORVAN_E_SYNTAX, 4, "'#XL1' names no modification"},
        {"EM[GNO:G59626AS]K", CORVAN_E_UNSUPPORTED, 3, "GNOme glycans"},
        {"SEQUEN[Glycan:]CE", CORVAN_E_SYNTAX, 14, "an empty glycan"},
        {"ELVIS[+79.966331|+80]K", CORVAN_E_UNSUPPORTED, 6, "a mass without atoms"},
        {"PEPTIDE[NBS]", CORVAN_E_UNSUPPORTED, 8, "both a Unimod name and a formula"},
        {"PEPTIDE[Formula:C2Xx]", CORVAN_E_UNKNOWN, 18, "unknown element 'Xx'"},
        {"PEPTIDE[Formula:Zn:z+2]", CORVAN_E_UNSUPPORTED, 18, "charged formulas"},
        {"PEPTIDE[H-99]", CORVAN_E_RANGE, -1, "element H totals below zero in the peptide"},
        {"<[Carbamidomethyl]C>PEPTIDE", CORVAN_E_SYNTAX, 18, "needs '@'"},
        {"<[Carbamidomethyl]@Cterm>PEPTIDE", CORVAN_E_SYNTAX, 20, "unexpected 't'"},
        {"<99C>PEPTIDE", CORVAN_E_UNKNOWN, 1, "unknown isotope label '99C'"},
        {"<15N PEPTIDE", CORVAN_E_SYNTAX, 4, "unexpected ' '"},
        {"PEPTIDE/[Na:z+1]", CORVAN_E_UNSUPPORTED, 8, "adduct ions"},
        {"PEPTIDE/", CORVAN_E_SYNTAX, 8, "expected a charge"},
        {"PEPTIDE/2000", CORVAN_E_RANGE, 8, "charge beyond 1000"},
        {"PEPTIDE-", CORVAN_E_SYNTAX, 8, "C-terminal modification"},
        {"[Acetyl]-", CORVAN_E_SYNTAX, -1, "no residues"},
    };
    for (const Refusal &refusal : refusals)
        parse_checks::expect_refusal(parse(refusal.text).outcome, refusal);
}

TEST(Proforma, MassRefusalFitsTheErrorRecord) {
    corvan_molecule *molecule = nullptr;
    corvan_error error;
    EXPECT_EQ(corvan_molecule_parse(CORVAN_KIND_PEPTIDE,
                                    "AAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAA[+42.01]K", &molecule,
                                    &error),
              CORVAN_E_UNSUPPORTED);
    EXPECT_EQ(molecule, nullptr);
    EXPECT_EQ(error.position, 37);
    EXPECT_NE(std::string(error.message).find("[Acetyl] 42.010565"), std::string::npos)
        << error.message;
}

// The charge of "/z" makes the ion unless the options give another.
TEST(Proforma, ChargeSuffixMakesTheIon) {
    corvan_distribution *d = nullptr;
    corvan_error error;
    ASSERT_EQ(corvan_distribution_from_text(CORVAN_KIND_PEPTIDE, "PEPTIDE/2", nullptr, &d, &error),
              CORVAN_OK)
        << error.message;
    corvan_summary summary;
    corvan_distribution_summary(d, &summary);
    EXPECT_EQ(summary.charge, 2);
    const double proton = 1.00782503223 - CORVAN_ELECTRON_MASS;
    EXPECT_NEAR(summary.monoisotopic_mz, (799.359964 + 2 * proton) / 2, 1e-5);
    corvan_distribution_free(d);

    corvan_options *options = corvan_options_create();
    ASSERT_EQ(corvan_options_set_charge(options, 2, "Na+", nullptr), CORVAN_OK);
    ASSERT_EQ(corvan_distribution_from_text(CORVAN_KIND_PEPTIDE, "PEPTIDE/2", options, &d, nullptr),
              CORVAN_OK); // the same charge: the options' adduct carries it
    corvan_distribution_summary(d, &summary);
    EXPECT_NEAR(summary.monoisotopic_mz,
                (799.359964 + 2 * (22.9897692820 - CORVAN_ELECTRON_MASS)) / 2, 1e-5);
    corvan_distribution_free(d);
    ASSERT_EQ(corvan_options_set_charge(options, 3, nullptr, nullptr), CORVAN_OK);
    EXPECT_EQ(corvan_distribution_from_text(CORVAN_KIND_PEPTIDE, "PEPTIDE/2", options, &d, &error),
              CORVAN_E_CHARGE);
    EXPECT_EQ(d, nullptr);
    EXPECT_STREQ(error.message, "the text gives charge 2 and the options charge 3");

    corvan_molecule *molecule = nullptr; // the handle keeps the charge
    ASSERT_EQ(corvan_molecule_parse(CORVAN_KIND_PEPTIDE, "PEPTIDE/-1", &molecule, nullptr),
              CORVAN_OK);
    int charge = 0;
    ASSERT_EQ(corvan_molecule_charge(molecule, &charge), CORVAN_OK);
    EXPECT_EQ(charge, -1);
    EXPECT_EQ(corvan_molecule_charge(molecule, nullptr), CORVAN_E_ARGUMENT);
    ASSERT_EQ(corvan_distribution_compute(molecule, nullptr, &d, nullptr), CORVAN_OK);
    corvan_distribution_summary(d, &summary);
    EXPECT_EQ(summary.charge, -1);
    EXPECT_NEAR(summary.monoisotopic_mz, 799.359964 - proton, 1e-5);
    corvan_distribution_free(d);
    corvan_molecule_free(molecule);
    corvan_options_free(options);
}

} // namespace
