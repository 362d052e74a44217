// Averagine patterns by mass bin: bins 0.5% wide, where a peptide's pattern
// moves by far less than a measured one scatters.
#include "observed/model_patterns.hpp"

#include <algorithm>
#include <cmath>
#include <memory>

#include "corvan.h"

namespace corvan::observed {

namespace {

constexpr double kBinRatio = 1.005;
// Average over monoisotopic mass of averagine peptides.
constexpr double kAverageOverMonoisotopic = 1.000627;

struct MoleculeFree {
    void operator()(corvan_molecule *m) const { corvan_molecule_free(m); }
};
struct DistributionFree {
    void operator()(corvan_distribution *d) const { corvan_distribution_free(d); }
};

Outcome compute_pattern(double mass, std::vector<double> &pattern) {
    corvan_molecule *molecule = nullptr;
    corvan_error error{};
    const double average = std::max(mass * kAverageOverMonoisotopic, 120.0);
    if (corvan_molecule_from_mass(CORVAN_KIND_PEPTIDE, average, &molecule, &error) != CORVAN_OK)
        return Outcome::failure(error.status, error.message);
    const std::unique_ptr<corvan_molecule, MoleculeFree> owned_molecule(molecule);
    corvan_distribution *distribution = nullptr;
    if (corvan_distribution_compute(molecule, nullptr, &distribution, &error) != CORVAN_OK)
        return Outcome::failure(error.status, error.message);
    const std::unique_ptr<corvan_distribution, DistributionFree> owned(distribution);
    corvan_points points{};
    corvan_distribution_points(distribution, &points);
    std::size_t top = 0;
    for (std::size_t i = 0; i < points.count; ++i)
        if (points.intensities[i] > points.intensities[top]) top = i;
    pattern.clear();
    for (std::size_t i = 0; i < points.count && points.neutrons[i] >= 0; ++i) {
        if (i > top && points.intensities[i] < kPatternFloor) break;
        pattern.push_back(points.intensities[i]);
    }
    return Outcome::success();
}

} // namespace

Outcome ModelPatterns::get(double mass, const std::vector<double> *&pattern) {
    const long bin = std::lround(std::log(mass) / std::log(kBinRatio));
    auto found = bins_.find(bin);
    if (found == bins_.end()) {
        std::vector<double> computed;
        Outcome done = compute_pattern(std::pow(kBinRatio, static_cast<double>(bin)), computed);
        if (!done.ok()) return done;
        found = bins_.emplace(bin, std::move(computed)).first;
    }
    pattern = &found->second;
    return Outcome::success();
}

} // namespace corvan::observed
