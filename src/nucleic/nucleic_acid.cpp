#include "nucleic/nucleic_acid.hpp"

#include <array>
#include <optional>
#include <string>

#include "core/text_cursor.hpp"
#include "molecule/formula_parser.hpp"
#include "nucleic/modomics.hpp"

namespace corvan::nucleic {

namespace {

// Element indices (atomic number - 1) of the table columns.
constexpr std::array<int, 6> kColumns = {chem::element::C, chem::element::H, chem::element::N,
                                         chem::element::O, chem::element::P, chem::element::S};
using Atoms = std::array<signed char, 6>;

// A nucleoside (base + sugar, free 5'- and 3'-OH), by the name it goes by in
// a sequence: one letter, or a bracketed short name for modified ones.
struct Nucleoside {
    const char *name;
    Atoms atoms; // C H N O P S
};

constexpr std::array<Nucleoside, 19> kRibonucleosides = {{
    {"A", {10, 13, 5, 4, 0, 0}},     // adenosine
    {"C", {9, 13, 3, 5, 0, 0}},      // cytidine
    {"G", {10, 13, 5, 5, 0, 0}},     // guanosine
    {"U", {9, 12, 2, 6, 0, 0}},      // uridine
    {"m1A", {11, 15, 5, 4, 0, 0}},   // 1-methyladenosine
    {"m6A", {11, 15, 5, 4, 0, 0}},   // N6-methyladenosine
    {"Am", {11, 15, 5, 4, 0, 0}},    // 2'-O-methyladenosine
    {"m5C", {10, 15, 3, 5, 0, 0}},   // 5-methylcytidine
    {"Cm", {10, 15, 3, 5, 0, 0}},    // 2'-O-methylcytidine
    {"ac4C", {11, 15, 3, 6, 0, 0}},  // N4-acetylcytidine
    {"m1G", {11, 15, 5, 5, 0, 0}},   // 1-methylguanosine
    {"m2G", {11, 15, 5, 5, 0, 0}},   // N2-methylguanosine
    {"Gm", {11, 15, 5, 5, 0, 0}},    // 2'-O-methylguanosine
    {"I", {10, 12, 4, 5, 0, 0}},     // inosine
    {"Psi", {9, 12, 2, 6, 0, 0}},    // pseudouridine
    {"m1Psi", {10, 14, 2, 6, 0, 0}}, // N1-methylpseudouridine
    {"Um", {10, 14, 2, 6, 0, 0}},    // 2'-O-methyluridine
    {"m5U", {10, 14, 2, 6, 0, 0}},   // 5-methyluridine (ribothymidine)
    {"D", {9, 14, 2, 6, 0, 0}},      // dihydrouridine
}};

constexpr std::array<Nucleoside, 10> kDeoxynucleosides = {{
    {"A", {10, 13, 5, 3, 0, 0}},     // 2'-deoxyadenosine
    {"C", {9, 13, 3, 4, 0, 0}},      // 2'-deoxycytidine
    {"G", {10, 13, 5, 4, 0, 0}},     // 2'-deoxyguanosine
    {"T", {10, 14, 2, 5, 0, 0}},     // thymidine
    {"m5C", {10, 15, 3, 4, 0, 0}},   // 5-methyl-2'-deoxycytidine
    {"hm5C", {10, 15, 3, 5, 0, 0}},  // 5-hydroxymethyl-2'-deoxycytidine
    {"m6A", {11, 15, 5, 3, 0, 0}},   // N6-methyl-2'-deoxyadenosine
    {"oxo8G", {10, 13, 5, 5, 0, 0}}, // 8-oxo-2'-deoxyguanosine
    {"U", {9, 12, 2, 5, 0, 0}},      // 2'-deoxyuridine
    {"I", {10, 12, 4, 4, 0, 0}},     // 2'-deoxyinosine
}};

// What one phosphate group adds: HPO3 (esterifying an OH: + H3PO4 - H2O).
constexpr Atoms kPhosphate = {0, 1, 0, 3, 1, 0};
// Water, lost once more when a phosphate links two OH groups.
constexpr Atoms kWater = {0, 2, 0, 1, 0, 0};

class NucleicReader : text::Cursor {
  public:
    NucleicReader(std::string_view text, bool rna, chem::Composition &composition,
                  ChainParts *parts = nullptr)
        : Cursor(text, rna ? "RNA" : "DNA"), rna_(rna), composition_(composition), parts_(parts) {}

    Outcome read() {
        composition_ = chem::Composition{};
        if (text_.empty()) return Outcome::failure(CORVAN_E_SYNTAX, "empty sequence");
        Outcome step = read_five_prime();
        if (parts_) parts_->five_prime = composition_;
        if (step.ok()) step = read_chain();
        const chem::Composition before_end = parts_ ? composition_ : chem::Composition{};
        if (step.ok()) step = read_three_prime();
        if (parts_) {
            parts_->three_prime = composition_;
            parts_->three_prime.add(before_end, -1);
        }
        if (step.ok() && pos_ < text_.size()) step = unexpected();
        if (!step.ok()) return step;
        add(kPhosphate, units_ - 1); // the phosphodiester links
        add(kWater, -(units_ - 1));
        return Outcome::success();
    }

  private:
    bool rna_;
    chem::Composition &composition_;
    int units_ = 0;
    ChainParts *parts_; // null unless the caller wants them

    const char *what() const { return rna_ ? "RNA" : "DNA"; }

    void add(const Atoms &atoms, int times) {
        for (std::size_t k = 0; k < kColumns.size(); ++k)
            if (atoms[k] != 0) composition_.add_natural(kColumns[k], times * atoms[k]);
    }

    // "p-", "pp-", "ppp-": 5'-mono-, di- or triphosphate.
    Outcome read_five_prime() {
        std::size_t count = 0;
        while (count < text_.size() && text_[count] == 'p') ++count;
        if (count == 0) return Outcome::success();
        if (count > 3 || count >= text_.size() || text_[count] != '-')
            return fail(CORVAN_E_SYNTAX,
                        "a 5' end is written 'p-', 'pp-' or 'ppp-' before the sequence", 0);
        add(kPhosphate, static_cast<int>(count));
        pos_ = count + 1;
        return Outcome::success();
    }

    // "-p": 3'-phosphate; ">p": 2',3'-cyclic phosphate (RNA only).
    Outcome read_three_prime() {
        const char mark = peek();
        if (mark != '-' && mark != '>') return Outcome::success();
        const long at = static_cast<long>(pos_);
        if (text_.size() - pos_ != 2 || text_[pos_ + 1] != 'p')
            return fail(CORVAN_E_SYNTAX, "a 3' end is written '-p' or '>p' after the sequence", at);
        if (mark == '>' && !rna_)
            return fail(CORVAN_E_UNSUPPORTED, "a 2',3'-cyclic phosphate (DNA has no 2'-OH)", at);
        add(kPhosphate, 1);
        if (mark == '>') add(kWater, -1); // the ring closes on the 2'-OH
        pos_ += 2;
        return Outcome::success();
    }

    Outcome read_chain() {
        while (pos_ < text_.size() && peek() != '-' && peek() != '>') {
            const std::size_t start = pos_;
            std::optional<chem::Composition> before;
            if (parts_) before = composition_;
            Outcome unit = peek() == '[' ? read_bracket() : read_letter();
            if (!unit.ok()) return unit;
            ++units_;
            if (before) record_unit(text_.substr(start, pos_ - start), *before);
        }
        if (units_ == 0) return fail(CORVAN_E_SYNTAX, "no nucleotides", static_cast<long>(pos_));
        return Outcome::success();
    }

    void record_unit(std::string_view written, const chem::Composition &before) {
        if (written.front() == '[') written = written.substr(1, written.size() - 2);
        ChainParts::Unit unit{std::string(written), composition_};
        unit.atoms.add(before, -1);
        parts_->units.push_back(std::move(unit));
    }

    const Nucleoside *find(std::string_view name) const {
        if (rna_) {
            for (const Nucleoside &n : kRibonucleosides)
                if (name == n.name) return &n;
        } else {
            for (const Nucleoside &n : kDeoxynucleosides)
                if (name == n.name) return &n;
        }
        return nullptr;
    }

    Outcome read_letter() {
        const char c = peek();
        if (c >= 'a' && c <= 'z')
            return fail(CORVAN_E_SYNTAX,
                        "lower-case nucleotide " + quoted({&c, 1}) +
                            " (nucleotides are upper-case letters)",
                        static_cast<long>(pos_));
        if (c < 'A' || c > 'Z') return unexpected();
        const std::string_view letters = rna_ ? "ACGU" : "ACGT";
        if (letters.find(c) == std::string_view::npos)
            return fail(CORVAN_E_UNKNOWN,
                        quoted({&c, 1}) + " is no " + what() + " nucleotide (" +
                            std::string(letters) + ", or a modified one in brackets)",
                        static_cast<long>(pos_));
        add(find(text_.substr(pos_, 1))->atoms, 1);
        ++pos_;
        return Outcome::success();
    }

    Outcome read_bracket() {
        const std::size_t open = pos_;
        const std::size_t close = text_.find(']', open);
        if (close == std::string_view::npos)
            return fail(CORVAN_E_SYNTAX, "unclosed bracket", static_cast<long>(open));
        const std::string_view name = text_.substr(open + 1, close - open - 1);
        pos_ = close + 1;
        if (const Nucleoside *nucleoside = find(name)) {
            add(nucleoside->atoms, 1);
            return Outcome::success();
        }
        if (const modomics::Entry *entry = rna_ ? modomics::find(name) : nullptr)
            return chem::parse_formula(entry->formula, composition_, "Modomics formula", -1);
        return fail(CORVAN_E_UNKNOWN,
                    "unknown " + std::string(what()) + " nucleoside '" + std::string(name) + "'" +
                        (rna_ ? " (a Modomics short name or code, such as m7G or 7G)" : ""),
                    static_cast<long>(open + 1));
    }
};

} // namespace

Outcome parse_nucleic_acid(std::string_view text, bool rna, chem::Composition &composition) {
    return NucleicReader(text, rna, composition).read();
}

Outcome parse_nucleic_chain(std::string_view text, bool rna, chem::Composition &composition,
                            ChainParts &parts) {
    parts = ChainParts{};
    return NucleicReader(text, rna, composition, &parts).read();
}

} // namespace corvan::nucleic
