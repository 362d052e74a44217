#include "peptide/sequence_scan.hpp"

#include "core/counts.hpp"
#include "corvan.h"

namespace corvan::peptide {

namespace {

constexpr int kResidues = kResidueColumns;
constexpr int kColumns = 5;

} // namespace

int composition_columns() {
    if (num_simp_elements < 0) return 0;
    return num_simp_elements < kColumns ? num_simp_elements : kColumns;
}

int residue_index(char c) {
    for (int index = 0; index < kResidues; ++index)
        if (pepOrder[index] == c) return index;
    return -1;
}

std::size_t count_residues(const char *sequence) {
    return scan_sequence(
        sequence, [](char) {}, [](const char *, std::size_t) {});
}

std::size_t add_residue_counts(const char *sequence, float *counts) {
    return scan_sequence(
        sequence,
        [counts](char c) {
            if (const int index = residue_index(c); index >= 0) counts[index] += 1.0f;
        },
        [](const char *, std::size_t) {});
}

std::size_t build_composition(const char *sequence, int *fftlist) {
    constexpr int kWater[kColumns] = {0, 2, 0, 1, 0};
    for (int column = 0; column < kColumns; ++column) fftlist[column] = kWater[column];
    const int columns = composition_columns();
    return scan_sequence(
        sequence,
        [fftlist, columns](char c) {
            const int index = residue_index(c);
            if (index < 0) return;
            for (int column = 0; column < columns; ++column)
                fftlist[column] =
                    counts::saturating_add(fftlist[column], aa_vectors[index][column]);
        },
        [fftlist](const char *formula, std::size_t length) {
            // Applying only the first 99 characters would silently give
            // another molecule; the whole formula is refused instead.
            if (length > kLongestFormula)
                report_bad_formula(formula, length);
            else
                add_formula(formula, length, fftlist);
        });
}

} // namespace corvan::peptide
