#include "spectrum/peak_shape.hpp"

#include <cmath>

#include "corvan.h"

namespace corvan::spectrum {

namespace {

// exp(-kGaussianRate (x/w)^2) is the unit Gaussian of FWHM w.
const double kGaussianRate = 4 * std::log(2.0);

double gaussian(double offset, double fwhm) {
    const double r = offset / fwhm;
    return std::exp(-kGaussianRate * r * r);
}

double lorentzian(double offset, double fwhm) {
    const double r = 2 * offset / fwhm;
    return 1 / (1 + r * r);
}

// K = w C exp(-b w^2 f^2) with C = sqrt(pi / rate), b = pi^2 / rate.
PeakShape::Transform gaussian_transform(double f, double w) {
    const double c = std::sqrt(M_PI / kGaussianRate), b = M_PI * M_PI / kGaussianRate;
    const double e = c * std::exp(-b * w * w * f * f);
    return {w * e, e * (1 - 2 * b * w * w * f * f),
            e * (-6 * b * w * f * f + 4 * b * b * w * w * w * f * f * f * f)};
}

// K = (pi w / 2) exp(-a w) with a = pi |f|.
PeakShape::Transform lorentzian_transform(double f, double w) {
    const double a = M_PI * std::fabs(f);
    const double e = M_PI / 2 * std::exp(-a * w);
    return {w * e, e * (1 - a * w), e * (a * a * w - 2 * a)};
}

} // namespace

double PeakShape::lorentzian_weight() const {
    if (kind == CORVAN_SHAPE_LORENTZIAN) return 1;
    if (kind == CORVAN_SHAPE_MIXED) return lorentzian_fraction;
    return 0;
}

double PeakShape::value(double offset, double fwhm) const {
    const double eta = lorentzian_weight();
    double v = 0;
    if (eta < 1) v += (1 - eta) * gaussian(offset, fwhm);
    if (eta > 0) v += eta * lorentzian(offset, fwhm);
    return v;
}

double PeakShape::reach(double fwhm, double fraction) const {
    const double eta = lorentzian_weight();
    const double g = fwhm * std::sqrt(std::log(1 / fraction) / kGaussianRate);
    if (eta == 0) return g;
    const double l = fwhm / 2 * std::sqrt(eta / fraction);
    return std::max(g, l);
}

PeakShape::Transform PeakShape::transform(double frequency, double fwhm) const {
    const double eta = lorentzian_weight();
    Transform t;
    if (eta < 1) {
        const Transform g = gaussian_transform(frequency, fwhm);
        t = {(1 - eta) * g.k, (1 - eta) * g.dk, (1 - eta) * g.d2k};
    }
    if (eta > 0) {
        const Transform l = lorentzian_transform(frequency, fwhm);
        t = {t.k + eta * l.k, t.dk + eta * l.dk, t.d2k + eta * l.d2k};
    }
    return t;
}

Outcome make_peak_shape(int kind, double lorentzian_fraction, PeakShape &shape) {
    if (kind != CORVAN_SHAPE_GAUSSIAN && kind != CORVAN_SHAPE_LORENTZIAN &&
        kind != CORVAN_SHAPE_MIXED)
        return Outcome::failure(CORVAN_E_ARGUMENT, "unknown peak shape");
    if (kind == CORVAN_SHAPE_MIXED && !(lorentzian_fraction >= 0 && lorentzian_fraction <= 1))
        return Outcome::failure(CORVAN_E_ARGUMENT, "the Lorentzian fraction must lie in [0, 1]");
    shape.kind = kind;
    shape.lorentzian_fraction = lorentzian_fraction;
    return Outcome::success();
}

} // namespace corvan::spectrum
