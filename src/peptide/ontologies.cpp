#include "peptide/ontologies.hpp"

#include <algorithm>

#include "core/text_scan.hpp"

namespace corvan::ontology {

std::span<const Term> psi_mod() {
    return {kPsiMod, static_cast<std::size_t>(kPsiModCount)};
}

std::span<const Term> xl_mod() {
    return {kXlMod, static_cast<std::size_t>(kXlModCount)};
}

const Term *find_accession(std::span<const Term> table, int accession) {
    const auto found =
        std::lower_bound(table.begin(), table.end(), accession,
                         [](const Term &term, int value) { return term.accession < value; });
    return found != table.end() && found->accession == accession ? &*found : nullptr;
}

// A linear walk: names are looked up only when the Unimod ones miss.
const Term *find_name(std::span<const Term> table, std::string_view name) {
    for (const Term &term : table)
        if (text::equal_folded(term.name, name)) return &term;
    return nullptr;
}

const Term *find_resid(int number) {
    for (const Term &term : psi_mod())
        if (term.resid == number) return &term;
    return nullptr;
}

} // namespace corvan::ontology
