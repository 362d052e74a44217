// The fragment ion series and neutral losses, by their CORVAN_ION_* and
// CORVAN_LOSS_* bits, their names, and the text that chooses them.
#pragma once

#include <array>
#include <string_view>

#include "corvan.h"
#include "molecule/outcome.hpp"

namespace corvan::fragments {

struct Series {
    unsigned bit;     // CORVAN_ION_*
    const char *name; // "b", "a-B", "imm"
    bool nucleic;     // a series of nucleic acids (else of peptides)
    bool n_terminal;  // holds the first residues (5' end), else the last
};

// In the order of their bits, which is the order of the results.
inline constexpr std::array<Series, 9> kSeries = {{
    {CORVAN_ION_A, "a", false, true},
    {CORVAN_ION_B, "b", false, true},
    {CORVAN_ION_C, "c", true, true},
    {CORVAN_ION_X, "x", false, false},
    {CORVAN_ION_Y, "y", true, false},
    {CORVAN_ION_Z, "z", false, false},
    {CORVAN_ION_IMMONIUM, "imm", false, true},
    {CORVAN_ION_A_BASE, "a-B", true, true},
    {CORVAN_ION_W, "w", true, false},
}};

inline constexpr unsigned kAllSeries = (CORVAN_ION_W << 1) - 1;
// c and y are of both kinds.
inline constexpr unsigned kPeptideSeries = kAllSeries & ~(CORVAN_ION_A_BASE | CORVAN_ION_W);
inline constexpr unsigned kNucleicSeries =
    CORVAN_ION_C | CORVAN_ION_Y | CORVAN_ION_A_BASE | CORVAN_ION_W;

struct Loss {
    unsigned bit;        // CORVAN_LOSS_*
    const char *formula; // what leaves
    const char *holders; // residues whose presence allows it ("" : phospho S/T)
};

inline constexpr std::array<Loss, 3> kLosses = {{
    {CORVAN_LOSS_H2O, "H2O", "STED"},
    {CORVAN_LOSS_NH3, "NH3", "RKNQ"},
    {CORVAN_LOSS_H3PO4, "H3PO4", ""},
}};
inline constexpr unsigned kAllLosses = (CORVAN_LOSS_H3PO4 << 1) - 1;

// "by", "b,y", "a-B,c,y,w", "immonium" into CORVAN_ION_* bits.
Outcome parse_types(std::string_view text, unsigned &types);

// "2", "1-3", "-1", "-3..-1", "1..3" into a range of one sign without 0.
Outcome parse_charges(std::string_view text, int &low, int &high);

} // namespace corvan::fragments
