#include "molecule/averaging_units.hpp"

#include <cmath>
#include <string>

#include "core/numbers.hpp"

namespace corvan::chem {

namespace {

using namespace element;

Composition unit_composition(const AveragingUnit &unit) {
    Composition composition;
    composition.add_natural(C, unit.c);
    composition.add_natural(H, unit.h);
    composition.add_natural(N, unit.n);
    composition.add_natural(O, unit.o);
    composition.add_natural(P, unit.p);
    composition.add_natural(S, unit.s);
    return composition;
}

double natural_average_mass(const Composition &composition) {
    double mass = 0;
    for (int element = 0; element < kElementCount; ++element) {
        const double count = composition.natural[static_cast<std::size_t>(element)];
        if (count == 0) continue;
        double element_mass = 0, total = 0;
        for (const Isotope &isotope : isotopes_of(element)) {
            element_mass += isotope.abundance * isotope.mass;
            total += isotope.abundance;
        }
        mass += count * element_mass / total;
    }
    return mass;
}

} // namespace

Outcome composition_by_mass(int kind, double mass, Composition &composition) {
    const AveragingUnit *unit = kind == CORVAN_KIND_PEPTIDE ? &kPeptideUnit
                                : kind == CORVAN_KIND_RNA   ? &kRnaUnit
                                : kind == CORVAN_KIND_DNA   ? &kDnaUnit
                                                            : nullptr;
    if (unit == nullptr)
        return Outcome::failure(CORVAN_E_ARGUMENT,
                                "a molecule by mass is a peptide, an RNA or a DNA");
    const Composition one = unit_composition(*unit);
    const double unit_mass = natural_average_mass(one);
    // Less than one unit is no molecule of the kind: its counts would be
    // fractions of single atoms.
    if (!(std::isfinite(mass) && mass >= unit_mass && mass <= kMaxMoleculeMass))
        return Outcome::failure(
            CORVAN_E_RANGE, "the mass " + text::number(mass) +
                                " Da is outside the range of a molecule by mass: from one " +
                                "averaging unit (" + text::fixed(unit_mass, 4) + " Da) to 1e9 Da");
    composition = Composition{};
    composition.add(one, mass / unit_mass);
    return Outcome::success();
}

} // namespace corvan::chem
