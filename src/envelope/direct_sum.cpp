#include "envelope/direct_sum.hpp"

#include <algorithm>
#include <cmath>

namespace corvan::envelope {

namespace {

// The lightest isotope's least share for the direct sum: every other
// isotope then holds at most a ninth of it, so the series below fall off at
// least ninefold per neutron and their alternating terms cancel little.
constexpr double kLeastLightestShare = 0.9;

// One atom's pattern divided by its lightest isotope's share, as taps:
// ratio[i] at position at[i], for the isotopes above the lightest.
struct Taps {
    int size = 0;
    int at[labels::kMostIsotopes];
    double ratio[labels::kMostIsotopes], defect[labels::kMostIsotopes];
};

// The pattern a x (share) + (1 - a) at position 0: a fractional count's
// mixture atom for a < 1. Returns log of its share at position 0.
double taps_of(const labels::ElementPattern &p, double a, Taps &taps) {
    const double lightest = 1 - a + a * p.shares[0];
    taps.size = static_cast<int>(p.size) - 1;
    for (int i = 0; i < taps.size; ++i) {
        const auto from = static_cast<std::size_t>(i + 1);
        taps.at[i] = p.positions[from];
        taps.ratio[i] = a * p.shares[from] / lightest;
        taps.defect[i] = p.defects[from];
    }
    return std::log(lightest);
}

// Adds `count` x the series of log(U) to `log_sum` and `count` x U'/U, U'
// the pattern's defect-weighted shares, to `moment_sum`, U the taps' series
// (1 at position 0), both to `length` terms; `scratch` holds length doubles.
// From U' = U (log U)': k l_k = k u_k - sum_i u_i (k - x_i) l_(k - x_i),
// and v = D / U: v_k = d_k - sum_i u_i v_(k - x_i).
void add_series(const Taps &taps, double count, int length, double *log_sum, double *moment_sum,
                double *scratch) {
    double *l = scratch;
    l[0] = 0;
    for (int k = 1; k < length; ++k) {
        double sum = 0;
        for (int i = 0; i < taps.size && taps.at[i] <= k; ++i) {
            const int x = taps.at[i];
            sum += (x == k ? k : -(k - x) * l[k - x]) * taps.ratio[i];
        }
        l[k] = sum / k;
        log_sum[k] += count * l[k];
    }
    double *v = scratch; // the log series is no longer needed
    v[0] = 0;
    for (int k = 1; k < length; ++k) {
        double sum = 0;
        for (int i = 0; i < taps.size && taps.at[i] <= k; ++i) {
            const int x = taps.at[i];
            sum += (x == k ? taps.defect[i] : -v[k - x]) * taps.ratio[i];
        }
        v[k] = sum;
        moment_sum[k] += count * v[k];
    }
}

} // namespace

bool direct_suits(const DirectTerm &term) {
    const labels::ElementPattern &p = *term.pattern;
    return p.size > 0 && p.positions[0] == 0 && p.shares[0] >= kLeastLightestShare;
}

// The distribution is Q = q0 exp(S), S the summed log series; its moment
// Q x W, W the summed D / U series (the product rule over every atom).
// Every atom's lightest share is at least kLeastLightestShare, so q0 cannot
// underflow within kLongestDirectSum points of the lightest composition.
void direct_sum(const DirectTerm *terms, std::size_t count, int length, double *work, double *total,
                double *moment) {
    double *log_sum = work, *moment_sum = work + length, *scratch = work + 2 * length;
    std::fill(log_sum, log_sum + length, 0.0);
    std::fill(moment_sum, moment_sum + length, 0.0);
    double log_first = 0;
    Taps taps;
    for (std::size_t t = 0; t < count; ++t) {
        const DirectTerm &term = terms[t];
        if (term.pattern->size == 1) continue; // one isotope: the lightest composition's mass
        if (term.whole != 0) {
            log_first += term.whole * taps_of(*term.pattern, 1, taps);
            add_series(taps, term.whole, length, log_sum, moment_sum, scratch);
        }
        if (term.fraction != 0) {
            log_first += taps_of(*term.pattern, term.fraction, taps);
            add_series(taps, 1, length, log_sum, moment_sum, scratch);
        }
    }
    // k q_k = sum_j j s_j q_(k - j): the exponential of the log series.
    for (int j = 1; j < length; ++j) log_sum[j] *= j;
    total[0] = std::exp(log_first);
    for (int k = 1; k < length; ++k) {
        double sum = 0;
        for (int j = 1; j <= k; ++j) sum += log_sum[j] * total[k - j];
        total[k] = sum / k;
    }
    for (int k = 0; k < length; ++k) {
        double sum = 0;
        for (int j = 1; j <= k; ++j) sum += moment_sum[j] * total[k - j];
        moment[k] = sum;
    }
}

} // namespace corvan::envelope
