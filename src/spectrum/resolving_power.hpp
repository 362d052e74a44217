// Resolving power over m/z: R given at a reference m/z with an analyzer's
// law, or a table of (m/z, R) pairs; FWHM(m/z) = m/z / R(m/z).
#pragma once

#include <vector>

#include "corvan.h"
#include "molecule/outcome.hpp"

namespace corvan::spectrum {

class ResolvingPower {
  public:
    // Checks and copies the caller's description.
    Outcome set(const corvan_resolution &resolution);

    double power(double mz) const;
    double fwhm(double mz) const { return mz / power(mz); }

  private:
    int analyzer_ = CORVAN_ANALYZER_ORBITRAP;
    double power_ = 0, reference_ = 0;
    std::vector<double> table_mz_, table_power_;
};

// Reads "orbitrap", "fticr", "tof" or "quadrupole" into an analyzer; false
// for other names.
bool analyzer_from_name(const char *name, int &analyzer);

} // namespace corvan::spectrum
