#include "observed/pair_fit.hpp"

namespace corvan::observed {

namespace {

double residual(std::span<const double> first, double a, std::span<const double> second, double b,
                std::span<const double> observed) {
    double sum = 0;
    for (std::size_t i = 0; i < observed.size(); ++i) {
        const double left = observed[i] - a * first[i] - b * second[i];
        sum += left * left;
    }
    return sum;
}

} // namespace

// The normal equations of the two factors; a solution with a factor at or
// below 0 means one pattern alone explains the points as well.
PairFit fit_pair(std::span<const double> first, std::span<const double> second,
                 std::span<const double> observed) {
    PairFit fit;
    // The five sums in one pass, each added in the order of the points (as
    // fitted_scale adds its two).
    double ff = 0, ss = 0, fs = 0, fo = 0, so = 0;
    for (std::size_t i = 0; i < observed.size(); ++i) {
        ff += first[i] * first[i], ss += second[i] * second[i], fs += first[i] * second[i];
        fo += first[i] * observed[i], so += second[i] * observed[i];
    }
    const double alone = ss == 0 ? 0 : so / ss; // fitted_scale(second, observed)
    fit.alone_residual = residual(first, 0, second, alone, observed);
    fit.residual = fit.alone_residual;
    const double determinant = ff * ss - fs * fs;
    if (!(determinant > 1e-12 * ff * ss)) return fit;
    const double a = (ss * fo - fs * so) / determinant, b = (ff * so - fs * fo) / determinant;
    if (a <= 0 || b <= 0) return fit;
    fit.first = a, fit.second = b;
    fit.residual = residual(first, a, second, b, observed);
    return fit;
}

} // namespace corvan::observed
