#include "labels/element_pattern.hpp"

#include <cmath>

#include "core/weighted.hpp"
#include "molecule/elements.hpp"

namespace corvan::labels {

std::array<double, kMostIsotopes> labelled_shares(int element, const LabelSet &labels) {
    const auto isotopes = chem::isotopes_of(element);
    std::array<double, kMostIsotopes> shares;
    shares.fill(-1.0);
    double labelled = 0, unlabelled_natural = 0;
    for (std::size_t i = 0; i < isotopes.size(); ++i)
        for (const Label &label : labels.all())
            if (label.element == element && label.mass_number == isotopes[i].mass_number) {
                shares[i] = label.fraction;
                labelled += label.fraction;
            }
    for (std::size_t i = 0; i < isotopes.size(); ++i)
        if (shares[i] < 0) unlabelled_natural += isotopes[i].abundance;
    const double rest = labelled < 1 ? 1 - labelled : 0;
    for (std::size_t i = 0; i < isotopes.size(); ++i)
        if (shares[i] < 0)
            shares[i] =
                unlabelled_natural > 0 ? rest * isotopes[i].abundance / unlabelled_natural : 0;
    return shares;
}

double ElementPattern::mean_position() const {
    return weighted_mean(shares, positions, size);
}

double ElementPattern::variance() const {
    return weighted_variance(shares, positions, size);
}

double ElementPattern::average_mass() const {
    double mass = 0;
    for (std::size_t i = 0; i < size; ++i)
        mass += shares[i] * (lightest_mass + positions[i] + defects[i]);
    return mass;
}

double ElementPattern::log_moment(double lambda) const {
    double sum = 0;
    for (std::size_t i = 0; i < size; ++i) sum += shares[i] * std::exp(lambda * positions[i]);
    return std::log(sum);
}

std::size_t ElementPattern::most_abundant() const {
    std::size_t top = 0;
    for (std::size_t i = 1; i < size; ++i)
        if (shares[i] > shares[top]) top = i;
    return top;
}

namespace {

ElementPattern build_pattern(int element, const LabelSet &labels) {
    const auto isotopes = chem::isotopes_of(element);
    const bool labelled = labels.labels_element(element);
    std::array<double, kMostIsotopes> shares{};
    if (labelled) shares = labelled_shares(element, labels);
    ElementPattern pattern;
    pattern.lightest_mass = isotopes.front().mass;
    double total = 0;
    for (std::size_t i = 0; i < isotopes.size() && i < kMostIsotopes; ++i) {
        const double share = labelled ? shares[i] : isotopes[i].abundance;
        if (!(share > 0)) continue;
        const int position = isotopes[i].mass_number - isotopes.front().mass_number;
        pattern.positions[pattern.size] = position;
        pattern.shares[pattern.size] = share;
        pattern.defects[pattern.size] = isotopes[i].mass - isotopes.front().mass - position;
        ++pattern.size;
        total += share;
    }
    // The table's abundances of an element add up to 1 only to its last
    // digit; the pattern is a probability distribution exactly.
    for (std::size_t i = 0; i < pattern.size; ++i) pattern.shares[i] /= total;
    return pattern;
}

// Every element's natural pattern, made once from the read-only table.
const std::array<ElementPattern, chem::kElementCount> &natural_patterns() {
    static const auto patterns = [] {
        std::array<ElementPattern, chem::kElementCount> all{};
        const LabelSet none;
        for (int element = 0; element < chem::kElementCount; ++element)
            all[static_cast<std::size_t>(element)] = build_pattern(element, none);
        return all;
    }();
    return patterns;
}

} // namespace

const ElementPattern &natural_pattern(int element) {
    return natural_patterns()[static_cast<std::size_t>(element)];
}

ElementPattern element_pattern(int element, const LabelSet &labels) {
    if (!labels.labels_element(element)) return natural_pattern(element);
    return build_pattern(element, labels);
}

} // namespace corvan::labels
