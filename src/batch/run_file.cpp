// The batch run: every entry of a list file through five peptide calls
// into a scratch array. The results are not kept; the run exercises the
// calls and shows what they print.
#include <cfloat>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "core/buffers.hpp"
#include "core/messages.hpp"
#include "corvan.h"

namespace {

constexpr int kPoints = 64;

// The entry's mass as the float the calls take. Beyond the float range it
// becomes an infinity of its sign (which the calls refuse) instead of an
// undefined conversion; NaN stays NaN.
float call_mass(double mass) {
    if (mass > FLT_MAX) return HUGE_VALF;
    if (mass < -FLT_MAX) return -HUGE_VALF;
    return static_cast<float>(mass);
}

void run_entry(const protein_entry &entry, float *isodist) {
    const float mass = call_mass(entry.mass);
    nn_pep_mass_to_dist(isodist, kPoints, 0, mass);
    fft_pep_mass_to_dist(isodist, kPoints, 0, mass);
    nn_pep_mass_to_dist(isodist, kPoints, 0, mass);
    fft_pep_seq_to_dist(entry.sequence, isodist, kPoints, 0);
    nn_pep_seq_to_dist(entry.sequence, isodist, kPoints, 0);
}

} // namespace

extern "C" void run_file(const char *path) {
    protein_list list = read_masses_seqs_file(path);
    for (uint64_t i = 0; i < list.count; ++i) {
        corvan::CArray<float> isodist = corvan::zeroed_array<float>(kPoints);
        if (!isodist) {
            corvan::messages::print(corvan::messages::Stream::err,
                                    "Error allocating memory for isodist\n");
            break;
        }
        run_entry(list.entries[i], isodist.get());
    }
    free_protein_list(&list);
}
