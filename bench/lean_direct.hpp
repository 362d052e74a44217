// The yardstick for small molecules: the simplest fast code for one CHNOS
// molecule's points and masses to 1e-9 of the highest, written for the
// measurement alone. Each element's series of log P and D / P (D: shares
// times defects) made once; per molecule their sum by counts, one
// exponential of it by recurrence, the mass moment in the same pass, up to
// where the summed shares leave less than 1e-13. Fixed arrays, no
// allocation.
#pragma once

#include <algorithm>
#include <array>
#include <cmath>
#include <vector>

namespace bench {

class LeanDirect {
  public:
    static constexpr int kLongest = 64;
    struct Isotope {
        int position;
        double share, defect; // defect: mass - lightest mass - position
    };
    struct Element {
        double lightest = 0;
        std::vector<Isotope> isotopes; // lightest first, the most abundant
    };

    explicit LeanDirect(const std::array<Element, 5> &table) {
        for (int e = 0; e < 5; ++e) {
            const auto &iso = table[e].isotopes;
            lightest_[e] = table[e].lightest;
            for (const Isotope &i : iso) mean_[e] += i.share * i.position;
            for (const Isotope &i : iso)
                variance_[e] += i.share * (i.position - mean_[e]) * (i.position - mean_[e]);
            log_first_[e] = std::log(iso[0].share);
            double *l = log_[e], *v = moment_[e];
            l[0] = v[0] = 0;
            for (int k = 1; k < kLongest; ++k) {
                double a = 0, b = 0;
                for (std::size_t i = 1; i < iso.size() && iso[i].position <= k; ++i) {
                    const int x = iso[i].position;
                    const double u = iso[i].share / iso[0].share;
                    a += (x == k ? k : -(k - x) * l[k - x]) * u;
                    b += (x == k ? iso[i].defect : -v[k - x]) * u;
                }
                l[k] = a / k, v[k] = b;
            }
        }
    }

    // Points k = 0..length-1 above the lightest composition: share[k] and
    // mass[k]. Returns the length.
    int run(const std::array<int, 5> &atoms, double *share, double *mass) const {
        double mean = 0, variance = 0;
        for (int e = 0; e < 5; ++e)
            mean += atoms[e] * mean_[e], variance += atoms[e] * variance_[e];
        const int length =
            std::min(kLongest, static_cast<int>(mean + 8 * std::sqrt(variance) + 12));
        double s[kLongest] = {}, w[kLongest] = {}, first = 0, lightest = 0;
        for (int e = 0; e < 5; ++e) {
            const double n = atoms[e];
            first += n * log_first_[e], lightest += n * lightest_[e];
            for (int k = 1; k < length; ++k) s[k] += n * k * log_[e][k], w[k] += n * moment_[e][k];
        }
        share[0] = std::exp(first), mass[0] = lightest;
        double summed = share[0];
        int k = 1;
        for (; k < length && summed < 1 - 1e-13; ++k) {
            double q = 0, m = 0;
            for (int j = 1; j <= k; ++j) q += s[j] * share[k - j], m += w[j] * share[k - j];
            share[k] = q / k, summed += share[k];
            mass[k] = lightest + k + m / share[k];
        }
        return k;
    }

  private:
    double lightest_[5], log_first_[5], mean_[5] = {}, variance_[5] = {};
    double log_[5][kLongest], moment_[5][kLongest];
};

} // namespace bench
