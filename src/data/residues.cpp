// Amino-acid, nucleotide and averaging-unit compositions.
#include "molecule/residues.hpp"
#include "corvan.h"
#include "molecule/averaging_units.hpp"

using corvan::chem::amino_acid;
using corvan::chem::kPeptideUnit;

extern "C" {

const char aaorder[21] = "ACDEFGHIKLMNPQRSTVWY";
const char pepOrder[21] = "ACDEFGHIKLMNPQRSTVWY";
const char *aa_names[20] = {"A", "C", "D", "E", "F", "G", "H", "I", "K", "L",
                            "M", "N", "P", "Q", "R", "S", "T", "V", "W", "Y"};

// Residue = amino acid less one water; columns C, H, N, O, S.
#define CHNOS_ROW(letter)                                                                          \
    {                                                                                              \
        amino_acid(letter).c, amino_acid(letter).h, amino_acid(letter).n, amino_acid(letter).o,    \
            amino_acid(letter).s                                                                   \
    }
const int aa_vectors[20][5] = {
    CHNOS_ROW('A'), CHNOS_ROW('C'), CHNOS_ROW('D'), CHNOS_ROW('E'), CHNOS_ROW('F'),
    CHNOS_ROW('G'), CHNOS_ROW('H'), CHNOS_ROW('I'), CHNOS_ROW('K'), CHNOS_ROW('L'),
    CHNOS_ROW('M'), CHNOS_ROW('N'), CHNOS_ROW('P'), CHNOS_ROW('Q'), CHNOS_ROW('R'),
    CHNOS_ROW('S'), CHNOS_ROW('T'), CHNOS_ROW('V'), CHNOS_ROW('W'), CHNOS_ROW('Y'),
};

const char *amino_acid_names[23] = {"G", "A", "S", "P", "V", "T", "C", "L", "I", "J", "N", "D",
                                    "Q", "K", "E", "M", "H", "F", "U", "R", "Y", "W", "O"};

// Columns H, C, N, O, S, rows in the order of amino_acid_names; U carries no
// selenium column; the last row is empty.
#define HCNOS_ROW(letter)                                                                          \
    {                                                                                              \
        amino_acid(letter).h, amino_acid(letter).c, amino_acid(letter).n, amino_acid(letter).o,    \
            amino_acid(letter).s                                                                   \
    }
int amino_acid_vectors[24][5] = {
    HCNOS_ROW('G'), HCNOS_ROW('A'), HCNOS_ROW('S'), HCNOS_ROW('P'), HCNOS_ROW('V'), HCNOS_ROW('T'),
    HCNOS_ROW('C'), HCNOS_ROW('L'), HCNOS_ROW('I'), HCNOS_ROW('J'), HCNOS_ROW('N'), HCNOS_ROW('D'),
    HCNOS_ROW('Q'), HCNOS_ROW('K'), HCNOS_ROW('E'), HCNOS_ROW('M'), HCNOS_ROW('H'), HCNOS_ROW('F'),
    HCNOS_ROW('U'), HCNOS_ROW('R'), HCNOS_ROW('Y'), HCNOS_ROW('W'), HCNOS_ROW('O'), {0, 0, 0, 0, 0},
};

int numaminoacids = 23;
int num_simp_elements = 5;
const char *pep_encoding_elements[5] = {"C", "H", "N", "O", "S"};

double massavgine = 111.1254;
double avgine[5] = {kPeptideUnit.c, kPeptideUnit.h, kPeptideUnit.n, kPeptideUnit.o, kPeptideUnit.s};
double averagine_coeffs[5] = {0.04444, 0.069816, 0.012218, 0.013294, 0.0003753};

const int rna_vectors[4][5] = {
    {10, 11, 5, 6, 0}, // A
    {9, 11, 3, 7, 0},  // C
    {10, 11, 5, 7, 0}, // G
    {9, 10, 2, 8, 0},  // U
};
const char rnaOrder[5] = "ACGU";
const float rnaveragine_mass = 320.2838f;
const double rnaveragine_comp_numerical[5] = {9.5, 10.75, 3.75, 7.0, 0.0};
const double rnaveragine_coeff[5] = {0.029661, 0.033564, 0.01171, 0.02186, 0.0};

// Columns H, C, N, O, S.
const int dna_vectors[4][5] = {
    {12, 10, 5, 5, 0}, // A
    {12, 9, 3, 6, 0},  // C
    {12, 10, 5, 6, 0}, // G
    {13, 10, 2, 7, 0}, // T
};

} // extern "C"
