// Peptide (ProForma), RNA and DNA text through corvan_molecule_parse: a
// result is a molecule whose formula reads back to the same atoms; a
// refusal leaves no molecule and points inside the text with a message.
#include "fuzz_common.hpp"

namespace {

void check_refusal(int status, const corvan_molecule *molecule, const corvan_error &error,
                   size_t size) {
    FUZZ_CHECK(molecule == nullptr, "molecule left after a failure");
    FUZZ_CHECK(status == error.status, "status differs from the error record");
    FUZZ_CHECK(status >= CORVAN_E_SYNTAX && status <= CORVAN_E_UNSUPPORTED &&
                   status != CORVAN_E_ARGUMENT,
               "unexpected status");
    // A fault at the end of the text (a missing part) points just past it.
    FUZZ_CHECK(error.position >= -1 && error.position <= (long)size, "position outside the text");
    FUZZ_CHECK(error.message[0] != '\0', "empty message");
}

// The Hill formula of the molecule parses as a formula to the same formula.
void check_round_trip(const corvan_molecule *molecule) {
    char formula[4096];
    size_t length = 0;
    if (corvan_molecule_formula(molecule, formula, sizeof formula, &length) != CORVAN_OK) {
        FUZZ_CHECK(length >= sizeof formula, "formula refused with room to spare");
        return;
    }
    corvan_molecule *again = nullptr;
    FUZZ_CHECK(corvan_molecule_parse(CORVAN_KIND_FORMULA, formula, &again, nullptr) == CORVAN_OK,
               "the molecule's formula does not parse");
    char second[4096];
    FUZZ_CHECK(corvan_molecule_formula(again, second, sizeof second, nullptr) == CORVAN_OK,
               "second formula");
    FUZZ_CHECK(std::strcmp(formula, second) == 0, "formula round trip differs");
    corvan_molecule_free(again);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    fuzz::Reader in(data, size);
    static const int kinds[] = {CORVAN_KIND_PEPTIDE, CORVAN_KIND_RNA, CORVAN_KIND_DNA};
    const int kind = kinds[in.byte() % 3];
    const std::string text = in.rest_text();

    corvan_molecule *molecule = nullptr;
    corvan_error error;
    const int status = corvan_molecule_parse(kind, text.c_str(), &molecule, &error);
    if (status != CORVAN_OK) {
        check_refusal(status, molecule, error, text.size());
        return 0;
    }
    FUZZ_CHECK(molecule != nullptr && error.position == -1, "success record");
    int charge = 7777;
    FUZZ_CHECK(corvan_molecule_charge(molecule, &charge) == CORVAN_OK, "charge call");
    FUZZ_CHECK(charge >= -1000 && charge <= 1000, "charge range");
    FUZZ_CHECK(kind == CORVAN_KIND_PEPTIDE || charge == 0, "charge on a nucleic acid");
    check_round_trip(molecule);
    corvan_molecule_free(molecule);
    return 0;
}
