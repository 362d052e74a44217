/* Compiles the public header as C11 and checks the examples of its
 * formula-call and sequence-parsing comments through it. */
#include "corvan.h"

#include <math.h>
#include <stdio.h>
#include <string.h>

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
    /* The sequence examples of corvan_molecule_parse, through C. */
    corvan_molecule *rna = NULL;
    char formula[64];
    if (corvan_molecule_parse(CORVAN_KIND_RNA, "ACGUACGU", &rna, NULL) != CORVAN_OK ||
        corvan_molecule_formula(rna, formula, sizeof formula, NULL) != CORVAN_OK ||
        strcmp(formula, "C76H95N30O54P7") != 0)
        return 1;
    corvan_molecule_free(rna);
    corvan_error error;
    corvan_molecule *peptide = NULL;
    if (corvan_molecule_parse(CORVAN_KIND_PEPTIDE, "PEPS[+79.966]TIDE", &peptide, &error) !=
            CORVAN_E_UNSUPPORTED ||
        error.position != 5 || peptide != NULL || strstr(error.message, "[Phospho]") == NULL)
        return 1;
    return 0;
}
