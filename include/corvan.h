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
 * blobs) are changed between calls, not during them. The plan and transform
 * caches are never destroyed, so a process may return from main while other
 * threads are inside calls; and they are kept consistent across fork(), so
 * a child may call the library at once, whatever the parent's other threads
 * were doing.
 *
 * Memory: every call frees what it allocates on every path, and a failed
 * allocation of the library's own gives the call's documented failure
 * result. FFTW itself aborts the process when one of its internal
 * allocations (inside planning or executing a transform) fails.
 *
 * Messages: a few failures print one line on standard output (engines and
 * encoders) or standard error (list reader); the texts are documented below.
 * A thread that installs a message handler (corvan_set_message_handler)
 * receives them instead, and nothing is printed for its calls.
 *
 * Licence: GPL-2.0-or-later.
 */
#ifndef CORVAN_H
#define CORVAN_H

#include <fftw3.h>
#include <stddef.h>
#include <stdint.h>

/* Marks the exported names. A host may define CORVAN_API itself before
 * including this header (for example to add its own attributes). */
#ifndef CORVAN_API
#if defined(CORVAN_BUILDING_LIBRARY)
#define CORVAN_API __attribute__((visibility("default")))
#else
#define CORVAN_API
#endif
#endif

/* Sizes of the exported tables. */
#define CORVAN_ELEMENT_COUNT 109   /* elements H ... Mt */
#define CORVAN_ISOTOPE_COUNT 313   /* isotope rows */
#define CORVAN_RESIDUE_COUNT 20    /* standard amino acids */
#define CORVAN_COLUMN_COUNT 5      /* composition columns C, H, N, O, S */
#define CORVAN_FFT_TABLE_SIZE 3597 /* fftarray: 109 elements x 33 bins */

/* The longest modification formula (characters between the brackets) that
 * the peptide sequence calls read; a longer one is refused whole. */
#define CORVAN_MODIFICATION_MAX_LENGTH 99

#ifdef __cplusplus
extern "C" {
#endif

/* ======================================================================
 * Element and isotope tables (read-only)
 * ====================================================================== */

/* Element symbols by element index (atomic number - 1): "H" ... "Mt". */
CORVAN_API extern const char *const element_names[CORVAN_ELEMENT_COUNT];
/* The same 109 symbols: the two-letter ones by atomic number ("He" ...
 * "Mt"), then the one-letter ones by atomic number ("H", "B", ..., "I"). */
CORVAN_API extern const char *const elements[CORVAN_ELEMENT_COUNT];
/* 109, the number of elements. */
CORVAN_API extern const int numelements;
/* 313, the number of isotope rows. */
CORVAN_API extern const int dlen;
/* Parallel isotope rows, sorted by atomic number, lightest isotope of each
 * element first: atomic number, relative atomic mass (u) and abundance as an
 * amount fraction (NIST, AME 2016 masses, IUPAC compositions).
 * Example: row 9 is C-12, 12.0, 0.9893; row 10 is C-13, 13.00335483507,
 * 0.0107. */
CORVAN_API extern const int isotope_numbers[CORVAN_ISOTOPE_COUNT];
CORVAN_API extern const double isotope_masses[CORVAN_ISOTOPE_COUNT];
CORVAN_API extern const double isotope_abundances[CORVAN_ISOTOPE_COUNT];

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
CORVAN_API extern const int aa_vectors[CORVAN_RESIDUE_COUNT][CORVAN_COLUMN_COUNT];
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
CORVAN_API extern const fftw_complex fftarray[CORVAN_FFT_TABLE_SIZE];
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
 * Building blocks of the engines
 * ======================================================================
 * The steps the distribution calls are made of, exported for callers that
 * assemble their own: element transforms and complex arithmetic of the FFT
 * engine, and the activations and dense layer of the networks. */

/* ---- FFT engine ---- */

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

/* Writes the isotope pattern of atomic_number into grid[0..N-1] (lightest
 * isotope at 0, each further one at the previous position plus the rounded
 * mass difference, at most N rows). A position inside the grid is assigned
 * its abundance; a position past the end folds modulo N and its abundance is
 * added to what is there. Other entries are left as they are (the grid is
 * not cleared); writes nothing for N <= 0 or an unknown atomic number.
 * Example: carbon, N = 4, zeroed grid: {0.9893, 0.0107, 0, 0}. */
CORVAN_API void construct_isotope_array(int atomic_number, double *grid, int N);

/* Abundance of the element's lightest isotope as a float; 0 when no row
 * has that atomic number. Example: get_first_isotope_abundance(2) = 1.34e-06. */
CORVAN_API float get_first_isotope_abundance(int atomic_number);

/* ---- neural networks ---- */

/* x / (1 + |x|). Example: softsign(-3) = -0.75. */
CORVAN_API float softsign(float x);
/* 1 / (1 + expf(-x)). Example: sigmoid(0) = 0.5; sigmoid(-100) = 0 exactly
 * (the exponential overflows). */
CORVAN_API float sigmoid(float x);

/* One dense layer: result[r] = act(bias[r] + sum_c matrix[r*cols + c] *
 * vector[c]) for r < rows, summed in single precision from the bias in
 * ascending c, then softsign and/or (then) sigmoid when the flags are
 * non-zero. matrix is rows x cols row-major; bias and result hold rows
 * floats. cols < 1 passes the (activated) bias; rows < 1 writes nothing.
 * Example: matrix {1,2,3,4,5,6}, vector {1,10,100}, bias {0.5,-0.5}, 2 rows,
 * 3 columns, no flags: result {321.5, 653.5}. */
CORVAN_API void matrix_vector_multiply(const float *matrix, const float *vector,
                                       const float *bias, float *result, int rows, int cols,
                                       int softsign_flag, int sigmoid_flag);

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

/* A weight set for input_size inputs and three layers of n units, with six
 * zero-filled arrays that the caller owns and releases with
 * FreeCorvanWeights. Returns the empty weight set when a size is < 1, when
 * n * input_size, n * n or the total 3n + n*input_size + 2n*n would exceed
 * 2147483647, or when an allocation fails (nothing stays allocated).
 * Example: SetupWeights(5, 8) has counts 5, 8, 8, 8, 40, 64, 64, 192;
 * SetupWeights(1, 32768) is empty. */
CORVAN_API NetWeights SetupWeights(int input_size, int n);

/* Fills the arrays of `weights` from a weight blob and returns `weights`.
 * A blob is total_count little-endian float32 values, w1 b1 w2 b2 w3 b3
 * back to back, no header; it may start at any address and is copied, not
 * read in place. No length is passed: a blob shorter than the record's
 * counts is the caller's error. On a NULL blob or a NULL array the call
 * consumes the weight set: it releases the arrays of `weights` and returns
 * the empty weight set, so callers always continue with the result.
 * Example: LoadWeights(SetupWeights(20, 64), corvanpep_model_64_bin).w1[0]
 * == -5.565178f. */
CORVAN_API NetWeights LoadWeights(NetWeights weights, const void *blob);

/* Fills the arrays of `weights` in place from a file holding exactly one
 * blob of 4 * total_count bytes (read whole, then copied). Returns 0, or -1
 * with the arrays unchanged for a NULL or empty path, a count below 1, a
 * NULL array, block counts that do not add up to total_count, a file that
 * cannot be opened or read, one that is not a regular file (a directory,
 * or a FIFO, refused without waiting for a writer), or one of another size.
 * Never releases the weight set. Example: into SetupWeights(5, 8) a 768-byte
 * file loads (0); 767 or 769 bytes give -1. */
CORVAN_API int LoadWeightsFromFile(NetWeights weights, const char *path);

/* Releases the six arrays (NULL ones skipped, so the empty weight set is
 * harmless). Release exactly one copy of a record, once. */
CORVAN_API void FreeCorvanWeights(NetWeights weights);

/* Runs the network on input[0..input_size-1] into output[0..output_size-1]
 * (softsign, softsign, sigmoid; outputs in [0, 1]). The weight set is only
 * read. Returns 0, or -1 with output untouched for a NULL pointer, a NULL
 * array in the weight set (the empty weight set included), a hidden layer
 * of fewer than one unit or a scratch allocation failure. Reentrant.
 * Example: a fresh SetupWeights(5, 8) gives 0.5 at all eight outputs. */
CORVAN_API int neural_net(const float *input, float *output, NetWeights weights);

/* ======================================================================
 * Embedded networks, mass features, custom-network runner
 * ====================================================================== */

/* Writes five floats: features[k] = mass / {1e6, 1e5, 1e4, 1e3, 100}[k],
 * divided in single precision and clamped to [0, 1] (a NaN quotient becomes
 * 1). No failure. Example: 500 -> {0.0005, 0.005, 0.05, 0.5, 1}; a negative
 * mass gives five zeros, NaN five ones. */
CORVAN_API void mass_to_vector(float mass, float *features);

/* Runs the network in the weight file `path` (input_len inputs, n units in
 * each layer; the file is exactly 4*(3n + n*input_len + 2n*n) bytes, read
 * on every call) on input[0..input_len-1], writes outputs 0..n-offset-1 to
 * out[offset..n-1] (full-length placement) and scales them to peak 1.
 * Returns the largest placed output, or -1: without touching `out` when
 * offset < 0, n < 1, input_len < 1, a pointer is NULL, offset >= n or the
 * path is empty; with `out` all zero when the file is missing, not a
 * regular file (a FIFO is refused without waiting for a writer),
 * unreadable or of the wrong size, when any network output is not finite
 * (finite weights that overflow), or memory runs out. Prints nothing.
 * Example: a file of 768 zero bytes, input_len 5, n 8, offset 3: returns
 * 0.5 with out = {0, 0, 0, 1, 1, 1, 1, 1}. */
CORVAN_API float corvan_model_to_dist_from_file(const float *input, int input_len, float *out,
                                                int n, int offset, const char *path);

/* The exported network blobs in the weight-blob layout above, with their
 * sizes in bytes. Writable: every network call copies its weights from the
 * blob afresh, so a host that overwrites one (between calls) changes later
 * results; a network call whose outputs are not all finite (weights that
 * overflow) returns -1 with `out` all zero. The library never reads the
 * _len values.
 * Example: LoadWeights(SetupWeights(5, 32), corvan_rnaveragine_model32_bin). */
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
 * Sequences: one-letter residues (ACDEFGHIKLMNPQRSTVWY); "[formula]" adds
 * the C/H/N/O/S atoms of a modification wherever it stands (brackets do not
 * nest; an unclosed "[" drops the rest of the text). Every character
 * outside brackets except "[" counts as a residue position, also the ones
 * that add nothing (B, J, O, U, X, Z, lower case, digits, a stray "]").
 * A formula is a run of terms: an upper-case letter, an optional
 * lower-case letter, an optional decimal count (none or 0 means 1).
 * Only C, H, N, O and S add atoms; other symbols (P, Cl, Se) are skipped
 * without a message. No pointer is checked by these functions.
 * ====================================================================== */

/* Residue index 0..19 in "ACDEFGHIKLMNPQRSTVWY", -1 otherwise.
 * Example: 'A' -> 0, 'Y' -> 19, 'B' and 'a' -> -1. */
CORVAN_API int aa_to_index(char c);
/* Residue count of a sequence. Example: "GA[C2H2O]G" -> 3, "A]A" -> 3. */
CORVAN_API int pep_seq_to_aacount(const char *seq);
/* Adds 1 to counts[k] (20 floats, not cleared first) for every residue
 * letter of index k outside brackets; returns the residue count.
 * Example: "GAG" adds 2 to counts[5] and 1 to counts[0], returns 3. */
CORVAN_API int pep_seq_to_nnvector(const char *seq, float *counts);
/* Adds the atoms of a modification formula (no brackets) to fftlist[5].
 * A term that does not start with an upper-case letter, or whose count or
 * resulting atom count would exceed 2147483647, prints
 * "Error while parsing modification formula:%s\n" (the whole formula) on
 * standard output, flushes it and ends the parse; earlier terms stay added.
 * Example: "CH3CH2" adds C2 H5; "H2 O" adds H2, then prints the message. */
CORVAN_API void add_mod_to_fftlist(const char *formula, int *fftlist);
/* Overwrites fftlist[5] with water plus every residue and formula; returns
 * the residue count. A formula longer than CORVAN_MODIFICATION_MAX_LENGTH
 * (99) characters is refused whole with the parse message above (its full
 * text); a formula that fails stops only itself. Counts saturate at 2147483647.
 * Example: "GAG" -> {7, 13, 3, 4, 0}, returns 3; "" -> {0, 2, 0, 1, 0}, 0. */
CORVAN_API int pep_seq_to_fftlist(const char *seq, int *fftlist);
/* Overwrites fftlist[5] with the averagine composition of `mass` (no
 * water): units = round(mass / massavgine), then round(avgine[k] * units),
 * halves away from zero. Masses below half a unit give all zeros; negative
 * masses give negative counts. A NaN or infinite mass, or one whose unit or
 * atom count would not fit in an int (above about 3e10 Da), also gives all
 * zeros. Example: 1000 -> {44, 70, 12, 13, 0}; 56 -> {5, 8, 1, 1, 0}. */
CORVAN_API void pep_mass_to_fftlist(float mass, int *fftlist);
/* Outputs of the peptide-mass network that nn_pep_mass_to_dist picks:
 * 8, 32, 64, 128 for mass < 1200, 11000, 55000, 120000 (strict, single
 * precision, no lower bound); -1 otherwise, NaN included.
 * Example: 1199.9 -> 8, 1200 -> 32, 120000 -> -1. */
CORVAN_API int nn_pep_mass_to_isolen(float mass);
/* Length used by fft_pep_mass_to_dist and brain_pep_mass_to_dist: 64 for
 * mass < 50000, 128 for < 120000, else 1024 (NaN too).
 * Example: 49999 -> 64, 50000 -> 128. */
CORVAN_API int fft_pep_mass_to_isolen(float mass);
/* A standalone rule that no distribution call uses: 16 up to 49 residues
 * (and the empty text), 64 up to 299, else 128.
 * Example: 49 residues -> 16, 50 -> 64, 300 -> 128. */
CORVAN_API int get_pep_isolen_from_seq(const char *seq);

/* ======================================================================
 * Peptide distributions (result frame above)
 * Each call checks the frame, zeroes `out`, then makes its own checks; every
 * failure after the zeroing returns -1 with `out` all zero. The FFT and
 * BRAIN calls use window placement and the engine peak, the nn calls window
 * placement and the array peak, the *_custom calls full-length placement
 * and the array peak (isolen = n).
 * Messages on standard output:
 *   "Sequence contains too many amino acids (>1000)."   (no line end)
 *   "Error: Mass outside of allowed NN mass range: %f\n"
 *   "Error: Could not allocate memory for formulalist\n"  (puts)
 * and the formula message of add_mod_to_fftlist, printed while the
 * composition is built (before the residue-limit message).
 * ====================================================================== */

/* Averagine composition of the mass at isolen fft_pep_mass_to_isolen(mass).
 * -1 for a negative, NaN or infinite mass and for masses beyond the int
 * range of the composition; 0 is accepted (the empty composition).
 * Example: mass 1000, n 64: returns ~0.5731, out[0] = 1, out[1] ~0.5327. */
CORVAN_API float fft_pep_mass_to_dist(float *out, int n, int offset, float mass);
/* Sequence composition (water plus residues and formulas); isolen 64 up to
 * 300 residues, 128 up to 1000; more: the residue message and -1. A NULL
 * sequence returns -1; the empty text is one water.
 * Example: "PEPTIDE[C2H2O]K", n 64: returns ~0.5864, out[1] ~0.5013. */
CORVAN_API float fft_pep_seq_to_dist(const char *seq, float *out, int n, int offset);
/* As fft_pep_mass_to_dist through the BRAIN engine; -1 also for mass <= 0
 * and when the engine fails. Example: mass 1000, n 64: returns ~0.5728. */
CORVAN_API float brain_pep_mass_to_dist(float *out, int n, int offset, float mass);
/* As fft_pep_seq_to_dist through the BRAIN engine, but -1 for a NULL or
 * empty sequence and for a text without residues ("[C2H2O]"); isolen 64 up
 * to 300 residues, 128 up to 1000, 1024 above (no limit, no message).
 * Example: "GAG", n 64: returns ~0.9070. */
CORVAN_API float brain_pep_seq_to_dist(const char *seq, float *out, int n, int offset);
/* The mass features of mass_to_vector through the network of
 * nn_pep_mass_to_isolen(mass); zero and negative masses take the 8-output
 * one. Mass >= 120000 or NaN: the range message (mass as %f) and -1.
 * Example: mass 1000, n 64: out[0..7] hold the scaled outputs. */
CORVAN_API float nn_pep_mass_to_dist(float *out, int n, int offset, float mass);
/* The residue count vector through the 16-output network (1..50 residues),
 * the 64-output one (51..300) or the 128-output one (none, or 301..1000);
 * more: the residue message and -1. A NULL sequence returns -1.
 * Example: "PEPTIDE", n 64, offset 0: out[0..15] filled, out[16..63] 0. */
CORVAN_API float nn_pep_seq_to_dist(const char *seq, float *out, int n, int offset);
/* The five mass features through the network in the weight file `path`
 * (5 inputs, n units per layer; no mass range check); result of
 * corvan_model_to_dist_from_file. Example: the bytes of the 8-output
 * averagine network as the file, n 8: the same as nn_pep_mass_to_dist. */
CORVAN_API float nn_pep_mass_to_dist_custom(float *out, int n, int offset, const char *path,
                                            float mass);
/* The residue count vector (any length) through the network in the weight
 * file (20 inputs, n units per layer); -1 for a NULL or empty sequence.
 * Example: with the bytes of corvanpep_model_64_bin as the file, n 64 and
 * offset 0, equal to nn_pep_seq_to_dist for 51..300 residues. */
CORVAN_API float nn_pep_seq_to_dist_custom(const char *seq, float *out, int n, int offset,
                                           const char *path);

/* ======================================================================
 * Parametric peptide model
 * height(i) = alpha e^(-beta i) + (1 - alpha) N(i; mid, sigma), with
 *   alpha = p0 e^(-p1 m), beta = p2 e^(-p3 m),
 *   mid = p4 + p5 m^p6, sigma = p7 + p8 m^p9   (single precision).
 * ====================================================================== */

/* Ten writable model constants: alpha (2), beta (2), mid (3), sigma (3). */
CORVAN_API extern float isoparams[10];
/* The four parameters from any table laid out as isoparams; no checks.
 * Example (isoparams, 1000): alpha ~0.2880, beta ~1.046, mid ~0.2013,
 * sigma ~1.022. */
CORVAN_API float isotopealpha(const float *params, float mass);
CORVAN_API float isotopebeta(const float *params, float mass);
CORVAN_API float isotopemid(const float *params, float mass);
CORVAN_API float isotopesig(const float *params, float mass);
/* Raw model heights of peaks 0 .. n-offset-1 into out[offset..n-1]
 * (full-length placement, NOT scaled); returns the largest height.
 * -1 after the frame check; -1 with `out` zeroed for a negative, NaN or
 * infinite mass or one so large (about 4e36 Da) that the Gaussian's width
 * overflows, and with "Error: Sigma isotope parameter must be
 * positive\n" (standard output) when sigma <= 0.
 * Example: mass 1000, n 8: returns ~0.5605 = out[0], out[1] ~0.3060. */
CORVAN_API float pep_mass_to_dist_fitting(float *out, int n, int offset, float mass);

/* ======================================================================
 * RNA encodings and length rules
 * Sequences: bytes 'A', 'C', 'G', 'U'; every other byte (lower case, 'T')
 * prints one line on standard output and is skipped, yet counts in the
 * length. Mass: the rnaveragine unit C9.5 H10.75 N3.75 O7 of 320.2838 Da.
 * ====================================================================== */

/* 0..3 for 'A', 'C', 'G', 'U'; -1 otherwise. Example: 'a' and 'T' -> -1. */
CORVAN_API int nt_to_index(int c);
/* Adds the nucleotide counts to counts[4] (not cleared); prints
 * "Unexpected nucleotide in sequence: %c\n" per other byte; returns the
 * length in bytes. No pointer is checked. Example: "ACGT" -> 4, counts
 * +1 +1 +1 +0, one message for 'T'. */
CORVAN_API int rna_seq_to_vector(const char *seq, float *counts);
/* Overwrites fftlist[5] with the sum of the nucleotide rows (no chain-end
 * atoms); prints "Unexpected nucleotide in sequence:%c\n" per other byte;
 * returns the length in bytes, or -1 (nothing written) for a NULL argument.
 * Example: "ACGU" -> {38, 43, 15, 28, 0}, returns 4. */
CORVAN_API int rna_seq_to_fftlist(const char *seq, int *fftlist);
/* Overwrites fftlist[5] with the rnaveragine composition: u = float((mass +
 * 95.9534) / 320.2838), counts round(9.5u), round(10.75u), round(3.75u),
 * round(7u) - 4, 0 (halves away from zero). Below about 64.19 Da the
 * oxygen count is negative. A NaN or infinite mass, or one whose counts
 * would not fit in an int (beyond about 6.4e10 Da), gives all zeros.
 * Example: 10000 -> {299, 339, 118, 217, 0}; 0 -> {3, 3, 1, -2, 0}. */
CORVAN_API void rna_mass_to_list(float mass, int *fftlist);
/* 64 for mass < 65000, 128 for < 165000, else 1024 (NaN too). */
CORVAN_API int fft_rna_mass_to_isolen(float mass);
/* 64 for length < 200 (negative too), 128 up to 500, else 1024. */
CORVAN_API int fft_rna_len_to_isolen(int length);
/* 32 for mass < 24000 (no lower bound), 64 for < 65000, 128 for < 165000,
 * else -1 (NaN too). Example: 24000 -> 64, 165000 -> -1. */
CORVAN_API int nn_rna_mass_to_isolen(float mass);

/* ======================================================================
 * RNA distributions (result frame above)
 * FFT calls: shifted placement (as much of the result as fits after the
 * offset), engine peak. BRAIN calls: window placement, engine peak. nn
 * calls: window placement, array peak. *_custom: full-length placement,
 * array peak, isolen = n. The length rules are the three above; the nn
 * sequence call takes 64 outputs up to 200 bytes and 128 up to 500.
 * Messages on standard output, besides the per-byte ones of the encoders:
 *   "Error: Mass outside of allowed NN mass range: %f\n"
 *   "Error: Sequence length outside of allowed NN range: %i\n"
 *   "Error: Could not allocate memory for formulalist\n"  (puts)
 * ====================================================================== */

/* -1 for a NaN or infinite mass or one beyond the int range of the
 * composition; small and negative masses pass their negative oxygen count
 * to the FFT engine, which divides that element out (for large negative
 * masses the heights and the result may then be NaN). Example: mass 10000, n 64: returns ~0.1734,
 * out[0] ~0.0853. */
CORVAN_API float fft_rna_mass_to_dist(float *out, int n, int offset, float mass);
/* -1 for a NULL sequence; the empty text is the empty composition.
 * Example: "ACGU", n 64: returns ~0.5848, out[0] = 1, out[1] ~0.4814;
 * n 100, offset 10: out[10..73] hold points 0..63. */
CORVAN_API float fft_rna_seq_to_dist(const char *seq, float *out, int n, int offset);
/* -1 for mass <= 0, NaN or infinite, and below about 64.19 Da (negative
 * oxygen). Example: mass 10000, n 64: returns ~0.1733. */
CORVAN_API float brain_rna_mass_to_dist(float *out, int n, int offset, float mass);
/* -1 for a NULL or empty sequence. Example: "ACGU", n 64: returns ~0.5844;
 * n 100, offset 10: out[10..63] hold points 0..53. */
CORVAN_API float brain_rna_seq_to_dist(const char *seq, float *out, int n, int offset);
/* Mass features through the network of nn_rna_mass_to_isolen(mass);
 * otherwise the range message and -1. Example: mass -5 takes the
 * 32-output network; 165000 prints "...range: 165000.000000". */
CORVAN_API float nn_rna_mass_to_dist(float *out, int n, int offset, float mass);
/* Nucleotide counts (invalid bytes reported first) through the 64- or
 * 128-output network by length; -1 for a NULL or empty sequence, and
 * after the length message for more than 500 bytes. */
CORVAN_API float nn_rna_seq_to_dist(const char *seq, float *out, int n, int offset);
/* Mass features through the network in the weight file (5 inputs, n units
 * per layer), no range check. Example: the bytes of
 * corvan_rnaveragine_model32_bin, n 32: equal to nn_rna_mass_to_dist below
 * 24000 Da. */
CORVAN_API float nn_rna_mass_to_dist_custom(float *out, int n, int offset, const char *path,
                                            float mass);
/* Nucleotide counts of a sequence of any length through the network in the
 * weight file (4 inputs, n units per layer); -1 for a NULL or empty one. */
CORVAN_API float nn_rna_seq_to_dist_custom(const char *seq, float *out, int n, int offset,
                                           const char *path);

/* ======================================================================
 * Message handlers
 * The calls above and below that print a message (the texts given with
 * each call) hand it to the calling thread's handler when that thread has
 * installed one, and print nothing then. Without a handler they print as
 * documented. A handler belongs to the thread that installed it: other
 * threads, and the process's streams and file descriptors, are untouched,
 * so a host or a language binding can collect the messages of its own
 * calls while other threads print or run calls of their own.
 * ====================================================================== */

/* Receives one message: `text` is exactly what would have been printed
 * (usually one line with its newline; "Sequence contains too many amino
 * acids (>1000)." has none), valid during the call only; `stream` is 1 for
 * standard output, 2 for standard error. `context` is the pointer given to
 * corvan_set_message_handler. The handler runs on the calling thread, inside
 * the library call; it must not call the library. A message that cannot be
 * formatted whole for lack of memory arrives cut to 255 bytes. */
typedef void (*corvan_message_handler)(const char *text, int stream, void *context);

/* Installs `handler` with `context` for the calling thread; NULL restores
 * printing. Returns 0 (no failure). Nothing is printed; other threads are
 * not affected. Threads start without a handler.
 * Example:
 *   static void keep(const char *text, int stream, void *lines) { ... }
 *   corvan_set_message_handler(keep, &lines);
 *   nn_pep_mass_to_dist(out, 64, 0, 150000.0f);  (-1; keep() receives
 *       "Error: Mass outside of allowed NN mass range: 150000.000000\n", 1)
 *   corvan_set_message_handler(NULL, NULL); */
CORVAN_API int corvan_set_message_handler(corvan_message_handler handler, void *context);

/* Writes the calling thread's handler and context (NULL and NULL when it has
 * none) to *handler and *context, so that a caller can restore them after
 * installing its own. Returns 0, or -1 when either pointer is NULL (nothing
 * written). Example: corvan_get_message_handler(&saved, &saved_context). */
CORVAN_API int corvan_get_message_handler(corvan_message_handler *handler, void **context);

/* ======================================================================
 * Mass/sequence list files and batch run
 * One entry per line: a number as strtod reads it (hex, inf and nan
 * included), optional white space, then a sequence token up to the next
 * space, tab, CR or LF; the rest of the line is ignored. Blank lines,
 * lines whose first non-blank byte is '#', and lines without a number or
 * without a token are skipped silently. Lines of any length are read
 * whole (a byte 0 ends the line's text).
 * ====================================================================== */

typedef struct protein_entry {
    double mass;
    char *sequence;
} protein_entry;

/* entries has room for capacity (10 * 2^k) entries, count are valid. */
typedef struct protein_list {
    protein_entry *entries;
    uint64_t count;
    uint64_t capacity;
} protein_list;

/* Reads a list file. Messages (standard error): "Error opening file!\n"
 * (also for NULL) and "Memory allocation failed!\n" return the all-zero
 * list; "Reallocation failed!\n" and "String allocation failed!\n" stop
 * reading and return what was read. A file without entries gives count 0,
 * capacity 10 and an allocated array. Release with free_protein_list.
 * Example: "1500.5PEPTIDE\n" -> one entry {1500.5, "PEPTIDE"}. */
CORVAN_API protein_list read_masses_seqs_file(const char *path);
/* Frees every sequence and the array and zeroes the list; harmless on a
 * zeroed list (so calling it twice is fine) and on NULL. */
CORVAN_API void free_protein_list(protein_list *list);
/* Reads the list and, for each entry, calls nn_pep_mass_to_dist,
 * fft_pep_mass_to_dist, nn_pep_mass_to_dist, fft_pep_seq_to_dist and
 * nn_pep_seq_to_dist into a scratch array of 64 floats (offset 0); results
 * are discarded, only their messages appear. The mass is rounded to float;
 * beyond the float range it becomes an infinity of its sign. Prints
 * "Error allocating memory for isodist\n" (standard error) and stops if
 * the scratch array cannot be allocated.
 * Example: an entry of mass 150000 prints the NN range message twice. */
CORVAN_API void run_file(const char *path);

/* ======================================================================
 * Molecules, ions and isotope labels
 *
 * A second interface beside the calls above, in the style of a modern C
 * library: every name starts with corvan_, results come through opaque
 * handles (each with its free function) or caller-owned buffers, every call
 * returns a corvan_status, and nothing is printed. There is no global
 * mutable state: labels, charge and limits travel in a corvan_options the
 * caller owns, so any number of threads may call at once (a handle may be
 * read by several threads, but not freed or changed while another uses it).
 *
 * Peaks: point k of a distribution holds every isotopic composition with k
 * extra neutrons above the monoisotopic one, whatever the grid; k is
 * reported with each point. The monoisotopic composition follows IUPAC's
 * convention, which mass spectrometry software shares: every atom is its
 * element's most abundant isotope at the abundances the call uses (natural,
 * or as labelled: with 15N at 0.98, 15N is nitrogen's), and atoms written as
 * one isotope keep it. For C, H, N, O, S and P that is the lightest isotope;
 * for B (11B), Fe (56Fe), Se (80Se), Sn (120Sn), Hg (202Hg) and many more it
 * is not, so points lighter than M exist: their k is negative (M-2 has
 * k = -2). The library chooses the grid so that nothing wraps around.
 *
 * Labels (corvan_options_set_label) describe the sample's molecule: they
 * apply to its atoms of natural abundance only. An adduct's atoms come from
 * the solvent and keep natural abundance (or their fixed isotopes); an
 * adduct lost ([M-H]-) leaves from the molecule's own atoms.
 *
 * Numbers read and written as text (labels, counts of formulas) are the
 * same in every locale: the library never consults LC_NUMERIC.
 *
 * Masses are in daltons (unified atomic mass units) from the isotope table
 * above; the electron mass is CODATA 2018's, CORVAN_ELECTRON_MASS.
 * ====================================================================== */

#define CORVAN_VERSION_MAJOR 0
#define CORVAN_VERSION_MINOR 2
#define CORVAN_VERSION_PATCH 0
#define CORVAN_VERSION_NUMBER \
    (CORVAN_VERSION_MAJOR * 10000 + CORVAN_VERSION_MINOR * 100 + CORVAN_VERSION_PATCH)
#define CORVAN_VERSION_STRING "0.2.0"

/* Electron rest mass in u (CODATA 2018). */
#define CORVAN_ELECTRON_MASS 5.48579909065e-4
/* Shares (fractions of the whole distribution) below this are round-off of
 * the engine, not signal: such points are reported as exactly 0. */
#define CORVAN_ACCURACY 1e-12
/* The most points one distribution may span. */
#define CORVAN_MAX_POINTS 1048576
/* The longest text (formula, sequence, adduct, label) the parsers take. */
#define CORVAN_MAX_TEXT 1000000
/* Size of corvan_error.message, with its terminating NUL. */
#define CORVAN_MESSAGE_SIZE 256

/* The library's version number as CORVAN_VERSION_NUMBER computes it (it may
 * differ from the header's when a newer library is loaded).
 * Example: corvan_version_number() == 200 for 0.2.0. */
CORVAN_API unsigned corvan_version_number(void);
/* The library's version as text. Example: "0.2.0". */
CORVAN_API const char *corvan_version_string(void);

/* Result of every corvan_ call that can fail. */
typedef enum corvan_status {
    CORVAN_OK = 0,
    CORVAN_E_ARGUMENT = 1,    /* a NULL pointer, unknown kind or option out of range */
    CORVAN_E_SYNTAX = 2,      /* text that does not parse (empty, unclosed bracket...) */
    CORVAN_E_UNKNOWN = 3,     /* an unknown element, isotope, residue or name */
    CORVAN_E_RANGE = 4,       /* a count or mass out of range, an element total below 0 */
    CORVAN_E_CHARGE = 5,      /* a charge the adduct cannot make */
    CORVAN_E_LABEL = 6,       /* labels whose fractions cannot be met */
    CORVAN_E_TOO_WIDE = 7,    /* the distribution would span over CORVAN_MAX_POINTS */
    CORVAN_E_MEMORY = 8,      /* an allocation failed */
    CORVAN_E_UNSUPPORTED = 9, /* valid input that this call cannot represent */
    CORVAN_E_INTERNAL = 10    /* a fault of the library itself; the message says which */
} corvan_status;

/* A short English name of a status; "unknown status" for other values.
 * Example: corvan_status_name(CORVAN_E_SYNTAX) is "syntax error". */
CORVAN_API const char *corvan_status_name(int status);

/* What went wrong, filled by the call that failed when the caller passes
 * one (every `error` argument may be NULL). `position` is the byte offset in
 * the text argument where the fault lies, or -1; `message` says what and
 * where in one line, such as
 * "unknown element 'Xx' at position 3 of the formula 'C6XxO'". On success
 * the call sets status CORVAN_OK, position -1 and an empty message. */
typedef struct corvan_error {
    int status;
    long position;
    char message[CORVAN_MESSAGE_SIZE];
} corvan_error;

/* What a text or a mass describes. */
typedef enum corvan_kind {
    CORVAN_KIND_FORMULA = 1, /* elemental formula */
    CORVAN_KIND_PEPTIDE = 2, /* ProForma peptide; by mass: averagine units */
    CORVAN_KIND_RNA = 3,     /* RNA chain; by mass: average ribonucleotide units */
    CORVAN_KIND_DNA = 4      /* DNA chain; by mass: average deoxyribonucleotide units */
} corvan_kind;

/* ---------------------------------------------------------------------- */
/* Molecules                                                               */

typedef struct corvan_molecule corvan_molecule;

/* Parses `text` of the given kind into a new molecule (*molecule, free it
 * with corvan_molecule_free). Every kind is read strictly: text that is not
 * understood is refused with the byte offset of the fault in
 * error->position (the text's length when a part is missing at its end),
 * never guessed.
 *
 * CORVAN_KIND_FORMULA: element symbols of element_names,
 * each with an optional count that may be negative ("H-1"), in any order,
 * repeated symbols adding up, spaces between terms allowed; an atom of one
 * isotope is written in brackets with its mass number before the symbol
 * and its count inside ("[13C6]H12O6", "C2[2H3]H3O"). Every element's total
 * (over all its isotopes) must be >= 0, and the molecule must not be empty.
 * Counts are at most 10^9 per term; they may be decimal ("C4.9384"), as
 * corvan_molecule_formula writes molecules by mass. Groups in parentheses
 * take a count and nest ("Ca(OH)2", "K4(Fe(CN)6)", "CuSO4(H2O)5"); a
 * hydrate or adduct part follows '.', '*' or a middle dot with an optional
 * count ("C6H12O6.H2O", "CuSO4*5H2O"; "CuSO4.5H2O" is read as a decimal
 * count, O4.5, so write '*' when the part has a count). D and T are 2H and
 * 3H, atoms fixed to that isotope ("CD3OD" is C[2H4]O, "T2O" is [3H2]O,
 * "[3H]" may be written too). 3H (3.0160492779 u) has no natural abundance
 * and no row in the exported isotope tables: it enters molecules only as
 * written, and the monoisotopic composition keeps it ("C2H5T": 12C2, 1H5
 * and one 3H, 32.055174439 u; the lightest composition given the fixed T).
 * A fault is reported at its byte: "unclosed parenthesis", "')' without
 * '('", "empty parentheses".
 *
 * CORVAN_KIND_PEPTIDE: a peptide in ProForma 2.0 notation (HUPO-PSI):
 * every construct whose atoms are known. The molecule is the residues,
 * their modifications, one water per chain and the terminal modifications:
 *   - residues: the 20 standard one-letter codes, U (selenocysteine) and
 *     O (pyrrolysine), in upper case;
 *   - a modification in brackets after its residue, by Unimod name
 *     ("M[Oxidation]", "S[Phospho]", "K[Label:13C(6)15N(2)]"; case does
 *     not matter; "[U:Oxidation]" too), by Unimod accession
 *     ("M[UNIMOD:35]"), by PSI-MOD accession or name ("S[MOD:00046]",
 *     "S[M:O-phospho-L-serine]"; a bare name Unimod lacks is looked up in
 *     PSI-MOD), by RESID accession through the PSI-MOD term that cites it
 *     ("S[RESID:AA0037]", "S[R:AA0037]"), by XL-MOD accession or name
 *     ("K[XLMOD:02001]", "K[X:DSS]"; the terms whose composition Unimod
 *     gives), by glycan composition ("N[Glycan:HexNAc2Hex5]"; Hex, HexNAc,
 *     HexN, HexS, HexP, HexNAcS, HexNS, dHex, Fuc, aHex, HexA, en,aHex,
 *     NeuAc, NeuGc, Neu, Kdn, Kdo, Sug to Dec, Sulfate, Phosphate, or
 *     "{formula}"), or by formula ("S[Formula:HPO3]", isotopes allowed:
 *     "[Formula:[13C2]H2O]", negative counts: "[Formula:H-1N-1O]"); a bare
 *     elemental formula ("PEPTIDE[C2H2O]K"), as the fixed peptide calls
 *     write it, is that formula over every element. The Unimod, PSI-MOD and
 *     XL-MOD tables are built into the library;
 *   - alternatives "[Phospho|+79.966331]": the first part with a
 *     composition gives the atoms; "INFO:" and "Obs:" parts are comments;
 *   - N- and C-terminal modifications: "[Acetyl]-PEPTIDE",
 *     "PEPTIDE-[Amidated]";
 *   - modifications of unknown position before the sequence, with counts:
 *     "[Phospho]?PEPTIDE", "[Oxidation]^2[Acetyl]?PEPTIDE"; labile ones:
 *     "{Glycan:Hex}PEPTIDE"; ranges "PRT(ESFRMS)[Oxidation]ISK"; residues
 *     of unknown order "(?DQ)NGTWEK"; localisation groups
 *     "T[#g1(0.1)]S[Phospho#g1(0.9)]": all add their atoms once (a label's
 *     modification counts once however many sites name it);
 *   - cross-links and chains: "K[XLMOD:02001#XL1]PEPTIDE//K[#XL1]AAA" is
 *     one molecule, both chains (each with its water) and the linker once;
 *     "C[MOD:00034#XL1]AAC[#XL1]" a disulfide; "#BRANCH" likewise;
 *   - fixed modifications before the sequence, on every listed residue and
 *     terminus of every chain, in addition to any written on the residue
 *     itself: "<[Carbamidomethyl]@C>", "<[TMT6plex]@K,N-term>",
 *     "<[Amidated]@C-term:G>";
 *   - global isotope labels before the sequence: "<15N>", "<13C>", "<D>",
 *     "<T>" (or "<2H>", "<18O>"...): every atom of that element that is not
 *     already written as an isotope becomes an atom of that isotope (a
 *     fixed isotope, not an enrichment; see corvan_options_set_label for
 *     partial enrichment);
 *   - names "(>name)", "(>>name)", "(>>>name)" are kept in the text only;
 *   - a charge suffix "/2", "/+2", "/-1": the molecule carries that charge
 *     (protons gained or lost) into corvan_distribution_compute; adduct
 *     ions "/1[+2Na+,-H+]" or "/[Na:z+1^2,H:z+1]" carry it instead (their
 *     charges must add up to a written one), when the options give charge
 *     0 or the same one.
 * A text of several peptidoforms joined by '+' (a chimera) is read with
 * corvan_peptidoform_count and corvan_peptidoform_parse; here it is
 * refused (CORVAN_E_UNSUPPORTED, position: the '+').
 * Refused, with CORVAN_E_UNSUPPORTED unless said otherwise: modifications
 * given only by a mass ("[+79.966]", "[U:+15.995]", "[M:+15.995]",
 * "[Obs:+79.978]"; the message lists the Unimod entries within 0.01 Da, so
 * that one can be written instead), ontology terms without a composition
 * (the message says so; XL-MOD gives its mass), GNOme glycans "[G:...]",
 * "[GNO:...]", charged formulas "[Formula:Zn:z+2]", electrons as adduct
 * ions, ambiguous residues B J X Z, a bare bracket that is both a Unimod
 * name and a formula ("[NBS]": write [U:NBS] or [Formula:NBS]); a negative
 * count of an isotope in a formula removes natural atoms only when it
 * names the element's most abundant isotope ("[13C2][12C-2]" makes two
 * carbons 13C); CORVAN_E_UNKNOWN for an unknown name, accession,
 * monosaccharide, element or isotope; CORVAN_E_SYNTAX for lower-case
 * residues, unclosed brackets, a label no bracket defines ("[#g1]" alone),
 * a range without its modification and other malformed text;
 * CORVAN_E_CHARGE when adduct ions do not add up to the written charge;
 * CORVAN_E_RANGE when an element totals below zero or |charge| > 1000.
 *
 * CORVAN_KIND_RNA and CORVAN_KIND_DNA: a linear chain of nucleotides
 * joined 3'-5' by phosphodiester bonds, 5'-OH and 3'-OH by default, so that
 * n nucleosides give their sum plus (n-1) HPO3 less (n-1) H2O. Letters A, C,
 * G, U (RNA: ribonucleosides) or A, C, G, T (DNA: 2'-deoxynucleosides), in
 * upper case; modified nucleosides in brackets: RNA, every modified
 * ribonucleoside of Modomics by short name or code ([m1A] or [1A], [t6A],
 * [m7G], [s2U], [Y] or [Psi] for pseudouridine, [m1Psi], [D], [I], ...;
 * N7-methylguanosines count as the neutral residue, guanosine plus CH2 per
 * methyl); DNA [m5C] [hm5C] [m6A] [oxo8G] [U] [I]. Ends, written in the text: "p-", "pp-" or
 * "ppp-" before the sequence for a 5'-mono-, di- or triphosphate; "-p"
 * after it for a 3'-phosphate, or ">p" (RNA only) for a 2',3'-cyclic
 * phosphate. CORVAN_E_UNKNOWN for a letter or name of the other kind or
 * none ("T" in RNA), CORVAN_E_UNSUPPORTED for ">p" on DNA,
 * CORVAN_E_SYNTAX otherwise.
 *
 * Every kind: a molecule with a negative count of any isotope ("C2[13C-2]",
 * "PEPT[Formula:[13C-2]]IDE") or of an element's atoms of natural abundance
 * ("[13C6]C-1H12") is refused with CORVAN_E_RANGE, naming the atoms (and,
 * for formulas, their position).
 *
 * Returns CORVAN_OK, or CORVAN_E_ARGUMENT (NULL text or molecule, unknown
 * kind), CORVAN_E_SYNTAX, CORVAN_E_UNKNOWN, CORVAN_E_RANGE, CORVAN_E_MEMORY,
 * CORVAN_E_UNSUPPORTED; then *molecule is NULL.
 * Examples: corvan_molecule_parse(CORVAN_KIND_FORMULA, "[13C6]H12O6", &m, &e)
 * returns CORVAN_OK; "C6H12Q6" returns CORVAN_E_UNKNOWN with e.position 5.
 * (CORVAN_KIND_PEPTIDE, "EM[Oxidation]EVEES[Phospho]PEK/2") is
 * C49H80N11O26PS with charge 2; "PEPS[+79.966]TIDE" returns
 * CORVAN_E_UNSUPPORTED, e.position 5, and names [Phospho] and [Sulfo].
 * (CORVAN_KIND_RNA, "ACGUACGU") is C76H95N30O54P7 (2508.377 Da);
 * "ppp-ACGU" is C38H51N15O35P6. */
CORVAN_API int corvan_molecule_parse(int kind, const char *text, corvan_molecule **molecule,
                                     corvan_error *error);

/* A molecule known only by its average mass in Da: the kind's averaging
 * unit scaled continuously (fractional atom counts), so that nearby masses
 * give nearby patterns. Units: peptide C4.9384 H7.7583 N1.3577 O1.4773
 * S0.0417 (111.1236 Da); RNA C9.5 H11.75 N3.75 O7 P (320.2 Da); DNA C9.75
 * H12.25 N3.75 O6 P (308.2 Da). A fractional count n + f of an element is
 * computed as n atoms and one more with probability f, so that the
 * pattern's shares are >= 0 and sum to 1 at every mass.
 * Returns CORVAN_OK, CORVAN_E_ARGUMENT (NULL molecule, kind FORMULA or
 * unknown), CORVAN_E_RANGE (mass not finite, below one unit of the kind or
 * above 10^9 Da) or CORVAN_E_MEMORY; then *molecule is NULL.
 * Example: CORVAN_KIND_PEPTIDE, 1450.0 gives a molecule whose average mass
 * is 1450.0 (within 1e-9) and whose pattern lies between those of 1400 and
 * 1500 Da. */
CORVAN_API int corvan_molecule_from_mass(int kind, double mass, corvan_molecule **molecule,
                                         corvan_error *error);

/* The charge the molecule's text gave ("PEPTIDE/2": 2), into *charge; 0
 * when it gave none (formulas, nucleic acids, molecules by mass).
 * Returns CORVAN_OK or CORVAN_E_ARGUMENT (a NULL argument).
 * Example: after parsing "PEPTIDE/-1", *charge is -1. */
CORVAN_API int corvan_molecule_charge(const corvan_molecule *molecule, int *charge);

/* Frees a molecule; NULL is fine. Example: corvan_molecule_free(m). */
CORVAN_API void corvan_molecule_free(corvan_molecule *molecule);

/* One entry of a molecule's atom list: an element symbol ("C") for atoms of
 * natural (or labelled) abundance, or mass number and symbol ("13C") for
 * atoms of one isotope, with its count (fractional for molecules by mass). */
typedef struct corvan_atom_count {
    char symbol[8];
    double count;
} corvan_atom_count;

/* Writes the molecule's atoms in Hill order (C, H, then alphabetical; each
 * element's fixed isotopes after it by mass number) into atoms[0..capacity-1]
 * and their number into *count. With too small a capacity (0 and NULL atoms
 * are fine) it writes nothing, sets *count and returns CORVAN_E_RANGE.
 * Returns CORVAN_E_ARGUMENT for a NULL molecule or count.
 * Example: "[13C6]H12O6" gives {"13C", 6}, {"H", 12}, {"O", 6}. */
CORVAN_API int corvan_molecule_atoms(const corvan_molecule *molecule, corvan_atom_count *atoms,
                                     size_t capacity, size_t *count);

/* Writes the molecule's formula in Hill order as text that
 * corvan_molecule_parse (CORVAN_KIND_FORMULA) reads back to the same
 * molecule ("C6H12O6", "[13C6]H12O6"; counts of molecules by mass as the
 * shortest decimals that read back to the same numbers) into
 * buffer[0..size-1] with its NUL, and its length without NUL into *length
 * (may be NULL). Too small a buffer: returns CORVAN_E_RANGE, *length set,
 * buffer untouched. Example: "H2O" -> buffer "H2O", *length 3. */
CORVAN_API int corvan_molecule_formula(const corvan_molecule *molecule, char *buffer,
                                       size_t size, size_t *length);

/* The nominal mass: the sum of the mass numbers of the monoisotopic
 * composition (every atom of natural abundance its element's most abundant
 * isotope, atoms written as one isotope their own), into *nominal. Labels
 * are options of a computation, not of the molecule, and do not count.
 * Returns CORVAN_OK, CORVAN_E_ARGUMENT (a NULL argument) or
 * CORVAN_E_UNSUPPORTED (fractional counts, as of a molecule by mass; an
 * element without a natural composition; a sum beyond 10^15), then
 * *nominal is untouched.
 * Example: "C6H12O6" gives 180; "[13C6]H12O6" 186; "SnCl2" 190 (120Sn, 35Cl). */
CORVAN_API int corvan_molecule_nominal_mass(const corvan_molecule *molecule, long long *nominal);

/* Checks a sequence in the notation of the fixed calls above (the
 * *_pep_seq_* and *_rna_seq_* functions) before a program passes it to
 * them: those calls skip letters they do not know and drop a modification
 * they cannot add, so a text they would only partly apply is refused here.
 * Peptides: the letters ACDEFGHIKLMNPQRSTVWY and modifications in brackets
 * of C, H, N, O and S with optional counts (at most
 * CORVAN_MODIFICATION_MAX_LENGTH, 99, characters), at
 * least one residue, element totals within an int; RNA: the letters A, C,
 * G and U, at least one. Returns CORVAN_OK, CORVAN_E_SYNTAX (position: the
 * offending byte or bracket), CORVAN_E_RANGE (a composition beyond the
 * int counts) or CORVAN_E_ARGUMENT (NULL text, another kind).
 * Example: (CORVAN_KIND_PEPTIDE, "PEPTIDEX", &e) returns CORVAN_E_SYNTAX,
 * e.position 7, message "unexpected character 'X' at position 8 (...)". */
CORVAN_API int corvan_check_fixed_sequence(int kind, const char *text, corvan_error *error);

/* ---------------------------------------------------------------------- */
/* Options: charge, adduct, labels, limits                                 */

typedef struct corvan_options corvan_options;

/* New options: neutral, natural abundances, every point kept. NULL when
 * memory runs out. Free with corvan_options_free.
 * Example: corvan_options *o = corvan_options_create(); */
CORVAN_API corvan_options *corvan_options_create(void);
/* Frees options; NULL is fine. Example: corvan_options_free(o). */
CORVAN_API void corvan_options_free(corvan_options *options);

/* Makes the result an ion of charge `charge` (0: neutral molecule) carried
 * by `adduct`: NULL or "" for protons (for a negative charge: loss of
 * protons), or a carrier written as a formula with its charge: "H+", "Na+",
 * "K+", "NH4+", "Li+", "Cl-", "HCOO-", or FORMULA:z+N / FORMULA:z-N for any
 * formula ("Fe:z+2", "Ca:z+2"). The ion is the molecule plus charge/q
 * carriers of charge q (a negative number removes them: H+ at charge -2
 * removes two protons); charge/q must be a whole number. A whole ion may
 * be written instead: "[M+H+Na]2+", "[M-4H+Na]3-", "[M+2H]2+",
 * "[M-H2O+H]+" (an in-source loss), "[M]+." (a radical cation, one
 * electron less): the terms after M are added or removed once, each with
 * an optional count and any formula, and the charge after ']' is the
 * ion's; `charge` must be that charge or 0 (which takes it). Faults in
 * such an ion are reported at their byte ("several molecules in one ion
 * ('2M')" is CORVAN_E_UNSUPPORTED). Its mass counts
 * the electrons: m/z = (atoms' mass - charge * CORVAN_ELECTRON_MASS) / |charge|.
 * The carriers' atoms keep natural abundance: the options' labels do not
 * apply to them. An adduct named with charge 0 is kept for the rows of
 * corvan_many_* calls that give their own charges; any other computation
 * with such options fails with CORVAN_E_CHARGE rather than drop it.
 * Returns CORVAN_OK, CORVAN_E_ARGUMENT (NULL options), CORVAN_E_SYNTAX or
 * CORVAN_E_UNKNOWN (adduct text), CORVAN_E_CHARGE (a neutral carrier, or a
 * charge that is no multiple of the carrier's), CORVAN_E_RANGE (|charge| >
 * 1000); on failure the options keep their previous charge.
 * Example: (o, 2, NULL) makes [M+2H]2+; (o, 1, "Na+") makes [M+Na]+;
 * (o, -1, NULL) makes [M-H]-. */
CORVAN_API int corvan_options_set_charge(corvan_options *options, int charge, const char *adduct,
                                         corvan_error *error);

/* Enriches one isotope: `isotope` is mass number and symbol ("15N", "13C",
 * "2H"; "D" for 2H), `fraction` its share of that element's natural atoms in
 * [0, 1]. The element's other isotopes share the rest in their natural
 * proportions; several labels of one element are met together (their sum
 * must not exceed 1). A second label of the same isotope is refused
 * (CORVAN_E_LABEL). Atoms written as one isotope ("[13C6]") and an adduct's
 * atoms are not affected; a label of an element the molecule has no atoms
 * of natural abundance of fails the computation (CORVAN_E_LABEL).
 * Returns CORVAN_OK, CORVAN_E_ARGUMENT (NULL), CORVAN_E_SYNTAX or
 * CORVAN_E_UNKNOWN (isotope text or an isotope not in the table),
 * CORVAN_E_LABEL (fraction outside [0, 1], not finite, or a sum above 1,
 * an element of one isotope, an isotope labelled before), CORVAN_E_MEMORY.
 * Example: (o, "15N", 0.98): nitrogen becomes 2% 14N, 98% 15N. */
CORVAN_API int corvan_options_set_label(corvan_options *options, const char *isotope,
                                        double fraction, corvan_error *error);

/* corvan_options_set_label from one text "ISOTOPE=FRACTION", as a command
 * line takes it ("15N=0.98"). Same results, CORVAN_E_SYNTAX when there is
 * no '=' or the fraction is no plain decimal (with a '.', in any locale).
 * Example: (o, "13C=0.99"). */
CORVAN_API int corvan_options_parse_label(corvan_options *options, const char *text,
                                          corvan_error *error);

/* Limits on the points reported: at most `max_points` points (the most
 * abundant ones, reported in order of k; 0: no cap) and none whose height
 * relative to the highest point is below `min_intensity` (0: keep every
 * point above CORVAN_ACCURACY). Returns CORVAN_OK, or CORVAN_E_ARGUMENT for
 * NULL options, max_points < 0 or min_intensity outside [0, 1] (then nothing
 * changes). Example: (o, 10, 1e-3). */
CORVAN_API int corvan_options_set_limits(corvan_options *options, int max_points,
                                         double min_intensity, corvan_error *error);

/* ---------------------------------------------------------------------- */
/* Distributions                                                            */

typedef struct corvan_distribution corvan_distribution;

/* Computes the aggregated isotope distribution of the molecule as the
 * options say (NULL options: neutral, natural abundances, every point) into
 * a new *distribution (free it with corvan_distribution_free). Shares are
 * within 1e-9 of the exact ones, and the mass of every point at or above
 * 1e-9 of the highest within 1e-6 Da of its exact mean mass, at any size
 * (100 Da to 1 MDa tested); points below CORVAN_ACCURACY are 0, and the
 * first and last points reported are the lightest and heaviest above it.
 * A molecule whose text gave a charge ("PEPTIDE/2", corvan_molecule_charge)
 * is computed as that ion, of protons, when the options' charge is 0; when
 * the options give the same charge, their adduct carries it.
 * Returns CORVAN_OK, or CORVAN_E_ARGUMENT (NULL molecule or distribution),
 * CORVAN_E_CHARGE (the text's and the options' charges both non-zero and
 * different; an adduct named with charge 0), CORVAN_E_RANGE (an adduct loss
 * that leaves an element below 0), CORVAN_E_LABEL (a label of an element
 * the molecule has no atoms of natural abundance of: none at all, or all
 * fixed by a global "<15N>"), CORVAN_E_UNSUPPORTED (an element without a
 * natural isotopic composition, Tc, Pm, Po to Ac, Np and beyond, unless
 * written as one isotope: "[98Tc]"; a fractional count of an element whose
 * lightest isotope is not its most abundant one, after labels),
 * CORVAN_E_TOO_WIDE, CORVAN_E_MEMORY, CORVAN_E_INTERNAL; then *distribution
 * is NULL.
 * Example: water, neutral: 5 points, k = 0..4, shares ~0.997341,
 * ~0.000609, ~0.002050, ~4.7e-7, ~2.7e-11; most abundant index 0. */
CORVAN_API int corvan_distribution_compute(const corvan_molecule *molecule,
                                           const corvan_options *options,
                                           corvan_distribution **distribution,
                                           corvan_error *error);

/* corvan_molecule_parse then corvan_distribution_compute in one call: the
 * validating entry point of the command line and the Python module, with
 * the results and failures of both (the text's charge as above).
 * Examples: (CORVAN_KIND_FORMULA, "C6H12O6", o, &d, &e);
 * (CORVAN_KIND_PEPTIDE, "PEPTIDE/2", NULL, &d, &e) gives [M+2H]2+ with
 * monoisotopic m/z ~400.687258. */
CORVAN_API int corvan_distribution_from_text(int kind, const char *text,
                                             const corvan_options *options,
                                             corvan_distribution **distribution,
                                             corvan_error *error);

/* Frees a distribution; NULL is fine. Example: corvan_distribution_free(d). */
CORVAN_API void corvan_distribution_free(corvan_distribution *distribution);

/* The points of a distribution, owned by it (valid until it is freed), in
 * order of k. mz is NULL for a neutral molecule. A point whose share is 0
 * (between reported points) has mass and m/z NaN. */
typedef struct corvan_points {
    size_t count;
    const int *neutrons;       /* k: neutrons above the monoisotopic composition; < 0 below it */
    const double *shares;      /* fraction of the whole distribution */
    const double *intensities; /* share / highest share: the highest point is 1 */
    const double *masses;      /* abundance-weighted mean mass of the point's atoms (Da) */
    const double *mz;          /* (masses - charge * CORVAN_ELECTRON_MASS) / |charge| */
} corvan_points;

/* Whole-molecule figures. Masses are of the molecule as given (neutral, no
 * adduct; labels counted in both: the monoisotopic mass takes each
 * element's most abundant isotope after them); monoisotopic_mz is the ion's
 * monoisotopic m/z (NaN when neutral); most_abundant indexes the points
 * (corvan_distribution_most_abundant gives its mass and m/z). */
typedef struct corvan_summary {
    int charge;
    double monoisotopic_mass;
    double average_mass;
    double monoisotopic_mz;
    size_t most_abundant;
} corvan_summary;

/* Fills *points. Returns CORVAN_OK or CORVAN_E_ARGUMENT (a NULL argument).
 * Example: water: points.count 5, points.masses[1] ~19.015557. */
CORVAN_API int corvan_distribution_points(const corvan_distribution *distribution,
                                          corvan_points *points);
/* Fills *summary. Returns CORVAN_OK or CORVAN_E_ARGUMENT (a NULL argument).
 * Example: glucose: monoisotopic_mass ~180.063388, average_mass ~180.156. */
CORVAN_API int corvan_distribution_summary(const corvan_distribution *distribution,
                                           corvan_summary *summary);

/* The most abundant point of a distribution, the one an instrument shows
 * highest. A struct and call of their own rather than more fields of
 * corvan_summary: a caller compiled against the older, smaller
 * corvan_summary keeps working with any later library. */
typedef struct corvan_most_abundant {
    size_t index; /* into corvan_points, as corvan_summary.most_abundant */
    int neutrons; /* its k: may be negative, see "Peaks" above */
    double share; /* fraction of the whole distribution */
    double mass;  /* mean mass (Da) of the ion's atoms in the point */
    double mz;    /* (mass - charge * CORVAN_ELECTRON_MASS) / |charge|; NaN when neutral */
} corvan_most_abundant;

/* Fills *point. Returns CORVAN_OK or CORVAN_E_ARGUMENT (a NULL argument).
 * Example: glucose: index 0, neutrons 0, share ~0.9226, mass ~180.063388;
 * "PEPTIDEUK" (selenium) at charge 1: neutrons 0, mz ~1079.4158. */
CORVAN_API int corvan_distribution_most_abundant(const corvan_distribution *distribution,
                                                 corvan_most_abundant *point);

/* ======================================================================
 * Many molecules
 *
 * One call computes a whole array of molecules (texts of one kind, or
 * masses), each with its own charge, into caller-owned matrices: the way to
 * reach the library's speed from languages whose calls cost more than the
 * computation, and to fill a spectral library or a search space. A row that
 * fails gets its own status and message; the others are computed anyway.
 * The call runs on the calling thread only (the library starts no thread);
 * to use several cores, give each thread its own rows and output slices,
 * with the same options if you like.
 * ====================================================================== */

/* Where the rows go. `points` columns per row; every matrix is row-major,
 * row r at [r * points]. Each row's columns are a window of its envelope
 * that always holds its most abundant point: from M (column j is M+j) when
 * the whole envelope fits there; else from the envelope's first point when
 * it fits; else the `points` contiguous points of largest total share around
 * the most abundant one. corvan_many_table tells the k of each row's first
 * column; these results do not, but `mz` places every column.
 *   heights          rows x points (required): height of the point relative
 *                    to the row's most abundant point (so a row that did not
 *                    fail has maximum 1), 0 where there is nothing;
 *   mz               rows x points, or NULL: m/z of the point for a charged
 *                    row, its mean neutral mass (Da) for charge 0; NaN
 *                    where the height is 0;
 *   monoisotopic_mz  rows, or NULL: m/z of the ion's monoisotopic
 *                    composition, or the monoisotopic mass for charge 0;
 *   status           rows (required): the row's corvan_status;
 *   errors           rows, or NULL: the row's status, position and message,
 *                    as corvan_molecule_parse or corvan_distribution_compute
 *                    would have reported them (CORVAN_OK and "" when fine).
 * A failed row has NaN in heights, mz and monoisotopic_mz. */
typedef struct corvan_many_results {
    size_t points;
    double *heights;
    double *mz;
    double *monoisotopic_mz;
    int *status;
    corvan_error *errors;
} corvan_many_results;

/* corvan_many_results with the k of each row's first column, for
 * corvan_many_table_from_texts and corvan_many_table_from_masses. `size`
 * is sizeof(corvan_many_table) as the caller compiled it: later versions of
 * the library append fields after the last one here and read only those
 * that `size` covers, so a caller built against this header keeps working.
 *   first_neutrons   rows, or NULL: k of the row's column 0 (column j holds
 *                    point M+first_neutrons[r]+j; k may be negative, see
 *                    "Peaks"); 0 for a failed row. */
typedef struct corvan_many_table {
    size_t size;
    size_t points;
    double *heights;
    double *mz;
    double *monoisotopic_mz;
    int *status;
    corvan_error *errors;
    int *first_neutrons;
} corvan_many_table;

/* Computes `rows` molecules given as texts of one kind (texts[r], read as
 * corvan_molecule_parse reads them) into *results. Row r is the ion of
 * charge charges[r] carried by the options' adduct (charges NULL: the
 * options' charge for every row; with charges given, a row of charge 0
 * is the neutral molecule even when the options name an adduct); labels
 * come from the options and apply to the molecule, not the adduct; the
 * options' limits do not apply (the matrices are `points` wide and keep every point
 * above CORVAN_ACCURACY). Every row gives what corvan_molecule_parse and
 * corvan_distribution_compute give for it, to the last bit; so a text that
 * gives its own charge, where its notation has one, is that ion when the
 * row's charge is 0 and fails with CORVAN_E_CHARGE when the row asks for
 * another non-zero charge. Work is shared
 * across rows (element patterns, working arrays, roots of unity), so rows
 * of similar molecules (the peptides of a digest) cost less than single
 * calls.
 * Returns CORVAN_OK when every row has been written, whatever its status
 * (*failed, when not NULL, gets the number of rows whose status is not
 * CORVAN_OK). A row fails with CORVAN_E_ARGUMENT (texts[r] NULL) or any
 * failure of corvan_molecule_parse, corvan_options_set_charge (its charge:
 * CORVAN_E_RANGE, CORVAN_E_CHARGE) and corvan_distribution_compute.
 * The call itself fails, writing no row, with CORVAN_E_ARGUMENT (NULL
 * texts, results, heights or status when rows > 0; points 0 or above
 * CORVAN_MAX_POINTS; rows x points beyond the address space; unknown kind)
 * or CORVAN_E_MEMORY (not even the call's working state fits).
 * Example:
 *   const char *texts[] = {"C6H12O6", "C6H12Q6", "H2O"};
 *   int charges[] = {1, 1, 0}, status[3];
 *   double heights[3 * 4], mz[3 * 4], mono[3];
 *   corvan_many_results out = {4, heights, mz, mono, status, NULL};
 *   corvan_many_from_texts(CORVAN_KIND_FORMULA, texts, charges, 3, NULL,
 *                          &out, NULL, NULL);
 * returns CORVAN_OK; status {CORVAN_OK, CORVAN_E_UNKNOWN, CORVAN_OK};
 * heights[0..3] ~{1, 0.0687, 0.0143, 0.00087}, mono[0] ~181.070665 (m/z of
 * [M+H]+), mono[2] ~18.010565 (Da); row 1 is NaN. */
CORVAN_API int corvan_many_from_texts(int kind, const char *const *texts, const int *charges,
                                      size_t rows, const corvan_options *options,
                                      const corvan_many_results *results, size_t *failed,
                                      corvan_error *error);

/* corvan_many_from_texts for molecules known by their average mass in Da
 * (masses[r], as corvan_molecule_from_mass takes it; kind PEPTIDE, RNA or
 * DNA). Same contract and results; a row fails with CORVAN_E_RANGE for a
 * mass that is not finite, <= 0 or above 10^9 Da; the call fails with
 * CORVAN_E_ARGUMENT for NULL masses or kind CORVAN_KIND_FORMULA.
 * Example: masses {1000, 2000, 3000} Da of CORVAN_KIND_PEPTIDE at charge 2
 * give three rows whose heights peak at M, M+1 and M+1. */
CORVAN_API int corvan_many_from_masses(int kind, const double *masses, const int *charges,
                                       size_t rows, const corvan_options *options,
                                       const corvan_many_results *results, size_t *failed,
                                       corvan_error *error);

/* corvan_many_from_texts and corvan_many_from_masses into a
 * corvan_many_table: the same rows, plus the k of each row's first column.
 * The call fails with CORVAN_E_ARGUMENT, writing no row, also for a NULL
 * table or a `size` below this first version's sizeof.
 * Example (the 60 kDa protein at charge 10, 16 points):
 *   double masses[] = {60000};
 *   int charges[] = {10}, status[1], first[1];
 *   double heights[16];
 *   corvan_many_table t = {sizeof t, 16, heights, NULL, NULL, status, NULL, first};
 *   corvan_many_table_from_masses(CORVAN_KIND_PEPTIDE, masses, charges, 1,
 *                                 NULL, &t, NULL, NULL);
 * gives first[0] 30 and heights peaking at 1 in column 7 (M+37); the
 * first version's columns M..M+15 held only the low tail, below 6e-4. */
CORVAN_API int corvan_many_table_from_texts(int kind, const char *const *texts, const int *charges,
                                            size_t rows, const corvan_options *options,
                                            const corvan_many_table *table, size_t *failed,
                                            corvan_error *error);
CORVAN_API int corvan_many_table_from_masses(int kind, const double *masses, const int *charges,
                                             size_t rows, const corvan_options *options,
                                             const corvan_many_table *table, size_t *failed,
                                             corvan_error *error);

/* ======================================================================
 * Digestion
 *
 * Proteins cut by a protease, RNA by an RNase, into pieces with their
 * positions: the peptides or oligonucleotides whose envelopes a search
 * space needs. The enzymes are those of OpenMS's tables (33 proteases and
 * Glu-C; 8 RNases); corvan_enzyme_name lists them.
 * ====================================================================== */

#define CORVAN_DIGEST_SEMI 1u                /* one end at a cleavage site suffices */
#define CORVAN_DIGEST_UNSPECIFIC 2u          /* any piece (lengths still apply) */
#define CORVAN_DIGEST_METHIONINE_VARIANTS 4u /* also pieces of the protein without its
                                                initiator Met (first residue M) */
#define CORVAN_DIGEST_CYCLIC_PHOSPHATE 8u    /* RNA: a cut leaves a 2',3'-cyclic phosphate
                                                (">p") where the enzyme leaves a 3'-phosphate */

typedef struct corvan_pieces corvan_pieces;

/* One piece, owned by its corvan_pieces (valid until that is freed). */
typedef struct corvan_piece {
    size_t start;     /* 1-based position of its first residue or nucleotide */
    size_t end;       /* 1-based position of its last one (inclusive) */
    const char *text; /* peptide residues ("PEPTIDEK"), or RNA with its ends
                         ("p-ACG-p"): parsable by corvan_molecule_parse */
} corvan_piece;

/* The name of enzyme `index` (0, 1, ...) for proteins (kind
 * CORVAN_KIND_PEPTIDE: "Trypsin", "Lys-C", ...) or RNA (CORVAN_KIND_RNA:
 * "RNase_T1", ...); NULL past the last one or for another kind.
 * Example: corvan_enzyme_name(CORVAN_KIND_RNA, 0) is "RNase_T1". */
CORVAN_API const char *corvan_enzyme_name(int kind, size_t index);

/* Digests `sequence` with `enzyme` (a name of corvan_enzyme_name, any case)
 * into a new *pieces (free it with corvan_pieces_free), ordered by start,
 * then end. Kind CORVAN_KIND_PEPTIDE: a protein in upper-case residue
 * letters (A-Z, as FASTA writes it; no modifications); kind CORVAN_KIND_RNA:
 * an RNA as corvan_molecule_parse reads it (modified nucleosides and ends
 * allowed). A piece holds at most `missed_cleavages` cleavage sites;
 * `min_length` and `max_length` bound its residues (0: no bound). Flags:
 * CORVAN_DIGEST_* or'ed (SEMI and UNSPECIFIC exclude each other); the
 * protease "unspecific cleavage" gives every piece. RNA pieces take the
 * ends the enzyme leaves (a 3'-phosphate "-p" for RNase T1, A, U2, MC1 and
 * cusativin, a 5'-phosphate "p-" for RNase H) and, at the chain's ends,
 * the chain's own.
 * Returns CORVAN_OK, CORVAN_E_ARGUMENT (NULL argument, another kind,
 * missed_cleavages < 0, unknown or conflicting flags), CORVAN_E_UNKNOWN (an
 * enzyme not in the kind's table: the message lists them), CORVAN_E_SYNTAX
 * (a protein letter outside A-Z, with its position; RNA refused as
 * corvan_molecule_parse refuses it), CORVAN_E_RANGE (a sequence over
 * CORVAN_MAX_TEXT bytes), CORVAN_E_MEMORY; then *pieces is NULL.
 * Example: (CORVAN_KIND_PEPTIDE, "MPEKTIDEKPRAGRK", "Trypsin", 0, 1, 0, 0,
 * &p, &e) gives 4 pieces: MPEK (1-4), TIDEKPR (5-11), AGR (12-14), K (15);
 * (CORVAN_KIND_RNA, "AUGCGGAU", "RNase_T1", 0, 0, 0, 0, &p, &e) gives
 * "AUG-p", "CG-p", "G-p", "AU". */
CORVAN_API int corvan_digest(int kind, const char *sequence, const char *enzyme,
                             int missed_cleavages, size_t min_length, size_t max_length,
                             unsigned flags, corvan_pieces **pieces, corvan_error *error);

/* The number of pieces (0 for NULL). Example: 4 after the trypsin example. */
CORVAN_API size_t corvan_pieces_count(const corvan_pieces *pieces);

/* Fills *piece with piece `index`. Returns CORVAN_OK, CORVAN_E_ARGUMENT (a
 * NULL argument) or CORVAN_E_RANGE (index >= count).
 * Example: index 1 after the trypsin example: {5, 11, "TIDEKPR"}. */
CORVAN_API int corvan_pieces_get(const corvan_pieces *pieces, size_t index, corvan_piece *piece);

/* Frees pieces; NULL is fine. Example: corvan_pieces_free(p). */
CORVAN_API void corvan_pieces_free(corvan_pieces *pieces);

/* ======================================================================
 * The spectrum an instrument records
 *
 * Fine structure: every isotopic composition of a molecule or ion with its
 * exact mass and probability (the points above sum these per k). Profile:
 * the signal of those compositions as an instrument of a given resolving
 * power records it, a sum of peak shapes on an m/z grid. Centroids: the
 * peaks an instrument's software reports from that profile, each with the
 * fine peaks it merges.
 *
 * The molecule and options are those of corvan_distribution_compute: the
 * charge and adduct, and labels, which apply to the molecule's own atoms
 * (an adduct's atoms keep natural abundances; a loss of carriers, such as
 * [M-H]-, takes its atoms from the molecule). Atoms of one isotope add
 * their mass. Molecules by mass (fractional counts) are refused with
 * CORVAN_E_UNSUPPORTED.
 *
 * Positions are m/z for an ion, (mass - charge * CORVAN_ELECTRON_MASS) /
 * |charge|, and the mass in Da for a neutral molecule (charge 0).
 * ====================================================================== */

/* How resolving power R changes with m/z; FWHM(m/z) = m/z / R(m/z). */
typedef enum corvan_analyzer {
    CORVAN_ANALYZER_ORBITRAP = 1,   /* R proportional to (m/z)^-1/2 */
    CORVAN_ANALYZER_FTICR = 2,      /* R proportional to (m/z)^-1 */
    CORVAN_ANALYZER_TOF = 3,        /* R constant */
    CORVAN_ANALYZER_QUADRUPOLE = 4, /* FWHM constant */
    CORVAN_ANALYZER_TABLE = 5       /* R from a table of (m/z, R) pairs */
} corvan_analyzer;

/* Resolving power: R = resolving_power at m/z reference_mz with the
 * analyzer's law, or, for CORVAN_ANALYZER_TABLE, table_count pairs
 * (table_mz[i], table_power[i]) with m/z strictly increasing, R
 * interpolated linearly between them and constant beyond the ends (the
 * table is read during the call only). */
typedef struct corvan_resolution {
    int analyzer;
    double resolving_power;
    double reference_mz;
    size_t table_count;
    const double *table_mz;
    const double *table_power;
} corvan_resolution;

/* Peak shapes, of height 1 at their centre and the FWHM of their m/z. */
typedef enum corvan_peak_shape {
    CORVAN_SHAPE_GAUSSIAN = 1,
    CORVAN_SHAPE_LORENTZIAN = 2,
    CORVAN_SHAPE_MIXED = 3 /* (1 - f) Gaussian + f Lorentzian, f = lorentzian_fraction */
} corvan_peak_shape;

/* Which fine peaks are listed. */
typedef enum corvan_fine_mode {
    CORVAN_FINE_THRESHOLD = 1, /* probability >= fine_value x the highest's; (0, 1] */
    CORVAN_FINE_COVERAGE = 2   /* the most probable until they sum to fine_value; (0, 1) */
} corvan_fine_mode;

/* Everything a spectrum call needs besides molecule and options. Fill it
 * with corvan_spectrum_defaults, then change what you need.
 *   fine_mode, fine_value   which fine peaks (default threshold 1e-3);
 *   max_peaks               the most fine peaks a call may make (default
 *                           100000); a call that needs more fails with
 *                           CORVAN_E_TOO_WIDE and reports how many;
 *   resolution              default Orbitrap, 120000 at m/z 200;
 *   shape, lorentzian_fraction   default Gaussian;
 *   mz_low, mz_high         the profile's range; both 0 (default): the
 *                           library covers the envelope and its peaks' tails;
 *   mz_step                 the grid step; 0 (default): the FWHM at the
 *                           envelope's centre (its most probable fine
 *                           peak, or for large molecules its mean m/z)
 *                           / points_per_fwhm;
 *   points_per_fwhm         default 10;
 *   centroid_min_height     centroids lower than this times the profile's
 *                           highest point are not reported (default 1e-3). */
typedef struct corvan_spectrum_settings {
    int fine_mode;
    double fine_value;
    size_t max_peaks;
    corvan_resolution resolution;
    int shape;
    double lorentzian_fraction;
    double mz_low;
    double mz_high;
    double mz_step;
    double points_per_fwhm;
    double centroid_min_height;
} corvan_spectrum_settings;

/* Fills *settings with the defaults above. Returns CORVAN_OK, or
 * CORVAN_E_ARGUMENT for NULL. Example:
 *   corvan_spectrum_settings s; corvan_spectrum_defaults(&s);
 *   s.resolution.resolving_power = 30000; */
CORVAN_API int corvan_spectrum_defaults(corvan_spectrum_settings *settings);

/* Reads a resolving power as a command line writes it, "R@MZ" ("120000@200";
 * "R" alone means at m/z 200), and an analyzer name ("orbitrap", "fticr",
 * "tof", "quadrupole"; NULL: orbitrap) into *resolution. Returns CORVAN_OK,
 * CORVAN_E_ARGUMENT (NULL resolution or text), CORVAN_E_SYNTAX (not a
 * number, R <= 0 or m/z <= 0: position set) or CORVAN_E_UNKNOWN (analyzer).
 * Example: ("360000@200", "orbitrap", &r, &e) gives R 360000 at m/z 200. */
CORVAN_API int corvan_resolution_parse(const char *text, const char *analyzer,
                                       corvan_resolution *resolution, corvan_error *error);

/* FWHM at `mz` (> 0) under *resolution into *fwhm. Returns CORVAN_OK, or
 * CORVAN_E_ARGUMENT (NULL, mz <= 0 or not finite, unknown analyzer, R or
 * reference m/z <= 0, a bad table). Example: Orbitrap 120000@200 at m/z 800:
 * R = 60000, FWHM = 800 / 60000 ~0.013333. */
CORVAN_API int corvan_resolution_fwhm(const corvan_resolution *resolution, double mz,
                                      double *fwhm, corvan_error *error);

typedef struct corvan_spectrum corvan_spectrum;

/* Computes the fine structure of the molecule (or the ion the options
 * make) into a new *spectrum (free it with corvan_spectrum_free): the peaks
 * by increasing m/z with their probabilities (shares of the whole
 * distribution). Probabilities are within 1e-9 of the highest's and
 * masses within 1e-9 Da of an exact enumeration with the isotope table.
 * Uses fine_mode, fine_value and max_peaks of *settings (NULL: defaults).
 * *needed (may be NULL) receives the number of peaks the request needs;
 * when it exceeds max_peaks the call fails with CORVAN_E_TOO_WIDE and
 * *needed is that number or, when counting stopped (at 16 x max_peaks, or
 * in coverage mode at max_peaks + 1), a lower bound, as the message says.
 * Returns CORVAN_OK, CORVAN_E_ARGUMENT (NULL molecule or spectrum, settings
 * out of range), CORVAN_E_TOO_WIDE, CORVAN_E_UNSUPPORTED (fractional
 * counts), the charge failures of corvan_distribution_compute, or
 * CORVAN_E_MEMORY; then *spectrum is NULL.
 * Example: water, default settings (threshold 1e-3): 2 peaks, 18.010565
 * (~0.997341) and 20.014810 (18O, ~0.002050); threshold 1e-4 adds
 * 19.014782 (17O, ~0.000380) and 19.016841 (2H, ~0.000229). */
CORVAN_API int corvan_fine_structure(const corvan_molecule *molecule,
                                     const corvan_options *options,
                                     const corvan_spectrum_settings *settings,
                                     corvan_spectrum **spectrum, size_t *needed,
                                     corvan_error *error);

/* Computes the profile: at each grid point x, the sum over the fine
 * structure of probability x shape(x - m/z, FWHM(m/z)), so a lone peak's
 * height is its probability. Within 1e-6 of the profile's highest point of
 * that sum over every composition: small molecules sum the shapes over a
 * fine structure cut far below that; large ones take the transform of the
 * molecule's mass distribution, multiply by the shape's (with the FWHM's
 * change over the envelope to second order) and transform back, so that no
 * fine peak is listed. The spectrum holds the profile and no fine peaks.
 * Returns what corvan_fine_structure returns, and CORVAN_E_ARGUMENT for
 * bad resolution, shape or grid settings; CORVAN_E_TOO_WIDE for a grid of
 * more than CORVAN_MAX_POINTS points.
 * Example: glucose [M+H]+ at 120000@200: the highest point ~0.92 near
 * m/z 181.0706, the 13C peak ~0.060 near 182.0741. */
CORVAN_API int corvan_profile(const corvan_molecule *molecule, const corvan_options *options,
                              const corvan_spectrum_settings *settings,
                              corvan_spectrum **spectrum, size_t *needed, corvan_error *error);

/* The profile, its centroids and the fine structure (as
 * corvan_fine_structure lists it) in one spectrum. A centroid is a local
 * maximum of the profile at least centroid_min_height x its highest point;
 * its m/z and height are the vertex of the parabola through the logarithms
 * of the maximum and its two neighbours (exact for a lone Gaussian), its
 * area the trapezoid sum between the minima on either side, and it merges
 * the fine peaks whose m/z lies between those minima.
 * Returns what corvan_profile returns.
 * Example: "SAMPLER" [M+2H]2+ at 360000@200 Orbitrap: the M+1 cluster gives
 * two centroids, the 15N and the 13C forms about 0.0032 apart in m/z; at
 * 30000@200 one that merges both. */
CORVAN_API int corvan_centroids(const corvan_molecule *molecule, const corvan_options *options,
                                const corvan_spectrum_settings *settings,
                                corvan_spectrum **spectrum, size_t *needed, corvan_error *error);

/* Frees a spectrum; NULL is fine. */
CORVAN_API void corvan_spectrum_free(corvan_spectrum *spectrum);

/* The arrays of a spectrum, owned by it (valid until it is freed). Parts a
 * call did not compute have count 0 and NULL arrays. Centroid c merges the
 * fine peaks centroid_first_fine[c] .. + centroid_fine_count[c] - 1. */
typedef struct corvan_spectrum_view {
    int charge;
    size_t fine_count;
    const double *fine_mz;
    const double *fine_probability;
    size_t profile_count;
    const double *profile_mz;
    const double *profile_intensity;
    size_t centroid_count;
    const double *centroid_mz;
    const double *centroid_height;
    const double *centroid_area;
    const size_t *centroid_first_fine;
    const size_t *centroid_fine_count;
} corvan_spectrum_view;

/* Fills *view. Returns CORVAN_OK or CORVAN_E_ARGUMENT (NULL).
 * Example: corvan_spectrum_view v; corvan_spectrum_get(s, &v);
 * then v.fine_mz[0 .. v.fine_count - 1]. */
CORVAN_API int corvan_spectrum_get(const corvan_spectrum *spectrum, corvan_spectrum_view *view);

/* ---------------------------------------------------------------------- */
/* Peptidoforms: chimeric ProForma texts                                   */

/* Counts the peptidoform ions of a ProForma peptide text into *count: one
 * per part joined by '+' ("EMEVEESPEK/2+ELVISLIVER/3" holds 2; a text
 * without '+' holds 1). Global blocks ("<13C>", "<[Carbamidomethyl]@C>")
 * at its start apply to every one. The whole text is read and checked as
 * corvan_molecule_parse (CORVAN_KIND_PEPTIDE) reads one, with the same
 * failures; corvan_molecule_parse itself refuses a text of several
 * (CORVAN_E_UNSUPPORTED, position: the first '+').
 * Returns CORVAN_OK, CORVAN_E_ARGUMENT (NULL text or count), or the parse
 * failures; then *count is 0.
 * Example: ("EMEVEESPEK/2+ELVISLIVER/3", &n, &e) gives n == 2. */
CORVAN_API int corvan_peptidoform_count(const char *text, size_t *count, corvan_error *error);

/* Peptidoform ion `index` (0 ..< corvan_peptidoform_count) of a ProForma
 * text as a new *molecule (free it with corvan_molecule_free), with its
 * charge and any adduct ions it writes, as corvan_molecule_parse gives a
 * text of one. Positions in error are byte offsets in the whole text.
 * Returns CORVAN_OK, CORVAN_E_ARGUMENT (NULL text or molecule, index not
 * below the count) or the parse failures; then *molecule is NULL.
 * Example: ("EMEVEESPEK/2+ELVISLIVER/3", 1, &m, &e) is ELVISLIVER with
 * charge 3. */
CORVAN_API int corvan_peptidoform_parse(const char *text, size_t index, corvan_molecule **molecule,
                                        corvan_error *error);

/* ======================================================================
 * Fragment ions
 *
 * The ions a peptide or a nucleic acid breaks into in a tandem mass
 * spectrometer, each with its composition, monoisotopic m/z and isotope
 * envelope, and, for a precursor isolated with only some of its isotopes,
 * the envelope each fragment then shows.
 *
 * Peptides (CORVAN_KIND_PEPTIDE, ProForma as corvan_molecule_parse reads
 * it; modifications stay on their residues, so a fragment carries those of
 * the residues it holds, the N-terminal ones on the N-terminal series and
 * the C-terminal ones on the C-terminal series). Neutral fragments, from
 * the residues' sum R of the first i residues or S of the last i:
 *   a = R - CO,  b = R,  c = R + NH3,
 *   x = S + H2O + CO - H2,  y = S + H2O,
 *   z = S + H2O - NH2 (the z-dot radical that ETD and ECD give, also
 *       called z+1: y less 16.018724 Da),
 *   immonium = residue - CO, at charge +1 only, once per distinct residue.
 * The ion of charge z adds z protons. Losses: H2O from fragments that hold
 * S, T, E or D; NH3 from those that hold R, K, N or Q; H3PO4 from those
 * that hold a phosphorylated S or T (a residue S or T with phosphorus in
 * its modifications); one loss at a time.
 *
 * Nucleic acids (CORVAN_KIND_RNA, CORVAN_KIND_DNA), McLuckey's series,
 * from the 5' piece P of the first i nucleotides with a 3'-OH and the 3'
 * piece S of the last i with a 5'-OH (ends as the text writes them):
 *   a-B = P - H2O - base (the neutral base of the piece's 3'-most
 *         nucleoside; 2'-O-methyl nucleosides, names ending in "m", lose
 *         their base only),
 *   c = P + HPO3 - H2O,  w = S + HPO3,  y = S;
 * so that a + w and c + y are the whole chain. Negative charges remove
 * protons, as nucleic acids are measured.
 *
 * Every series runs i = 1 .. n - 1. Abundances are natural (atoms the text
 * fixes to one isotope keep it).
 *
 * Isolation: the precursor (the whole molecule with precursor_charge
 * protons) is isolated with only some of its isotope peaks M+k, the set S.
 * A fragment then keeps the isotopes its complement (precursor less
 * fragment) leaves it: P(fragment at M+i | S) is proportional to
 * sum over k in S of P_fragment(i) P_complement(k - i), computed exactly
 * from the two distributions. A fragment whose charge exceeds the
 * precursor's in size cannot come from it and is left out.
 * ====================================================================== */

#define CORVAN_ION_A 1u
#define CORVAN_ION_B 2u
#define CORVAN_ION_C 4u
#define CORVAN_ION_X 8u
#define CORVAN_ION_Y 16u
#define CORVAN_ION_Z 32u
#define CORVAN_ION_IMMONIUM 64u
#define CORVAN_ION_A_BASE 128u /* a-B: nucleic acids */
#define CORVAN_ION_W 256u      /* w: nucleic acids */

#define CORVAN_LOSS_H2O 1u
#define CORVAN_LOSS_NH3 2u
#define CORVAN_LOSS_H3PO4 4u

/* What corvan_fragments computes. Fill it with corvan_fragment_defaults.
 *   types             CORVAN_ION_* or'ed; RNA and DNA take c, y, w and
 *                     a-B only, peptides the others (default 0: b and y
 *                     for peptides, a-B, c, w and y for nucleic acids);
 *   min_charge, max_charge   the fragments' charges, both non-zero, of one
 *                     sign, |charge| <= 1000 (default 1 .. 1);
 *   losses            CORVAN_LOSS_* or'ed, peptides only (default 0);
 *   precursor_charge  the isolated precursor's charge: 0 (default) takes
 *                     the text's ("PEPTIDE/3"), else the charge of largest
 *                     size in min_charge .. max_charge;
 *   isolated_peaks    NULL (default) or the precursor's isotope peaks
 *                     isolated, "M+0,M+1" (also "M", "M-1", "0,1");
 *   window_low, window_high   an isolation window in m/z instead: the
 *                     peaks whose mean m/z lies within it (both 0, the
 *                     default: none). Peaks and window exclude each other. */
typedef struct corvan_fragment_settings {
    unsigned types;
    int min_charge;
    int max_charge;
    unsigned losses;
    int precursor_charge;
    const char *isolated_peaks;
    double window_low;
    double window_high;
} corvan_fragment_settings;

/* Fills *settings with the defaults above. Returns CORVAN_OK, or
 * CORVAN_E_ARGUMENT for NULL. Example:
 *   corvan_fragment_settings s; corvan_fragment_defaults(&s);
 *   s.types = CORVAN_ION_B | CORVAN_ION_Y; s.max_charge = 2; */
CORVAN_API int corvan_fragment_defaults(corvan_fragment_settings *settings);

/* Reads ion types as a command line writes them into *types: letters a b c
 * x y z w run together or apart ("by", "b,y"), "a-B" and "immonium",
 * separated by commas. Returns CORVAN_OK, CORVAN_E_ARGUMENT (NULL) or
 * CORVAN_E_SYNTAX (an unknown type or an empty text; position set).
 * Example: ("a-B,c,y,w", &t, &e) gives CORVAN_ION_A_BASE | CORVAN_ION_C |
 * CORVAN_ION_Y | CORVAN_ION_W. */
CORVAN_API int corvan_fragment_types_parse(const char *text, unsigned *types, corvan_error *error);

/* Reads a charge range "2", "1-3", "-1" or "-3..-1" (also "1..3") into
 * *min_charge and *max_charge. Returns CORVAN_OK, CORVAN_E_ARGUMENT (NULL),
 * CORVAN_E_SYNTAX (no number; position set) or CORVAN_E_RANGE (0 in the
 * range, a sign change, the low end above the high end, |charge| > 1000).
 * Example: ("1-2", &lo, &hi, &e) gives 1 and 2. */
CORVAN_API int corvan_fragment_charges_parse(const char *text, int *min_charge, int *max_charge,
                                             corvan_error *error);

typedef struct corvan_fragment_list corvan_fragment_list;

/* One fragment ion, owned by its list (valid until that is freed). Its
 * points are the envelope of the ion (neutrons, shares, masses and m/z as
 * in corvan_points; shares below CORVAN_ACCURACY are 0, masses and m/z
 * NaN there); `conditioned` gives the shares given the isolation, summing
 * to 1 (NULL when the settings isolate nothing). */
typedef struct corvan_fragment {
    const char *name; /* "b3", "y5-H2O", "z2", "a3-B", "w2", "imm(Y)" */
    unsigned series;  /* one CORVAN_ION_* */
    size_t number;    /* residues or nucleotides it holds; the residue's
                         position for an immonium ion */
    unsigned loss;    /* one CORVAN_LOSS_* or 0 */
    int charge;
    const char *formula;      /* the neutral fragment, Hill order ("C13H16N2O5") */
    double monoisotopic_mass; /* of the neutral fragment (Da) */
    double monoisotopic_mz;   /* of the ion: (mass + charge protons) / |charge| */
    size_t count;
    const int *neutrons;
    const double *shares;
    const double *conditioned;
    const double *masses;
    const double *mz;
} corvan_fragment;

/* Computes the fragment ions of `text` (kind CORVAN_KIND_PEPTIDE,
 * CORVAN_KIND_RNA or CORVAN_KIND_DNA, read as corvan_molecule_parse reads
 * it) as *settings says (NULL: defaults) into a new *list (free it with
 * corvan_fragment_list_free): by series in the order a, b, c, x, y, z,
 * immonium, a-B, c, w, y... (the order of the CORVAN_ION_* bits), then by
 * number, no loss before the losses in the order of their bits, then by
 * charge from min_charge up. A series a fragment cannot lose anything of
 * gives no loss rows.
 * Returns CORVAN_OK, or CORVAN_E_ARGUMENT (NULL text or list, another kind,
 * settings out of range: unknown types, a charge range as
 * corvan_fragment_charges_parse refuses it, unknown losses, window_low >=
 * window_high, peaks and window together), CORVAN_E_UNSUPPORTED (a series
 * of the other kind of molecule, losses for a nucleic acid, a chain of one
 * residue or nucleotide, which has no fragments; a peptide of several chains,
 * or one that writes atoms of no one residue: a modification of unknown
 * position or a labile one, a range, residues of unknown order; position:
 * the first such), CORVAN_E_SYNTAX
 * (isolated_peaks that do not parse; position in them), CORVAN_E_RANGE (an
 * isolation that holds none of the precursor's peaks above
 * CORVAN_ACCURACY), the failures of corvan_molecule_parse and
 * corvan_distribution_compute, CORVAN_E_MEMORY; then *list is NULL.
 * Example: ("PEPTIDE", defaults) gives 12 fragments, b1..b6 then y1..y6;
 * b2 is C10H14N2O4, m/z ~227.102633, y1 (E) C5H9NO4, m/z ~148.060434. With
 * isolated_peaks "M+0" every fragment's conditioned share of M+0 is 1. */
CORVAN_API int corvan_fragments(int kind, const char *text,
                                const corvan_fragment_settings *settings,
                                corvan_fragment_list **list, corvan_error *error);

/* The number of fragments (0 for NULL). */
CORVAN_API size_t corvan_fragment_list_count(const corvan_fragment_list *list);

/* Fills *fragment with fragment `index`. Returns CORVAN_OK,
 * CORVAN_E_ARGUMENT (a NULL argument) or CORVAN_E_RANGE (index >= count).
 * Example: index 1 of the PEPTIDE example: name "b2", charge 1. */
CORVAN_API int corvan_fragment_list_get(const corvan_fragment_list *list, size_t index,
                                        corvan_fragment *fragment);

/* Frees a list; NULL is fine. Example: corvan_fragment_list_free(l). */
CORVAN_API void corvan_fragment_list_free(corvan_fragment_list *list);

/* ======================================================================
 * Observed spectra: matching, label fits, deisotoping
 *
 * These calls compare expected envelopes with a measured spectrum that the
 * caller owns: `mz[0..count-1]` in ascending order (equal values allowed)
 * and `intensity[0..count-1]`, finite and >= 0, count >= 1. Any other
 * spectrum is refused before anything is computed: CORVAN_E_RANGE when it
 * is empty (count 0, whatever the arrays), CORVAN_E_ARGUMENT for NULL
 * arrays, CORVAN_E_RANGE when unsorted, negative or not finite (the message
 * names the first offending index, error->position holds it). A peak
 * "matches" an expected m/z when it lies within the tolerance `ppm` (parts
 * per million of the expected m/z); among several, the most intense one is
 * taken. The library reads no files: the command line reads mzML and peak
 * lists and passes their arrays here.
 * ====================================================================== */

/* corvan_match_summary.named_offset when there is no named peak to place. */
enum corvan_offset_none {
    CORVAN_NO_OFFSET = -1000000
};

/* Tolerance and scope of corvan_match_spectrum. */
typedef struct corvan_match_settings {
    double ppm;        /* m/z tolerance in ppm, in (0, 10^4]; default 10 */
    int min_charge;    /* charges tried, both 0 (default): the options' charge, */
    int max_charge;    /* else the text's ("/2"); same sign, |z| <= 100 */
    double min_height; /* expected points lower than this relative to the highest
                          are not compared, in [0, 1); default 0.01 */
    double named_mz;   /* an m/z named as monoisotopic (a precursor pick), or 0 */
} corvan_match_settings;

/* Fills *settings with the defaults above. Returns CORVAN_OK or
 * CORVAN_E_ARGUMENT (NULL). Example: corvan_match_defaults(&s); s.ppm = 5; */
CORVAN_API int corvan_match_defaults(corvan_match_settings *settings);

/* One expected point and the observed peak matched to it. A point with no
 * peak within the tolerance has observed_mz and ppm_error NaN and
 * observed_intensity 0. */
typedef struct corvan_matched_peak {
    int neutrons;              /* k of the expected point */
    double expected_mz;
    double expected_height;    /* relative to the envelope's highest point */
    double observed_mz;
    double observed_intensity; /* as the spectrum gives it */
    double ppm_error;          /* 1e6 * (observed - expected) / expected */
} corvan_matched_peak;

/* The scores of the best charge. With e the expected heights and o the
 * observed intensities over the compared points (missing peaks count as
 * o = 0): cosine = e.o / (|e| |o|); contrast_angle = arccos(cosine) in
 * degrees (0: identical shapes, 90: nothing in common); scale = e.o / e.e,
 * the least-squares factor that brings e onto o; chi_square = sum of
 * (o/scale - e)^2 / e over the points, divided by (points - 1), so
 * a perfect envelope gives 0 and a missing point of height h adds h. */
typedef struct corvan_match_summary {
    int charge;
    size_t compared;          /* expected points compared */
    size_t matched;           /* of them, with an observed peak */
    double monoisotopic_mz;   /* expected, of the molecule at this charge */
    double cosine;
    double contrast_angle;
    double chi_square;
    double scale;
    double mean_ppm;          /* intensity-weighted mean ppm error of the matched */
    int named_offset;         /* named_mz is the point M + named_offset (0: it is M;
                                 1: it is M+1 and the pick is one too heavy);
                                 CORVAN_NO_OFFSET when no named_mz was given or it
                                 matches no point */
    double corrected_mz;      /* named_mz moved onto M, or NaN as above */
} corvan_match_summary;

typedef struct corvan_match corvan_match;

/* Computes the molecule's envelope as the options say (labels, adduct) at
 * each charge of the settings, matches it against the spectrum and keeps
 * the charge whose cosine is highest (on a tie, the lower |charge|). NULL
 * options or settings: defaults. Result in *match (free with
 * corvan_match_free). Returns CORVAN_OK (also when nothing matches:
 * matched 0, cosine 0), CORVAN_E_ARGUMENT (NULL molecule, spectrum or
 * match; settings out of range), CORVAN_E_CHARGE (no charge given
 * anywhere, or charges of both signs), CORVAN_E_RANGE (spectrum), and the
 * failures of corvan_distribution_compute; then *match is NULL.
 * Example: "PEPTIDE" at charges 1..3 against its own [M+2H]2+ envelope:
 * charge 2, cosine 1, mean_ppm 0. */
CORVAN_API int corvan_match_spectrum(const corvan_molecule *molecule,
                                     const corvan_options *options,
                                     const corvan_match_settings *settings, const double *mz,
                                     const double *intensity, size_t count,
                                     corvan_match **match, corvan_error *error);
/* Fills *summary. Returns CORVAN_OK or CORVAN_E_ARGUMENT (NULL).
 * Example: corvan_match_get_summary(m, &s); s.contrast_angle. */
CORVAN_API int corvan_match_get_summary(const corvan_match *match, corvan_match_summary *summary);
/* The number of compared points (0 for NULL). Example: 4 for "PEPTIDE"/2. */
CORVAN_API size_t corvan_match_peak_count(const corvan_match *match);
/* Fills *peak with compared point `index` (in order of k). Returns
 * CORVAN_OK, or CORVAN_E_ARGUMENT (NULL, index out of range).
 * Example: corvan_match_peak(m, 0, &p); p.ppm_error. */
CORVAN_API int corvan_match_peak(const corvan_match *match, size_t index,
                                 corvan_matched_peak *peak);
/* Frees a match; NULL is fine. Example: corvan_match_free(m). */
CORVAN_API void corvan_match_free(corvan_match *match);

/* An enrichment fit: the fraction of `isotope` that best explains the
 * envelope, and its standard uncertainty. */
typedef struct corvan_label_fit {
    double fraction;
    double uncertainty; /* from the curvature of the misfit at its minimum */
    double cosine;      /* of the fitted envelope against the observed peaks */
} corvan_label_fit;

/* Fits the enrichment `isotope` ("15N", "13C", "2H" or "D", "18O") of the
 * molecule's natural atoms: for a fraction f in [0, 1] the envelope with
 * that label (on top of the options' labels, at the options' or the
 * text's charge) is compared with the observed intensities at the points
 * k = 0 .. the last point of full enrichment, scaled by least squares;
 * f minimises the sum of squared differences (a scan of 0, 0.05 .. 1 then
 * golden-section search). uncertainty = sqrt(2 s2 / S''), s2 the residual
 * variance per degree of freedom and S'' the misfit's second derivative.
 * Returns CORVAN_OK, CORVAN_E_ARGUMENT (NULL, ppm out of range),
 * CORVAN_E_CHARGE (no charge), CORVAN_E_RANGE (spectrum, or no peak at any
 * point), CORVAN_E_LABEL (the options label this isotope already) and the
 * failures of corvan_options_set_label and corvan_distribution_compute.
 * Example: "PEPTIDE/2" computed with 15N=0.6 as the spectrum, isotope
 * "15N": fraction 0.6 (within 1e-4). */
CORVAN_API int corvan_fit_label(const corvan_molecule *molecule, const corvan_options *options,
                                const char *isotope, double ppm, const double *mz,
                                const double *intensity, size_t count, corvan_label_fit *fit,
                                corvan_error *error);

/* The shares of two states in an observed spectrum. */
typedef struct corvan_mix_fit {
    double light_fraction; /* light / (light + heavy), in [0, 1] */
    double heavy_fraction; /* 1 - light_fraction */
    double cosine;         /* of the fitted sum against the observed peaks */
} corvan_mix_fit;

/* Fits observed = a * light + b * heavy (a, b >= 0, non-negative least
 * squares over the points of both envelopes; envelopes as shares, so a and
 * b are amounts) with the light state computed as `light_options` say and
 * the heavy one from `heavy` (NULL: the same molecule) as `heavy_options`
 * say ("<15N>PEPTIDE" or PEPTIDEK[Label:13C(6)15N(2)], or options with a
 * label). Both need the same charge. Returns CORVAN_OK, CORVAN_E_ARGUMENT,
 * CORVAN_E_CHARGE, CORVAN_E_RANGE (spectrum, or no peak of either state)
 * and the failures of corvan_distribution_compute.
 * Example: 30% "PEPTIDEK/2" and 70% "PEPTIDEK[Label:13C(6)15N(2)]/2":
 * light_fraction 0.3. */
CORVAN_API int corvan_fit_mix(const corvan_molecule *light, const corvan_options *light_options,
                              const corvan_molecule *heavy, const corvan_options *heavy_options,
                              double ppm, const double *mz, const double *intensity,
                              size_t count, corvan_mix_fit *fit, corvan_error *error);

/* Deuterium uptake: the mean number of exchanged sites, (observed centroid
 * - undeuterated centroid) * |charge| / (m(2H) - m(1H)). The observed
 * centroid is the intensity-weighted mean m/z of the peaks on the ladder
 * M, M+1, ... of the ion (each within `ppm`, or 0.02/|charge| for the
 * mixed masses of deuterated points, whichever is wider), from M up to
 * the last point of the undeuterated envelope, then on while peaks continue
 * (two missing rungs end it). Returns what corvan_fit_label returns.
 * Example: "PEPTIDE/2" with 2H=0.1 as the spectrum: about 0.1 times its
 * hydrogen atoms. */
CORVAN_API int corvan_deuterium_uptake(const corvan_molecule *molecule,
                                       const corvan_options *options, double ppm,
                                       const double *mz, const double *intensity, size_t count,
                                       double *mean_sites, corvan_error *error);

/* Settings of corvan_deisotope and corvan_monoisotopic_check. */
typedef struct corvan_deisotope_settings {
    double ppm;           /* tolerance, in (0, 10^4]; default 10 */
    int min_charge;       /* charges tried, 1 <= min <= max <= 100; default 1..6 */
    int max_charge;
    double min_score;     /* envelopes whose cosine is lower are dropped; default 0.9 */
    int min_peaks;        /* fewest matched peaks per envelope, >= 2; default 2 */
    double min_intensity; /* peaks below this are not seeds; default 0 */
    double min_signal_to_noise; /* envelopes fitted lower are dropped; default 10, 0: none */
} corvan_deisotope_settings;

/* Fills *settings with the defaults above. Returns CORVAN_OK or
 * CORVAN_E_ARGUMENT (NULL). Example: corvan_deisotope_defaults(&s); */
CORVAN_API int corvan_deisotope_defaults(corvan_deisotope_settings *settings);

/* One envelope found in a scan: protonated positive ions, the expected
 * pattern the peptide by-mass (averagine) model of the mass. */
typedef struct corvan_found_envelope {
    double monoisotopic_mz;   /* of the peak matched as M (or where M would be) */
    double monoisotopic_mass; /* neutral: (mz - proton mass) * charge */
    int charge;
    double intensity;         /* fitted height of the envelope's highest point */
    double score;             /* cosine of pattern and peaks (see corvan_deisotope) */
    size_t peaks;             /* matched peaks: holding >= 0.3 of their fitted height */
} corvan_found_envelope;

typedef struct corvan_envelopes corvan_envelopes;

/* Finds the isotope envelopes of a centroided scan: the peaks, most intense
 * first, seed hypotheses (each charge; the seed as M, M+1 ... up to the
 * model's highest point); each hypothesis scores by the cosine between
 * the model pattern and the peaks' unexplained intensity at its rungs (a
 * rung's intensity above 1.5 times its fitted height is left to a
 * neighbour that shares the peak), points between the rungs counting as
 * expected 0 (a charge too low) and so does the rung below M when an ion
 * of the same charge one rung lighter scores min_score and explains M's
 * peak as its M+1 (so an M+1 read as M scores low, while a neighbour's
 * peak below M does not hide an envelope); it must explain half its seed
 * and match min_peaks peaks; the best one above min_score is kept and its
 * fitted intensity taken off its peaks, so that a peak shared by two
 * envelopes (of other charges) serves both; such a peak, when the kept
 * envelope explains at most a fifth of it, seeds again. A seed no
 * hypothesis keeps, its pattern highest at M, whose M+1 has no peak within
 * ppm but one within twice ppm holding at least 1.2 times its fitted share
 * (one centroid with a neighbour's peak), is kept as M at the highest
 * charge that scores min_score (that peak at its share, left whole to the
 * neighbour; points between the rungs on the whole intensities) and
 * matches min_peaks. An ion of the same
 * charge one rung heavier, whose peaks the kept one's fit would take whole,
 * is fitted together with it (least squares, both heights above 0) and
 * reported too when the pair leaves at most 0.3 of the squared residual
 * the kept one leaves alone, its height is at least 0.15 of the kept
 * one's and it scores min_score on what the kept one leaves. Before that,
 * the ion one rung lighter than the kept one replaces it when it scores
 * higher (its rungs sought within 1.5 times ppm when its M has no peak
 * within ppm). Such a pair
 * of even charge z is read instead as an ion of charge z/2 at the kept
 * one's M (a charge tried) beside the heavier one when that leaves at most
 * half the squared residual and the z/2 ion scores min_score on what the
 * heavier one leaves (a 1+ ion half a step below a 2+ one). Then each
 * envelope is read again at twice and three times its charge (same M),
 * both readings fitted on all their points with the other envelopes'
 * fitted heights on shared peaks (a centroid of two merged points holds
 * at least the larger and at most both; a rung may find one within 3.5
 * times ppm), and the other reading replaces it when it leaves at most
 * half the squared residual, fits the peaks the neighbours hold less than
 * half of no worse, scores min_score and holds min_peaks of those peaks.
 * Last, an envelope with fewer than min_peaks peaks of its own is dropped:
 * a peak is its own when its fitted height there is at least 0.1 of what all
 * envelopes put there (what a stronger neighbour's fit leaves of a shared
 * peak makes no envelope). So is an envelope whose fitted intensity is below
 * min_signal_to_noise times the scan's noise level at its M (the first
 * quartile of the centroid intensities within 50 m/z; none when fewer than
 * 40 centroids lie there), and an envelope of two matched peaks whose
 * weaker fitted rung's peak holds less than half of what the stronger
 * rung's intensity (less what other envelopes fitted there) and the
 * pattern's ratio put there, by more than twice the noise level. Result sorted
 * by monoisotopic m/z, in *envelopes (free with corvan_envelopes_free). NULL settings: defaults.
 * Returns CORVAN_OK, CORVAN_E_ARGUMENT (NULL, settings out of range),
 * CORVAN_E_RANGE (spectrum), CORVAN_E_MEMORY; then *envelopes is NULL.
 * Example: the centroids of "PEPTIDEPEPTIDE" at charge 2 and of another
 * peptide at charge 3 interleaved: two envelopes, charges 2 and 3. */
CORVAN_API int corvan_deisotope(const double *mz, const double *intensity, size_t count,
                                const corvan_deisotope_settings *settings,
                                corvan_envelopes **envelopes, corvan_error *error);
/* The number of envelopes (0 for NULL). Example: 2 above. */
CORVAN_API size_t corvan_envelopes_count(const corvan_envelopes *envelopes);
/* Fills *envelope with envelope `index`. Returns CORVAN_OK or
 * CORVAN_E_ARGUMENT (NULL, index out of range).
 * Example: corvan_envelopes_get(e, 0, &f); f.charge. */
CORVAN_API int corvan_envelopes_get(const corvan_envelopes *envelopes, size_t index,
                                    corvan_found_envelope *envelope);
/* Frees envelopes; NULL is fine. Example: corvan_envelopes_free(e). */
CORVAN_API void corvan_envelopes_free(corvan_envelopes *envelopes);

/* Which peak of an envelope is its monoisotopic one. */
typedef struct corvan_monoisotopic {
    int offset;          /* the named peak is M + offset (0: the pick is right) */
    double corrected_mz; /* m/z of M */
    double score;        /* cosine of the chosen hypothesis */
    double named_score;  /* cosine with the named peak as M */
} corvan_monoisotopic;

/* Checks a monoisotopic pick: `named_mz` at `charge` (1..100) is scored as
 * M, M+1 and M+2 of an ion whose M is offset * 1.00286 / charge lighter
 * (the peptide by-mass model, as corvan_deisotope scores, the rung below
 * M always counting as an expected 0), and the best
 * hypothesis whose M has a peak is kept; a heavier offset must beat the
 * named one's score by 0.05. Returns CORVAN_OK, CORVAN_E_ARGUMENT (NULL,
 * charge or ppm out of range), CORVAN_E_RANGE (spectrum, or no peak at
 * named_mz). Example: the envelope of "PEPTIDEPEPTIDE"/2 with its M+1
 * named: offset 1, corrected_mz its monoisotopic m/z. */
CORVAN_API int corvan_monoisotopic_check(const double *mz, const double *intensity,
                                         size_t count, double named_mz, int charge,
                                         const corvan_deisotope_settings *settings,
                                         corvan_monoisotopic *result, corvan_error *error);

#ifdef __cplusplus
}
#endif

#endif /* CORVAN_H */
