#include "spectrum/ion_atoms.hpp"

#include <cmath>
#include <cstdlib>
#include <string>

#include "core/weighted.hpp"
#include "molecule/elements.hpp"

namespace corvan::spectrum {

double AtomGroup::mean_mass() const {
    return weighted_mean(shares, masses, size);
}

double AtomGroup::mass_variance() const {
    return weighted_variance(shares, masses, size);
}

double IonAtoms::to_mz(double mass) const {
    if (charge == 0) return mass;
    return mass / std::abs(charge);
}

namespace {

AtomGroup make_group(int element, long long count, const std::array<double, kMaxIsotopes> &shares) {
    const auto isotopes = chem::isotopes_of(element);
    AtomGroup group;
    group.element = element;
    group.count = count;
    double total = 0;
    for (std::size_t i = 0; i < isotopes.size() && i < kMaxIsotopes; ++i) {
        if (!(shares[i] > 0)) continue;
        group.masses[group.size] = isotopes[i].mass;
        group.shares[group.size] = shares[i];
        total += shares[i];
        ++group.size;
    }
    // The table's abundances add up to 1 only to their last digit; the
    // group is a probability distribution exactly.
    for (std::size_t i = 0; i < group.size; ++i) group.shares[i] /= total;
    return group;
}

bool same_isotopes(const AtomGroup &a, const AtomGroup &b) {
    return a.size == b.size && a.masses == b.masses && a.shares == b.shares;
}

std::array<double, kMaxIsotopes> natural_shares(int element) {
    std::array<double, kMaxIsotopes> shares{};
    const auto isotopes = chem::isotopes_of(element);
    for (std::size_t i = 0; i < isotopes.size() && i < kMaxIsotopes; ++i)
        shares[i] = isotopes[i].abundance;
    return shares;
}

Outcome whole_count(double count, int element, long long &whole) {
    if (!std::isfinite(count) || count != std::floor(count) || std::fabs(count) > 4e18)
        return Outcome::failure(CORVAN_E_UNSUPPORTED,
                                std::string("fine structure needs whole atom counts (") +
                                    chem::element_symbol(element) + ")");
    whole = static_cast<long long>(count);
    return Outcome::success();
}

double fixed_mass(const chem::Composition &composition, double times) {
    double mass = 0;
    for (const chem::FixedIsotope &atom : composition.fixed)
        mass += times * atom.count * chem::fixed_isotope(atom.element, atom.mass_number)->mass;
    return mass;
}

} // namespace

Outcome ion_atoms(const chem::Composition &molecule, const chem::Composition &carrier, int carriers,
                  int charge, const labels::LabelSet &labels, IonAtoms &result) {
    result = IonAtoms{};
    result.charge = charge;
    result.fixed_mass =
        fixed_mass(molecule, 1) + fixed_mass(carrier, carriers) - charge * CORVAN_ELECTRON_MASS;
    // Room for every group at once: an element gives at most two.
    std::size_t present = 0;
    for (std::size_t index = 0; index < chem::kElementCount; ++index)
        present += molecule.natural[index] != 0 || carrier.natural[index] != 0 ? 2 : 0;
    result.groups.reserve(present);
    for (int element = 0; element < chem::kElementCount; ++element) {
        const auto index = static_cast<std::size_t>(element);
        if (molecule.natural[index] == 0 && carrier.natural[index] == 0) continue;
        long long own = 0, added = 0;
        Outcome whole = whole_count(molecule.natural[index], element, own);
        if (whole.ok()) whole = whole_count(carrier.natural[index] * carriers, element, added);
        if (!whole.ok()) return whole;
        if (added < 0) own += added, added = 0;
        if (own < 0)
            return Outcome::failure(CORVAN_E_RANGE,
                                    "charge " + std::to_string(charge) + " removes more " +
                                        chem::element_symbol(element) + " than the molecule has");
        if (own > 0)
            result.groups.push_back(
                make_group(element, own, labels::labelled_shares(element, labels)));
        if (added == 0) continue;
        AtomGroup carried = make_group(element, added, natural_shares(element));
        // Unlabelled atoms of the molecule and the carrier draw alike: one
        // group, which reaches each composition once.
        if (own > 0 && same_isotopes(result.groups.back(), carried))
            result.groups.back().count += added;
        else
            result.groups.push_back(carried);
    }
    for (const chem::FixedIsotope &atom : molecule.fixed)
        if (atom.count < 0 && molecule.element_total(atom.element) < 0)
            return Outcome::failure(CORVAN_E_RANGE, "an element total falls below zero");
    return Outcome::success();
}

} // namespace corvan::spectrum
