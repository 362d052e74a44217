#include "spectrum/profile.hpp"

#include <algorithm>
#include <cmath>
#include <complex>
#include <limits>

#include "core/buffers.hpp"
#include "core/plan_cache.hpp"
#include "spectrum/gaussian_sum.hpp"
#include "spectrum/peak_merge.hpp"

namespace corvan::spectrum {

namespace {

// The direct route sums compositions down to this fraction of the most
// probable one: what it leaves out stays orders of magnitude below 1e-6 of
// the profile's highest point.
constexpr double kDirectThreshold = 1e-9;
// Beyond this many compositions the transform is cheaper.
constexpr std::size_t kDirectPeaks = 200000;
// Molecules whose mass spreads wider than this (Da, one standard
// deviation) go straight to the transform.
constexpr double kDirectSpread = 1.5;
// A shape is summed out to where it falls below this fraction of its
// height (Lorentzian tails).
constexpr double kShapeReach = 1e-11;
// Gaussians are cut where each falls below this fraction of the highest
// peak's height shared among all peaks: the cut tails of n peaks add at
// most n times each one's share at any point, so at most this fraction of
// the highest peak, which the profile's highest point reaches within a
// factor of two (a grid point lies within half a FWHM of the peak).
constexpr double kGaussianCut = 1e-7;
// Fine peaks on one cell (half a grid step) are drawn as one while the
// error this adds stays below this fraction of the highest peak near them
// (see merge_close_peaks; a FWHM's change across a cell, a millionth of
// it, moves the merged shape by far less).
constexpr double kMergeError = 1e-7;
// The default range runs this far (as a fraction of height) into the tails.
constexpr double kRangeReach = 1e-7;
// The transform's period keeps each wrapped-around tail below this.
constexpr double kWrapReach = 1e-9;
// The transform covers the mass distribution this many standard deviations
// either side of its mean.
constexpr double kSpreads = 9;
// The distribution leans towards heavier masses: its upper edge lies this
// much further out (Da), which small molecules need and large ones hardly
// notice.
constexpr double kSkewAllowance = 3;
// The transform keeps the bins where the shape's transform exceeds e^-kFade
// of its value at zero. What the rest would add to any point is at most
// their sum, below e^-kFade / (2 b (w f)) of a unit peak's height for a
// Gaussian (b = pi^2 / 4 ln 2, w f = sqrt(kFade / b)) and e^-kFade / 2 for
// a Lorentzian: 1e-12 either way, also for a width 2% narrower.
constexpr double kFade = 25;
// The expansion of the FWHM over the envelope must stay this close.
constexpr double kWidthChange = 0.02, kWidthFit = 1e-6;

double mean_mz(const IonAtoms &atoms) {
    double mass = atoms.fixed_mass;
    for (const AtomGroup &g : atoms.groups) mass += static_cast<double>(g.count) * g.mean_mass();
    return atoms.to_mz(mass);
}

double spread_mz(const IonAtoms &atoms) {
    double variance = 0;
    for (const AtomGroup &g : atoms.groups)
        variance += static_cast<double>(g.count) * g.mass_variance();
    return std::sqrt(variance) / (atoms.charge == 0 ? 1 : std::abs(atoms.charge));
}

struct Grid {
    double low = 0, step = 0;
    std::size_t count = 0;
};

Outcome make_grid(double envelope_low, double envelope_high, const ProfileRequest &r, double centre,
                  Grid &grid) {
    const double fwhm = r.power.fwhm(centre);
    grid.step = r.mz_step > 0 ? r.mz_step : fwhm / r.points_per_fwhm;
    double low = r.mz_low, high = r.mz_high;
    if (low == 0 && high == 0) {
        low = envelope_low - r.shape.reach(r.power.fwhm(envelope_low), kRangeReach);
        high = envelope_high + r.shape.reach(r.power.fwhm(envelope_high), kRangeReach);
        low = std::max(low, grid.step);
    }
    const double points = std::floor((high - low) / grid.step) + 1;
    if (!(points <= CORVAN_MAX_POINTS))
        return Outcome::failure(CORVAN_E_TOO_WIDE, "the profile would have more than " +
                                                       std::to_string(CORVAN_MAX_POINTS) +
                                                       " points; give a coarser step");
    grid.low = low;
    grid.count = static_cast<std::size_t>(points);
    return Outcome::success();
}

void fill_mz(const Grid &grid, Profile &result) {
    result.mz.resize(grid.count);
    result.intensity.assign(grid.count, 0.0);
    for (std::size_t k = 0; k < grid.count; ++k)
        result.mz[k] = grid.low + static_cast<double>(k) * grid.step;
}

void add_shape(const Grid &grid, const PeakShape &shape, double centre, double fwhm, double height,
               long first, long last, double *out) {
    for (long k = first; k <= last; ++k)
        out[k] +=
            height * shape.value(grid.low + static_cast<double>(k) * grid.step - centre, fwhm);
}

// ln x for x >= 1, or up to 0.09 more: with x = f 2^e, 1 <= f < 2,
// ln f <= f - 1. Reaches from it run a point or so further, which the
// sum's accuracy allows, without a logarithm per peak.
double log_above(double x) {
    int exponent = 0;
    const double fraction = 2 * std::frexp(x, &exponent);
    return (exponent - 1) * std::log(2.0) + (fraction - 1);
}

// Each Gaussian out to where it falls below kGaussianCut * highest / n:
// the points within that distance of its centre, which lies within half a
// step of its nearest point.
void sum_gaussians(const FinePeaks &peaks, const ResolvingPower &power, const Grid &grid,
                   double highest, double *out) {
    const double cut = kGaussianCut * highest / static_cast<double>(peaks.mz.size());
    const double rate = 4 * std::log(2.0);
    const long last = static_cast<long>(grid.count) - 1;
    for (std::size_t i = 0; i < peaks.mz.size(); ++i) {
        const double centre = peaks.mz[i], fwhm = power.fwhm(centre), p = peaks.probability[i];
        if (!(p > cut)) continue;
        const double reach = fwhm * std::sqrt(log_above(p / cut) / rate);
        const long points = static_cast<long>(reach / grid.step + 0.5);
        add_gaussian(grid.low, grid.step, last, centre, fwhm, p, points, out);
    }
}

// Sizes 8, 9, 10, 12 or 15 times 2^k: FFTW transforms them fast, at most
// an eighth is wasted, and so few of them occur that the plans made for
// one molecule serve the next.
long long transform_size(long long at_least) {
    for (long long octave = 1;; octave *= 2)
        for (long long base : {8, 9, 10, 12, 15})
            if (base * octave >= at_least) return base * octave;
}

using Cx = std::complex<double>;

// z^n for a whole n by squaring: a few products instead of a logarithm,
// an arc tangent and an exponential; the rounding grows with log2 n only.
Cx whole_power(Cx z, std::size_t n) {
    Cx result(1, 0);
    for (; n > 0; n >>= 1, z *= z)
        if (n & 1) result *= z;
    return result;
}

// One atom group's transform and its first two derivatives in frequency,
// at frequencies m / period, m = 0, 1, ...: the isotopes' phases advance
// by a fixed factor, refreshed from sin and cos every kRefresh steps.
struct GroupWave {
    const AtomGroup *group = nullptr;
    double scale = 1;                          // 1 / |charge|
    std::array<double, kMaxIsotopes> offset{}; // (mass - group mean) * scale
    std::array<Cx, kMaxIsotopes> phase{}, step{};
    static constexpr long kRefresh = 32;

    void start(const AtomGroup &g, double mz_scale, double period) {
        group = &g;
        scale = mz_scale;
        const double mean = g.mean_mass();
        for (std::size_t j = 0; j < g.size; ++j) {
            offset[j] = (g.masses[j] - mean) * scale;
            step[j] = std::polar(1.0, -2 * M_PI * offset[j] / period);
        }
    }
    // One atom's transform and its two derivatives at bin m: each isotope's
    // term s e^(i u m), times i u and -u^2 (u = -2 pi offset), in real
    // arithmetic.
    void atom(long m, double period, Cx &chi, Cx &chi1, Cx &chi2) {
        const bool refresh = m % kRefresh == 0;
        double re = 0, im = 0, re1 = 0, im1 = 0, re2 = 0, im2 = 0;
        for (std::size_t j = 0; j < group->size; ++j) {
            if (refresh)
                phase[j] = std::polar(1.0, -2 * M_PI * offset[j] * static_cast<double>(m) / period);
            const double u = -2 * M_PI * offset[j];
            const double tr = group->shares[j] * phase[j].real();
            const double ti = group->shares[j] * phase[j].imag();
            re += tr, im += ti;
            re1 -= u * ti, im1 += u * tr;
            re2 -= u * u * tr, im2 -= u * u * ti;
            const double pr = phase[j].real(), pi = phase[j].imag();
            phase[j] = {pr * step[j].real() - pi * step[j].imag(),
                        pr * step[j].imag() + pi * step[j].real()};
        }
        chi = {re, im}, chi1 = {re1, im1}, chi2 = {re2, im2};
    }
    // (F, F', F'') of the group's n atoms at bin m, by the product rule.
    void at(long m, double period, Cx &f0, Cx &f1, Cx &f2) {
        Cx chi, chi1, chi2;
        atom(m, period, chi, chi1, chi2);
        const double n = static_cast<double>(group->count);
        if (group->count == 1) {
            f0 = chi, f1 = chi1, f2 = chi2;
            return;
        }
        const Cx q = whole_power(chi, static_cast<std::size_t>(group->count - 2));
        f0 = q * chi * chi;
        f1 = n * q * chi * chi1;
        f2 = n * (n - 1) * q * chi1 * chi1 + n * q * chi * chi2;
    }
    // A share above one half keeps |chi| >= 2 p - 1 > 0 at every frequency.
    bool never_vanishes() const {
        for (std::size_t j = 0; j < group->size; ++j)
            if (group->shares[j] > 0.5) return true;
        return false;
    }
};

// The whole molecule's (T, T', T'') at bin m. When no atom's transform can
// vanish, T' and T'' follow from the ratios chi'/chi and chi''/chi, with
// one power a group instead of the product rule's.
void molecule_at(std::vector<GroupWave> &waves, bool by_ratios, long m, double period, Cx &t0,
                 Cx &t1, Cx &t2) {
    if (!by_ratios) {
        t0 = Cx(1, 0), t1 = t2 = Cx{};
        for (GroupWave &wave : waves) {
            Cx f0, f1, f2;
            wave.at(m, period, f0, f1, f2);
            t2 = t2 * f0 + 2.0 * t1 * f1 + t0 * f2;
            t1 = t1 * f0 + t0 * f1;
            t0 = t0 * f0;
        }
        return;
    }
    t0 = Cx(1, 0);
    Cx d1, d2;
    for (GroupWave &wave : waves) {
        Cx chi, chi1, chi2;
        wave.atom(m, period, chi, chi1, chi2);
        const double n = static_cast<double>(wave.group->count);
        const Cx inverse = std::conj(chi) / std::norm(chi);
        const Cx r1 = chi1 * inverse, r2 = chi2 * inverse;
        t0 *= whole_power(chi, static_cast<std::size_t>(wave.group->count));
        d1 += n * r1;
        d2 += n * (r2 - r1 * r1);
    }
    t1 = t0 * d1;
    t2 = t0 * (d1 * d1 + d2);
}

struct WidthExpansion {
    double w0 = 0, a = 0, b = 0; // w(x0 + u) ~ w0 + a u + b u^2
};

// The FWHM's expansion about x0, and whether it holds over [low, high].
bool expand_width(const ResolvingPower &power, double x0, double low, double high,
                  WidthExpansion &e) {
    const double eta = x0 * 1e-4;
    const double left = power.fwhm(x0 - eta), right = power.fwhm(x0 + eta);
    e.w0 = power.fwhm(x0);
    e.a = (right - left) / (2 * eta);
    e.b = (right - 2 * e.w0 + left) / (2 * eta * eta);
    for (double x : {low, (low + x0) / 2, (x0 + high) / 2, high}) {
        const double u = x - x0;
        const double model = e.w0 + e.a * u + e.b * u * u;
        if (std::fabs(model - e.w0) > kWidthChange * e.w0 ||
            std::fabs(model - power.fwhm(x)) > kWidthFit * e.w0)
            return false;
    }
    return true;
}

} // namespace

Outcome check_grid(const ProfileRequest &r) {
    const bool range_ok =
        (r.mz_low == 0 && r.mz_high == 0) || (std::isfinite(r.mz_low) && std::isfinite(r.mz_high) &&
                                              r.mz_low > 0 && r.mz_high > r.mz_low);
    if (!range_ok)
        return Outcome::failure(CORVAN_E_ARGUMENT,
                                "the profile's range needs 0 < mz_low < mz_high (or both 0)");
    if (!(r.mz_step >= 0 && std::isfinite(r.mz_step)))
        return Outcome::failure(CORVAN_E_ARGUMENT, "the profile's step must be >= 0");
    if (!(r.points_per_fwhm >= 1 && r.points_per_fwhm <= 1e4))
        return Outcome::failure(CORVAN_E_ARGUMENT, "points per FWHM must lie in 1 .. 10000");
    return Outcome::success();
}

namespace {

// The grid over the peaks' range, its m/z filled in; `highest` receives
// the largest probability.
Outcome start_sum(const FinePeaks &peaks, const ProfileRequest &r, Grid &grid, double &highest,
                  Profile &result) {
    if (peaks.mz.empty()) return Outcome::failure(CORVAN_E_ARGUMENT, "no peaks to draw");
    const auto top = std::max_element(peaks.probability.begin(), peaks.probability.end());
    highest = *top;
    const double middle = peaks.mz[static_cast<std::size_t>(top - peaks.probability.begin())];
    const auto [lightest, heaviest] = std::minmax_element(peaks.mz.begin(), peaks.mz.end());
    Outcome made = make_grid(*lightest, *heaviest, r, middle, grid);
    if (made.ok()) fill_mz(grid, result);
    return made;
}

// Gaussians, with the peaks (ascending m/z) that share a cell merged
// while the error stays within kMergeError of the highest peak; other
// shapes peak by peak.
Outcome profile_by_merged_sum(FinePeaks &peaks, const ProfileRequest &r, Profile &result) {
    if (!r.shape.gaussian_only()) return profile_by_sum(peaks, r, result);
    Grid grid;
    double highest = 0;
    Outcome started = start_sum(peaks, r, grid, highest, result);
    if (!started.ok()) return started;
    merge_close_peaks(peaks, r.power, grid.low, grid.step, kMergeError * highest);
    sum_gaussians(peaks, r.power, grid, highest, result.intensity.data());
    return Outcome::success();
}

} // namespace

Outcome profile_by_sum(const FinePeaks &peaks, const ProfileRequest &r, Profile &result) {
    Grid grid;
    double highest = 0;
    Outcome started = start_sum(peaks, r, grid, highest, result);
    if (!started.ok()) return started;
    if (r.shape.gaussian_only()) {
        sum_gaussians(peaks, r.power, grid, highest, result.intensity.data());
        return Outcome::success();
    }
    const long last_point = static_cast<long>(grid.count) - 1;
    const double reach_per_fwhm = r.shape.reach(1, kShapeReach); // reach grows with the width
    for (std::size_t i = 0; i < peaks.mz.size(); ++i) {
        const double centre = peaks.mz[i], fwhm = r.power.fwhm(centre);
        const double reach = reach_per_fwhm * fwhm;
        const long first =
            std::max(0L, static_cast<long>(std::ceil((centre - reach - grid.low) / grid.step)));
        const long last = std::min(
            last_point, static_cast<long>(std::floor((centre + reach - grid.low) / grid.step)));
        if (first <= last)
            add_shape(grid, r.shape, centre, fwhm, peaks.probability[i], first, last,
                      result.intensity.data());
    }
    return Outcome::success();
}

Outcome profile_by_transform(const IonAtoms &atoms, const ProfileRequest &r, Profile &result) {
    const double x0 = mean_mz(atoms), spread = spread_mz(atoms);
    const double scale = atoms.charge == 0 ? 1.0 : 1.0 / std::abs(atoms.charge);
    const double env_low = x0 - kSpreads * spread;
    const double env_high = x0 + kSpreads * spread + kSkewAllowance * scale;
    WidthExpansion width;
    if (!expand_width(r.power, x0, env_low, env_high, width))
        return Outcome::failure(CORVAN_E_UNSUPPORTED,
                                "the FWHM changes too much over the envelope for the transform");
    Grid grid;
    Outcome made = make_grid(env_low, env_high, r, x0, grid);
    if (!made.ok()) return made;
    // Fine enough that the shape's transform has died out by the Nyquist
    // frequency, and long enough that wrapped tails are negligible.
    const double eta = r.shape.lorentzian_weight();
    const double finest = width.w0 / (eta > 0 ? 14.0 : 6.0);
    const long sub = std::max(1L, static_cast<long>(std::ceil(grid.step / finest)));
    const double h = grid.step / static_cast<double>(sub);
    const double margin = r.shape.reach(width.w0 * 1.05, kWrapReach);
    const double grid_high = grid.low + static_cast<double>(grid.count - 1) * grid.step;
    const double span =
        std::max(grid_high, env_high + margin) - std::min(grid.low, env_low - margin);
    const long long n = transform_size(static_cast<long long>(std::ceil(span / h)) + 1);
    if (n > 64LL * CORVAN_MAX_POINTS)
        return Outcome::failure(CORVAN_E_TOO_WIDE, "the profile's transform grid is too long");
    const double period = static_cast<double>(n) * h;
    const long half = static_cast<long>(n / 2);
    auto bins = fftw_complex_array(half + 1);
    auto values = fftw_real_array(n);
    if (!bins || !values) return Outcome::failure(CORVAN_E_MEMORY, "out of memory");

    std::vector<GroupWave> waves(atoms.groups.size());
    bool by_ratios = true;
    for (std::size_t g = 0; g < waves.size(); ++g) {
        waves[g].start(atoms.groups[g], scale, period);
        by_ratios = by_ratios && waves[g].never_vanishes();
    }
    // Bins past where the shape's transform has fallen to e^-kFade of its
    // value at zero are left out.
    const double b = M_PI * M_PI / (4 * std::log(2.0));
    double f_max = std::sqrt(kFade / b) / width.w0;
    if (eta > 0) f_max = std::max(f_max, kFade / (M_PI * width.w0));
    // The shift to the grid's start turns by a fixed phase a bin, refreshed
    // like the isotopes' phases.
    const double s = grid.low - x0;
    const Cx turn = std::polar(1.0, 2 * M_PI * s / period);
    Cx shift;
    for (long m = 0; m <= half; ++m) {
        const double f = static_cast<double>(m) / period;
        if (m % GroupWave::kRefresh == 0)
            shift = std::polar(1.0 / period, 2 * M_PI * static_cast<double>(m) * s / period);
        Cx out;
        if (f <= f_max) {
            Cx t0, t1, t2;
            molecule_at(waves, by_ratios, m, period, t0, t1, t2);
            const Cx m1 = Cx(0, 1 / (2 * M_PI)) * t1, m2 = -t2 / (4 * M_PI * M_PI);
            const PeakShape::Transform k = r.shape.transform(f, width.w0);
            out = k.k * t0 + width.a * k.dk * m1 +
                  (width.b * k.dk + 0.5 * width.a * width.a * k.d2k) * m2;
            out *= shift;
        }
        shift *= turn;
        bins[m][0] = out.real();
        bins[m][1] = out.imag();
    }
    if (!fft::inverse(static_cast<int>(n), bins.get(), values.get()))
        return Outcome::failure(CORVAN_E_MEMORY, "out of memory");
    fill_mz(grid, result);
    for (std::size_t k = 0; k < grid.count; ++k)
        result.intensity[k] = values[static_cast<long long>(k) * sub];
    return Outcome::success();
}

Outcome profile(const IonAtoms &atoms, const ProfileRequest &request, Profile &result,
                std::size_t &needed) {
    needed = 0;
    Outcome checked = check_grid(request);
    if (!checked.ok()) return checked;
    const double spread_da = spread_mz(atoms) * (atoms.charge == 0 ? 1 : std::abs(atoms.charge));
    if (spread_da > kDirectSpread) {
        Outcome by_transform = profile_by_transform(atoms, request, result);
        if (by_transform.status != CORVAN_E_UNSUPPORTED) return by_transform;
    }
    FinePeaks peaks;
    FineRequest fine{FineMode::threshold, kDirectThreshold, kDirectPeaks, true};
    Outcome listed = fine_structure(atoms, fine, peaks, needed);
    if (listed.status == CORVAN_E_TOO_WIDE && spread_da <= kDirectSpread) {
        Outcome by_transform = profile_by_transform(atoms, request, result);
        if (by_transform.status != CORVAN_E_UNSUPPORTED) return by_transform;
    }
    if (!listed.ok()) return listed;
    needed = 0;
    return profile_by_merged_sum(peaks, request, result);
}

} // namespace corvan::spectrum
