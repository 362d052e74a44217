// The atoms of a molecule or ion as independent groups of one element, each
// with the isotope masses and shares its atoms draw from: the molecule's own
// atoms take the call's labels, a carrier's atoms (the adduct) stay natural,
// and atoms fixed to one isotope add a constant mass.
#pragma once

#include <array>
#include <cstddef>
#include <vector>

#include "labels/element_pattern.hpp"
#include "molecule/composition.hpp"
#include "molecule/outcome.hpp"

namespace corvan::spectrum {

inline constexpr std::size_t kMaxIsotopes = labels::kMostIsotopes;

struct AtomGroup {
    int element = 0;
    long long count = 0;
    std::size_t size = 0;                      // isotopes with a share above 0
    std::array<double, kMaxIsotopes> masses{}; // u
    std::array<double, kMaxIsotopes> shares{}; // sum to 1
    double mean_mass() const;
    double mass_variance() const;
};

struct IonAtoms {
    std::vector<AtomGroup> groups;
    double fixed_mass = 0; // atoms of one isotope, less the electrons of the charge
    int charge = 0;        // 0: neutral, masses are in Da; else m/z = mass / |charge|
    // Mass (Da) of an ion composition made of `mass` in atoms, as m/z.
    double to_mz(double mass) const;
};

// Splits molecule + (charge / carrier_charge) carrier atoms into groups.
// A loss (negative carrier count) takes its atoms from the molecule's own.
// Fails with CORVAN_E_UNSUPPORTED for fractional counts (molecules by
// mass), CORVAN_E_RANGE for an element that falls below zero.
Outcome ion_atoms(const chem::Composition &molecule, const chem::Composition &carrier, int carriers,
                  int charge, const labels::LabelSet &labels, IonAtoms &result);

} // namespace corvan::spectrum
