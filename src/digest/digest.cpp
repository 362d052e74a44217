#include "digest/digest.hpp"

#include <algorithm>
#include <cctype>

namespace corvan::digest {

namespace {

bool same_folded(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) ==
                      std::tolower(static_cast<unsigned char>(y));
           });
}

// Is there a cut between protein[i - 1] and protein[i] (0 < i < size)?
bool cuts_at(std::string_view protein, std::size_t i, const Enzyme &enzyme) {
    const char site = enzyme.cuts_after ? protein[i - 1] : protein[i];
    if (std::string_view(enzyme.residues).find(site) == std::string_view::npos) return false;
    return !(enzyme.proline_rule && protein[i] == 'P');
}

// The pieces that start at bounds[i] and end at one of the next
// missed_cleavages + 1 boundaries.
void collect_from(std::string_view protein, const std::vector<std::size_t> &bounds, std::size_t i,
                  const Settings &settings, std::vector<Peptide> &peptides) {
    const std::size_t reach = static_cast<std::size_t>(std::max(settings.missed_cleavages, 0)) + 1;
    for (std::size_t j = i + 1; j < bounds.size() && j <= i + reach; ++j) {
        const std::size_t length = bounds[j] - bounds[i];
        if (length >= settings.min_length && length <= settings.max_length)
            peptides.push_back(
                {bounds[i] + 1, bounds[j], std::string(protein.substr(bounds[i], length))});
    }
}

} // namespace

const std::vector<Enzyme> &enzymes() {
    static const std::vector<Enzyme> all = {
        {"trypsin", "KR", true, true}, {"trypsin/P", "KR", true, false},
        {"Lys-C", "K", true, true},    {"Lys-N", "K", false, false},
        {"Arg-C", "R", true, true},    {"Asp-N", "D", false, false},
        {"Glu-C", "E", true, true},    {"chymotrypsin", "FWYL", true, true},
    };
    return all;
}

const Enzyme *find_enzyme(std::string_view name) {
    for (const Enzyme &enzyme : enzymes())
        if (same_folded(name, enzyme.name)) return &enzyme;
    return nullptr;
}

std::vector<Peptide> digest(std::string_view protein, const Enzyme &enzyme,
                            const Settings &settings) {
    std::vector<Peptide> peptides;
    if (protein.empty()) return peptides;
    std::vector<std::size_t> bounds = {0};
    for (std::size_t i = 1; i < protein.size(); ++i)
        if (cuts_at(protein, i, enzyme)) bounds.push_back(i);
    bounds.push_back(protein.size());
    for (std::size_t i = 0; i + 1 < bounds.size(); ++i)
        collect_from(protein, bounds, i, settings, peptides);
    // Without the initiator Met the protein starts at 1: the pieces from
    // there, unless a cut at 1 already gives them.
    if (settings.initiator_methionine_variants && protein[0] == 'M' && bounds[1] != 1) {
        bounds[0] = 1;
        collect_from(protein, bounds, 0, settings, peptides);
    }
    std::sort(peptides.begin(), peptides.end(), [](const Peptide &a, const Peptide &b) {
        return a.start != b.start ? a.start < b.start : a.end < b.end;
    });
    return peptides;
}

} // namespace corvan::digest
