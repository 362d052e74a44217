// The molecule layer at its limits: the mean mass of every point down to
// 1e-9 of the highest against a long-double convolution from 100 Da to
// 1 MDa (labelled molecules included), and the same bits on 1, 2 and 8
// threads.
#include <cstring>
#include <map>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "corvan.h"
#include "envelope_reference.hpp"

namespace {

using Labels = std::map<std::string, double>;

corvan_options *options_with(int charge, const Labels &labels) {
    corvan_options *options = corvan_options_create();
    corvan_options_set_charge(options, charge, nullptr, nullptr);
    corvan_options_set_limits(options, 0, 1e-9, nullptr);
    for (const auto &[isotope, fraction] : labels)
        corvan_options_set_label(options, isotope.c_str(), fraction, nullptr);
    return options;
}

using envelope_reference::atoms_of;

void expect_exact_tails(const char *formula, const Labels &labels) {
    SCOPED_TRACE(formula);
    corvan_options *options = options_with(0, labels);
    corvan_distribution *d = nullptr;
    ASSERT_EQ(corvan_distribution_from_text(CORVAN_KIND_FORMULA, formula, options, &d, nullptr),
              CORVAN_OK);
    corvan_options_free(options);
    corvan_points p{};
    corvan_distribution_points(d, &p);
    const auto atoms = atoms_of(formula);
    const long shift = envelope_reference::neutrons_to_m(atoms, labels);
    const auto length = static_cast<std::size_t>(p.neutrons[p.count - 1] + shift + 2);
    const auto exact = envelope_reference::distribution(atoms, labels, length);
    long double top = 0;
    for (long double share : exact.share) top = std::max(top, share);
    std::size_t expected = 0;
    for (long double share : exact.share) expected += share >= 1e-9L * top;
    EXPECT_EQ(p.count, expected); // every point down to 1e-9 and no other
    for (std::size_t i = 0; i < p.count; ++i) {
        const auto k = static_cast<std::size_t>(p.neutrons[i] + shift);
        EXPECT_NEAR(p.shares[i], static_cast<double>(exact.share[k]), 1e-12 * double(top)) << k;
        EXPECT_NEAR(p.masses[i], static_cast<double>(exact.moment[k] / exact.share[k]), 1e-6)
            << "M+" << p.neutrons[i] << " at " << p.intensities[i] << " of the highest";
    }
    corvan_distribution_free(d);
}

TEST(EnvelopeLimits, EveryPointsMassFrom100DaTo1MDa) {
    expect_exact_tails("C5H5N5", {});
    expect_exact_tails("C5H5N5", {{"15N", 0.6}});
    expect_exact_tails("C445H700N125O135S6", {});
    expect_exact_tails("C445H700N125O135S6", {{"13C", 0.3}});
    // About 1 MDa: the tails lie some 150 neutrons from the mean.
    expect_exact_tails("C44500H70000N12500O13500S600", {});
}

// Shares and masses of every molecule, single calls and one many-molecule
// call per thread, each thread taking every `threads`-th molecule.
std::vector<double> computed_on(int threads) {
    static const char *const formulas[] = {
        "C50H71N13O12", "C445H700N125O135S6", "C2200H3500N600O650S20", "C6H12O6",
        "HgBr2",        "C30H50N10O10S2Fe",   "C100H150N30O30S2",      "C8000H12500N2200O2400S80"};
    constexpr std::size_t kCount = std::size(formulas), kWidth = 64;
    std::vector<double> out(kCount * kWidth * 4, -1);
    corvan_options *options = options_with(2, {{"15N", 0.3}});
    std::vector<std::thread> pool;
    for (int t = 0; t < threads; ++t)
        pool.emplace_back([&, t] {
            for (std::size_t m = static_cast<std::size_t>(t); m < kCount;
                 m += static_cast<std::size_t>(threads)) {
                corvan_distribution *d = nullptr;
                corvan_distribution_from_text(CORVAN_KIND_FORMULA, formulas[m], options, &d,
                                              nullptr);
                corvan_points p{};
                corvan_distribution_points(d, &p);
                for (std::size_t i = 0; i < p.count && i < kWidth; ++i) {
                    out[m * kWidth + i] = p.shares[i];
                    out[(kCount + m) * kWidth + i] = p.masses[i];
                }
                corvan_distribution_free(d);
                double *heights = &out[(2 * kCount + m) * kWidth];
                double *mz = &out[(3 * kCount + m) * kWidth];
                double mono = 0;
                int status = 0;
                const corvan_many_results row{kWidth, heights, mz, &mono, &status, nullptr};
                corvan_many_from_texts(CORVAN_KIND_FORMULA, &formulas[m], nullptr, 1, options, &row,
                                       nullptr, nullptr);
            }
        });
    for (auto &thread : pool) thread.join();
    corvan_options_free(options);
    return out;
}

TEST(EnvelopeLimits, SameBitsOnOneTwoAndEightThreads) {
    // Eight first, while every grid length's tables are still being made.
    const std::vector<double> eight = computed_on(8), two = computed_on(2), one = computed_on(1);
    ASSERT_EQ(std::memcmp(eight.data(), one.data(), one.size() * sizeof(double)), 0);
    ASSERT_EQ(std::memcmp(two.data(), one.data(), one.size() * sizeof(double)), 0);
}

// The summary weighs the neutral molecule, not the ion: the same masses at
// charge 0 and 2, from the natural stats without labels and from the
// labelled patterns with them.
TEST(EnvelopeLimits, SummaryWeighsTheNeutralMolecule) {
    const auto summary_of = [](int charge, const Labels &labels) {
        corvan_options *options = options_with(charge, labels);
        corvan_distribution *d = nullptr;
        EXPECT_EQ(
            corvan_distribution_from_text(CORVAN_KIND_FORMULA, "C6H12O6", options, &d, nullptr),
            CORVAN_OK);
        corvan_summary summary{};
        corvan_distribution_summary(d, &summary);
        corvan_distribution_free(d);
        corvan_options_free(options);
        return summary;
    };
    const corvan_summary plain = summary_of(0, {}), ion = summary_of(2, {});
    EXPECT_NEAR(plain.monoisotopic_mass, 6 * 12 + 12 * 1.00782503223 + 6 * 15.99491461957, 1e-9);
    EXPECT_EQ(ion.monoisotopic_mass, plain.monoisotopic_mass);
    EXPECT_EQ(ion.average_mass, plain.average_mass);
    const corvan_summary labelled = summary_of(0, {{"13C", 0.5}}),
                         labelled_ion = summary_of(2, {{"13C", 0.5}});
    EXPECT_EQ(labelled_ion.average_mass, labelled.average_mass);
    EXPECT_GT(labelled.average_mass, plain.average_mass + 2.5);
}

// Of two refused elements the first in element order is named (Ti, 22,
// before Se, 34: fractional counts where the lightest isotope is not the
// most abundant), with labels and without.
TEST(EnvelopeLimits, TheFirstRefusedElementIsNamed) {
    for (const Labels &labels : {Labels{}, Labels{{"13C", 0.5}}}) {
        corvan_options *options = options_with(0, labels);
        corvan_distribution *d = nullptr;
        corvan_error e{};
        EXPECT_EQ(
            corvan_distribution_from_text(CORVAN_KIND_FORMULA, "C2Se1.5Ti0.5", options, &d, &e),
            CORVAN_E_UNSUPPORTED);
        EXPECT_NE(std::string(e.message).find("(Ti)"), std::string::npos) << e.message;
        corvan_options_free(options);
    }
}

} // namespace
