// Fragment ions with their isotope envelopes, and the envelopes the
// fragments show when the precursor was isolated with some of its peaks.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "fragments/fragment_atoms.hpp"
#include "molecule/outcome.hpp"

namespace corvan::fragments {

struct Request {
    int kind = CORVAN_KIND_PEPTIDE; // or CORVAN_KIND_RNA, CORVAN_KIND_DNA
    unsigned types = CORVAN_ION_B | CORVAN_ION_Y;
    int min_charge = 1, max_charge = 1;
    unsigned losses = 0;
    int precursor_charge = 0; // 0: the text's, else the largest of the range
    bool isolates_peaks = false;
    std::vector<int> isolated_peaks; // k of the precursor's peaks
    bool isolates_window = false;
    double window_low = 0, window_high = 0; // m/z
};

struct FragmentIon {
    FragmentAtoms fragment;
    int charge = 0;
    std::string formula; // of the neutral fragment
    double monoisotopic_mass = 0, monoisotopic_mz = 0;
    std::vector<int> neutrons;
    std::vector<double> shares, conditioned, masses, mz; // conditioned empty without isolation
};

// Checks the request's own figures (types, charges, losses, window), and
// that they suit its kind of molecule.
Outcome check(const Request &request);

// The fragment ions of `text` as `request` asks, in the order of the
// fragments, each at the charges from min_charge up.
Outcome compute(std::string_view text, const Request &request, std::vector<FragmentIon> &ions);

} // namespace corvan::fragments
