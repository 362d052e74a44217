// A closed-form peptide envelope: an exponentially falling series plus a
// Gaussian, both shaped by smooth functions of the mass. Everything is in
// single precision, in the order written, so that results are reproducible
// to the last bit (contraction to fused multiply-add is off).
#include <cmath>
#include <cstdio>

#include "core/frame.hpp"
#include "core/messages.hpp"
#include "corvan.h"

extern "C" {

float isoparams[10] = {
    1.0084085f,   0.0012531872f,              // alpha: amplitude, decay per dalton
    2.3722634f,   0.000819178f,               // beta: amplitude, decay per dalton
    -0.43774197f, 0.00066499296f, 0.9942305f, // mid: offset, factor, exponent
    0.46497524f,  0.0100529045f,  0.5812408f, // sigma: offset, factor, exponent
};

float isotopealpha(const float *params, float mass) {
    return params[0] * expf(params[1] * -mass);
}

float isotopebeta(const float *params, float mass) {
    return params[2] * expf(params[3] * -mass);
}

float isotopemid(const float *params, float mass) {
    return params[4] + params[5] * powf(mass, params[6]);
}

float isotopesig(const float *params, float mass) {
    return params[7] + params[8] * powf(mass, params[9]);
}

// Raw model heights, not scaled: peak i goes to out[offset + i] for every i
// that fits, and the largest height is returned.
float pep_mass_to_dist_fitting(float *out, int n, int offset, float mass) {
    if (!corvan::frame::begin(out, n, offset)) return -1.0f;
    // The mass powers have non-integer exponents: a negative or non-finite
    // mass would fill the array with NaN, so it is refused.
    if (!(mass >= 0.0f) || std::isinf(mass)) return -1.0f;
    const float *p = isoparams;
    const float mid = p[4] + p[5] * powf(mass, p[6]);
    const float sigma = p[7] + p[8] * powf(mass, p[9]);
    if (sigma <= 0) {
        corvan::messages::line(corvan::messages::Stream::out,
                               "Error: Sigma isotope parameter must be positive");
        return -1.0f;
    }
    const float alpha = p[0] * expf(p[1] * -mass);
    const float beta = p[2] * expf(p[3] * -mass);
    const float gauss = (1.0f - alpha) / (sigma * 2.5066283f);
    const float width = 2.0f * sigma * sigma;
    // Beyond about 4e36 Da the width overflows and every height would be NaN.
    if (!std::isfinite(width)) return -1.0f;
    for (int i = 0; i < n - offset; ++i) {
        const float x = static_cast<float>(i);
        out[offset + i] = alpha * expf(beta * -x) + gauss * expf((x - mid) * -(x - mid) / width);
    }
    return corvan::frame::array_peak(out, n);
}

} // extern "C"
