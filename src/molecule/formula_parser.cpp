#include "molecule/formula_parser.hpp"

#include <array>
#include <string>

#include "core/numbers.hpp"
#include "core/text_cursor.hpp"
#include "molecule/pure_isotopes.hpp"

namespace corvan::chem {

namespace {

using text::is_digit;

constexpr int kMaxFormulaNesting = 32;              // parentheses within parentheses
constexpr std::string_view kMiddleDot = "\xc2\xb7"; // U+00B7 in UTF-8, as in CuSO4\u00b75H2O

class FormulaReader : text::Cursor {
  public:
    FormulaReader(std::string_view text, Composition &composition, std::string_view what, long base,
                  bool fractions)
        : Cursor(text, what, base, " of"), composition_(composition), fractions_(fractions) {}

    Outcome read() {
        skip_spaces();
        if (at_end()) return fail(CORVAN_E_SYNTAX, "empty " + std::string(noun()), -1);
        Outcome part = read_group(composition_, 0);
        while (part.ok() && !at_end()) part = read_hydrate();
        return part;
    }

  private:
    Composition &composition_;
    bool fractions_; // counts such as "4.9384", as molecules by mass write them

    void skip_spaces() {
        while (!at_end() && text_[pos_] == ' ') ++pos_;
    }

    // An optional signed count (1 when absent).
    Outcome read_count(double &count) {
        const std::size_t start = pos_;
        const bool negative = !at_end() && text_[pos_] == '-';
        if (negative) ++pos_;
        if (at_end() || !is_digit(text_[pos_])) {
            if (negative) return fail(CORVAN_E_SYNTAX, "'-' without a count", long(start));
            count = 1;
            return Outcome::success();
        }
        const std::size_t digits = pos_;
        long long value = 0;
        if (!text::read_digits(text_, pos_, kMaxTermCount, value))
            return fail(CORVAN_E_RANGE, "count above 1000000000", long(start));
        count = static_cast<double>(negative ? -value : value);
        const bool decimal =
            pos_ + 1 < text_.size() && text_[pos_] == '.' && is_digit(text_[pos_ + 1]);
        if (!decimal) return Outcome::success();
        if (!fractions_)
            return fail(CORVAN_E_SYNTAX,
                        "a decimal count (a hydrate with a count is written 'CuSO4*5H2O')",
                        long(start));
        while (++pos_ < text_.size() && is_digit(text_[pos_])) {
        }
        double read = 0;
        if (!text::read_number(text_.substr(digits, pos_ - digits), read))
            return fail(CORVAN_E_SYNTAX, "a count that is no decimal number", long(start));
        count = negative ? -read : read;
        return Outcome::success();
    }

    // `pure`, when not null, takes a symbol that names a pure isotope ("D",
    // "T") where no element has it ("Dy" and "Ti" stay elements); element
    // is then the isotope's element.
    Outcome read_symbol(int &element, const PureIsotope **pure) {
        const int length = symbol_length(text_.substr(pos_));
        if (length == 0) return unexpected();
        const std::string_view symbol = text_.substr(pos_, static_cast<std::size_t>(length));
        element = element_index(symbol);
        if (element < 0 && pure != nullptr && (*pure = find_pure_isotope(symbol)) != nullptr)
            element = (*pure)->element;
        if (element < 0)
            return fail(CORVAN_E_UNKNOWN, "unknown element '" + std::string(symbol) + "'",
                        long(pos_));
        pos_ += static_cast<std::size_t>(length);
        return Outcome::success();
    }

    // Terms up to the end, a ')' closing this group or a hydrate's separator.
    Outcome read_group(Composition &into, int depth) {
        const std::size_t start = pos_;
        skip_spaces();
        while (!at_end() && !at_hydrate_separator()) {
            const char c = text_[pos_];
            if (c == ')') {
                if (depth == 0) return fail(CORVAN_E_SYNTAX, "')' without '('", long(pos_));
                break;
            }
            Outcome term = c == '('   ? read_parenthesis(into, depth)
                           : c == '[' ? read_isotope_term(into)
                                      : read_element_term(into);
            if (!term.ok()) return term;
            skip_spaces();
        }
        if (pos_ == start)
            return at_end() ? fail(CORVAN_E_SYNTAX, "unexpected end", long(pos_)) : unexpected();
        return Outcome::success();
    }

    bool at_hydrate_separator() const {
        if (at_end()) return false;
        return text_[pos_] == '*' || text_[pos_] == '.' || text_.substr(pos_, 2) == kMiddleDot;
    }

    // "(OH)2": the group's atoms times the count; groups nest.
    Outcome read_parenthesis(Composition &into, int depth) {
        const std::size_t open = pos_++;
        if (depth + 1 > kMaxFormulaNesting)
            return fail(CORVAN_E_RANGE,
                        "parentheses nested deeper than " + std::to_string(kMaxFormulaNesting),
                        long(open));
        Composition inner;
        if (at_end()) return fail(CORVAN_E_SYNTAX, "unclosed parenthesis", long(open));
        if (text_[pos_] == ')') return fail(CORVAN_E_SYNTAX, "empty parentheses", long(open));
        Outcome group = read_group(inner, depth + 1);
        if (!group.ok()) return group;
        if (at_end() || text_[pos_] != ')')
            return fail(CORVAN_E_SYNTAX, "unclosed parenthesis", long(open));
        ++pos_;
        double count = 0;
        Outcome counted = read_count(count);
        if (!counted.ok()) return counted;
        into.add(inner, count);
        return Outcome::success();
    }

    // ".H2O", "*5H2O", "\u00b75H2O": a hydrate's water (or any part) times
    // its leading count, added to what came before.
    Outcome read_hydrate() {
        if (!at_hydrate_separator()) return unexpected();
        const std::size_t separator = pos_;
        pos_ += text_[pos_] == '*' || text_[pos_] == '.' ? 1 : kMiddleDot.size();
        const std::size_t digits = pos_;
        long long times = 0;
        if (!text::read_digits(text_, pos_, kMaxTermCount, times))
            return fail(CORVAN_E_RANGE, "count above 1000000000", long(separator + 1));
        if (pos_ == digits) times = 1;
        if (at_end() || text_[pos_] == ' ')
            return fail(CORVAN_E_SYNTAX, "nothing after the hydrate's separator", long(separator));
        Composition part;
        Outcome group = read_group(part, 0);
        if (!group.ok()) return group;
        composition_.add(part, static_cast<double>(times));
        return Outcome::success();
    }

    Outcome read_element_term(Composition &into) {
        int element = -1;
        const PureIsotope *pure = nullptr;
        Outcome symbol = read_symbol(element, &pure);
        if (!symbol.ok()) return symbol;
        double count = 0;
        Outcome counted = read_count(count);
        if (!counted.ok()) return counted;
        if (pure != nullptr)
            into.add_fixed(element, pure->mass_number, count);
        else
            into.add_natural(element, count);
        return Outcome::success();
    }

    Outcome read_isotope_term(Composition &into) {
        const std::size_t open = pos_++;
        if (at_end() || !is_digit(text_[pos_]))
            return at_end() ? fail(CORVAN_E_SYNTAX, "unclosed bracket", long(open))
                            : fail(CORVAN_E_SYNTAX, "expected a mass number", long(pos_));
        const std::size_t number_start = pos_;
        long long mass_number = 0;
        for (; !at_end() && is_digit(text_[pos_]); ++pos_)
            if ((mass_number = mass_number * 10 + (text_[pos_] - '0')) > 999)
                return fail(CORVAN_E_RANGE, "mass number above 999", long(number_start));
        if (at_end()) return fail(CORVAN_E_SYNTAX, "unclosed bracket", long(open));
        int element = -1;
        Outcome symbol = read_symbol(element, nullptr);
        if (!symbol.ok()) return symbol;
        if (fixed_isotope(element, static_cast<int>(mass_number)) == nullptr)
            return fail(CORVAN_E_UNKNOWN,
                        "no isotope " + std::to_string(mass_number) + element_symbol(element) +
                            " in the isotope table",
                        long(number_start));
        double count = 0;
        Outcome counted = read_count(count);
        if (!counted.ok()) return counted;
        // "[13C2O6": the bracket holds one isotope term, so anything but ']'
        // here means it was never closed.
        if (at_end() || text_[pos_] != ']')
            return fail(CORVAN_E_SYNTAX, "unclosed bracket", long(open));
        ++pos_;
        into.add_fixed(element, static_cast<int>(mass_number), count);
        return Outcome::success();
    }
};

} // namespace

Outcome parse_formula(std::string_view text, Composition &composition, std::string_view what,
                      long base) {
    return FormulaReader(text, composition, what, base, false).read();
}

namespace {

// Element index of each symbol of an element of natural composition, by
// capital letter and column (0 for a one-letter symbol, else 1 + the small
// letter); -1 for any other pair of letters. Built once, read-only.
constexpr int kSymbolColumns = 27;
using NaturalSymbols = std::array<signed char, 26 * kSymbolColumns>;

NaturalSymbols build_natural_symbols() {
    NaturalSymbols table;
    for (int first = 0; first < 26; ++first)
        for (int column = 0; column < kSymbolColumns; ++column) {
            const char second = column == 0 ? '\0' : static_cast<char>('a' + column - 1);
            const int element = element_index(static_cast<char>('A' + first), second);
            table[static_cast<std::size_t>(first * kSymbolColumns + column)] =
                static_cast<signed char>(has_natural_composition(element) ? element : -1);
        }
    return table;
}

const NaturalSymbols &natural_symbols() {
    static const NaturalSymbols table = build_natural_symbols();
    return table;
}

} // namespace

// One pass over the characters, without the grammar's branches; anything
// else (a space, a group, an isotope, a pure isotope's symbol, an unknown
// symbol or one without a natural composition, a sign, a decimal, a count
// beyond the limit, no atom at all) stops it, and the full reader then reads
// the text again, so that results and refusals are its own. One table read
// per symbol names its element and says it has a natural composition. The
// counts are written over what the composition held (an element's first
// count replaces, a repeated one adds), and only elements the text does not
// name are zeroed afterwards: no separate pass empties it first.
bool read_plain_molecule(std::string_view text, Composition &composition) {
    const NaturalSymbols &symbols = natural_symbols();
    ElementSet named;
    const char *at = text.data(), *const end = at + text.size();
    bool atoms = false, plain = true;
    while (at != end) {
        const auto row = static_cast<unsigned>(*at++ - 'A');
        if (row >= 26) {
            plain = false;
            break;
        }
        unsigned column = 0;
        if (at != end) {
            const auto small = static_cast<unsigned>(*at - 'a');
            if (small < 26) column = small + 1, ++at;
        }
        const int element = symbols[row * kSymbolColumns + column];
        if (element < 0) {
            plain = false;
            break;
        }
        long long count = 1;
        if (at != end && is_digit(*at)) {
            count = *at++ - '0';
            for (; at != end && is_digit(*at); ++at)
                if ((count = count * 10 + (*at - '0')) > kMaxTermCount) break;
            if (count > kMaxTermCount) {
                plain = false;
                break;
            }
        }
        const auto value = static_cast<double>(count);
        double &slot = composition.natural[static_cast<std::size_t>(element)];
        if (named.contains(element))
            slot += value;
        else
            slot = value, named.insert(element);
        atoms = atoms || count != 0;
    }
    if (!plain) { // counts written so far stay seen, so that clear() finds them
        composition.touched |= named;
        return false;
    }
    composition.touched.without(named).for_each(
        [&](int element) { composition.natural[static_cast<std::size_t>(element)] = 0; });
    composition.touched = named;
    composition.fixed.clear();
    composition.negatives_added = false;
    return atoms;
}

Outcome parse_molecule_formula(std::string_view text, Composition &composition) {
    if (read_plain_molecule(text, composition)) return Outcome::success();
    composition.clear();
    Outcome parsed = FormulaReader(text, composition, "formula", 0, true).read();
    if (!parsed.ok()) return parsed;
    const int negative = composition.first_negative_element();
    if (negative >= 0)
        return Outcome::failure(CORVAN_E_RANGE, "element " + std::string(element_symbol(negative)) +
                                                    " totals below zero in the formula " +
                                                    quoted(text));
    if (composition.empty())
        return Outcome::failure(CORVAN_E_RANGE, "the formula " + quoted(text) + " has no atoms");
    return Outcome::success();
}

} // namespace corvan::chem
