// Many molecules per call: rows of texts or masses into caller-owned
// matrices, with one envelope workspace shared by every row.
#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <limits>
#include <memory>
#include <optional>

#include "api/handles.hpp"
#include "envelope/envelope.hpp"
#include "envelope/highest_point.hpp"
#include "molecule/averaging_units.hpp"

namespace corvan::many {

namespace {

const corvan_options kDefaults{};
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

// The caller's arrays, from either result struct.
using Table = corvan_many_table;

// The fields of a caller's corvan_many_table that its `size` covers: a
// caller compiled against an older, shorter struct gets the later
// (optional) fields as NULL. None for a null or too short struct.
std::optional<Table> table_of(const corvan_many_table *given) {
    constexpr std::size_t kFirstVersion =
        offsetof(corvan_many_table, first_neutrons) + sizeof(int *);
    if (given == nullptr || given->size < kFirstVersion) return std::nullopt;
    Table table{};
    std::memcpy(&table, given, std::min(given->size, sizeof table));
    return table;
}

// None for null results.
std::optional<Table> table_of(const corvan_many_results *results) {
    if (results == nullptr) return std::nullopt;
    return Table{
        sizeof(Table),   results->points, results->heights, results->mz, results->monoisotopic_mz,
        results->status, results->errors, nullptr};
}

// One row's slots in the caller's arrays.
struct RowSlots {
    double *heights;
    double *mz;              // may be null
    double *monoisotopic_mz; // may be null
    corvan_error *error;     // may be null
    int *first_neutrons;     // may be null
};

RowSlots slots_of(const Table &results, std::size_t row) {
    const std::size_t first = row * results.points;
    return {results.heights + first, results.mz == nullptr ? nullptr : results.mz + first,
            results.monoisotopic_mz == nullptr ? nullptr : results.monoisotopic_mz + row,
            results.errors == nullptr ? nullptr : results.errors + row,
            results.first_neutrons == nullptr ? nullptr : results.first_neutrons + row};
}

void fill_failed(const RowSlots &slots, std::size_t points) {
    for (std::size_t j = 0; j < points; ++j) slots.heights[j] = kNaN;
    if (slots.mz != nullptr)
        for (std::size_t j = 0; j < points; ++j) slots.mz[j] = kNaN;
    if (slots.monoisotopic_mz != nullptr) *slots.monoisotopic_mz = kNaN;
    if (slots.first_neutrons != nullptr) *slots.first_neutrons = 0;
}

// The envelope's highest share and the index where it first occurs.
struct Peak {
    double share = 0;
    std::ptrdiff_t at = 0;
};

Peak peak_of(const std::vector<double> &shares) {
    if (shares.empty()) return {};
    const std::size_t top = envelope::highest_point(shares.data(), shares.size());
    return {shares[top], static_cast<std::ptrdiff_t>(top)};
}

// Index into envelope.shares of the row's first column: the whole envelope
// from M on when it fits there, else from its first point when it fits,
// else the `points` contiguous points of largest total share that hold the
// most abundant one (at `top`).
std::ptrdiff_t window_start(const envelope::Envelope &envelope, std::size_t points,
                            std::ptrdiff_t top) {
    const std::vector<double> &shares = envelope.shares;
    const auto count = static_cast<std::ptrdiff_t>(shares.size());
    const auto width = static_cast<std::ptrdiff_t>(points);
    if (count <= width) {
        const bool fits_from_m =
            envelope.first_neutrons >= 0 && envelope.first_neutrons + count <= width;
        return fits_from_m ? -envelope.first_neutrons : 0;
    }
    const std::ptrdiff_t lowest = std::max<std::ptrdiff_t>(0, top - width + 1);
    const std::ptrdiff_t highest = std::min(top, count - width);
    double sum = 0;
    for (std::ptrdiff_t i = lowest; i < lowest + width; ++i) sum += shares[std::size_t(i)];
    std::ptrdiff_t best = lowest;
    double best_sum = sum;
    for (std::ptrdiff_t start = lowest + 1; start <= highest; ++start) {
        sum += shares[std::size_t(start + width - 1)] - shares[std::size_t(start - 1)];
        if (sum > best_sum) best_sum = sum, best = start;
    }
    return best;
}

// Columns [from, to) of a row hold no point: height 0, m/z NaN.
void write_empty(double *heights, double *mz, std::ptrdiff_t from, std::ptrdiff_t to) {
    for (std::ptrdiff_t j = from; j < to; ++j) heights[j] = 0;
    if (mz != nullptr)
        for (std::ptrdiff_t j = from; j < to; ++j) mz[j] = kNaN;
}

// Columns [begin, end) of a row from the envelope's points (share[j + at]
// and mass[j + at] for column j). A point below CORVAN_ACCURACY has share 0 and
// mass NaN in the envelope, which the scaling keeps: 0 / highest is 0 and
// NaN stays NaN. The arrays never overlap (restrict): the loop needs no
// check of where they lie.
void scale_heights(const double *__restrict share, std::ptrdiff_t at, double highest,
                   double *__restrict heights, std::ptrdiff_t begin, std::ptrdiff_t end) {
    for (std::ptrdiff_t j = begin; j < end; ++j) heights[j] = share[j + at] / highest;
}

void scale_points(const double *__restrict share, const double *__restrict mass, std::ptrdiff_t at,
                  double highest, int charge, double *__restrict heights, double *__restrict mz,
                  std::ptrdiff_t begin, std::ptrdiff_t end) {
    for (std::ptrdiff_t j = begin; j < end; ++j) {
        heights[j] = share[j + at] / highest;
        mz[j] = ion::to_mz_or_mass(mass[j + at], charge);
    }
}

// Heights scaled to the envelope's highest point, as
// corvan_distribution_compute scales its intensities; the window holds it.
// Each column is written once, in one pass over the row: no point, point
// by point, no point.
void write_points(const envelope::Envelope &envelope, int charge, const RowSlots &slots,
                  std::size_t points) {
    const std::vector<double> &shares = envelope.shares;
    const Peak peak = peak_of(shares);
    const std::ptrdiff_t start = window_start(envelope, points, peak.at);
    const auto width = static_cast<std::ptrdiff_t>(points);
    // Columns [begin, end) lie over the envelope's points.
    const std::ptrdiff_t begin = std::clamp<std::ptrdiff_t>(-start, 0, width);
    const std::ptrdiff_t end = std::clamp<std::ptrdiff_t>(
        static_cast<std::ptrdiff_t>(shares.size()) - start, begin, width);
    write_empty(slots.heights, slots.mz, 0, begin);
    if (slots.mz == nullptr)
        scale_heights(shares.data(), start, peak.share, slots.heights, begin, end);
    else
        scale_points(shares.data(), envelope.masses.data(), start, peak.share, charge,
                     slots.heights, slots.mz, begin, end);
    write_empty(slots.heights, slots.mz, end, width);
    if (slots.monoisotopic_mz != nullptr)
        *slots.monoisotopic_mz = ion::to_mz_or_mass(envelope.monoisotopic_mass, charge);
    if (slots.first_neutrons != nullptr)
        *slots.first_neutrons = envelope.first_neutrons + static_cast<int>(start);
}

// State reused from row to row: nothing is allocated per row once the
// first rows have grown the vectors and working arrays.
class Rows {
  public:
    Rows(const corvan_options &options, const int *charges, const Table &results)
        : options_(options), charges_(charges), results_(results), carrier_(options.carrier),
          workspace_(options.labels),
          adduct_(charges == nullptr ? api::check_adduct_charge(options) : Outcome::success()) {}

    // Computes one parsed molecule into its row. Every step returns its own
    // failure; success is made in place, so that no outcome is copied.
    Outcome compute(const corvan_molecule &molecule, std::size_t row) {
        if (!adduct_.ok()) return adduct_;
        int charge = charges_ == nullptr ? options_.charge : charges_[row];
        const ion::Carrier *carrier = &carrier_;
        if (molecule.charge != 0) {
            Outcome resolved = resolve_charge(molecule, charge, carrier);
            if (!resolved.ok()) return resolved;
        }
        const chem::Composition *own = nullptr;
        Outcome charged = ion_of(molecule, charge, *carrier, own);
        if (!charged.ok()) return charged;
        Outcome computed = envelope::compute(*own, &ion_.carriers, workspace_, envelope_);
        if (!computed.ok()) return computed;
        write_points(envelope_, charge, slots_of(results_, row), results_.points);
        return Outcome::success();
    }

    // Files the row's status; a failed row gets NaN.
    bool finish(std::size_t row, const Outcome &outcome) {
        corvan_error *error = results_.errors == nullptr ? nullptr : results_.errors + row;
        results_.status[row] = error == nullptr ? outcome.status : report(outcome, error);
        if (!outcome.ok()) fill_failed(slots_of(results_, row), results_.points);
        return outcome.ok();
    }

  private:
    // A charge the molecule's text gives ("PEPTIDE/2", where the notation
    // has one) as corvan_distribution_compute takes it: it holds, carried by
    // protons or by the adducts the text writes ("/1[+2Na+,-H+]"), when the
    // row asks for 0; the same charge keeps the adduct unless the text names
    // its own; a different one is refused.
    Outcome resolve_charge(const corvan_molecule &molecule, int &charge,
                           const ion::Carrier *&carrier) {
        bool from_text = false;
        Outcome agreed =
            ion::charge_from_text(molecule.charge, molecule.has_adducts, charge, "row", from_text);
        if (!agreed.ok() || !from_text) return agreed;
        charge = molecule.charge;
        if (molecule.has_adducts) {
            carrier = &molecule.adducts;
            return Outcome::success();
        }
        if (proton_.atoms.empty()) proton_ = ion::proton();
        carrier = &proton_;
        return Outcome::success();
    }

    // The ion's parts, its carriers' atoms written only when the carrier or
    // their count differs from the last row's. A text's own adducts live in
    // the reused molecule, whose next row may hold others: never kept.
    Outcome ion_of(const corvan_molecule &molecule, int charge, const ion::Carrier &carrier,
                   const chem::Composition *&own) {
        int carriers = 0;
        if (!ion::count_carriers(charge, carrier, carriers))
            return ion::count_carriers_refused(charge, carrier);
        const bool kept = &carrier == carriers_of_ && carriers == carriers_count_;
        // The usual row: the last row's carriers, the molecule's atoms
        // unchanged and none of its counts ever below zero, so none is now.
        if (kept && ion::keeps_molecule(carriers, carrier) &&
            !molecule.composition.negatives_added) {
            own = &molecule.composition;
            return Outcome::success();
        }
        carriers_of_ = nullptr; // until ion_.carriers is whole again
        Outcome made = ion::ion_parts_counted(molecule.composition, charge, carriers, carrier, kept,
                                              ion_, own);
        if (&carrier != &molecule.adducts) carriers_of_ = &carrier, carriers_count_ = carriers;
        if (!made.ok()) return made;
        return Outcome::success();
    }

    const corvan_options &options_;
    const int *charges_;
    const Table &results_;
    ion::Carrier carrier_;
    ion::Carrier proton_; // made when a text first gives its own charge
    envelope::Workspace workspace_;
    ion::Ion ion_;
    envelope::Envelope envelope_;
    const Outcome adduct_; // an adduct without a charge refuses every row
    // Which carrier, how many times, ion_.carriers holds; null: unknown.
    const ion::Carrier *carriers_of_ = nullptr;
    int carriers_count_ = 0;
};

// Each row's molecule is read into one reused molecule (whose arrays keep
// their room), by what the public calls read with, so that every kind they
// learn is read here too. Each reader replaces the composition's atoms
// (parse_molecule, composition_by_mass): no row empties it first.
template <class Make> std::size_t run_rows(Rows &rows, std::size_t count, Make &&make_row) {
    std::size_t failed = 0;
    corvan_molecule molecule;
    for (std::size_t row = 0; row < count; ++row) {
        // Each outcome is made where it is filed: none is moved.
        try {
            molecule.charge = 0;
            molecule.has_adducts = false;
            const Outcome made = make_row(row, molecule);
            if (!made.ok())
                failed += !rows.finish(row, made);
            else
                failed += !rows.finish(row, rows.compute(molecule, row));
        } catch (...) { // this row only
            failed += !rows.finish(row, exception_outcome());
        }
    }
    return failed;
}

Outcome check_call(const void *inputs, std::size_t rows, const Table *results) {
    if (results == nullptr)
        return Outcome::failure(CORVAN_E_ARGUMENT, "no results given, or a size below the "
                                                   "first version of corvan_many_table");
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
            const Table *results, std::size_t *failed, Make &&make_row) {
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

namespace corvan::many {
namespace {

Outcome run_inputs(int kind, const char *const *texts, const int *charges, size_t rows,
                   const corvan_options *options, const std::optional<Table> &table,
                   size_t *failed) {
    if (!known_kind(kind)) {
        if (failed != nullptr) *failed = 0;
        return Outcome::failure(CORVAN_E_ARGUMENT, "unknown molecule kind");
    }
    return run(texts, rows, charges, options, table ? &*table : nullptr, failed,
               [=](std::size_t row, corvan_molecule &molecule) {
                   return api::parse_molecule(kind, texts[row], molecule);
               });
}

Outcome run_inputs(int kind, const double *masses, const int *charges, size_t rows,
                   const corvan_options *options, const std::optional<Table> &table,
                   size_t *failed) {
    if (!known_kind(kind) || kind == CORVAN_KIND_FORMULA) {
        if (failed != nullptr) *failed = 0;
        return Outcome::failure(CORVAN_E_ARGUMENT,
                                "a molecule by mass is a peptide, an RNA or a DNA");
    }
    return run(masses, rows, charges, options, table ? &*table : nullptr, failed,
               [=](std::size_t row, corvan_molecule &molecule) {
                   return chem::composition_by_mass(kind, masses[row], molecule.composition);
               });
}

// The C calls: texts or masses in, results in either layout out.
template <class Inputs, class Results>
int guarded_run(int kind, Inputs inputs, const int *charges, size_t rows,
                const corvan_options *options, const Results *results, size_t *failed,
                corvan_error *error) {
    return api::guarded(error, [&]() -> Outcome {
        return run_inputs(kind, inputs, charges, rows, options, table_of(results), failed);
    });
}

} // namespace
} // namespace corvan::many

extern "C" {

int corvan_many_from_texts(int kind, const char *const *texts, const int *charges, size_t rows,
                           const corvan_options *options, const corvan_many_results *results,
                           size_t *failed, corvan_error *error) {
    return many::guarded_run(kind, texts, charges, rows, options, results, failed, error);
}

int corvan_many_from_masses(int kind, const double *masses, const int *charges, size_t rows,
                            const corvan_options *options, const corvan_many_results *results,
                            size_t *failed, corvan_error *error) {
    return many::guarded_run(kind, masses, charges, rows, options, results, failed, error);
}

int corvan_many_table_from_texts(int kind, const char *const *texts, const int *charges,
                                 size_t rows, const corvan_options *options,
                                 const corvan_many_table *table, size_t *failed,
                                 corvan_error *error) {
    return many::guarded_run(kind, texts, charges, rows, options, table, failed, error);
}

int corvan_many_table_from_masses(int kind, const double *masses, const int *charges, size_t rows,
                                  const corvan_options *options, const corvan_many_table *table,
                                  size_t *failed, corvan_error *error) {
    return many::guarded_run(kind, masses, charges, rows, options, table, failed, error);
}

} // extern "C"
