// Complex arithmetic on fftw_complex values (real part first).
#include "corvan.h"

extern "C" {

void complex_multiplication(double *re, double *im, double a_re, double a_im, double b_re,
                            double b_im) {
    *re = a_re * b_re - a_im * b_im;
    *im = a_re * b_im + a_im * b_re;
}

void complex_power(const fftw_complex *z, int exponent, double *re, double *im) {
    double z_re = (*z)[0];
    double z_im = (*z)[1];
    // The magnitude of the exponent as unsigned, so that INT_MIN negates safely.
    unsigned int e = static_cast<unsigned int>(exponent);
    if (exponent < 0) {
        const double norm = z_re * z_re + z_im * z_im;
        z_re = z_re / norm;
        z_im = -z_im / norm;
        e = 0u - e;
    }
    double r_re = 1.0;
    double r_im = 0.0;
    while (e != 0) {
        if (e & 1u) complex_multiplication(&r_re, &r_im, r_re, r_im, z_re, z_im);
        if (e < 2) break;
        e >>= 1;
        complex_multiplication(&z_re, &z_im, z_re, z_im, z_re, z_im);
    }
    *re = r_re;
    *im = r_im;
}

void copy_fft(const fftw_complex *src, fftw_complex *dst, int count) {
    for (int k = 0; k < count; ++k) {
        dst[k][0] = src[k][0];
        dst[k][1] = src[k][1];
    }
}

} // extern "C"
