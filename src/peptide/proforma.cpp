#include "peptide/proforma.hpp"

#include <array>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

#include "core/numbers.hpp"
#include "core/text_scan.hpp"
#include "ion/adduct.hpp"
#include "labels/element_pattern.hpp"
#include "molecule/elements.hpp"
#include "molecule/formula_parser.hpp"
#include "peptide/unimod.hpp"

namespace corvan::peptide {

namespace {

// Element indices (atomic number - 1) of the residue table's columns.
constexpr std::array<int, 6> kColumns = {chem::element::C, chem::element::H, chem::element::N,
                                         chem::element::O, chem::element::S, chem::element::Se};

struct Residue {
    char letter;
    std::array<signed char, 6> atoms; // C H N O S Se, amino acid less one water
};

// The 20 standard residues, selenocysteine (U) and pyrrolysine (O).
constexpr std::array<Residue, 22> kResidues = {{
    {'A', {3, 5, 1, 1, 0, 0}},   {'C', {3, 5, 1, 1, 1, 0}},  {'D', {4, 5, 1, 3, 0, 0}},
    {'E', {5, 7, 1, 3, 0, 0}},   {'F', {9, 9, 1, 1, 0, 0}},  {'G', {2, 3, 1, 1, 0, 0}},
    {'H', {6, 7, 3, 1, 0, 0}},   {'I', {6, 11, 1, 1, 0, 0}}, {'K', {6, 12, 2, 1, 0, 0}},
    {'L', {6, 11, 1, 1, 0, 0}},  {'M', {5, 9, 1, 1, 1, 0}},  {'N', {4, 6, 2, 2, 0, 0}},
    {'O', {12, 19, 3, 2, 0, 0}}, {'P', {5, 7, 1, 1, 0, 0}},  {'Q', {5, 8, 2, 2, 0, 0}},
    {'R', {6, 12, 4, 1, 0, 0}},  {'S', {3, 5, 1, 2, 0, 0}},  {'T', {4, 7, 1, 2, 0, 0}},
    {'U', {3, 5, 1, 1, 0, 1}},   {'V', {5, 9, 1, 1, 0, 0}},  {'W', {11, 10, 2, 1, 0, 0}},
    {'Y', {9, 9, 1, 2, 0, 0}},
}};

const Residue *find_residue(char letter) {
    for (const Residue &residue : kResidues)
        if (residue.letter == letter) return &residue;
    return nullptr;
}

using text::is_digit;
using text::is_lower;
using text::is_upper;

char folded(char c) {
    return is_upper(c) ? static_cast<char>(c - 'A' + 'a') : c;
}

// `text` starts with `prefix`, ignoring ASCII case.
bool starts_with_folded(std::string_view text, std::string_view prefix) {
    if (text.size() < prefix.size()) return false;
    for (std::size_t i = 0; i < prefix.size(); ++i)
        if (folded(text[i]) != folded(prefix[i])) return false;
    return true;
}

// A quick test, without messages, that rules out most names ("Oxidation")
// as formulas: element symbols with optional counts, and isotope brackets.
bool could_be_formula(std::string_view text) {
    for (std::size_t i = 0; i < text.size();) {
        const char c = text[i];
        if (c == '[' || c == ']' || c == ' ' || c == '-' || is_digit(c)) {
            ++i;
            continue;
        }
        const int length = chem::symbol_length(text.substr(i));
        if (length == 0 ||
            chem::element_index(text.substr(i, static_cast<std::size_t>(length))) < 0)
            return false;
        i += static_cast<std::size_t>(length);
    }
    return true;
}

// A fixed modification of a global "<[mod]@...>" block: where it applies.
struct FixedModification {
    chem::Composition atoms;
    std::string residues; // residue letters
    bool n_term = false, c_term = false;
    char n_term_residue = 0, c_term_residue = 0; // "N-term:Q": only before Q (0: any)
};

struct IsotopeLabel {
    int element;
    int mass_number;
};

class ProformaReader {
  public:
    ProformaReader(std::string_view text, chem::Composition &composition,
                   std::vector<ResidueAtoms> *residues = nullptr)
        : text_(text), composition_(composition), residues_(residues) {}

    Outcome read(int &charge) {
        composition_ = chem::Composition{};
        if (text_.empty()) return Outcome::failure(CORVAN_E_SYNTAX, "empty peptide");
        Outcome step = read_globals();
        if (step.ok()) step = read_n_terminus();
        if (step.ok()) step = read_residues();
        if (step.ok()) step = read_c_terminus();
        if (step.ok()) step = read_charge(charge);
        if (step.ok() && !at_end()) step = unexpected();
        if (!step.ok()) return step;
        return finish();
    }

  private:
    std::string_view text_;
    chem::Composition &composition_;
    std::size_t pos_ = 0;
    std::string sequence_;
    std::vector<FixedModification> fixed_;
    std::vector<IsotopeLabel> labels_;
    std::vector<ResidueAtoms> *residues_; // null unless the caller wants them

    bool at_end() const { return pos_ >= text_.size(); }
    char peek() const { return at_end() ? '\0' : text_[pos_]; }

    Outcome fail(int status, const std::string &message, long position) const {
        std::string text = message;
        text += position >= 0 ? " at character " + std::to_string(position + 1) + " of"
                              : std::string(" in");
        text += " the peptide " + quoted(text_);
        return Outcome::failure(status, text, position);
    }

    // A character where none of the supported notation may stand; ProForma
    // constructs that this reader does not take are named.
    Outcome unexpected() const {
        const long at = static_cast<long>(pos_);
        switch (peek()) {
        case '?':
            return fail(CORVAN_E_UNSUPPORTED, "modifications of unknown position ('?')", at);
        case '^':
            return fail(CORVAN_E_UNSUPPORTED, "occurrence counts ('^')", at);
        case '(':
            return fail(CORVAN_E_UNSUPPORTED, "ambiguous ranges and names in parentheses", at);
        case '{':
            return fail(CORVAN_E_UNSUPPORTED, "labile modifications ('{...}')", at);
        case '+':
            return fail(CORVAN_E_UNSUPPORTED, "several peptides in one text ('+')", at);
        case '/':
            return fail(CORVAN_E_UNSUPPORTED, "cross-linked chains ('//')", at);
        case ']':
            return fail(CORVAN_E_SYNTAX, "']' without '['", at);
        default:
            break;
        }
        const char c = peek();
        const std::string shown =
            c >= ' ' && c < 127 ? quoted({&c, 1}) : "byte " + std::to_string(c & 0xff);
        return fail(CORVAN_E_SYNTAX, "unexpected " + shown, at);
    }

    // The offset of the ']' that closes the '[' at `open` (brackets nest), or npos.
    std::size_t closing_bracket(std::size_t open) const {
        int depth = 0;
        for (std::size_t i = open; i < text_.size(); ++i) {
            if (text_[i] == '[') ++depth;
            if (text_[i] == ']' && --depth == 0) return i;
        }
        return std::string_view::npos;
    }

    // ---- modifications -------------------------------------------------

    // Reads the "[...]" at pos_ and adds its atoms to `atoms`.
    Outcome read_modification(chem::Composition &atoms) {
        const std::size_t open = pos_;
        const std::size_t close = closing_bracket(open);
        if (close == std::string_view::npos)
            return fail(CORVAN_E_SYNTAX, "unclosed bracket", static_cast<long>(open));
        pos_ = close + 1;
        // Alternatives "a|b": INFO tags are comments; one other part defines.
        std::size_t start = open + 1, defining = std::string_view::npos;
        std::size_t defining_end = 0;
        for (std::size_t i = start, depth = 0; i <= close; ++i) {
            const char c = text_[i];
            if (c == '[') ++depth;
            if (c == ']' && i < close) --depth;
            if ((c == '|' && depth == 0) || i == close) {
                if (!starts_with_folded(text_.substr(start, i - start), "INFO:")) {
                    if (defining != std::string_view::npos)
                        return fail(CORVAN_E_UNSUPPORTED,
                                    "alternative modifications ('|') in one bracket",
                                    static_cast<long>(start));
                    defining = start;
                    defining_end = i;
                }
                start = i + 1;
            }
        }
        if (defining == std::string_view::npos) return Outcome::success(); // comments only
        return read_definition(defining, defining_end - defining, atoms);
    }

    Outcome read_definition(std::size_t at, std::size_t length, chem::Composition &atoms) {
        const std::string_view part = text_.substr(at, length);
        const long where = static_cast<long>(at);
        if (part.empty()) return fail(CORVAN_E_SYNTAX, "empty brackets", where - 1);
        if (part.find('#') != std::string_view::npos)
            return fail(CORVAN_E_UNSUPPORTED, "cross-link, branch and ambiguity labels ('#')",
                        where + static_cast<long>(part.find('#')));
        if (starts_with_folded(part, "Formula:")) return read_formula(at + 8, length - 8, atoms);
        if (starts_with_folded(part, "UNIMOD:")) return read_accession(at + 7, length - 7, atoms);
        if (starts_with_folded(part, "U:")) {
            if (looks_like_mass(part.substr(2))) return refuse_mass(at + 2, length - 2);
            return read_name(at + 2, length - 2, atoms);
        }
        if (starts_with_folded(part, "Obs:")) return refuse_mass(at + 4, length - 4);
        for (std::string_view other :
             {"M:", "R:", "X:", "G:", "MOD:", "RESID:", "XLMOD:", "GNO:", "Glycan:", "XL:"})
            if (starts_with_folded(part, other))
                return fail(CORVAN_E_UNSUPPORTED,
                            quoted(other) + " modifications (only Unimod names and accessions, "
                                            "and formulas, are read)",
                            where);
        if (looks_like_mass(part)) return refuse_mass(at, length);
        return read_name_or_formula(at, length, atoms);
    }

    Outcome read_formula(std::size_t at, std::size_t length, chem::Composition &atoms) {
        const std::string_view formula = text_.substr(at, length);
        const std::size_t colon = formula.find(':');
        if (colon != std::string_view::npos)
            return fail(CORVAN_E_UNSUPPORTED, "charged formulas (':z')",
                        static_cast<long>(at + colon));
        return chem::parse_formula(formula, atoms, "modification formula", static_cast<long>(at));
    }

    Outcome read_accession(std::size_t at, std::size_t length, chem::Composition &atoms) {
        const std::string_view digits = text_.substr(at, length);
        int accession = 0;
        for (char c : digits) {
            if (!is_digit(c) || accession > 100000)
                return fail(CORVAN_E_SYNTAX, "a Unimod accession must be a number",
                            static_cast<long>(at));
            accession = accession * 10 + (c - '0');
        }
        if (digits.empty())
            return fail(CORVAN_E_SYNTAX, "a Unimod accession must be a number",
                        static_cast<long>(at));
        const unimod::Entry *entry = unimod::find_accession(accession);
        if (entry == nullptr)
            return fail(CORVAN_E_UNKNOWN, "no Unimod entry UNIMOD:" + std::to_string(accession),
                        static_cast<long>(at));
        return add_entry(*entry, atoms);
    }

    Outcome read_name(std::size_t at, std::size_t length, chem::Composition &atoms) {
        const std::string_view name = text_.substr(at, length);
        const unimod::Entry *entry = unimod::find_name(name);
        if (entry == nullptr)
            return fail(CORVAN_E_UNKNOWN, "unknown Unimod name '" + std::string(name) + "'",
                        static_cast<long>(at));
        return add_entry(*entry, atoms);
    }

    // A bare bracket: a Unimod name or, as the library has always read it,
    // an elemental formula; text that is both is refused, never guessed.
    Outcome read_name_or_formula(std::size_t at, std::size_t length, chem::Composition &atoms) {
        const std::string_view part = text_.substr(at, length);
        const unimod::Entry *entry = unimod::find_name(part);
        if (entry != nullptr && !could_be_formula(part)) return add_entry(*entry, atoms);
        chem::Composition formula;
        const Outcome parsed =
            chem::parse_formula(part, formula, "modification formula", static_cast<long>(at));
        if (entry != nullptr && parsed.ok())
            return fail(CORVAN_E_UNSUPPORTED,
                        quoted(part) + " is both a Unimod name and a formula: write [U:" +
                            entry->name + "] or [Formula:" + std::string(part) + "]",
                        static_cast<long>(at));
        if (entry != nullptr) return add_entry(*entry, atoms);
        if (parsed.ok()) {
            atoms.add(formula, 1);
            return Outcome::success();
        }
        if (part.find_first_of("[ ") != std::string_view::npos || is_digit(part.back()))
            return parsed; // clearly meant as a formula: its own message
        return fail(CORVAN_E_UNKNOWN, quoted(part) + " is no Unimod name and no formula",
                    static_cast<long>(at));
    }

    Outcome add_entry(const unimod::Entry &entry, chem::Composition &atoms) {
        return chem::parse_formula(entry.formula, atoms, "Unimod formula", -1);
    }

    static bool looks_like_mass(std::string_view part) {
        std::size_t i = 0;
        if (i < part.size() && (part[i] == '+' || part[i] == '-')) ++i;
        if (i >= part.size() || !(is_digit(part[i]) || part[i] == '.')) return false;
        for (; i < part.size(); ++i)
            if (!is_digit(part[i]) && part[i] != '.' && part[i] != 'e' && part[i] != 'E' &&
                part[i] != '+' && part[i] != '-')
                return false;
        return true;
    }

    // A mass shift carries no atoms, so no pattern follows from it: the
    // message lists the Unimod entries near it for the user to write.
    Outcome refuse_mass(std::size_t at, std::size_t length) {
        const std::string shown(text_.substr(at, length));
        const double mass = text::signed_number(shown);
        std::string message = "the modification '" + shown + "' is a mass without atoms";
        const auto near = unimod::near_mass(mass, 0.01);
        if (near.empty()) {
            message += " (no Unimod entry within 0.01 Da: give its formula, [Formula:...])";
        } else {
            message += "; Unimod entries within 0.01 Da:";
            for (std::size_t i = 0; i < near.size() && i < 4; ++i) {
                message += std::string(i == 0 ? " [" : ", [") + near[i]->name + "] " +
                           text::fixed(near[i]->monoisotopic_mass, 6);
            }
            if (near.size() > 4) message += " and " + std::to_string(near.size() - 4) + " more";
        }
        return fail(CORVAN_E_UNSUPPORTED, message, static_cast<long>(at));
    }

    // ---- global blocks: <13C>, <[Carbamidomethyl]@C> --------------------

    Outcome read_globals() {
        while (peek() == '<') {
            const std::size_t open = pos_++;
            Outcome block = peek() == '[' ? read_fixed_modification() : read_isotope_label();
            if (!block.ok()) return block;
            if (peek() != '>')
                return at_end() ? fail(CORVAN_E_SYNTAX, "unclosed '<'", static_cast<long>(open))
                                : unexpected();
            ++pos_;
        }
        return Outcome::success();
    }

    Outcome read_isotope_label() {
        const std::size_t start = pos_;
        int mass_number = 0;
        while (is_digit(peek()) && mass_number < 1000)
            mass_number = mass_number * 10 + (text_[pos_++] - '0');
        int element = -1;
        if (mass_number == 0 && peek() == 'D') {
            ++pos_;
            element = 0;
            mass_number = 2;
        } else {
            const int length = chem::symbol_length(text_.substr(pos_));
            element =
                length == 0
                    ? -1
                    : chem::element_index(text_.substr(pos_, static_cast<std::size_t>(length)));
            pos_ += static_cast<std::size_t>(length);
        }
        if (element < 0 || mass_number == 0 || chem::find_isotope(element, mass_number) == nullptr)
            return fail(CORVAN_E_UNKNOWN,
                        "unknown isotope label '" + std::string(text_.substr(start, pos_ - start)) +
                            "' (write it as '<15N>', '<13C>', '<D>')",
                        static_cast<long>(start));
        labels_.push_back({element, mass_number});
        return Outcome::success();
    }

    Outcome read_fixed_modification() {
        FixedModification fixed;
        Outcome read = read_modification(fixed.atoms);
        if (!read.ok()) return read;
        if (peek() != '@')
            return fail(CORVAN_E_SYNTAX, "a fixed modification needs '@' and its residues",
                        static_cast<long>(pos_));
        do {
            ++pos_;
            Outcome location = read_location(fixed);
            if (!location.ok()) return location;
        } while (peek() == ',');
        fixed_.push_back(std::move(fixed));
        return Outcome::success();
    }

    Outcome read_location(FixedModification &fixed) {
        const std::size_t start = pos_;
        const bool n_term = starts_with_folded(text_.substr(pos_), "N-term");
        if (n_term || starts_with_folded(text_.substr(pos_), "C-term")) {
            pos_ += 6;
            char only = 0;
            if (peek() == ':') {
                ++pos_;
                if (find_residue(peek()) == nullptr)
                    return fail(CORVAN_E_SYNTAX, "expected a residue", static_cast<long>(pos_));
                only = text_[pos_++];
            }
            (n_term ? fixed.n_term : fixed.c_term) = true;
            (n_term ? fixed.n_term_residue : fixed.c_term_residue) = only;
            return Outcome::success();
        }
        if (find_residue(peek()) == nullptr)
            return fail(CORVAN_E_SYNTAX, "expected a residue, N-term or C-term",
                        static_cast<long>(start));
        fixed.residues += text_[pos_++];
        return Outcome::success();
    }

    // ---- the chain -------------------------------------------------------

    Outcome read_n_terminus() {
        if (peek() != '[') return Outcome::success();
        while (peek() == '[') {
            Outcome read = read_modification(composition_);
            if (!read.ok()) return read;
        }
        if (peek() != '-') {
            if (peek() == '?' || peek() == '^') return unexpected();
            return fail(CORVAN_E_SYNTAX,
                        "a modification before the first residue needs '-' after it "
                        "(N-terminal: '[Acetyl]-PEPTIDE')",
                        static_cast<long>(pos_));
        }
        ++pos_;
        return Outcome::success();
    }

    Outcome read_residues() {
        while (!at_end()) {
            const char c = peek();
            if (is_lower(c))
                return fail(CORVAN_E_SYNTAX,
                            "lower-case residue " + quoted({&c, 1}) +
                                " (residues are upper-case letters)",
                            static_cast<long>(pos_));
            if (!is_upper(c)) break;
            const Residue *residue = find_residue(c);
            if (residue == nullptr)
                return fail(CORVAN_E_UNSUPPORTED, "ambiguous or unknown residue " + quoted({&c, 1}),
                            static_cast<long>(pos_));
            for (std::size_t k = 0; k < kColumns.size(); ++k)
                if (residue->atoms[k] != 0)
                    composition_.add_natural(kColumns[k], residue->atoms[k]);
            sequence_ += c;
            ++pos_;
            std::optional<chem::Composition> before;
            if (residues_) before = composition_;
            while (peek() == '[') {
                Outcome read = read_modification(composition_);
                if (!read.ok()) return read;
            }
            if (before) record_residue(c, *before);
        }
        if (sequence_.empty())
            return at_end() ? fail(CORVAN_E_SYNTAX, "no residues", -1) : unexpected();
        return Outcome::success();
    }

    Outcome read_c_terminus() {
        if (peek() != '-') return Outcome::success();
        ++pos_;
        if (peek() != '[')
            return fail(CORVAN_E_SYNTAX, "expected a C-terminal modification after '-'",
                        static_cast<long>(pos_));
        while (peek() == '[') {
            Outcome read = read_modification(composition_);
            if (!read.ok()) return read;
        }
        return Outcome::success();
    }

    Outcome read_charge(int &charge) {
        charge = 0;
        if (peek() != '/') return Outcome::success();
        const std::size_t slash = pos_++;
        if (peek() == '/') {
            pos_ = slash;
            return unexpected();
        }
        if (peek() == '[')
            return fail(CORVAN_E_UNSUPPORTED,
                        "adduct ions ('/[...]'; give the adduct with the charge option)",
                        static_cast<long>(pos_));
        const bool negative = peek() == '-';
        if (negative || peek() == '+') ++pos_;
        if (!is_digit(peek()))
            return fail(CORVAN_E_SYNTAX, "expected a charge after '/'", static_cast<long>(pos_));
        long value = 0;
        const std::size_t digits = pos_;
        while (is_digit(peek())) {
            value = value * 10 + (text_[pos_++] - '0');
            if (value > ion::kMaxCharge)
                return fail(CORVAN_E_RANGE, "charge beyond 1000", static_cast<long>(digits));
        }
        charge = static_cast<int>(negative ? -value : value);
        return Outcome::success();
    }

    // The residue just read with its modifications; the first one also
    // takes the N-terminal modifications read before it.
    void record_residue(char letter, const chem::Composition &before) {
        const Residue &residue = *find_residue(letter);
        ResidueAtoms atoms{letter, composition_};
        if (!residues_->empty()) {
            atoms.atoms = chem::Composition{};
            for (std::size_t k = 0; k < kColumns.size(); ++k)
                atoms.atoms.add_natural(kColumns[k], residue.atoms[k]);
            atoms.atoms.add(composition_, 1);
            atoms.atoms.add(before, -1);
        }
        residues_->push_back(std::move(atoms));
    }

    // What the whole molecule gets below, residue by residue.
    void finish_residues() {
        chem::Composition c_terminal = composition_;
        for (const ResidueAtoms &residue : *residues_) c_terminal.add(residue.atoms, -1);
        residues_->back().atoms.add(c_terminal, 1);
        for (std::size_t i = 0; i < residues_->size(); ++i) {
            chem::Composition &atoms = (*residues_)[i].atoms;
            for (const FixedModification &fixed : fixed_)
                atoms.add(fixed.atoms, sites_at(fixed, i));
            fold_negative_isotopes(atoms);
            for (const IsotopeLabel &label : labels_) relabel(label, atoms);
            std::erase_if(atoms.fixed, [](const auto &isotope) { return isotope.count == 0; });
        }
    }

    double sites_at(const FixedModification &fixed, std::size_t i) const {
        const char letter = sequence_[i];
        double sites = fixed.residues.find(letter) != std::string::npos ? 1 : 0;
        if (i == 0 && fixed.n_term && (fixed.n_term_residue == 0 || fixed.n_term_residue == letter))
            ++sites;
        if (i + 1 == sequence_.size() && fixed.c_term &&
            (fixed.c_term_residue == 0 || fixed.c_term_residue == letter))
            ++sites;
        return sites;
    }

    // ---- the whole molecule ---------------------------------------------

    Outcome finish() {
        if (residues_) finish_residues();
        chem::add_water(composition_, 1); // one water closes the chain
        for (const FixedModification &fixed : fixed_) apply(fixed);
        fold_negative_isotopes(composition_);
        for (const IsotopeLabel &label : labels_) relabel(label, composition_);
        const int negative = may_fall_below_zero() ? composition_.first_negative_element() : -1;
        if (negative >= 0)
            return fail(CORVAN_E_RANGE,
                        "element " + std::string(chem::element_symbol(negative)) +
                            " totals below zero",
                        -1);
        return Outcome::success();
    }

    // "[13C2][12C-2]" turns two carbon atoms into 13C: the atoms removed are
    // some of the element's natural ones, so a negative count of the
    // element's most abundant isotope is taken from the natural atoms. A
    // negative count of any other isotope ("[13C-2]") stays, and is refused
    // with the molecule.
    void fold_negative_isotopes(chem::Composition &composition) {
        auto &fixed = composition.fixed;
        const auto natural_removal = [](const chem::FixedIsotope &isotope) {
            if (isotope.count >= 0) return false;
            const auto &pattern = labels::natural_pattern(isotope.element);
            const int lightest = chem::isotopes_of(isotope.element).front().mass_number;
            return pattern.positions[pattern.most_abundant()] + lightest == isotope.mass_number;
        };
        for (const chem::FixedIsotope &isotope : fixed)
            if (natural_removal(isotope)) composition.add_natural(isotope.element, isotope.count);
        std::erase_if(fixed, natural_removal);
    }

    // Only negative counts (from modifications) can bring an element below
    // zero; most peptides have none, and the full check is not free.
    bool may_fall_below_zero() const {
        for (double count : composition_.natural)
            if (count < 0) return true;
        for (const chem::FixedIsotope &isotope : composition_.fixed)
            if (isotope.count < 0) return true;
        return false;
    }

    void apply(const FixedModification &fixed) {
        double sites = 0;
        for (char residue : sequence_)
            if (fixed.residues.find(residue) != std::string::npos) ++sites;
        if (fixed.n_term &&
            (fixed.n_term_residue == 0 || fixed.n_term_residue == sequence_.front()))
            ++sites;
        if (fixed.c_term && (fixed.c_term_residue == 0 || fixed.c_term_residue == sequence_.back()))
            ++sites;
        if (sites > 0) composition_.add(fixed.atoms, sites);
    }

    // Every atom of the element that is not already a written isotope
    // becomes the label's isotope.
    void relabel(const IsotopeLabel &label, chem::Composition &composition) {
        double &natural = composition.natural[static_cast<std::size_t>(label.element)];
        if (natural == 0) return;
        composition.add_fixed(label.element, label.mass_number, natural);
        natural = 0;
    }
};

} // namespace

Outcome parse_proforma(std::string_view text, chem::Composition &composition, int &charge) {
    return ProformaReader(text, composition).read(charge);
}

Outcome parse_proforma_residues(std::string_view text, chem::Composition &composition, int &charge,
                                std::vector<ResidueAtoms> &residues) {
    residues.clear();
    return ProformaReader(text, composition, &residues).read(charge);
}

} // namespace corvan::peptide
