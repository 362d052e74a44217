// Chimeric ProForma texts: how many peptidoforms, and each as a molecule.
#include "api/peptidoform_api.hpp"

#include <cstring>
#include <vector>

#include "peptide/proforma.hpp"

namespace corvan::api {

namespace {

Outcome read_all(const char *text, std::vector<peptide::Peptidoform> &ions) {
    if (text == nullptr) return Outcome::failure(CORVAN_E_ARGUMENT, "no text given");
    if (std::strlen(text) > CORVAN_MAX_TEXT)
        return Outcome::failure(CORVAN_E_RANGE, "the text is longer than " +
                                                    std::to_string(CORVAN_MAX_TEXT) + " bytes");
    return peptide::parse_peptidoforms(text, ions);
}

} // namespace

Outcome read_peptidoform(std::string_view text, std::size_t index, corvan_molecule &molecule) {
    std::vector<peptide::Peptidoform> ions;
    Outcome read = peptide::parse_peptidoforms(text, ions);
    if (!read.ok()) return read;
    if (index == kOnlyPeptidoform && ions.size() > 1)
        return Outcome::failure(CORVAN_E_UNSUPPORTED,
                                "the peptide " + quoted(text) + " holds " +
                                    std::to_string(ions.size()) +
                                    " peptidoforms ('+'): read each with "
                                    "corvan_peptidoform_parse",
                                static_cast<long>(ions[1].start) - 1);
    if (index == kOnlyPeptidoform) index = 0;
    if (index >= ions.size())
        return Outcome::failure(CORVAN_E_ARGUMENT, "peptidoform " + std::to_string(index) + " of " +
                                                       std::to_string(ions.size()));
    peptide::Peptidoform &ion = ions[index];
    molecule.composition = std::move(ion.composition);
    molecule.charge = ion.charge;
    molecule.has_adducts = ion.has_adducts;
    molecule.adducts = std::move(ion.adducts);
    return Outcome::success();
}

} // namespace corvan::api

using namespace corvan;

extern "C" {

int corvan_peptidoform_count(const char *text, size_t *count, corvan_error *error) {
    return api::guarded(error, [&]() -> Outcome {
        if (count == nullptr) return Outcome::failure(CORVAN_E_ARGUMENT, "no count pointer");
        *count = 0;
        std::vector<peptide::Peptidoform> ions;
        Outcome read = api::read_all(text, ions);
        if (!read.ok()) return read;
        for (const peptide::Peptidoform &ion : ions) {
            corvan_molecule molecule;
            molecule.composition = ion.composition;
            Outcome checked = api::check_molecule(text, molecule);
            if (!checked.ok()) return checked;
        }
        *count = ions.size();
        return Outcome::success();
    });
}

int corvan_peptidoform_parse(const char *text, size_t index, corvan_molecule **molecule,
                             corvan_error *error) {
    return api::guarded(error, [&]() -> Outcome {
        if (molecule == nullptr) return Outcome::failure(CORVAN_E_ARGUMENT, "no molecule pointer");
        *molecule = nullptr;
        if (text == nullptr) return Outcome::failure(CORVAN_E_ARGUMENT, "no text given");
        if (std::strlen(text) > CORVAN_MAX_TEXT)
            return Outcome::failure(CORVAN_E_RANGE, "the text is longer than " +
                                                        std::to_string(CORVAN_MAX_TEXT) + " bytes");
        corvan_molecule made;
        Outcome read = api::read_peptidoform(text, index, made);
        if (read.ok()) read = api::check_molecule(text, made);
        if (read.ok()) *molecule = new corvan_molecule{std::move(made)};
        return read;
    });
}

} // extern "C"
