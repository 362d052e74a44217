// Both readings of an envelope (its charge and the other one) are laid on
// the union of their points: each rung from the one below M on, at either
// charge, one point per peak. On each point the other envelopes put their
// fitted heights (their shares). Peak picking reports a centroid of two
// points closer than the peak width at the apex of their sum, so a shared
// peak holds at least the larger point and at most both: what the reading
// puts there is judged against that range, [intensity - others, intensity],
// and a peak no envelope but the reading explains must match it. A reading's
// height is the one that brings its points nearest their ranges; its
// residual is what is left outside them over all the points (a peak at the
// other reading's point that neither it nor a neighbour explains counts
// against it). A shared peak allows a reading but does not prove it: the
// other reading must also fit the peaks the neighbours hold little of at
// least as well, and hold enough of them.
#include "observed/joint_charge.hpp"

#include <algorithm>
#include <array>
#include <optional>

#include "observed/deisotope.hpp"
#include "observed/expected_envelope.hpp"
#include "observed/similarity.hpp"

namespace corvan::observed {

namespace {

// The other reading must leave at most this share of the squared residual.
constexpr double kClearlyLess = 0.5;
// A rung whose own window holds no peak may fall into a neighbour's
// centroid this many tolerances away (peak picking merges points 15 to 35
// ppm apart into one between them).
constexpr double kMergedWiden = 3.5;
// A reading's evidence is the peaks it holds mostly alone (the others put
// less than this share there); on shared peaks any reading fits.
constexpr double kOwnPeak = 0.5;
// Iterations of the height fit (each moves it nearer the best).
constexpr int kFitRounds = 30;

struct Point {
    std::size_t peak = kNoPeak;
    double observed = 0;
    double others = 0; // the other envelopes' heights there
    std::array<double, 2> height{0, 0};

    double low() const { return std::max(0.0, observed - others); }
    double fitted(double put) const { return std::clamp(put, low(), observed); }
};

struct Reading {
    int charge = 0;
    const std::vector<double> *pattern = nullptr;
    double scale = 0, residual = 0, score = 0;
    double own_residual = 0; // the residual on points other envelopes hold less than half of
    std::size_t matched = 0;
    std::size_t own = 0; // matched points on peaks the other envelopes hold less than half of
};

// The peak of the rung at `mz`: in its window, or else a neighbour's
// centroid within the widened window.
std::size_t rung_peak(const PeakList &peaks, const std::vector<double> &others, double mz,
                      double ppm) {
    const std::size_t near = strongest_near(peaks, mz, ppm);
    if (near != kNoPeak) return near;
    const std::size_t merged = strongest_near(peaks, mz, kMergedWiden * ppm);
    return merged != kNoPeak && others[merged] > 0 ? merged : kNoPeak;
}

// Kept from envelope to envelope with its buffers.
class Region {
  public:
    Region(const PeakList &peaks, const std::vector<double> &others, double ppm)
        : peaks_(peaks), others_(others), ppm_(ppm) {}

    void clear() { points_.clear(); }

    // Lays reading `r` (M at `mono`) on the points, the rung below M first.
    void lay(std::size_t r, double mono, const Reading &reading) {
        const double step = kAveragineSpacing / reading.charge;
        const std::vector<double> &pattern = *reading.pattern;
        for (std::size_t k = 0; k <= pattern.size(); ++k) {
            const double mz = mono + (static_cast<double>(k) - 1) * step;
            Point &point = at(rung_peak(peaks_, others_, mz, ppm_));
            point.height[r] = k == 0 ? 0 : pattern[k - 1];
        }
    }

    // Fits reading `r`'s height and scores it.
    void fit(std::size_t r, Reading &reading) {
        double norm = 0, scale = 0;
        for (const Point &p : points_) norm += p.height[r] * p.height[r];
        if (!(norm > 0)) return;
        for (const Point &p : points_) scale += p.height[r] * p.low();
        scale /= norm;
        for (int round = 0; round < kFitRounds; ++round) {
            double sum = 0;
            for (const Point &p : points_) sum += p.height[r] * p.fitted(scale * p.height[r]);
            scale = sum / norm;
        }
        reading.scale = scale;
        reading.residual = 0, reading.own_residual = 0, reading.matched = 0, reading.own = 0;
        expected_.clear(), observed_.clear();
        for (const Point &p : points_) {
            const double put = scale * p.height[r], fitted = p.fitted(put);
            const bool shared = p.others >= kOwnPeak * p.observed && p.others > 0;
            reading.residual += (fitted - put) * (fitted - put);
            if (!shared) reading.own_residual += (fitted - put) * (fitted - put);
            expected_.push_back(p.height[r]);
            observed_.push_back(fitted);
            const bool matched = p.height[r] > 0 && p.peak != kNoPeak && p.observed > 0 &&
                                 p.observed >= kMatchedShare * put;
            reading.matched += matched;
            reading.own += matched && !shared;
        }
        reading.score = cosine(expected_, observed_);
    }

    // The reading's share: its fitted height on each of its points' peaks.
    EnvelopeShare share(std::size_t r, double scale) const {
        EnvelopeShare share;
        for (const Point &p : points_)
            if (p.peak != kNoPeak && p.height[r] > 0) {
                share.peak.push_back(p.peak);
                share.height.push_back(scale * p.height[r]);
            }
        return share;
    }

  private:
    Point &at(std::size_t peak) {
        if (peak != kNoPeak)
            for (Point &p : points_)
                if (p.peak == peak) return p;
        Point &p = points_.emplace_back();
        p.peak = peak;
        if (peak != kNoPeak) p.observed = peaks_.intensity[peak], p.others = others_[peak];
        return p;
    }

    const PeakList &peaks_;
    const std::vector<double> &others_;
    double ppm_;
    std::vector<Point> points_;
    std::vector<double> expected_, observed_;
};

void add(const EnvelopeShare &share, double sign, std::vector<double> &total) {
    for (std::size_t k = 0; k < share.peak.size(); ++k)
        total[share.peak[k]] += sign * share.height[k];
}

// The charges an envelope of `charge` may be reread at: twice and three
// times it, within the settings. (A reading lower than the seed's is kept
// by the seed's own test of the points between its rungs.)
std::vector<int> other_charges(int charge, const corvan_deisotope_settings &settings) {
    std::vector<int> charges;
    for (int times : {2, 3})
        if (times * charge <= settings.max_charge) charges.push_back(times * charge);
    return charges;
}

// How much less `other` leaves than `current` when it explains the region
// clearly better and is an envelope deisotoping keeps, else none.
std::optional<double> gain(const Reading &other, const Reading &current,
                           const corvan_deisotope_settings &settings) {
    if (!(other.scale > 0 && current.residual > 0 &&
          other.residual <= kClearlyLess * current.residual &&
          other.own_residual <= current.own_residual && other.score >= settings.min_score &&
          other.own >= static_cast<std::size_t>(settings.min_peaks)))
        return std::nullopt;
    return other.residual / current.residual;
}

// Whether the other reading may explain the region better at all: its M+1
// (between the first reading's M and M+1) needs a peak.
bool worth_reading(const PeakList &peaks, double ppm, double mono, int other) {
    return strongest_near(peaks, mono + kAveragineSpacing / other, kMergedWiden * ppm) != kNoPeak;
}

// The two readings fitted on their region; `share` set to the other's.
Outcome compare(ModelPatterns &models, double mono, Region &region,
                std::array<Reading, 2> &readings, EnvelopeShare &share) {
    for (Reading &reading : readings) {
        Outcome done = models.get((mono - proton_mass()) * reading.charge, reading.pattern);
        if (!done.ok()) return done;
    }
    region.clear();
    for (std::size_t r = 0; r < readings.size(); ++r) region.lay(r, mono, readings[r]);
    for (std::size_t r = 0; r < readings.size(); ++r) region.fit(r, readings[r]);
    share = region.share(1, readings[1].scale);
    return Outcome::success();
}

} // namespace

Outcome reread_charges(const PeakList &peaks, const corvan_deisotope_settings &settings,
                       ModelPatterns &models, std::vector<corvan_found_envelope> &found,
                       std::vector<EnvelopeShare> &shares) {
    std::vector<double> others(peaks.size(), 0.0);
    for (const EnvelopeShare &share : shares) add(share, 1, others);
    Region region(peaks, others, settings.ppm);
    for (std::size_t i = 0; i < found.size(); ++i) {
        corvan_found_envelope &envelope = found[i];
        const double mono = envelope.monoisotopic_mz;
        add(shares[i], -1, others);
        std::optional<double> best;
        Reading chosen;
        EnvelopeShare share;
        for (int charge : other_charges(envelope.charge, settings)) {
            if (!worth_reading(peaks, settings.ppm, mono, charge)) continue;
            std::array<Reading, 2> readings;
            readings[0].charge = envelope.charge, readings[1].charge = charge;
            Outcome done = compare(models, mono, region, readings, share);
            if (!done.ok()) return done;
            const std::optional<double> better = gain(readings[1], readings[0], settings);
            if (better && (!best || *better < *best)) {
                best = better, chosen = readings[1];
                shares[i] = std::move(share);
            }
        }
        if (best) {
            envelope.charge = chosen.charge;
            envelope.monoisotopic_mass = (mono - proton_mass()) * chosen.charge;
            envelope.intensity = chosen.scale, envelope.score = chosen.score;
            envelope.peaks = chosen.matched;
        }
        add(shares[i], 1, others);
    }
    return Outcome::success();
}

} // namespace corvan::observed
