#include "fragments/ion_series.hpp"

#include <string>

#include "ion/adduct.hpp"

namespace corvan::fragments {

namespace {

Outcome type_error(std::string_view text, std::size_t at, const std::string &what) {
    return Outcome::failure(CORVAN_E_SYNTAX,
                            what + " at character " + std::to_string(at + 1) + " of the types " +
                                quoted(text) + " (letters a b c x y z w, a-B, immonium)",
                            static_cast<long>(at));
}

unsigned letter_bit(char c) {
    for (const Series &series : kSeries)
        if (series.name[1] == '\0' && series.name[0] == c) return series.bit;
    return 0;
}

// Reads one signed whole number at `at`; false when there is none.
bool read_charge(std::string_view text, std::size_t &at, long &value) {
    const bool negative = at < text.size() && text[at] == '-';
    if (negative || (at < text.size() && text[at] == '+')) ++at;
    const std::size_t digits = at;
    value = 0;
    while (at < text.size() && text[at] >= '0' && text[at] <= '9' && value <= ion::kMaxCharge)
        value = value * 10 + (text[at++] - '0');
    if (at == digits) return false;
    if (negative) value = -value;
    return true;
}

} // namespace

Outcome parse_types(std::string_view text, unsigned &types) {
    types = 0;
    std::size_t at = 0;
    while (at < text.size()) {
        const std::string_view rest = text.substr(at);
        if (rest.starts_with("a-B")) {
            types |= CORVAN_ION_A_BASE;
            at += 3;
        } else if (rest.starts_with("immonium")) {
            types |= CORVAN_ION_IMMONIUM;
            at += 8;
        } else if (const unsigned bit = letter_bit(text[at])) {
            types |= bit;
            ++at;
        } else if (text[at] != ',' && text[at] != ' ') {
            return type_error(text, at, "unknown ion type " + quoted(text.substr(at, 1)));
        } else {
            ++at;
        }
    }
    if (types == 0) return type_error(text, 0, "no ion type");
    return Outcome::success();
}

Outcome parse_charges(std::string_view text, int &low, int &high) {
    const auto syntax = [&](std::size_t at) {
        return Outcome::failure(CORVAN_E_SYNTAX,
                                "expected a charge at character " + std::to_string(at + 1) +
                                    " of the charges " + quoted(text) +
                                    " (\"2\", \"1-3\", \"-1\", \"-3..-1\")",
                                static_cast<long>(at));
    };
    std::size_t at = 0;
    long first = 0, last = 0;
    if (!read_charge(text, at, first)) return syntax(at);
    last = first;
    if (at < text.size()) {
        if (text.substr(at).starts_with(".."))
            at += 2;
        else if (text[at] == '-')
            ++at;
        else
            return syntax(at);
        if (!read_charge(text, at, last)) return syntax(at);
        if (at < text.size()) return syntax(at);
    }
    const auto range = [&](const std::string &why) {
        return Outcome::failure(CORVAN_E_RANGE, "the charges " + quoted(text) + " " + why);
    };
    if (first > ion::kMaxCharge || last > ion::kMaxCharge || first < -ion::kMaxCharge ||
        last < -ion::kMaxCharge)
        return range("go beyond 1000");
    if (first == 0 || last == 0 || (first < 0) != (last < 0))
        return range("hold 0 (fragments are ions: give charges of one sign)");
    if (first > last) return range("run from high to low");
    low = static_cast<int>(first);
    high = static_cast<int>(last);
    return Outcome::success();
}

} // namespace corvan::fragments
