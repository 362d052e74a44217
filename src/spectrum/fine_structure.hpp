// Fine structure: the isotopic compositions of a molecule or ion, each with
// its exact mass and probability, listed by threshold or by coverage.
#pragma once

#include <cstddef>
#include <vector>

#include "molecule/outcome.hpp"
#include "spectrum/ion_atoms.hpp"

namespace corvan::spectrum {

enum class FineMode { threshold, coverage };

struct FineRequest {
    FineMode mode = FineMode::threshold;
    // threshold: keep compositions whose probability is at least `value`
    // times the highest one, (0, 1]; coverage: the most probable ones until
    // their sum reaches `value`, (0, 1).
    double value = 1e-3;
    std::size_t max_peaks = 100000;
    // false: the peaks in any order, for callers that only add them up
    // (ordering them costs a share of the listing).
    bool by_mass = true;
};

struct FinePeaks {
    std::vector<double> mz;          // m/z for an ion, Da when neutral; ascending (by_mass)
    std::vector<double> probability; // share of the whole distribution
};

// Fails with CORVAN_E_TOO_WIDE when more than request.max_peaks peaks are
// needed; `needed` then holds their number, or a lower bound when counting
// stopped early (at kCountingLimit times the cap) or, in coverage mode, when
// more than the cap would be needed.
Outcome fine_structure(const IonAtoms &atoms, const FineRequest &request, FinePeaks &result,
                       std::size_t &needed);

// How far past the cap the count goes before it stops.
inline constexpr std::size_t kCountingLimit = 16;

Outcome check_request(const FineRequest &request);

} // namespace corvan::spectrum
