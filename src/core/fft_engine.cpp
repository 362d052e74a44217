// FFT engine: element transforms raised to their atom counts, multiplied
// bin by bin and transformed back to the distribution.
#include "core/fft_engine.hpp"
#include "core/buffers.hpp"
#include "core/plan_cache.hpp"
#include "corvan.h"

namespace {

constexpr int kCompositionElements = 5;

// Atomic numbers of the fftlist columns C, H, N, O, S.
constexpr int kAtomicNumbers[kCompositionElements] = {6, 1, 7, 8, 16};

} // namespace

namespace corvan::fft {

float inverse_to_distribution(fftw_complex *product, int N, double *grid, float *out) {
    if (!inverse(N, product, grid)) return -1.0f;
    const double peak = normalize_isodist(grid, N);
    for (int p = 0; p < N; ++p) out[p] = static_cast<float>(grid[p]);
    return static_cast<float>(peak);
}

} // namespace corvan::fft

extern "C" {

void convolve_all(const int *fftlist, fftw_complex *product, const fftw_complex *c,
                  const fftw_complex *h, const fftw_complex *n, const fftw_complex *o,
                  const fftw_complex *s, int half) {
    const fftw_complex *transforms[kCompositionElements] = {c, h, n, o, s};
    for (int k = 0; k < half; ++k) {
        double re = 0.0;
        double im = 0.0;
        complex_power(&transforms[0][k], fftlist[0], &re, &im);
        for (int e = 1; e < kCompositionElements; ++e) {
            double p_re = 0.0;
            double p_im = 0.0;
            complex_power(&transforms[e][k], fftlist[e], &p_re, &p_im);
            complex_multiplication(&re, &im, re, im, p_re, p_im);
        }
        product[k][0] = re;
        product[k][1] = im;
    }
}

float fft_list_to_dist(const int *fftlist, int N, float *out) {
    if (N < 1 || fftlist == nullptr || out == nullptr) return -1.0f;
    const int half = N / 2 + 1;
    corvan::FftwArray<fftw_complex> transforms[kCompositionElements];
    for (auto &transform : transforms) {
        transform = corvan::fftw_complex_array(half);
        if (!transform) return -1.0f;
    }
    // Filled in the order H, C, N, O, S, stopping at the first failure.
    constexpr int kFillOrder[kCompositionElements] = {1, 0, 2, 3, 4};
    for (int column : kFillOrder)
        if (setup_ft(kAtomicNumbers[column], transforms[column].get(), N, half) != 0) return -1.0f;
    corvan::FftwArray<fftw_complex> product = corvan::fftw_complex_array(half);
    corvan::FftwArray<double> grid = corvan::fftw_real_array(N);
    if (!product || !grid) return -1.0f;
    convolve_all(fftlist, product.get(), transforms[0].get(), transforms[1].get(),
                 transforms[2].get(), transforms[3].get(), transforms[4].get(), half);
    return corvan::fft::inverse_to_distribution(product.get(), N, grid.get(), out);
}

} // extern "C"
