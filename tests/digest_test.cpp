// Digestion of hand-worked proteins by every enzyme: sites, the proline
// rule, missed cleavages, the initiator-Met variant and length limits.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "digest/digest.hpp"
#include "digest/modification_sites.hpp"
#include "digest/rna_digest.hpp"
#include "molecule/composition.hpp"
#include "nucleic/nucleic_acid.hpp"
#include "peptide/proforma.hpp"

namespace {

using namespace corvan::digest;

// "start-end:SEQUENCE" for each peptide, in the order given.
std::vector<std::string> cut(const std::string &protein, const char *enzyme, int missed = 0,
                             bool met_variants = false, std::size_t min_length = 1,
                             std::size_t max_length = 100,
                             Specificity specificity = Specificity::full) {
    const Enzyme *found = find_enzyme(enzyme);
    EXPECT_NE(found, nullptr) << enzyme;
    if (found == nullptr) return {};
    Settings settings;
    settings.specificity = specificity;
    settings.missed_cleavages = missed;
    settings.initiator_methionine_variants = met_variants;
    settings.min_length = min_length;
    settings.max_length = max_length;
    std::vector<std::string> shown;
    for (const Peptide &p : digest(protein, *found, settings))
        shown.push_back(std::to_string(p.start) + "-" + std::to_string(p.end) + ":" + p.sequence);
    return shown;
}

using List = std::vector<std::string>;
// K at 4 and 9 (the second before P), R at 11 and 14, K at the end.
const std::string kProtein = "MPEKTIDEKPRAGRK";

TEST(Digest, EachEnzymeCutsWhereItShould) {
    EXPECT_EQ(cut(kProtein, "trypsin"), (List{"1-4:MPEK", "5-11:TIDEKPR", "12-14:AGR", "15-15:K"}));
    EXPECT_EQ(cut(kProtein, "trypsin/P"),
              (List{"1-4:MPEK", "5-9:TIDEK", "10-11:PR", "12-14:AGR", "15-15:K"}));
    EXPECT_EQ(cut(kProtein, "Lys-C"), (List{"1-4:MPEK", "5-15:TIDEKPRAGRK"}));
    EXPECT_EQ(cut(kProtein, "Lys-N"), (List{"1-3:MPE", "4-8:KTIDE", "9-14:KPRAGR", "15-15:K"}));
    EXPECT_EQ(cut(kProtein, "Arg-C"), (List{"1-11:MPEKTIDEKPR", "12-14:AGR", "15-15:K"}));
    EXPECT_EQ(cut(kProtein, "Asp-N"), (List{"1-6:MPEKTI", "7-15:DEKPRAGRK"}));
    EXPECT_EQ(cut(kProtein, "Glu-C"), (List{"1-3:MPE", "4-8:KTIDE", "9-15:KPRAGRK"}));
    // F before P stays; W, L and Y cut.
    EXPECT_EQ(cut("AFPWKLYG", "chymotrypsin"), (List{"1-4:AFPW", "5-6:KL", "7-7:Y", "8-8:G"}));
}

TEST(Digest, MissedCleavagesMetVariantsAndLengths) {
    EXPECT_EQ(cut(kProtein, "trypsin", 1),
              (List{"1-4:MPEK", "1-11:MPEKTIDEKPR", "5-11:TIDEKPR", "5-14:TIDEKPRAGR", "12-14:AGR",
                    "12-15:AGRK", "15-15:K"}));
    EXPECT_EQ(cut(kProtein, "trypsin", 1, true),
              (List{"1-4:MPEK", "1-11:MPEKTIDEKPR", "2-4:PEK", "2-11:PEKTIDEKPR", "5-11:TIDEKPR",
                    "5-14:TIDEKPRAGR", "12-14:AGR", "12-15:AGRK", "15-15:K"}));
    EXPECT_EQ(cut(kProtein, "trypsin", 2, false, 4, 10),
              (List{"1-4:MPEK", "5-11:TIDEKPR", "5-14:TIDEKPRAGR", "12-15:AGRK"}));
    // A cut right after the Met already gives the trimmed peptides: no duplicates.
    EXPECT_EQ(cut("MKAAK", "Lys-N", 0, true), (List{"1-1:M", "2-4:KAA", "5-5:K"}));
    EXPECT_EQ(cut("PEPK", "trypsin", 0, true), (List{"1-4:PEPK"})); // no initiator Met
    EXPECT_TRUE(cut("", "trypsin").empty());
}

TEST(Digest, FindsEnzymesByName) {
    EXPECT_STREQ(find_enzyme("TRYPSIN")->name, "Trypsin");
    EXPECT_STREQ(find_enzyme("trypsin/p")->name, "Trypsin/P");
    EXPECT_STREQ(find_enzyme("leukocyte ELASTASE")->name, "leukocyte elastase");
    EXPECT_EQ(find_enzyme("pepsin"), nullptr);
    EXPECT_EQ(enzymes().size(), 34u); // the 33 of the enzyme table and Glu-C
}

TEST(Digest, TableProteasesWithTwoResidueAndAlternativeSites) {
    // After HP, KP or RP, not before P; after P alone it does not cut.
    EXPECT_EQ(cut("AKPGAPGRPPW", "proline endopeptidase"), (List{"1-3:AKP", "4-11:GAPGRPPW"}));
    // Formic acid cuts on both sides of D.
    EXPECT_EQ(cut("AADGGDK", "formic_acid"), (List{"1-2:AA", "3-3:D", "4-5:GG", "6-6:D", "7-7:K"}));
    EXPECT_EQ(cut("AMGCMK", "CNBr"), (List{"1-2:AM", "3-5:GCM", "6-6:K"}));
    EXPECT_EQ(cut("AFPLK", "PepsinA"), (List{"1-2:AF", "3-4:PL", "5-5:K"}));
    EXPECT_EQ(cut("ACK", "no cleavage"), (List{"1-3:ACK"}));
}

// Trypsin pieces of one specificity, shown as "start-sequence".
std::vector<std::string> cut_with(const std::string &protein, Specificity specificity,
                                  std::size_t min_length, std::size_t max_length) {
    std::vector<std::string> shown;
    for (const std::string &piece :
         cut(protein, "Trypsin", 0, false, min_length, max_length, specificity))
        shown.push_back(piece.substr(0, piece.find('-')) + "-" + piece.substr(piece.find(':') + 1));
    return shown;
}

TEST(Digest, SemiSpecificAndUnspecificPieces) {
    // Sites at 0, 3 (after K), 6 (end). Semi: one end at a site, no cut inside.
    EXPECT_EQ(cut_with("AGKCDE", Specificity::semi, 2, 6),
              (List{"1-AG", "1-AGK", "2-GK", "4-CD", "4-CDE", "5-DE"}));
    EXPECT_EQ(cut_with("AGKCDE", Specificity::none, 5, 6),
              (List{"1-AGKCD", "1-AGKCDE", "2-GKCDE"}));
    EXPECT_EQ(cut("ACDE", "unspecific cleavage", 0, false, 3, 3), (List{"1-3:ACD", "2-4:CDE"}));
}

SiteRule rule_of(const char *text) {
    SiteRule rule;
    const corvan::Outcome read = parse_site_rule(text, rule);
    EXPECT_TRUE(read.ok()) << text << ": " << read.message;
    return rule;
}

TEST(Digest, ReadsModificationRules) {
    const SiteRule oxidation = rule_of("oxidation@M");
    EXPECT_EQ(oxidation.name, "Oxidation"); // Unimod's spelling
    EXPECT_EQ(oxidation.residues, "M");
    EXPECT_EQ(rule_of("Phospho@S,T,Y").residues, "STY");
    const SiteRule tmt = rule_of("TMT6plex@KN-term");
    EXPECT_TRUE(tmt.n_term && !tmt.c_term && tmt.residues == "K");
    EXPECT_EQ(rule_of("UNIMOD:4@C").name, "Carbamidomethyl");
    struct Bad {
        const char *text;
        int status;
        long position;
    };
    for (const Bad &bad :
         {Bad{"Oxidation", CORVAN_E_SYNTAX, -1}, Bad{"Oxidation@", CORVAN_E_SYNTAX, 9},
          Bad{"Oxidatoin@M", CORVAN_E_UNKNOWN, 0}, Bad{"Oxidation@MX", CORVAN_E_UNKNOWN, 11}}) {
        SiteRule rule;
        const corvan::Outcome read = parse_site_rule(bad.text, rule);
        EXPECT_EQ(read.status, bad.status) << bad.text;
        EXPECT_EQ(read.position, bad.position) << bad.text;
    }
    EXPECT_EQ(fixed_prefix({rule_of("Carbamidomethyl@C"), tmt}),
              "<[Carbamidomethyl]@C><[TMT6plex]@K,N-term>");
    // Protein ends hold only for the peptide at that end of its protein.
    const SiteRule acetyl = rule_of("Acetyl@Protein N-term,K");
    EXPECT_TRUE(acetyl.protein_n_term && !acetyl.n_term && acetyl.residues == "K");
    EXPECT_EQ(fixed_prefix(at_protein_ends({acetyl}, true, false)), "<[Acetyl]@K,N-term>");
    EXPECT_EQ(fixed_prefix(at_protein_ends({acetyl}, false, true)), "<[Acetyl]@K>");
    EXPECT_TRUE(rule_of("Amidated@protein-c-term").protein_c_term);
}

TEST(Digest, VariableFormsUpToTheCap) {
    const std::vector<SiteRule> oxidation = {rule_of("Oxidation@M")};
    EXPECT_EQ(variable_forms("MPEMK", oxidation, 1),
              (List{"MPEMK", "M[Oxidation]PEMK", "MPEM[Oxidation]K"}));
    EXPECT_EQ(variable_forms("MPEMK", oxidation, 2).back(), "M[Oxidation]PEM[Oxidation]K");
    EXPECT_EQ(variable_forms("MPEMK", oxidation, 0), (List{"MPEMK"}));
    EXPECT_EQ(variable_forms("MPEMK", oxidation, 2, 2).size(), 2u);
    // Two rules on one residue: one at a time; termini too.
    const std::vector<SiteRule> rules = {rule_of("Oxidation@M"), rule_of("Dioxidation@M"),
                                         rule_of("Amidated@C-term")};
    EXPECT_EQ(variable_forms("MK", rules, 2),
              (List{"MK", "M[Oxidation]K", "M[Dioxidation]K", "MK-[Amidated]",
                    "M[Oxidation]K-[Amidated]", "M[Dioxidation]K-[Amidated]"}));
    // Only on free residues: never inside brackets, never a second one on a
    // modified residue or terminus; a cap says so.
    const std::vector<SiteRule> phospho = {rule_of("Phospho@STY")};
    EXPECT_EQ(variable_forms("PEPS[Phospho]TIDEK", phospho, 2),
              (List{"PEPS[Phospho]TIDEK", "PEPS[Phospho]T[Phospho]IDEK"}));
    EXPECT_EQ(variable_forms("AC[Methyl]K", oxidation, 2), (List{"AC[Methyl]K"}));
    EXPECT_EQ(variable_forms("[Acetyl]-MK-[Amidated]/2", rules, 1),
              (List{"[Acetyl]-MK-[Amidated]/2", "[Acetyl]-M[Oxidation]K-[Amidated]/2",
                    "[Acetyl]-M[Dioxidation]K-[Amidated]/2"}));
    bool capped = false;
    variable_forms("MPEMK", oxidation, 2, 3, &capped);
    EXPECT_TRUE(capped);
    variable_forms("MPEMK", oxidation, 2, 4, &capped);
    EXPECT_FALSE(capped);
    // What they write, the peptide reader reads.
    for (const std::string &form : variable_forms("ACMK", rules, 3)) {
        corvan::chem::Composition composition;
        int charge = 0;
        const std::string text = fixed_prefix({rule_of("Carbamidomethyl@C")}) + form;
        EXPECT_TRUE(corvan::peptide::parse_proforma(text, composition, charge).ok()) << text;
    }
}

std::vector<std::string> rna_pieces(const char *rna, const char *rnase, bool cyclic = false,
                                    int missed = 0) {
    Settings settings;
    settings.missed_cleavages = missed;
    std::vector<RnaPiece> found;
    const corvan::Outcome done = digest_rna(rna, *find_rnase(rnase), settings, cyclic, found);
    EXPECT_TRUE(done.ok()) << done.message;
    std::vector<std::string> shown;
    for (const RnaPiece &piece : found)
        shown.push_back(std::to_string(piece.start) + ":" + piece.text);
    return shown;
}

corvan::chem::Composition rna_atoms(const std::string &text) {
    corvan::chem::Composition atoms;
    EXPECT_TRUE(corvan::nucleic::parse_nucleic_acid(text, true, atoms).ok()) << text;
    return atoms;
}

TEST(Digest, RnasesCutAndLeaveTheirEnds) {
    // T1 cuts after G, not after 2'-O-methyl G; pieces keep the chain's ends.
    EXPECT_EQ(rna_pieces("ppp-AUGCGGAU>p", "RNase_T1"),
              (List{"1:ppp-AUG-p", "4:CG-p", "6:G-p", "7:AU>p"}));
    EXPECT_EQ(rna_pieces("AU[Gm]CGA", "rnase_t1", true), (List{"1:AU[Gm]CG>p", "6:A"}));
    EXPECT_EQ(rna_pieces("AUGCG", "RNase_T1", false, 1), (List{"1:AUG-p", "1:AUGCG", "4:CG"}));
    EXPECT_EQ(rna_pieces("CU[Psi]A", "RNase_A"), (List{"1:C-p", "2:U-p", "3:[Psi]-p", "4:A"}));
    EXPECT_EQ(rna_pieces("AC", "RNase_H"), (List{"1:A", "2:p-C"})); // 5'-phosphate after the cut
    EXPECT_EQ(find_rnase("trypsin"), nullptr);
    // Hydrolysis: the pieces hold the chain's atoms plus one water per cut.
    corvan::chem::Composition sum;
    for (const char *piece : {"ppp-AUG-p", "CG-p", "G-p", "AU>p"}) sum.add(rna_atoms(piece), 1);
    corvan::chem::Composition whole = rna_atoms("ppp-AUGCGGAU>p");
    whole.add_natural(0, 6); // 3 H2O
    whole.add_natural(7, 3);
    EXPECT_EQ(corvan::chem::hill_formula(sum), corvan::chem::hill_formula(whole));
}

TEST(Digest, PublicCallRefusesWithTheCause) {
    corvan_pieces *pieces = nullptr;
    corvan_error error;
    EXPECT_EQ(corvan_digest(CORVAN_KIND_PEPTIDE, "PEPtIDE", "Trypsin", 0, 0, 0, 0, &pieces, &error),
              CORVAN_E_SYNTAX);
    EXPECT_EQ(error.position, 3);
    EXPECT_EQ(corvan_digest(CORVAN_KIND_RNA, "ACGU", "Trypsin", 0, 0, 0, 0, &pieces, &error),
              CORVAN_E_UNKNOWN);
    EXPECT_NE(std::string(error.message).find("RNase_T1"), std::string::npos) << error.message;
    EXPECT_EQ(corvan_digest(CORVAN_KIND_RNA, "ACGT", "RNase_A", 0, 0, 0, 0, &pieces, &error),
              CORVAN_E_UNKNOWN); // as the RNA parser refuses T
    EXPECT_EQ(corvan_digest(CORVAN_KIND_PEPTIDE, "PEPK", "Trypsin", 0, 0, 0,
                            CORVAN_DIGEST_SEMI | CORVAN_DIGEST_UNSPECIFIC, &pieces, &error),
              CORVAN_E_ARGUMENT);
    EXPECT_EQ(pieces, nullptr);
    ASSERT_EQ(corvan_digest(CORVAN_KIND_PEPTIDE, "MAKPEK", "lys-c", 0, 0, 0,
                            CORVAN_DIGEST_METHIONINE_VARIANTS, &pieces, &error),
              CORVAN_OK);
    EXPECT_EQ(corvan_pieces_count(pieces), 2u); // MAKPEK and AKPEK: no cut before P
    corvan_pieces_free(pieces);
}

} // namespace
