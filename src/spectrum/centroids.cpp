#include "spectrum/centroids.hpp"

#include <algorithm>
#include <cmath>

namespace corvan::spectrum {

namespace {

struct Vertex {
    double offset = 0, height = 0; // offset in grid steps from the maximum
};

// The log-parabola through three points: exact for a Gaussian.
Vertex log_parabola(double left, double top, double right) {
    if (!(left > 0 && right > 0 && top > 0)) return {0, top};
    const double l = std::log(left), t = std::log(top), r = std::log(right);
    const double curvature = l - 2 * t + r;
    if (!(curvature < 0)) return {0, top};
    const double offset = 0.5 * (l - r) / curvature;
    return {offset, std::exp(t - 0.25 * (l - r) * offset)};
}

} // namespace

void find_centroids(const Profile &profile, const FinePeaks &fine, double min_height,
                    Centroids &result) {
    result = Centroids{};
    const std::vector<double> &y = profile.intensity;
    const std::size_t n = y.size();
    if (n == 0) return;
    const double highest = *std::max_element(y.begin(), y.end());
    if (!(highest > 0)) return;
    const double step = n > 1 ? profile.mz[1] - profile.mz[0] : 0;
    for (std::size_t k = 0; k < n; ++k) {
        const bool rises = k == 0 || y[k] > y[k - 1];
        if (!rises || (k + 1 < n && y[k + 1] > y[k]) || y[k] < min_height * highest) continue;
        std::size_t left = k, right = k;
        while (left > 0 && y[left - 1] <= y[left]) --left;
        while (right + 1 < n && y[right + 1] <= y[right]) ++right;
        const Vertex v =
            k > 0 && k + 1 < n ? log_parabola(y[k - 1], y[k], y[k + 1]) : Vertex{0, y[k]};
        double area = 0;
        for (std::size_t j = left; j < right; ++j) area += 0.5 * (y[j] + y[j + 1]) * step;
        const double low = profile.mz[left], high = profile.mz[right];
        const auto first = std::lower_bound(fine.mz.begin(), fine.mz.end(), low);
        const auto last = right + 1 == n ? std::upper_bound(first, fine.mz.end(), high)
                                         : std::lower_bound(first, fine.mz.end(), high);
        result.mz.push_back(profile.mz[k] + v.offset * step);
        result.height.push_back(v.height);
        result.area.push_back(area);
        result.first_fine.push_back(static_cast<std::size_t>(first - fine.mz.begin()));
        result.fine_count.push_back(static_cast<std::size_t>(last - first));
        k = right > k ? right - 1 : k;
    }
}

} // namespace corvan::spectrum
