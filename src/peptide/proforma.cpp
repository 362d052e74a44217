#include "peptide/proforma.hpp"

#include <array>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "core/numbers.hpp"
#include "core/text_cursor.hpp"
#include "ion/adduct.hpp"
#include "labels/element_pattern.hpp"
#include "molecule/elements.hpp"
#include "molecule/formula_parser.hpp"
#include "molecule/pure_isotopes.hpp"
#include "molecule/residues.hpp"
#include "peptide/monosaccharides.hpp"
#include "peptide/ontologies.hpp"
#include "peptide/unimod.hpp"

namespace corvan::peptide {

namespace {

// A residue of one composition: J (leucine or isoleucine) is read as ambiguous,
// like B, Z and X.
const chem::ResidueAtoms *find_residue(char letter) {
    return letter == 'J' ? nullptr : chem::find_amino_acid(letter);
}

void add_residue_atoms(chem::Composition &composition, const chem::ResidueAtoms &residue) {
    using namespace chem::element;
    const std::pair<int, int> atoms[] = {{C, residue.c}, {H, residue.h}, {N, residue.n},
                                         {O, residue.o}, {S, residue.s}, {Se, residue.se}};
    for (const auto &[element, count] : atoms)
        if (count != 0) composition.add_natural(element, count);
}

using text::is_digit;
using text::is_lower;
using text::is_upper;
using text::starts_with_folded;

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

// One labelled modification ("#XL1", "#g1", "#BRANCH"): its atoms count
// once, at whichever site writes them, however many sites share the label.
struct Label {
    bool defined = false;
    std::size_t first_use = 0;
};

class ProformaReader : text::Cursor {
  public:
    ProformaReader(std::string_view text, std::vector<Peptidoform> &ions,
                   std::vector<ResidueAtoms> *residues = nullptr)
        : Cursor(text, "peptide"), ions_(ions), residues_(residues) {}

    Outcome read() {
        ions_.clear();
        if (text_.empty()) return Outcome::failure(CORVAN_E_SYNTAX, "empty peptide");
        skip_name();
        Outcome step = read_globals();
        while (step.ok()) {
            step = read_ion();
            if (!step.ok() || peek() != '+') break;
            ++pos_;
        }
        if (step.ok() && !at_end()) step = unexpected();
        return step;
    }

  private:
    std::vector<Peptidoform> &ions_;
    std::vector<FixedModification> fixed_;
    std::vector<IsotopeLabel> isotope_labels_;
    // The ion being read: its atoms, its chains' sequences, its labels.
    chem::Composition composition_;
    std::vector<std::string> chains_;
    std::map<std::string, Label, std::less<>> labels_;
    std::vector<ResidueAtoms> *residues_; // null unless the caller wants them
    // Where the text first writes atoms that belong to no one residue: a
    // modification of unknown position, a labile one, a range, residues of
    // unknown order; -1 for none.
    long unplaced_at_ = -1;

    void note_unplaced(std::size_t at) {
        if (unplaced_at_ < 0) unplaced_at_ = static_cast<long>(at);
    }

  public:
    long unplaced_at() const { return unplaced_at_; }

  private:
    // A character where none of the notation may stand.
    Outcome unexpected() const {
        const long at = static_cast<long>(pos_);
        switch (peek()) {
        case '?':
            return fail(CORVAN_E_SYNTAX,
                        "'?' stands after modifications of unknown position, before the "
                        "sequence ('[Phospho]?PEPTIDE')",
                        at);
        case '^':
            return fail(CORVAN_E_SYNTAX,
                        "'^' counts a modification of unknown position ('[Oxidation]^2?')", at);
        case ']':
            return fail(CORVAN_E_SYNTAX, "']' without '['", at);
        default:
            return Cursor::unexpected();
        }
    }

    // The offset of the `close` that matches the `open` at `at` (they
    // nest), or npos.
    std::size_t matching(std::size_t at, char open, char close) const {
        int depth = 0;
        for (std::size_t i = at; i < text_.size(); ++i) {
            if (text_[i] == open) ++depth;
            if (text_[i] == close && --depth == 0) return i;
        }
        return std::string_view::npos;
    }

    // Names of a peptidoform, an ion or the set: "(>name)", "(>>name)",
    // "(>>>name)". They name, they weigh nothing.
    void skip_name() {
        while (ahead("(>")) {
            const std::size_t close = matching(pos_, '(', ')');
            if (close == std::string_view::npos) return;
            pos_ = close + 1;
        }
    }

    // ---- modifications -------------------------------------------------

    // Reads the "[...]" at pos_ and adds its atoms to `atoms`.
    Outcome read_modification(chem::Composition &atoms) {
        const std::size_t open = pos_;
        const std::size_t close = matching(open, '[', ']');
        if (close == std::string_view::npos)
            return fail(CORVAN_E_SYNTAX, "unclosed bracket", static_cast<long>(open));
        pos_ = close + 1;
        return read_contents(open + 1, close, atoms);
    }

    // The inside of a bracket or brace: alternatives "a|b|INFO:c", each
    // with an optional label "#XL1". INFO and Obs parts are comments; the
    // first other part that has a composition gives the atoms.
    Outcome read_contents(std::size_t begin, std::size_t end, chem::Composition &atoms) {
        if (begin == end) return fail(CORVAN_E_SYNTAX, "empty brackets", long(begin) - 1);
        std::vector<std::pair<std::size_t, std::size_t>> parts;
        std::string label;
        std::size_t label_at = 0;
        for (std::size_t start = begin, i = begin, depth = 0; i <= end; ++i) {
            const char c = i < end ? text_[i] : '|';
            if (c == '[' || c == '{') ++depth;
            if ((c == ']' || c == '}') && depth > 0) --depth;
            if (c != '|' || depth != 0) continue;
            std::size_t stop = i;
            const std::size_t hash = text_.substr(start, i - start).find('#');
            if (hash != std::string_view::npos) {
                stop = start + hash;
                label = std::string(text_.substr(stop + 1, i - stop - 1));
                label_at = stop;
            }
            parts.emplace_back(start, stop - start);
            start = i + 1;
        }
        if (!label.empty() || label_at != 0) return read_labelled(parts, label, label_at, atoms);
        return read_alternatives(parts, atoms);
    }

    Outcome read_alternatives(const std::vector<std::pair<std::size_t, std::size_t>> &parts,
                              chem::Composition &atoms) {
        Outcome first = Outcome::success();
        bool any = false;
        for (const auto &[at, length] : parts) {
            const std::string_view part = text_.substr(at, length);
            if (starts_with_folded(part, "INFO:")) continue;
            if (starts_with_folded(part, "Obs:") && parts.size() > 1) continue;
            chem::Composition candidate;
            Outcome read = read_definition(at, length, candidate);
            if (read.ok()) {
                atoms.add(candidate, 1);
                return read;
            }
            if (!any) first = read;
            any = true;
        }
        return first; // comments only: success
    }

    // "#XL1", "#g1(0.90)", "#BRANCH": only the first definition counts.
    Outcome read_labelled(std::vector<std::pair<std::size_t, std::size_t>> parts,
                          const std::string &written, std::size_t at, chem::Composition &atoms) {
        const std::string name = written.substr(0, written.find('('));
        if (name.empty() || name.find_first_of("#|") != std::string::npos)
            return fail(CORVAN_E_SYNTAX, "a label needs a name after '#'", long(at));
        Label &label = labels_.try_emplace(name, Label{false, at}).first->second;
        const bool reference = parts.size() == 1 && parts.front().second == 0;
        if (reference) return Outcome::success();
        if (label.defined) return Outcome::success(); // the same modification again
        label.defined = true;
        return read_alternatives(parts, atoms);
    }

    Outcome read_definition(std::size_t at, std::size_t length, chem::Composition &atoms) {
        const std::string_view part = text_.substr(at, length);
        const long where = static_cast<long>(at);
        if (part.empty()) return fail(CORVAN_E_SYNTAX, "empty brackets", where - 1);
        if (starts_with_folded(part, "Formula:")) return read_formula(at + 8, length - 8, atoms);
        if (starts_with_folded(part, "Glycan:")) return read_glycan(at + 7, length - 7, atoms);
        if (starts_with_folded(part, "UNIMOD:")) return read_accession(at + 7, length - 7, atoms);
        if (starts_with_folded(part, "Obs:")) return refuse_mass(at + 4, length - 4);
        for (std::string_view prefix : {"MOD:", "RESID:", "XLMOD:", "M:", "R:", "X:"})
            if (starts_with_folded(part, prefix))
                return read_ontology(prefix, at + prefix.size(), length - prefix.size(), atoms);
        if (starts_with_folded(part, "U:")) {
            if (looks_like_mass(part.substr(2))) return refuse_mass(at + 2, length - 2);
            return read_name(at + 2, length - 2, atoms);
        }
        for (std::string_view other : {"GNO:", "G:"})
            if (starts_with_folded(part, other))
                return fail(CORVAN_E_UNSUPPORTED,
                            "GNOme glycans ('" + std::string(other) +
                                "') are not in the library's tables; write the composition, "
                                "[Glycan:HexNAc2Hex5]",
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

    // "HexNAc2Hex5", "Hex NeuAc", "{C8H13N1O5}2Hex": sugars with counts.
    Outcome read_glycan(std::size_t at, std::size_t length, chem::Composition &atoms) {
        const std::size_t end = at + length;
        if (at == end) return fail(CORVAN_E_SYNTAX, "an empty glycan", long(at));
        for (std::size_t i = at; i < end;) {
            if (text_[i] == ' ') {
                ++i;
                continue;
            }
            chem::Composition sugar;
            Outcome read = read_monosaccharide(i, end, sugar);
            if (!read.ok()) return read;
            long long count = 0;
            const std::size_t digits = i;
            if (!text::read_digits(text_.substr(0, end), i, chem::kMaxTermCount, count))
                return fail(CORVAN_E_RANGE, "count above 1000000000", long(digits));
            atoms.add(sugar, i == digits ? 1.0 : static_cast<double>(count));
        }
        return Outcome::success();
    }

    Outcome read_monosaccharide(std::size_t &i, std::size_t end, chem::Composition &sugar) {
        if (text_[i] == '{') {
            const std::size_t close = text_.find('}', i);
            if (close == std::string_view::npos || close > end)
                return fail(CORVAN_E_SYNTAX, "unclosed '{'", long(i));
            const std::size_t open = i;
            i = close + 1;
            return read_formula(open + 1, close - open - 1, sugar);
        }
        const glycan::Monosaccharide *found =
            glycan::match_monosaccharide(text_.substr(i, end - i));
        if (found == nullptr)
            return fail(CORVAN_E_UNKNOWN,
                        "unknown monosaccharide (known: Hex, HexNAc, HexN, dHex, Fuc, NeuAc, "
                        "NeuGc, Neu, Kdn, Kdo, aHex, HexS, HexP, Pen, Sulfate, Phosphate...)",
                        long(i));
        i += std::string_view(found->name).size();
        return chem::parse_formula(found->formula, sugar, "monosaccharide formula", -1);
    }

    Outcome read_accession(std::size_t at, std::size_t length, chem::Composition &atoms) {
        int accession = 0;
        if (!unimod::read_accession(text_.substr(at, length), accession))
            return fail(CORVAN_E_SYNTAX, "a Unimod accession must be a number",
                        static_cast<long>(at));
        const unimod::Entry *entry = unimod::find_accession(accession);
        if (entry == nullptr)
            return fail(CORVAN_E_UNKNOWN, "no Unimod entry UNIMOD:" + std::to_string(accession),
                        static_cast<long>(at));
        return add_entry(*entry, atoms);
    }

    // PSI-MOD ("MOD:00046", "M:O-phospho-L-serine"), RESID through the
    // PSI-MOD term that cites it ("RESID:AA0037", "R:AA0037") and XL-MOD
    // ("XLMOD:02001", "X:DSS"); a mass after the short prefix is refused.
    // An accession number: digits only, refused past 100000009 (far past
    // any accession), as the message for a number that is none.
    static bool read_number(std::string_view digits, int &value) {
        long long read = 0;
        if (!text::read_whole(digits, 100000009, read)) return false;
        value = static_cast<int>(read);
        return true;
    }

    Outcome read_ontology(std::string_view prefix, std::size_t at, std::size_t length,
                          chem::Composition &atoms) {
        const std::string_view value = text_.substr(at, length);
        if (prefix.size() == 2 && looks_like_mass(value)) return refuse_mass(at, length);
        const bool xl = prefix.front() == 'X' || prefix.front() == 'x';
        const bool resid = prefix.front() == 'R' || prefix.front() == 'r';
        const auto table = xl ? ontology::xl_mod() : ontology::psi_mod();
        const std::string vocabulary = xl ? "XL-MOD" : resid ? "RESID" : "PSI-MOD";
        const ontology::Term *term = nullptr;
        int number = 0;
        if (resid && starts_with_folded(value, "AA")) {
            if (!read_number(value.substr(2), number))
                return fail(CORVAN_E_SYNTAX, "a RESID accession is AA and a number", long(at));
            term = ontology::find_resid(number);
        } else if (prefix.size() > 2) {
            if (!read_number(value, number))
                return fail(CORVAN_E_SYNTAX, "a " + vocabulary + " accession must be a number",
                            long(at));
            term = ontology::find_accession(table, number);
        } else {
            term = ontology::find_name(table, value);
        }
        if (term == nullptr)
            return fail(
                CORVAN_E_UNKNOWN,
                "no " + vocabulary + " entry " + quoted(value) +
                    (resid ? " (RESID is read through the PSI-MOD terms that cite it)" : ""),
                long(at));
        return add_term(*term, xl, at, atoms);
    }

    Outcome add_term(const ontology::Term &term, bool xl, std::size_t at,
                     chem::Composition &atoms) {
        if (*term.formula == '\0') {
            std::string message = (xl ? "XL-MOD term '" : "PSI-MOD term '") +
                                  std::string(term.name) + "' has no composition";
            if (xl) message += " (its mass alone, " + text::fixed(term.mass, 6) + " Da)";
            return fail(CORVAN_E_UNSUPPORTED, message + "; give its formula, [Formula:...]",
                        long(at));
        }
        return chem::parse_formula(term.formula, atoms, "ontology formula", -1);
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
    // Names Unimod does not know are looked up in PSI-MOD.
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
        if (const ontology::Term *term = ontology::find_name(ontology::psi_mod(), part))
            return add_term(*term, false, at, atoms);
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
        const chem::PureIsotope *pure =
            mass_number == 0 ? chem::find_pure_isotope(text_.substr(pos_, 1)) : nullptr;
        if (pure != nullptr) {
            ++pos_;
            element = pure->element;
            mass_number = pure->mass_number;
        } else {
            const int length = chem::symbol_length(text_.substr(pos_));
            element =
                length == 0
                    ? -1
                    : chem::element_index(text_.substr(pos_, static_cast<std::size_t>(length)));
            pos_ += static_cast<std::size_t>(length);
        }
        if (element < 0 || mass_number == 0 || chem::fixed_isotope(element, mass_number) == nullptr)
            return fail(CORVAN_E_UNKNOWN,
                        "unknown isotope label '" + std::string(text_.substr(start, pos_ - start)) +
                            "' (write it as '<15N>', '<13C>', '<D>')",
                        static_cast<long>(start));
        isotope_labels_.push_back({element, mass_number});
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

    // ---- one peptidoform ion: chains joined by "//", then its charge ----

    Outcome read_ion() {
        composition_ = chem::Composition{};
        chains_.clear();
        labels_.clear();
        Peptidoform ion;
        ion.start = pos_;
        skip_name();
        Outcome step = read_chain();
        while (step.ok() && ahead("//")) {
            pos_ += 2;
            step = read_chain();
        }
        if (step.ok()) step = read_charge(ion);
        if (step.ok()) step = check_labels();
        if (step.ok()) step = finish();
        if (!step.ok()) return step;
        ion.composition = std::move(composition_);
        ions_.push_back(std::move(ion));
        return Outcome::success();
    }

    Outcome read_chain() {
        skip_name();
        chains_.emplace_back();
        Outcome step = read_prefix();
        if (step.ok()) step = read_residues();
        if (step.ok()) step = read_c_terminus();
        return step;
    }

    Outcome check_labels() const {
        for (const auto &[name, label] : labels_)
            if (!label.defined)
                return fail(CORVAN_E_SYNTAX, "the label '#" + name + "' names no modification",
                            static_cast<long>(label.first_use));
        return Outcome::success();
    }

    // Before the sequence: modifications of unknown position ("[Phospho]?",
    // "[Oxidation]^2[Acetyl]?"), labile ones ("{Glycan:Hex}") and the
    // N-terminal ones ("[Acetyl]-"), each adding its atoms to the molecule.
    Outcome read_prefix() {
        while (peek() == '[' || peek() == '{') {
            if (peek() == '{') {
                Outcome labile = read_labile();
                if (!labile.ok()) return labile;
                continue;
            }
            chem::Composition group;
            bool counted = false;
            while (peek() == '[') {
                chem::Composition atoms;
                Outcome read = read_modification(atoms);
                if (!read.ok()) return read;
                double times = 1;
                if (peek() == '^') {
                    Outcome count = read_occurrences(times);
                    if (!count.ok()) return count;
                    counted = true;
                }
                group.add(atoms, times);
            }
            if (peek() == '?') {
                note_unplaced(pos_++);
            } else if (peek() == '-' && !counted) {
                ++pos_;
                composition_.add(group, 1);
                return Outcome::success();
            } else {
                if (peek() == '^' || counted)
                    return fail(CORVAN_E_SYNTAX,
                                "expected '?' after modifications of "
                                "unknown position",
                                static_cast<long>(pos_));
                return fail(CORVAN_E_SYNTAX,
                            "a modification before the first residue needs '-' after it "
                            "(N-terminal: '[Acetyl]-PEPTIDE') or '?' (unknown position: "
                            "'[Phospho]?PEPTIDE')",
                            static_cast<long>(pos_));
            }
            composition_.add(group, 1);
        }
        return Outcome::success();
    }

    Outcome read_occurrences(double &times) {
        const std::size_t caret = pos_++;
        int count = 0;
        const std::size_t digits = pos_;
        while (is_digit(peek()) && count < 100000) count = count * 10 + (text_[pos_++] - '0');
        if (pos_ == digits || count == 0)
            return fail(CORVAN_E_SYNTAX, "expected a count after '^'", static_cast<long>(caret));
        times = count;
        return Outcome::success();
    }

    Outcome read_labile() {
        const std::size_t open = pos_;
        note_unplaced(open);
        const std::size_t close = matching(open, '{', '}');
        if (close == std::string_view::npos)
            return fail(CORVAN_E_SYNTAX, "unclosed '{'", static_cast<long>(open));
        pos_ = close + 1;
        return read_contents(open + 1, close, composition_);
    }

    Outcome add_residue() {
        const char c = peek();
        if (is_lower(c))
            return fail(CORVAN_E_SYNTAX,
                        "lower-case residue " + quoted({&c, 1}) +
                            " (residues are upper-case letters)",
                        static_cast<long>(pos_));
        const chem::ResidueAtoms *residue = find_residue(c);
        if (residue == nullptr)
            return fail(CORVAN_E_UNSUPPORTED, "ambiguous or unknown residue " + quoted({&c, 1}),
                        static_cast<long>(pos_));
        add_residue_atoms(composition_, *residue);
        chains_.back() += c;
        ++pos_;
        std::optional<chem::Composition> before;
        if (residues_) before = composition_;
        // Tested here: most residues carry no modification, and an Outcome
        // made for each would cost more than the residue's own reading.
        if (peek() == '[') {
            Outcome modified = read_modifications();
            if (!modified.ok()) return modified;
        }
        if (before) record_residue(c, *before);
        return Outcome::success();
    }

    // The residue just read with its modifications; the first one also
    // takes the N-terminal modifications read before it.
    void record_residue(char letter, const chem::Composition &before) {
        ResidueAtoms atoms{letter, composition_};
        if (!residues_->empty()) {
            atoms.atoms = chem::Composition{};
            add_residue_atoms(atoms.atoms, *find_residue(letter));
            atoms.atoms.add(composition_, 1);
            atoms.atoms.add(before, -1);
        }
        residues_->push_back(std::move(atoms));
    }

    // What the whole molecule gets below, residue by residue: what no
    // residue holds (C-terminal modifications, and those of a range or of
    // unknown position) goes to the last one.
    void finish_residues() {
        chem::Composition c_terminal = composition_;
        for (const ResidueAtoms &residue : *residues_) c_terminal.add(residue.atoms, -1);
        residues_->back().atoms.add(c_terminal, 1);
        const std::string &sequence = chains_.front();
        for (std::size_t i = 0; i < residues_->size(); ++i) {
            chem::Composition &atoms = (*residues_)[i].atoms;
            for (const FixedModification &fixed : fixed_)
                atoms.add(fixed.atoms, sites_at(fixed, sequence, i));
            fold_negative_isotopes(atoms);
            for (const IsotopeLabel &label : isotope_labels_) relabel(label, atoms);
            std::erase_if(atoms.fixed, [](const auto &isotope) { return isotope.count == 0; });
        }
    }

    static double sites_at(const FixedModification &fixed, const std::string &sequence,
                           std::size_t i) {
        const char letter = sequence[i];
        double sites = fixed.residues.find(letter) != std::string::npos ? 1 : 0;
        if (i == 0 && fixed.n_term && (fixed.n_term_residue == 0 || fixed.n_term_residue == letter))
            ++sites;
        if (i + 1 == sequence.size() && fixed.c_term &&
            (fixed.c_term_residue == 0 || fixed.c_term_residue == letter))
            ++sites;
        return sites;
    }

    // "(?DQ)": residues of unknown order; "(ESFRMS)[+19.0523]": a range
    // that carries the modifications after it somewhere.
    Outcome read_group() {
        const std::size_t open = pos_++;
        note_unplaced(open);
        const bool order_unknown = peek() == '?';
        if (order_unknown) ++pos_;
        const std::size_t first = pos_;
        while (is_upper(peek()) || is_lower(peek())) {
            Outcome residue = add_residue();
            if (!residue.ok()) return residue;
        }
        if (peek() != ')')
            return at_end() ? fail(CORVAN_E_SYNTAX, "unclosed '('", static_cast<long>(open))
                            : unexpected();
        if (pos_ == first)
            return fail(CORVAN_E_SYNTAX, "no residues in '(...)'", static_cast<long>(open));
        ++pos_;
        if (order_unknown) return Outcome::success();
        if (peek() != '[')
            return fail(CORVAN_E_SYNTAX, "a range '(...)' needs a modification after it",
                        static_cast<long>(pos_));
        return read_modifications();
    }

    Outcome read_residues() {
        const std::size_t start = pos_;
        while (!at_end()) {
            Outcome step = Outcome::success();
            if (peek() == '(' && !ahead("(>"))
                step = read_group();
            else if (is_upper(peek()) || is_lower(peek()))
                step = add_residue();
            else
                break;
            if (!step.ok()) return step;
        }
        if (chains_.back().empty())
            return at_end() || pos_ == start ? fail(CORVAN_E_SYNTAX, "no residues",
                                                    at_end() ? -1 : static_cast<long>(pos_))
                                             : unexpected();
        return Outcome::success();
    }

    // Every "[...]" from here on, into the ion's atoms.
    Outcome read_modifications() {
        while (peek() == '[') {
            Outcome read = read_modification(composition_);
            if (!read.ok()) return read;
        }
        return Outcome::success();
    }

    Outcome read_c_terminus() {
        if (peek() != '-') return Outcome::success();
        ++pos_;
        if (peek() != '[')
            return fail(CORVAN_E_SYNTAX, "expected a C-terminal modification after '-'",
                        static_cast<long>(pos_));
        return read_modifications();
    }

    // "/2", "/-1"; adduct ions "/2[+2Na+,-H+]" or "/[Na:z+1^2,H:z+1]".
    Outcome read_charge(Peptidoform &ion) {
        if (peek() != '/') return Outcome::success();
        const std::size_t slash = pos_++;
        const bool stated = peek() != '[';
        if (stated) {
            Outcome number = read_charge_number(ion.charge);
            if (!number.ok()) return number;
        }
        if (peek() != '[') return Outcome::success();
        Outcome adducts = read_adduct_ions(ion);
        if (!adducts.ok()) return adducts;
        if (stated && ion.adducts.charge != ion.charge)
            return fail(CORVAN_E_CHARGE,
                        "the adduct ions carry charge " + std::to_string(ion.adducts.charge) +
                            ", not the " + std::to_string(ion.charge) + " written",
                        static_cast<long>(slash + 1));
        ion.charge = ion.adducts.charge;
        return Outcome::success();
    }

    Outcome read_charge_number(int &charge) {
        const bool negative = peek() == '-';
        if (negative || peek() == '+') ++pos_;
        if (!is_digit(peek()))
            return fail(CORVAN_E_SYNTAX, "expected a charge after '/'", static_cast<long>(pos_));
        long long value = 0;
        const std::size_t digits = pos_;
        if (!text::read_digits(text_, pos_, ion::kMaxCharge, value))
            return fail(CORVAN_E_RANGE, "charge beyond 1000", static_cast<long>(digits));
        charge = static_cast<int>(negative ? -value : value);
        return Outcome::success();
    }

    Outcome read_adduct_ions(Peptidoform &ion) {
        const std::size_t open = pos_;
        const std::size_t close = text_.find(']', open);
        if (close == std::string_view::npos)
            return fail(CORVAN_E_SYNTAX, "unclosed bracket", static_cast<long>(open));
        ion.adducts_at = open;
        ion.adducts = ion::Carrier{};
        ion.adducts.charge = 0;
        ion.adducts.whole_ion = true;
        ion.has_adducts = true;
        for (std::size_t at = open + 1; at < close;) {
            std::size_t end = text_.find(',', at);
            if (end == std::string_view::npos || end > close) end = close;
            Outcome item = read_adduct_ion(at, end, ion.adducts);
            if (!item.ok()) return item;
            at = end + 1;
        }
        pos_ = close + 1;
        if (ion.adducts.charge == 0)
            return fail(CORVAN_E_CHARGE, "adduct ions of no total charge", static_cast<long>(open));
        return Outcome::success();
    }

    // "+2Na+" or "-H+" (count, formula, charge signs), or "Na:z+1^2"
    // (formula, charge, count): the atoms into gained or lost, the charge
    // into the total.
    // A signed whole number of at most 7 digits, and nothing else.
    static bool small_number(std::string_view digits, long &value) {
        std::size_t i = 0;
        const bool negative = !digits.empty() && digits[0] == '-';
        if (!digits.empty() && (digits[0] == '-' || digits[0] == '+')) ++i;
        if (i == digits.size() || digits.size() - i > 7) return false;
        value = 0;
        for (; i < digits.size(); ++i) {
            if (!is_digit(digits[i])) return false;
            value = value * 10 + (digits[i] - '0');
        }
        if (negative) value = -value;
        return true;
    }

    Outcome read_adduct_ion(std::size_t at, std::size_t end, ion::Carrier &adducts) {
        const std::string_view item = text_.substr(at, end - at);
        long sign = 1, count = 1, charge = 0;
        bool numbers = true;
        std::string_view formula;
        const std::size_t colon = item.find(":z");
        if (colon != std::string_view::npos) {
            const std::size_t caret = item.find('^');
            formula = item.substr(0, colon);
            numbers =
                small_number(item.substr(colon + 2, caret - colon - 2), charge) &&
                (caret == std::string_view::npos || small_number(item.substr(caret + 1), count));
        } else {
            std::size_t i = 0;
            if (i < item.size() && (item[i] == '+' || item[i] == '-'))
                sign = item[i++] == '-' ? -1 : 1;
            const std::size_t digits = i;
            while (i < item.size() && is_digit(item[i])) ++i;
            if (i > digits) numbers = small_number(item.substr(digits, i - digits), count);
            std::size_t signs = item.size();
            while (signs > i && (item[signs - 1] == '+' || item[signs - 1] == '-')) --signs;
            formula = item.substr(i, signs - i);
            for (std::size_t k = signs; k < item.size(); ++k) charge += item[k] == '+' ? 1 : -1;
        }
        if (!numbers) charge = 0; // refused below
        if (formula.empty() || charge == 0 || count <= 0 || count > ion::kMaxCharge ||
            std::abs(charge) > ion::kMaxCharge)
            return fail(CORVAN_E_SYNTAX, "an adduct ion is written '+2Na+', '-H+' or 'Na:z+1^2'",
                        static_cast<long>(at));
        if (formula == "e")
            return fail(CORVAN_E_UNSUPPORTED, "electrons as adduct ions", static_cast<long>(at));
        chem::Composition atoms;
        Outcome read = chem::parse_formula(formula, atoms, "adduct ion",
                                           static_cast<long>(at + (formula.data() - item.data())));
        if (!read.ok()) return read;
        (sign > 0 ? adducts.atoms : adducts.lost).add(atoms, static_cast<double>(count));
        adducts.charge += static_cast<int>(sign * count * charge);
        if (std::abs(adducts.charge) > ion::kMaxCharge)
            return fail(CORVAN_E_RANGE, "charge beyond 1000", static_cast<long>(at));
        return Outcome::success();
    }

    // ---- the whole molecule ---------------------------------------------

    Outcome finish() {
        if (residues_ && chains_.size() > 1) residues_->clear();
        if (residues_ && !residues_->empty()) finish_residues();
        chem::add_water(composition_, static_cast<double>(chains_.size())); // one per chain
        for (const FixedModification &fixed : fixed_) apply(fixed);
        fold_negative_isotopes(composition_);
        for (const IsotopeLabel &label : isotope_labels_) relabel(label, composition_);
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
    static void fold_negative_isotopes(chem::Composition &composition) {
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
        for (const std::string &chain : chains_) {
            for (char residue : chain)
                if (fixed.residues.find(residue) != std::string::npos) ++sites;
            if (fixed.n_term &&
                (fixed.n_term_residue == 0 || fixed.n_term_residue == chain.front()))
                ++sites;
            if (fixed.c_term && (fixed.c_term_residue == 0 || fixed.c_term_residue == chain.back()))
                ++sites;
        }
        if (sites > 0) composition_.add(fixed.atoms, sites);
    }

    // Every atom of the element that is not already a written isotope
    // becomes the label's isotope.
    static void relabel(const IsotopeLabel &label, chem::Composition &composition) {
        double &natural = composition.natural[static_cast<std::size_t>(label.element)];
        if (natural == 0) return;
        composition.add_fixed(label.element, label.mass_number, natural);
        natural = 0;
    }
};

} // namespace

Outcome parse_peptidoforms(std::string_view text, std::vector<Peptidoform> &ions) {
    return ProformaReader(text, ions).read();
}

namespace {

// The one peptidoform ion of a text, without adduct ions.
Outcome read_one(std::string_view text, std::vector<ResidueAtoms> *residues,
                 chem::Composition &composition, int &charge) {
    std::vector<Peptidoform> ions;
    ProformaReader reader(text, ions, residues);
    Outcome read = reader.read();
    if (!read.ok()) return read;
    if (residues != nullptr && reader.unplaced_at() >= 0)
        return Outcome::failure(CORVAN_E_UNSUPPORTED,
                                "the peptide " + quoted(text) +
                                    " writes atoms of no one residue (unknown position, "
                                    "labile, a range or residues of unknown order), so its "
                                    "fragments are not known",
                                reader.unplaced_at());
    if (ions.size() > 1)
        return Outcome::failure(CORVAN_E_UNSUPPORTED,
                                "the peptide " + quoted(text) + " holds " +
                                    std::to_string(ions.size()) +
                                    " peptidoforms ('+'): read each by its index",
                                static_cast<long>(ions[1].start) - 1);
    if (ions.front().has_adducts)
        return Outcome::failure(CORVAN_E_UNSUPPORTED,
                                "the peptide " + quoted(text) +
                                    " names adduct ions: read it as a peptidoform",
                                static_cast<long>(ions.front().adducts_at));
    composition = std::move(ions.front().composition);
    charge = ions.front().charge;
    return Outcome::success();
}

} // namespace

Outcome parse_proforma(std::string_view text, chem::Composition &composition, int &charge) {
    return read_one(text, nullptr, composition, charge);
}

Outcome parse_proforma_residues(std::string_view text, chem::Composition &composition, int &charge,
                                std::vector<ResidueAtoms> &residues) {
    residues.clear();
    Outcome read = read_one(text, &residues, composition, charge);
    if (read.ok() && residues.empty())
        return Outcome::failure(
            CORVAN_E_UNSUPPORTED,
            "the peptide " + quoted(text) + " has several chains: fragments are of one chain", -1);
    return read;
}

} // namespace corvan::peptide
