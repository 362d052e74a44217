#include "envelope/envelope.hpp"

#include <algorithm>
#include <cmath>
#include <complex>
#include <cstring>
#include <limits>

#include "core/buffers.hpp"
#include "core/plan_cache.hpp"
#include "envelope/tail_bound.hpp"
#include "labels/element_pattern.hpp"

namespace corvan::envelope {

namespace {

using Complex = std::complex<double>;

// Each tail left outside the grid holds at most e^-34.6 ~ 1e-15 of the
// whole, far below what is reported.
constexpr double kTailLogOdds = 34.6;
// Below this magnitude a transform bin is flushed to zero: powers of it
// would only crawl through subnormal numbers towards zero.
constexpr double kNegligibleBin = 1e-280;

struct Factor {
    labels::ElementPattern pattern;
    double count;
    std::vector<Complex> transform, moment; // bins 0..N/2 of shares and shares x defects
};

bool is_whole(double count) {
    return count == std::floor(count);
}

Outcome collect_factors(const chem::Composition &composition, const labels::LabelSet &labels,
                        std::vector<Factor> &factors) {
    for (int element = 0; element < chem::kElementCount; ++element) {
        const double count = composition.natural[static_cast<std::size_t>(element)];
        if (count == 0) continue;
        const std::string symbol = chem::element_symbol(element);
        if (count < 0)
            return Outcome::failure(CORVAN_E_RANGE,
                                    "the molecule has fewer than zero " + symbol +
                                        " atoms of natural abundance (a loss must name the "
                                        "isotope it removes)");
        if (!std::isfinite(count))
            return Outcome::failure(CORVAN_E_RANGE, "the count of " + symbol + " is not finite");
        Factor factor{labels::element_pattern(element, labels), count, {}, {}};
        if (!is_whole(count) && !factor.pattern.lightest_dominates())
            return Outcome::failure(CORVAN_E_UNSUPPORTED,
                                    "a fractional count of " + symbol +
                                        " needs its lightest isotope to be the most abundant");
        factors.push_back(std::move(factor));
    }
    return Outcome::success();
}

struct Window {
    long long low = 0; // k of grid point 0
    long long span = 1;
    int grid = 4;
};

// The smallest 2^a or 3 x 2^a of at least `span` points (from 4 up): sizes
// FFTW transforms fastest, at most 1.5 times the span.
int grid_size(long long span) {
    long long size = 4;
    for (;;) {
        if (size >= span) return static_cast<int>(size);
        if (size * 3 / 2 >= span) return static_cast<int>(size * 3 / 2);
        size *= 2;
    }
}

Outcome choose_window(const std::vector<Factor> &factors, Window &window) {
    double mean = 0, variance = 0, reach_up = 0, reach_down = 0, hard_max = 0;
    for (const Factor &factor : factors) {
        const double factor_mean = factor.pattern.mean_position();
        mean += factor.count * factor_mean;
        variance += factor.count * factor.pattern.variance();
        hard_max += std::ceil(factor.count) * factor.pattern.max_position();
        reach_up = std::max(reach_up, factor.pattern.max_position() - factor_mean);
        reach_down = std::max(reach_down, factor_mean);
    }
    const double low =
        std::max(0.0, std::floor(mean - bennett_distance(variance, reach_down, kTailLogOdds)));
    const double high =
        std::min(hard_max, std::ceil(mean + bennett_distance(variance, reach_up, kTailLogOdds)));
    const double span = std::max(1.0, high - low + 1);
    if (!(span <= CORVAN_MAX_POINTS))
        return Outcome::failure(CORVAN_E_TOO_WIDE,
                                "the distribution would span about " +
                                    std::to_string(static_cast<long long>(std::min(span, 1e18))) +
                                    " points, more than " + std::to_string(CORVAN_MAX_POINTS));
    window.low = static_cast<long long>(low);
    window.span = static_cast<long long>(span);
    window.grid = grid_size(window.span);
    return Outcome::success();
}

// Forward transforms of the pattern's shares and share-weighted defects.
bool transform_factor(Factor &factor, int grid, double *scratch, fftw_complex *bins) {
    const std::size_t half = static_cast<std::size_t>(grid / 2 + 1);
    for (int pass = 0; pass < 2; ++pass) {
        std::memset(scratch, 0, sizeof(double) * static_cast<std::size_t>(grid));
        const auto &pattern = factor.pattern;
        for (std::size_t i = 0; i < pattern.positions.size(); ++i)
            scratch[pattern.positions[i] % grid] +=
                pass == 0 ? pattern.shares[i] : pattern.shares[i] * pattern.defects[i];
        if (!fft::forward(grid, scratch, bins)) return false;
        auto &target = pass == 0 ? factor.transform : factor.moment;
        target.resize(half);
        for (std::size_t j = 0; j < half; ++j) target[j] = Complex(bins[j][0], bins[j][1]);
    }
    return true;
}

Complex flushed(Complex z) {
    return std::abs(z.real()) + std::abs(z.imag()) < kNegligibleBin ? 0.0 : z;
}

Complex integer_power(Complex base, unsigned long long exponent) {
    Complex result = 1.0;
    while (exponent != 0) {
        if (exponent & 1u) result = flushed(result * base);
        exponent >>= 1;
        if (exponent != 0) base = flushed(base * base);
    }
    return result;
}

// P^(n-1) for the factor's count n: whole powers by squaring, the fraction
// through the principal logarithm (continuous where the lightest isotope
// dominates, which collect_factors ensured).
Complex power_below(Complex transform, double count) {
    const double whole = std::floor(count);
    const double fraction = count - whole;
    if (fraction == 0) return integer_power(transform, static_cast<unsigned long long>(whole - 1));
    const Complex fractional = std::exp(fraction * std::log(transform));
    if (whole >= 1)
        return integer_power(transform, static_cast<unsigned long long>(whole - 1)) * fractional;
    return fractional / transform;
}

// Bins of the whole distribution (total) and of its defect moment (moment):
// the product rule over the factors, (T, M) <- (T F, M F + T n Q P^(n-1)).
void combine(const std::vector<Factor> &factors, int grid, fftw_complex *total,
             fftw_complex *moment) {
    const int half = grid / 2 + 1;
    for (int j = 0; j < half; ++j) {
        Complex t = 1.0, m = 0.0;
        for (const Factor &factor : factors) {
            const Complex below = power_below(factor.transform[j], factor.count);
            const Complex whole = below * factor.transform[j];
            m = m * whole + t * (factor.count * factor.moment[j] * below);
            t = t * whole;
        }
        total[j][0] = t.real(), total[j][1] = t.imag();
        moment[j][0] = m.real(), moment[j][1] = m.imag();
    }
}

double fixed_mass(const chem::Composition &composition) {
    double mass = 0;
    for (const chem::FixedIsotope &isotope : composition.fixed)
        mass += isotope.count * chem::find_isotope(isotope.element, isotope.mass_number)->mass;
    return mass;
}

void fill_points(const Window &window, const double *total, const double *moment,
                 double monoisotopic, Envelope &result) {
    const double scale = 1.0 / window.grid;
    long long first = -1, last = -1;
    std::vector<double> shares(static_cast<std::size_t>(window.span));
    std::vector<double> defects(static_cast<std::size_t>(window.span));
    for (long long offset = 0; offset < window.span; ++offset) {
        const std::size_t cell = static_cast<std::size_t>((window.low + offset) % window.grid);
        const double share = total[cell] * scale;
        shares[static_cast<std::size_t>(offset)] = share >= CORVAN_ACCURACY ? share : 0.0;
        defects[static_cast<std::size_t>(offset)] = moment[cell] / total[cell];
        if (share >= CORVAN_ACCURACY) {
            if (first < 0) first = offset;
            last = offset;
        }
    }
    result.first_neutrons = static_cast<int>(window.low + std::max(first, 0LL));
    result.shares.clear();
    result.masses.clear();
    for (long long offset = std::max(first, 0LL); offset <= last; ++offset) {
        const double share = shares[static_cast<std::size_t>(offset)];
        result.shares.push_back(share);
        result.masses.push_back(share > 0
                                    ? monoisotopic + static_cast<double>(window.low + offset) +
                                          defects[static_cast<std::size_t>(offset)]
                                    : std::numeric_limits<double>::quiet_NaN());
    }
}

} // namespace

void masses(const chem::Composition &composition, const labels::LabelSet &labels,
            double &monoisotopic, double &average) {
    monoisotopic = chem::monoisotopic_mass(composition);
    average = fixed_mass(composition);
    for (int element = 0; element < chem::kElementCount; ++element) {
        const double count = composition.natural[static_cast<std::size_t>(element)];
        if (count != 0) average += count * labels::element_pattern(element, labels).average_mass();
    }
}

Outcome compute(const chem::Composition &composition, const labels::LabelSet &labels,
                Envelope &result) {
    std::vector<Factor> factors;
    Outcome collected = collect_factors(composition, labels, factors);
    if (!collected.ok()) return collected;
    masses(composition, labels, result.monoisotopic_mass, result.average_mass);
    Window window;
    Outcome placed = choose_window(factors, window);
    if (!placed.ok()) return placed;

    const int half = window.grid / 2 + 1;
    FftwArray<double> total_grid = fftw_real_array(window.grid);
    FftwArray<double> moment_grid = fftw_real_array(window.grid);
    FftwArray<fftw_complex> total_bins = fftw_complex_array(half);
    FftwArray<fftw_complex> moment_bins = fftw_complex_array(half);
    const Outcome no_memory = Outcome::failure(CORVAN_E_MEMORY, "out of memory");
    if (!total_grid || !moment_grid || !total_bins || !moment_bins) return no_memory;
    for (Factor &factor : factors)
        if (!transform_factor(factor, window.grid, total_grid.get(), total_bins.get()))
            return no_memory;
    combine(factors, window.grid, total_bins.get(), moment_bins.get());
    if (!fft::inverse(window.grid, total_bins.get(), total_grid.get()) ||
        !fft::inverse(window.grid, moment_bins.get(), moment_grid.get()))
        return no_memory;
    fill_points(window, total_grid.get(), moment_grid.get(), result.monoisotopic_mass, result);
    return Outcome::success();
}

} // namespace corvan::envelope
