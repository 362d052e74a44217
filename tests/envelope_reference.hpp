// Independent references for the molecule layer's distributions: every
// isotopic composition multiplied out in long double as (share,
// share x mass) polynomials over extra neutrons, with the labels applied
// here from the isotope table, not by the library.
#pragma once

#include <cmath>
#include <map>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "corvan.h"

namespace envelope_reference {

struct Isotope {
    int mass_number;
    long double mass, share;
};

// Isotopes of atomic number z after `labels` ("15N" -> fraction).
inline std::vector<Isotope> isotopes(int z, const std::map<std::string, double> &labels) {
    std::vector<Isotope> list;
    for (int row = 0; row < dlen; ++row)
        if (isotope_numbers[row] == z)
            list.push_back({static_cast<int>(std::lround(isotope_masses[row])), isotope_masses[row],
                            isotope_abundances[row]});
    long double total = 0, labelled = 0, rest_natural = 0;
    for (auto &i : list) total += i.share;
    for (auto &i : list) i.share /= total;
    std::vector<bool> is_labelled(list.size(), false);
    for (std::size_t k = 0; k < list.size(); ++k) {
        const auto found = labels.find(std::to_string(list[k].mass_number) + element_names[z - 1]);
        if (found == labels.end()) continue;
        is_labelled[k] = true;
        labelled += found->second;
    }
    if (labelled == 0) return list;
    for (std::size_t k = 0; k < list.size(); ++k)
        if (!is_labelled[k]) rest_natural += list[k].share;
    for (std::size_t k = 0; k < list.size(); ++k) {
        const auto found = labels.find(std::to_string(list[k].mass_number) + element_names[z - 1]);
        list[k].share =
            is_labelled[k] ? found->second : (1 - labelled) * list[k].share / rest_natural;
    }
    return list;
}

struct Poly {
    std::vector<long double> share, moment; // moment: share-weighted mass
};

inline Poly multiply(const Poly &a, const Poly &b, std::size_t length) {
    Poly c{std::vector<long double>(length, 0), std::vector<long double>(length, 0)};
    for (std::size_t i = 0; i < a.share.size() && i < length; ++i) {
        if (a.share[i] == 0 && a.moment[i] == 0) continue;
        for (std::size_t j = 0; j < b.share.size() && i + j < length; ++j) {
            c.share[i + j] += a.share[i] * b.share[j];
            c.moment[i + j] += a.share[i] * b.moment[j] + a.moment[i] * b.share[j];
        }
    }
    return c;
}

inline Poly power(Poly base, long long count, std::size_t length) {
    Poly result{{1.0L}, {0.0L}};
    while (count > 0) {
        if (count & 1) result = multiply(result, base, length);
        count >>= 1;
        if (count > 0) base = multiply(base, base, length);
    }
    return result;
}

inline Poly element(const std::vector<Isotope> &list) {
    Poly p;
    for (const Isotope &i : list) {
        const std::size_t k = static_cast<std::size_t>(i.mass_number - list.front().mass_number);
        if (p.share.size() <= k) p.share.resize(k + 1, 0), p.moment.resize(k + 1, 0);
        p.share[k] += i.share;
        p.moment[k] += i.share * i.mass;
    }
    return p;
}

// Atoms as corvan_molecule_atoms lists them ("C", "13C"); counts whole.
inline Poly distribution(const std::vector<corvan_atom_count> &atoms,
                         const std::map<std::string, double> &labels, std::size_t length) {
    Poly total{{1.0L}, {0.0L}};
    for (const corvan_atom_count &atom : atoms) {
        std::string symbol = atom.symbol;
        std::size_t digits = 0;
        while (std::isdigit(static_cast<unsigned char>(symbol[digits]))) ++digits;
        int z = 0;
        for (int e = 0; e < 109; ++e)
            if (symbol.substr(digits) == element_names[e]) z = e + 1;
        std::vector<Isotope> list = isotopes(z, labels);
        if (digits > 0) { // one isotope: fixed, at position 0 of its own
            const int number = std::stoi(symbol.substr(0, digits));
            for (const Isotope &i : list)
                if (i.mass_number == number) list = {{number, i.mass, 1.0L}};
        }
        total = multiply(total, power(element(list), std::llround(atom.count), length), length);
    }
    return total;
}

// How many neutrons M (every atom of natural abundance its element's most
// abundant isotope after the labels) lies above the lightest composition,
// where distribution() puts k = 0.
inline long neutrons_to_m(const std::vector<corvan_atom_count> &atoms,
                          const std::map<std::string, double> &labels) {
    long shift = 0;
    for (const corvan_atom_count &atom : atoms) {
        if (std::isdigit(static_cast<unsigned char>(atom.symbol[0]))) continue; // fixed
        int z = 0;
        for (int e = 0; e < 109; ++e)
            if (std::string(atom.symbol) == element_names[e]) z = e + 1;
        const std::vector<Isotope> list = isotopes(z, labels);
        const Isotope *top = &list.front();
        for (const Isotope &i : list)
            if (i.share > top->share) top = &i;
        shift += std::lround(atom.count) * (top->mass_number - list.front().mass_number);
    }
    return shift;
}

// The atoms the library reads in a formula (a neutral molecule).
inline std::vector<corvan_atom_count> atoms_of(const std::string &formula) {
    corvan_molecule *m = nullptr;
    EXPECT_EQ(corvan_molecule_parse(CORVAN_KIND_FORMULA, formula.c_str(), &m, nullptr), CORVAN_OK)
        << formula;
    std::size_t count = 0;
    corvan_molecule_atoms(m, nullptr, 0, &count);
    std::vector<corvan_atom_count> atoms(count);
    corvan_molecule_atoms(m, atoms.data(), count, &count);
    corvan_molecule_free(m);
    return atoms;
}

} // namespace envelope_reference
