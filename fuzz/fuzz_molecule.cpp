// The molecule layer: formula parser, options (charge, adduct, label) and
// the envelope, with invariants on every result.
#include <cmath>

#include "fuzz_common.hpp"

namespace {

// Sums of atoms are bounded so that every input computes quickly.
constexpr double kMostAtoms = 1e5;

void check_error(const corvan_error &error, int status, std::size_t length) {
    FUZZ_CHECK(error.status == status, "error status differs from the result");
    FUZZ_CHECK(std::memchr(error.message, '\0', sizeof error.message) != nullptr,
               "message not terminated");
    FUZZ_CHECK(error.position >= -1 && error.position <= static_cast<long>(length),
               "position outside the text");
    if (status != CORVAN_OK) FUZZ_CHECK(error.message[0] != '\0', "failure without a message");
}

void check_distribution(const corvan_distribution *d, int charge) {
    corvan_points p;
    corvan_summary s;
    FUZZ_CHECK(corvan_distribution_points(d, &p) == CORVAN_OK, "points");
    FUZZ_CHECK(corvan_distribution_summary(d, &s) == CORVAN_OK, "summary");
    FUZZ_CHECK(p.count > 0 && s.most_abundant < p.count, "no points");
    FUZZ_CHECK((p.mz != nullptr) == (charge != 0), "m/z only for ions");
    double sum = 0;
    for (std::size_t i = 0; i < p.count; ++i) {
        FUZZ_CHECK(p.shares[i] >= 0 && p.shares[i] <= 1 + 1e-9, "share outside [0, 1]");
        FUZZ_CHECK(p.intensities[i] >= 0 && p.intensities[i] <= 1, "intensity outside [0, 1]");
        FUZZ_CHECK(i == 0 || p.neutrons[i] > p.neutrons[i - 1], "points out of order");
        FUZZ_CHECK(p.shares[i] == 0 || std::isfinite(p.masses[i]), "no mass for a point");
        sum += p.shares[i];
    }
    FUZZ_CHECK(sum <= 1 + 1e-9, "shares above one");
    FUZZ_CHECK(p.intensities[s.most_abundant] == 1, "highest point is not 1");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    fuzz::Reader in(data, size);
    const int charge = static_cast<int>(in.byte() % 7) - 3;
    const double fraction = in.byte() / 200.0; // also above 1, which must be refused
    const std::string text = in.rest_text();

    corvan_error error{};
    corvan_molecule *molecule = nullptr;
    const int parsed = corvan_molecule_parse(CORVAN_KIND_FORMULA, text.c_str(), &molecule, &error);
    check_error(error, parsed, text.size());
    FUZZ_CHECK((parsed == CORVAN_OK) == (molecule != nullptr), "molecule without success");
    if (parsed != CORVAN_OK) return 0;

    std::size_t count = 0;
    corvan_molecule_atoms(molecule, nullptr, 0, &count);
    std::vector<corvan_atom_count> atoms(count);
    corvan_molecule_atoms(molecule, atoms.data(), count, &count);
    double total = 0;
    for (const auto &atom : atoms) total += std::fabs(atom.count);
    // The formula the library writes reads back to the same atoms.
    std::size_t length = 0;
    corvan_molecule_formula(molecule, nullptr, 0, &length);
    std::string formula(length + 1, '\0');
    FUZZ_CHECK(corvan_molecule_formula(molecule, formula.data(), length + 1, &length) == CORVAN_OK,
               "formula");
    corvan_molecule *again = nullptr;
    FUZZ_CHECK(corvan_molecule_parse(CORVAN_KIND_FORMULA, formula.c_str(), &again, nullptr) ==
                   CORVAN_OK,
               "written formula does not parse");
    corvan_molecule_free(again);

    corvan_options *options = corvan_options_create();
    const int charged = corvan_options_set_charge(options, charge, nullptr, &error);
    FUZZ_CHECK(charged == CORVAN_OK, "proton charge refused");
    const int labelled = corvan_options_set_label(options, "13C", fraction, &error);
    FUZZ_CHECK((labelled == CORVAN_OK) == (fraction <= 1), "label fraction check");
    if (total <= kMostAtoms) {
        corvan_distribution *d = nullptr;
        const int computed = corvan_distribution_compute(molecule, options, &d, &error);
        check_error(error, computed, text.size());
        if (computed == CORVAN_OK)
            check_distribution(d, charge);
        else
            // A loss beyond the molecule's atoms; a label of carbon that the
            // molecule lacks; a fractional count where the lightest isotope
            // is not the most abundant.
            FUZZ_CHECK(computed == CORVAN_E_RANGE ||
                           (computed == CORVAN_E_LABEL && labelled == CORVAN_OK) ||
                           computed == CORVAN_E_UNSUPPORTED,
                       "unexpected failure");
        corvan_distribution_free(d);
    }
    corvan_options_free(options);
    corvan_molecule_free(molecule);
    return 0;
}
