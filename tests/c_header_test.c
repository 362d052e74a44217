/* Compiles the public header as C11 and checks the example of its
 * formula-call comment through it. */
#include "corvan.h"

#include <math.h>
#include <stdio.h>

int main(void) {
    float out[64];
    const float peak = corvan_atom("C6H12O6", out, 64);
    if (fabsf(peak - 0.92263f) > 1e-4f || out[0] != 1.0f || fabsf(out[1] - 0.0686f) > 1e-3f) {
        fprintf(stderr, "corvan_atom(C6H12O6) gave %g, %g, %g\n", peak, out[0], out[1]);
        return 1;
    }
    int fftlist[5] = {0, 2, 0, 1, 0};
    float dist[64];
    if (fabsf(fft_list_to_dist(fftlist, 64, dist) - 0.99734f) > 1e-4f) return 1;
    return 0;
}
