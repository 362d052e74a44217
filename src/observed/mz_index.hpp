// Where each stretch of a sorted m/z array starts: deisotoping looks up
// thousands of places in one scan, and a bucket look-up followed by a step
// or two replaces a binary search over the whole scan. The look-up is
// inline and multiplies by the buckets' inverse width: it runs for nearly
// every tolerance window deisotoping searches, most of which hold no peak.
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
    std::size_t first_at_least(double low) const {
        const double place = bucket_place(low);
        if (!(place >= 0) || start_.empty()) return 0;
        if (place >= static_cast<double>(start_.size())) return mz_.size();
        std::size_t i = start_[static_cast<std::size_t>(place)];
        while (i < mz_.size() && mz_[i] < low) ++i;
        return i;
    }

  private:
    // Monotonic in m/z, so a lower bucket holds only lower m/z; the bucket
    // is its whole part.
    double bucket_place(double mz) const { return (mz - origin_) * per_width_; }

    std::span<const double> mz_;
    double origin_ = 0, per_width_ = 1;
    // start_[b]: the first index whose bucket is b or above.
    std::vector<std::size_t> start_;
};

} // namespace corvan::observed
