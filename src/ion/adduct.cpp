#include "ion/adduct.hpp"

#include <string>

#include "core/text_scan.hpp"
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
        long long value = 0;
        std::size_t end = 1;
        if (!text::read_digits(number, end, kMaxCharge, value))
            return adduct_error(CORVAN_E_RANGE, "the charge is above 1000", text);
        if (end != number.size())
            return adduct_error(CORVAN_E_SYNTAX, "the charge is no whole number", text);
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

Outcome ion_error(int status, const std::string &what, std::string_view text, std::size_t at) {
    return Outcome::failure(status,
                            what + " at character " + std::to_string(at + 1) + " of the ion " +
                                quoted(text) + " (write it as [M+H]+, [M+H+Na]2+, [M-H2O+H]+)",
                            static_cast<long>(at));
}

// "2+", "+", "3-", "+." after the ']': the ion's charge; a radical's dot
// (or bullet) changes nothing, the electrons are counted by the charge.
Outcome read_ion_charge(std::string_view text, std::size_t at, int &charge) {
    long long value = 0;
    const std::size_t first = at;
    if (!text::read_digits(text, at, kMaxCharge, value))
        return ion_error(CORVAN_E_RANGE, "a charge above 1000", text, at);
    const bool digits = at > first;
    if (at >= text.size() || (text[at] != '+' && text[at] != '-'))
        return ion_error(CORVAN_E_CHARGE, "no charge sign after ']'", text, at);
    if (!digits) value = 1;
    if (value == 0) return ion_error(CORVAN_E_CHARGE, "a neutral ion", text, at);
    charge = static_cast<int>(text[at] == '-' ? -value : value);
    const std::string_view rest = text.substr(at + 1);
    if (!rest.empty() && rest != "." && rest != "\xe2\x80\xa2")
        return ion_error(CORVAN_E_SYNTAX, "unexpected text after the charge", text, at + 1);
    return Outcome::success();
}

// One "+2Na" or "-H2O" term at `at` (its sign): the count times the
// formula, into gained or lost atoms.
Outcome read_ion_term(std::string_view text, std::size_t &at, std::size_t end, Carrier &carrier) {
    const bool gained = text[at] == '+';
    const std::size_t start = ++at;
    long long times = 0;
    if (!text::read_digits(text.substr(0, end), at, chem::kMaxTermCount, times))
        return ion_error(CORVAN_E_RANGE, "a count above 1000000000", text, start);
    if (at == start) times = 1;
    const std::size_t formula_end = text.find_first_of("+-", at);
    const std::size_t stop = formula_end < end ? formula_end : end;
    if (stop == at) return ion_error(CORVAN_E_SYNTAX, "no formula after the sign", text, at);
    chem::Composition atoms;
    Outcome read =
        chem::parse_formula(text.substr(at, stop - at), atoms, "ion", static_cast<long>(at));
    if (!read.ok()) return read;
    (gained ? carrier.atoms : carrier.lost).add(atoms, static_cast<double>(times));
    at = stop;
    return Outcome::success();
}

Outcome parse_whole_ion(std::string_view text, Carrier &carrier) {
    const std::size_t close = text.find(']');
    if (close == std::string_view::npos)
        return ion_error(CORVAN_E_SYNTAX, "unclosed bracket", text, 0);
    std::size_t at = 1;
    if (at < close && text::is_digit(text[at]))
        return ion_error(CORVAN_E_UNSUPPORTED, "several molecules in one ion ('2M')", text, at);
    if (at >= close || text[at] != 'M')
        return ion_error(CORVAN_E_SYNTAX, "expected 'M' after '['", text, at);
    Carrier parsed;
    parsed.whole_ion = true;
    for (++at; at < close;) {
        if (text[at] != '+' && text[at] != '-')
            return ion_error(CORVAN_E_SYNTAX, "expected '+' or '-'", text, at);
        Outcome term = read_ion_term(text, at, close, parsed);
        if (!term.ok()) return term;
    }
    Outcome charge = read_ion_charge(text, close + 1, parsed.charge);
    if (!charge.ok()) return charge;
    carrier = std::move(parsed);
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
    if (text.front() == '[') return parse_whole_ion(text, carrier);
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

Outcome count_carriers_refused(int charge, const Carrier &carrier) {
    int carriers = 0;
    if (!charge_in_range(charge))
        return Outcome::failure(CORVAN_E_RANGE,
                                "charge " + std::to_string(charge) + " is beyond +-1000");
    Outcome counted = carrier_count(charge, carrier.charge, carriers);
    if (!counted.ok()) return counted;
    if (carrier.whole_ion && carriers != 1)
        return Outcome::failure(CORVAN_E_CHARGE, "an ion written as [M...] has its own charge " +
                                                     std::to_string(carrier.charge) + ", not " +
                                                     std::to_string(charge));
    return Outcome::failure(CORVAN_E_INTERNAL, "count_carriers refused a charge it takes");
}

namespace {

// ion_parts_counted, inline in ion_parts.
[[gnu::always_inline]] inline Outcome parts_counted(const chem::Composition &molecule, int charge,
                                                    int carriers, const Carrier &carrier,
                                                    bool carriers_kept, Ion &ion,
                                                    const chem::Composition *&own) {
    const bool unchanged = keeps_molecule(carriers, carrier);
    own = unchanged ? &molecule : &ion.molecule;
    if (!unchanged) ion.molecule.assign(molecule);
    if (!carriers_kept) {
        if (carriers > 0)
            ion.carriers.assign_scaled(carrier.atoms, carriers);
        else
            ion.carriers.clear();
    }
    if (carriers > 0) {
        if (!unchanged) ion.molecule.add(carrier.lost, -carriers);
    } else if (carriers < 0)
        ion.molecule.add(carrier.atoms, carriers);
    const int negative = own->first_negative_element();
    if (negative >= 0)
        return Outcome::failure(CORVAN_E_RANGE,
                                "charge " + std::to_string(charge) + " removes more " +
                                    chem::element_symbol(negative) + " than the molecule has");
    return Outcome::success();
}

} // namespace

Outcome ion_parts_counted(const chem::Composition &molecule, int charge, int carriers,
                          const Carrier &carrier, bool carriers_kept, Ion &ion,
                          const chem::Composition *&own) {
    return parts_counted(molecule, charge, carriers, carrier, carriers_kept, ion, own);
}

Outcome ion_parts(const chem::Composition &molecule, int charge, const Carrier &carrier, Ion &ion,
                  const chem::Composition *&own) {
    int carriers = 0;
    if (!count_carriers(charge, carrier, carriers)) return count_carriers_refused(charge, carrier);
    return parts_counted(molecule, charge, carriers, carrier, false, ion, own);
}

Outcome ion_composition(const chem::Composition &molecule, int charge, const Carrier &carrier,
                        Ion &ion) {
    const chem::Composition *own = nullptr;
    Outcome made = ion_parts(molecule, charge, carrier, ion, own);
    if (own == &molecule) ion.molecule.assign(molecule);
    return made;
}

} // namespace corvan::ion
