// Label fits: a one-parameter least-squares fit of the enrichment, a
// two-column non-negative least-squares mix, and the centroid shift of
// deuterium uptake.
#include "observed/label_fit.hpp"

#include <algorithm>
#include <cmath>
#include <functional>
#include <limits>
#include <map>

#include "molecule/elements.hpp"
#include "observed/model_patterns.hpp"
#include "observed/similarity.hpp"

namespace corvan::observed {

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr int kScanSteps = 20;         // the coarse scan: f = 0, 0.05 .. 1
constexpr double kFractionStep = 1e-7; // golden-section stop
constexpr double kCurvatureStep = 1e-3;
// Deuterated points mix masses: rungs are looked up this wide (times 1/z).
constexpr double kDeuteratedWidth = 0.02;

// Observed intensity at each rung of a window: rung r lies about r isotope
// spacings above the unlabelled ion's M (labels move a point's k, which
// counts from the monoisotopic composition of the labelled molecule). A
// rung's m/z range is taken over a few reference envelopes so that it holds
// wherever the label moves the point.
struct Rungs {
    double base_mz = 0;
    int charge = 1;
    long first = 0;
    std::vector<double> low, high, observed;

    long rung_of(double mz) const {
        return std::lround((mz - base_mz) * charge / kAveragineSpacing);
    }
};

Rungs make_rungs(const std::vector<const Expected *> &references) {
    Rungs rungs;
    rungs.base_mz = references.front()->monoisotopic_mz;
    rungs.charge = std::abs(references.front()->charge);
    std::map<long, std::pair<double, double>> range;
    for (const Expected *expected : references)
        for (const ExpectedPoint &point : expected->points) {
            auto [it, fresh] = range.try_emplace(rungs.rung_of(point.mz), point.mz, point.mz);
            if (!fresh) {
                it->second.first = std::min(it->second.first, point.mz);
                it->second.second = std::max(it->second.second, point.mz);
            }
        }
    rungs.first = range.empty() ? 0 : range.begin()->first;
    for (long r = rungs.first; !range.empty() && r <= range.rbegin()->first; ++r) {
        const auto found = range.find(r);
        const double guess =
            rungs.base_mz + static_cast<double>(r) * kAveragineSpacing / rungs.charge;
        rungs.low.push_back(found == range.end() ? guess : found->second.first);
        rungs.high.push_back(found == range.end() ? guess : found->second.second);
    }
    return rungs;
}

Outcome read_rungs(const PeakList &peaks, double ppm, Rungs &rungs) {
    double total = 0;
    for (std::size_t i = 0; i < rungs.low.size(); ++i) {
        const std::size_t at = strongest_in(peaks, rungs.low[i] - tolerance(rungs.low[i], ppm),
                                            rungs.high[i] + tolerance(rungs.high[i], ppm));
        rungs.observed.push_back(at == kNoPeak ? 0 : peaks.intensity[at]);
        total += rungs.observed.back();
    }
    if (total == 0)
        return Outcome::failure(CORVAN_E_RANGE, "no peak of the spectrum lies where the "
                                                "molecule's envelope is expected");
    for (double &value : rungs.observed) value /= total;
    return Outcome::success();
}

// The expected shares on the rungs (0 where the envelope has no point).
std::vector<double> on_rungs(const Expected &expected, const Rungs &rungs) {
    std::vector<double> shares(rungs.observed.size(), 0.0);
    for (const ExpectedPoint &point : expected.points) {
        const long i = rungs.rung_of(point.mz) - rungs.first;
        if (i >= 0 && static_cast<std::size_t>(i) < shares.size())
            shares[static_cast<std::size_t>(i)] += point.share;
    }
    return shares;
}

double misfit(const std::vector<double> &expected, const std::vector<double> &observed) {
    const double scale = fitted_scale(expected, observed);
    double sum = 0;
    for (std::size_t i = 0; i < expected.size(); ++i)
        sum += (observed[i] - scale * expected[i]) * (observed[i] - scale * expected[i]);
    return sum;
}

// The minimum of `cost` over [0, 1]: a coarse scan, then golden sections
// inside the best scan step's neighbours.
Outcome minimise(const std::function<Outcome(double, double &)> &cost, double &best_x) {
    double best = std::numeric_limits<double>::infinity();
    int best_step = 0;
    for (int step = 0; step <= kScanSteps; ++step) {
        double value = 0;
        Outcome done = cost(static_cast<double>(step) / kScanSteps, value);
        if (!done.ok()) return done;
        if (value < best) best = value, best_step = step;
    }
    double a = std::max(0, best_step - 1) / double{kScanSteps};
    double b = std::min(kScanSteps, best_step + 1) / double{kScanSteps};
    const double ratio = (std::sqrt(5.0) - 1) / 2;
    double c = b - ratio * (b - a), d = a + ratio * (b - a), fc = 0, fd = 0;
    Outcome done = cost(c, fc);
    if (done.ok()) done = cost(d, fd);
    while (done.ok() && b - a > kFractionStep) {
        if (fc < fd) {
            b = d, d = c, fd = fc, c = b - ratio * (b - a);
            done = cost(c, fc);
        } else {
            a = c, c = d, fc = fd, d = a + ratio * (b - a);
            done = cost(d, fd);
        }
    }
    best_x = (a + b) / 2;
    return done;
}

Outcome label_of(std::string_view isotope, double fraction, labels::Label &label) {
    Outcome parsed = labels::parse_isotope(isotope, label.element, label.mass_number);
    label.fraction = fraction;
    return parsed;
}

struct LabelProblem {
    const corvan_molecule &molecule;
    const corvan_options &options;
    std::string_view isotope;
    int charge;
    Rungs rungs;

    Outcome envelope(double fraction, Expected &expected) const {
        labels::Label label{};
        Outcome named = label_of(isotope, fraction, label);
        if (!named.ok()) return named;
        return expected_envelope(molecule, options, charge, {label}, expected);
    }
    Outcome cost(double fraction, double &value) const {
        Expected expected;
        Outcome computed = envelope(fraction, expected);
        if (computed.ok()) value = misfit(on_rungs(expected, rungs), rungs.observed);
        return computed;
    }
};

// sqrt(2 s2 / S''), S'' by central differences (one-sided at the ends).
Outcome uncertainty(const LabelProblem &problem, double at, double &sigma) {
    const double h = kCurvatureStep;
    const double centre = std::clamp(at, h, 1 - h);
    double low = 0, mid = 0, high = 0;
    Outcome done = problem.cost(centre - h, low);
    if (done.ok()) done = problem.cost(centre, mid);
    if (done.ok()) done = problem.cost(centre + h, high);
    if (!done.ok()) return done;
    double best = 0;
    done = problem.cost(at, best);
    const double curvature = (low - 2 * mid + high) / (h * h);
    const std::size_t points = problem.rungs.observed.size();
    sigma = points > 2 && curvature > 0
                ? std::sqrt(2 * (best / static_cast<double>(points - 2)) / curvature)
                : kNaN;
    return done;
}

double fitted_cosine(const Expected &expected, const Rungs &rungs) {
    return cosine(on_rungs(expected, rungs), rungs.observed);
}

} // namespace

Outcome fit_label(const corvan_molecule &molecule, const corvan_options &options,
                  std::string_view isotope, double ppm, const PeakList &peaks,
                  corvan_label_fit &fit) {
    int charge = 0;
    Outcome done = single_charge(molecule, options, charge);
    if (!done.ok()) return done;
    LabelProblem problem{molecule, options, isotope, charge, {}};
    Expected none, half, full;
    done = problem.envelope(0, none);
    if (done.ok()) done = problem.envelope(0.5, half);
    if (done.ok()) done = problem.envelope(1, full);
    if (!done.ok()) return done;
    problem.rungs = make_rungs({&none, &half, &full});
    done = read_rungs(peaks, ppm, problem.rungs);
    if (done.ok())
        done = minimise([&](double f, double &v) { return problem.cost(f, v); }, fit.fraction);
    if (done.ok()) done = uncertainty(problem, fit.fraction, fit.uncertainty);
    Expected best;
    if (done.ok()) done = problem.envelope(fit.fraction, best);
    if (done.ok()) fit.cosine = fitted_cosine(best, problem.rungs);
    return done;
}

namespace {

// Two non-negative amounts a, b minimising |o - a x - b y|^2.
void two_column_nnls(const std::vector<double> &x, const std::vector<double> &y,
                     const std::vector<double> &o, double &a, double &b) {
    double xx = 0, yy = 0, xy = 0, xo = 0, yo = 0;
    for (std::size_t i = 0; i < o.size(); ++i) {
        xx += x[i] * x[i], yy += y[i] * y[i], xy += x[i] * y[i];
        xo += x[i] * o[i], yo += y[i] * o[i];
    }
    const double determinant = xx * yy - xy * xy;
    a = determinant > 0 ? (xo * yy - yo * xy) / determinant : -1;
    b = determinant > 0 ? (yo * xx - xo * xy) / determinant : -1;
    if (a >= 0 && b >= 0) return;
    const double only_a = xx > 0 ? std::max(0.0, xo / xx) : 0;
    const double only_b = yy > 0 ? std::max(0.0, yo / yy) : 0;
    // The better of the two one-column fits.
    if (only_a * xo >= only_b * yo)
        a = only_a, b = 0;
    else
        a = 0, b = only_b;
}

} // namespace

Outcome fit_mix(const corvan_molecule &light, const corvan_options &light_options,
                const corvan_molecule &heavy, const corvan_options &heavy_options, double ppm,
                const PeakList &peaks, corvan_mix_fit &fit) {
    int light_charge = 0, heavy_charge = 0;
    Outcome done = single_charge(light, light_options, light_charge);
    if (done.ok()) done = single_charge(heavy, heavy_options, heavy_charge);
    if (done.ok() && light_charge != heavy_charge)
        done = Outcome::failure(CORVAN_E_CHARGE, "the two states must have the same charge");
    Expected light_envelope, heavy_envelope;
    if (done.ok()) done = expected_envelope(light, light_options, light_charge, {}, light_envelope);
    if (done.ok()) done = expected_envelope(heavy, heavy_options, heavy_charge, {}, heavy_envelope);
    if (!done.ok()) return done;
    Rungs rungs = make_rungs({&light_envelope, &heavy_envelope});
    done = read_rungs(peaks, ppm, rungs);
    if (!done.ok()) return done;
    const std::vector<double> x = on_rungs(light_envelope, rungs);
    const std::vector<double> y = on_rungs(heavy_envelope, rungs);
    double a = 0, b = 0;
    two_column_nnls(x, y, rungs.observed, a, b);
    fit.light_fraction = a + b > 0 ? a / (a + b) : kNaN;
    fit.heavy_fraction = a + b > 0 ? b / (a + b) : kNaN;
    std::vector<double> sum(x.size());
    for (std::size_t i = 0; i < sum.size(); ++i) sum[i] = a * x[i] + b * y[i];
    fit.cosine = cosine(sum, rungs.observed);
    return Outcome::success();
}

namespace {

double mean_mz(const Expected &expected) {
    double weighted = 0, total = 0;
    for (const ExpectedPoint &point : expected.points)
        weighted += point.mz * point.share, total += point.share;
    return weighted / total;
}

// The intensity-weighted m/z of the ladder M, M+1 ... as the contract of
// corvan_deuterium_uptake says.
double observed_centroid(const Expected &natural, double ppm, const PeakList &peaks) {
    const int z = std::abs(natural.charge);
    const double spacing =
        (chem::isotopes_of(chem::element::H)[1].mass - chem::lightest_mass(chem::element::H)) / z;
    const int natural_last = natural.points.back().neutrons;
    double weighted = 0, total = 0;
    int missing = 0;
    for (int k = 0; k <= natural_last || missing < 2; ++k) {
        const double centre = natural.monoisotopic_mz + k * spacing;
        const double half = std::max(tolerance(centre, ppm), kDeuteratedWidth / z);
        const std::size_t at = strongest_in(peaks, centre - half, centre + half);
        if (at == kNoPeak) {
            ++missing;
            continue;
        }
        missing = 0;
        weighted += peaks.mz[at] * peaks.intensity[at];
        total += peaks.intensity[at];
    }
    return total > 0 ? weighted / total : kNaN;
}

} // namespace

Outcome deuterium_uptake(const corvan_molecule &molecule, const corvan_options &options, double ppm,
                         const PeakList &peaks, double &mean_sites) {
    int charge = 0;
    Outcome done = single_charge(molecule, options, charge);
    Expected natural;
    if (done.ok()) done = expected_envelope(molecule, options, charge, {}, natural);
    if (!done.ok()) return done;
    const double observed = observed_centroid(natural, ppm, peaks);
    if (std::isnan(observed))
        return Outcome::failure(CORVAN_E_RANGE, "no peak of the spectrum lies where the "
                                                "molecule's envelope is expected");
    const double per_site =
        chem::isotopes_of(chem::element::H)[1].mass - chem::lightest_mass(chem::element::H);
    mean_sites = (observed - mean_mz(natural)) * std::abs(charge) / per_site;
    return Outcome::success();
}

} // namespace corvan::observed
