// Centroids: the peaks instrument software reports from a profile, each
// with the fine peaks it merges.
#pragma once

#include <cstddef>
#include <vector>

#include "spectrum/fine_structure.hpp"
#include "spectrum/profile.hpp"

namespace corvan::spectrum {

struct Centroids {
    std::vector<double> mz, height, area;
    std::vector<std::size_t> first_fine, fine_count;
};

// Each local maximum of the profile at least min_height times its highest
// point: m/z and height from the parabola through the logarithms of the
// maximum and its neighbours, area by trapezoids between the minima either
// side, and the fine peaks (sorted by m/z) between those minima.
void find_centroids(const Profile &profile, const FinePeaks &fine, double min_height,
                    Centroids &result);

} // namespace corvan::spectrum
