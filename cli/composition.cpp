#include "composition.hpp"

#include <algorithm>
#include <cmath>
#include <limits>

#include "corvan.h"

namespace cli {

namespace {

constexpr int kElements = CORVAN_ELEMENT_COUNT;
constexpr int kCarbon = 5, kHydrogen = 0;
constexpr int kSimpleAtomicNumbers[5] = {6, 1, 7, 8, 16}; // the C, H, N, O, S columns

struct Isotope {
    double mass;
    double abundance;
};

std::vector<Isotope> isotopes_of(int atomic_number) {
    std::vector<Isotope> found;
    for (int row = 0; row < dlen; ++row)
        if (isotope_numbers[row] == atomic_number)
            found.push_back({isotope_masses[row], isotope_abundances[row]});
    return found;
}

Composition from_simple_list(const int list[5]) {
    Composition composition;
    for (int column = 0; column < 5; ++column)
        composition.counts[kSimpleAtomicNumbers[column] - 1] = list[column];
    return composition;
}

// A truncated pattern: weight[k] is the abundance of step k, moment[k] the
// abundance-weighted mass summed over the compositions in step k.
struct Pattern {
    std::vector<double> weight, moment;
};

Pattern unit_pattern(int length) {
    Pattern unit{std::vector<double>(length, 0.0), std::vector<double>(length, 0.0)};
    unit.weight[0] = 1.0;
    return unit;
}

// Both arrays are divided by the same factor: a mean mass is a ratio, and
// large counts would otherwise underflow.
void rescale(Pattern &pattern) {
    const double largest = *std::max_element(pattern.weight.begin(), pattern.weight.end());
    if (!(largest > 0)) return;
    for (std::size_t k = 0; k < pattern.weight.size(); ++k) {
        pattern.weight[k] /= largest;
        pattern.moment[k] /= largest;
    }
}

Pattern combine(const Pattern &a, const Pattern &b) {
    const std::size_t length = a.weight.size();
    Pattern product{std::vector<double>(length, 0.0), std::vector<double>(length, 0.0)};
    for (std::size_t i = 0; i < length; ++i) {
        if (a.weight[i] == 0 && a.moment[i] == 0) continue;
        for (std::size_t j = 0; i + j < length; ++j) {
            product.weight[i + j] += a.weight[i] * b.weight[j];
            product.moment[i + j] += a.moment[i] * b.weight[j] + a.weight[i] * b.moment[j];
        }
    }
    rescale(product);
    return product;
}

Pattern element_pattern(const std::vector<Isotope> &isotopes, int length) {
    Pattern pattern{std::vector<double>(length, 0.0), std::vector<double>(length, 0.0)};
    for (const Isotope &isotope : isotopes) {
        const long step = std::lround(isotope.mass - isotopes.front().mass);
        if (step >= length) continue;
        pattern.weight[step] += isotope.abundance;
        pattern.moment[step] += isotope.abundance * isotope.mass;
    }
    return pattern;
}

Pattern power(Pattern base, long long exponent, int length) {
    Pattern result = unit_pattern(length);
    for (; exponent > 0; exponent >>= 1) {
        if (exponent & 1) result = combine(result, base);
        if (exponent > 1) base = combine(base, base);
    }
    return result;
}

} // namespace

std::optional<Composition> formula_composition(const std::string &formula) {
    int counts[kElements];
    if (atom_formula_to_vector(formula.c_str(), counts) != 0) return std::nullopt;
    Composition composition;
    std::copy(counts, counts + kElements, composition.counts.begin());
    return composition;
}

Composition peptide_composition(const std::string &sequence) {
    int list[5] = {};
    pep_seq_to_fftlist(sequence.c_str(), list);
    return from_simple_list(list);
}

Composition rna_composition(const std::string &sequence) {
    int list[5] = {};
    rna_seq_to_fftlist(sequence.c_str(), list);
    return from_simple_list(list);
}

std::string hill_formula(const Composition &composition) {
    std::vector<std::pair<std::string, long long>> terms;
    for (int element = 0; element < kElements; ++element)
        if (composition.counts[element] != 0)
            terms.emplace_back(element_names[element], composition.counts[element]);
    const bool has_carbon = composition.counts[kCarbon] != 0;
    auto rank = [&](const std::string &symbol) {
        if (has_carbon && symbol == "C") return 0;
        if (has_carbon && symbol == element_names[kHydrogen]) return 1;
        return 2;
    };
    std::sort(terms.begin(), terms.end(), [&](const auto &a, const auto &b) {
        return std::make_pair(rank(a.first), a.first) < std::make_pair(rank(b.first), b.first);
    });
    std::string text;
    for (const auto &[symbol, count] : terms)
        text += symbol + (count == 1 ? "" : std::to_string(count));
    return text;
}

double monoisotopic_mass(const Composition &composition) {
    static const std::vector<double> lightest = [] {
        std::vector<double> masses(kElements);
        for (int element = 0; element < kElements; ++element)
            masses[element] = isotopes_of(element + 1).front().mass;
        return masses;
    }();
    double mass = 0;
    for (int element = 0; element < kElements; ++element)
        if (composition.counts[element] != 0)
            mass += static_cast<double>(composition.counts[element]) * lightest[element];
    return mass;
}

std::vector<PeakMass> peak_masses(const Composition &composition, int count) {
    Pattern total = unit_pattern(count);
    long long nominal = 0;
    for (int element = 0; element < kElements; ++element) {
        const long long atoms = composition.counts[element];
        if (atoms <= 0) continue;
        const auto isotopes = isotopes_of(element + 1);
        nominal += atoms * std::llround(isotopes.front().mass);
        total = combine(total, power(element_pattern(isotopes, count), atoms, count));
    }
    std::vector<PeakMass> peaks(count);
    for (int k = 0; k < count; ++k) {
        peaks[k].nominal = nominal + k;
        peaks[k].mean = total.weight[k] > 0 ? total.moment[k] / total.weight[k]
                                            : std::numeric_limits<double>::quiet_NaN();
    }
    return peaks;
}

} // namespace cli
