// Fine peaks merged on one grid cell: the error bound against the direct
// sum where it is tight, the budget, and lone peaks kept exactly.
#include <cmath>

#include <gtest/gtest.h>

#include "spectrum/peak_merge.hpp"

namespace {

using namespace corvan::spectrum;

const double kRate = 4 * std::log(2.0);

double gaussian_sum(const FinePeaks &peaks, double x, double fwhm) {
    double sum = 0;
    for (std::size_t i = 0; i < peaks.mz.size(); ++i) {
        const double d = (x - peaks.mz[i]) / fwhm;
        sum += peaks.probability[i] * std::exp(-kRate * d * d);
    }
    return sum;
}

ResolvingPower constant_width(double mz, double fwhm) {
    ResolvingPower power;
    corvan_resolution r{CORVAN_ANALYZER_QUADRUPOLE, mz / fwhm, mz, 0, nullptr, nullptr};
    EXPECT_TRUE(power.set(r).ok());
    return power;
}

TEST(PeakMerge, TheBoundIsReachedAtTheMeanOfTwoEqualPeaks) {
    // Two halves d apart: sum p (m - mean)^2 = d^2 / 4; at the mean the
    // merged peak stands 1 - exp(-a d^2 / 4) above them, a d^2 / 4 to
    // first order.
    const double fwhm = 0.01, d = 0.001, a = kRate / (fwhm * fwhm);
    const FinePeaks pair{{500 - d / 2, 500 + d / 2}, {0.5, 0.5}};
    const double bound = merge_error(pair.mz.data(), pair.probability.data(), 2, fwhm);
    EXPECT_NEAR(bound, a * d * d / 4, 1e-9 * bound);
    const double error = 1 - gaussian_sum(pair, 500, fwhm);
    EXPECT_LE(error, bound);
    EXPECT_GT(error, 0.99 * bound);
}

TEST(PeakMerge, MergesWithinItsBudgetAndKeepsLonePeaks) {
    const double fwhm = 0.01, step = 0.001;
    const ResolvingPower power = constant_width(500, fwhm);
    // A cell at 500 holding two small peaks, a lone large one, and a cell
    // at 500.02 whose merge would cost more than the budget left.
    FinePeaks peaks{{499.99990, 500.00020, 500.00700, 500.01990, 500.02010},
                    {1e-4, 2e-4, 0.5, 0.2, 0.2}};
    const double cheap = merge_error(peaks.mz.data(), peaks.probability.data(), 2, fwhm);
    const double dear = merge_error(peaks.mz.data() + 3, peaks.probability.data() + 3, 2, fwhm);
    const FinePeaks original = peaks;
    merge_close_peaks(peaks, power, 499.9, step, cheap + dear / 2);
    ASSERT_EQ(peaks.mz.size(), 4u);
    EXPECT_NEAR(peaks.mz[0], (1e-4 * 499.9999 + 2e-4 * 500.0002) / 3e-4, 1e-12);
    EXPECT_DOUBLE_EQ(peaks.probability[0], 3e-4);
    EXPECT_EQ(peaks.mz[1], 500.007);
    EXPECT_EQ(peaks.mz[2], 500.0199);
    double worst = 0;
    for (double x = 499.95; x < 500.07; x += step / 7)
        worst = std::max(worst,
                         std::fabs(gaussian_sum(peaks, x, fwhm) - gaussian_sum(original, x, fwhm)));
    EXPECT_LE(worst, cheap);
    EXPECT_GT(worst, 0.5 * cheap);
}

TEST(PeakMerge, FarGroupsEachHaveTheWholeBudget) {
    const double fwhm = 0.01;
    const ResolvingPower power = constant_width(500, fwhm);
    // Two like cells 0.5 apart (50 FWHM): each merge alone fits the budget.
    FinePeaks peaks{{500.0000, 500.0002, 500.5000, 500.5002}, {0.1, 0.1, 0.1, 0.1}};
    const double each = merge_error(peaks.mz.data(), peaks.probability.data(), 2, fwhm);
    merge_close_peaks(peaks, power, 499.9, 0.001, 1.01 * each);
    EXPECT_EQ(peaks.mz.size(), 2u);
}

} // namespace
