// Digestion of hand-worked proteins by every enzyme: sites, the proline
// rule, missed cleavages, the initiator-Met variant and length limits.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "digest/digest.hpp"
#include "digest/modification_sites.hpp"
#include "molecule/composition.hpp"
#include "peptide/proforma.hpp"

namespace {

using namespace corvan::digest;

// "start-end:SEQUENCE" for each peptide, in the order given.
std::vector<std::string> cut(const std::string &protein, const char *enzyme, int missed = 0,
                             bool met_variants = false, std::size_t min_length = 1,
                             std::size_t max_length = 100) {
    const Enzyme *found = find_enzyme(enzyme);
    EXPECT_NE(found, nullptr) << enzyme;
    if (found == nullptr) return {};
    Settings settings;
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
    EXPECT_STREQ(find_enzyme("TRYPSIN")->name, "trypsin");
    EXPECT_STREQ(find_enzyme("trypsin/p")->name, "trypsin/P");
    EXPECT_EQ(find_enzyme("pepsin"), nullptr);
    EXPECT_EQ(enzymes().size(), 8u);
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

} // namespace
