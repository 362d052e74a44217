// The fixed calls' notation, checked before they run: a text they would
// only partly apply (an unknown letter skipped, a modification dropped) is
// refused here with the place of the fault, so that the command line and
// the Python module accept and refuse the same sequences.
#include <climits>
#include <cstring>
#include <string>

#include "api/handles.hpp"
#include "core/text_scan.hpp"

namespace corvan::api {

namespace {

constexpr const char *kModificationElements = "CHNOS";

std::string character_at(std::string_view text, std::size_t position) {
    std::string description = "'";
    description += text[position];
    description += "' at position ";
    description += std::to_string(position + 1);
    return description;
}

Outcome refusal(std::string message, std::size_t position) {
    return Outcome::failure(CORVAN_E_SYNTAX, std::move(message), static_cast<long>(position));
}

// C, H, N, O and S terms with optional counts; `totals` gathers the counts.
bool read_modification(std::string_view formula, long long totals[5]) {
    if (formula.empty() || formula.size() > CORVAN_MODIFICATION_MAX_LENGTH) return false;
    for (std::size_t at = 0; at < formula.size();) {
        const char *element = std::strchr(kModificationElements, formula[at]);
        if (element == nullptr || formula[at] == '\0') return false;
        const std::size_t digits = ++at;
        int count = 0;
        if (!text::read_count(formula.data(), formula.size(), &at, &count)) return false;
        totals[element - kModificationElements] += at > digits ? count : 1;
    }
    return true;
}

Outcome check_peptide(std::string_view text) {
    bool residue_seen = false;
    long long totals[5] = {};
    for (std::size_t at = 0; at < text.size(); ++at) {
        if (text[at] == '[') {
            const std::size_t close = text.find(']', at + 1);
            if (close == std::string_view::npos)
                return refusal("the modification opened at position " + std::to_string(at + 1) +
                                   " is not closed",
                               at);
            const std::string_view formula = text.substr(at + 1, close - at - 1);
            if (!read_modification(formula, totals))
                return refusal("cannot read the modification [" + std::string(formula) +
                                   "] (C, H, N, O and S with optional counts, at most " +
                                   std::to_string(CORVAN_MODIFICATION_MAX_LENGTH) +
                                   " characters, e.g. [C2H2O])",
                               at);
            at = close;
        } else if (aa_to_index(text[at]) < 0) {
            return refusal("unexpected character " + character_at(text, at) +
                               " (residues are the one-letter codes ACDEFGHIKLMNPQRSTVWY)",
                           at);
        } else {
            residue_seen = true;
        }
    }
    if (!residue_seen) return Outcome::failure(CORVAN_E_SYNTAX, "the sequence has no residues");
    // Residues add at most 12 atoms of an element each; the fixed calls hold
    // counts in an int and drop a modification that would overflow one.
    for (long long total : totals)
        if (total + 12 * static_cast<long long>(text.size()) > INT_MAX)
            return Outcome::failure(CORVAN_E_RANGE,
                                    "the composition of the sequence has more than 2147483647 "
                                    "atoms of one element, so a modification cannot be added");
    return Outcome::success();
}

Outcome check_rna(std::string_view text) {
    if (text.empty()) return Outcome::failure(CORVAN_E_SYNTAX, "the sequence is empty");
    for (std::size_t at = 0; at < text.size(); ++at)
        if (nt_to_index(static_cast<unsigned char>(text[at])) < 0)
            return refusal("unexpected character " + character_at(text, at) +
                               " (nucleotides are the upper-case letters A, C, G and U)",
                           at);
    return Outcome::success();
}

} // namespace
} // namespace corvan::api

extern "C" int corvan_check_fixed_sequence(int kind, const char *text, corvan_error *error) {
    using namespace corvan;
    return api::guarded(error, [&]() -> Outcome {
        if (text == nullptr) return Outcome::failure(CORVAN_E_ARGUMENT, "no text given");
        const std::string_view view(text, std::strlen(text));
        if (kind == CORVAN_KIND_PEPTIDE) return api::check_peptide(view);
        if (kind == CORVAN_KIND_RNA) return api::check_rna(view);
        return Outcome::failure(CORVAN_E_ARGUMENT,
                                "the fixed calls read peptide and RNA sequences only");
    });
}
