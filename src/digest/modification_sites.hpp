// Fixed and variable modifications of digested peptides, written as the
// command line takes them ("Carbamidomethyl@C", "Oxidation@M",
// "Phospho@STY", "Acetyl@N-term"), turned into ProForma text that the
// peptide reader computes.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "molecule/outcome.hpp"

namespace corvan::digest {

struct SiteRule {
    std::string name;     // the Unimod name as Unimod writes it ("Oxidation")
    std::string residues; // residue letters it applies to
    bool n_term = false, c_term = false;
    // Only where the peptide begins or ends the protein ("Protein N-term").
    bool protein_n_term = false, protein_c_term = false;
};

// "NAME@SITES": NAME a Unimod name (any case) or accession ("UNIMOD:35");
// SITES residue letters, "N-term" / "C-term" (every peptide's ends) and
// "Protein-N-term" / "Protein-C-term" (or with a space: the protein's own
// ends), separated by commas or run together ("STY", "K,N-term"). CORVAN_E_SYNTAX without '@' or
// sites, CORVAN_E_UNKNOWN for a name Unimod lacks or a letter that is no residue.
Outcome parse_site_rule(std::string_view text, SiteRule &rule);

// The rules as they hold for one peptide: its protein-end sites become its
// own terminal sites where the peptide begins (`protein_start`) or ends
// (`protein_end`) the protein, and are dropped elsewhere.
std::vector<SiteRule> at_protein_ends(const std::vector<SiteRule> &rules, bool protein_start,
                                      bool protein_end);

// The ProForma prefix of fixed modifications: "<[Carbamidomethyl]@C>".
std::string fixed_prefix(const std::vector<SiteRule> &fixed);

// The most forms variable_forms gives one peptide by default.
inline constexpr std::size_t kMostForms = 4096;

// Every form of `peptide` (ProForma text) with up to `max_sites` variable
// modifications, on residues and termini only: never inside brackets
// ([...], {...}, <...>), never on a residue or terminus that already
// carries a modification. The unmodified peptide first, then by number of
// sites and position. Stops after `max_forms` forms, setting *capped (may
// be null) when more would follow.
std::vector<std::string> variable_forms(std::string_view peptide,
                                        const std::vector<SiteRule> &variable, int max_sites,
                                        std::size_t max_forms = kMostForms, bool *capped = nullptr);

} // namespace corvan::digest
