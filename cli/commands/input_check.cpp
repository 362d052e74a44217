// Checks of typed sequences before the fixed engines see them.
#include "commands/input_check.hpp"

#include <climits>
#include <cstring>

#include "commands/collected_messages.hpp"
#include "core/text_scan.hpp"
#include "corvan.h"

namespace cli {

namespace {

std::string character_at(const std::string &text, std::size_t position) {
    // Appended piece by piece: GCC 12 at -O3 warns falsely (-Wrestrict) about
    // the same text built with operator+.
    std::string description = "'";
    description += text[position];
    description += "' at position ";
    description += std::to_string(position + 1);
    return description;
}

// A modification: C, H, N, O and S terms, each with an optional count.
bool is_modification(const std::string &formula) {
    if (formula.empty() || formula.size() > CORVAN_MODIFICATION_MAX_LENGTH) return false;
    for (std::size_t at = 0; at < formula.size();) {
        if (std::strchr("CHNOS", formula[at]) == nullptr) return false;
        int count = 0;
        ++at;
        if (!corvan::text::read_count(formula.data(), formula.size(), &at, &count)) return false;
    }
    return true;
}

// The library drops a modification it cannot add whole (an element count
// beyond 2147483647) and says so; such a peptide would be computed without
// it, so the command refuses it instead.
std::optional<std::string> check_whole_composition(const std::string &text) {
    int list[5] = {};
    CollectedMessages messages;
    pep_seq_to_fftlist(text.c_str(), list);
    if (messages.text().empty()) return std::nullopt;
    return "the composition of the sequence has more than 2147483647 atoms of one element, "
           "so a modification cannot be added (the library says: " +
           messages.text().substr(0, messages.text().find('\n')) + ")";
}

} // namespace

std::optional<std::string> check_peptide(const std::string &text) {
    bool residue_seen = false;
    for (std::size_t at = 0; at < text.size(); ++at) {
        if (text[at] == '[') {
            const std::size_t close = text.find(']', at + 1);
            if (close == std::string::npos)
                return "the modification opened at position " + std::to_string(at + 1) +
                       " is not closed";
            const std::string formula = text.substr(at + 1, close - at - 1);
            if (!is_modification(formula))
                return "cannot read the modification [" + formula +
                       "] (C, H, N, O and S with optional counts, at most " +
                       std::to_string(CORVAN_MODIFICATION_MAX_LENGTH) +
                       " characters, e.g. [C2H2O])";
            at = close;
        } else if (aa_to_index(text[at]) < 0) {
            return "unexpected character " + character_at(text, at) +
                   " (residues are the one-letter codes ACDEFGHIKLMNPQRSTVWY)";
        } else {
            residue_seen = true;
        }
    }
    if (!residue_seen) return "the sequence has no residues";
    return check_whole_composition(text);
}

std::optional<std::string> check_rna(const std::string &text) {
    if (text.empty()) return "the sequence is empty";
    for (std::size_t at = 0; at < text.size(); ++at)
        if (nt_to_index(text[at]) < 0)
            return "unexpected character " + character_at(text, at) +
                   " (nucleotides are the upper-case letters A, C, G and U)";
    return std::nullopt;
}

} // namespace cli
