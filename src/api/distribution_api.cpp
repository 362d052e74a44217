// The distribution handle: computing, limiting and reading the points.
#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <memory>
#include <new>
#include <numeric>

#include "api/handles.hpp"
#include "core/plan_cache.hpp"
#include "core/thread_state.hpp"
#include "envelope/envelope.hpp"

namespace corvan::api {

namespace {

const corvan_options kDefaults{};

// Whether point i passes the limits' least intensity (every point when it
// is 0).
struct Floor {
    double least;
    bool every;
    bool keeps(double share) const { return every || share >= least; }
};

// Indices of the points that pass `floor`, at most `cap` of them (the
// highest shares), in order of k, into `kept` (reused from call to call).
void capped_points(const envelope::Envelope &envelope, Floor floor, std::size_t cap,
                   std::vector<std::size_t> &kept) {
    // Every index written, the count advanced only past the kept ones.
    const std::size_t points = envelope.shares.size();
    kept.resize(points);
    std::size_t count = 0;
    for (std::size_t i = 0; i < points; ++i) {
        kept[count] = i;
        count += floor.keeps(envelope.shares[i]);
    }
    kept.resize(count);
    if (count <= cap) return;
    std::stable_sort(kept.begin(), kept.end(), [&](std::size_t a, std::size_t b) {
        return envelope.shares[a] > envelope.shares[b];
    });
    kept.resize(cap);
    std::sort(kept.begin(), kept.end());
}

// The handle and its columns in one block: the header, then the doubles,
// then the ints (each part aligned for its type).
struct HandleFree {
    void operator()(corvan_distribution *d) const noexcept { std::free(d); }
};
using Handle = std::unique_ptr<corvan_distribution, HandleFree>;

// Room for `room` points; the caller sets the count of those it writes.
Handle make_handle(std::size_t room, bool with_mz) {
    const std::size_t header = (sizeof(corvan_distribution) + 15) / 16 * 16;
    const std::size_t columns = with_mz ? 4 : 3;
    void *block = std::malloc(header + room * (columns * sizeof(double) + sizeof(int)));
    if (block == nullptr) return Handle();
    auto *d = new (block) corvan_distribution;
    auto *doubles = reinterpret_cast<double *>(static_cast<char *>(block) + header);
    d->shares = doubles;
    d->intensities = doubles + room;
    d->masses = doubles + 2 * room;
    d->mz = with_mz ? doubles + 3 * room : nullptr;
    d->neutrons = reinterpret_cast<int *>(doubles + columns * room);
    return Handle(d);
}

// The columns that follow from a kept point's share and mass, each in a
// loop of its own that the compiler can run on several points at once.
void fill_derived_columns(corvan_distribution &d, std::size_t count, double highest, int charge) {
    const double *shares = d.shares, *masses = d.masses;
    double *intensities = d.intensities, *mz = d.mz;
    for (std::size_t j = 0; j < count; ++j) intensities[j] = shares[j] / highest;
    if (charge != 0)
        for (std::size_t j = 0; j < count; ++j) mz[j] = ion::to_mz(masses[j], charge);
}

// The handle of the points that pass the limits. Unless a cap may bite, the
// points are taken in one pass into room for all of them, without a list of
// indices (a few points' room unused at most).
Handle filled(const envelope::Envelope &envelope, const corvan_options &options,
              std::vector<std::size_t> &kept) {
    const double *shares = envelope.shares.data(), *masses = envelope.masses.data();
    const std::size_t points = envelope.shares.size();
    const double highest = *std::max_element(shares, shares + points);
    const Floor floor{options.min_intensity * highest, options.min_intensity == 0};
    const auto cap = static_cast<std::size_t>(options.max_points);
    const bool may_cap = cap > 0 && points > cap;
    if (may_cap) capped_points(envelope, floor, cap, kept);
    const int charge = options.charge;
    Handle result = make_handle(may_cap ? kept.size() : points, charge != 0);
    if (!result) return result;
    corvan_distribution &d = *result;
    std::size_t top = 0, count = 0;
    const auto put = [&](std::size_t i) {
        const std::size_t j = count++;
        d.neutrons[j] = envelope.first_neutrons + static_cast<int>(i);
        d.shares[j] = shares[i];
        d.masses[j] = masses[i];
        if (shares[i] > d.shares[top]) top = j;
    };
    if (may_cap) {
        for (std::size_t i : kept) put(i);
    } else {
        for (std::size_t i = 0; i < points; ++i)
            if (floor.keeps(shares[i])) put(i);
    }
    fill_derived_columns(d, count, highest, charge);
    d.count = count;
    d.summary.most_abundant = top;
    return result;
}

void fill_most_abundant(const corvan_distribution &result, corvan_most_abundant &top) {
    const std::size_t i = result.summary.most_abundant;
    top.index = i;
    top.neutrons = result.neutrons[i];
    top.share = result.shares[i];
    top.mass = result.masses[i];
    top.mz = result.mz == nullptr ? std::numeric_limits<double>::quiet_NaN() : result.mz[i];
}

// What a call computes into before its handle is made: kept by the thread
// from call to call, so that the handle is the call's one allocation (a
// fresh one with the caches turned off, as the envelope's own state).
struct Scratch {
    ion::Ion ion;
    envelope::Envelope envelope;
    std::vector<std::size_t> kept;
};

Outcome compute(const chem::Composition &molecule, const corvan_options &options, Handle &handle) {
    return with_thread_state<Scratch>([&](Scratch &scratch) {
        const chem::Composition *own = nullptr;
        Outcome charged =
            ion::ion_parts(molecule, options.charge, options.carrier, scratch.ion, own);
        if (!charged.ok()) return charged;
        envelope::Envelope &envelope = scratch.envelope;
        envelope::NeutralMasses neutral;
        Outcome computed = envelope::compute(*own, &scratch.ion.carriers, options.labels, molecule,
                                             envelope, neutral);
        if (!computed.ok()) return computed;
        handle = filled(envelope, options, scratch.kept);
        if (!handle) return Outcome::failure(CORVAN_E_MEMORY, "out of memory");
        corvan_distribution &result = *handle;
        fill_most_abundant(result, result.most_abundant);
        result.summary.charge = options.charge;
        result.summary.monoisotopic_mass = neutral.monoisotopic;
        result.summary.average_mass = neutral.average;
        result.summary.monoisotopic_mz =
            options.charge == 0 ? std::numeric_limits<double>::quiet_NaN()
                                : ion::to_mz(envelope.monoisotopic_mass, options.charge);
        return Outcome::success();
    });
}

// compute() with the options' copy that takes the text's charge and
// carrier: apart, so that the usual call does not make room for the copy.
[[gnu::noinline]] Outcome compute_text_charge(const corvan_molecule &molecule,
                                              const corvan_options &options, Handle &handle) {
    corvan_options local = options;
    local.charge = molecule.charge;
    local.carrier = molecule.has_adducts ? molecule.adducts : ion::proton();
    return compute(molecule.composition, local, handle);
}

// The options' charge, or the text's ("PEPTIDE/2": protons) when the options
// leave it at 0; two different non-zero charges are refused. Adduct ions the
// text writes ("/1[+2Na+,-H+]") carry its charge.
Outcome compute_into(const corvan_molecule &molecule, const corvan_options *options,
                     corvan_distribution **distribution) {
    const corvan_options &given = options == nullptr ? kDefaults : *options;
    Outcome adduct = check_adduct_charge(given);
    if (!adduct.ok()) return adduct;
    bool from_text = false;
    Outcome agreed = ion::charge_from_text(molecule.charge, molecule.has_adducts, given.charge,
                                           "options charge", from_text);
    if (!agreed.ok()) return agreed;
    Handle result;
    Outcome computed = from_text ? compute_text_charge(molecule, given, result)
                                 : compute(molecule.composition, given, result);
    if (computed.ok()) *distribution = result.release();
    return computed;
}

// A molecule to parse a formula into: the thread's, emptied as the
// many-molecule calls empty theirs between rows (its arrays keep their
// room). Other kinds, whose readers hand over arrays of their own, and calls
// with the caches turned off take a fresh one, so that nothing a call
// allocates outlives it but its result.
template <class Body> Outcome with_molecule(int kind, Body &&body) {
    if (kind != CORVAN_KIND_FORMULA || !fft::caching()) {
        corvan_molecule fresh;
        return body(fresh);
    }
    thread_local corvan_molecule kept;
    kept.composition.clear();
    kept.charge = 0;
    kept.has_adducts = false;
    return body(kept);
}

} // namespace
} // namespace corvan::api

using namespace corvan;

extern "C" {

int corvan_distribution_compute(const corvan_molecule *molecule, const corvan_options *options,
                                corvan_distribution **distribution, corvan_error *error) {
    return api::guarded(error, [&]() -> Outcome {
        if (distribution == nullptr || molecule == nullptr) {
            if (distribution != nullptr) *distribution = nullptr;
            return Outcome::failure(CORVAN_E_ARGUMENT, "a NULL argument");
        }
        *distribution = nullptr;
        return api::compute_into(*molecule, options, distribution);
    });
}

int corvan_distribution_from_text(int kind, const char *text, const corvan_options *options,
                                  corvan_distribution **distribution, corvan_error *error) {
    return api::guarded(error, [&]() -> Outcome {
        if (distribution == nullptr) return Outcome::failure(CORVAN_E_ARGUMENT, "a NULL argument");
        *distribution = nullptr;
        return api::with_molecule(kind, [&](corvan_molecule &molecule) {
            Outcome parsed = api::parse_molecule(kind, text, molecule);
            if (!parsed.ok()) return parsed;
            return api::compute_into(molecule, options, distribution);
        });
    });
}

void corvan_distribution_free(corvan_distribution *distribution) {
    std::free(distribution); // one block; see make_handle
}

int corvan_distribution_points(const corvan_distribution *distribution, corvan_points *points) {
    if (distribution == nullptr || points == nullptr) return CORVAN_E_ARGUMENT;
    points->count = distribution->count;
    points->neutrons = distribution->neutrons;
    points->shares = distribution->shares;
    points->intensities = distribution->intensities;
    points->masses = distribution->masses;
    points->mz = distribution->mz;
    return CORVAN_OK;
}

int corvan_distribution_summary(const corvan_distribution *distribution, corvan_summary *summary) {
    if (distribution == nullptr || summary == nullptr) return CORVAN_E_ARGUMENT;
    *summary = distribution->summary;
    return CORVAN_OK;
}

int corvan_distribution_most_abundant(const corvan_distribution *distribution,
                                      corvan_most_abundant *point) {
    if (distribution == nullptr || point == nullptr) return CORVAN_E_ARGUMENT;
    *point = distribution->most_abundant;
    return CORVAN_OK;
}

} // extern "C"
