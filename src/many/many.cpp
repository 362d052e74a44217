// Many molecules per call: rows of texts or masses into caller-owned
// matrices, with one envelope workspace shared by every row.
#include <cmath>
#include <cstdint>
#include <limits>
#include <memory>

#include "api/handles.hpp"
#include "envelope/envelope.hpp"

namespace corvan::many {

namespace {

const corvan_options kDefaults{};
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

struct MoleculeFree {
    void operator()(corvan_molecule *molecule) const noexcept { corvan_molecule_free(molecule); }
};
using MoleculeHandle = std::unique_ptr<corvan_molecule, MoleculeFree>;

// One row's slots in the caller's arrays.
struct RowSlots {
    double *heights;
    double *mz;              // may be null
    double *monoisotopic_mz; // may be null
    corvan_error *error;     // may be null
};

RowSlots slots_of(const corvan_many_results &results, std::size_t row) {
    const std::size_t first = row * results.points;
    return {results.heights + first, results.mz == nullptr ? nullptr : results.mz + first,
            results.monoisotopic_mz == nullptr ? nullptr : results.monoisotopic_mz + row,
            results.errors == nullptr ? nullptr : results.errors + row};
}

void fill_failed(const RowSlots &slots, std::size_t points) {
    for (std::size_t j = 0; j < points; ++j) slots.heights[j] = kNaN;
    if (slots.mz != nullptr)
        for (std::size_t j = 0; j < points; ++j) slots.mz[j] = kNaN;
    if (slots.monoisotopic_mz != nullptr) *slots.monoisotopic_mz = kNaN;
}

// m/z of a charged row, the neutral mass itself for charge 0.
double to_mz(double mass, int charge) {
    return charge == 0 ? mass : (mass - charge * CORVAN_ELECTRON_MASS) / std::abs(charge);
}

// Heights scaled to the envelope's highest point, as
// corvan_distribution_compute scales its intensities.
void write_points(const envelope::Envelope &envelope, int charge, const RowSlots &slots,
                  std::size_t points) {
    for (std::size_t j = 0; j < points; ++j) slots.heights[j] = 0;
    if (slots.mz != nullptr)
        for (std::size_t j = 0; j < points; ++j) slots.mz[j] = kNaN;
    double highest = 0;
    for (double share : envelope.shares) highest = std::max(highest, share);
    for (std::size_t i = 0; i < envelope.shares.size(); ++i) {
        const std::size_t column = static_cast<std::size_t>(envelope.first_neutrons) + i;
        if (column >= points) break;
        if (envelope.shares[i] == 0) continue;
        slots.heights[column] = envelope.shares[i] / highest;
        if (slots.mz != nullptr) slots.mz[column] = to_mz(envelope.masses[i], charge);
    }
    if (slots.monoisotopic_mz != nullptr)
        *slots.monoisotopic_mz = to_mz(envelope.monoisotopic_mass, charge);
}

// State reused from row to row: nothing is allocated per row once the
// first rows have grown the vectors and working arrays.
class Rows {
  public:
    Rows(const corvan_options &options, const int *charges, const corvan_many_results &results)
        : options_(options), charges_(charges), results_(results), carrier_(options.carrier),
          workspace_(options.labels) {
        // Options whose charge was never set hold no carrier yet: the proton.
        if (carrier_.atoms.empty()) ion::parse_carrier("", carrier_);
    }

    // Computes one parsed molecule into its row.
    Outcome compute(const corvan_molecule &molecule, std::size_t row) {
        int charge = charges_ == nullptr ? options_.charge : charges_[row];
        const ion::Carrier *carrier = &carrier_;
        Outcome resolved = resolve_charge(text_charge(molecule), charge, carrier);
        if (!resolved.ok()) return resolved;
        Outcome charged = ion::ion_composition(molecule.composition, charge, *carrier, ion_);
        if (!charged.ok()) return charged;
        Outcome computed = envelope::compute(ion_, workspace_, envelope_);
        if (computed.ok())
            write_points(envelope_, charge, slots_of(results_, row), results_.points);
        return computed;
    }

    // Files the row's status; a failed row gets NaN.
    bool finish(std::size_t row, const Outcome &outcome) {
        const RowSlots slots = slots_of(results_, row);
        results_.status[row] = report(outcome, slots.error);
        if (!outcome.ok()) fill_failed(slots, results_.points);
        return outcome.ok();
    }

  private:
    // A charge the molecule's text gives ("PEPTIDE/2", where the notation
    // has one) as corvan_distribution_compute takes it: it holds, carried by
    // protons, when the row asks for 0; the same charge keeps the adduct; a
    // different one is refused.
    template <class Molecule> static int text_charge(const Molecule &molecule) {
        if constexpr (requires { molecule.charge; })
            return molecule.charge;
        else
            return 0;
    }

    Outcome resolve_charge(int given, int &charge, const ion::Carrier *&carrier) {
        if (given == 0 || given == charge) return Outcome::success();
        if (charge != 0)
            return Outcome::failure(CORVAN_E_CHARGE, "the text gives charge " +
                                                         std::to_string(given) + " and the row " +
                                                         std::to_string(charge));
        if (proton_.atoms.empty()) {
            Outcome made = ion::parse_carrier("", proton_);
            if (!made.ok()) return made;
        }
        charge = given;
        carrier = &proton_;
        return Outcome::success();
    }

    const corvan_options &options_;
    const int *charges_;
    const corvan_many_results &results_;
    ion::Carrier carrier_;
    ion::Carrier proton_; // made when a text first gives its own charge
    envelope::Workspace workspace_;
    chem::Composition ion_;
    envelope::Envelope envelope_;
};

// The molecule of one row, from its text or its mass, read by the public
// calls so that every kind they learn is read here too.
template <class Make> Outcome row_molecule(Make &&make, MoleculeHandle &molecule) {
    corvan_error error{};
    corvan_molecule *made = nullptr;
    const int status = make(&made, &error);
    molecule.reset(made);
    if (status == CORVAN_OK) return Outcome::success();
    return Outcome::failure(status, error.message, error.position);
}

template <class Make> std::size_t run_rows(Rows &rows, std::size_t count, Make &&make_row) {
    std::size_t failed = 0;
    for (std::size_t row = 0; row < count; ++row) {
        Outcome outcome;
        try {
            MoleculeHandle molecule;
            outcome = row_molecule(
                [&](corvan_molecule **m, corvan_error *e) { return make_row(row, m, e); },
                molecule);
            if (outcome.ok()) outcome = rows.compute(*molecule, row);
        } catch (...) { // an allocation failed in this row only
            outcome = Outcome::failure(CORVAN_E_MEMORY, "out of memory");
        }
        failed += !rows.finish(row, outcome);
    }
    return failed;
}

Outcome check_call(const void *inputs, std::size_t rows, const corvan_many_results *results) {
    if (results == nullptr) return Outcome::failure(CORVAN_E_ARGUMENT, "no results given");
    if (results->points == 0 || results->points > CORVAN_MAX_POINTS)
        return Outcome::failure(CORVAN_E_ARGUMENT,
                                "points must lie from 1 to " + std::to_string(CORVAN_MAX_POINTS));
    if (rows == 0) return Outcome::success();
    if (inputs == nullptr || results->heights == nullptr || results->status == nullptr)
        return Outcome::failure(CORVAN_E_ARGUMENT, "a NULL input, heights or status array");
    if (rows > SIZE_MAX / sizeof(double) / results->points)
        return Outcome::failure(CORVAN_E_ARGUMENT, "rows x points exceeds the address space");
    return Outcome::success();
}

template <class Make>
Outcome run(const void *inputs, std::size_t rows, const int *charges, const corvan_options *options,
            const corvan_many_results *results, std::size_t *failed, Make &&make_row) {
    if (failed != nullptr) *failed = 0;
    Outcome checked = check_call(inputs, rows, results);
    if (!checked.ok() || rows == 0) return checked;
    Rows state(options == nullptr ? kDefaults : *options, charges, *results);
    const std::size_t count = run_rows(state, rows, make_row);
    if (failed != nullptr) *failed = count;
    return Outcome::success();
}

bool known_kind(int kind) {
    return kind >= CORVAN_KIND_FORMULA && kind <= CORVAN_KIND_DNA;
}

} // namespace
} // namespace corvan::many

using namespace corvan;

extern "C" {

int corvan_many_from_texts(int kind, const char *const *texts, const int *charges, size_t rows,
                           const corvan_options *options, const corvan_many_results *results,
                           size_t *failed, corvan_error *error) {
    return api::guarded(error, [&]() -> Outcome {
        if (!many::known_kind(kind)) {
            if (failed != nullptr) *failed = 0;
            return Outcome::failure(CORVAN_E_ARGUMENT, "unknown molecule kind");
        }
        return many::run(texts, rows, charges, options, results, failed,
                         [&](std::size_t row, corvan_molecule **molecule, corvan_error *e) {
                             return corvan_molecule_parse(kind, texts[row], molecule, e);
                         });
    });
}

int corvan_many_from_masses(int kind, const double *masses, const int *charges, size_t rows,
                            const corvan_options *options, const corvan_many_results *results,
                            size_t *failed, corvan_error *error) {
    return api::guarded(error, [&]() -> Outcome {
        if (!many::known_kind(kind) || kind == CORVAN_KIND_FORMULA) {
            if (failed != nullptr) *failed = 0;
            return Outcome::failure(CORVAN_E_ARGUMENT,
                                    "a molecule by mass is a peptide, an RNA or a DNA");
        }
        return many::run(masses, rows, charges, options, results, failed,
                         [&](std::size_t row, corvan_molecule **molecule, corvan_error *e) {
                             return corvan_molecule_from_mass(kind, masses[row], molecule, e);
                         });
    });
}

} // extern "C"
