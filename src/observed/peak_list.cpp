// Checking and searching a caller's spectrum.
#include "observed/peak_list.hpp"

#include <algorithm>
#include <cmath>
#include <string>

namespace corvan::observed {

namespace {

Outcome refuse_peak(std::size_t index, const std::string &what) {
    return Outcome::failure(CORVAN_E_RANGE,
                            "peak " + std::to_string(index + 1) + " of the spectrum " + what,
                            static_cast<long>(index));
}

} // namespace

Outcome read_peaks(const double *mz, const double *intensity, std::size_t count, PeakList &peaks) {
    if (count == 0)
        return Outcome::failure(CORVAN_E_RANGE, "the spectrum is empty: it has no peaks");
    if (mz == nullptr || intensity == nullptr)
        return Outcome::failure(CORVAN_E_ARGUMENT, "no m/z or intensity array given");
    for (std::size_t i = 0; i < count; ++i) {
        if (!std::isfinite(mz[i]) || mz[i] <= 0)
            return refuse_peak(i, "has an m/z that is not a finite number above 0");
        if (!std::isfinite(intensity[i]) || intensity[i] < 0)
            return refuse_peak(i, "has a negative or non-finite intensity");
        if (i > 0 && mz[i] < mz[i - 1])
            return refuse_peak(i, "is lighter than the one before: m/z must be sorted "
                                  "in ascending order");
    }
    peaks.mz = {mz, count};
    peaks.intensity = {intensity, count};
    return Outcome::success();
}

Outcome check_ppm(double ppm) {
    if (std::isfinite(ppm) && ppm > 0 && ppm <= kMaxPpm) return Outcome::success();
    return Outcome::failure(CORVAN_E_ARGUMENT,
                            "the tolerance must be above 0 and at most 10000 ppm");
}

} // namespace corvan::observed
