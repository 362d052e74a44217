// Mean and variance of the first `size` values weighted by shares that sum
// to 1: an isotope pattern's mean position or mass and its spread.
#pragma once

#include <cstddef>

namespace corvan {

template <class Shares, class Values>
double weighted_mean(const Shares &shares, const Values &values, std::size_t size) {
    double mean = 0;
    for (std::size_t i = 0; i < size; ++i) mean += shares[i] * values[i];
    return mean;
}

template <class Shares, class Values>
double weighted_variance(const Shares &shares, const Values &values, std::size_t size) {
    const double mean = weighted_mean(shares, values, size);
    double variance = 0;
    for (std::size_t i = 0; i < size; ++i)
        variance += shares[i] * (values[i] - mean) * (values[i] - mean);
    return variance;
}

} // namespace corvan
