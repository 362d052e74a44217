// Profiles against the plain sum of shapes over the full fine structure,
// by both routes; centroids of two Gaussians that merge below a known
// resolving power.
#include <algorithm>
#include <cmath>
#include <vector>

#include <gtest/gtest.h>

#include "api/handles.hpp"
#include "spectrum/centroids.hpp"
#include "spectrum/gaussian_sum.hpp"
#include "spectrum/profile.hpp"

namespace {

using namespace corvan::spectrum;

IonAtoms atoms_of(const char *formula, int charge, const char *label = nullptr) {
    corvan_molecule molecule;
    EXPECT_TRUE(corvan::api::parse_molecule(CORVAN_KIND_FORMULA, formula, molecule).ok());
    corvan::labels::LabelSet labels;
    if (label != nullptr) {
        EXPECT_TRUE(labels.parse(label).ok());
    }
    IonAtoms atoms;
    EXPECT_TRUE(
        ion_atoms(molecule.composition, corvan::ion::proton().atoms, charge, charge, labels, atoms)
            .ok());
    return atoms;
}

ProfileRequest request(int analyzer, double power, int shape, double eta = 0) {
    ProfileRequest r;
    corvan_resolution resolution{analyzer, power, 200, 0, nullptr, nullptr};
    EXPECT_TRUE(r.power.set(resolution).ok());
    EXPECT_TRUE(make_peak_shape(shape, eta, r.shape).ok());
    return r;
}

// Every grid point, every composition down to 1e-12 of the highest, with
// the textbook formulas of the shapes.
double largest_error(const IonAtoms &atoms, const ProfileRequest &r, const Profile &got) {
    FinePeaks all;
    std::size_t needed = 0;
    EXPECT_TRUE(fine_structure(atoms, {FineMode::threshold, 1e-12, 5000000}, all, needed).ok());
    const double eta = r.shape.lorentzian_weight();
    double error = 0, top = 0;
    for (std::size_t k = 0; k < got.mz.size(); ++k) {
        double sum = 0;
        for (std::size_t i = 0; i < all.mz.size(); ++i) {
            const double w = r.power.fwhm(all.mz[i]), x = got.mz[k] - all.mz[i];
            if (eta == 0 && std::fabs(x) > 8 * w) continue; // below 1e-77
            const double g = std::exp(-4 * std::log(2.0) * x * x / (w * w));
            const double l = 1 / (1 + 4 * x * x / (w * w));
            sum += all.probability[i] * ((1 - eta) * g + eta * l);
        }
        error = std::max(error, std::fabs(sum - got.intensity[k]));
        top = std::max(top, sum);
    }
    return error / top;
}

TEST(Profile, BothRoutesMatchTheSumOfShapes) {
    const IonAtoms peptide = atoms_of("C34H53N7O15", 2); // a tryptic peptide, [M+2H]2+
    for (int shape : {CORVAN_SHAPE_GAUSSIAN, CORVAN_SHAPE_MIXED}) {
        ProfileRequest r = request(CORVAN_ANALYZER_ORBITRAP, 120000, shape, 0.3);
        if (shape == CORVAN_SHAPE_MIXED) { // M to M+2 only: Lorentzian tails reach far
            r.mz_low = 400.6;
            r.mz_high = 401.8;
        }
        Profile direct, transformed;
        std::size_t needed = 0;
        ASSERT_TRUE(profile(peptide, r, direct, needed).ok());
        ASSERT_TRUE(profile_by_transform(peptide, r, transformed).ok());
        EXPECT_LT(largest_error(peptide, r, direct), 1e-6) << shape;
        EXPECT_LT(largest_error(peptide, r, transformed), 1e-6) << shape;
    }
}

TEST(Profile, GaussianRecurrenceMatchesItsExponentials) {
    // Runs longer than a reseed block, cut by either end of the grid, and a
    // centre left of the grid: every point against its own exponential.
    const double low = 100, step = 0.001, fwhm = 0.02, rate = 4 * std::log(2.0);
    const long last = 299;
    for (double centre : {100.1503, 100.0104, 100.2957, 99.93}) {
        std::vector<double> out(last + 1, 0.0);
        add_gaussian(low, step, last, centre, fwhm, 0.5, 150, out.data());
        const long middle = std::lround((centre - low) / step);
        for (long k = 0; k <= last; ++k) {
            const double x = (low + static_cast<double>(k) * step - centre) / fwhm;
            const double want = std::labs(k - middle) <= 150 ? 0.5 * std::exp(-rate * x * x) : 0;
            ASSERT_NEAR(out[static_cast<std::size_t>(k)], want, 1e-11) << centre << " " << k;
        }
    }
}

TEST(Profile, TransformHoldsWhereNoIsotopeDominates) {
    // Carbon half 13C: an atom's transform vanishes at some frequencies, so
    // the transform multiplies the groups' powers instead of adding logs.
    // Six iodines keep the FWHM's change over the wide envelope small
    // enough for the expansion, which the width terms then exercise.
    const IonAtoms labelled = atoms_of("C20H30N5O6I6", 1, "13C=0.5");
    const ProfileRequest r = request(CORVAN_ANALYZER_TOF, 20000, CORVAN_SHAPE_GAUSSIAN);
    Profile transformed;
    ASSERT_TRUE(profile_by_transform(labelled, r, transformed).ok());
    EXPECT_LT(largest_error(labelled, r, transformed), 1e-6);
}

TEST(Profile, LargeMoleculesTakeTheTransformWithVaryingWidth) {
    const IonAtoms protein = atoms_of("C250H390N70O75S3", 6);
    for (int analyzer : {CORVAN_ANALYZER_ORBITRAP, CORVAN_ANALYZER_FTICR}) {
        ProfileRequest r = request(analyzer, 30000, CORVAN_SHAPE_GAUSSIAN);
        Profile got;
        std::size_t needed = 0;
        ASSERT_TRUE(profile(protein, r, got, needed).ok());
        EXPECT_LT(largest_error(protein, r, got), 1e-6) << analyzer;
    }
}

TEST(Profile, RefusesBadGrids) {
    ProfileRequest r = request(CORVAN_ANALYZER_TOF, 1000, CORVAN_SHAPE_GAUSSIAN);
    r.mz_low = 500;
    r.mz_high = 400;
    EXPECT_EQ(check_grid(r).status, CORVAN_E_ARGUMENT);
    r.mz_high = 600;
    r.mz_step = 1e-9;
    Profile got;
    std::size_t needed = 0;
    EXPECT_EQ(profile(atoms_of("H2O", 1), r, got, needed).status, CORVAN_E_TOO_WIDE);
    corvan_resolution bad{CORVAN_ANALYZER_ORBITRAP, -1, 200, 0, nullptr, nullptr};
    EXPECT_EQ(r.power.set(bad).status, CORVAN_E_ARGUMENT);
    bad = {42, 1000, 200, 0, nullptr, nullptr};
    EXPECT_EQ(r.power.set(bad).status, CORVAN_E_ARGUMENT);
    EXPECT_EQ(make_peak_shape(9, 0, r.shape).status, CORVAN_E_ARGUMENT);
}

TEST(ResolvingPower, FollowsTheAnalyzersLaws) {
    // R = 100000 at m/z 400, looked at m/z 100.
    const double at[] = {200000, 400000, 100000, 25000}; // orbitrap, fticr, tof, quadrupole
    for (int analyzer = CORVAN_ANALYZER_ORBITRAP; analyzer <= CORVAN_ANALYZER_QUADRUPOLE;
         ++analyzer) {
        ResolvingPower power;
        ASSERT_TRUE(power.set({analyzer, 100000, 400, 0, nullptr, nullptr}).ok());
        EXPECT_NEAR(power.power(100), at[analyzer - 1], 1e-6);
    }
    const double mz[] = {200, 400}, r[] = {100000, 60000};
    ResolvingPower table;
    ASSERT_TRUE(table.set({CORVAN_ANALYZER_TABLE, 0, 0, 2, mz, r}).ok());
    EXPECT_NEAR(table.power(300), 80000, 1e-9);
    EXPECT_EQ(table.power(100), 100000);
    EXPECT_EQ(table.power(900), 60000);
    const double falling[] = {400, 200};
    EXPECT_FALSE(table.set({CORVAN_ANALYZER_TABLE, 0, 0, 2, falling, r}).ok());
}

TEST(Centroids, TwoGaussiansMergeBelowTheirResolvingPower) {
    // Two equal Gaussians d apart show two maxima exactly when d exceeds
    // 2 sigma = FWHM / sqrt(2 ln 2): at m/z 500, d = 0.005, R = 500 / FWHM.
    const double d = 0.005, limit = 500 / (d * std::sqrt(2 * std::log(2.0)));
    FinePeaks pair{{500 - d / 2, 500 + d / 2}, {0.5, 0.5}};
    for (double power : {0.9 * limit, 1.1 * limit}) {
        ProfileRequest r = request(CORVAN_ANALYZER_TOF, power, CORVAN_SHAPE_GAUSSIAN);
        r.points_per_fwhm = 40;
        Profile got;
        ASSERT_TRUE(profile_by_sum(pair, r, got).ok());
        Centroids found;
        find_centroids(got, pair, 1e-3, found);
        if (power < limit) {
            ASSERT_EQ(found.mz.size(), 1u);
            EXPECT_NEAR(found.mz[0], 500, 1e-6);
            EXPECT_EQ(found.fine_count[0], 2u);
        } else {
            ASSERT_EQ(found.mz.size(), 2u);
            EXPECT_EQ(found.fine_count[0], 1u);
            EXPECT_EQ(found.first_fine[1], 1u);
        }
    }
}

TEST(Centroids, ALoneGaussianGivesItsCentreHeightAndArea) {
    FinePeaks one{{300.00123}, {0.25}};
    ProfileRequest r = request(CORVAN_ANALYZER_TOF, 50000, CORVAN_SHAPE_GAUSSIAN);
    r.points_per_fwhm = 7;
    Profile got;
    ASSERT_TRUE(profile_by_sum(one, r, got).ok());
    Centroids found;
    find_centroids(got, one, 1e-3, found);
    ASSERT_EQ(found.mz.size(), 1u);
    const double fwhm = 300.00123 / 50000;
    EXPECT_NEAR(found.mz[0], 300.00123, 1e-9);
    EXPECT_NEAR(found.height[0], 0.25, 1e-9);
    // Area of a Gaussian: height x FWHM x sqrt(pi / (4 ln 2)).
    EXPECT_NEAR(found.area[0], 0.25 * fwhm * std::sqrt(M_PI / (4 * std::log(2.0))), 1e-6 * fwhm);
}

} // namespace
