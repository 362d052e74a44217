// Peak shapes of unit height and full width at half maximum w: Gaussian,
// Lorentzian and their mix (1 - eta) G + eta L; their values and their
// Fourier transforms with the first two derivatives in w.
#pragma once

#include "molecule/outcome.hpp"

namespace corvan::spectrum {

struct PeakShape {
    int kind = 1;                   // corvan_peak_shape
    double lorentzian_fraction = 0; // eta, for the mix

    double value(double offset, double fwhm) const;
    // Offset beyond which the shape stays below `fraction` of its height.
    double reach(double fwhm, double fraction) const;
    bool gaussian_only() const { return lorentzian_weight() == 0; }
    double lorentzian_weight() const;

    // Transform K(f) = integral of shape(x) exp(-2 pi i f x) dx (real and
    // even), and dK/dw, d2K/dw2, at frequency f for width w.
    struct Transform {
        double k = 0, dk = 0, d2k = 0;
    };
    Transform transform(double frequency, double fwhm) const;
};

Outcome make_peak_shape(int kind, double lorentzian_fraction, PeakShape &shape);

} // namespace corvan::spectrum
