/* Prints what the library's original calls answer for a spread of inputs,
 * every float in hexadecimal so that any change of a bit shows in a diff. */
#include <corvan.h>
#include <stdio.h>
#include <string.h>

enum { POINTS = 24 };

static void keep_message(const char *text, int stream, void *unused) {
    (void)unused;
    printf("  message(%d): %s", stream, text);
    if (text[0] != '\0' && text[strlen(text) - 1] != '\n')
        printf("\n");
}

static void print_points(const char *name, const char *input, float result, const float *out) {
    printf("%s(%s) = %a:", name, input, (double)result);
    for (int k = 0; k < POINTS; ++k)
        printf(" %a", (double)out[k]);
    printf("\n");
}

typedef float (*by_text)(const char *, float *, int, int);
typedef float (*by_mass)(float *, int, int, float);

static void probe_text(const char *name, by_text call, const char *const *inputs, int count) {
    for (int i = 0; i < count; ++i)
        for (int offset = 0; offset <= 2; offset += 2) {
            float out[POINTS] = {0};
            float result = call(inputs[i], out, POINTS, offset);
            print_points(name, inputs[i], result, out);
        }
}

static void probe_mass(const char *name, by_mass call, const float *masses, int count) {
    for (int i = 0; i < count; ++i) {
        float out[POINTS] = {0};
        char text[32];
        snprintf(text, sizeof text, "%g", (double)masses[i]);
        print_points(name, text, call(out, POINTS, 0, masses[i]), out);
    }
}

static void probe_counts(void) {
    const char *peptides[] = {"PEPTIDE", "PEPTIDE[C2H2O]K", "ACDEFGHIKLMNPQRSTVWY", "PEPTIDXE", ""};
    for (int i = 0; i < 5; ++i) {
        int list[5] = {0};
        float counts[32] = {0};
        int length = pep_seq_to_fftlist(peptides[i], list);
        int nn = pep_seq_to_nnvector(peptides[i], counts);
        printf("pep_seq_to_fftlist(%s) = %d: %d %d %d %d %d; nnvector %d; isolen %d; aacount %d\n",
               peptides[i], length, list[0], list[1], list[2], list[3], list[4], nn,
               get_pep_isolen_from_seq(peptides[i]), pep_seq_to_aacount(peptides[i]));
    }
    const char *rnas[] = {"ACGU", "GGGAAACCCUUU", "ACGT"};
    for (int i = 0; i < 3; ++i) {
        int list[5] = {0};
        float counts[8] = {0};
        printf("rna_seq_to_fftlist(%s) = %d: %d %d %d %d %d; vector %d\n", rnas[i],
               rna_seq_to_fftlist(rnas[i], list), list[0], list[1], list[2], list[3], list[4],
               rna_seq_to_vector(rnas[i], counts));
    }
    const char *formulas[] = {"CH3CH3", "C6H12O6", "Xx", "", "H2O1000000000000"};
    for (int i = 0; i < 5; ++i) {
        int counts[CORVAN_ELEMENT_COUNT] = {0};
        printf("atom_formula_to_vector(%s) = %d: C %d H %d O %d\n", formulas[i],
               atom_formula_to_vector(formulas[i], counts), counts[5], counts[0], counts[7]);
    }
}

static void probe_lengths(void) {
    const float masses[] = {100.0f, 1000.0f, 5000.0f, 20000.0f, 80000.0f};
    for (int i = 0; i < 5; ++i) {
        int pep[5] = {0}, rna[5] = {0};
        pep_mass_to_fftlist(masses[i], pep);
        rna_mass_to_list(masses[i], rna);
        printf("mass %g: pep isolen fft %d nn %d; rna isolen fft %d nn %d len %d; "
               "pep list %d %d %d %d %d; rna list %d %d %d %d %d\n",
               (double)masses[i], fft_pep_mass_to_isolen(masses[i]),
               nn_pep_mass_to_isolen(masses[i]), fft_rna_mass_to_isolen(masses[i]),
               nn_rna_mass_to_isolen(masses[i]), fft_rna_len_to_isolen(i * 10), pep[0], pep[1],
               pep[2], pep[3], pep[4], rna[0], rna[1], rna[2], rna[3], rna[4]);
        printf("  fitting params %a %a %a %a\n", (double)isotopealpha(isoparams, masses[i]),
               (double)isotopebeta(isoparams, masses[i]), (double)isotopemid(isoparams, masses[i]),
               (double)isotopesig(isoparams, masses[i]));
    }
}

int main(void) {
    corvan_set_message_handler(keep_message, NULL);
    const char *formulas[] = {"H2O", "C6H12O6", "C100H160N28O30S2", "C2H6O", "SnCl2", "Xx", ""};
    const char *peptides[] = {"PEPTIDE", "PEPTIDE[C2H2O]K", "ACDEFGHIKLMNPQRSTVWY", "PEPTIDXE"};
    const char *rnas[] = {"ACGU", "GGGAAACCCUUUACGU", "ACGT"};
    const float masses[] = {300.0f, 1500.0f, 8000.0f, 40000.0f, 150000.0f, -5.0f};
    probe_text("fft_atom_formula_to_dist", fft_atom_formula_to_dist, formulas, 7);
    probe_text("fft_pep_seq_to_dist", fft_pep_seq_to_dist, peptides, 4);
    probe_text("brain_pep_seq_to_dist", brain_pep_seq_to_dist, peptides, 4);
    probe_text("nn_pep_seq_to_dist", nn_pep_seq_to_dist, peptides, 4);
    probe_text("fft_rna_seq_to_dist", fft_rna_seq_to_dist, rnas, 3);
    probe_text("brain_rna_seq_to_dist", brain_rna_seq_to_dist, rnas, 3);
    probe_text("nn_rna_seq_to_dist", nn_rna_seq_to_dist, rnas, 3);
    probe_mass("fft_pep_mass_to_dist", fft_pep_mass_to_dist, masses, 6);
    probe_mass("brain_pep_mass_to_dist", brain_pep_mass_to_dist, masses, 6);
    probe_mass("nn_pep_mass_to_dist", nn_pep_mass_to_dist, masses, 6);
    probe_mass("pep_mass_to_dist_fitting", pep_mass_to_dist_fitting, masses, 6);
    probe_mass("fft_rna_mass_to_dist", fft_rna_mass_to_dist, masses, 6);
    probe_mass("brain_rna_mass_to_dist", brain_rna_mass_to_dist, masses, 6);
    probe_mass("nn_rna_mass_to_dist", nn_rna_mass_to_dist, masses, 6);
    probe_counts();
    probe_lengths();
    corvan_set_message_handler(NULL, NULL);
    return 0;
}
