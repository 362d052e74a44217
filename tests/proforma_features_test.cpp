// ProForma constructs beyond single linear peptides: each example's
// composition worked by hand from residue formulas (residue = amino acid
// less water), and the refusals of what has no composition.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "corvan.h"
#include "molecule/formula_parser.hpp"
#include "parse_checks.hpp"
#include "peptide/ontologies.hpp"
#include "peptide/proforma.hpp"

namespace {

using namespace corvan;
using parse_checks::Refusal;

std::vector<std::string> formulas_of(const std::string &text) {
    std::vector<peptide::Peptidoform> ions;
    const Outcome read = peptide::parse_peptidoforms(text, ions);
    EXPECT_TRUE(read.ok()) << text << ": " << read.message;
    std::vector<std::string> formulas;
    for (const peptide::Peptidoform &ion : ions)
        formulas.push_back(chem::hill_formula(ion.composition));
    return formulas;
}

std::string formula_of(const std::string &text) {
    const auto formulas = formulas_of(text);
    EXPECT_EQ(formulas.size(), 1u) << text;
    return formulas.empty() ? "" : formulas.front();
}

// EMEVTSESPEK + water is C51H84N12O23S; Oxidation O, Phospho HPO3.
TEST(ProformaFeatures, PositionalFeaturesKeepTheMoleculesAtoms) {
    for (const char *text :
         {"[Phospho]?EM[Oxidation]EVTSESPEK",
          "EM[Oxidation]EVT[#g1(0.01)]S[#g1(0.09)]ES[Phospho#g1(0.90)]PEK",
          "EM[Oxidation]EVT[Phospho#1]S[Phospho#1]ESPEK", "EM[Oxidation]EV(TSES)[Phospho]PEK",
          "(?EM[Oxidation])EVTS[Phospho]ESPEK",
          "ELVIS[Phospho|INFO:x]K+EM[Oxidation]EVTSES[Phospho|Obs:+79.978]PEK"})
        EXPECT_EQ(formulas_of(text).back(), "C51H85N12O27PS") << text;
    parse_checks::expect_formulas(
        formula_of, {{"[Phospho]^2[Acetyl]?EMEVTSESPEK", "C53H88N12O30P2S"},
                     {"[Phospho][Phospho]?[Acetyl]-EMEVTSESPEK", "C53H88N12O30P2S"},
                     // QSC + water C11H20N4O6S; Dehydro H-1 three times, Gln->pyro-Glu H-3N-1.
                     {"[dehydro]^3?[gln->pyro-glu]-QSC", "C11H14N3O6S"},
                     // PRTESFRMSISK + water C61H103N19O19S, and one oxidation on the range.
                     {"PRT(ESFRMS)[Oxidation]ISK", "C61H103N19O20S"}});
}

TEST(ProformaFeatures, GlycansLabileAndVocabularies) {
    parse_checks::expect_formulas(
        formula_of, {// EMEVNESPEK + water C48H78N12O21S, + O + HPO3 + Hex C6H10O5.
                     {"{Glycan:Hex}EM[Oxidation]EVNES[Phospho]PEK", "C54H89N12O30PS"},
                     // N + water C4H8N2O3 + 2 HexNAc C8H13NO5 + 5 Hex.
                     {"N[Glycan:HexNAc2Hex5]", "C50H84N4O38"},
                     {"N[Glycan:HexNAc2 Hex5]", "C50H84N4O38"},
                     {"N[Glycan:{C8H13N1O5}2Hex5]", "C50H84N4O38"},
                     // SEQUENCE (U: selenocysteine) + water C33H52N10O18SSe, + HexNAc.
                     {"SEQUEN[Glycan:HexNAc]CE", "C41H65N11O23SSe"}});
    // S + water C3H7NO3 with HPO3, by PSI-MOD, RESID through PSI-MOD, alternatives.
    for (const char *text : {"S[MOD:00046]", "S[M:O-phospho-L-serine]", "S[O-phospho-L-serine]",
                             "S[RESID:AA0037]", "S[R:AA0037]", "S[Phospho|+79.966331]",
                             "S[+79.966331|Phospho]", "S[Unknownium|MOD:00046]"})
        EXPECT_EQ(formula_of(text), "C3H8NO6P") << text;
}

// K + water C6H14N2O2; DSS C8H10O2 counted once; disulfide H-2.
TEST(ProformaFeatures, CrossLinksAndChainsMakeOneMolecule) {
    parse_checks::expect_formulas(formula_of,
                                  {{"K[XLMOD:02001#XL1]//K[#XL1]", "C20H38N4O6"},
                                   {"K[X:DSS#XL1]//K[X:DSS#XL1]", "C20H38N4O6"},
                                   {"C[MOD:00034#XL1]C[#XL1]", "C6H10N2O3S2"},
                                   {"<[Carbamidomethyl]@C>C//C", "C10H20N4O6S2"}}); // each chain
    EXPECT_EQ(formulas_of("<13C>G/2+GG"),
              (std::vector<std::string>{"[13C2]H5NO2", "[13C4]H8N2O3"}));
}

// Every generated composition reads; accessions are sorted for the search.
TEST(ProformaFeatures, OntologyTablesRead) {
    for (const auto table : {ontology::psi_mod(), ontology::xl_mod()}) {
        for (std::size_t i = 0; i < table.size(); ++i) {
            chem::Composition atoms;
            EXPECT_TRUE(chem::parse_formula(table[i].formula, atoms).ok() || !*table[i].formula)
                << table[i].name;
            if (i > 0) {
                EXPECT_LT(table[i - 1].accession, table[i].accession);
            }
        }
    }
}

TEST(ProformaFeatures, RefusalsNameThePlace) {
    const Refusal refusals[] = {
        {"[Phospho]^2PEPTIDE", CORVAN_E_SYNTAX, 11, "expected '?'"},
        {"PEPT[#g1]IDE", CORVAN_E_SYNTAX, 5, "'#g1' names no modification"},
        {"PEP(TI)DE", CORVAN_E_SYNTAX, 7, "needs a modification after it"},
        {"K[XLMOD:02002#XL1]//K[#XL1]", CORVAN_E_UNSUPPORTED, 8, "'DSS-d4' has no composition"},
        {"S[MOD:99999]", CORVAN_E_UNKNOWN, 6, "no PSI-MOD entry '99999'"},
        {"S[R:AA9999]", CORVAN_E_UNKNOWN, 4, "no RESID entry 'AA9999'"},
        {"N[Glycan:HexNAc2Foo]", CORVAN_E_UNKNOWN, 16, "unknown monosaccharide"},
        {"N[G:G59626AS]", CORVAN_E_UNSUPPORTED, 2, "GNOme"},
        {"S[+79.966331|Obs:+79.97]", CORVAN_E_UNSUPPORTED, 2, "[Phospho] 79.966331"},
        {"PEPTIDE/2[+2Na+,-H+]", CORVAN_E_CHARGE, 8, "carry charge 1, not the 2"},
        {"PEPTIDEX", CORVAN_E_UNSUPPORTED, 7, "ambiguous or unknown residue 'X'"},
        // Notation out of place, accessions that are no numbers, terms without
        // atoms, counts and adduct ions out of range.
        {"PEP?TIDE", CORVAN_E_SYNTAX, 3, "'?' stands after modifications of unknown position"},
        {"PEP^2TIDE", CORVAN_E_SYNTAX, 3, "'^' counts a modification of unknown position"},
        {"S[RESID:AAx]", CORVAN_E_SYNTAX, 8, "a RESID accession is AA and a number"},
        {"S[MOD:x0046]", CORVAN_E_SYNTAX, 6, "a PSI-MOD accession must be a number"},
        {"K[XLMOD:abc]", CORVAN_E_SYNTAX, 8, "a XL-MOD accession must be a number"},
        {"S[RESID:AA99999]", CORVAN_E_UNKNOWN, 8,
         "(RESID is read through the PSI-MOD terms that cite it)"},
        {"K[XLMOD:02002#XL1]//K[#XL1]", CORVAN_E_UNSUPPORTED, 8, "(its mass alone, "},
        {"<[Oxidation]@1>PEPTIDE", CORVAN_E_SYNTAX, 13, "expected a residue, N-term or C-term"},
        {"<[Oxidation]@N-term:1>PEPTIDE", CORVAN_E_SYNTAX, 20, "expected a residue"},
        {"<[Oxidation]>PEPTIDE", CORVAN_E_SYNTAX, 12, "needs '@' and its residues"},
        {"<15X>PEPTIDE", CORVAN_E_UNKNOWN, 1, "(write it as '<15N>', '<13C>', '<D>')"},
        {"PEP()TIDE", CORVAN_E_SYNTAX, 3, "no residues in '(...)'"},
        {"{Glycan:Hex1000000001}PEPTIDE", CORVAN_E_RANGE, 11, "count above 1000000000"},
        {"PEPTIDE/1[+Na+,-Na+]", CORVAN_E_CHARGE, 9, "adduct ions of no total charge"},
        {"PEPTIDE/1[Na]", CORVAN_E_SYNTAX, 10, "an adduct ion is written '+2Na+', '-H+'"},
        {"PEPTIDE/1[+Na+,+0Na+]", CORVAN_E_SYNTAX, 15, "an adduct ion is written"},
        {"PEPTIDE/-1[+e-]", CORVAN_E_UNSUPPORTED, 11, "electrons as adduct ions"},
        {"PEPTIDE/1[+Xx+]", CORVAN_E_UNKNOWN, 11, "unknown element 'Xx'"},
    };
    for (const Refusal &refusal : refusals) {
        std::vector<peptide::Peptidoform> ions;
        parse_checks::expect_refusal(peptide::parse_peptidoforms(refusal.text, ions), refusal);
    }
}

// Chimeras through the public calls; adduct ions carry the written charge.
TEST(ProformaFeatures, ChimerasAndAdductIonsThroughThePublicCalls) {
    const char *chimera = "EMEVEESPEK/2+ELVISLIVER/3";
    size_t count = 0;
    ASSERT_EQ(corvan_peptidoform_count(chimera, &count, nullptr), CORVAN_OK);
    EXPECT_EQ(count, 2u);
    corvan_molecule *m = nullptr;
    corvan_error error;
    EXPECT_EQ(corvan_molecule_parse(CORVAN_KIND_PEPTIDE, chimera, &m, &error),
              CORVAN_E_UNSUPPORTED);
    EXPECT_EQ(error.position, 12);
    ASSERT_EQ(corvan_peptidoform_parse(chimera, 1, &m, nullptr), CORVAN_OK);
    int charge = 0;
    corvan_molecule_charge(m, &charge);
    EXPECT_EQ(charge, 3);
    corvan_molecule_free(m);
    EXPECT_EQ(corvan_peptidoform_parse(chimera, 2, &m, nullptr), CORVAN_E_ARGUMENT);

    // G + water 75.032028 Da; two sodium ions, one proton lost: charge 1.
    ASSERT_EQ(corvan_molecule_parse(CORVAN_KIND_PEPTIDE, "G/1[+2Na+,-H+]", &m, &error), CORVAN_OK)
        << error.message;
    corvan_distribution *d = nullptr;
    ASSERT_EQ(corvan_distribution_compute(m, nullptr, &d, &error), CORVAN_OK) << error.message;
    corvan_summary summary;
    corvan_distribution_summary(d, &summary);
    EXPECT_EQ(summary.charge, 1);
    EXPECT_NEAR(summary.monoisotopic_mz,
                75.032028 + 2 * 22.989769282 - 1.00782503223 - CORVAN_ELECTRON_MASS, 1e-5);
    corvan_distribution_free(d);
    corvan_molecule_free(m);
}

} // namespace
