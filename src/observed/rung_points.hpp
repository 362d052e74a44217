// The peaks on an envelope's rungs (its charge's steps from its M), on
// which the patterns of two ions sharing peaks are laid and fitted together.
#pragma once

#include <cstddef>
#include <span>
#include <vector>

#include "corvan.h"
#include "observed/peak_list.hpp"
#include "observed/split_ion.hpp"

namespace corvan::observed {

struct RungPoints {
    std::vector<double> observed; // the weight of the peak on each rung, 0 without one
    std::vector<std::size_t> peak_at;

    // `rungs` points from `below` rungs below `mono` at `charge`.
    void gather(const PeakList &peaks, std::span<const double> weights, double ppm, double mono,
                int charge, std::size_t below, std::size_t rungs);

    // `pattern` laid on every `stride`-th point from `first`, 0 elsewhere.
    std::vector<double> lay(const std::vector<double> &pattern, std::size_t first,
                            std::size_t stride) const;
};

// The sum of squares `observed` - `scale` x `expected` leaves.
double residual(std::span<const double> expected, double scale, std::span<const double> observed);

// Fills `ion` (its pattern and scale set) as the ion whose points are every
// `stride`-th from `first` (its rung below M one stride lower), scored on
// what `other` (laid on the points, at `other_scale`) leaves of the peaks;
// a peak on the rung below counts against it when `count_below`.
void describe_on_leftovers(const RungPoints &points, std::size_t first, std::size_t stride,
                           const std::vector<double> &other, double other_scale, SplitIon &ion,
                           bool count_below = true);

// Whether deisotoping keeps the ion: its M has a peak, and its score and
// matched peaks reach the settings.
bool keeps(const SplitIon &ion, const corvan_deisotope_settings &settings);

} // namespace corvan::observed
