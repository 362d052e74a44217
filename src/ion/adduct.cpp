#include "ion/adduct.hpp"

#include <cctype>
#include <string>

#include "molecule/formula_parser.hpp"

namespace corvan::ion {

namespace {

Outcome adduct_error(int status, const std::string &what, std::string_view text) {
    return Outcome::failure(status, what + " in the adduct " + quoted(text) +
                                        " (write it as H+, Na+, NH4+, Cl- or FORMULA:z+N)");
}

// Splits "Na+", "Ca++", "Cl-" and "Fe:z+2" into formula and charge.
Outcome split_charge(std::string_view text, std::string_view &formula, int &charge) {
    const std::size_t colon = text.find(":z");
    if (colon != std::string_view::npos) {
        const std::string_view number = text.substr(colon + 2);
        if (number.size() < 2 || (number[0] != '+' && number[0] != '-'))
            return adduct_error(CORVAN_E_SYNTAX, "no signed charge after ':z'", text);
        long value = 0;
        for (std::size_t i = 1; i < number.size(); ++i) {
            if (!std::isdigit(static_cast<unsigned char>(number[i])))
                return adduct_error(CORVAN_E_SYNTAX, "the charge is no whole number", text);
            if ((value = value * 10 + (number[i] - '0')) > kMaxCharge)
                return adduct_error(CORVAN_E_RANGE, "the charge is above 1000", text);
        }
        formula = text.substr(0, colon);
        charge = static_cast<int>(number[0] == '-' ? -value : value);
        return Outcome::success();
    }
    std::size_t end = text.size();
    const char sign = end > 0 ? text[end - 1] : ' ';
    if (sign != '+' && sign != '-')
        return adduct_error(CORVAN_E_CHARGE, "no charge (a trailing + or -)", text);
    int signs = 0;
    while (end > 0 && text[end - 1] == sign) --end, ++signs;
    formula = text.substr(0, end);
    charge = sign == '-' ? -signs : signs;
    return Outcome::success();
}

} // namespace

Carrier proton() {
    Carrier carrier;
    carrier.atoms.add_natural(chem::element::H, 1);
    carrier.charge = 1;
    return carrier;
}

Outcome parse_carrier(std::string_view text, Carrier &carrier) {
    if (text.empty()) text = "H+";
    std::string_view formula;
    int charge = 0;
    Outcome split = split_charge(text, formula, charge);
    if (!split.ok()) return split;
    if (charge == 0) return adduct_error(CORVAN_E_CHARGE, "a neutral carrier", text);
    Carrier parsed;
    parsed.charge = charge;
    Outcome atoms = chem::parse_formula(formula, parsed.atoms, "adduct");
    if (!atoms.ok()) return atoms;
    if (parsed.atoms.first_negative_element() >= 0 || parsed.atoms.empty())
        return adduct_error(CORVAN_E_RANGE, "a carrier with no atoms or fewer than zero", text);
    carrier = std::move(parsed);
    return Outcome::success();
}

Outcome ion_composition(const chem::Composition &molecule, int charge, const Carrier &carrier,
                        Ion &ion) {
    if (charge < -kMaxCharge || charge > kMaxCharge)
        return Outcome::failure(CORVAN_E_RANGE,
                                "charge " + std::to_string(charge) + " is beyond +-1000");
    if (charge % carrier.charge != 0)
        return Outcome::failure(CORVAN_E_CHARGE, "charge " + std::to_string(charge) +
                                                     " is no whole number of carriers of charge " +
                                                     std::to_string(carrier.charge));
    const int carriers = charge / carrier.charge;
    ion.molecule = molecule;
    ion.carriers.natural.fill(0);
    ion.carriers.fixed.clear();
    if (carriers > 0)
        ion.carriers.add(carrier.atoms, carriers);
    else if (carriers < 0)
        ion.molecule.add(carrier.atoms, carriers);
    const int negative = ion.molecule.first_negative_element();
    if (negative >= 0)
        return Outcome::failure(CORVAN_E_RANGE,
                                "charge " + std::to_string(charge) + " removes more " +
                                    chem::element_symbol(negative) + " than the molecule has");
    return Outcome::success();
}

} // namespace corvan::ion
