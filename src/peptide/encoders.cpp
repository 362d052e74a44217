// The exported peptide encoders: thin C entry points over the shared
// sequence scan and the averagine rule, which the distribution calls use
// directly.
#include "core/counts.hpp"
#include "corvan.h"
#include "peptide/averagine.hpp"
#include "peptide/sequence_scan.hpp"

#include <cstring>

namespace peptide = corvan::peptide;
using corvan::counts::clamped_length;

extern "C" {

int aa_to_index(char c) {
    return peptide::residue_index(c);
}

int pep_seq_to_aacount(const char *seq) {
    return clamped_length(peptide::count_residues(seq));
}

int pep_seq_to_nnvector(const char *seq, float *counts) {
    return clamped_length(peptide::add_residue_counts(seq, counts));
}

void add_mod_to_fftlist(const char *formula, int *fftlist) {
    peptide::add_formula(formula, std::strlen(formula), fftlist);
}

int pep_seq_to_fftlist(const char *seq, int *fftlist) {
    return clamped_length(peptide::build_composition(seq, fftlist));
}

void pep_mass_to_fftlist(float mass, int *fftlist) {
    peptide::averagine_composition(mass, fftlist);
}

} // extern "C"
