// ProForma refusals not met elsewhere: misplaced notation, accessions that
// are no numbers, ontology terms without atoms, counts and adduct ions out
// of range, and texts a single-molecule or fragment reader cannot take,
// each with its status, the place of the fault and the cause it names.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "corvan.h"
#include "parse_checks.hpp"
#include "peptide/proforma.hpp"

namespace {

using namespace corvan;
using parse_checks::expect_refusal;
using parse_checks::Refusal;

Outcome read_peptidoforms(const std::string &text) {
    std::vector<peptide::Peptidoform> ions;
    return peptide::parse_peptidoforms(text, ions);
}

TEST(ProformaRefusals, NotationOutOfPlaceAndBadAccessions) {
    const Refusal refusals[] = {
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
    };
    for (const Refusal &refusal : refusals)
        expect_refusal(read_peptidoforms(refusal.text), refusal);
}

TEST(ProformaRefusals, AdductIons) {
    const Refusal refusals[] = {
        {"PEPTIDE/1[+Na+,-Na+]", CORVAN_E_CHARGE, 9, "adduct ions of no total charge"},
        {"PEPTIDE/1[Na]", CORVAN_E_SYNTAX, 10, "an adduct ion is written '+2Na+', '-H+'"},
        {"PEPTIDE/1[+Na+,+0Na+]", CORVAN_E_SYNTAX, 15, "an adduct ion is written"},
        {"PEPTIDE/-1[+e-]", CORVAN_E_UNSUPPORTED, 11, "electrons as adduct ions"},
        {"PEPTIDE/1[+Xx+]", CORVAN_E_UNKNOWN, 11, "unknown element 'Xx'"},
    };
    for (const Refusal &refusal : refusals)
        expect_refusal(read_peptidoforms(refusal.text), refusal);
}

// The message names the place as the user counts (from 1) and the text.
TEST(ProformaRefusals, TheMessageNamesCharacterAndPeptide) {
    const Outcome refused = read_peptidoforms("PEP?TIDE");
    EXPECT_NE(refused.message.find("at character 4 of the peptide 'PEP?TIDE'"), std::string::npos)
        << refused.message;
}

// One molecule, or one chain of residues for fragments: what more the text
// holds is refused, at the place where it begins.
TEST(ProformaRefusals, OneMoleculeAndOneChainReaders) {
    chem::Composition atoms;
    int charge = 0;
    expect_refusal(peptide::parse_proforma("EMEVEESPEK+ELVIS", atoms, charge),
                   {"EMEVEESPEK+ELVIS", CORVAN_E_UNSUPPORTED, 10,
                    "holds 2 peptidoforms ('+'): read each by its index"});
    expect_refusal(peptide::parse_proforma("PEPTIDE/1[+Na+]", atoms, charge),
                   {"PEPTIDE/1[+Na+]", CORVAN_E_UNSUPPORTED, 9,
                    "names adduct ions: read it as a peptidoform"});
    std::vector<peptide::ResidueAtoms> residues;
    expect_refusal(peptide::parse_proforma_residues("[Phospho]?PEPTIDE", atoms, charge, residues),
                   {"[Phospho]?PEPTIDE", CORVAN_E_UNSUPPORTED, 9, // its '?'
                    "so its fragments are not known"});
    expect_refusal(
        peptide::parse_proforma_residues("K[XLMOD:02001#XL1]//K[#XL1]", atoms, charge, residues),
        {"K[XLMOD:02001#XL1]//K[#XL1]", CORVAN_E_UNSUPPORTED, -1,
         "has several chains: fragments are of one chain"});
    // The same texts read as peptidoforms.
    EXPECT_TRUE(read_peptidoforms("EMEVEESPEK+ELVIS").ok());
    EXPECT_TRUE(read_peptidoforms("PEPTIDE/1[+Na+]").ok());
    EXPECT_TRUE(peptide::parse_proforma("[Phospho]?PEPTIDE", atoms, charge).ok());
}

} // namespace
