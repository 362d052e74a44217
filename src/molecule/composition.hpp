// A molecule's atoms: per element, the atoms of natural (or labelled)
// abundance, and separately the atoms fixed to one isotope. Counts are
// reals, so that averaging units can be scaled continuously.
#pragma once

#include <array>
#include <bit>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "molecule/elements.hpp"

namespace corvan::chem {

struct FixedIsotope {
    int element;     // element index
    int mass_number; // which isotope
    double count;
};

// A set of element indices, one bit each, visited in ascending order.
class ElementSet {
  public:
    void insert(int element) {
        words_[static_cast<std::size_t>(element) / 64] |= std::uint64_t{1} << (element % 64);
    }
    ElementSet &operator|=(const ElementSet &other) {
        for (std::size_t w = 0; w < kWords; ++w) words_[w] |= other.words_[w];
        return *this;
    }
    bool contains(int element) const {
        return (words_[static_cast<std::size_t>(element) / 64] >> (element % 64) & 1) != 0;
    }
    // The elements of this set that `other` lacks.
    ElementSet without(const ElementSet &other) const {
        ElementSet rest;
        for (std::size_t w = 0; w < kWords; ++w) rest.words_[w] = words_[w] & ~other.words_[w];
        return rest;
    }
    bool empty() const {
        for (std::uint64_t word : words_)
            if (word != 0) return false;
        return true;
    }
    template <class Visit> void for_each(Visit &&visit) const {
        for (std::size_t w = 0; w < kWords; ++w)
            for (std::uint64_t bits = words_[w]; bits != 0; bits &= bits - 1)
                visit(static_cast<int>(w * 64) + std::countr_zero(bits));
    }

  private:
    static constexpr std::size_t kWords = (kElementCount + 63) / 64;
    std::array<std::uint64_t, kWords> words_{};
};

struct Composition {
    std::array<double, kElementCount> natural{};
    std::vector<FixedIsotope> fixed; // kept sorted by (element, mass number)
    // Every element whose natural count add_natural or add has touched: a
    // count written back to 0 through `natural` keeps its element here, so
    // that loops over it, not over the whole table, see every element with
    // atoms of natural abundance. Writes through `natural` may only zero,
    // and through `fixed` only remove.
    ElementSet touched;
    // Whether a count below zero was ever added: without one no element can
    // fall below zero, and first_negative_element() need not look.
    bool negatives_added = false;

    void add_natural(int element, double count) {
        natural[static_cast<std::size_t>(element)] += count;
        touched.insert(element);
        negatives_added = negatives_added || count < 0;
    }
    // As a fresh Composition, keeping the room of `fixed`.
    void clear() {
        if (!touched.empty() || !fixed.empty()) clear_counts();
        negatives_added = false;
    }
    // As a copy of `other`, writing only the elements either has touched.
    void assign(const Composition &other);
    void add_fixed(int element, int mass_number, double count);
    // this += times * other
    void add(const Composition &other, double times);
    // As clear() then add(other, times), writing each count once.
    void assign_scaled(const Composition &other, double times);

    // Every atom of the element, natural and fixed.
    double element_total(int element) const;
    // The first element whose total is below zero, or -1.
    int first_negative_element() const;
    bool empty() const;

  private:
    void clear_counts();
};

// `times` waters (H2O), natural.
void add_water(Composition &composition, double times);

// Masses from the isotope table, without labels: every atom its fixed or
// lightest isotope.
double monoisotopic_mass(const Composition &composition);

// Sum of the mass numbers of the monoisotopic composition (every atom of
// natural abundance its element's most abundant isotope, fixed atoms their
// own); nothing for fractional counts, an element without a natural
// composition, or a sum beyond 10^15.
std::optional<long long> nominal_mass(const Composition &composition);

// Hill order text that the formula parser reads back ("C6H12O6",
// "[13C6]H12O6"); fractional counts with up to 4 decimals.
std::string hill_formula(const Composition &composition);

struct AtomEntry {
    std::string symbol; // "C" or "13C"
    double count;
};
std::vector<AtomEntry> hill_atoms(const Composition &composition);

} // namespace corvan::chem
