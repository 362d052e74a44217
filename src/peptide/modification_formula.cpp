// Modification formulas: element terms such as C2, H or O12 with nothing
// between them, over the composition symbols C, H, N, O and S.
#include <climits>
#include <cstdio>
#include <cstring>

#include "core/counts.hpp"
#include "core/messages.hpp"
#include "core/text_scan.hpp"
#include "corvan.h"
#include "peptide/sequence_scan.hpp"

namespace corvan::peptide {

namespace {

using text::is_lower;
using text::is_upper;

// Reads the digits at text[*at..end) into `count` (no digits and 0 both mean
// one atom); false when the number does not fit in an int.
bool read_count(const char *text, std::size_t end, std::size_t *at, int *count) {
    int value = 0;
    if (!text::read_count(text, end, at, &value)) return false;
    *count = value == 0 ? 1 : value;
    return true;
}

// Column of `symbol` among pep_encoding_elements (a writable table), or -1.
int column_of(const char *symbol) {
    for (int column = 0; column < composition_columns(); ++column) {
        const char *known = pep_encoding_elements[column];
        if (known != nullptr && std::strcmp(symbol, known) == 0) return column;
    }
    return -1;
}

} // namespace

void report_bad_formula(const char *formula, std::size_t length) {
    corvan::messages::print(corvan::messages::Stream::out,
                            "Error while parsing modification formula:%.*s\n",
                            counts::clamped_length(length), formula);
    std::fflush(stdout);
}

void add_formula(const char *formula, std::size_t length, int *fftlist) {
    std::size_t at = 0;
    while (at < length && formula[at] != '\0') {
        if (!is_upper(formula[at])) return report_bad_formula(formula, length);
        char symbol[3] = {formula[at], '\0', '\0'};
        ++at;
        if (at < length && is_lower(formula[at])) symbol[1] = formula[at++];
        int count = 0;
        if (!read_count(formula, length, &at, &count)) return report_bad_formula(formula, length);
        const int column = column_of(symbol);
        if (column >= 0 && !counts::checked_add(fftlist[column], count, &fftlist[column]))
            return report_bad_formula(formula, length);
    }
}

} // namespace corvan::peptide
