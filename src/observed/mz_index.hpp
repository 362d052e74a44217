// Where each stretch of a sorted m/z array starts: deisotoping looks up
// thousands of places in one scan, and a bucket look-up followed by a step
// or two replaces a binary search over the whole scan.
#pragma once

#include <cstddef>
#include <span>
#include <vector>

namespace corvan::observed {

class MzIndex {
  public:
    // `mz` ascending; kept by reference. Throws
    // std::bad_alloc when out of memory.
    explicit MzIndex(std::span<const double> mz);

    // The first index whose m/z is >= low (the size when none is).
    std::size_t first_at_least(double low) const;

  private:
    long bucket(double mz) const;

    std::span<const double> mz_;
    double origin_ = 0, width_ = 1;
    // start_[b]: the first index whose bucket is b or above.
    std::vector<std::size_t> start_;
};

} // namespace corvan::observed
