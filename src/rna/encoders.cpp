// RNA sequence and mass encodings.
#include <cstdio>
#include <cstring>

#include "core/counts.hpp"
#include "core/messages.hpp"
#include "corvan.h"
#include "rna/encoding.hpp"

namespace corvan::rna {

namespace {

constexpr int kColumns = 5;

// The rnaveragine unit: its single-precision mass, the offset that accounts
// for the chain ends, and its C, H, N, O, S content.
constexpr double kUnitMass = 320.2838134765625;
constexpr double kMassOffset = 95.9534;
constexpr double kUnitAtoms[kColumns] = {9.5, 10.75, 3.75, 7.0, 0.0};
constexpr int kOxygenCorrection = 4;

bool fill_rnaveragine(float mass, int *fftlist) {
    // The unit count passes through single precision on purpose.
    const float units_single = static_cast<float>((mass + kMassOffset) / kUnitMass);
    const double units = units_single;
    for (int column = 0; column < kColumns; ++column)
        if (!counts::round_to_count(kUnitAtoms[column] * units, &fftlist[column])) return false;
    return counts::checked_add(fftlist[3], -kOxygenCorrection, &fftlist[3]);
}

} // namespace

int nucleotide_index(int c) {
    switch (c) {
    case 'A':
        return 0;
    case 'C':
        return 1;
    case 'G':
        return 2;
    case 'U':
        return 3;
    default:
        return -1;
    }
}

bool rnaveragine_composition(float mass, int *fftlist) {
    if (fill_rnaveragine(mass, fftlist)) return true;
    for (int column = 0; column < kColumns; ++column) fftlist[column] = 0;
    return false;
}

int add_nucleotide_counts(const char *sequence, float *counts) {
    const int length = counts::clamped_length(std::strlen(sequence));
    for (int i = 0; i < length; ++i) {
        const int index = nucleotide_index(sequence[i]);
        if (index >= 0)
            counts[index] += 1.0f;
        else
            corvan::messages::print(corvan::messages::Stream::out,
                                    "Unexpected nucleotide in sequence: %c\n", sequence[i]);
    }
    return length;
}

} // namespace corvan::rna

extern "C" {

int nt_to_index(int c) {
    return corvan::rna::nucleotide_index(c);
}

int rna_seq_to_vector(const char *seq, float *counts) {
    return corvan::rna::add_nucleotide_counts(seq, counts);
}

int rna_seq_to_fftlist(const char *seq, int *fftlist) {
    if (seq == nullptr || fftlist == nullptr) return -1;
    for (int column = 0; column < 5; ++column) fftlist[column] = 0;
    const int length = corvan::counts::clamped_length(std::strlen(seq));
    for (int i = 0; i < length; ++i) {
        const int index = corvan::rna::nucleotide_index(seq[i]);
        if (index < 0) {
            corvan::messages::print(corvan::messages::Stream::out,
                                    "Unexpected nucleotide in sequence:%c\n", seq[i]);
            continue;
        }
        for (int column = 0; column < 5; ++column)
            fftlist[column] =
                corvan::counts::saturating_add(fftlist[column], rna_vectors[index][column]);
    }
    return length;
}

void rna_mass_to_list(float mass, int *fftlist) {
    corvan::rna::rnaveragine_composition(mass, fftlist);
}

} // extern "C"
