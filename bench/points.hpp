// A pattern as the comparison benchmarks score it: one slot per k, the
// neutrons above the lightest composition.
#pragma once

#include <cmath>
#include <cstddef>
#include <cstdlib>
#include <string>
#include <vector>

#include "corvan.h"

namespace bench {

struct Points {
    std::vector<double> heights, masses; // masses NaN where empty
};

// The points of a corvan distribution; `mass_of` turns each m/z into the
// value compared (the m/z itself, or the ion's mass).
template <class MassOf> Points points_of(const corvan_points &p, MassOf mass_of) {
    const std::size_t length = static_cast<std::size_t>(p.neutrons[p.count - 1]) + 1;
    Points out{std::vector<double>(length, 0), std::vector<double>(length, NAN)};
    for (std::size_t i = 0; i < p.count; ++i) {
        out.heights[static_cast<std::size_t>(p.neutrons[i])] = p.intensities[i];
        out.masses[static_cast<std::size_t>(p.neutrons[i])] = mass_of(p.mz[i]);
    }
    return out;
}

// A formula's ion computed with `options` the whole way (parse, compute,
// read the points); the benchmark stops at once if the library refuses.
template <class MassOf>
Points formula_points(const std::string &formula, const corvan_options *options, MassOf mass_of) {
    corvan_distribution *d = nullptr;
    if (corvan_distribution_from_text(CORVAN_KIND_FORMULA, formula.c_str(), options, &d, nullptr) !=
        CORVAN_OK)
        std::abort();
    corvan_points p;
    corvan_distribution_points(d, &p);
    Points out = points_of(p, mass_of);
    corvan_distribution_free(d);
    return out;
}

} // namespace bench
