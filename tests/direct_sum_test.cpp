// The direct sum of small molecules: point shares and masses against a
// long-double enumeration (labelled and fractional counts included), against
// the transform route on a sample of peptides, and the route choice at the
// size where it turns.
#include <algorithm>
#include <cmath>
#include <map>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "envelope/direct_sum.hpp"
#include "envelope/envelope.hpp"
#include "envelope_reference.hpp"
#include "labels/element_pattern.hpp"
#include "molecule/elements.hpp"
#include "molecule/formula_parser.hpp"

namespace {

using namespace corvan;
using Reference = envelope_reference::Poly;

struct Atoms {
    const char *symbol;
    double count;
};

// direct_sum over `atoms` (natural, or 13C at `carbon13`) against the
// reference multiplied out, every point of `length`.
void expect_direct_exact(const std::vector<Atoms> &atoms, double carbon13, int length) {
    labels::LabelSet set;
    if (carbon13 > 0) {
        ASSERT_TRUE(set.set("13C", carbon13).ok());
    }
    std::vector<labels::ElementPattern> patterns;
    std::vector<envelope::DirectTerm> terms;
    patterns.reserve(atoms.size());
    const auto size = static_cast<std::size_t>(length);
    // Moments of the defect: mass above the lightest isotope less position.
    Reference exact{{1.0L}, {0.0L}};
    for (const Atoms &a : atoms) {
        const int element = chem::element_index(a.symbol);
        patterns.push_back(labels::element_pattern(element, set));
        const double whole = std::floor(a.count), fraction = a.count - whole;
        // Natural carbon by its shared series, the others made for the call.
        const bool shared = carbon13 == 0 && std::string(a.symbol) == "C";
        terms.push_back({&patterns.back(), whole, fraction,
                         shared ? envelope::natural_direct_series(element) : nullptr});
        ASSERT_TRUE(envelope::direct_suits(patterns.back())) << a.symbol;
        std::map<std::string, double> labels;
        if (carbon13 > 0 && std::string(a.symbol) == "C") labels["13C"] = carbon13;
        const auto list = envelope_reference::isotopes(element + 1, labels);
        Reference one = envelope_reference::element(list);
        for (std::size_t k = 0; k < one.share.size(); ++k)
            one.moment[k] -= one.share[k] * (list.front().mass + static_cast<long double>(k));
        exact = envelope_reference::multiply(
            exact, envelope_reference::power(one, static_cast<long long>(whole), size), size);
        if (fraction > 0) { // absent, or present with the pattern
            for (auto &s : one.share) s *= fraction;
            for (auto &m : one.moment) m *= fraction;
            one.share[0] += 1 - fraction;
            exact = envelope_reference::multiply(exact, one, size);
        }
    }
    std::vector<double> work(envelope::kDirectWorkPerPoint * size), total(size), moment(size);
    envelope::direct_sum(terms.data(), terms.size(), length, work.data(), total.data(),
                         moment.data());
    std::size_t stop = 0; // the sum stops where no later point can be reported
    while (stop < size && total[stop] > 0) ++stop;
    EXPECT_GT(stop, 3u);
    for (std::size_t k = 0; k < size; ++k) {
        const long double share = exact.share[k];
        if (k >= stop) {
            EXPECT_EQ(total[k], 0.0) << k;
            EXPECT_LT(share, CORVAN_ACCURACY) << k;
            continue;
        }
        // Relative to the point, far below what any point is reported to.
        EXPECT_NEAR(total[k], static_cast<double>(share), 1e-10 * double(share) + 1e-20) << k;
        if (share < 1e-12L) continue;
        EXPECT_NEAR(moment[k] / total[k], static_cast<double>(exact.moment[k] / share), 1e-11) << k;
    }
}

TEST(DirectSum, PointsAndMassesMatchAnEnumeration) {
    // Few atoms and many, far into the tails; sulfur's gap at 35, a
    // labelled carbon, a fractional count.
    expect_direct_exact({{"C", 6}, {"H", 12}, {"O", 6}}, 0, 12);
    expect_direct_exact({{"C", 2}, {"H", 6}, {"S", 3}}, 0, 16);
    expect_direct_exact({{"C", 250}, {"H", 400}, {"N", 70}, {"O", 75}, {"S", 3}}, 0, 30);
    expect_direct_exact({{"C", 60}, {"H", 90}, {"N", 15}, {"O", 20}}, 0.08, 40);
    expect_direct_exact({{"C", 10.25}, {"H", 15}, {"O", 0.5}, {"S", 1.75}}, 0, 14);
}

envelope::Envelope computed(const char *formula, envelope::Route route,
                            const labels::LabelSet &set = {}) {
    chem::Composition molecule;
    EXPECT_TRUE(chem::parse_molecule_formula(formula, molecule).ok()) << formula;
    envelope::Workspace workspace(set);
    workspace.set_route(route);
    envelope::Envelope result;
    EXPECT_TRUE(envelope::compute(molecule, nullptr, workspace, result).ok()) << formula;
    return result;
}

void expect_same_points(const envelope::Envelope &a, const envelope::Envelope &b) {
    ASSERT_EQ(a.first_neutrons, b.first_neutrons);
    ASSERT_EQ(a.shares.size(), b.shares.size());
    for (std::size_t i = 0; i < a.shares.size(); ++i) {
        EXPECT_NEAR(a.shares[i], b.shares[i], 1e-13) << i;
        if (a.shares[i] > 1e-9) {
            EXPECT_NEAR(a.masses[i], b.masses[i], 1e-8) << i;
        }
    }
}

TEST(DirectSum, AgreesWithTheTransformOnPeptides) {
    labels::LabelSet heavy;
    ASSERT_TRUE(heavy.set("15N", 0.4).ok());
    for (const char *formula : {"C43H66N12O12S2", "C50H71N13O12", "C29H50N8O9", "C93H147N25O27S3",
                                "C18H30N6O5S1", "C115H180N30O36", "C20.5H31.25N5.5O7.75S0.5"}) {
        SCOPED_TRACE(formula);
        const envelope::Envelope direct = computed(formula, envelope::Route::chosen);
        EXPECT_TRUE(direct.summed_directly);
        expect_same_points(direct, computed(formula, envelope::Route::transform));
        expect_same_points(computed(formula, envelope::Route::direct, heavy),
                           computed(formula, envelope::Route::transform, heavy));
    }
}

TEST(DirectSum, RouteTurnsWithSizeAndBothAgreeThere) {
    // Averagine-like molecules from 1 to 100 kDa: the direct sum for the
    // small, the transform for the large; where the choice turns both
    // routes give the same points.
    bool direct_before = true;
    int turns = 0;
    for (double units = 9; units < 900; units *= 1.05) {
        char formula[96];
        std::snprintf(formula, sizeof formula, "C%ldH%ldN%ldO%ldS%ld", std::lround(4.9384 * units),
                      std::lround(7.7583 * units), std::lround(1.3577 * units),
                      std::lround(1.4773 * units), std::lround(0.0417 * units));
        const envelope::Envelope chosen = computed(formula, envelope::Route::chosen);
        if (chosen.summed_directly == direct_before) continue;
        ++turns;
        direct_before = chosen.summed_directly;
        expect_same_points(computed(formula, envelope::Route::direct),
                           computed(formula, envelope::Route::transform));
    }
    EXPECT_GE(turns, 1);
    EXPECT_FALSE(direct_before);
}

TEST(DirectSum, HeavyIsotopesAboveATenthTakeTheTransform) {
    labels::LabelSet set;
    ASSERT_TRUE(set.set("13C", 0.12).ok());
    EXPECT_FALSE(computed("C6H12O6", envelope::Route::direct, set).summed_directly);
    EXPECT_FALSE(computed("C6H11Cl", envelope::Route::direct).summed_directly);
    EXPECT_TRUE(computed("C6H12O6S", envelope::Route::direct).summed_directly);
}

TEST(DirectSum, SharedSeriesGiveTheBitsOfSeriesMadeForTheCall) {
    // Shared series are summed entry by entry as the exponential needs them
    // (unrolled for a few elements), series made for the call first to the
    // whole length: the same products in the same order. Phosphorus has one
    // isotope; oxygen no atoms in the first.
    for (const std::vector<Atoms> &atoms : std::vector<std::vector<Atoms>>{
             {{"C", 93}, {"H", 149}, {"P", 2}, {"O", 0}, {"S", 3}},
             {{"C", 30}, {"H", 52}, {"N", 9}, {"O", 12}, {"S", 1}, {"Si", 2}, {"K", 1}}}) {
        std::vector<envelope::DirectTerm> shared, made;
        for (const Atoms &a : atoms) {
            const int element = chem::element_index(a.symbol);
            const labels::ElementPattern *pattern = &labels::natural_pattern(element);
            ASSERT_NE(envelope::natural_direct_series(element), nullptr) << a.symbol;
            shared.push_back({pattern, a.count, 0, envelope::natural_direct_series(element)});
            made.push_back({pattern, a.count, 0, nullptr});
        }
        const int length = 40;
        std::vector<double> work(envelope::kDirectWorkPerPoint * length), total[2], moment[2];
        for (int run = 0; run < 2; ++run) {
            total[run].assign(length, -1), moment[run].assign(length, -1);
            const auto &terms = run == 0 ? shared : made;
            envelope::direct_sum(terms.data(), terms.size(), length, work.data(), total[run].data(),
                                 moment[run].data());
        }
        EXPECT_GT(total[0][8], 0.0);
        EXPECT_EQ(total[0], total[1]);
        EXPECT_EQ(moment[0], moment[1]);
    }
}

// The sum's unrolled loops (four terms a turn, four points a turn) against
// the plain recurrence in the same order, bit for bit, on every point the
// sum keeps: lengths cover each k % 4 and both ends of a turn. Point k sums
// its terms j = k..2 into four parts by j % 4, then adds the term j = 1.
TEST(DirectSum, UnrolledLoopsGiveThePlainRecurrencesBits) {
    const std::vector<Atoms> atoms = {{"C", 61}, {"H", 98}, {"N", 17}, {"O", 19}, {"S", 2}};
    std::vector<envelope::DirectTerm> terms;
    for (const Atoms &a : atoms) {
        const int element = chem::element_index(a.symbol);
        terms.push_back({&labels::natural_pattern(element), a.count, 0,
                         envelope::natural_direct_series(element)});
    }
    for (int length : {5, 6, 7, 8, 31}) {
        // Working space as malloc may leave it: a term read before it is
        // made shows.
        std::vector<double> work(envelope::kDirectWorkPerPoint * length, std::nan("")),
            total(length), moment(length);
        envelope::direct_sum(terms.data(), terms.size(), length, work.data(), total.data(),
                             moment.data());
        double log_first = 0;
        for (const auto &t : terms) log_first += t.whole * t.series->log_lightest;
        std::vector<double> s(length), w(length), q{std::exp(log_first)};
        for (int k = 1; k < length; ++k) {
            double log_sum = 0, defect_sum = 0;
            for (const auto &t : terms)
                log_sum += t.series->terms[k][0] * t.whole,
                    defect_sum += t.series->terms[k][1] * t.whole;
            s[k] = log_sum, w[k] = defect_sum; // the series hold k times log's term k
            double part[4][2] = {};
            for (int j = k; j >= 2; --j)
                part[j % 4][0] += s[j] * q[k - j], part[j % 4][1] += w[j] * q[k - j];
            const auto parts = [&](int i) {
                return (part[0][i] + part[1][i]) + (part[2][i] + part[3][i]);
            };
            const double share = parts(0) + s[1] * q[k - 1], m = parts(1) + w[1] * q[k - 1];
            q.push_back(share * (1.0 / k));
            if (total[k] == 0) continue; // past where the sum stops
            EXPECT_EQ(total[k], q[k]) << length << " " << k;
            EXPECT_EQ(moment[k], m) << length << " " << k;
        }
        EXPECT_EQ(total[0], q[0]);
        EXPECT_GT(total[std::min(length, 12) - 1], 0.0) << length;
    }
}
} // namespace
