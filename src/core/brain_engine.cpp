// BRAIN engine: the isotope distribution as the coefficients of the product
// of the element polynomials, recovered with Newton's identities from power
// sums of the inverse roots.
#include <cmath>
#include <cstring>

#include "core/buffers.hpp"
#include "corvan.h"

extern "C" {
const float c12_abundance = 0.9893f;
const float h1_abundance = 0.999885f;
const float n14_abundance = 0.99632f;
const float o16_abundance = 0.99757f;
const float s32_abundance = 0.9499f;
const float c_root = -92.4579f;
const float h_root = -8694.652f;
const float n_root = -270.7391f;
const float rho_o = 22.0595f;
const float theta_o = 1.575f;
const float s_root = -424.8761f;
const float rho_s = 4.728f;
const float theta_s = 1.583f;
}

namespace {

// Inverse roots, computed in double from the float roots above (1/root, and
// cos(theta)/rho + i sin(theta)/rho for the conjugate pairs). The tests hold
// copies of these literals and check the copies against that computation bit
// for bit; these constants themselves are checked only through the engine's
// results (the patterns against the polynomials of the roots), so a change
// here must be made in the test's copies too.
constexpr double kUC = -0.010815733314013237;
constexpr double kUH = -0.00011501322427443952;
constexpr double kUN = -0.003693592764038961;
constexpr double kWORe = -0.00019056227735962105;
constexpr double kWOIm = 0.045331543150902404;
constexpr double kUS = -0.0023536273356346707;
constexpr double kWSRe = -0.002581073299537509;
constexpr double kWSIm = 0.21149016541627938;

struct Counts {
    double c, h, n, o, s;
};

struct ComplexPower {
    double re = 1.0, im = 0.0;
    void times(double a, double b) {
        const double x = re;
        re = x * a - im * b;
        im = x * b + im * a;
    }
};

// psi[i] for i = 1..len-1; false when a sum is not finite.
bool power_sums(const Counts &n, int len, double *psi) {
    double uc = 1.0, uh = 1.0, un = 1.0, us = 1.0;
    ComplexPower wo, ws;
    for (int i = 1; i < len; ++i) {
        uc *= kUC;
        uh *= kUH;
        un *= kUN;
        us *= kUS;
        wo.times(kWORe, kWOIm);
        ws.times(kWSRe, kWSIm);
        // H first, then C, N, O and S, each added with one rounding.
        double sum = n.h * uh;
        sum = std::fma(n.c, uc, sum);
        sum = std::fma(n.n, un, sum);
        sum = std::fma(2.0 * n.o, wo.re, sum);
        const double sulfur = std::fma(2.0, ws.re, us);
        sum = std::fma(n.s, sulfur, sum);
        if (!std::isfinite(sum)) return false;
        psi[i] = sum;
    }
    return true;
}

// Newton's identities: q[j] = -(sum_k q[j-k] psi[k]) / j with q[0] = 1.
bool coefficients(const double *psi, int len, double *q) {
    q[0] = 1.0;
    for (int j = 1; j < len; ++j) {
        double sum = 0.0;
        for (int k = 1; k <= j; ++k) sum += q[j - k] * psi[k];
        q[j] = -sum / j;
        if (!std::isfinite(q[j])) return false;
    }
    return true;
}

} // namespace

extern "C" float brain_list_to_dist(const int *fftlist, int len, float *out) {
    if (len <= 0 || fftlist == nullptr || out == nullptr) return -1.0f;
    for (int e = 0; e < 5; ++e)
        if (fftlist[e] < 0) return -1.0f;
    std::memset(out, 0, sizeof(float) * static_cast<size_t>(len));
    corvan::CArray<double> psi = corvan::zeroed_array<double>(len);
    corvan::CArray<double> q = corvan::zeroed_array<double>(len);
    if (!psi || !q) return -1.0f;
    const Counts counts{double(fftlist[0]), double(fftlist[1]), double(fftlist[2]),
                        double(fftlist[3]), double(fftlist[4])};
    if (!power_sums(counts, len, psi.get())) return -1.0f;
    if (!coefficients(psi.get(), len, q.get())) return -1.0f;
    psi.reset();
    const double peak = normalize_isodist(q.get(), len);
    if (!std::isfinite(peak)) return -1.0f;
    const double *const heights = q.get();
    for (int k = 0; k < len; ++k) out[k] = static_cast<float>(heights[k]);
    return static_cast<float>(peak);
}
