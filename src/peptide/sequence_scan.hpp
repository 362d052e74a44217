// The one reading of peptide sequence text. Outside brackets every
// character except "[" is a residue position; "[" opens a modification
// formula that the next "]" closes (brackets do not nest, and a formula
// left open at the end is dropped). Every peptide encoder, length rule and
// distribution call counts residues through this scan, so they cannot drift
// apart.
#pragma once

#include <cstddef>
#include <cstring>

#include "corvan.h"

namespace corvan::peptide {

// Calls on_residue(c) for every residue position and on_formula(text,
// length) for every closed formula (text points into `sequence`, not
// terminated), in text order. Returns the residue count.
template <class OnResidue, class OnFormula>
std::size_t scan_sequence(const char *sequence, OnResidue on_residue, OnFormula on_formula) {
    const std::size_t length = std::strlen(sequence);
    std::size_t residues = 0;
    const char *formula = nullptr; // start of the open formula, null outside
    for (std::size_t i = 0; i < length; ++i) {
        const char c = sequence[i];
        if (formula == nullptr) {
            if (c == '[') {
                formula = sequence + i + 1;
                continue;
            }
            ++residues;
            on_residue(c);
        } else if (c == ']') {
            on_formula(formula, static_cast<std::size_t>(sequence + i - formula));
            formula = nullptr;
        }
    }
    return residues;
}

// Residue index 0..19 in "ACDEFGHIKLMNPQRSTVWY", -1 for any other character.
int residue_index(char c);

// Residue count only.
std::size_t count_residues(const char *sequence);

// The residue letters a count vector counts, one column each.
inline constexpr int kResidueColumns = 20;

// Residue count vector (adds to counts[0..19]); returns the residue count.
std::size_t add_residue_counts(const char *sequence, float *counts);

// Overwrites fftlist with water plus every residue and formula of the
// sequence; returns the residue count. Formulas longer than
// kLongestFormula characters are rejected whole with the parse message.
std::size_t build_composition(const char *sequence, int *fftlist);

constexpr std::size_t kLongestFormula = CORVAN_MODIFICATION_MAX_LENGTH;

// Composition columns in use: num_simp_elements (writable) held to 0..5 so
// that a changed value can never index past the five fftlist slots.
int composition_columns();

// Adds the atoms of formula[0..length) to fftlist. On a term that does not
// start with an upper-case letter, or whose count or sum leaves the int
// range, prints the parse message with the whole formula text, flushes
// standard output and stops; earlier terms stay added.
void add_formula(const char *formula, std::size_t length, int *fftlist);

// The parse message for formula[0..length), flushed at once so that it keeps
// its place among the messages of the distribution calls.
void report_bad_formula(const char *formula, std::size_t length);

} // namespace corvan::peptide
