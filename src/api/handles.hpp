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
    // Adduct ions the text writes ("PEPTIDE/1[+2Na+,-H+]") carry its charge.
    bool has_adducts = false;
    corvan::ion::Carrier adducts;
};

struct corvan_options {
    int charge = 0;
    corvan::ion::Carrier carrier = corvan::ion::proton();
    std::string adduct; // as the caller named it; "" for protons by default
    corvan::labels::LabelSet labels;
    int max_points = 0;
    double min_intensity = 0;
};

// One allocation holds the handle and its columns (see distribution_api.cpp).
struct corvan_distribution {
    std::size_t count = 0;
    int *neutrons = nullptr;
    double *shares = nullptr, *intensities = nullptr, *masses = nullptr;
    double *mz = nullptr; // null for a neutral molecule
    corvan_summary summary{};
    corvan_most_abundant most_abundant{};
};

namespace corvan::api {

// Reads `text` of `kind` into `molecule` (its composition replaced, and the
// text's charge).
Outcome parse_molecule(int kind, const char *text, corvan_molecule &molecule);
// The checks parse_molecule makes of every molecule read from `text`.
Outcome check_molecule(std::string_view text, const corvan_molecule &molecule);

// An adduct named with charge 0 would be silently dropped: refused where a
// distribution is computed with such options (a row of a many-molecule call
// with its own charge takes the adduct).
inline bool adduct_lacks_charge(const corvan_options &options) {
    return options.charge == 0 && !options.adduct.empty();
}
inline Outcome check_adduct_charge(const corvan_options &options) {
    if (!adduct_lacks_charge(options)) return Outcome::success();
    return Outcome::failure(CORVAN_E_CHARGE, "the adduct " + corvan::quoted(options.adduct) +
                                                 " carries a charge, but the charge is 0: give "
                                                 "the ion's charge (1 for [M+Na]+), or no adduct");
}

// Runs `body` (returning an Outcome) so that no exception leaves the
// library: a failed allocation gives CORVAN_E_MEMORY, any other exception
// CORVAN_E_INTERNAL with its text.
template <class Body> int guarded(corvan_error *error, Body &&body) noexcept {
    try {
        return report(body(), error);
    } catch (...) {
        return report(exception_outcome(), error);
    }
}

// The *_defaults calls: the caller's record filled with `defaults`.
template <class Settings> int fill_defaults(Settings *settings, const Settings &defaults) noexcept {
    if (settings == nullptr) return CORVAN_E_ARGUMENT;
    *settings = defaults;
    return CORVAN_OK;
}

} // namespace corvan::api
