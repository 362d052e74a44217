// The profile an instrument records: the fine structure's peaks, each a
// peak shape of the FWHM at its m/z, summed on a regular m/z grid.
#pragma once

#include <cstddef>
#include <vector>

#include "molecule/outcome.hpp"
#include "spectrum/fine_structure.hpp"
#include "spectrum/ion_atoms.hpp"
#include "spectrum/peak_shape.hpp"
#include "spectrum/resolving_power.hpp"

namespace corvan::spectrum {

struct ProfileRequest {
    ResolvingPower power;
    PeakShape shape;
    double mz_low = 0, mz_high = 0; // both 0: the envelope and its tails
    double mz_step = 0;             // 0: FWHM at the envelope's centre / points_per_fwhm
    double points_per_fwhm = 10;
};

struct Profile {
    std::vector<double> mz, intensity;
};

// Checks the grid settings of the request.
Outcome check_grid(const ProfileRequest &request);

// The sum of shapes over the given peaks (in any order), evaluated directly.
Outcome profile_by_sum(const FinePeaks &peaks, const ProfileRequest &request, Profile &result);

// The profile from the transform of the whole mass distribution, without
// listing fine peaks. CORVAN_E_UNSUPPORTED when the FWHM changes too much
// over the envelope for its second-order expansion.
Outcome profile_by_transform(const IonAtoms &atoms, const ProfileRequest &request, Profile &result);

// Chooses the route: the direct sum over a fine structure cut far below
// what the profile can show when it is small, the transform otherwise.
Outcome profile(const IonAtoms &atoms, const ProfileRequest &request, Profile &result,
                std::size_t &needed);

} // namespace corvan::spectrum
