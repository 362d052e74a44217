// Amino-acid, nucleotide and averaging-unit compositions.
#include "corvan.h"

extern "C" {

const char aaorder[21] = "ACDEFGHIKLMNPQRSTVWY";
const char pepOrder[21] = "ACDEFGHIKLMNPQRSTVWY";
const char *aa_names[20] = {"A", "C", "D", "E", "F", "G", "H", "I", "K", "L",
                            "M", "N", "P", "Q", "R", "S", "T", "V", "W", "Y"};

// Residue = amino acid less one water; columns C, H, N, O, S.
const int aa_vectors[20][5] = {
    {3, 5, 1, 1, 0},   // A
    {3, 5, 1, 1, 1},   // C
    {4, 5, 1, 3, 0},   // D
    {5, 7, 1, 3, 0},   // E
    {9, 9, 1, 1, 0},   // F
    {2, 3, 1, 1, 0},   // G
    {6, 7, 3, 1, 0},   // H
    {6, 11, 1, 1, 0},  // I
    {6, 12, 2, 1, 0},  // K
    {6, 11, 1, 1, 0},  // L
    {5, 9, 1, 1, 1},   // M
    {4, 6, 2, 2, 0},   // N
    {5, 7, 1, 1, 0},   // P
    {5, 8, 2, 2, 0},   // Q
    {6, 12, 4, 1, 0},  // R
    {3, 5, 1, 2, 0},   // S
    {4, 7, 1, 2, 0},   // T
    {5, 9, 1, 1, 0},   // V
    {11, 10, 2, 1, 0}, // W
    {9, 9, 1, 2, 0},   // Y
};

const char *amino_acid_names[23] = {"G", "A", "S", "P", "V", "T", "C", "L", "I", "J", "N", "D",
                                    "Q", "K", "E", "M", "H", "F", "U", "R", "Y", "W", "O"};

// Columns H, C, N, O, S; U carries no selenium column; the last row is empty.
int amino_acid_vectors[24][5] = {
    {3, 2, 1, 1, 0}, {5, 3, 1, 1, 0},   {5, 3, 1, 2, 0},   {7, 5, 1, 1, 0},  {9, 5, 1, 1, 0},
    {7, 4, 1, 2, 0}, {5, 3, 1, 1, 1},   {11, 6, 1, 1, 0},  {11, 6, 1, 1, 0}, {11, 6, 1, 1, 0},
    {6, 4, 2, 2, 0}, {5, 4, 1, 3, 0},   {8, 5, 2, 2, 0},   {12, 6, 2, 1, 0}, {7, 5, 1, 3, 0},
    {9, 5, 1, 1, 1}, {7, 6, 3, 1, 0},   {9, 9, 1, 1, 0},   {5, 3, 1, 1, 0},  {12, 6, 4, 1, 0},
    {9, 9, 1, 2, 0}, {10, 11, 2, 1, 0}, {19, 12, 3, 2, 0}, {0, 0, 0, 0, 0},
};

int numaminoacids = 23;
int num_simp_elements = 5;
const char *pep_encoding_elements[5] = {"C", "H", "N", "O", "S"};

double massavgine = 111.1254;
double avgine[5] = {4.9384, 7.7583, 1.3577, 1.4773, 0.0417};
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
