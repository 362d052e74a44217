#include "envelope/envelope.hpp"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <iterator>
#include <limits>
#include <utility>

#include "core/buffers.hpp"
#include "core/numbers.hpp"
#include "core/plan_cache.hpp"
#include "envelope/tail_bound.hpp"
#include "labels/element_pattern.hpp"

namespace corvan::envelope {

namespace {

// Each tail left outside the grid holds at most e^-34.6 ~ 1e-15 of the
// whole, far below what is reported.
constexpr double kTailLogOdds = 34.6;
// Below this magnitude a transform bin is flushed to zero: powers of it
// would only crawl through subnormal numbers towards zero.
constexpr double kNegligibleBin = 1e-150;
// Twiddle factors are advanced by multiplication and set afresh from sin
// and cos this often, which keeps them exact to a few ulps on any grid.
constexpr int kTwiddleRefresh = 32;

// Plain complex arithmetic: std::complex's multiplication checks for
// infinities on every call, which the bins never hold.
struct Cx {
    double re = 0, im = 0;
};
inline Cx operator*(Cx a, Cx b) {
    return {a.re * b.re - a.im * b.im, a.re * b.im + a.im * b.re};
}
inline Cx operator+(Cx a, Cx b) {
    return {a.re + b.re, a.im + b.im};
}
inline Cx scaled(Cx a, double s) {
    return {a.re * s, a.im * s};
}

struct Factor {
    labels::ElementPattern pattern;
    double count;
    int element;
    bool labelled;
};

Outcome factor_failure(int status, int element, const std::string &what) {
    return Outcome::failure(status, what + " (" + chem::element_symbol(element) + ")");
}

std::string label_text(const labels::Label &label) {
    return std::to_string(label.mass_number) + chem::element_symbol(label.element) + "=" +
           text::number(label.fraction);
}

// A label enriches the molecule's atoms of natural abundance; one that
// finds none would silently change nothing.
Outcome check_labels(const chem::Composition &molecule, const labels::LabelSet &labels) {
    for (const labels::Label &label : labels.all()) {
        if (molecule.natural[static_cast<std::size_t>(label.element)] > 0) continue;
        const std::string symbol = chem::element_symbol(label.element);
        if (molecule.element_total(label.element) > 0)
            return Outcome::failure(CORVAN_E_LABEL,
                                    "the label " + label_text(label) +
                                        " has nothing to enrich: " + "every " + symbol +
                                        " atom of the molecule is a fixed isotope (a global "
                                        "isotope such as <15N>, or [15N...]); drop one of them");
        return Outcome::failure(CORVAN_E_LABEL, "the label " + label_text(label) + " names " +
                                                    symbol +
                                                    ", which the molecule has no atoms of; "
                                                    "drop the label");
    }
    return Outcome::success();
}

Outcome check_factor(const Factor &factor) {
    const int element = factor.element;
    if (factor.count < 0)
        return factor_failure(CORVAN_E_RANGE, element,
                              "the molecule has fewer than zero atoms of natural abundance "
                              "of an element; a loss must name the isotope it removes");
    if (!std::isfinite(factor.count))
        return factor_failure(CORVAN_E_RANGE, element, "an atom count is not finite");
    if (!chem::has_natural_composition(element))
        return Outcome::failure(
            CORVAN_E_UNSUPPORTED,
            std::string(chem::element_symbol(element)) +
                " has no natural isotopic composition: write the isotope meant, such as [" +
                std::to_string(chem::isotopes_of(element).front().mass_number) +
                chem::element_symbol(element) + "]");
    const auto &p = factor.pattern;
    if (factor.count != std::floor(factor.count) && p.positions[p.most_abundant()] != 0)
        return factor_failure(CORVAN_E_UNSUPPORTED, element,
                              "a fractional count needs the element's lightest isotope to "
                              "be its most abundant one");
    return Outcome::success();
}

// The molecule's atoms carry the call's labels; the carriers' atoms (added
// by the adduct) keep natural abundance. An element without labels is one
// factor of the sum of both counts. `pattern_of(element)` gives the
// element's pattern after the labels.
template <class Patterns>
Outcome collect_factors(const chem::Composition &molecule, const chem::Composition *carriers,
                        const labels::LabelSet &labels, Patterns &&pattern_of,
                        std::vector<Factor> &factors) {
    factors.clear();
    if (!labels.all().empty()) {
        Outcome checked = check_labels(molecule, labels);
        if (!checked.ok()) return checked;
    }
    for (int element = 0; element < chem::kElementCount; ++element) {
        const auto index = static_cast<std::size_t>(element);
        const double own = molecule.natural[index];
        const double carried = carriers == nullptr ? 0 : carriers->natural[index];
        if (own == 0 && carried == 0) continue;
        const bool labelled = labels.labels_element(element);
        if (!labelled) {
            factors.push_back({labels::natural_pattern(element), own + carried, element, false});
        } else {
            if (own != 0) factors.push_back({pattern_of(element), own, element, true});
            if (carried != 0)
                factors.push_back({labels::natural_pattern(element), carried, element, false});
        }
    }
    for (const Factor &factor : factors) {
        Outcome checked = check_factor(factor);
        if (!checked.ok()) return checked;
    }
    return Outcome::success();
}

struct Window {
    long long low = 0; // k of grid point 0
    long long span = 1;
    int grid = 4;
};

// The smallest size of at least `span` points (from 4 up) whose only prime
// factors are 2, 3 and 5: sizes FFTW transforms fastest.
int grid_size(long long span) {
    for (long long size = std::max(4LL, span);; ++size) {
        long long rest = size;
        for (long long prime : {2, 3, 5})
            while (rest % prime == 0) rest /= prime;
        if (rest == 1) return static_cast<int>(size);
    }
}

// Chernoff's bound at a few fixed slopes: for any lambda > 0,
// P(S >= a) <= exp(-lambda a + sum n log E[e^(lambda X)]); each slope gives
// a valid edge and the tightest one is kept. Small molecules are bounded
// best by steep slopes, large ones by Bennett's inequality.
constexpr double kSlopes[] = {0.5, 1, 1.5, 2, 3, 4, 6};
constexpr std::size_t kSlopeCount = std::size(kSlopes);

// log E[e^(+-slope X)] of every element's natural pattern, made once: the
// exponentials would otherwise cost more than the rest of a small molecule.
using SlopeMoments = std::array<std::array<double, 2 * kSlopeCount>, chem::kElementCount>;
const SlopeMoments &natural_slope_moments() {
    static const SlopeMoments table = [] {
        SlopeMoments moments{};
        const labels::LabelSet none;
        for (int element = 0; element < chem::kElementCount; ++element) {
            const auto pattern = labels::element_pattern(element, none);
            for (std::size_t s = 0; s < kSlopeCount; ++s) {
                moments[element][s] = pattern.log_moment(kSlopes[s]);
                moments[element][kSlopeCount + s] = pattern.log_moment(-kSlopes[s]);
            }
        }
        return moments;
    }();
    return table;
}

// A fractional count n + f of an element is n atoms and one more with
// probability f: a mixture, so that its pattern is a true distribution
// (shares >= 0, summing to 1) that moves continuously with the count.
double whole_part(double count) {
    return std::floor(count);
}

// log E[e^(lambda X)] of the factor's atoms, from one atom's `log_moment`.
double factor_log_moment(const Factor &factor, double log_moment) {
    const double whole = whole_part(factor.count), fraction = factor.count - whole;
    double sum = whole * log_moment;
    if (fraction != 0) sum += std::log1p(fraction * std::expm1(log_moment));
    return sum;
}

double chernoff_edge(const std::vector<Factor> &factors, double direction) {
    const SlopeMoments &natural = natural_slope_moments();
    double best = std::numeric_limits<double>::infinity();
    for (std::size_t s = 0; s < kSlopeCount; ++s) {
        const double lambda = direction * kSlopes[s];
        const std::size_t column = direction > 0 ? s : kSlopeCount + s;
        double log_moment = 0;
        for (const Factor &factor : factors)
            log_moment +=
                factor_log_moment(factor, factor.labelled ? factor.pattern.log_moment(lambda)
                                                          : natural[factor.element][column]);
        const double edge = (log_moment + kTailLogOdds) / lambda;
        if (direction > 0 ? edge < best : -edge < best) best = direction > 0 ? edge : -edge;
    }
    return direction > 0 ? best : -best;
}

Outcome choose_window(const std::vector<Factor> &factors, Window &window) {
    double mean = 0, variance = 0, reach_up = 0, reach_down = 0, hard_max = 0;
    for (const Factor &factor : factors) {
        const double factor_mean = factor.pattern.mean_position();
        const double fraction = factor.count - whole_part(factor.count);
        mean += factor.count * factor_mean;
        variance += factor.count * factor.pattern.variance() +
                    fraction * (1 - fraction) * factor_mean * factor_mean;
        hard_max += std::ceil(factor.count) * factor.pattern.max_position();
        // The mixture's extra atom has mean fraction x factor_mean: its
        // reach above that is at most the heaviest position.
        reach_up = std::max(reach_up, fraction != 0 ? double(factor.pattern.max_position())
                                                    : factor.pattern.max_position() - factor_mean);
        reach_down = std::max(reach_down, factor_mean);
    }
    // Both bounds hold for any molecule; the fixed slopes are tight for a
    // narrow spread, Bennett's inequality for a wide one.
    const bool narrow = variance < 64;
    double low = narrow ? chernoff_edge(factors, -1)
                        : mean - bennett_distance(variance, reach_down, kTailLogOdds);
    double high = narrow ? chernoff_edge(factors, +1)
                         : mean + bennett_distance(variance, reach_up, kTailLogOdds);
    low = std::max(0.0, std::floor(low));
    high = std::min(hard_max, std::ceil(high));
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

// roots[m] = exp(-2 pi i m / grid), FFTW's sign convention.
void fill_roots(int grid, std::vector<Cx> &roots) {
    roots.resize(static_cast<std::size_t>(grid));
    const double step = -2 * M_PI / grid;
    const Cx unit{std::cos(step), std::sin(step)};
    for (int m = 0; m < grid; ++m)
        roots[static_cast<std::size_t>(m)] = m % kTwiddleRefresh == 0
                                                 ? Cx{std::cos(step * m), std::sin(step * m)}
                                                 : roots[static_cast<std::size_t>(m - 1)] * unit;
}

// |z| far below anything a share can show: its further powers would only
// crawl through subnormal numbers, so they are taken as zero.
bool negligible(Cx z) {
    return std::fabs(z.re) + std::fabs(z.im) < kNegligibleBin;
}

Cx integer_power(Cx base, unsigned long long exponent) {
    Cx result{1, 0};
    while (exponent != 0) {
        if (exponent & 1u) result = result * base;
        exponent >>= 1;
        if (exponent == 0) break;
        base = base * base;
        if (negligible(base)) [[unlikely]]
            return Cx{};
    }
    return result;
}

// Folds one factor into the bins of the whole distribution (total) and of
// its defect moment (moment) by the product rule,
// (T, M) <- (T F, M F + T G), with P and Q the transforms of one atom's
// shares and share-weighted defects. For n whole atoms F = P^n and
// G = n Q P^(n-1); for n + f atoms (see whole_part) F = P^n X with
// X = 1 - f + f P, and G = Q (n P^(n-1) X + f P^n). Each isotope's root
// index advances by its position from bin to bin, which spares a division
// per isotope and bin.
void fold_factor(const Factor &factor, const std::vector<Cx> &roots, Cx *total, Cx *moment) {
    const long long grid = static_cast<long long>(roots.size());
    const long long half = grid / 2 + 1;
    const auto &p = factor.pattern;
    const double whole = whole_part(factor.count), fraction = factor.count - whole;
    const auto atoms = static_cast<unsigned long long>(whole);
    std::array<long long, labels::kMostIsotopes> index{};
    std::array<long long, labels::kMostIsotopes> stride{};
    for (std::size_t i = 0; i < p.size; ++i) stride[i] = p.positions[i] % grid;
    for (long long j = 0; j < half; ++j) {
        Cx transform, defects;
        for (std::size_t i = 0; i < p.size; ++i) {
            const Cx root = roots[static_cast<std::size_t>(index[i])];
            transform = transform + scaled(root, p.shares[i]);
            defects = defects + scaled(root, p.shares[i] * p.defects[i]);
            index[i] += stride[i];
            if (index[i] >= grid) index[i] -= grid;
        }
        const Cx below = atoms >= 1 ? integer_power(transform, atoms - 1) : Cx{};
        const Cx power = atoms >= 1 ? below * transform : Cx{1, 0};
        Cx whole_factor, whole_moment;
        if (fraction == 0) {
            whole_factor = power;
            whole_moment = scaled(defects * below, factor.count);
        } else {
            const Cx extra{1 - fraction + fraction * transform.re, fraction * transform.im};
            whole_factor = power * extra;
            whole_moment = defects * (scaled(below * extra, whole) + scaled(power, fraction));
        }
        moment[j] = moment[j] * whole_factor + total[j] * whole_moment;
        total[j] = total[j] * whole_factor;
    }
}

void combine(const std::vector<Factor> &factors, const std::vector<Cx> &roots,
             fftw_complex *total_bins, fftw_complex *moment_bins) {
    // fftw_complex is double[2], laid out as Cx.
    Cx *total = reinterpret_cast<Cx *>(total_bins);
    Cx *moment = reinterpret_cast<Cx *>(moment_bins);
    const std::size_t half = roots.size() / 2 + 1;
    std::fill(total, total + half, Cx{1, 0});
    std::fill(moment, moment + half, Cx{0, 0});
    for (const Factor &factor : factors) fold_factor(factor, roots, total, moment);
}

double fixed_mass(const chem::Composition &composition) {
    double mass = 0;
    for (const chem::FixedIsotope &isotope : composition.fixed)
        mass += isotope.count * chem::find_isotope(isotope.element, isotope.mass_number)->mass;
    return mass;
}

// The monoisotopic composition: every atom of natural abundance its
// element's most abundant isotope after the labels (fixed atoms stay
// fixed). `shift` is its k above the lightest composition, the grid's
// origin: whole, as check_factor allows a fractional count only where the
// lightest isotope is the most abundant.
struct Monoisotopic {
    double lightest_mass = 0; // every natural atom its lightest isotope
    double mass = 0;
    long long shift = 0;
};

Monoisotopic monoisotopic_of(const std::vector<Factor> &factors, double fixed) {
    Monoisotopic mono{fixed, fixed, 0};
    double shift = 0;
    for (const Factor &factor : factors) {
        const auto &p = factor.pattern;
        const std::size_t top = p.most_abundant();
        mono.lightest_mass += factor.count * p.lightest_mass;
        mono.mass += factor.count * p.isotope_mass(top);
        shift += factor.count * p.positions[top];
    }
    mono.shift = std::llround(shift);
    return mono;
}

void fill_points(const Window &window, const double *total, const double *moment,
                 const Monoisotopic &mono, Envelope &result) {
    const double monoisotopic = mono.lightest_mass;
    const double scale = 1.0 / window.grid;
    long long first = -1, last = -1;
    for (long long offset = 0; offset < window.span; ++offset)
        if (total[(window.low + offset) % window.grid] * scale >= CORVAN_ACCURACY) {
            if (first < 0) first = offset;
            last = offset;
        }
    result.first_neutrons = static_cast<int>(window.low + std::max(first, 0LL) - mono.shift);
    result.shares.clear();
    result.masses.clear();
    if (first < 0) return;
    result.shares.reserve(static_cast<std::size_t>(last - first + 1));
    result.masses.reserve(static_cast<std::size_t>(last - first + 1));
    for (long long offset = first; offset <= last; ++offset) {
        const std::size_t cell = static_cast<std::size_t>((window.low + offset) % window.grid);
        const double share = total[cell] * scale;
        const bool signal = share >= CORVAN_ACCURACY;
        result.shares.push_back(signal ? share : 0.0);
        result.masses.push_back(signal ? monoisotopic + static_cast<double>(window.low + offset) +
                                             moment[cell] / total[cell]
                                       : std::numeric_limits<double>::quiet_NaN());
    }
}

// The working arrays, in one aligned block for both grids and both bin
// arrays, each part padded to 64 bytes so that every part keeps FFTW's SIMD
// alignment. A Workspace keeps the block between molecules and grows it
// when a wider grid comes.
struct Buffers {
    int capacity = 0; // grid points each part holds
    FftwArray<double> block;
    double *total_grid = nullptr, *moment_grid = nullptr;
    fftw_complex *total_bins = nullptr, *moment_bins = nullptr;

    bool reserve(int grid) {
        if (grid <= capacity) return true;
        const auto padded = [](long long doubles) { return (doubles + 7) / 8 * 8; };
        const long long grid_part = padded(grid), bin_part = padded(2 * (grid / 2 + 1));
        block = fftw_real_array(2 * grid_part + 2 * bin_part);
        if (!block) {
            capacity = 0;
            return false;
        }
        capacity = grid;
        total_grid = block.get();
        moment_grid = total_grid + grid_part;
        total_bins = reinterpret_cast<fftw_complex *>(moment_grid + grid_part);
        moment_bins = reinterpret_cast<fftw_complex *>(moment_grid + grid_part + bin_part);
        return true;
    }
};

// The labelled average mass from the factors' patterns.
double average_of(double fixed, const std::vector<Factor> &factors) {
    double average = fixed;
    for (const Factor &factor : factors) average += factor.count * factor.pattern.average_mass();
    return average;
}

// The whole computation once the factors are collected; `roots_for(grid)`
// gives the grid's roots of unity (null when they cannot be made), and
// `inverse(grid, bins, out)` runs an inverse transform as fft::inverse does.
template <class Roots, class Inverse>
Outcome compute_factors(double fixed, const std::vector<Factor> &factors, Buffers &buffers,
                        Roots &&roots_for, Inverse &&inverse, Envelope &result) {
    const Monoisotopic mono = monoisotopic_of(factors, fixed);
    result.monoisotopic_mass = mono.mass;
    result.average_mass = average_of(fixed, factors);
    Window window;
    Outcome placed = choose_window(factors, window);
    if (!placed.ok()) return placed;
    const Outcome no_memory = Outcome::failure(CORVAN_E_MEMORY, "out of memory");
    if (!buffers.reserve(window.grid)) return no_memory;
    const std::vector<Cx> *roots = roots_for(window.grid);
    if (roots == nullptr) return no_memory;
    combine(factors, *roots, buffers.total_bins, buffers.moment_bins);
    if (!inverse(window.grid, buffers.total_bins, buffers.total_grid) ||
        !inverse(window.grid, buffers.moment_bins, buffers.moment_grid))
        return no_memory;
    fill_points(window, buffers.total_grid, buffers.moment_grid, mono, result);
    return Outcome::success();
}

// Grids up to this size keep their roots in a Workspace (16 bytes a point).
constexpr int kKeptRootsGrid = 1 << 16;

} // namespace

struct Workspace::State {
    explicit State(const labels::LabelSet &set) : labels(set) {}

    // Labelled patterns cost a table walk each; natural ones are shared.
    const labels::ElementPattern &pattern(int element) {
        const auto index = static_cast<std::size_t>(element);
        if (!made[index]) {
            patterns[index] = labels::element_pattern(element, labels);
            made[index] = true;
        }
        return patterns[index];
    }

    const std::vector<Cx> *roots(int grid) {
        if (grid > kKeptRootsGrid) {
            fill_roots(grid, scratch_roots);
            return &scratch_roots;
        }
        for (auto &[size, table] : kept_roots)
            if (size == grid) return &table;
        // Made aside and then kept, so that a failed allocation leaves no
        // half-made table behind for the next molecule of this grid.
        std::vector<Cx> table;
        fill_roots(grid, table);
        kept_roots.emplace_back(grid, std::move(table));
        return &kept_roots.back().second;
    }

    labels::LabelSet labels;
    std::array<labels::ElementPattern, chem::kElementCount> patterns{};
    std::array<bool, chem::kElementCount> made{};
    std::vector<Factor> factors;
    Buffers buffers;
    std::vector<std::pair<int, std::vector<Cx>>> kept_roots;
    std::vector<Cx> scratch_roots;
    fft::HeldInverses inverses;
};

Workspace::Workspace(const labels::LabelSet &labels) : state_(std::make_unique<State>(labels)) {}
Workspace::~Workspace() = default;

namespace {

double fixed_mass_of(const chem::Composition &molecule, const chem::Composition *carriers) {
    return fixed_mass(molecule) + (carriers == nullptr ? 0.0 : fixed_mass(*carriers));
}

} // namespace

Outcome masses(const chem::Composition &molecule, const labels::LabelSet &labels,
               double &monoisotopic, double &average) {
    std::vector<Factor> factors;
    Outcome collected = collect_factors(
        molecule, nullptr, labels,
        [&](int element) { return labels::element_pattern(element, labels); }, factors);
    if (!collected.ok()) return collected;
    const double fixed = fixed_mass(molecule);
    monoisotopic = monoisotopic_of(factors, fixed).mass;
    average = average_of(fixed, factors);
    return Outcome::success();
}

Outcome compute(const chem::Composition &molecule, const chem::Composition *carriers,
                const labels::LabelSet &labels, Envelope &result) {
    std::vector<Factor> factors;
    factors.reserve(8);
    Outcome collected = collect_factors(
        molecule, carriers, labels,
        [&](int element) { return labels::element_pattern(element, labels); }, factors);
    if (!collected.ok()) return collected;
    Buffers buffers;
    std::vector<Cx> roots;
    return compute_factors(
        fixed_mass_of(molecule, carriers), factors, buffers,
        [&](int grid) {
            fill_roots(grid, roots);
            return &roots;
        },
        fft::inverse, result);
}

Outcome compute(const chem::Composition &molecule, const chem::Composition *carriers,
                Workspace &workspace, Envelope &result) {
    Workspace::State &state = *workspace.state_;
    Outcome collected = collect_factors(
        molecule, carriers, state.labels, [&](int element) { return state.pattern(element); },
        state.factors);
    if (!collected.ok()) return collected;
    return compute_factors(
        fixed_mass_of(molecule, carriers), state.factors, state.buffers,
        [&](int grid) { return state.roots(grid); },
        [&](int grid, fftw_complex *bins, double *out) {
            return state.inverses.run(grid, bins, out);
        },
        result);
}

} // namespace corvan::envelope
