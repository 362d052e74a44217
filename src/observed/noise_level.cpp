#include "observed/noise_level.hpp"

#include <algorithm>
#include <bit>
#include <cassert>
#include <numeric>

namespace corvan::observed {

namespace {

// Counts of the window's peaks by intensity rank (a Fenwick tree), so that
// the window's quartile is found in log steps as it slides along the scan.
class RankCounts {
  public:
    explicit RankCounts(std::size_t size) : tree_(size + 1, 0) {}

    void add(std::size_t rank, int delta) {
        for (std::size_t i = rank + 1; i < tree_.size(); i += i & (~i + 1)) tree_[i] += delta;
    }

    // The rank of the window's (k+1)-th lowest intensity.
    std::size_t kth(std::size_t k) const {
        std::size_t at = 0;
        auto left = static_cast<int>(k);
        for (std::size_t step = std::bit_floor(tree_.size()); step > 0; step /= 2)
            if (at + step < tree_.size() && tree_[at + step] <= left) at += step, left -= tree_[at];
        return at;
    }

  private:
    std::vector<int> tree_;
};

} // namespace

double noise_level(const PeakList &peaks, double mz, std::vector<double> &buffer) {
    const auto first = std::lower_bound(peaks.mz.begin(), peaks.mz.end(), mz - kNoiseHalfWidth);
    const auto last = std::upper_bound(first, peaks.mz.end(), mz + kNoiseHalfWidth);
    const auto begin = peaks.intensity.begin() + (first - peaks.mz.begin());
    const auto count = static_cast<std::size_t>(last - first);
    if (count < kNoiseLeastPeaks) return 0;
    buffer.assign(begin, begin + static_cast<std::ptrdiff_t>(count));
    const auto quartile = buffer.begin() + static_cast<std::ptrdiff_t>(count / 4);
    std::nth_element(buffer.begin(), quartile, buffer.end());
    return *quartile;
}

std::vector<double> noise_levels(const PeakList &peaks, std::span<const double> mz) {
    const std::size_t n = peaks.size();
    std::vector<std::size_t> by_intensity(n), rank(n), order(mz.size());
    std::iota(by_intensity.begin(), by_intensity.end(), std::size_t{0});
    std::sort(by_intensity.begin(), by_intensity.end(), [&](std::size_t a, std::size_t b) {
        return peaks.intensity[a] < peaks.intensity[b];
    });
    for (std::size_t r = 0; r < n; ++r) rank[by_intensity[r]] = r;
    std::iota(order.begin(), order.end(), std::size_t{0});
    std::sort(order.begin(), order.end(),
              [&](std::size_t a, std::size_t b) { return mz[a] < mz[b]; });
    std::vector<double> levels(mz.size(), 0);
    RankCounts window(n);
    std::size_t first = 0, last = 0; // the window's peaks: [first, last)
    for (std::size_t q : order) {
        for (; last < n && peaks.mz[last] <= mz[q] + kNoiseHalfWidth; ++last)
            window.add(rank[last], 1);
        for (; first < last && peaks.mz[first] < mz[q] - kNoiseHalfWidth; ++first)
            window.add(rank[first], -1);
        const std::size_t count = last - first;
        if (count >= kNoiseLeastPeaks)
            levels[q] = peaks.intensity[by_intensity[window.kth(count / 4)]];
    }
    return levels;
}

void drop_below_noise(double min_signal_to_noise, std::vector<corvan_found_envelope> &found,
                      std::vector<EnvelopeShare> &shares, std::vector<double> &noise) {
    assert(found.size() == shares.size() && found.size() == noise.size());
    if (!(min_signal_to_noise > 0)) return;
    std::size_t kept = 0;
    for (std::size_t i = 0; i < found.size(); ++i) {
        if (found[i].intensity < min_signal_to_noise * noise[i]) continue;
        if (kept != i)
            found[kept] = found[i], shares[kept] = std::move(shares[i]), noise[kept] = noise[i];
        ++kept;
    }
    found.resize(kept), shares.resize(kept), noise.resize(kept);
}

} // namespace corvan::observed
