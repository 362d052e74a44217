// The molecule handle: parsing, molecules by mass, atom lists and formulas.
#include <cstring>
#include <new>

#include "api/handles.hpp"
#include "molecule/averaging_units.hpp"
#include "molecule/formula_parser.hpp"
#include "nucleic/nucleic_acid.hpp"
#include "peptide/proforma.hpp"

namespace corvan::api {

Outcome parse_molecule(int kind, const char *text, corvan_molecule &molecule) {
    if (text == nullptr) return Outcome::failure(CORVAN_E_ARGUMENT, "no text given");
    const std::size_t length = std::strlen(text);
    if (length > CORVAN_MAX_TEXT)
        return Outcome::failure(CORVAN_E_RANGE, "the text is longer than " +
                                                    std::to_string(CORVAN_MAX_TEXT) + " bytes");
    molecule.charge = 0;
    switch (kind) {
    case CORVAN_KIND_FORMULA:
        return chem::parse_molecule_formula({text, length}, molecule.composition);
    case CORVAN_KIND_PEPTIDE:
        return peptide::parse_proforma({text, length}, molecule.composition, molecule.charge);
    case CORVAN_KIND_RNA:
    case CORVAN_KIND_DNA:
        return nucleic::parse_nucleic_acid({text, length}, kind == CORVAN_KIND_RNA,
                                           molecule.composition);
    default:
        return Outcome::failure(CORVAN_E_ARGUMENT, "unknown molecule kind");
    }
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

} // extern "C"
