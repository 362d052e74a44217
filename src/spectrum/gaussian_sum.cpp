#include "spectrum/gaussian_sum.hpp"

#include <algorithm>
#include <cmath>

namespace corvan::spectrum {

namespace {

// e^y for the small exponents that a grid of several points per FWHM
// gives (|y| <= kSmall): its Taylor series to y^8, within 1e-15 relative,
// without a call to the library's exp.
constexpr double kSmall = 0.05;

double near_one_exp(double y) {
    if (!(std::fabs(y) <= kSmall)) return std::exp(y);
    return 1 +
           y * (1 +
                y * (1.0 / 2 +
                     y * (1.0 / 6 +
                          y * (1.0 / 24 +
                               y * (1.0 / 120 + y * (1.0 / 720 + y * (1.0 / 5040 + y / 40320)))))));
}

// The Gaussian's value at offset d from its centre and the ratio to the
// next point, d + s: exp(-a (2 d s + s^2)).
struct Seed {
    double value, ratio;
};

Seed seed(double a, double height, double d, double s) {
    return {height * std::exp(-a * d * d), std::exp(-a * (2 * d * s + s * s))};
}

// Points j, j + dir, ... (count of them), starting from `value` and `ratio`
// at j, the ratio changing by `factor` each point.
void run(double *out, long j, long dir, long count, double value, double ratio, double factor) {
    double *p = out + j;
    for (long k = 0; k < count; ++k, p += dir) {
        *p += value;
        value *= ratio;
        ratio *= factor;
    }
}

// Both sides of the nearest point together: two independent chains of
// products keep the processor busy where one would wait on the other.
void run_both(double *out, long centre, long count, Seed right, Seed left, double factor) {
    double *r = out + centre + 1, *l = out + centre - 1;
    for (long k = 0; k < count; ++k) {
        r[k] += right.value;
        l[-k] += left.value;
        right.value *= right.ratio;
        left.value *= left.ratio;
        right.ratio *= factor;
        left.ratio *= factor;
    }
}

// A run that enters the grid from outside: every point from its own
// exponential seed at the first one in range.
void clipped(double low, double step, long last, double centre, double a, double height, long from,
             long to, double *out) {
    from = std::max(from, 0L);
    to = std::min(to, last);
    const double factor = std::exp(-2 * a * step * step);
    for (long j = from; j <= to; j += kReseed) {
        const Seed s = seed(a, height, low + static_cast<double>(j) * step - centre, step);
        run(out, j, 1, std::min(kReseed, to - j + 1), s.value, s.ratio, factor);
    }
}

// The whole number nearest x (halves either way), without a library call.
long nearest(double x) {
    return x >= 0 ? static_cast<long>(x + 0.5) : -static_cast<long>(0.5 - x);
}

} // namespace

void add_gaussian(double low, double step, long last, double centre, double fwhm, double height,
                  long reach, double *out) {
    const double a = 4 * std::log(2.0) / (fwhm * fwhm);
    const long middle = nearest((centre - low) / step);
    if (middle < 0 || middle > last) {
        clipped(low, step, last, centre, a, height, middle - reach, middle + reach, out);
        return;
    }
    const double d = low + static_cast<double>(middle) * step - centre;
    const double q = near_one_exp(-a * step * step), tilt = near_one_exp(-2 * a * d * step);
    const double top = height * near_one_exp(-a * d * d), factor = q * q;
    out[middle] += top;
    // The first block on each side continues from the middle point's
    // exponentials; later blocks restart from their own.
    const long right = std::min(reach, last - middle), left = std::min(reach, middle);
    const long both = std::min({right, left, kReseed});
    run_both(out, middle, both, {top * tilt * q, tilt * q * factor},
             {top * q / tilt, q * factor / tilt}, factor);
    if (right > both)
        clipped(low, step, last, centre, a, height, middle + both + 1, middle + right, out);
    if (left > both)
        clipped(low, step, last, centre, a, height, middle - left, middle - both - 1, out);
}

} // namespace corvan::spectrum
