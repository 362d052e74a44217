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

namespace {

// Element index by symbol: row the capital letter, column 0 for a
// one-letter symbol, else 1 + the small letter; -1 where none.
constexpr int kSymbolColumns = 27;
using SymbolTable = std::array<signed char, 26 * kSymbolColumns>;

SymbolTable build_symbol_table() {
    SymbolTable table;
    table.fill(-1);
    for (int index = 0; index < kElementCount; ++index) {
        const char *name = element_names[index];
        const int column = name[1] == '\0' ? 0 : 1 + (name[1] - 'a');
        table[static_cast<std::size_t>((name[0] - 'A') * kSymbolColumns + column)] =
            static_cast<signed char>(index);
    }
    return table;
}

} // namespace

// Every formula term and every ProForma name looks a symbol up: one table
// read, built once.
int element_index(char first, char second) {
    static const SymbolTable table = build_symbol_table();
    const int column = second == '\0' ? 0 : 1 + (second - 'a');
    return table[static_cast<std::size_t>((first - 'A') * kSymbolColumns + column)];
}

int element_index(std::string_view symbol) {
    if (symbol.empty() || symbol.size() > 2) return -1;
    const char first = symbol[0];
    const char second = symbol.size() == 2 ? symbol[1] : '\0';
    if (first < 'A' || first > 'Z' || (second != '\0' && (second < 'a' || second > 'z'))) return -1;
    return element_index(first, second);
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
