/* Compiles the public header as C11 and checks the examples of its
 * formula-call comment, the molecule layer and sequence parsing through it. */
#include "corvan.h"

#include <math.h>
#include <stdio.h>
#include <string.h>

/* [M+H]+ of 13C6-glucose, and glucose's masses, as a C caller writes it. */
static int check_molecule_layer(void) {
    corvan_error error;
    corvan_options *options = corvan_options_create();
    corvan_distribution *d = NULL;
    corvan_points points;
    corvan_summary summary;
    int failed = options == NULL ||
                 corvan_options_set_charge(options, 1, NULL, &error) != CORVAN_OK ||
                 corvan_distribution_from_text(CORVAN_KIND_FORMULA, "[13C6]H12O6", options, &d,
                                               &error) != CORVAN_OK;
    if (!failed) {
        corvan_distribution_points(d, &points);
        corvan_distribution_summary(d, &summary);
        failed = points.neutrons[0] != 0 || fabs(summary.monoisotopic_mass - 186.083517) > 1e-6 ||
                 fabs(points.mz[0] - 187.091342 + CORVAN_ELECTRON_MASS) > 1e-5;
    }
    corvan_distribution_free(d);
    corvan_options_free(options);
    if (corvan_distribution_from_text(CORVAN_KIND_FORMULA, "C6H12Q6", NULL, &d, &error) !=
            CORVAN_E_UNKNOWN ||
        error.position != 5)
        failed = 1;
    if (failed) fprintf(stderr, "molecule layer example failed\n");
    return failed;
}

/* The many-molecule call's header example, as a C caller writes it. */
static int check_many_molecules(void) {
    const char *texts[] = {"C6H12O6", "C6H12Q6", "H2O"};
    int charges[] = {1, 1, 0}, status[3];
    double heights[3 * 4], mz[3 * 4], mono[3];
    corvan_many_results out = {4, heights, mz, mono, status, NULL};
    size_t failed = 0;
    int wrong = corvan_many_from_texts(CORVAN_KIND_FORMULA, texts, charges, 3, NULL, &out, &failed,
                                       NULL) != CORVAN_OK ||
                failed != 1 || status[0] != CORVAN_OK || status[1] != CORVAN_E_UNKNOWN ||
                status[2] != CORVAN_OK || heights[0] != 1.0 || fabs(heights[1] - 0.0687) > 1e-4 ||
                fabs(heights[2] - 0.0143) > 1e-4 || fabs(heights[3] - 0.00087) > 1e-5 ||
                fabs(mono[0] - 181.070665) > 1e-6 || fabs(mono[2] - 18.010565) > 1e-6 ||
                !isnan(mono[1]) || !isnan(heights[4]);
    const double masses[] = {1000, 2000, 3000};
    const int z2[] = {2, 2, 2};
    wrong |= corvan_many_from_masses(CORVAN_KIND_PEPTIDE, masses, z2, 3, NULL, &out, NULL, NULL) !=
                 CORVAN_OK ||
             heights[0] != 1.0 || heights[4 + 1] != 1.0 || heights[8 + 1] != 1.0;
    if (wrong) fprintf(stderr, "many-molecule example failed\n");
    return wrong;
}

/* The digestion examples of the header. */
static int check_digestion(void) {
    corvan_pieces *pieces = NULL;
    corvan_piece piece;
    int wrong = corvan_digest(CORVAN_KIND_PEPTIDE, "MPEKTIDEKPRAGRK", "Trypsin", 0, 1, 0, 0,
                              &pieces, NULL) != CORVAN_OK ||
                corvan_pieces_count(pieces) != 4 ||
                corvan_pieces_get(pieces, 1, &piece) != CORVAN_OK || piece.start != 5 ||
                piece.end != 11 || strcmp(piece.text, "TIDEKPR") != 0 ||
                corvan_pieces_get(pieces, 4, &piece) != CORVAN_E_RANGE;
    corvan_pieces_free(pieces);
    wrong |= corvan_digest(CORVAN_KIND_RNA, "AUGCGGAU", "RNase_T1", 0, 0, 0, 0, &pieces, NULL) !=
                 CORVAN_OK ||
             corvan_pieces_get(pieces, 0, &piece) != CORVAN_OK || strcmp(piece.text, "AUG-p") != 0;
    corvan_pieces_free(pieces);
    wrong |= strcmp(corvan_enzyme_name(CORVAN_KIND_RNA, 0), "RNase_T1") != 0 ||
             corvan_enzyme_name(CORVAN_KIND_DNA, 0) != NULL;
    if (wrong) fprintf(stderr, "digestion example failed\n");
    return wrong;
}

/* The most abundant point and the table call's examples. */
static int check_most_abundant_and_table(void) {
    corvan_options *options = corvan_options_create();
    corvan_distribution *d = NULL;
    corvan_most_abundant top;
    int wrong = corvan_options_set_charge(options, 1, NULL, NULL) != CORVAN_OK ||
                corvan_distribution_from_text(CORVAN_KIND_PEPTIDE, "PEPTIDEUK", options, &d,
                                              NULL) != CORVAN_OK ||
                corvan_distribution_most_abundant(d, &top) != CORVAN_OK || top.neutrons != 0 ||
                fabs(top.mz - 1079.4164) > 1e-4;
    corvan_distribution_free(d);
    corvan_options_free(options);
    double masses[] = {60000};
    int charges[] = {10}, status[1], first[1];
    double heights[16];
    corvan_many_table t = {sizeof t, 16, heights, NULL, NULL, status, NULL, first};
    wrong |= corvan_many_table_from_masses(CORVAN_KIND_PEPTIDE, masses, charges, 1, NULL, &t, NULL,
                                           NULL) != CORVAN_OK ||
             first[0] != 30 || heights[7] != 1.0;
    if (wrong) fprintf(stderr, "most abundant point or table example failed\n");
    return wrong;
}

/* The spectrum calls' examples, as a C caller writes them. */
static int check_spectrum(void) {
    corvan_spectrum_settings s;
    corvan_spectrum_view v;
    corvan_spectrum *fine = NULL, *profile = NULL, *peaks = NULL;
    corvan_molecule *water = NULL, *sampler = NULL;
    corvan_options *o = corvan_options_create();
    double fwhm = 0;
    size_t needed = 0;
    int wrong = corvan_spectrum_defaults(&s) != CORVAN_OK ||
                corvan_resolution_fwhm(&s.resolution, 800, &fwhm, NULL) != CORVAN_OK ||
                fabs(fwhm - 800.0 / 60000) > 1e-12 ||
                corvan_molecule_parse(CORVAN_KIND_FORMULA, "H2O", &water, NULL) != CORVAN_OK ||
                corvan_fine_structure(water, NULL, &s, &fine, &needed, NULL) != CORVAN_OK;
    wrong |= wrong || corvan_spectrum_get(fine, &v) != CORVAN_OK || v.fine_count != 2 ||
             needed != 2 || fabs(v.fine_mz[1] - 20.014810) > 1e-6;
    wrong |= corvan_options_set_charge(o, 2, NULL, NULL) != CORVAN_OK ||
             corvan_molecule_parse(CORVAN_KIND_PEPTIDE, "SAMPLER", &sampler, NULL) != CORVAN_OK ||
             corvan_resolution_parse("360000@200", "orbitrap", &s.resolution, NULL) != CORVAN_OK ||
             corvan_profile(sampler, o, &s, &profile, NULL, NULL) != CORVAN_OK ||
             corvan_centroids(sampler, o, &s, &peaks, NULL, NULL) != CORVAN_OK;
    wrong |= wrong || corvan_spectrum_get(peaks, &v) != CORVAN_OK ||
             fabs(v.centroid_mz[2] - v.centroid_mz[1] - 0.0031) > 2e-4;
    corvan_spectrum_free(fine);
    corvan_spectrum_free(profile);
    corvan_spectrum_free(peaks);
    corvan_molecule_free(water);
    corvan_molecule_free(sampler);
    corvan_options_free(o);
    if (wrong) fprintf(stderr, "spectrum example failed\n");
    return wrong;
}

/* The fragment calls of the header: settings, parsers, list, get, free. */
static int check_fragments(void) {
    corvan_fragment_settings settings;
    corvan_fragment_list *list = NULL;
    corvan_fragment fragment;
    unsigned types = 0;
    int low = 0, high = 0;
    int wrong = corvan_fragment_defaults(&settings) != CORVAN_OK ||
                corvan_fragment_types_parse("by", &types, NULL) != CORVAN_OK ||
                types != (CORVAN_ION_B | CORVAN_ION_Y) ||
                corvan_fragment_charges_parse("1-2", &low, &high, NULL) != CORVAN_OK || low != 1 ||
                high != 2;
    settings.isolated_peaks = "M+0";
    wrong |=
        corvan_fragments(CORVAN_KIND_PEPTIDE, "PEPTIDE", &settings, &list, NULL) != CORVAN_OK ||
        corvan_fragment_list_count(list) != 12 ||
        corvan_fragment_list_get(list, 1, &fragment) != CORVAN_OK ||
        strcmp(fragment.name, "b2") != 0 || strcmp(fragment.formula, "C10H14N2O4") != 0 ||
        fabs(fragment.monoisotopic_mz - 227.102633) > 1e-5 || fragment.conditioned == NULL ||
        fabs(fragment.conditioned[0] - 1.0) > 1e-12 ||
        corvan_fragment_list_get(list, 12, &fragment) != CORVAN_E_RANGE;
    corvan_fragment_list_free(list);
    return wrong;
}

/* Observed spectra: "PEPTIDE"/2's own envelope as the measured spectrum. */
static int check_observed(void) {
    corvan_distribution *d = NULL;
    corvan_points p;
    if (corvan_distribution_from_text(CORVAN_KIND_PEPTIDE, "PEPTIDE/2", NULL, &d, NULL) !=
            CORVAN_OK ||
        corvan_distribution_points(d, &p) != CORVAN_OK)
        return 1;
    corvan_molecule *m = NULL;
    corvan_match_settings ms;
    corvan_match *match = NULL;
    corvan_match_summary summary;
    corvan_matched_peak peak;
    corvan_label_fit label;
    corvan_mix_fit mix;
    double sites = 1;
    int wrong = corvan_molecule_parse(CORVAN_KIND_PEPTIDE, "PEPTIDE/2", &m, NULL) != CORVAN_OK ||
                corvan_match_defaults(&ms) != CORVAN_OK;
    ms.min_charge = 1;
    ms.max_charge = 3;
    wrong |=
        corvan_match_spectrum(m, NULL, &ms, p.mz, p.shares, p.count, &match, NULL) != CORVAN_OK ||
        corvan_match_get_summary(match, &summary) != CORVAN_OK || summary.charge != 2 ||
        summary.cosine < 0.999999 || corvan_match_peak_count(match) != 4 ||
        corvan_match_peak(match, 0, &peak) != CORVAN_OK || peak.ppm_error != 0;
    corvan_match_free(match);
    wrong |=
        corvan_fit_label(m, NULL, "15N", 10, p.mz, p.shares, p.count, &label, NULL) != CORVAN_OK ||
        fabs(label.fraction - 0.00364) > 1e-4 ||
        corvan_fit_mix(m, NULL, NULL, NULL, 10, p.mz, p.shares, p.count, &mix, NULL) != CORVAN_OK ||
        corvan_deuterium_uptake(m, NULL, 10, p.mz, p.shares, p.count, &sites, NULL) != CORVAN_OK ||
        fabs(sites) > 1e-3;
    corvan_deisotope_settings ds;
    corvan_envelopes *found = NULL;
    corvan_found_envelope envelope;
    corvan_monoisotopic mono;
    wrong |= corvan_deisotope_defaults(&ds) != CORVAN_OK ||
             corvan_deisotope(p.mz, p.shares, p.count, &ds, &found, NULL) != CORVAN_OK ||
             corvan_envelopes_count(found) != 1 ||
             corvan_envelopes_get(found, 0, &envelope) != CORVAN_OK || envelope.charge != 2 ||
             corvan_monoisotopic_check(p.mz, p.shares, p.count, p.mz[0], 2, &ds, &mono, NULL) !=
                 CORVAN_OK ||
             mono.offset != 0;
    corvan_envelopes_free(found);
    corvan_molecule_free(m);
    corvan_distribution_free(d);
    return wrong;
}

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
    long long nominal = 0;
    if (corvan_molecule_nominal_mass(rna, &nominal) != CORVAN_OK || nominal != 2508) return 1;
    corvan_molecule_free(rna);
    corvan_error error;
    corvan_molecule *peptide = NULL;
    if (corvan_molecule_parse(CORVAN_KIND_PEPTIDE, "PEPS[+79.966]TIDE", &peptide, &error) !=
            CORVAN_E_UNSUPPORTED ||
        error.position != 5 || peptide != NULL || strstr(error.message, "[Phospho]") == NULL)
        return 1;
    /* A chimera: two peptidoforms, the second with charge 3. */
    size_t forms = 0;
    int form_charge = 0;
    corvan_molecule *form = NULL;
    if (corvan_peptidoform_count("EMEVEESPEK/2+ELVISLIVER/3", &forms, NULL) != CORVAN_OK ||
        forms != 2 ||
        corvan_peptidoform_parse("EMEVEESPEK/2+ELVISLIVER/3", 1, &form, NULL) != CORVAN_OK ||
        corvan_molecule_charge(form, &form_charge) != CORVAN_OK || form_charge != 3)
        return 1;
    corvan_molecule_free(form);
    return check_molecule_layer() | check_many_molecules() | check_digestion() |
           check_most_abundant_and_table() | check_spectrum() | check_fragments() |
           check_observed();
}
