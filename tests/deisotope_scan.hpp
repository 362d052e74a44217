// A scan as a map of centroids, deisotoped with the default settings, and
// the envelopes found read back as charge -> monoisotopic m/z.
#pragma once

#include <algorithm>
#include <cmath>
#include <map>
#include <vector>

#include <gtest/gtest.h>

#include "corvan.h"

namespace deisotope_scan {

using Peaks = std::map<double, double>;   // m/z -> intensity
using Found = std::multimap<int, double>; // charge -> monoisotopic m/z

inline Found deisotoped(const Peaks &scan) {
    std::vector<double> mz, intensity;
    for (auto [m, h] : scan) mz.push_back(m), intensity.push_back(h);
    corvan_envelopes *found = nullptr;
    EXPECT_EQ(corvan_deisotope(mz.data(), intensity.data(), mz.size(), nullptr, &found, nullptr),
              CORVAN_OK);
    Found mono;
    for (std::size_t i = 0; i < corvan_envelopes_count(found); ++i) {
        corvan_found_envelope e{};
        corvan_envelopes_get(found, i, &e);
        mono.emplace(e.charge, e.monoisotopic_mz);
    }
    corvan_envelopes_free(found);
    return mono;
}

inline bool holds(const Found &found, int charge, double mono) {
    const auto [first, last] = found.equal_range(charge);
    return std::any_of(first, last, [&](auto e) { return std::abs(e.second - mono) < 1e-9; });
}

} // namespace deisotope_scan
