// Elemental formulas over the 109 elements: the parser and the FFT
// distribution on the caller's own grid length.
#include <cctype>
#include <climits>
#include <cstdint>
#include <cstring>

#include "core/buffers.hpp"
#include "core/fft_engine.hpp"
#include "core/frame.hpp"
#include "core/text_scan.hpp"
#include "corvan.h"

namespace {

constexpr int kElements = CORVAN_ELEMENT_COUNT;

// Element index of the symbol at `text` (one or two bytes, the second a
// lower-case letter); sets `length` to the bytes taken; -1 if unknown.
int element_index(const char *text, int *length) {
    const bool two_letters = std::islower(static_cast<unsigned char>(text[1])) != 0;
    *length = two_letters ? 2 : 1;
    for (int index = 0; index < kElements; ++index) {
        const char *symbol = element_names[index];
        if (static_cast<int>(std::strlen(symbol)) == *length &&
            std::strncmp(symbol, text, static_cast<size_t>(*length)) == 0)
            return index;
    }
    return -1;
}

// Reads the digits at `*text` into `count` (1 when there are none); false on
// a value above INT_MAX.
bool read_count(const char **text, int *count) {
    std::size_t digits = 0;
    int value = 0;
    if (!corvan::text::read_count(*text, SIZE_MAX, &digits, &value)) return false;
    *text += digits;
    *count = digits == 0 ? 1 : value;
    return true;
}

bool add_checked(int *target, int amount) {
    if (*target > INT_MAX - amount) return false;
    *target += amount;
    return true;
}

} // namespace

extern "C" {

int atom_formula_to_vector(const char *formula, int *counts) {
    if (formula == nullptr || counts == nullptr) return -1;
    std::memset(counts, 0, sizeof(int) * kElements);
    int total = 0;
    bool symbol_read = false;
    for (const char *p = formula; *p != '\0';) {
        const unsigned char c = static_cast<unsigned char>(*p);
        if (std::isspace(c)) {
            ++p;
            continue;
        }
        if (!std::isupper(c)) return -1;
        int length = 0;
        const int index = element_index(p, &length);
        if (index < 0) return -1;
        p += length;
        int count = 0;
        if (!read_count(&p, &count)) return -1;
        if (counts[index] > INT_MAX - count || !add_checked(&total, count)) return -1;
        counts[index] += count;
        symbol_read = true;
    }
    return symbol_read && total > 0 ? 0 : -1;
}

float fft_atom_formula_to_dist(const char *formula, float *out, int n, int offset) {
    if (!corvan::frame::begin(out, n, offset)) return -1.0f;
    int counts[kElements];
    if (atom_formula_to_vector(formula, counts) != 0) return -1.0f;
    const int half = n / 2 + 1;
    corvan::CArray<float> result = corvan::zeroed_array<float>(n);
    corvan::FftwArray<fftw_complex> product = corvan::fftw_complex_array(half);
    corvan::FftwArray<fftw_complex> transform = corvan::fftw_complex_array(half);
    corvan::FftwArray<double> grid = corvan::fftw_real_array(n);
    if (!result || !product || !transform || !grid) return -1.0f;
    fftw_complex *const bins = product.get();
    const fftw_complex *const element = transform.get();
    for (int k = 0; k < half; ++k) {
        bins[k][0] = 1.0;
        bins[k][1] = 0.0;
    }
    for (int index = 0; index < kElements; ++index) {
        if (counts[index] == 0) continue;
        if (setup_ft(index + 1, transform.get(), n, half) != 0) return -1.0f;
        for (int k = 0; k < half; ++k) {
            double re = 0.0;
            double im = 0.0;
            complex_power(&element[k], counts[index], &re, &im);
            complex_multiplication(&bins[k][0], &bins[k][1], bins[k][0], bins[k][1], re, im);
        }
    }
    const float peak =
        corvan::fft::inverse_to_distribution(product.get(), n, grid.get(), result.get());
    if (peak == -1.0f) return -1.0f;
    return corvan::frame::place_divided(result.get(), peak, out, n, offset);
}

float corvan_atom(const char *formula, float *out, int n) {
    return fft_atom_formula_to_dist(formula, out, n, 0);
}

} // extern "C"
