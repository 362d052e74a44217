#include "envelope/element_stats.hpp"

#include "envelope/element_bins.hpp"
#include "molecule/elements.hpp"

namespace corvan::envelope {

ElementStats element_stats(const labels::ElementPattern &pattern, int element) {
    ElementStats stats;
    stats.mean_position = pattern.mean_position();
    stats.variance = pattern.variance();
    stats.mean_defect = mean_defect(pattern);
    for (std::size_t i = 0; i < pattern.size; ++i)
        stats.defect_covariance += pattern.shares[i] *
                                   (pattern.positions[i] - stats.mean_position) *
                                   (pattern.defects[i] - stats.mean_defect);
    stats.lightest_mass = pattern.lightest_mass;
    stats.average_mass = pattern.average_mass();
    const std::size_t top = pattern.most_abundant();
    stats.top_mass = pattern.isotope_mass(top);
    stats.top_position = pattern.positions[top];
    stats.max_position = pattern.max_position();
    stats.several_isotopes = pattern.size >= 2;
    stats.reach_up = stats.max_position - stats.mean_position;
    stats.reach_down = stats.mean_position;
    stats.natural_composition = chem::has_natural_composition(element);
    for (std::size_t s = 0; s < kSlopeCount; ++s) {
        stats.slope_moments[s] = pattern.log_moment(kSlopes[s]);
        stats.slope_moments[kSlopeCount + s] = pattern.log_moment(-kSlopes[s]);
    }
    return stats;
}

const ElementStats &natural_stats(int element) {
    static const auto table = [] {
        std::array<ElementStats, chem::kElementCount> all{};
        for (int e = 0; e < chem::kElementCount; ++e)
            all[static_cast<std::size_t>(e)] = element_stats(labels::natural_pattern(e), e);
        return all;
    }();
    return table[static_cast<std::size_t>(element)];
}

} // namespace corvan::envelope
