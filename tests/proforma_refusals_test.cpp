// ProForma texts a single-molecule or fragment reader cannot take, each
// with its status, the place of the fault and the cause it names, and how
// a refusal names the place.
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
