#include "observed/pair_fit.hpp"

#include "observed/similarity.hpp"

namespace corvan::observed {

namespace {

double dot(std::span<const double> x, std::span<const double> y) {
    double sum = 0;
    for (std::size_t i = 0; i < x.size(); ++i) sum += x[i] * y[i];
    return sum;
}

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
    const double alone = fitted_scale(second, observed);
    fit.alone_residual = residual(first, 0, second, alone, observed);
    fit.residual = fit.alone_residual;
    const double ff = dot(first, first), ss = dot(second, second), fs = dot(first, second);
    const double fo = dot(first, observed), so = dot(second, observed);
    const double determinant = ff * ss - fs * fs;
    if (!(determinant > 1e-12 * ff * ss)) return fit;
    const double a = (ss * fo - fs * so) / determinant, b = (ff * so - fs * fo) / determinant;
    if (a <= 0 || b <= 0) return fit;
    fit.first = a, fit.second = b;
    fit.residual = residual(first, a, second, b, observed);
    return fit;
}

} // namespace corvan::observed
