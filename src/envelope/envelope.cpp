#include "envelope/envelope.hpp"

#include <algorithm>
#include <array>
#include <bit>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <iterator>
#include <limits>
#include <span>
#include <utility>

#include "core/buffers.hpp"
#include "core/numbers.hpp"
#include "core/plan_cache.hpp"
#include "core/thread_state.hpp"
#include "envelope/direct_sum.hpp"
#include "envelope/element_bins.hpp"
#include "envelope/element_stats.hpp"
#include "envelope/route_choice.hpp"
#include "envelope/tail_bound.hpp"
#include "labels/element_pattern.hpp"

namespace corvan::envelope {

namespace {

// Each tail left outside the grid holds at most e^-34.6 ~ 1e-15 of the
// whole, far below what is reported.
constexpr double kTailLogOdds = 34.6;
// Each point above the direct sum's top holds at most e^-28 < 7e-13 of the
// whole: below CORVAN_ACCURACY, so it would be reported as 0. The direct
// sum wraps nothing and needs no more.
constexpr double kReportedLogOdds = 28;
static_assert(kReportedLogOdds > 27.7, "e^-kReportedLogOdds must stay below CORVAN_ACCURACY");
// A bin whose log-magnitude lies below this is zero: its share of any
// point would be far below what a double can add to it.
constexpr double kNegligibleLog = -700;

// A fractional count n + f of an element is n atoms and one more with
// probability f: a mixture, so that its pattern is a true distribution
// (shares >= 0, summing to 1) that moves continuously with the count.
struct Factor {
    const labels::ElementPattern *pattern;
    const ElementStats *stats;
    double count, whole, fraction;
    int element;
    bool labelled;
    bool passes;                          // check_factor() lets it pass
    const DirectSeries *series = nullptr; // a natural element's shared one
};

// The whole part is floor(count), for the usual count by a conversion,
// which costs a fraction of std::floor where the target lacks a rounding
// instruction: the same value for every count above 0 and below 2^52, each
// of which is finite and not negative, as check_factor() asks.
Factor make_factor(const labels::ElementPattern &pattern, const ElementStats &stats, double count,
                   int element, bool labelled) {
    constexpr double kExactIntegers = 4503599627370496.0; // 2^52
    double whole;
    bool in_range;
    if (count > 0 && count < kExactIntegers) [[likely]] {
        whole = static_cast<double>(static_cast<long long>(count));
        in_range = true;
    } else {
        whole = std::floor(count);
        in_range = count >= 0 && std::isfinite(count);
    }
    const double fraction = count - whole;
    const bool passes =
        in_range && stats.natural_composition && (fraction == 0 || stats.top_position == 0);
    return {&pattern, &stats, count, whole, fraction, element, labelled, passes};
}

// An element's natural pattern, its stats and its direct-sum series (null
// where that route does not suit it): one look-up per factor.
struct NaturalElement {
    const labels::ElementPattern *pattern;
    const ElementStats *stats;
    const DirectSeries *series;
};

// Every element's NaturalElement, made on first use; a call fetches the
// table once and indexes it per element.
using NaturalElements = std::array<NaturalElement, chem::kElementCount>;
// Apart, so that natural_elements() below inlines to the guard's test.
[[gnu::noinline]] NaturalElements make_natural_elements() {
    NaturalElements all{};
    for (int e = 0; e < chem::kElementCount; ++e)
        all[static_cast<std::size_t>(e)] = {&labels::natural_pattern(e), &natural_stats(e),
                                            natural_direct_series(e)};
    return all;
}
inline const NaturalElements &natural_elements() {
    static const NaturalElements table = make_natural_elements();
    return table;
}

// A labelled element's pattern and its stats, made for one label set.
struct Labelled {
    labels::ElementPattern pattern;
    ElementStats stats;
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
    if (!factor.stats->natural_composition)
        return Outcome::failure(
            CORVAN_E_UNSUPPORTED,
            std::string(chem::element_symbol(element)) +
                " has no natural isotopic composition: write the isotope meant, such as [" +
                std::to_string(chem::isotopes_of(element).front().mass_number) +
                chem::element_symbol(element) + "]");
    if (factor.fraction != 0 && factor.stats->top_position != 0)
        return factor_failure(CORVAN_E_UNSUPPORTED, element,
                              "a fractional count needs the element's lightest isotope to "
                              "be its most abundant one");
    return Outcome::success();
}

// Visits the elements with atoms of natural abundance in the molecule or
// the carriers (may be null), in order: the compositions' touched elements
// whose count has any bit but the sign set (NaN included).
template <class Visit>
void for_each_present(const chem::Composition &molecule, const chem::Composition *carriers,
                      Visit &&visit) {
    chem::ElementSet touched = molecule.touched;
    if (carriers != nullptr) touched |= carriers->touched;
    touched.for_each([&](int element) {
        const auto e = static_cast<std::size_t>(element);
        const double carried = carriers == nullptr ? 0.0 : carriers->natural[e];
        const std::uint64_t bits = std::bit_cast<std::uint64_t>(molecule.natural[e]) |
                                   std::bit_cast<std::uint64_t>(carried);
        if ((bits << 1) != 0) visit(element);
    });
}

struct Window {
    long long low = 0; // k of grid point 0
    long long span = 1;
    int grid = 4;
    long long direct_top = 0; // the last point the direct sum needs
};

// Chernoff's bound at a few fixed slopes (kSlopes): for any lambda > 0,
// P(S >= a) <= exp(-lambda a + sum n log E[e^(lambda X)]); each slope gives
// a valid edge and the tightest one is kept. Small molecules are bounded
// best by steep slopes, large ones by Bennett's inequality.

// log E[e^(lambda X)] of the molecule at each slope (columns as
// ElementStats::slope_moments), from its atoms' in one pass. A fractional
// count's extra atom adds log(1 - f + f E[e^(lambda X)]).
using SlopeSums = std::array<double, 2 * kSlopeCount>;
// Two columns to a register, each lane rounding as the scalar sum does.
using SlopeLanes = std::array<double __attribute__((vector_size(16))), kSlopeCount>;

// The sums with a fractional count's extra atom added: apart, so that the
// usual loop keeps its sums in registers.
[[gnu::noinline]] SlopeLanes with_fraction(SlopeLanes lanes, const SlopeSums &moments,
                                           double fraction) {
    for (std::size_t c = 0; c < moments.size(); ++c)
        lanes[c / 2][c % 2] += std::log1p(fraction * std::expm1(moments[c]));
    return lanes;
}

// One factor's atoms added to the sums.
inline void add_slope_moments(const Factor &factor, SlopeLanes &lanes) {
    using Lanes = SlopeLanes::value_type;
    const auto &moments = factor.stats->slope_moments;
    const Lanes times{factor.whole, factor.whole};
    for (std::size_t p = 0; p < lanes.size(); ++p) {
        Lanes two;
        std::memcpy(&two, &moments[2 * p], sizeof two);
        lanes[p] += times * two;
    }
    if (factor.fraction != 0) [[unlikely]]
        lanes = with_fraction(lanes, moments, factor.fraction);
}

SlopeSums sums_of(const SlopeLanes &lanes) {
    static_assert(sizeof lanes == sizeof(SlopeSums));
    SlopeSums sums;
    std::memcpy(sums.data(), lanes.data(), sizeof sums);
    return sums;
}

// What a call sums over its factors, each factor added as it is made and
// in the factors' order, so that every sum has the bits of a pass of its
// own: the masses, the window's moments and slope sums (see
// choose_window), and the route's counts. `lightest` is point k = 0's
// mass: every atom its lightest isotope.
struct FactorSums {
    using Pair = double __attribute__((vector_size(16)));
    FactorSums() = default; // made by collect_factors()
    explicit FactorSums(double fixed)
        : mono_average{fixed, fixed}, lightest_shift{fixed, 0}, mean_variance{0, 0}, reaches{0, 0},
          hard_series{0, 0}, slope_lanes{}, direct_fits(true) {}
    // Two sums to a register, each lane rounding as a scalar sum does, in
    // the pairs of ElementStats. `shift` is the monoisotopic composition's
    // k, before rounding; `reaches` the largest reach up and down.
    // `hard_series`: the heaviest composition's k, and how many factors
    // have more than one isotope (RouteCosts' series).
    Pair mono_average, lightest_shift, mean_variance, reaches, hard_series;
    SlopeLanes slope_lanes;
    bool direct_fits; // every factor's pattern suits the direct sum

    double mono_mass() const { return mono_average[0]; }
    double average() const { return mono_average[1]; }
    double lightest() const { return lightest_shift[0]; }
    double mono_shift() const { return lightest_shift[1]; }
    double mean() const { return mean_variance[0]; }
    double variance() const { return mean_variance[1]; }
    double reach_up() const { return reaches[0]; }
    double reach_down() const { return reaches[1]; }
    double hard_max() const { return hard_series[0]; }
    int series() const { return static_cast<int>(hard_series[1]); }
};

// The pair of `stats` from `first` on (see ElementStats).
inline FactorSums::Pair stats_pair(const double &first) {
    FactorSums::Pair pair;
    std::memcpy(&pair, &first, sizeof pair);
    return pair;
}

inline void add_factor(const Factor &factor, FactorSums &sums) {
    using Pair = FactorSums::Pair;
    const ElementStats &stats = *factor.stats;
    const double count = factor.count, fraction = factor.fraction;
    const Pair times{count, count};
    sums.mono_average += times * stats_pair(stats.top_mass);
    sums.lightest_shift += times * stats_pair(stats.lightest_mass);
    add_slope_moments(factor, sums.slope_lanes);
    Pair mean_variance = times * stats_pair(stats.mean_position);
    Pair reach = stats_pair(stats.reach_up);
    if (fraction != 0) [[unlikely]] {
        const double factor_mean = stats.mean_position;
        // Without a fraction the mixture's term is +0, which adds nothing
        // to count x variance (never -0): the same bits without it.
        mean_variance[1] += fraction * (1 - fraction) * factor_mean * factor_mean;
        // The mixture's extra atom has mean fraction x factor_mean: its
        // reach above that is at most the heaviest position.
        reach[0] = stats.max_position;
    }
    sums.mean_variance += mean_variance;
    sums.reaches = sums.reaches < reach ? reach : sums.reaches; // std::max in each lane
    const double ceiling = factor.whole + (fraction != 0);      // ceil(count)
    sums.hard_series += Pair{ceiling, 1} * stats_pair(stats.max_position);
    // A natural element's series is made only for a pattern that suits.
    sums.direct_fits = sums.direct_fits && (factor.series != nullptr ||
                                            (factor.labelled && direct_suits(*factor.pattern)));
}

// The masses of the molecule's own atoms (without the carriers') where no
// label applies: each natural factor's own count, checked where it differs
// from the factor's. `passes` false: a check refused.
struct OwnMasses {
    explicit OwnMasses(double fixed) : mono_average{fixed, fixed} {}
    FactorSums::Pair mono_average; // as FactorSums'
    bool passes = true;
};

// The molecule's `own` atoms of `factor`'s element, whose count is its own
// and the carriers'.
inline void add_own_atoms(const Factor &factor, double own, OwnMasses &masses) {
    const ElementStats &stats = *factor.stats;
    // A factor of the molecule's own count is the one checked already.
    if (own != factor.count &&
        !make_factor(*factor.pattern, stats, own, factor.element, false).passes)
        masses.passes = false;
    masses.mono_average += FactorSums::Pair{own, own} * stats_pair(stats.top_mass);
}

// Most factors a call can have: an element's labelled atoms and its
// carried natural ones.
constexpr std::size_t kMostFactors = 2 * chem::kElementCount;

// The direct sum's term of each factor of a call, and the factors
// themselves once the transform asks for them (list_factors()).
struct FactorList {
    std::array<DirectTerm, kMostFactors> terms;
    std::size_t count = 0;
    std::array<Factor, kMostFactors> factors;

    std::span<const Factor> all() const { return {factors.data(), count}; }
};

// The molecule's atoms carry the call's labels; the carriers' atoms (added
// by the adduct) keep natural abundance. An element without labels is one
// factor of the sum of both counts; `visit(factor, own)` gets each factor
// in order, `own` the molecule's own atoms of an element without labels.
// `labelled_of(element)` gives the element's Labelled after the labels.
template <class LabelledOf, class Visit>
void for_each_factor(const chem::Composition &molecule, const chem::Composition *carriers,
                     const labels::LabelSet &labels, LabelledOf &&labelled_of, Visit &&visit) {
    const bool any_labels = !labels.all().empty();
    const NaturalElements &naturals = natural_elements();
    for_each_present(molecule, carriers, [&](int element) {
        const auto index = static_cast<std::size_t>(element);
        const double own = molecule.natural[index];
        const double carried = carriers == nullptr ? 0 : carriers->natural[index];
        const NaturalElement &natural_of = naturals[index];
        const auto natural_factor = [&](double atoms) {
            Factor factor =
                make_factor(*natural_of.pattern, *natural_of.stats, atoms, element, false);
            factor.series = natural_of.series;
            return factor;
        };
        if (!any_labels || !labels.labels_element(element)) {
            visit(natural_factor(own + carried), own);
            return;
        }
        if (own != 0) {
            const Labelled &made = labelled_of(element);
            visit(make_factor(made.pattern, made.stats, own, element, true), 0.0);
        }
        if (carried != 0) visit(natural_factor(carried), 0.0);
    });
}

// collect_factors() below for the usual molecule: no labels, and every
// factor whole and passing its checks. The sums are locals and the loop
// calls nothing (add_factor() calls only for fractions and labels), so
// that they stay in registers. False, with `list`, `sums` and `own_masses`
// untouched, for any other molecule.
template <bool WithOwn>
bool collect_whole_natural(const chem::Composition &molecule, const chem::Composition *carriers,
                           double fixed, FactorList &list, FactorSums &sums,
                           OwnMasses *own_masses) {
    std::array<int, chem::kElementCount> present;
    std::size_t elements = 0;
    for_each_present(molecule, carriers, [&](int element) { present[elements++] = element; });
    const NaturalElements &naturals = natural_elements();
    FactorSums summed(fixed);
    OwnMasses own_summed = own_masses != nullptr ? *own_masses : OwnMasses(0);
    for (std::size_t i = 0; i < elements; ++i) {
        const int element = present[i];
        const auto index = static_cast<std::size_t>(element);
        const double own = molecule.natural[index];
        const double carried = carriers == nullptr ? 0 : carriers->natural[index];
        const NaturalElement &natural_of = naturals[index];
        Factor factor =
            make_factor(*natural_of.pattern, *natural_of.stats, own + carried, element, false);
        factor.series = natural_of.series;
        if (!factor.passes || factor.fraction != 0) [[unlikely]]
            return false;
        list.terms[i] = {factor.pattern, factor.whole, factor.fraction, factor.series};
        add_factor(factor, summed);
        if constexpr (WithOwn) add_own_atoms(factor, own, own_summed);
    }
    list.count = elements;
    sums = summed;
    if (WithOwn && own_masses != nullptr) *own_masses = own_summed;
    return true;
}

// The call's factors into list.terms, each added to `sums` (made from the
// fixed atoms' mass `fixed`) as it is made
// and, WithOwn where `own_masses` is not null (only without labels), its
// own atoms to that; the factors themselves are not kept. False, with
// `outcome` the refusal, where the molecule is refused.
template <bool WithOwn = false, class LabelledOf>
bool collect_factors(const chem::Composition &molecule, const chem::Composition *carriers,
                     const labels::LabelSet &labels, LabelledOf &&labelled_of, double fixed,
                     FactorList &list, FactorSums &sums, Outcome &outcome,
                     OwnMasses *own_masses = nullptr) {
    if (labels.all().empty() &&
        collect_whole_natural<WithOwn>(molecule, carriers, fixed, list, sums, own_masses))
        return true;
    list.count = 0;
    sums = FactorSums(fixed);
    if (!labels.all().empty()) {
        Outcome checked = check_labels(molecule, labels);
        if (!checked.ok()) {
            outcome = std::move(checked);
            return false;
        }
    }
    DirectTerm *terms = list.terms.data();
    std::size_t count = 0;
    bool all_pass = true;
    for_each_factor(molecule, carriers, labels, labelled_of, [&](const Factor &factor, double own) {
        terms[count++] = {factor.pattern, factor.whole, factor.fraction, factor.series};
        all_pass = all_pass && factor.passes;
        add_factor(factor, sums);
        if constexpr (!WithOwn) return;
        if (own_masses != nullptr) add_own_atoms(factor, own, *own_masses);
    });
    list.count = count;
    if (all_pass) [[likely]]
        return true;
    // The first factor refused, found again on this rare path.
    bool found = false;
    for_each_factor(molecule, carriers, labels, labelled_of, [&](const Factor &factor, double) {
        if (found || factor.passes) return;
        outcome = check_factor(factor);
        found = true;
    });
    return false;
}

// The factors of a call that collect_factors() passed, into list.factors.
template <class LabelledOf>
std::span<const Factor>
list_factors(const chem::Composition &molecule, const chem::Composition *carriers,
             const labels::LabelSet &labels, LabelledOf &&labelled_of, FactorList &list) {
    std::size_t count = 0;
    for_each_factor(molecule, carriers, labels, labelled_of,
                    [&](const Factor &factor, double) { list.factors[count++] = factor; });
    return list.all();
}

// The window's three edges, each the tightest over the slopes: below the
// mean and above it at kTailLogOdds, and above it at kReportedLogOdds.
struct ChernoffEdges {
    double low, high, reported;
};

// For slope lambda the edge is (log E[e^(+-lambda X)] + log odds) / lambda.
// Both edges above the mean share their column and slope, so they are
// divided together, two lanes at a time; a slope that is a power of two
// divides as a multiplication by its inverse, which gives the same bits.
constexpr bool power_of_two(double x) {
    while (x >= 2) x /= 2;
    while (x < 1) x *= 2;
    return x == 1;
}
static_assert(power_of_two(0.5) && power_of_two(4) && !power_of_two(1.5) && !power_of_two(6));

constexpr auto kPowerOfTwo = [] {
    std::array<bool, kSlopeCount> made{};
    for (std::size_t s = 0; s < kSlopeCount; ++s) made[s] = power_of_two(kSlopes[s]);
    return made;
}();

ChernoffEdges chernoff_edges(const SlopeSums &sums) {
    using Lanes = double __attribute__((vector_size(16)));
    constexpr double none = std::numeric_limits<double>::infinity();
    const Lanes odds{kTailLogOdds, kReportedLogOdds};
    Lanes above{none, none};
    double below = none;
#pragma GCC unroll 8
    for (std::size_t s = 0; s < kSlopeCount; ++s) {
        const double slope = kSlopes[s];
        const Lanes up_sum = Lanes{sums[s], sums[s]} + odds;
        const double down_sum = sums[kSlopeCount + s] + kTailLogOdds;
        const double inverse = 1 / slope;
        const Lanes up = kPowerOfTwo[s] ? up_sum * inverse : up_sum / slope;
        const double down = kPowerOfTwo[s] ? down_sum * inverse : down_sum / slope;
        // A NaN edge never wins: each keeps the best so far.
        above = up < above ? up : above;
        below = down < below ? down : below;
    }
    return {-below, above[0], above[1]};
}

bool choose_window(const FactorSums &sums, Window &window, Outcome &outcome) {
    const double mean = sums.mean(), variance = sums.variance();
    // Both bounds hold for any molecule; the fixed slopes are tight for a
    // narrow spread, Bennett's inequality for a wide one.
    const bool narrow = variance < 64;
    const ChernoffEdges edges =
        narrow ? chernoff_edges(sums_of(sums.slope_lanes)) : ChernoffEdges{0, 0, 0};
    double low =
        narrow ? edges.low : mean - bennett_distance(variance, sums.reach_down(), kTailLogOdds);
    double high =
        narrow ? edges.high : mean + bennett_distance(variance, sums.reach_up(), kTailLogOdds);
    low = std::max(0.0, std::floor(low));
    high = std::min(sums.hard_max(), std::ceil(high));
    const double span = std::max(1.0, high - low + 1);
    if (!(span <= CORVAN_MAX_POINTS)) {
        outcome = Outcome::failure(
            CORVAN_E_TOO_WIDE, "the distribution would span about " +
                                   std::to_string(static_cast<long long>(std::min(span, 1e18))) +
                                   " points, more than " + std::to_string(CORVAN_MAX_POINTS));
        return false;
    }
    window.low = static_cast<long long>(low);
    window.span = static_cast<long long>(span);
    window.grid = grid_size(window.span);
    window.direct_top =
        narrow ? std::min(static_cast<long long>(high),
                          std::max(window.low, static_cast<long long>(std::ceil(edges.reported))))
               : static_cast<long long>(high);
    return true;
}

// How the bins of one factor enter the product: its bins, its whole and
// fractional count, and the constants of its extra atom's moment.
struct Term {
    const ElementBin *bins;
    double whole, fraction;
    double mean_position, mean_defect;
};

// The molecule's constants for a grid: a point's mass is
//   base + (1 + slope) k + M(k) / T(k),
// where the moment M carries each whole atom's defect less its element's
// mean and less `slope` per neutron above its element's mean. The slope is
// the molecule's regression of defect on neutrons, so M / T stays small
// even in the far tails and round-off there moves masses little. `centre`
// is the whole atoms' mean position rounded: the grid's cell 0.
struct Layout {
    double base = 0, slope = 0, whole_mean = 0;
    double lightest = 0; // point k = 0: every atom its lightest isotope, one composition
    long long centre = 0;
};

Layout layout_of(std::span<const Factor> factors, double fixed) {
    double covariance = 0, variance = 0;
    Layout layout{fixed, 0, 0, fixed, 0};
    for (const Factor &factor : factors) {
        covariance += factor.count * factor.stats->defect_covariance;
        variance += factor.count * factor.stats->variance;
        layout.whole_mean += factor.whole * factor.stats->mean_position;
    }
    layout.slope = variance > 0 ? covariance / variance : 0;
    for (const Factor &factor : factors) {
        const ElementStats &stats = *factor.stats;
        layout.lightest += factor.count * stats.lightest_mass;
        layout.base += factor.count * stats.lightest_mass +
                       factor.whole * (stats.mean_defect - layout.slope * stats.mean_position);
    }
    layout.centre = std::llround(layout.whole_mean);
    return layout;
}

// The transform of the distribution (total) and of its moment (see Layout)
// in bins 0..N/2: per bin one exponential of the summed logarithms, the
// moment by the product rule, and the extra atom of a fractional count as
// the mixture X = 1 - f + f P with moment f P (defect - slope x) / X.
void combine_mixed(const std::vector<Term> &terms, const Layout &layout, int grid, Cx *total,
                   Cx *moment) {
    const double step = 2 * M_PI / grid,
                 offset = layout.whole_mean - static_cast<double>(layout.centre);
    const double slope = layout.slope;
    for (int j = 0; j <= grid / 2; ++j) {
        Cx log{0, -offset * step * j}, defects, positions, extra;
        bool vanished = false;
        for (const Term &term : terms) {
            const ElementBin &bin = term.bins[j];
            if (term.whole != 0) {
                log = log + scaled(bin.log, term.whole);
                defects = defects + scaled(bin.defect, term.whole);
                positions = positions + scaled(bin.position, term.whole);
            }
            if (term.fraction == 0) continue;
            const Cx mixture{1 - term.fraction + term.fraction * bin.transform.re,
                             term.fraction * bin.transform.im};
            if (mixture.re * mixture.re + mixture.im * mixture.im < 1e-280) {
                vanished = true;
                break;
            }
            log = log + complex_log(mixture);
            const Cx values = bin.defect - scaled(bin.position, slope) +
                              Cx{term.mean_defect - slope * term.mean_position, 0};
            extra = extra + quotient(scaled(bin.transform * values, term.fraction), mixture);
        }
        if (vanished || log.re < kNegligibleLog) {
            total[j] = moment[j] = Cx{};
            continue;
        }
        total[j] = complex_exp(log);
        moment[j] = total[j] * (defects - scaled(positions, slope) + extra);
    }
}

// A complex number as two lanes: the compiler then adds and multiplies both
// parts in one instruction, each lane rounding as the scalar operation does.
using Pair = double __attribute__((vector_size(16)));
inline Pair pair_of(Cx z) {
    return Pair{z.re, z.im};
}
inline Cx cx_of(Pair p) {
    return {p[0], p[1]};
}

// Bin j's sums into total[j] and moment[j]: zero where its magnitude
// e^log.re is negligible, else from the exponential `value` of its log.
inline void store_bin(Pair log, Pair defects, Pair positions, double slope, Cx value, Cx &total,
                      Cx &moment) {
    if (log[0] < kNegligibleLog) {
        total = moment = Cx{};
        return;
    }
    total = value;
    moment = value * (cx_of(defects) - scaled(cx_of(positions), slope) + Cx{});
}

// Bins j, j + 1, ... of combine_whole() below, two at a time (the last one
// alone twice when the count is odd), from `j` on. Skipping, a pair of
// negligible bins (see kNegligibleLog) skips the exponential; else the
// loop stops after the first such pair and returns where it stopped: the
// bins up to there rarely are, and the loop without that test keeps its
// constants in registers.
template <bool Skipping>
int combine_pairs(const Term *whole, std::size_t count, const Layout &layout, int grid, int j,
                  Cx *total, Cx *moment) {
    const double step = 2 * M_PI / grid,
                 offset = layout.whole_mean - static_cast<double>(layout.centre);
    const double slope = layout.slope;
    const int half = grid / 2;
    for (; j <= half; j += 2) {
        const int next = std::min(j + 1, half);
        Pair log{0, -offset * step * j}, defects{0, 0}, positions{0, 0};
        Pair next_log{0, -offset * step * next}, next_defects{0, 0}, next_positions{0, 0};
        for (std::size_t t = 0; t < count; ++t) {
            const ElementBin &bin = whole[t].bins[j], &next_bin = whole[t].bins[next];
            const Pair times{whole[t].whole, whole[t].whole};
            log += pair_of(bin.log) * times;
            defects += pair_of(bin.defect) * times;
            positions += pair_of(bin.position) * times;
            next_log += pair_of(next_bin.log) * times;
            next_defects += pair_of(next_bin.defect) * times;
            next_positions += pair_of(next_bin.position) * times;
        }
        const bool negligible = log[0] < kNegligibleLog && next_log[0] < kNegligibleLog;
        if constexpr (Skipping) {
            if (negligible) {
                total[j] = moment[j] = total[next] = moment[next] = Cx{};
                continue;
            }
        }
        // A negligible bin's magnitude is not asked for: store_bin zeroes it.
        const Lanes re{std::max(log[0], kNegligibleLog), std::max(next_log[0], kNegligibleLog)};
        Lanes value_re, value_im;
        lanes_complex_exp(re, Lanes{log[1], next_log[1]}, value_re, value_im);
        store_bin(log, defects, positions, slope, {value_re[0], value_im[0]}, total[j], moment[j]);
        if (next != j)
            store_bin(next_log, next_defects, next_positions, slope, {value_re[1], value_im[1]},
                      total[next], moment[next]);
        if constexpr (!Skipping) {
            if (negligible) return j + 2;
        }
    }
    return j;
}

// combine_mixed() where every count is whole, the usual case: the same sums
// in the same order, without the per-term tests in the loop over bins.
// `whole` lists the terms with atoms (those combine_mixed() adds). In a
// large molecule most bins are negligible (the transform narrows as the
// distribution widens): past the first negligible pair, such pairs skip
// the exponential.
void combine_whole(const Term *whole, std::size_t count, const Layout &layout, int grid, Cx *total,
                   Cx *moment) {
    const int j = combine_pairs<false>(whole, count, layout, grid, 0, total, moment);
    combine_pairs<true>(whole, count, layout, grid, j, total, moment);
}

void combine(const std::vector<Term> &terms, const Layout &layout, int grid, Cx *total,
             Cx *moment) {
    std::array<Term, 2 * chem::kElementCount> whole;
    std::size_t count = 0;
    for (const Term &term : terms) {
        if (term.fraction != 0 || count == whole.size())
            return combine_mixed(terms, layout, grid, total, moment);
        if (term.whole != 0) whole[count++] = term;
    }
    combine_whole(whole.data(), count, layout, grid, total, moment);
}

double fixed_mass(const chem::Composition &composition) {
    double mass = 0;
    for (const chem::FixedIsotope &isotope : composition.fixed)
        mass += isotope.count * chem::fixed_isotope(isotope.element, isotope.mass_number)->mass;
    return mass;
}

// std::llround(x) for |x| < 2^62 without the library call: the conversion
// truncates, and x less its whole part is exact, so the half-way test is too.
long long rounded(double x) {
    const auto n = static_cast<long long>(x);
    const double part = x - static_cast<double>(n);
    return part >= 0.5 ? n + 1 : part <= -0.5 ? n - 1 : n;
}

long long rounded_shift(double shift) {
    constexpr double kExact = 4611686018427387904.0; // 2^62
    return std::fabs(shift) < kExact ? rounded(shift) : std::llround(shift);
}

// Cell of point k on the grid, whose cell 0 is the layout's centre.
long long cell_of(long long k, const Layout &layout, int grid) {
    const long long cell = (k - layout.centre) % grid;
    return cell < 0 ? cell + grid : cell;
}

// The Envelope's own arrays as the room for its points.
class EnvelopeRoom final : public PointRoom {
  public:
    explicit EnvelopeRoom(Envelope &envelope) : envelope_(envelope) {}
    bool make(std::size_t points, double *&shares, double *&masses) override {
        // Resized without clearing: the caller writes every point, so the
        // room kept from an earlier molecule need not be zeroed first.
        envelope_.shares.resize(points);
        envelope_.masses.resize(points);
        shares = envelope_.shares.data();
        masses = envelope_.masses.data();
        return true;
    }

  private:
    Envelope &envelope_;
};

// The reported range of [window.low, window.low + window.span): the points
// at both ends below CORVAN_ACCURACY left out; first > last when none is
// left. Sets result.first_neutrons and asks `room` for the range's points.
struct Range {
    long long first = 0, last = -1;
    double *shares = nullptr, *masses = nullptr;
};

template <class ShareAt>
bool reported_range(const Window &window, long long mono_shift, ShareAt &&share_at, PointRoom &room,
                    Envelope &result, Range &range) {
    long long first = window.low, last = window.low + window.span - 1;
    while (first <= last && share_at(first) < CORVAN_ACCURACY) ++first;
    while (last > first && share_at(last) < CORVAN_ACCURACY) --last;
    result.first_neutrons = static_cast<int>((first > last ? window.low : first) - mono_shift);
    const auto points = static_cast<std::size_t>(first <= last ? last - first + 1 : 0);
    range.first = first;
    range.last = last;
    return room.make(points, range.shares, range.masses);
}

// Point `at` of the range: its share, and its mass (`mass_of()`, asked only
// for a share that is reported), or 0 and NaN.
template <class MassOf>
void set_point(double *shares, double *masses, std::size_t at, double share, MassOf &&mass_of) {
    const bool signal = share >= CORVAN_ACCURACY;
    shares[at] = signal ? share : 0.0;
    masses[at] = signal ? mass_of() : std::numeric_limits<double>::quiet_NaN();
}

// A run of `count` cells as points: share total x scale, mass
// base + rise k + moment / total, k from `first_k`, two points a turn (each
// lane rounding as set_point's arithmetic does; a scale or rise of 1 is
// exact). Both values are worked for every point and a share below
// CORVAN_ACCURACY then masked to 0 and its mass to NaN, without a branch.
// Inlined, so that the direct sum's scale and rise of 1 cost nothing.
[[gnu::always_inline]] inline void set_run(const double *total, const double *moment,
                                           long long count, double scale, double base, double rise,
                                           long long first_k, double *shares, double *masses) {
    const Lanes accuracy{CORVAN_ACCURACY, CORVAN_ACCURACY}, zero{0, 0},
        nan{std::numeric_limits<double>::quiet_NaN(), std::numeric_limits<double>::quiet_NaN()};
    long long i = 0;
    // Whole numbers far below 2^53: adding 2 stays exact.
    Lanes k{static_cast<double>(first_k), static_cast<double>(first_k + 1)};
    for (; i + 2 <= count; i += 2, k += 2) {
        Lanes cells, moments;
        std::memcpy(&cells, total + i, sizeof cells);
        std::memcpy(&moments, moment + i, sizeof moments);
        const Lanes share = cells * scale, mass = base + rise * k + moments / cells;
        const auto signal = share >= accuracy;
        const Lanes kept_share = signal ? share : zero, kept_mass = signal ? mass : nan;
        std::memcpy(shares + i, &kept_share, sizeof kept_share);
        std::memcpy(masses + i, &kept_mass, sizeof kept_mass);
    }
    if (i < count)
        set_point(shares, masses, static_cast<std::size_t>(i), total[i] * scale, [&] {
            return base + rise * static_cast<double>(first_k + i) + moment[i] / total[i];
        });
}

bool fill_points(const Window &window, const Layout &layout, const double *total,
                 const double *moment, long long mono_shift, PointRoom &room, Envelope &result) {
    const double scale = 1.0 / window.grid;
    const long long grid = window.grid, low_cell = cell_of(window.low, layout, window.grid);
    // The window is at most one grid long: a point's cell is the low end's
    // plus its distance from it, wrapped once (no division per point).
    const auto cell_at = [&](long long k) {
        const long long cell = low_cell + (k - window.low);
        return cell >= grid ? cell - grid : cell;
    };
    Range range;
    if (!reported_range(
            window, mono_shift, [&](long long k) { return total[cell_at(k)] * scale; }, room,
            result, range))
        return false;
    const long long first = range.first, last = range.last;
    if (first > last) return true;
    double *shares = range.shares, *masses = range.masses;
    // Held apart from the layout, which the stores to `masses` could
    // otherwise change for all the compiler knows.
    const double lightest = layout.lightest, base = layout.base, rise = 1 + layout.slope;
    long long k = first;
    std::size_t at = 0;
    if (k == 0) { // the lightest composition: its mass known exactly
        set_point(shares, masses, at++, total[cell_at(0)] * scale, [&] { return lightest; });
        ++k;
    }
    // The rest in at most two runs of cells, to the grid's end and on from
    // cell 0: no wrap and no test for point 0 per point.
    while (k <= last) {
        const long long cell = cell_at(k), run = std::min(last - k + 1, grid - cell);
        set_run(total + cell, moment + cell, run, scale, base, rise, k, shares + at, masses + at);
        at += static_cast<std::size_t>(run);
        k += run;
    }
    return true;
}

// The direct sum's points: total[k] and moment[k] for k from the lightest
// composition, whose mass is `lightest`.
bool fill_direct_points(const Window &window, double lightest, const double *total,
                        const double *moment, long long mono_shift, PointRoom &room,
                        Envelope &result) {
    Range range;
    if (!reported_range(
            window, mono_shift, [&](long long k) { return total[k]; }, room, result, range))
        return false;
    set_run(total + range.first, moment + range.first, range.last - range.first + 1, 1.0, lightest,
            1.0, range.first, range.shares, range.masses);
    return true;
}

// The working arrays, in one aligned block for both grids and both bin
// arrays, each part padded to 64 bytes so that every part keeps FFTW's SIMD
// alignment, and the bins of elements that have no shared ones. Kept
// between molecules and grown when a wider grid comes.
struct Buffers {
    int capacity = 0; // grid points each part holds
    FftwArray<double> block;
    double *total_grid = nullptr, *moment_grid = nullptr;
    fftw_complex *total_bins = nullptr, *moment_bins = nullptr;
    std::vector<ElementBin> own_bins;
    std::vector<Term> terms;
    FactorList factors;
    // The direct sum's working space, and its total and moment.
    CArray<double> direct_block;
    long long direct_capacity = 0;
    double *direct_total = nullptr, *direct_moment = nullptr;

    bool reserve_direct(long long length) {
        if (length <= direct_capacity) return true;
        direct_block = CArray<double>(static_cast<double *>(std::malloc(
            sizeof(double) * static_cast<std::size_t>((kDirectWorkPerPoint + 2) * length))));
        if (!direct_block) {
            direct_capacity = 0;
            return false;
        }
        direct_capacity = length;
        direct_total = direct_block.get() + kDirectWorkPerPoint * length;
        direct_moment = direct_total + length;
        return true;
    }

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

// Each factor's bins: the shared ones of a natural element, else made for
// this call (labelled elements, grids above the shared ones).
bool gather_terms(std::span<const Factor> factors, int grid, Buffers &buffers) {
    const std::size_t half = static_cast<std::size_t>(grid / 2 + 1);
    std::size_t own = 0;
    buffers.terms.clear();
    for (const Factor &factor : factors) {
        const ElementBin *bins =
            factor.labelled ? nullptr : shared_natural_bins(factor.element, grid);
        if (bins == nullptr) ++own;
        buffers.terms.push_back({bins, factor.whole, factor.fraction, factor.stats->mean_position,
                                 factor.stats->mean_defect});
    }
    if (buffers.own_bins.size() < own * half) buffers.own_bins.resize(own * half);
    std::size_t next = 0;
    for (std::size_t f = 0; f < factors.size(); ++f) {
        if (buffers.terms[f].bins != nullptr) continue;
        ElementBin *bins = buffers.own_bins.data() + half * next++;
        fill_element_bins(*factors[f].pattern, grid, bins);
        buffers.terms[f].bins = bins;
    }
    return true;
}

// Whether the direct sum computes the points: every factor suits it and
// its estimated work is below the transform's. A choice made from the
// molecule alone, so that a molecule's points never depend on what was
// computed before.
bool direct_chosen(const FactorSums &sums, std::size_t factors, const Window &window, Route route) {
    const long long length = window.direct_top + 1;
    if (route == Route::transform || length > kLongestDirectSum || !sums.direct_fits) return false;
    const RouteCosts costs(static_cast<int>(factors), sums.series());
    return route == Route::direct || costs.direct_is_cheaper(static_cast<int>(length), window.grid);
}

// The whole computation once the factors are collected and summed;
// `listed()` gives the factors (list_factors()), `inverse(grid, bins, out)`
// runs an inverse transform as fft::inverse does. False, with `outcome`
// the failure, where it fails.
template <class Listed, class Inverse>
bool compute_factors(double fixed, const FactorSums &sums, Route route, Buffers &buffers,
                     Listed &&listed, Inverse &&inverse, PointRoom &room, Envelope &result,
                     Outcome &outcome) {
    result.monoisotopic_mass = sums.mono_mass();
    result.average_mass = sums.average();
    // The monoisotopic composition's k above the lightest one, the grid's
    // origin: whole, as check_factor allows a fractional count only where
    // the lightest isotope is the most abundant.
    const long long mono_shift = rounded_shift(sums.mono_shift());
    const FactorList &list = buffers.factors;
    Window window;
    if (!choose_window(sums, window, outcome)) return false;
    // Built only on failure: a message made up front costs every call.
    const auto no_memory = [&] {
        outcome = Outcome::failure(CORVAN_E_MEMORY, "out of memory");
        return false;
    };
    result.summed_directly = direct_chosen(sums, list.count, window, route);
    if (result.summed_directly) {
        const long long length = window.direct_top + 1;
        if (!buffers.reserve_direct(length)) return no_memory();
        direct_sum(list.terms.data(), list.count, static_cast<int>(length),
                   buffers.direct_block.get(), buffers.direct_total, buffers.direct_moment);
        Window reported = window;
        reported.span = window.direct_top - window.low + 1;
        if (!fill_direct_points(reported, sums.lightest(), buffers.direct_total,
                                buffers.direct_moment, mono_shift, room, result))
            return no_memory();
        return true;
    }
    if (!buffers.reserve(window.grid)) return no_memory();
    const std::span<const Factor> factors = listed();
    gather_terms(factors, window.grid, buffers);
    const Layout layout = layout_of(factors, fixed);
    // fftw_complex is double[2], laid out as Cx.
    combine(buffers.terms, layout, window.grid, reinterpret_cast<Cx *>(buffers.total_bins),
            reinterpret_cast<Cx *>(buffers.moment_bins));
    if (!inverse(window.grid, buffers.total_bins, buffers.total_grid) ||
        !inverse(window.grid, buffers.moment_bins, buffers.moment_grid))
        return no_memory();
    if (!fill_points(window, layout, buffers.total_grid, buffers.moment_grid, mono_shift, room,
                     result))
        return no_memory();
    return true;
}

// One thread's working state for the single call: the arrays of the last
// molecule are kept, so that a call allocates nothing but its result.
struct CallState {
    Buffers buffers;
    std::array<Labelled, chem::kElementCount> labelled{};
    fft::HeldInverses inverses; // the thread's recent lengths, run without the cache's lock
};

} // namespace

struct Workspace::State {
    explicit State(const labels::LabelSet &set) : labels(set) {}

    // Labelled patterns cost a table walk each; natural ones are shared.
    const Labelled &labelled(int element) {
        const auto index = static_cast<std::size_t>(element);
        if (!made[index]) {
            patterns[index].pattern = labels::element_pattern(element, labels);
            patterns[index].stats = element_stats(patterns[index].pattern, element);
            made[index] = true;
        }
        return patterns[index];
    }

    labels::LabelSet labels;
    std::array<Labelled, chem::kElementCount> patterns{};
    std::array<bool, chem::kElementCount> made{};
    Buffers buffers;
    fft::HeldInverses inverses;
    Route route = Route::chosen;
};

Workspace::Workspace(const labels::LabelSet &labels) : state_(std::make_unique<State>(labels)) {}
Workspace::~Workspace() = default;
void Workspace::set_route(Route route) {
    state_->route = route;
}

namespace {

double fixed_mass_of(const chem::Composition &molecule, const chem::Composition *carriers) {
    return fixed_mass(molecule) + (carriers == nullptr ? 0.0 : fixed_mass(*carriers));
}

// The single call's factors, labelled patterns made into the thread's state.
bool call_factors(const chem::Composition &molecule, const chem::Composition *carriers,
                  const labels::LabelSet &labels, CallState &state, double fixed, FactorSums &sums,
                  Outcome &outcome, OwnMasses *own_masses = nullptr) {
    return collect_factors<true>(
        molecule, carriers, labels,
        [&](int element) -> const Labelled & {
            Labelled &made = state.labelled[static_cast<std::size_t>(element)];
            made.pattern = labels::element_pattern(element, labels);
            made.stats = element_stats(made.pattern, element);
            return made;
        },
        fixed, state.buffers.factors, sums, outcome, own_masses);
}

// The masses of a molecule without labels from the natural elements'
// stats, in the order and with the checks of the factors' route below,
// without its list. False, with nothing written, where a check refuses: that
// route then gives the refusal.
bool weigh_natural(const chem::Composition &molecule, NeutralMasses &masses) {
    const NaturalElements &naturals = natural_elements();
    const double fixed = fixed_mass(molecule);
    double monoisotopic = fixed, average = fixed;
    bool passes = true;
    for_each_present(molecule, nullptr, [&](int element) {
        const double own = molecule.natural[static_cast<std::size_t>(element)];
        const NaturalElement &natural = naturals[static_cast<std::size_t>(element)];
        const ElementStats &stats = *natural.stats;
        passes = passes && make_factor(*natural.pattern, stats, own, element, false).passes;
        monoisotopic += own * stats.top_mass;
        average += own * stats.average_mass;
    });
    if (passes) masses = {monoisotopic, average};
    return passes;
}

// False, with `outcome` the refusal, where the molecule is refused.
bool weigh(const chem::Composition &molecule, const labels::LabelSet &labels, CallState &state,
           NeutralMasses &masses, Outcome &outcome) {
    if (labels.all().empty() && weigh_natural(molecule, masses)) return true;
    FactorSums sums;
    if (!call_factors(molecule, nullptr, labels, state, fixed_mass(molecule), sums, outcome))
        return false;
    masses.monoisotopic = sums.mono_mass();
    masses.average = sums.average();
    return true;
}

// False, with `outcome` the failure, where the computation fails.
bool compute_in(const chem::Composition &molecule, const chem::Composition *carriers,
                const labels::LabelSet &labels, CallState &state, PointRoom &room, Envelope &result,
                Outcome &outcome, OwnMasses *own_masses = nullptr) {
    const double fixed = fixed_mass_of(molecule, carriers);
    FactorSums sums;
    if (!call_factors(molecule, carriers, labels, state, fixed, sums, outcome, own_masses))
        return false;
    return compute_factors(
        fixed, sums, Route::chosen, state.buffers,
        [&] {
            // The labelled patterns are those the collection made.
            return list_factors(
                molecule, carriers, labels,
                [&](int element) -> const Labelled & {
                    return state.labelled[static_cast<std::size_t>(element)];
                },
                state.buffers.factors);
        },
        [&](int grid, fftw_complex *bins, double *out) {
            return state.inverses.run(grid, bins, out);
        },
        room, result, outcome);
}

} // namespace

Outcome masses(const chem::Composition &molecule, const labels::LabelSet &labels,
               double &monoisotopic, double &average) {
    return with_thread_state<CallState>([&](CallState &state) {
        NeutralMasses masses;
        Outcome outcome;
        weigh(molecule, labels, state, masses, outcome);
        monoisotopic = masses.monoisotopic;
        average = masses.average;
        return outcome;
    });
}

Outcome compute(const chem::Composition &molecule, const chem::Composition *carriers,
                const labels::LabelSet &labels, Envelope &result) {
    return with_thread_state<CallState>([&](CallState &state) {
        EnvelopeRoom room(result);
        Outcome outcome;
        compute_in(molecule, carriers, labels, state, room, result, outcome);
        return outcome;
    });
}

Outcome compute(const chem::Composition &molecule, const chem::Composition *carriers,
                const labels::LabelSet &labels, const chem::Composition &neutral, PointRoom &room,
                Envelope &result, NeutralMasses &masses) {
    return with_thread_state<CallState>([&](CallState &state) {
        // An ion of the molecule's own atoms without labels: its masses
        // from the same pass over the elements.
        const bool own_atoms = &neutral == &molecule && labels.all().empty();
        const double fixed = own_atoms ? fixed_mass(molecule) : 0.0;
        OwnMasses own(fixed);
        // One Outcome, made in place: a success costs nothing more.
        Outcome outcome;
        if (!compute_in(molecule, carriers, labels, state, room, result, outcome,
                        own_atoms ? &own : nullptr))
            return outcome;
        if (own_atoms && own.passes)
            masses = {own.mono_average[0], own.mono_average[1]};
        else
            weigh(neutral, labels, state, masses, outcome);
        return outcome;
    });
}

Outcome compute(const chem::Composition &molecule, const chem::Composition *carriers,
                Workspace &workspace, Envelope &result) {
    Workspace::State &state = *workspace.state_;
    const double fixed = fixed_mass_of(molecule, carriers);
    FactorSums sums;
    const auto labelled_of = [&](int element) -> const Labelled & {
        return state.labelled(element);
    };
    Outcome outcome; // one, made in place: a success costs nothing more
    if (!collect_factors(molecule, carriers, state.labels, labelled_of, fixed,
                         state.buffers.factors, sums, outcome))
        return outcome;
    EnvelopeRoom room(result);
    compute_factors(
        fixed, sums, state.route, state.buffers,
        [&] {
            return list_factors(molecule, carriers, state.labels, labelled_of,
                                state.buffers.factors);
        },
        [&](int grid, fftw_complex *bins, double *out) {
            return state.inverses.run(grid, bins, out);
        },
        room, result, outcome);
    return outcome;
}

} // namespace corvan::envelope
