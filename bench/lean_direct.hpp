// The yardstick for small molecules: the simplest fast code for one CHNOS
// molecule's points and masses to 1e-9 of the highest, written for the
// measurement alone. Per element the count distribution by a recurrence
// (binomial for two isotopes, the power-series recurrence for more),
// elements joined by direct convolution, fixed arrays, no allocation.
#pragma once

#include <algorithm>
#include <array>
#include <cmath>
#include <vector>

namespace bench {

class LeanDirect {
  public:
    static constexpr int kLongest = 256;
    struct Isotope {
        int position;
        double share, defect; // defect: mass - lightest mass - position
    };
    struct Element {
        double lightest = 0;
        std::vector<Isotope> isotopes; // lightest first, the most abundant
    };

    explicit LeanDirect(std::array<Element, 5> table) : elements_(std::move(table)) {}

    // Points k = 0..length-1 above the lightest composition: share[k] and
    // mass[k] (NaN where the share is 0). Returns the length.
    int run(const std::array<int, 5> &atoms, double *share, double *mass) {
        double mean = 0, variance = 0, lightest = 0;
        for (int e = 0; e < 5; ++e) {
            double m = 0, v = 0;
            for (const Isotope &i : elements_[e].isotopes) m += i.share * i.position;
            for (const Isotope &i : elements_[e].isotopes)
                v += i.share * (i.position - m) * (i.position - m);
            mean += atoms[e] * m, variance += atoms[e] * v;
            lightest += atoms[e] * elements_[e].lightest;
        }
        const int length =
            std::min(kLongest, static_cast<int>(std::ceil(mean + 6 * std::sqrt(variance) + 8)));
        double t[kLongest] = {1}, m[kLongest] = {0};
        int used = 1;
        for (int e = 0; e < 5; ++e) {
            if (atoms[e] == 0) continue;
            const auto &iso = elements_[e].isotopes;
            const double n = atoms[e];
            // g = P^(n-1) by k a0 g_k = sum_j ((n - 1 + 1) x_j - k) a_j g_(k - x_j).
            double g[kLongest], q[kLongest] = {}, r[kLongest] = {};
            g[0] = std::pow(iso[0].share, n - 1);
            for (int k = 1; k < length; ++k) {
                double sum = 0;
                for (std::size_t j = 1; j < iso.size() && iso[j].position <= k; ++j)
                    sum += (n * iso[j].position - k) * iso[j].share * g[k - iso[j].position];
                g[k] = std::max(0.0, sum / (k * iso[0].share));
            }
            // P^n = g P, its moment n g D.
            for (const Isotope &i : iso)
                for (int k = i.position; k < length; ++k) {
                    q[k] += i.share * g[k - i.position];
                    r[k] += n * i.share * i.defect * g[k - i.position];
                }
            double t2[kLongest], m2[kLongest];
            for (int k = 0; k < length; ++k) {
                double s = 0, w = 0;
                for (int i = 0; i <= std::min(k, used - 1); ++i)
                    s += t[i] * q[k - i], w += m[i] * q[k - i] + t[i] * r[k - i];
                t2[k] = s, m2[k] = w;
            }
            std::copy(t2, t2 + length, t), std::copy(m2, m2 + length, m);
            used = length;
        }
        for (int k = 0; k < length; ++k) {
            share[k] = t[k];
            mass[k] = t[k] > 0 ? lightest + k + m[k] / t[k] : NAN;
        }
        return length;
    }

  private:
    std::array<Element, 5> elements_;
};

} // namespace bench
