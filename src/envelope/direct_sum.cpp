#include "envelope/direct_sum.hpp"

#include <algorithm>
#include <array>
#include <cmath>
#include <type_traits>

#include "corvan.h"
#include "molecule/elements.hpp"

namespace corvan::envelope {

namespace {

// The lightest isotope's least share for the direct sum: every other
// isotope then holds at most a ninth of it, so the series below fall off at
// least ninefold per neutron and their alternating terms cancel little.
constexpr double kLeastLightestShare = 0.9;

// What may be left of the whole, less round-off, where the sum stops: every
// later point is then below CORVAN_ACCURACY.
constexpr double kLeftOver = 0.5 * CORVAN_ACCURACY;
// Round-off of the computed whole, per atom and per point: the patterns'
// shares sum to 1 only to their last digit.
constexpr double kRoundOffPerTerm = 1e-15;

// One atom's pattern a P + (1 - a) (a < 1: a fractional count's mixture
// atom) divided by its share at position 0: taps at positions above 0.
struct Taps {
    int size = 0;
    double log_lightest = 0;
    int at[labels::kMostIsotopes];
    double ratio[labels::kMostIsotopes], defect[labels::kMostIsotopes];
};

Taps taps_of(const labels::ElementPattern &p, double a) {
    Taps taps;
    const double lightest = 1 - a + a * p.shares[0];
    taps.log_lightest = std::log(lightest);
    taps.size = static_cast<int>(p.size) - 1;
    for (int i = 0; i < taps.size; ++i) {
        const auto from = static_cast<std::size_t>(i + 1);
        taps.at[i] = p.positions[from];
        taps.ratio[i] = a * p.shares[from] / lightest;
        taps.defect[i] = p.defects[from];
    }
    return taps;
}

// The series k log U and D / U of the taps to `length` terms (l_k is k
// times term k of log U, the form the exponential's recurrence takes), term
// k at l[k stride] and v[k stride]. From U' = U (log U)':
// l_k = k u_k - sum_i u_i l_(k - x_i), and v = D / U:
// v_k = d_k - sum_i u_i v_(k - x_i).
void unit_series(const Taps &taps, int length, int stride, double *l, double *v) {
    l[0] = v[0] = 0;
    for (int k = 1; k < length; ++k) {
        double log_sum = 0, moment_sum = 0;
        for (int i = 0; i < taps.size && taps.at[i] <= k; ++i) {
            const int x = taps.at[i];
            log_sum += (x == k ? k : -l[(k - x) * stride]) * taps.ratio[i];
            moment_sum += (x == k ? taps.defect[i] : -v[(k - x) * stride]) * taps.ratio[i];
        }
        l[k * stride] = log_sum;
        v[k * stride] = moment_sum;
    }
}

void add_scaled(const double *from, int stride, double scale, int length, double *to) {
    for (int k = 0; k < length; ++k) to[k] += scale * from[k * stride];
}

} // namespace

bool direct_suits(const labels::ElementPattern &p) {
    return p.size > 0 && p.positions[0] == 0 && p.shares[0] >= kLeastLightestShare;
}

const DirectSeries *natural_direct_series(int element) {
    // Static storage, so that making them never fails; an element that
    // does not suit keeps a null entry.
    static std::array<DirectSeries, chem::kElementCount> storage;
    using Table = std::array<const DirectSeries *, chem::kElementCount>;
    static const Table table = [] {
        Table made{};
        for (int e = 0; e < chem::kElementCount; ++e) {
            const labels::ElementPattern &p = labels::natural_pattern(e);
            if (!direct_suits(p)) continue;
            DirectSeries &series = storage[static_cast<std::size_t>(e)];
            const Taps taps = taps_of(p, 1);
            series.log_lightest = taps.log_lightest;
            unit_series(taps, kLongestDirectSum, 2, &series.terms[0][0], &series.terms[0][1]);
            made[static_cast<std::size_t>(e)] = &series;
        }
        return made;
    }();
    return table[static_cast<std::size_t>(element)];
}

namespace {

// A series entry and its moment as two lanes: the compiler adds and
// multiplies both in one instruction, each lane rounding as the scalar
// operation does. Aligned as a double, so that any entry can be loaded, and
// free to alias the doubles it is read from.
typedef double Lanes __attribute__((vector_size(16), aligned(8), may_alias));
// Two lanes 16-byte aligned, so that a product reads them straight from
// memory: a point's share in both lanes (no copy into the second lane per
// term), a shared series' entry.
typedef double AlignedLanes __attribute__((vector_size(16), may_alias));

// 1 / k for the points: a product in place of a division on the path
// from one point to the next.
constexpr std::array<double, kLongestDirectSum> kInverses = [] {
    std::array<double, kLongestDirectSum> inverses{};
    for (int k = 1; k < kLongestDirectSum; ++k) inverses[static_cast<std::size_t>(k)] = 1.0 / k;
    return inverses;
}();

// k q_k = sum_j j s_j q_(k - j): the exponential of the log series, and the
// moment sum_j w_j q_(k - j) in the same pass (w_0 = 0). `entry(k)` makes
// sums[k] = {k s_k, w_k} before point k needs it; `shares` holds
// {q_k, q_k} for the points made. Returns the first point not computed:
// from there on what is left of the whole is below `enough`. Inlined into
// its caller, so that the sources an `entry` reads stay in registers.
//
// Only the term j = 1 waits for the point before; the terms j = k..2 are
// summed ahead of it, from the oldest point on (the smallest terms first),
// into four parts by j % 4, then ((a0 + a1) + (a2 + a3)) + term 1, times
// 1 / k. Point by point the chain is then a product, two sums and a
// product, not k sums and a division, and the four parts keep the sums
// ahead short; the order depends on k alone.
template <class Entry>
[[gnu::always_inline]] inline int exponential(Lanes *sums, AlignedLanes *shares, double log_first,
                                              double enough, int length, Entry &&entry,
                                              double *total, double *moment) {
    total[0] = std::exp(log_first);
    moment[0] = 0;
    shares[0] = AlignedLanes{total[0], total[0]};
    AlignedLanes last = shares[0]; // q_(k - 1) in both lanes, kept in a register
    double summed = total[0];
    // Point k, whose k % 4 is `Left`.
    const auto point = [&]<int Left>(int k) {
        entry(k);
        const AlignedLanes *before = shares + k; // before[-j] = {q_(k - j), q_(k - j)}
        const auto term = [&](int j) -> Lanes { return sums[j] * before[-j]; };
        Lanes a0{0, 0}, a1{0, 0}, a2{0, 0}, a3{0, 0}; // term j into a(j % 4)
        if constexpr (Left == 0) a0 = term(k), a3 = term(k - 1), a2 = term(k - 2);
        if constexpr (Left == 3) a3 = term(k), a2 = term(k - 1);
        if constexpr (Left == 2) a2 = term(k);
        // Then four a turn from the first j = 1 (mod 4) down to j = 2: the
        // points they read start at the same place for every k.
        constexpr int kPeeled = (Left + 3) % 4;
        const Lanes *from = sums + k - kPeeled;
        for (const AlignedLanes *read = shares + kPeeled; from != sums + 1; from -= 4, read += 4) {
            a1 += from[0] * read[0];
            a0 += from[-1] * read[1];
            a3 += from[-2] * read[2];
            a2 += from[-3] * read[3];
        }
        const Lanes sum = ((a0 + a1) + (a2 + a3)) + sums[1] * last;
        const double share = sum[0] * kInverses[static_cast<std::size_t>(k)];
        total[k] = share;
        moment[k] = sum[1];
        last = AlignedLanes{share, share};
        shares[k] = last;
        summed += share;
    };
    int k = 1;
    const auto more = [&] { return k < length && summed < enough; };
    // Four points a turn, each knowing its k % 4.
    while (more()) {
        point.template operator()<1>(k++);
        if (!more()) break;
        point.template operator()<2>(k++);
        if (!more()) break;
        point.template operator()<3>(k++);
        if (!more()) break;
        point.template operator()<0>(k++);
    }
    return k;
}

// One shared series in the molecule, `times` atoms of it.
struct Source {
    const AlignedLanes *terms;
    Lanes times; // the count in both lanes
    double log_lightest;
};

// A molecule with more elements of shared series than this (none met in
// practice) takes the general route, which gives the same bits.
constexpr std::size_t kMostSources = 16;

// The sources when every element with more than one isotope comes with
// whole atoms and its shared series, the usual case; false otherwise.
bool shared_sources(const DirectTerm *terms, std::size_t count,
                    std::array<Source, kMostSources> &sources, std::size_t &used) {
    used = 0;
    for (std::size_t t = 0; t < count; ++t) {
        const DirectTerm &term = terms[t];
        if (term.pattern->size == 1 || (term.whole == 0 && term.fraction == 0)) continue;
        if (term.fraction != 0 || term.series == nullptr || used == sources.size()) return false;
        sources[used++] = {reinterpret_cast<const AlignedLanes *>(term.series->terms),
                           Lanes{term.whole, term.whole}, term.series->log_lightest};
    }
    return true;
}

// exponential() of the sum of `count` sources (the first `Fixed` when
// that is not 0), each entry summed over them in their order.
template <std::size_t Fixed>
int exponential_of(const Source *sources, std::size_t count, Lanes *sums, AlignedLanes *shares,
                   double log_first, double enough, int length, double *total, double *moment) {
    // A fixed count unrolls the sum, the sources held in registers.
    std::array<Source, Fixed> held;
    std::copy_n(sources, Fixed, held.begin());
    const auto entry = [&](int j) {
        Lanes sum{0, 0};
        if constexpr (Fixed != 0) {
            sum = held[0].terms[j] * held[0].times; // as 0 + it, but for the sign of a 0
            for (std::size_t s = 1; s < Fixed; ++s) sum += held[s].terms[j] * held[s].times;
        } else {
            for (std::size_t s = 0; s < count; ++s) sum += sources[s].terms[j] * sources[s].times;
        }
        sums[j] = sum; // {j s_j, w_j}
    };
    return exponential(sums, shares, log_first, enough, length, entry, total, moment);
}

// Molecules of up to six elements with more than one isotope (CHNOS and
// one more) take an unrolled sum.
int exponential_of_sources(const Source *sources, std::size_t count, Lanes *sums,
                           AlignedLanes *shares, double log_first, double enough, int length,
                           double *total, double *moment) {
    const auto run = [&](auto fixed) {
        return exponential_of<decltype(fixed)::value>(sources, count, sums, shares, log_first,
                                                      enough, length, total, moment);
    };
    switch (count) {
    case 1:
        return run(std::integral_constant<std::size_t, 1>{});
    case 2:
        return run(std::integral_constant<std::size_t, 2>{});
    case 3:
        return run(std::integral_constant<std::size_t, 3>{});
    case 4:
        return run(std::integral_constant<std::size_t, 4>{});
    case 5:
        return run(std::integral_constant<std::size_t, 5>{});
    case 6:
        return run(std::integral_constant<std::size_t, 6>{});
    default:
        return run(std::integral_constant<std::size_t, 0>{});
    }
}

// The summed log series, term k times k (work[0..length)), and D / U series
// (work[length..2 length)) of any terms; work holds 4 x length doubles.
// Returns the log of the lightest composition's share.
double summed_series(const DirectTerm *terms, std::size_t count, int length, double *work) {
    double *log_sum = work, *moment_sum = work + length;
    double *l = work + 2 * length, *v = work + 3 * length;
    std::fill(log_sum, log_sum + 2 * length, 0.0);
    double log_first = 0;
    const auto add = [&](const double *log, const double *moments, int stride, double log_lightest,
                         double times) {
        log_first += times * log_lightest;
        add_scaled(log, stride, times, length, log_sum);
        add_scaled(moments, stride, times, length, moment_sum);
    };
    for (std::size_t t = 0; t < count; ++t) {
        const DirectTerm &term = terms[t];
        if (term.pattern->size == 1) continue; // one isotope: the lightest composition's mass
        if (term.whole != 0 && term.series != nullptr) {
            add(&term.series->terms[0][0], &term.series->terms[0][1], 2, term.series->log_lightest,
                term.whole);
        } else if (term.whole != 0) {
            const Taps taps = taps_of(*term.pattern, 1);
            unit_series(taps, length, 1, l, v);
            add(l, v, 1, taps.log_lightest, term.whole);
        }
        if (term.fraction != 0) {
            const Taps taps = taps_of(*term.pattern, term.fraction);
            unit_series(taps, length, 1, l, v);
            add(l, v, 1, taps.log_lightest, 1);
        }
    }
    return log_first;
}

} // namespace

// The distribution is Q = q0 exp(S), S the summed log series; its moment
// Q x W, W the summed D / U series (the product rule over every atom).
// Every atom's lightest share is at least kLeastLightestShare, so q0 cannot
// underflow within kLongestDirectSum points of the lightest composition.
// With shared series alone each sum entry is made when the exponential
// reaches it, so that entries past the last point computed cost nothing;
// otherwise the series are summed to `length` first. Both add the same
// products in the same order.
void direct_sum(const DirectTerm *terms, std::size_t count, int length, double *work, double *total,
                double *moment) {
    double atoms = 0;
    for (std::size_t t = 0; t < count; ++t) atoms += terms[t].whole + 1;
    const double enough = 1 - kLeftOver + kRoundOffPerTerm * (atoms + length);
    // Over the eager sums' scratch (l, v), free once they are summed, and
    // the summed series, free once the sums are made from them.
    auto *sums = reinterpret_cast<Lanes *>(work + 2 * length);
    auto *shares = reinterpret_cast<AlignedLanes *>(work);
    std::array<Source, kMostSources> sources;
    std::size_t used = 0;
    int k = 0;
    if (shared_sources(terms, count, sources, used)) {
        double log_first = 0;
        for (std::size_t s = 0; s < used; ++s)
            log_first += sources[s].times[0] * sources[s].log_lightest;
        k = exponential_of_sources(sources.data(), used, sums, shares, log_first, enough, length,
                                   total, moment);
    } else {
        const double log_first = summed_series(terms, count, length, work);
        for (int j = 1; j < length; ++j) sums[j] = Lanes{work[j], work[length + j]};
        k = exponential(
            sums, shares, log_first, enough, length, [](int) {}, total, moment);
    }
    std::fill(total + k, total + length, 0.0);
    std::fill(moment + k, moment + length, 0.0);
}

} // namespace corvan::envelope
