// The envelope a molecule should show: its ion's points at one charge,
// with the caller's labels and adduct.
#pragma once

#include <vector>

#include "api/handles.hpp"

namespace corvan::observed {

struct ExpectedPoint {
    int neutrons;
    double mz;
    double share;  // of the whole distribution
    double height; // relative to the highest point
};

struct Expected {
    int charge = 0;
    double monoisotopic_mz = 0;
    std::vector<ExpectedPoint> points; // only those with a finite m/z, in order of k
};

// The ion of `molecule` at `charge` (the text's own charge is replaced) as
// `options` say, with `extra` labels ("15N=0.5"; may be empty) added.
Outcome expected_envelope(const corvan_molecule &molecule, const corvan_options &options,
                          int charge, const std::vector<labels::Label> &extra, Expected &result);

// The charge of a call that takes one: the options', else the text's.
Outcome single_charge(const corvan_molecule &molecule, const corvan_options &options, int &charge);

// The charges from `low` to `high`, or the single charge when both are 0.
Outcome charges_to_try(const corvan_molecule &molecule, const corvan_options &options, int low,
                       int high, std::vector<int> &charges);

// Mass of the proton (u): hydrogen-1 less an electron.
double proton_mass();

} // namespace corvan::observed
