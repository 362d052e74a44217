#include "molecule/composition.hpp"

#include <algorithm>
#include <cmath>

#include "core/numbers.hpp"

namespace corvan::chem {

namespace {

constexpr int kCarbon = 5, kHydrogen = 0;

// Hill order of element indices: C and H first when carbon is present,
// then the symbols alphabetically.
std::vector<int> hill_order(bool has_carbon) {
    std::vector<int> order;
    for (int element = 0; element < kElementCount; ++element) order.push_back(element);
    std::sort(order.begin(), order.end(), [&](int a, int b) {
        auto rank = [&](int e) {
            return has_carbon ? (e == kCarbon ? 0 : e == kHydrogen ? 1 : 2) : 2;
        };
        if (rank(a) != rank(b)) return rank(a) < rank(b);
        return std::string_view(element_symbol(a)) < std::string_view(element_symbol(b));
    });
    return order;
}

std::string count_text(double count) {
    return text::count(count);
}

} // namespace

void Composition::add_fixed(int element, int mass_number, double count) {
    auto place = std::lower_bound(fixed.begin(), fixed.end(), FixedIsotope{element, mass_number, 0},
                                  [](const FixedIsotope &a, const FixedIsotope &b) {
                                      return a.element != b.element ? a.element < b.element
                                                                    : a.mass_number < b.mass_number;
                                  });
    if (place != fixed.end() && place->element == element && place->mass_number == mass_number)
        place->count += count;
    else
        fixed.insert(place, {element, mass_number, count});
    negatives_added = negatives_added || count < 0;
}

void Composition::clear_counts() {
    touched.for_each([&](int element) { natural[static_cast<std::size_t>(element)] = 0; });
    touched = ElementSet{};
    fixed.clear();
}

void Composition::assign(const Composition &other) {
    if (this == &other) return;
    touched.for_each([&](int element) { natural[static_cast<std::size_t>(element)] = 0; });
    other.touched.for_each([&](int element) {
        const auto index = static_cast<std::size_t>(element);
        natural[index] = other.natural[index];
    });
    touched = other.touched;
    fixed = other.fixed;
    negatives_added = other.negatives_added;
}

void Composition::add(const Composition &other, double times) {
    other.touched.for_each([&](int element) {
        const auto index = static_cast<std::size_t>(element);
        natural[index] += times * other.natural[index];
    });
    touched |= other.touched;
    negatives_added = negatives_added || other.negatives_added || times < 0;
    for (const FixedIsotope &isotope : other.fixed)
        add_fixed(isotope.element, isotope.mass_number, times * isotope.count);
}

void Composition::assign_scaled(const Composition &other, double times) {
    touched.without(other.touched).for_each([&](int element) {
        natural[static_cast<std::size_t>(element)] = 0;
    });
    other.touched.for_each([&](int element) {
        const auto index = static_cast<std::size_t>(element);
        natural[index] = 0.0 + times * other.natural[index]; // as 0 += product: no -0
    });
    touched = other.touched;
    fixed.clear();
    for (const FixedIsotope &isotope : other.fixed) // sorted and unique already
        fixed.push_back({isotope.element, isotope.mass_number, times * isotope.count});
    negatives_added = other.negatives_added || times < 0;
}

double Composition::element_total(int element) const {
    double total = natural[static_cast<std::size_t>(element)];
    for (const FixedIsotope &isotope : fixed)
        if (isotope.element == element) total += isotope.count;
    return total;
}

int Composition::first_negative_element() const {
    int first = -1;
    if (!negatives_added) return first;
    if (fixed.empty()) {
        touched.for_each([&](int element) {
            if (first < 0 && natural[static_cast<std::size_t>(element)] < 0) first = element;
        });
        return first;
    }
    ElementSet counted = touched;
    for (const FixedIsotope &isotope : fixed) counted.insert(isotope.element);
    counted.for_each([&](int element) {
        if (first < 0 && element_total(element) < 0) first = element;
    });
    return first;
}

bool Composition::empty() const {
    bool none = true;
    touched.for_each(
        [&](int element) { none = none && natural[static_cast<std::size_t>(element)] == 0; });
    if (!none) return false;
    for (const FixedIsotope &isotope : fixed)
        if (isotope.count != 0) return false;
    return true;
}

double monoisotopic_mass(const Composition &composition) {
    double mass = 0;
    composition.touched.for_each([&](int element) {
        const double count = composition.natural[static_cast<std::size_t>(element)];
        if (count != 0) mass += count * lightest_mass(element);
    });
    for (const FixedIsotope &isotope : composition.fixed)
        mass += isotope.count * fixed_isotope(isotope.element, isotope.mass_number)->mass;
    return mass;
}

namespace {

// Mass number of the element's most abundant natural isotope, 0 when it has none.
int most_abundant_mass_number(int element) {
    int mass_number = 0;
    double highest = 0;
    for (const Isotope &isotope : isotopes_of(element))
        if (isotope.abundance > highest) {
            highest = isotope.abundance;
            mass_number = isotope.mass_number;
        }
    return mass_number;
}

bool whole(double count) {
    return count == std::floor(count) && std::fabs(count) <= 1e12;
}

} // namespace

std::optional<long long> nominal_mass(const Composition &composition) {
    constexpr long long kLargest = 1'000'000'000'000'000;
    long long sum = 0;
    auto add = [&](double count, int mass_number) {
        if (!whole(count) || (count != 0 && mass_number == 0)) return false;
        sum += static_cast<long long>(count) * mass_number;
        return sum <= kLargest && sum >= -kLargest;
    };
    bool fits = true;
    composition.touched.for_each([&](int element) {
        const double count = composition.natural[static_cast<std::size_t>(element)];
        fits = fits && (count == 0 || add(count, most_abundant_mass_number(element)));
    });
    if (!fits) return std::nullopt;
    for (const FixedIsotope &isotope : composition.fixed)
        if (!add(isotope.count, isotope.mass_number)) return std::nullopt;
    return sum;
}

std::vector<AtomEntry> hill_atoms(const Composition &composition) {
    std::vector<AtomEntry> atoms;
    for (int element :
         hill_order(composition.element_total(kCarbon) != 0 || composition.natural[kCarbon] != 0)) {
        const double count = composition.natural[static_cast<std::size_t>(element)];
        if (count != 0) atoms.push_back({element_symbol(element), count});
        for (const FixedIsotope &isotope : composition.fixed)
            if (isotope.element == element && isotope.count != 0)
                atoms.push_back(
                    {std::to_string(isotope.mass_number) + element_symbol(element), isotope.count});
    }
    return atoms;
}

std::string hill_formula(const Composition &composition) {
    std::string text;
    for (const AtomEntry &atom : hill_atoms(composition)) {
        const bool isotope = std::isdigit(static_cast<unsigned char>(atom.symbol[0])) != 0;
        const std::string count = count_text(atom.count);
        if (isotope)
            text += "[" + atom.symbol + (count == "1" ? "" : count) + "]";
        else
            text += atom.symbol + (count == "1" ? "" : count);
    }
    return text;
}

void add_water(Composition &composition, double times) {
    composition.add_natural(element::H, 2 * times);
    composition.add_natural(element::O, times);
}

} // namespace corvan::chem
