#include "labels/isotope_label.hpp"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <string>

#include "core/numbers.hpp"
#include "molecule/elements.hpp"

namespace corvan::labels {

namespace {

constexpr int kHydrogen = 0;

Outcome bad_isotope(std::string_view text) {
    return Outcome::failure(CORVAN_E_SYNTAX, "isotope " + quoted(text) +
                                                 " is not written as mass number and element "
                                                 "symbol (13C, 15N, 2H or D)");
}

// The element's labels must leave a fraction >= 0 for its other isotopes,
// and something to carry it when it is above 0.
Outcome check_element(const std::vector<Label> &labels, int element) {
    double labelled = 0, others = 0;
    for (const Label &label : labels)
        if (label.element == element) labelled += label.fraction;
    for (const chem::Isotope &isotope : chem::isotopes_of(element)) {
        const bool is_labelled = std::any_of(labels.begin(), labels.end(), [&](const Label &l) {
            return l.element == element && l.mass_number == isotope.mass_number;
        });
        if (!is_labelled) others += isotope.abundance;
    }
    const std::string symbol = chem::element_symbol(element);
    if (labelled > 1 + 1e-12)
        return Outcome::failure(CORVAN_E_LABEL,
                                "the labels of " + symbol + " add up to more than 1");
    if (labelled < 1 - 1e-12 && others <= 0)
        return Outcome::failure(CORVAN_E_LABEL, "the labels of " + symbol +
                                                    " leave a share that no other isotope of " +
                                                    symbol + " can take");
    return Outcome::success();
}

} // namespace

Outcome parse_isotope(std::string_view text, int &element, int &mass_number) {
    if (text == "D" || text == "T") {
        element = kHydrogen;
        mass_number = text == "D" ? 2 : 3;
    } else {
        std::size_t digits = 0;
        while (digits < text.size() && std::isdigit(static_cast<unsigned char>(text[digits])))
            ++digits;
        if (digits == 0 || digits > 3 || digits == text.size()) return bad_isotope(text);
        const std::string_view symbol = text.substr(digits);
        if (chem::symbol_length(symbol) != static_cast<int>(symbol.size()))
            return bad_isotope(text);
        element = chem::element_index(symbol);
        if (element < 0)
            return Outcome::failure(CORVAN_E_UNKNOWN, "unknown element '" + std::string(symbol) +
                                                          "' in the isotope " + quoted(text));
        mass_number = 0;
        for (std::size_t i = 0; i < digits; ++i) mass_number = mass_number * 10 + (text[i] - '0');
    }
    if (chem::find_isotope(element, mass_number) == nullptr)
        return Outcome::failure(CORVAN_E_UNKNOWN,
                                "no isotope " + quoted(text) + " in the isotope table");
    return Outcome::success();
}

bool LabelSet::labels_element(int element) const {
    return std::any_of(labels_.begin(), labels_.end(),
                       [&](const Label &label) { return label.element == element; });
}

Outcome LabelSet::set(std::string_view isotope, double fraction) {
    int element = -1, mass_number = 0;
    Outcome parsed = parse_isotope(isotope, element, mass_number);
    if (!parsed.ok()) return parsed;
    if (!(fraction >= 0 && fraction <= 1))
        return Outcome::failure(CORVAN_E_LABEL, "the fraction of " + quoted(isotope) +
                                                    " must be a number from 0 to 1");
    if (chem::isotopes_of(element).size() < 2)
        return Outcome::failure(CORVAN_E_LABEL, std::string(chem::element_symbol(element)) +
                                                    " has a single isotope: nothing to label");
    std::vector<Label> next = labels_;
    auto same = std::find_if(next.begin(), next.end(), [&](const Label &l) {
        return l.element == element && l.mass_number == mass_number;
    });
    if (same != next.end())
        return Outcome::failure(CORVAN_E_LABEL,
                                "the isotope " + quoted(isotope) + " is labelled twice (" +
                                    text::number(same->fraction) + ", then " +
                                    text::number(fraction) + "): give each isotope one label");
    next.push_back({element, mass_number, fraction});
    Outcome checked = check_element(next, element);
    if (!checked.ok()) return checked;
    labels_ = std::move(next);
    return Outcome::success();
}

Outcome LabelSet::parse(std::string_view text) {
    const std::size_t equals = text.find('=');
    if (equals == std::string_view::npos)
        return Outcome::failure(CORVAN_E_SYNTAX,
                                "label " + quoted(text) + " is not ISOTOPE=FRACTION (15N=0.98)");
    double fraction = 0;
    if (!text::read_number(text.substr(equals + 1), fraction))
        return Outcome::failure(
            CORVAN_E_SYNTAX, "the fraction in the label " + quoted(text) + " is not a plain number",
            static_cast<long>(equals + 1));
    return set(text.substr(0, equals), fraction);
}

} // namespace corvan::labels
