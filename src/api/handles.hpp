// What the opaque handles of the public interface hold.
#pragma once

#include <string>
#include <vector>

#include "corvan.h"
#include "ion/adduct.hpp"
#include "labels/isotope_label.hpp"
#include "molecule/composition.hpp"

struct corvan_molecule {
    corvan::chem::Composition composition;
    int charge = 0; // from the text ("PEPTIDE/2"); 0: none given
};

struct corvan_options {
    int charge = 0;
    corvan::ion::Carrier carrier = corvan::ion::proton();
    corvan::labels::LabelSet labels;
    int max_points = 0;
    double min_intensity = 0;
};

struct corvan_distribution {
    std::vector<int> neutrons;
    std::vector<double> shares, intensities, masses, mz;
    corvan_summary summary{};
};

namespace corvan::api {

// Reads `text` of `kind` into `molecule` (composition and the text's charge).
Outcome parse_molecule(int kind, const char *text, corvan_molecule &molecule);

// Runs `body` (returning an Outcome), turning a failed allocation into
// CORVAN_E_MEMORY so that no exception leaves the library.
template <class Body> int guarded(corvan_error *error, Body &&body) noexcept {
    try {
        return report(body(), error);
    } catch (...) {
        return report(Outcome::failure(CORVAN_E_MEMORY, "out of memory"), error);
    }
}

} // namespace corvan::api
