// The index of an envelope's highest point, found two lanes at a time.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstring>

namespace corvan::envelope {

// The index of the first of the highest of `points` shares (finite, not
// negative; at least one): the highest found two lanes at a time, then its
// place, which for an envelope lies near its start.
inline std::size_t highest_point(const double *shares, std::size_t points) {
    using Lanes = double __attribute__((vector_size(16)));
    Lanes most{shares[0], shares[0]};
    std::size_t i = 0;
    for (; i + 2 <= points; i += 2) {
        Lanes two;
        std::memcpy(&two, shares + i, sizeof two);
        most = two > most ? two : most;
    }
    double highest = std::max(most[0], most[1]);
    if (i < points) highest = std::max(highest, shares[i]);
    std::size_t top = 0;
    while (shares[top] != highest) ++top;
    return top;
}

} // namespace corvan::envelope
