#include "digest/modification_sites.hpp"

#include <algorithm>
#include <cctype>
#include <utility>

#include "core/text_scan.hpp"
#include "peptide/unimod.hpp"

namespace corvan::digest {

namespace {

constexpr std::string_view kResidueLetters = "ACDEFGHIKLMNOPQRSTUVWY";

using text::starts_with_folded;

const unimod::Entry *find_entry(std::string_view name) {
    if (!starts_with_folded(name, "UNIMOD:")) return unimod::find_name(name);
    int accession = 0;
    if (!unimod::read_accession(name.substr(7), accession)) return nullptr;
    return unimod::find_accession(accession);
}

// "Protein-N-term" or "Protein N-term" at the start of `text`: its length,
// or 0.
std::size_t protein_end_length(std::string_view text) {
    if (!starts_with_folded(text, "Protein") || text.size() < 8) return 0;
    if (text[7] != '-' && text[7] != ' ') return 0;
    const std::string_view end = text.substr(8);
    return starts_with_folded(end, "N-term") || starts_with_folded(end, "C-term") ? 14 : 0;
}

Outcome read_sites(std::string_view sites, long base, SiteRule &rule) {
    for (std::size_t i = 0; i < sites.size();) {
        if (sites[i] == ',') {
            ++i;
        } else if (const std::size_t length = protein_end_length(sites.substr(i))) {
            (std::toupper(static_cast<unsigned char>(sites[i + 8])) == 'N' ? rule.protein_n_term
                                                                           : rule.protein_c_term) =
                true;
            i += length;
        } else if (starts_with_folded(sites.substr(i), "N-term") ||
                   starts_with_folded(sites.substr(i), "C-term")) {
            (std::toupper(static_cast<unsigned char>(sites[i])) == 'N' ? rule.n_term
                                                                       : rule.c_term) = true;
            i += 6;
        } else if (kResidueLetters.find(sites[i]) != std::string_view::npos) {
            if (rule.residues.find(sites[i]) == std::string::npos) rule.residues += sites[i];
            ++i;
        } else {
            return Outcome::failure(CORVAN_E_UNKNOWN,
                                    quoted(sites.substr(i, 1)) +
                                        " is no residue, N-term, C-term or Protein-N-term",
                                    base + static_cast<long>(i));
        }
    }
    return Outcome::success();
}

// One place a variable modification may go: -1 the N-terminus, 0..n-1 the
// n-th residue, n the C-terminus; `at` is where its text is inserted; with
// the rules that apply there.
struct Site {
    long place;
    std::size_t at;
    std::vector<const SiteRule *> rules;
};

// Where an opening bracket at text[at] closes (nested brackets counted),
// or the text's end.
std::size_t closing(std::string_view text, std::size_t at) {
    const char open = text[at];
    const char close = open == '[' ? ']' : open == '{' ? '}' : '>';
    int depth = 0;
    for (std::size_t i = at; i < text.size(); ++i) {
        if (text[i] == open) ++depth;
        if (text[i] == close && --depth == 0) return i;
    }
    return text.size();
}

bool is_opening(char c) {
    return c == '[' || c == '{' || c == '<';
}

// The residues of a ProForma text, outside every bracket: a residue that
// already carries a modification ("S[Phospho]") takes no other, nor does a
// terminus that has one ("[Acetyl]-", "-[Amidated]").
struct Layout {
    std::vector<std::size_t> residues; // index of each residue letter
    std::vector<bool> modified;
    std::size_t n_term_at = 0, c_term_at = 0;
    bool n_term_modified = false, c_term_modified = false;
};

Layout layout_of(std::string_view text) {
    Layout layout;
    std::size_t i = 0;
    while (i < text.size() && text[i] == '<') i = closing(text, i) + 1;
    layout.n_term_at = i;
    layout.c_term_at = text.size();
    for (; i < text.size(); ++i) {
        const char c = text[i];
        if (is_opening(c)) {
            const std::size_t end = closing(text, i);
            if (layout.residues.empty() && end + 1 < text.size() && text[end + 1] == '-')
                layout.n_term_modified = true;
            else if (!layout.residues.empty() && layout.residues.back() + 1 == i)
                layout.modified.back() = true;
            i = end;
        } else if (c == '-' && i + 1 < text.size() && text[i + 1] == '[' &&
                   !layout.residues.empty()) {
            layout.c_term_modified = true;
        } else if (c == '/') {
            layout.c_term_at = i;
            break;
        } else if (c >= 'A' && c <= 'Z') {
            layout.residues.push_back(i);
            layout.modified.push_back(false);
        }
    }
    return layout;
}

std::vector<Site> sites_of(std::string_view text, const Layout &layout,
                           const std::vector<SiteRule> &variable) {
    std::vector<Site> sites;
    const long n = static_cast<long>(layout.residues.size());
    for (long place = -1; place <= n; ++place) {
        const auto index = static_cast<std::size_t>(place);
        const bool taken = place < 0    ? layout.n_term_modified
                           : place == n ? layout.c_term_modified
                                        : layout.modified[index];
        if (taken) continue;
        Site site{place,
                  place < 0    ? layout.n_term_at
                  : place == n ? layout.c_term_at
                               : layout.residues[index] + 1,
                  {}};
        for (const SiteRule &rule : variable) {
            const bool applies = place < 0    ? rule.n_term
                                 : place == n ? rule.c_term
                                              : rule.residues.find(text[layout.residues[index]]) !=
                                                    std::string::npos;
            if (applies) site.rules.push_back(&rule);
        }
        if (!site.rules.empty()) sites.push_back(std::move(site));
    }
    return sites;
}

std::string render(std::string_view text, long residues, const std::vector<Site> &sites,
                   const std::vector<std::size_t> &chosen, const std::vector<std::size_t> &rule) {
    std::vector<std::pair<std::size_t, std::string>> inserts;
    for (std::size_t i = 0; i < chosen.size(); ++i) {
        const Site &site = sites[chosen[i]];
        const std::string name = "[" + site.rules[rule[i]]->name + "]";
        inserts.emplace_back(site.at, site.place < 0           ? name + "-"
                                      : site.place == residues ? "-" + name
                                                               : name);
    }
    std::string out;
    std::size_t from = 0;
    for (const auto &[at, piece] : inserts) { // in order of place, so of position
        out.append(text.substr(from, at - from));
        out += piece;
        from = at;
    }
    out.append(text.substr(from));
    return out;
}

// Advances `rule` like an odometer over the sites' rule counts.
bool next_rules(const std::vector<Site> &sites, const std::vector<std::size_t> &chosen,
                std::vector<std::size_t> &rule) {
    for (std::size_t i = rule.size(); i-- > 0;) {
        if (++rule[i] < sites[chosen[i]].rules.size()) return true;
        rule[i] = 0;
    }
    return false;
}

// The next k-combination of 0..count-1 in lexicographic order.
bool next_combination(std::vector<std::size_t> &chosen, std::size_t count) {
    const std::size_t k = chosen.size();
    for (std::size_t i = k; i-- > 0;) {
        if (chosen[i] < count - k + i) {
            ++chosen[i];
            for (std::size_t j = i + 1; j < k; ++j) chosen[j] = chosen[j - 1] + 1;
            return true;
        }
    }
    return false;
}

} // namespace

Outcome parse_site_rule(std::string_view text, SiteRule &rule) {
    rule = SiteRule{};
    const std::size_t at = text.rfind('@');
    if (at == std::string_view::npos || at == 0 || at + 1 == text.size())
        return Outcome::failure(CORVAN_E_SYNTAX,
                                "a modification is written NAME@SITES, such as Oxidation@M, not " +
                                    quoted(text),
                                at == std::string_view::npos ? -1 : static_cast<long>(at));
    const unimod::Entry *entry = find_entry(text.substr(0, at));
    if (entry == nullptr)
        return Outcome::failure(CORVAN_E_UNKNOWN,
                                "no Unimod modification " + quoted(text.substr(0, at)), 0);
    rule.name = entry->name;
    return read_sites(text.substr(at + 1), static_cast<long>(at + 1), rule);
}

std::vector<SiteRule> at_protein_ends(const std::vector<SiteRule> &rules, bool protein_start,
                                      bool protein_end) {
    std::vector<SiteRule> held = rules;
    for (SiteRule &rule : held) {
        rule.n_term = rule.n_term || (rule.protein_n_term && protein_start);
        rule.c_term = rule.c_term || (rule.protein_c_term && protein_end);
        rule.protein_n_term = rule.protein_c_term = false;
    }
    return held;
}

std::string fixed_prefix(const std::vector<SiteRule> &fixed) {
    std::string text;
    for (const SiteRule &rule : fixed) {
        std::string sites;
        for (char residue : rule.residues) sites += std::string(sites.empty() ? "" : ",") + residue;
        if (rule.n_term) sites += std::string(sites.empty() ? "" : ",") + "N-term";
        if (rule.c_term) sites += std::string(sites.empty() ? "" : ",") + "C-term";
        text += "<[" + rule.name + "]@" + sites + ">";
    }
    return text;
}

std::vector<std::string> variable_forms(std::string_view peptide,
                                        const std::vector<SiteRule> &variable, int max_sites,
                                        std::size_t max_forms, bool *capped) {
    if (capped != nullptr) *capped = false;
    std::vector<std::string> forms;
    const Layout layout = layout_of(peptide);
    const long residues = static_cast<long>(layout.residues.size());
    const std::vector<Site> sites = sites_of(peptide, layout, variable);
    const std::size_t most =
        std::min(sites.size(), static_cast<std::size_t>(std::max(max_sites, 0)));
    for (std::size_t k = 0; k <= most; ++k) {
        std::vector<std::size_t> chosen(k);
        for (std::size_t i = 0; i < k; ++i) chosen[i] = i;
        do {
            std::vector<std::size_t> rule(k, 0);
            do {
                if (forms.size() >= max_forms) {
                    if (capped != nullptr) *capped = true;
                    return forms;
                }
                forms.push_back(render(peptide, residues, sites, chosen, rule));
            } while (next_rules(sites, chosen, rule));
        } while (k > 0 && next_combination(chosen, sites.size()));
    }
    return forms;
}

} // namespace corvan::digest
