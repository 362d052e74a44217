#include "spectrum/peak_merge.hpp"

#include <algorithm>
#include <cmath>

namespace corvan::spectrum {

namespace {

// A run's weight, mean and spread, its masses taken from its first one so
// that the spread keeps its digits.
struct Run {
    double origin, weight = 0, first_moment = 0, second_moment = 0;
    double mean() const { return origin + first_moment / weight; }
    double spread() const {
        return std::max(0.0, second_moment - first_moment * first_moment / weight);
    }
};

Run run_of(const double *mz, const double *probability, std::size_t count) {
    Run run{mz[0]};
    for (std::size_t i = 0; i < count; ++i) {
        const double d = mz[i] - run.origin;
        run.weight += probability[i];
        run.first_moment += probability[i] * d;
        run.second_moment += probability[i] * d * d;
    }
    return run;
}

double error_of(const Run &run, double fwhm) {
    constexpr double kFourLn2 = 2.772588722239781;
    return kFourLn2 / (fwhm * fwhm) * run.spread();
}

} // namespace

double merge_error(const double *mz, const double *probability, std::size_t count, double fwhm) {
    return count == 0 ? 0.0 : error_of(run_of(mz, probability, count), fwhm);
}

void merge_close_peaks(FinePeaks &peaks, const ResolvingPower &power, double low, double step,
                       double budget) {
    const std::size_t n = peaks.mz.size();
    double *mz = peaks.mz.data(), *probability = peaks.probability.data();
    const double per_step = kCellsPerStep / step;
    // Which peaks share a cell only decides what is tried: the error is
    // measured on the peaks themselves, so rounding towards zero below the
    // grid's start does no harm.
    const auto cell = [&](double x) { return static_cast<long>((x - low) * per_step + 0.5); };
    std::size_t kept = 0;
    double spent = 0, previous = -HUGE_VAL; // the last mass read, before any was merged
    for (std::size_t i = 0; i < n;) {
        std::size_t end = i + 1;
        const long here = cell(mz[i]);
        while (end < n && cell(mz[end]) == here) ++end;
        const double gap = mz[i] - previous;
        previous = mz[end - 1];
        if (end - i == 1) {
            // A lone peak: kept as it is, and a gap wider than the grid's
            // step may isolate what follows (a coarser step only resets less).
            if (gap > step && gap > kIsolatingFwhm * power.fwhm(mz[i])) spent = 0;
            mz[kept] = mz[i];
            probability[kept++] = probability[i];
            i = end;
            continue;
        }
        const Run run = run_of(mz + i, probability + i, end - i);
        // The FWHM across one cell changes by about a millionth: the one at
        // the mean serves the gap's test too.
        const double fwhm = power.fwhm(run.mean());
        if (gap > step && gap > kIsolatingFwhm * fwhm) spent = 0;
        const double error = error_of(run, fwhm);
        if (spent + error <= budget) {
            spent += error;
            mz[kept] = run.mean();
            probability[kept++] = run.weight;
        } else {
            for (std::size_t k = i; k < end; ++k, ++kept) {
                mz[kept] = mz[k];
                probability[kept] = probability[k];
            }
        }
        i = end;
    }
    peaks.mz.resize(kept);
    peaks.probability.resize(kept);
}

} // namespace corvan::spectrum
