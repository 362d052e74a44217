// The FFT engine: element transforms, the precomputed table, complex
// arithmetic and fft_list_to_dist against an exact reference.
#include <cmath>
#include <complex>
#include <cstdio>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "corvan.h"
#include "exact_reference.hpp"

namespace {

constexpr double kPi = 3.14159265358979323846;

// Restores the table switches whatever a test does to them.
class SwitchGuard {
  public:
    ~SwitchGuard() {
        fft_len = 33;
        use_precomputed_fft = 1;
    }
};

std::vector<double> grid_of(int z, int n) {
    std::vector<double> grid(n, 0.0);
    construct_isotope_array(z, grid.data(), n);
    return grid;
}

// The DFT written out, as an independent check of the computed path.
std::complex<double> dft_bin(const std::vector<double> &grid, int k) {
    std::complex<double> sum = 0;
    const int n = static_cast<int>(grid.size());
    for (int p = 0; p < n; ++p) sum += grid[p] * std::polar(1.0, -2 * kPi * p * k / n);
    return sum;
}

TEST(ElementTransform, TableEqualsTheComputedPathForEveryElement) {
    SwitchGuard guard;
    fftw_complex computed[33];
    fftw_complex copied[33];
    for (int z = 1; z <= CORVAN_ELEMENT_COUNT; ++z) {
        use_precomputed_fft = 0;
        ASSERT_EQ(setup_ft(z, computed, 64, 33), 0);
        use_precomputed_fft = 1;
        ASSERT_EQ(setup_ft(z, copied, 64, 33), 0);
        for (int k = 0; k < 33; ++k) {
            EXPECT_EQ(copied[k][0], fftarray[(z - 1) * 33 + k][0]);
            EXPECT_NEAR(computed[k][0], copied[k][0], 5e-11) << z << " bin " << k;
            EXPECT_NEAR(computed[k][1], copied[k][1], 5e-11) << z << " bin " << k;
        }
    }
}

TEST(ElementTransform, PublishedBinsOfHydrogenAndCarbon) {
    const double hydrogen[3][2] = {
        {1.0, 0.0}, {0.9999994462, -1.1272e-05}, {0.9999977903, -2.24354e-05}};
    const double carbon[3][2] = {
        {1.0, 0.0}, {0.9999484766, -0.0010487834}, {0.9997944025, -0.0020874664}};
    for (int k = 0; k < 3; ++k) {
        EXPECT_EQ(fftarray[k][0], hydrogen[k][0]);
        EXPECT_EQ(fftarray[k][1], hydrogen[k][1]);
        EXPECT_EQ(fftarray[5 * 33 + k][0], carbon[k][0]);
        EXPECT_EQ(fftarray[5 * 33 + k][1], carbon[k][1]);
    }
    EXPECT_EQ(arraylen, 3597);
}

TEST(ElementTransform, ComputedPathIsTheDftOfTheIsotopeGrid) {
    for (int n : {5, 16, 100}) {
        for (int z : {1, 16, 50, 92}) {
            std::vector<fftw_complex> transform(n / 2 + 1);
            ASSERT_EQ(setup_ft(z, transform.data(), n, n / 2 + 1), 0);
            const auto grid = grid_of(z, n);
            for (int k = 0; k <= n / 2; ++k) {
                const auto expected = dft_bin(grid, k);
                EXPECT_NEAR(transform[k][0], expected.real(), 1e-12);
                EXPECT_NEAR(transform[k][1], expected.imag(), 1e-12);
            }
        }
    }
}

TEST(ElementTransform, RejectsAtomicNumbersOutsideTheTableSilently) {
    fftw_complex transform[33];
    testing::internal::CaptureStdout();
    EXPECT_EQ(setup_ft(0, transform, 64, 33), -1);
    EXPECT_EQ(setup_ft(110, transform, 64, 33), -1);
    EXPECT_EQ(setup_ft(-5, transform, 128, 65), -1);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
}

TEST(ElementTransform, TableRowBeyondTheTablePrintsAndFails) {
    SwitchGuard guard;
    fft_len = 34; // 109 x 34 lies beyond the 3597 values
    fftw_complex transform[34];
    testing::internal::CaptureStdout();
    EXPECT_EQ(setup_ft(109, transform, 64, 34), -1);
    EXPECT_EQ(testing::internal::GetCapturedStdout(),
              "Error: Requested isotope number is too large\n");
    testing::internal::CaptureStdout();
    EXPECT_EQ(setup_ft(105, transform, 64, 34), 0); // 105 x 34 = 3570 still inside
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
}

TEST(ElementTransform, AMismatchedHalfIsRejectedOnTheComputedPath) {
    // FFTW would write N/2 + 1 bins into an array of `half`.
    fftw_complex transform[8];
    EXPECT_EQ(setup_ft(6, transform, 64, 8), -1);
    EXPECT_EQ(setup_ft(6, transform, 0, 1), -1);
}

TEST(IsotopeGrid, LaysPatternsByRoundedSteps) {
    const auto carbon = grid_of(6, 4);
    EXPECT_EQ(carbon, (std::vector<double>{0.9893, 0.0107, 0, 0}));
    const auto sulfur = grid_of(16, 6);
    EXPECT_EQ(sulfur, (std::vector<double>{0.9499, 0.0075, 0.0425, 0, 0.0001, 0}));
    std::vector<double> untouched(3, 0.5);
    construct_isotope_array(110, untouched.data(), 3);
    construct_isotope_array(6, untouched.data(), 0);
    EXPECT_EQ(untouched, (std::vector<double>(3, 0.5)));
}

TEST(IsotopeGrid, TinFoldsBackOntoShortGrids) {
    // Tin's ten isotopes span 12 steps; on short grids the heavy ones fold
    // back modulo the length and nothing is written past the grid.
    for (int n = 2; n <= 13; ++n) {
        std::vector<double> grid(n + 2, -1.0);
        std::fill(grid.begin() + 1, grid.begin() + 1 + n, 0.0);
        construct_isotope_array(50, grid.data() + 1, n);
        EXPECT_EQ(grid.front(), -1.0) << n;
        EXPECT_EQ(grid.back(), -1.0) << n;
        double sum = 0;
        for (int p = 1; p <= n; ++p) sum += grid[p];
        int first_tin_row = 0;
        while (isotope_numbers[first_tin_row] != 50) ++first_tin_row;
        double expected = 0;
        for (int row = 0; row < std::min(n, 10); ++row)
            expected += isotope_abundances[first_tin_row + row];
        EXPECT_NEAR(sum, expected, 1e-15) << n;
    }
}

TEST(IsotopeGrid, FirstIsotopeAbundance) {
    EXPECT_EQ(get_first_isotope_abundance(2), 1.34e-06f);
    EXPECT_EQ(get_first_isotope_abundance(6), 0.9893f);
    EXPECT_EQ(get_first_isotope_abundance(0), 0.0f);
    EXPECT_EQ(get_first_isotope_abundance(110), 0.0f);
}

TEST(ComplexMath, MultiplicationAndPowers) {
    double re = 0, im = 0;
    complex_multiplication(&re, &im, 1, 2, 3, 4);
    EXPECT_EQ(re, -5);
    EXPECT_EQ(im, 10);
    const fftw_complex i = {0, 1};
    complex_power(&i, 2, &re, &im);
    EXPECT_EQ(re, -1);
    EXPECT_EQ(im, 0);
    complex_power(&i, 0, &re, &im);
    EXPECT_EQ(re, 1);
    EXPECT_EQ(im, 0);
    const fftw_complex two = {2, 0};
    complex_power(&two, -3, &re, &im);
    EXPECT_EQ(re, 0.125);
    const fftw_complex z = {0.6, -0.7};
    for (int e : {1, 5, 17, 1000, -7, 2147483647}) {
        complex_power(&z, e, &re, &im);
        const auto expected = std::pow(std::complex<double>(0.6, -0.7), static_cast<double>(e));
        EXPECT_NEAR(re, expected.real(), 1e-12 * std::max(1.0, std::abs(expected))) << e;
        EXPECT_NEAR(im, expected.imag(), 1e-12 * std::max(1.0, std::abs(expected))) << e;
    }
    // The most negative exponent has no positive int counterpart.
    const fftw_complex one = {1, 0};
    complex_power(&one, -2147483647 - 1, &re, &im);
    EXPECT_EQ(re, 1);
    EXPECT_EQ(im, 0);
}

TEST(ComplexMath, CopyFftCopiesCountValues) {
    const fftw_complex src[3] = {{1, 2}, {3, 4}, {5, 6}};
    fftw_complex dst[3] = {{0, 0}, {0, 0}, {9, 9}};
    copy_fft(src, dst, 2);
    EXPECT_EQ(dst[1][1], 4);
    EXPECT_EQ(dst[2][0], 9);
    copy_fft(src, dst, -1);
    EXPECT_EQ(dst[2][0], 9);
}

TEST(ConvolveAll, MultipliesThePowersOfTheFiveTransforms) {
    const fftw_complex c[2] = {{1, 0}, {0.9, 0.1}};
    const fftw_complex h[2] = {{1, 0}, {0.8, -0.2}};
    const fftw_complex n[2] = {{1, 0}, {0.7, 0.3}};
    const fftw_complex o[2] = {{1, 0}, {0.95, 0}};
    const fftw_complex s[2] = {{1, 0}, {0.5, 0.5}};
    const int counts[5] = {3, 2, 1, 0, 4};
    fftw_complex product[2];
    convolve_all(counts, product, c, h, n, o, s, 2);
    using C = std::complex<double>;
    const C expected = std::pow(C(0.9, 0.1), 3) * std::pow(C(0.8, -0.2), 2) * C(0.7, 0.3) *
                       std::pow(C(0.5, 0.5), 4);
    EXPECT_EQ(product[0][0], 1);
    EXPECT_NEAR(product[1][0], expected.real(), 1e-15);
    EXPECT_NEAR(product[1][1], expected.imag(), 1e-15);
}

TEST(FftListToDist, EmptyCompositionAndSinglePoint) {
    const int none[5] = {0, 0, 0, 0, 0};
    std::vector<float> out(64);
    EXPECT_FLOAT_EQ(fft_list_to_dist(none, 64, out.data()), 1.0f);
    EXPECT_FLOAT_EQ(out[0], 1.0f);
    for (int i = 1; i < 64; ++i) EXPECT_NEAR(out[i], 0.0f, 1e-7f);
    const int water[5] = {0, 2, 0, 1, 0};
    float single = 0;
    EXPECT_EQ(fft_list_to_dist(water, 1, &single), 1.0f);
    EXPECT_EQ(single, 1.0f);
}

TEST(FftListToDist, WaterReturnsItsMonoisotopicShare) {
    const int water[5] = {0, 2, 0, 1, 0};
    std::vector<float> out(64);
    const float peak = fft_list_to_dist(water, 64, out.data());
    EXPECT_NEAR(peak, 0.99734f, 1e-5f);
    EXPECT_EQ(peak, out[0]);
}

TEST(FftListToDist, FailuresLeaveOutUnwritten) {
    const int water[5] = {0, 2, 0, 1, 0};
    std::vector<float> out(4, 3.0f);
    EXPECT_EQ(fft_list_to_dist(water, 0, out.data()), -1.0f);
    EXPECT_EQ(fft_list_to_dist(nullptr, 4, out.data()), -1.0f);
    EXPECT_EQ(fft_list_to_dist(water, 4, nullptr), -1.0f);
    for (float v : out) EXPECT_EQ(v, 3.0f);
}

TEST(FftListToDist, ComputedAndTablePathsAgreeAtLength64) {
    SwitchGuard guard;
    const int peptide[5] = {98, 155, 27, 30, 1};
    std::vector<float> from_table(64), computed(64);
    const float a = fft_list_to_dist(peptide, 64, from_table.data());
    use_precomputed_fft = 0;
    const float b = fft_list_to_dist(peptide, 64, computed.data());
    EXPECT_NEAR(a, b, 1e-7);
    for (int i = 0; i < 64; ++i) EXPECT_NEAR(from_table[i], computed[i], 1e-7) << i;
}

struct Composition {
    const char *name;
    int counts[5];
    int length;
};

class AgainstExactReference : public testing::TestWithParam<Composition> {};

TEST_P(AgainstExactReference, FftMatchesToFloatPrecision) {
    const auto &c = GetParam();
    const auto exact = reference::distribution(c.counts, c.length, reference::table_patterns());
    std::vector<float> out(c.length);
    const float peak = fft_list_to_dist(c.counts, c.length, out.data());
    const double exact_peak = *std::max_element(exact.begin(), exact.end());
    EXPECT_NEAR(peak, exact_peak, 1e-6 * exact_peak);
    for (int i = 0; i < c.length; ++i) EXPECT_NEAR(out[i], exact[i], 2e-7 * exact_peak) << i;
}

// From water to a 100 kDa protein, sulfur-rich ones included.
INSTANTIATE_TEST_SUITE_P(
    Compositions, AgainstExactReference,
    testing::Values(Composition{"water", {0, 2, 0, 1, 0}, 64},
                    Composition{"glucose", {6, 12, 0, 6, 0}, 64},
                    Composition{"peptide_2kDa", {89, 140, 24, 27, 1}, 64},
                    Composition{"cysteine_rich", {60, 100, 20, 20, 12}, 64},
                    Composition{"insulin", {254, 377, 65, 75, 6}, 128},
                    Composition{"protein_50kDa", {2223, 3490, 611, 665, 19}, 128},
                    Composition{"protein_100kDa", {4445, 6982, 1222, 1329, 38}, 1024},
                    Composition{"sulfur_only", {0, 0, 0, 0, 200}, 1024}),
    [](const auto &test) { return std::string(test.param.name); });

} // namespace
