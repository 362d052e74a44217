// Element transforms: an element's isotope pattern laid on an N-point grid
// and transformed once, or copied from the precomputed table at N = 64.
#include <cmath>
#include <cstdio>
#include <cstring>

#include "core/buffers.hpp"
#include "core/messages.hpp"
#include "core/plan_cache.hpp"
#include "core/transform_cache.hpp"
#include "corvan.h"

namespace {

constexpr int kIsotopeRows = CORVAN_ISOTOPE_COUNT;
constexpr int kElements = CORVAN_ELEMENT_COUNT;
constexpr long long kTableSize = CORVAN_FFT_TABLE_SIZE;

int first_row_of(int atomic_number) {
    for (int row = 0; row < kIsotopeRows; ++row)
        if (isotope_numbers[row] == atomic_number) return row;
    return -1;
}

bool use_table(int N, int half) {
    return N == 64 && half == fft_len && use_precomputed_fft != 0;
}

int copy_from_table(int atomic_number, fftw_complex *transform, int half) {
    if (static_cast<long long>(atomic_number) * half > kTableSize) {
        corvan::messages::line(corvan::messages::Stream::out,
                               "Error: Requested isotope number is too large");
        return -1;
    }
    copy_fft(&fftarray[(atomic_number - 1) * half], transform, half);
    return 0;
}

int compute_transform(int atomic_number, fftw_complex *transform, int N) {
    if (corvan::fft::cached_transform(atomic_number, N, transform)) return 0;
    corvan::FftwArray<double> grid = corvan::fftw_real_array(N);
    if (!grid) {
        corvan::messages::line(corvan::messages::Stream::out,
                               "Error: Could not allocate memory for isotope arrays");
        return -1;
    }
    std::memset(grid.get(), 0, sizeof(double) * static_cast<size_t>(N));
    construct_isotope_array(atomic_number, grid.get(), N);
    if (!corvan::fft::forward(N, grid.get(), transform)) return -1;
    corvan::fft::keep_transform(atomic_number, N, transform);
    return 0;
}

} // namespace

extern "C" {

int setup_ft(int atomic_number, fftw_complex *transform, int N, int half) {
    if (atomic_number < 1 || atomic_number > kElements || transform == nullptr) return -1;
    if (use_table(N, half)) return copy_from_table(atomic_number, transform, half);
    // FFTW writes N/2 + 1 bins: any other `half` would not match the array.
    if (N < 1 || half != N / 2 + 1) return -1;
    return compute_transform(atomic_number, transform, N);
}

void construct_isotope_array(int atomic_number, double *grid, int N) {
    if (N <= 0) return;
    const int first = first_row_of(atomic_number);
    if (first < 0) return;
    long long position = 0;
    for (int row = first, laid = 0;
         row < kIsotopeRows && isotope_numbers[row] == atomic_number && laid < N; ++row, ++laid) {
        if (row > first) position += std::llround(isotope_masses[row] - isotope_masses[row - 1]);
        if (position < N)
            grid[position] = isotope_abundances[row];
        else // a pattern wider than the grid folds back, as the cyclic
             // convolution folds every molecule that overruns it
            grid[position % N] += isotope_abundances[row];
    }
}

float get_first_isotope_abundance(int atomic_number) {
    const int row = first_row_of(atomic_number);
    return row < 0 ? 0.0f : static_cast<float>(isotope_abundances[row]);
}

} // extern "C"
