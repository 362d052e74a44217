#include "molecule/pure_isotopes.hpp"

namespace corvan::chem {

const PureIsotope *find_pure_isotope(std::string_view symbol) {
    for (int i = 0; i < kPureIsotopeCount; ++i)
        if (symbol == kPureIsotopes[i].symbol) return &kPureIsotopes[i];
    return nullptr;
}

const PureIsotope *find_pure_isotope(int element, int mass_number) {
    for (int i = 0; i < kPureIsotopeCount; ++i)
        if (kPureIsotopes[i].element == element && kPureIsotopes[i].mass_number == mass_number)
            return &kPureIsotopes[i];
    return nullptr;
}

} // namespace corvan::chem
