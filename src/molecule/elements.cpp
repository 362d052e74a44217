#include "molecule/elements.hpp"

#include <array>
#include <cctype>
#include <cmath>
#include <vector>

#include "corvan.h"
#include "molecule/pure_isotopes.hpp"

namespace corvan::chem {

namespace {

struct IsotopeIndex {
    std::vector<Isotope> rows;
    std::array<std::size_t, kElementCount + 1> first{};
};

IsotopeIndex build_index() {
    IsotopeIndex index;
    index.rows.reserve(static_cast<std::size_t>(dlen));
    for (int element = 0; element < kElementCount; ++element) {
        index.first[static_cast<std::size_t>(element)] = index.rows.size();
        for (int row = 0; row < dlen; ++row)
            if (isotope_numbers[row] == element + 1)
                index.rows.push_back({row, static_cast<int>(std::lround(isotope_masses[row])),
                                      isotope_masses[row], isotope_abundances[row]});
    }
    index.first[kElementCount] = index.rows.size();
    return index;
}

// Built once from the read-only table; immutable afterwards.
const IsotopeIndex &isotope_index() {
    static const IsotopeIndex index = build_index();
    return index;
}

} // namespace

std::span<const Isotope> isotopes_of(int index) {
    if (index < 0 || index >= kElementCount) return {};
    const IsotopeIndex &all = isotope_index();
    const std::size_t begin = all.first[static_cast<std::size_t>(index)];
    const std::size_t end = all.first[static_cast<std::size_t>(index) + 1];
    return {all.rows.data() + begin, end - begin};
}

int element_index(std::string_view symbol) {
    // Symbols have one or two letters: compared in place, without strlen,
    // as every formula term and every ProForma name looks one up.
    if (symbol.empty() || symbol.size() > 2) return -1;
    const char second = symbol.size() == 2 ? symbol[1] : '\0';
    for (int index = 0; index < kElementCount; ++index) {
        const char *name = element_names[index];
        if (name[0] == symbol[0] && name[1] == second && (second == '\0' || name[2] == '\0'))
            return index;
    }
    return -1;
}

int symbol_length(std::string_view text) {
    if (text.empty() || !std::isupper(static_cast<unsigned char>(text[0]))) return 0;
    return text.size() > 1 && std::islower(static_cast<unsigned char>(text[1])) ? 2 : 1;
}

const char *element_symbol(int index) {
    return index >= 0 && index < kElementCount ? element_names[index] : "?";
}

double lightest_mass(int index) {
    static const auto masses = [] {
        std::array<double, kElementCount> lightest{};
        for (int element = 0; element < kElementCount; ++element)
            lightest[static_cast<std::size_t>(element)] = isotopes_of(element).front().mass;
        return lightest;
    }();
    return masses[static_cast<std::size_t>(index)];
}

bool has_natural_composition(int index) {
    const int z = index + 1;
    const bool unstable = z == 43 || z == 61 || (z >= 84 && z <= 89) || z >= 93;
    return index >= 0 && index < kElementCount && !unstable;
}

const Isotope *find_isotope(int index, int mass_number) {
    for (const Isotope &isotope : isotopes_of(index))
        if (isotope.mass_number == mass_number) return &isotope;
    return nullptr;
}

const Isotope *fixed_isotope(int index, int mass_number) {
    if (const Isotope *natural = find_isotope(index, mass_number)) return natural;
    // The pure isotopes as isotope rows, built once; immutable afterwards.
    static const std::vector<Isotope> pure = [] {
        std::vector<Isotope> rows;
        for (int i = 0; i < kPureIsotopeCount; ++i)
            rows.push_back({-1, kPureIsotopes[i].mass_number, kPureIsotopes[i].mass, 0.0});
        return rows;
    }();
    const PureIsotope *found = find_pure_isotope(index, mass_number);
    return found == nullptr ? nullptr : &pure[static_cast<std::size_t>(found - kPureIsotopes)];
}

} // namespace corvan::chem
