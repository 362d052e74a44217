#include "digest/digest.hpp"

#include <algorithm>

namespace corvan::digest {

namespace {

bool holds(const char *set, char residue) {
    return *set == '\0' || std::string_view(set).find(residue) != std::string_view::npos;
}

bool rule_allows(const CleavageRule &rule, std::string_view protein, std::size_t i) {
    if (*rule.two_before != '\0' && (i < 2 || !holds(rule.two_before, protein[i - 2])))
        return false;
    return holds(rule.before, protein[i - 1]) && holds(rule.after, protein[i]) &&
           (*rule.not_after == '\0' || !holds(rule.not_after, protein[i]));
}

// Is there a cut between protein[i - 1] and protein[i] (0 < i < size)?
bool cuts_at(std::string_view protein, std::size_t i, const Enzyme &enzyme) {
    for (int r = 0; r < enzyme.rule_count; ++r)
        if (rule_allows(enzyme.rules[r], protein, i)) return true;
    return false;
}

// Where pieces may start and end, and how many cuts lie inside a piece, for
// a chain of `cut.size() + 1` units where cut[i - 1] says whether the chain
// is cut between units i - 1 and i.
class Sites {
  public:
    Sites(const std::vector<bool> &cut, bool met_variant)
        : size_(cut.size() + 1), cuts_before_(cut.size() + 2, 0), met_variant_(met_variant) {
        for (std::size_t i = 1; i < size_; ++i)
            cuts_before_[i + 1] = cuts_before_[i] + (cut[i - 1] ? 1 : 0);
    }
    std::size_t size() const { return size_; }
    bool is_cut(std::size_t i) const { return cuts_before_[i + 1] != cuts_before_[i]; }
    bool is_end(std::size_t i) const { return i == 0 || i == size_ || is_cut(i); }
    // Without the initiator Met the protein starts at 1.
    bool is_start(std::size_t i) const { return is_end(i) || (met_variant_ && i == 1); }
    // Cuts strictly between s and e.
    std::size_t inside(std::size_t s, std::size_t e) const {
        return cuts_before_[e] - cuts_before_[s + 1];
    }

  private:
    std::size_t size_;
    std::vector<std::size_t> cuts_before_; // [i]: cuts at positions < i
    bool met_variant_;
};

bool counts(const Sites &sites, std::size_t s, std::size_t e, Specificity specificity) {
    switch (specificity) {
    case Specificity::full:
        return sites.is_start(s) && sites.is_end(e);
    case Specificity::semi:
        return sites.is_start(s) || sites.is_end(e);
    case Specificity::none:
        return true;
    }
    return false;
}

// Every counted piece that starts at s, shortest first, until a piece holds
// more cuts than the settings allow.
void collect_from(const Sites &sites, std::size_t s, const Settings &settings,
                  std::vector<Piece> &pieces) {
    const std::size_t limit =
        settings.specificity == Specificity::none
            ? static_cast<std::size_t>(-1)
            : static_cast<std::size_t>(std::max(settings.missed_cleavages, 0));
    const std::size_t longest = std::min(sites.size() - s, settings.max_length);
    for (std::size_t length = std::max<std::size_t>(settings.min_length, 1); length <= longest;
         ++length) {
        if (sites.inside(s, s + length) > limit) break;
        if (counts(sites, s, s + length, settings.specificity)) pieces.push_back({s, s + length});
    }
}

} // namespace

const std::vector<Enzyme> &enzymes() {
    static const std::vector<Enzyme> all(kProteases, kProteases + kProteaseCount);
    return all;
}

bool same_name(std::string_view a, std::string_view b) {
    const auto fold = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; };
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(),
                                              [&](char x, char y) { return fold(x) == fold(y); });
}

const Enzyme *find_enzyme(std::string_view name) {
    for (const Enzyme &enzyme : enzymes())
        if (same_name(name, enzyme.name)) return &enzyme;
    return nullptr;
}

namespace {

// An enzyme that cuts after every letter allows every piece, whatever the
// missed cleavages say (the table's "unspecific cleavage").
bool cuts_everywhere(const Enzyme &enzyme) {
    const CleavageRule &rule = enzyme.rules[0];
    return enzyme.rule_count == 1 && std::string_view(rule.before).size() == 26 &&
           !*rule.two_before && !*rule.after && !*rule.not_after;
}

} // namespace

std::vector<Piece> pieces(const std::vector<bool> &cut, const Settings &settings,
                          bool met_variant) {
    std::vector<Piece> found;
    const Sites sites(cut, met_variant);
    for (std::size_t s = 0; s < sites.size(); ++s)
        if (settings.specificity != Specificity::full || sites.is_start(s))
            collect_from(sites, s, settings, found);
    return found; // by start, then end, as collected
}

std::vector<Peptide> digest(std::string_view protein, const Enzyme &enzyme, const Settings &given) {
    std::vector<Peptide> peptides;
    if (protein.empty()) return peptides;
    Settings settings = given;
    if (cuts_everywhere(enzyme)) settings.specificity = Specificity::none;
    std::vector<bool> cut(protein.size() - 1);
    for (std::size_t i = 1; i < protein.size(); ++i) cut[i - 1] = cuts_at(protein, i, enzyme);
    const bool met = settings.initiator_methionine_variants && protein[0] == 'M';
    for (const Piece &piece : pieces(cut, settings, met))
        peptides.push_back({piece.begin + 1, piece.end,
                            std::string(protein.substr(piece.begin, piece.end - piece.begin))});
    return peptides;
}

} // namespace corvan::digest
