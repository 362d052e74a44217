// The molecule handle: parsing, molecules by mass, atom lists and formulas.
#include <cstring>
#include <new>

#include "api/handles.hpp"
#include "api/peptidoform_api.hpp"
#include "core/numbers.hpp"
#include "molecule/averaging_units.hpp"
#include "molecule/formula_parser.hpp"
#include "nucleic/nucleic_acid.hpp"

namespace corvan::api {

namespace {

// Where the text writes the offending atoms, as near as a search finds it:
// "[13C" for an isotope, the symbol followed by '-' for an element.
long locate(std::string_view text, const std::string &needle) {
    const std::size_t at = text.find(needle);
    return at == std::string_view::npos ? -1 : static_cast<long>(at);
}

// No count of an isotope, nor of an element's atoms of natural abundance,
// may be below zero: such a molecule has no isotope pattern. Nor has an
// element without a natural composition unless its isotope is written.
Outcome check_counts(std::string_view text, const chem::Composition &composition) {
    for (const chem::FixedIsotope &isotope : composition.fixed)
        if (isotope.count < 0) {
            const std::string name =
                std::to_string(isotope.mass_number) + chem::element_symbol(isotope.element);
            return Outcome::failure(CORVAN_E_RANGE,
                                    "the molecule " + quoted(text) + " has " +
                                        text::count(isotope.count) + " atoms of " + name +
                                        ": no isotope count may be below zero",
                                    locate(text, "[" + name));
        }
    int refused = -1;
    composition.touched.for_each([&](int element) {
        const double count = composition.natural[static_cast<std::size_t>(element)];
        if (refused < 0 && count != 0 && !(count > 0 && chem::has_natural_composition(element)))
            refused = element;
    });
    if (refused >= 0) {
        const int element = refused;
        const double count = composition.natural[static_cast<std::size_t>(element)];
        const std::string symbol = chem::element_symbol(element);
        if (count > 0)
            return Outcome::failure(
                CORVAN_E_UNSUPPORTED,
                symbol + " in " + quoted(text) +
                    " has no natural isotopic composition: write the isotope meant, such as [" +
                    std::to_string(chem::isotopes_of(element).front().mass_number) + symbol + "]",
                locate(text, symbol));
        return Outcome::failure(CORVAN_E_RANGE,
                                "the molecule " + quoted(text) + " has " + text::count(count) +
                                    " atoms of " + symbol +
                                    " of natural abundance: a loss must not exceed the " + symbol +
                                    " atoms that are not written as isotopes",
                                locate(text, symbol + "-"));
    }
    return Outcome::success();
}

Outcome parse_text(int kind, std::string_view text, corvan_molecule &molecule) {
    switch (kind) {
    case CORVAN_KIND_FORMULA:
        return chem::parse_molecule_formula(text, molecule.composition);
    case CORVAN_KIND_PEPTIDE:
        return read_peptidoform(text, kOnlyPeptidoform, molecule);
    case CORVAN_KIND_RNA:
    case CORVAN_KIND_DNA:
        return nucleic::parse_nucleic_acid(text, kind == CORVAN_KIND_RNA, molecule.composition);
    default:
        return Outcome::failure(CORVAN_E_ARGUMENT, "unknown molecule kind");
    }
}

} // namespace

Outcome parse_molecule(int kind, const char *text, corvan_molecule &molecule) {
    if (text == nullptr) return Outcome::failure(CORVAN_E_ARGUMENT, "no text given");
    const std::size_t length = std::strlen(text);
    if (length > CORVAN_MAX_TEXT)
        return Outcome::failure(CORVAN_E_RANGE, "the text is longer than " +
                                                    std::to_string(CORVAN_MAX_TEXT) + " bytes");
    molecule.charge = 0;
    molecule.has_adducts = false;
    // The usual formula passes every check below as it is read.
    if (kind == CORVAN_KIND_FORMULA &&
        chem::read_plain_molecule({text, length}, molecule.composition))
        return Outcome::success();
    molecule.composition.clear(); // what the plain reader or an earlier row left
    Outcome parsed = parse_text(kind, {text, length}, molecule);
    if (!parsed.ok()) return parsed;
    return check_counts({text, length}, molecule.composition);
}

Outcome check_molecule(std::string_view text, const corvan_molecule &molecule) {
    return check_counts(text, molecule.composition);
}

namespace {

int hand_out(corvan_molecule &&made, corvan_molecule **molecule) {
    *molecule = new corvan_molecule{std::move(made)};
    return CORVAN_OK;
}

} // namespace
} // namespace corvan::api

using namespace corvan;

extern "C" {

int corvan_molecule_parse(int kind, const char *text, corvan_molecule **molecule,
                          corvan_error *error) {
    return api::guarded(error, [&]() -> Outcome {
        if (molecule == nullptr) return Outcome::failure(CORVAN_E_ARGUMENT, "no molecule pointer");
        *molecule = nullptr;
        corvan_molecule made;
        Outcome parsed = api::parse_molecule(kind, text, made);
        if (parsed.ok()) api::hand_out(std::move(made), molecule);
        return parsed;
    });
}

int corvan_molecule_from_mass(int kind, double mass, corvan_molecule **molecule,
                              corvan_error *error) {
    return api::guarded(error, [&]() -> Outcome {
        if (molecule == nullptr) return Outcome::failure(CORVAN_E_ARGUMENT, "no molecule pointer");
        *molecule = nullptr;
        corvan_molecule made;
        Outcome built = chem::composition_by_mass(kind, mass, made.composition);
        if (built.ok()) api::hand_out(std::move(made), molecule);
        return built;
    });
}

int corvan_molecule_charge(const corvan_molecule *molecule, int *charge) {
    if (molecule == nullptr || charge == nullptr) return CORVAN_E_ARGUMENT;
    *charge = molecule->charge;
    return CORVAN_OK;
}

void corvan_molecule_free(corvan_molecule *molecule) {
    delete molecule;
}

int corvan_molecule_atoms(const corvan_molecule *molecule, corvan_atom_count *atoms,
                          size_t capacity, size_t *count) {
    return api::guarded(nullptr, [&]() -> Outcome {
        if (molecule == nullptr || count == nullptr || (atoms == nullptr && capacity > 0))
            return Outcome::failure(CORVAN_E_ARGUMENT, "a NULL argument");
        const auto list = chem::hill_atoms(molecule->composition);
        *count = list.size();
        if (list.size() > capacity) return Outcome::failure(CORVAN_E_RANGE, "too small");
        for (std::size_t i = 0; i < list.size(); ++i) {
            std::memset(atoms[i].symbol, 0, sizeof atoms[i].symbol);
            std::strncpy(atoms[i].symbol, list[i].symbol.c_str(), sizeof atoms[i].symbol - 1);
            atoms[i].count = list[i].count;
        }
        return Outcome::success();
    });
}

int corvan_molecule_formula(const corvan_molecule *molecule, char *buffer, size_t size,
                            size_t *length) {
    return api::guarded(nullptr, [&]() -> Outcome {
        if (molecule == nullptr || (buffer == nullptr && size > 0))
            return Outcome::failure(CORVAN_E_ARGUMENT, "a NULL argument");
        const std::string text = chem::hill_formula(molecule->composition);
        if (length != nullptr) *length = text.size();
        if (text.size() + 1 > size) return Outcome::failure(CORVAN_E_RANGE, "too small");
        std::memcpy(buffer, text.c_str(), text.size() + 1);
        return Outcome::success();
    });
}

int corvan_molecule_nominal_mass(const corvan_molecule *molecule, long long *nominal) {
    return api::guarded(nullptr, [&]() -> Outcome {
        if (molecule == nullptr || nominal == nullptr)
            return Outcome::failure(CORVAN_E_ARGUMENT, "a NULL argument");
        std::optional<long long> sum = chem::nominal_mass(molecule->composition);
        if (!sum) return Outcome::failure(CORVAN_E_UNSUPPORTED, "no whole composition");
        *nominal = *sum;
        return Outcome::success();
    });
}

} // extern "C"
