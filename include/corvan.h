/*
 * corvan — theoretical isotope distributions for mass spectrometry.
 *
 * A plain C interface over caller-owned arrays and exported tables. Every
 * distribution call (the functions ending in _to_dist, the formula calls and
 * the custom-network runner) follows one result frame:
 *
 *   - `out` is the caller's array of `n` floats, `offset` the index that
 *     receives the monoisotopic peak (index k of the distribution holds the
 *     peak with k extra neutrons);
 *   - if `out` is NULL, `n <= 0`, `offset < 0` or `offset >= n` the call
 *     returns -1 and does not touch `out`;
 *   - otherwise `out[0..n-1]` is zeroed first; every later failure returns -1
 *     and leaves `out` all zero;
 *   - on success the written values are divided by the peak value (so the
 *     highest placed point is 1) and the peak value is returned: the height
 *     of the highest point before scaling, which for the FFT and BRAIN engines
 *     is its share of the whole distribution. A peak of 0 is no failure.
 *   - `pep_mass_to_dist_fitting` alone leaves its values unscaled.
 *
 * Three placements exist (isolen is the number of points computed):
 *   window      out[i] = point i-offset for offset <= i < min(isolen, n)
 *   shifted     out[offset+j] = point j for j < min(isolen, n-offset)
 *   full-length out[offset+j] = point j for j < n-offset   (isolen == n)
 *
 * Threads: the library starts no threads. Every call may run on several
 * threads at once on its own arrays: the FFT calls keep their FFTW plans
 * (one per transform kind and length, made once under a lock, since FFTW's
 * planner is not re-entrant) and execute them on private arrays; the BRAIN
 * and network calls touch only their arguments and read-only tables. A host
 * that itself creates or destroys FFTW plans on another thread must not do
 * so while an FFT call of this library runs. Writable tables (fft_len,
 * use_precomputed_fft, massavgine, avgine, isoparams, the exported network
 * blobs) are changed between calls, not during them.
 *
 * Messages: a few failures print one line on standard output (engines and
 * encoders) or standard error (list reader); the texts are documented below.
 *
 * Licence: GPL-2.0-or-later.
 */
#ifndef CORVAN_H
#define CORVAN_H

#include <fftw3.h>
#include <stdint.h>

#if defined(CORVAN_BUILDING_LIBRARY)
#define CORVAN_API __attribute__((visibility("default")))
#else
#define CORVAN_API
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* ======================================================================
 * Element and isotope tables (read-only)
 * ====================================================================== */

/* Element symbols by element index (atomic number - 1): "H" ... "Mt". */
CORVAN_API extern const char *const element_names[109];
/* The same 109 symbols: the two-letter ones by atomic number ("He" ...
 * "Mt"), then the one-letter ones by atomic number ("H", "B", ..., "I"). */
CORVAN_API extern const char *const elements[109];
/* 109, the number of elements. */
CORVAN_API extern const int numelements;
/* 313, the number of isotope rows. */
CORVAN_API extern const int dlen;
/* Parallel isotope rows, sorted by atomic number, lightest isotope of each
 * element first: atomic number, relative atomic mass (u) and abundance as an
 * amount fraction (NIST, AME 2016 masses, IUPAC compositions).
 * Example: row 9 is C-12, 12.0, 0.9893; row 10 is C-13, 13.00335483507,
 * 0.0107. */
CORVAN_API extern const int isotope_numbers[313];
CORVAN_API extern const double isotope_masses[313];
CORVAN_API extern const double isotope_abundances[313];

/* ======================================================================
 * Residue, nucleotide and averaging-unit tables
 * Columns C,H,N,O,S unless said otherwise. "Writable" tables may be changed
 * by the host between calls; the library reads them afresh at every call.
 * ====================================================================== */

CORVAN_API extern const char aaorder[21];  /* "ACDEFGHIKLMNPQRSTVWY" */
CORVAN_API extern const char pepOrder[21]; /* "ACDEFGHIKLMNPQRSTVWY" */
CORVAN_API extern const char *aa_names[20]; /* writable, aaorder order */
/* Residue compositions (amino acid less one water), rows in aaorder order.
 * Example: aa_vectors[15] (S) = {3, 5, 1, 2, 0}. */
CORVAN_API extern const int aa_vectors[20][5];
/* Extended residue set (writable), 23 named rows; columns H,C,N,O,S. */
CORVAN_API extern const char *amino_acid_names[23];
CORVAN_API extern int amino_acid_vectors[24][5];
CORVAN_API extern int numaminoacids; /* 23 */
/* Number of composition columns (5) and their symbols "C","H","N","O","S";
 * writable, but must stay as shipped. */
CORVAN_API extern int num_simp_elements;
CORVAN_API extern const char *pep_encoding_elements[5];
/* Peptide averaging unit (averagine): its mass 111.1254 and its atoms
 * {4.9384, 7.7583, 1.3577, 1.4773, 0.0417}; writable, read at every call. */
CORVAN_API extern double massavgine;
CORVAN_API extern double avgine[5];
CORVAN_API extern double averagine_coeffs[5]; /* atoms per dalton, writable */
/* Nucleotide residue compositions, rows A, C, G, U (no phosphorus). */
CORVAN_API extern const int rna_vectors[4][5];
CORVAN_API extern const char rnaOrder[5]; /* "ACGU" */
/* RNA averaging unit: mass 320.2838 (with one P) and C9.5 H10.75 N3.75 O7. */
CORVAN_API extern const float rnaveragine_mass;
CORVAN_API extern const double rnaveragine_comp_numerical[5];
CORVAN_API extern const double rnaveragine_coeff[5];
/* DNA residue compositions, rows A, C, G, T; columns H,C,N,O,S. */
CORVAN_API extern const int dna_vectors[4][5];

/* ======================================================================
 * Result frame helper
 * ====================================================================== */

/* Clips negative values of isodist[0..length-1] to 0, divides the array by
 * its sum and returns the largest normalised value. Returns 0.0 and leaves
 * the (clipped) array undivided when the sum is 0; returns 0.0 and changes
 * nothing for a NULL array or length <= 0.
 * Example: {-1, 2, 2} becomes {0, 0.5, 0.5} and 0.5 is returned. */
CORVAN_API double normalize_isodist(double *isodist, int length);

/* ======================================================================
 * FFT engine
 * ====================================================================== */

/* Element transforms at N = 64, bins 0..32, row Z-1 for atomic number Z,
 * each part rounded to 10 decimals (109 x 33 values). */
CORVAN_API extern const fftw_complex fftarray[3597];
CORVAN_API extern const int arraylen; /* 3597 */
/* Row length of fftarray (33) and the switch that enables it (1). A host
 * may change them between calls; the table is used only at N == 64 when
 * fft_len == N/2+1 and use_precomputed_fft != 0. */
CORVAN_API extern int fft_len;
CORVAN_API extern int use_precomputed_fft;

/* Isotope distribution of the composition fftlist = {C, H, N, O, S} on an
 * N-point grid (cyclic: mass beyond N-1 folds back to the start).
 * `out` must hold N floats; it receives the distribution normalised to sum
 * 1 (no offset, no scaling). Returns the largest point, or -1 when N < 1, a
 * pointer is NULL or an allocation/plan fails (then `out` is not written).
 * A negative count divides that element out.
 * Example: {0, 2, 0, 1, 0} (water), N = 64: returns ~0.99734 == out[0]. */
CORVAN_API float fft_list_to_dist(const int *fftlist, int N, float *out);

/* Fills transform[0..half-1] (half must be N/2+1) with the forward,
 * unnormalised DFT of the element's isotope pattern on an N-point grid.
 * Returns 0, or -1 when atomic_number is outside 1..109, or allocation or
 * planning fails. At N == 64 the values are copied from fftarray (see
 * fft_len). Prints "Error: Requested isotope number is too large" when the
 * table row would lie outside fftarray, and "Error: Could not allocate
 * memory for isotope arrays" when the grid cannot be allocated.
 * Isotopes that lie N or more steps above the lightest fold back modulo N.
 * Example: setup_ft(6, t, 64, 33) gives t[1] = (0.9999484766, -0.0010487834). */
CORVAN_API int setup_ft(int atomic_number, fftw_complex *transform, int N, int half);

/* product[k] = c[k]^fftlist[0] * h[k]^fftlist[1] * n[k]^fftlist[2] *
 * o[k]^fftlist[3] * s[k]^fftlist[4] for k < half; nothing for half < 1. */
CORVAN_API void convolve_all(const int *fftlist, fftw_complex *product, const fftw_complex *c,
                             const fftw_complex *h, const fftw_complex *n,
                             const fftw_complex *o, const fftw_complex *s, int half);

/* (*re, *im) = z^exponent by binary exponentiation; exponent 0 gives 1+0i,
 * a negative exponent inverts z first. Example: (0+1i)^2 = -1+0i. */
CORVAN_API void complex_power(const fftw_complex *z, int exponent, double *re, double *im);

/* (*re, *im) = (a_re + i a_im)(b_re + i b_im). Example: (1+2i)(3+4i) = -5+10i. */
CORVAN_API void complex_multiplication(double *re, double *im, double a_re, double a_im,
                                       double b_re, double b_im);

/* Copies `count` complex values from src to dst; nothing for count <= 0. */
CORVAN_API void copy_fft(const fftw_complex *src, fftw_complex *dst, int count);

/* Adds the isotope pattern of atomic_number into grid[0..N-1] (lightest
 * isotope at 0, each further one at the previous position plus the rounded
 * mass difference, positions folded modulo N, at most N rows). Does not
 * clear the grid; writes nothing for N <= 0 or an unknown atomic number.
 * Example: carbon, N = 4, zeroed grid: {0.9893, 0.0107, 0, 0}. */
CORVAN_API void construct_isotope_array(int atomic_number, double *grid, int N);

/* Abundance of the element's lightest isotope as a float; 0 when no row
 * has that atomic number. Example: get_first_isotope_abundance(2) = 1.34e-06. */
CORVAN_API float get_first_isotope_abundance(int atomic_number);

/* ======================================================================
 * BRAIN engine
 * ====================================================================== */

/* Root constants of the element isotope polynomials (floats). The five
 * abundance constants are published for callers; the engine uses the roots. */
CORVAN_API extern const float c12_abundance; /* 0.9893 */
CORVAN_API extern const float h1_abundance;  /* 0.999885 */
CORVAN_API extern const float n14_abundance; /* 0.99632 */
CORVAN_API extern const float o16_abundance; /* 0.99757 */
CORVAN_API extern const float s32_abundance; /* 0.9499 */
CORVAN_API extern const float c_root;        /* -92.4579 */
CORVAN_API extern const float h_root;        /* -8694.652 */
CORVAN_API extern const float n_root;        /* -270.7391 */
CORVAN_API extern const float rho_o;         /* 22.0595 */
CORVAN_API extern const float theta_o;       /* 1.575 */
CORVAN_API extern const float s_root;        /* -424.8761 */
CORVAN_API extern const float rho_s;         /* 4.728 */
CORVAN_API extern const float theta_s;       /* 1.583 */

/* Isotope distribution of fftlist = {C, H, N, O, S} by Newton's identities
 * over power sums of the inverse polynomial roots, truncated to `len`
 * points and renormalised over them. `out` must hold `len` floats.
 * Returns the largest normalised point, or -1: without writing when len <= 0,
 * a pointer is NULL or a count is negative; with out[0..len-1] zeroed when
 * an allocation fails or the recursion overflows (very large molecules).
 * Reentrant. Example: {1, 0, 0, 0, 0}, len 2: out = {0.9893, 0.0107},
 * returns 0.9893. */
CORVAN_API float brain_list_to_dist(const int *fftlist, int len, float *out);

/* ======================================================================
 * Elemental formulas
 * ====================================================================== */

/* Parses a formula such as "C6H12O6" (symbols of element_names, each
 * followed directly by an optional decimal count; white space between terms
 * is ignored; a repeated symbol adds up) into counts[0..108], indexed by
 * atomic number - 1. `counts` is cleared first. Returns 0, or -1 for a NULL
 * argument, an unknown symbol, any other character, a count or total above
 * 2147483647, or a formula with no atoms (counts keep what was added).
 * Example: "CH3CH3" gives counts[5] = 2, counts[0] = 6. */
CORVAN_API int atom_formula_to_vector(const char *formula, int *counts);

/* Isotope distribution of an elemental formula on a grid of `n` points
 * (the caller's array length), full-length placement at `offset` (the last
 * `offset` points are dropped), scaled to peak 1. Returns the largest point
 * of the sum-normalised distribution, or -1 (bad frame arguments: `out`
 * untouched; bad formula or allocation failure: `out` all zero).
 * Example: "H2O", n = 64, offset 0: returns ~0.99734, out[0] = 1. */
CORVAN_API float fft_atom_formula_to_dist(const char *formula, float *out, int n, int offset);

/* fft_atom_formula_to_dist(formula, out, n, 0).
 * Example: "C6H12O6", n = 64: returns ~0.92263; out = {1, ~0.0686, ~0.0143, ...}. */
CORVAN_API float corvan_atom(const char *formula, float *out, int n);

/* ======================================================================
 * Neural networks: weight sets and inference
 * ====================================================================== */

/* A three-layer network (softsign, softsign, sigmoid). Travels by value;
 * all copies share the six arrays, released once by FreeCorvanWeights. The
 * empty weight set (NULL pointers, zero counts) signals failure. */
typedef struct NetWeights {
    float *w1; /* hidden1_size x input_size, row-major */
    float *b1; /* hidden1_size */
    float *w2; /* hidden2_size x hidden1_size */
    float *b2; /* hidden2_size */
    float *w3; /* output_size x hidden2_size */
    float *b3; /* output_size */
    int input_size;
    int hidden1_size;
    int hidden2_size;
    int output_size;
    int w1_count;
    int w2_count;
    int w3_count;
    int total_count;
} NetWeights;

/* A weight set for input_size inputs and three layers of n units, arrays
 * zero-filled; the empty weight set when a size is < 1, a size product or
 * the total would exceed 2147483647, or an allocation fails.
 * Example: SetupWeights(5, 8).total_count == 192. */
CORVAN_API NetWeights SetupWeights(int input_size, int n);

/* Fills the arrays of `weights` from a weight blob (little-endian float32:
 * w1, b1, w2, b2, w3, b3, total_count floats, any alignment) and returns it.
 * On a NULL blob or NULL array it releases the arrays of `weights` and
 * returns the empty weight set. */
CORVAN_API NetWeights LoadWeights(NetWeights weights, const void *blob);

/* Fills the arrays of `weights` from a file holding exactly one blob of
 * 4 * total_count bytes. Returns 0, or -1 (arrays unchanged) for a NULL or
 * empty path, inconsistent counts, an unopenable file or a wrong size. */
CORVAN_API int LoadWeightsFromFile(NetWeights weights, const char *path);

/* Releases the six arrays (NULL ones skipped). */
CORVAN_API void FreeCorvanWeights(NetWeights weights);

/* x / (1 + |x|). Example: softsign(-3) = -0.75. */
CORVAN_API float softsign(float x);
/* 1 / (1 + expf(-x)). Example: sigmoid(0) = 0.5. */
CORVAN_API float sigmoid(float x);

/* result[r] = act(bias[r] + sum_c matrix[r*cols + c] * vector[c]) for
 * r < rows, with softsign and/or (then) sigmoid when the flags are non-zero. */
CORVAN_API void matrix_vector_multiply(const float *matrix, const float *vector,
                                       const float *bias, float *result, int rows, int cols,
                                       int softsign_flag, int sigmoid_flag);

/* Runs the network on input[0..input_size-1] into output[0..output_size-1].
 * Returns 0, or -1 (output untouched) for a NULL pointer, an incomplete
 * weight set or a scratch allocation failure. Reentrant. */
CORVAN_API int neural_net(const float *input, float *output, NetWeights weights);

/* ======================================================================
 * Embedded networks, mass features, custom-network runner
 * ====================================================================== */

/* features[k] = mass / {1e6, 1e5, 1e4, 1e3, 100}[k], clamped to [0, 1]
 * (a NaN quotient becomes 1). Example: 500 -> {0.0005, 0.005, 0.05, 0.5, 1}. */
CORVAN_API void mass_to_vector(float mass, float *features);

/* Runs the network in the weight file `path` (input_len inputs, n units in
 * each layer; the file is exactly 4*(3n + n*input_len + 2n*n) bytes) on
 * input[0..input_len-1], places the n outputs by full-length placement at
 * `offset` and scales them to peak 1. Returns the largest placed output, or
 * -1: without touching `out` when offset < 0, n < 1, input_len < 1, a
 * pointer is NULL, offset >= n or the path is empty; with `out` all zero
 * when the file is missing, unreadable or of the wrong size. */
CORVAN_API float corvan_model_to_dist_from_file(const float *input, int input_len, float *out,
                                                int n, int offset, const char *path);

/* The exported network blobs (writable: calls copy their weights afresh). */
CORVAN_API extern unsigned char corvanpep_model_64_bin[];
CORVAN_API extern unsigned int corvanpep_model_64_bin_len; /* 38656 */
CORVAN_API extern unsigned char corvanpep_model_128_bin[];
CORVAN_API extern unsigned int corvanpep_model_128_bin_len; /* 142848 */
CORVAN_API extern unsigned char corvan_rnaveragine_model32_bin[];
CORVAN_API extern unsigned int corvan_rnaveragine_model32_bin_len; /* 9216 */
CORVAN_API extern unsigned char corvan_rnaveragine_model64_bin[];
CORVAN_API extern unsigned int corvan_rnaveragine_model64_bin_len; /* 34816 */
CORVAN_API extern unsigned char corvan_rnaveragine_model128_bin[];
CORVAN_API extern unsigned int corvan_rnaveragine_model128_bin_len; /* 135168 */

/* ======================================================================
 * Peptide encodings and length rules
 * Sequences: one-letter residues; "[formula]" adds C/H/N/O/S atoms; every
 * character outside brackets counts as a residue. No pointer is checked.
 * ====================================================================== */

/* Residue index 0..19 in "ACDEFGHIKLMNPQRSTVWY", -1 otherwise. */
CORVAN_API int aa_to_index(char c);
/* Residue count of a sequence. Example: "GA[C2H2O]G" -> 3. */
CORVAN_API int pep_seq_to_aacount(const char *seq);
/* Adds each residue letter to its slot of counts[20] (not cleared first);
 * returns the residue count. */
CORVAN_API int pep_seq_to_nnvector(const char *seq, float *counts);
/* Adds the atoms of a modification formula (no brackets) to fftlist[5].
 * Prints "Error while parsing modification formula:%s\n" on a term that
 * does not start with an upper-case letter. Example: "CH3CH2" adds C2 H5. */
CORVAN_API void add_mod_to_fftlist(const char *formula, int *fftlist);
/* Overwrites fftlist[5] with water plus every residue and formula; returns
 * the residue count. Example: "GAG" -> {7, 13, 3, 4, 0}, returns 3. */
CORVAN_API int pep_seq_to_fftlist(const char *seq, int *fftlist);
/* Overwrites fftlist[5] with the averagine composition of `mass` (no
 * water). Example: 1000 -> {44, 70, 12, 13, 0}. */
CORVAN_API void pep_mass_to_fftlist(float mass, int *fftlist);
/* 8, 32, 64, 128 for mass < 1200, 11000, 55000, 120000; -1 otherwise. */
CORVAN_API int nn_pep_mass_to_isolen(float mass);
/* 64 for mass < 50000, 128 for < 120000, else 1024. */
CORVAN_API int fft_pep_mass_to_isolen(float mass);
/* 16 up to 49 residues (and the empty text), 64 up to 299, else 128. */
CORVAN_API int get_pep_isolen_from_seq(const char *seq);

/* ======================================================================
 * Peptide distributions (result frame above)
 * ====================================================================== */

CORVAN_API float fft_pep_mass_to_dist(float *out, int n, int offset, float mass);
CORVAN_API float fft_pep_seq_to_dist(const char *seq, float *out, int n, int offset);
CORVAN_API float brain_pep_mass_to_dist(float *out, int n, int offset, float mass);
CORVAN_API float brain_pep_seq_to_dist(const char *seq, float *out, int n, int offset);
CORVAN_API float nn_pep_mass_to_dist(float *out, int n, int offset, float mass);
CORVAN_API float nn_pep_seq_to_dist(const char *seq, float *out, int n, int offset);
CORVAN_API float nn_pep_mass_to_dist_custom(float *out, int n, int offset, const char *path,
                                            float mass);
CORVAN_API float nn_pep_seq_to_dist_custom(const char *seq, float *out, int n, int offset,
                                           const char *path);

/* ======================================================================
 * Parametric peptide model
 * ====================================================================== */

/* Ten writable model constants: alpha (2), beta (2), mid (3), sigma (3). */
CORVAN_API extern float isoparams[10];
CORVAN_API float isotopealpha(const float *params, float mass);
CORVAN_API float isotopebeta(const float *params, float mass);
CORVAN_API float isotopemid(const float *params, float mass);
CORVAN_API float isotopesig(const float *params, float mass);
CORVAN_API float pep_mass_to_dist_fitting(float *out, int n, int offset, float mass);

/* ======================================================================
 * RNA encodings, length rules and distributions
 * ====================================================================== */

CORVAN_API int nt_to_index(int c);
CORVAN_API int rna_seq_to_vector(const char *seq, float *counts);
CORVAN_API int rna_seq_to_fftlist(const char *seq, int *fftlist);
CORVAN_API void rna_mass_to_list(float mass, int *fftlist);
CORVAN_API int fft_rna_mass_to_isolen(float mass);
CORVAN_API int fft_rna_len_to_isolen(int length);
CORVAN_API int nn_rna_mass_to_isolen(float mass);

CORVAN_API float fft_rna_mass_to_dist(float *out, int n, int offset, float mass);
CORVAN_API float fft_rna_seq_to_dist(const char *seq, float *out, int n, int offset);
CORVAN_API float brain_rna_mass_to_dist(float *out, int n, int offset, float mass);
CORVAN_API float brain_rna_seq_to_dist(const char *seq, float *out, int n, int offset);
CORVAN_API float nn_rna_mass_to_dist(float *out, int n, int offset, float mass);
CORVAN_API float nn_rna_seq_to_dist(const char *seq, float *out, int n, int offset);
CORVAN_API float nn_rna_mass_to_dist_custom(float *out, int n, int offset, const char *path,
                                            float mass);
CORVAN_API float nn_rna_seq_to_dist_custom(const char *seq, float *out, int n, int offset,
                                           const char *path);

/* ======================================================================
 * Mass/sequence list files and batch run
 * ====================================================================== */

typedef struct protein_entry {
    double mass;
    char *sequence;
} protein_entry;

typedef struct protein_list {
    protein_entry *entries;
    uint64_t count;
    uint64_t capacity;
} protein_list;

CORVAN_API protein_list read_masses_seqs_file(const char *path);
CORVAN_API void free_protein_list(protein_list *list);
CORVAN_API void run_file(const char *path);

#ifdef __cplusplus
}
#endif

#endif /* CORVAN_H */
