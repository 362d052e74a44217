// The distribution handle: computing, limiting and reading the points.
#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <memory>
#include <new>
#include <numeric>

#include "api/handles.hpp"
#include "core/plan_cache.hpp"
#include "core/thread_state.hpp"
#include "envelope/envelope.hpp"
#include "envelope/highest_point.hpp"

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

// Indices of the `points` shares that pass `floor`, at most `cap` of them
// (the highest shares), in order of k, into `kept` (reused from call to
// call).
void capped_points(const double *shares, std::size_t points, Floor floor, std::size_t cap,
                   std::vector<std::size_t> &kept) {
    // Every index written, the count advanced only past the kept ones.
    kept.resize(points);
    std::size_t count = 0;
    for (std::size_t i = 0; i < points; ++i) {
        kept[count] = i;
        count += floor.keeps(shares[i]);
    }
    kept.resize(count);
    if (count <= cap) return;
    // The highest first, of equal ones the lower k: a selection that
    // allocates nothing.
    const auto before = [&](std::size_t a, std::size_t b) {
        return shares[a] > shares[b] || (shares[a] == shares[b] && a < b);
    };
    std::nth_element(kept.begin(), kept.begin() + static_cast<std::ptrdiff_t>(cap) - 1, kept.end(),
                     before);
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

// Two doubles worked as one: each lane rounds as the scalar operation does.
using Lanes = double __attribute__((vector_size(16)));
// Four ints worked as one.
using IntLanes = int __attribute__((vector_size(16)));

// intensities[j] = shares[j] / highest for `count` points, two at a time;
// whether every share is at least `least`, found in the same pass.
bool scale_shares(const double *shares, std::size_t count, double highest, double least,
                  double *intensities) {
    const Lanes floor{least, least};
    auto below = Lanes{} < Lanes{}; // no lane set
    std::size_t j = 0;
    for (; j + 2 <= count; j += 2) {
        Lanes two;
        std::memcpy(&two, shares + j, sizeof two);
        const Lanes scaled = two / highest;
        std::memcpy(intensities + j, &scaled, sizeof scaled);
        below |= two < floor;
    }
    bool passes = (below[0] | below[1]) == 0;
    if (j < count) {
        intensities[j] = shares[j] / highest;
        passes = passes && shares[j] >= least;
    }
    return passes;
}

// neutrons[j] = first + j for `count` points, four at a time.
void number_points(int *neutrons, std::size_t count, int first) {
    IntLanes four{first, first + 1, first + 2, first + 3};
    std::size_t j = 0;
    for (; j + 4 <= count; j += 4, four += 4) std::memcpy(neutrons + j, &four, sizeof four);
    for (; j < count; ++j) neutrons[j] = first + static_cast<int>(j);
}

void fill_mz(corvan_distribution &d, int charge) {
    if (charge == 0) return;
    const double *masses = d.masses;
    double *mz = d.mz;
    for (std::size_t j = 0; j < d.count; ++j) mz[j] = ion::to_mz(masses[j], charge);
}

// The handle as the room for the envelope's points: made once their number
// is known, its shares and masses written by the envelope in place.
class HandleRoom final : public envelope::PointRoom {
  public:
    explicit HandleRoom(bool with_mz) : with_mz_(with_mz) {}
    bool make(std::size_t points, double *&shares, double *&masses) override {
        handle = make_handle(points, with_mz_);
        if (!handle) return false;
        handle->count = points;
        shares = handle->shares;
        masses = handle->masses;
        return true;
    }

    Handle handle;

  private:
    bool with_mz_;
};

// The points that pass the limits moved to the front of the handle's
// columns (each to an index at most its own, so in place), with their
// neutrons; the highest of them marked.
void keep_passing(corvan_distribution &d, int first_neutrons, Floor floor, std::size_t cap,
                  std::vector<std::size_t> &kept) {
    double *shares = d.shares, *masses = d.masses;
    const std::size_t points = d.count;
    std::size_t top = 0, count = 0;
    const auto put = [&](std::size_t i) {
        const std::size_t j = count++;
        d.neutrons[j] = first_neutrons + static_cast<int>(i);
        shares[j] = shares[i];
        masses[j] = masses[i];
        if (shares[j] > shares[top]) top = j;
    };
    if (cap > 0 && points > cap) {
        capped_points(shares, points, floor, cap, kept);
        for (std::size_t i : kept) put(i);
    } else {
        for (std::size_t i = 0; i < points; ++i)
            if (floor.keeps(shares[i])) put(i);
    }
    d.count = count;
    d.summary.most_abundant = top;
}

// The handle's other columns once the envelope wrote its shares and
// masses. The points that pass the floor are usually one run about the
// highest (which always passes: the least intensity is at most 1), found
// from both ends; the columns written then start at its first point (the
// block keeps the few before it). Otherwise, or where the cap bites, the
// points that pass move to the front.
void finish(corvan_distribution &d, int first_neutrons, const corvan_options &options,
            std::vector<std::size_t> &kept) {
    const std::size_t points = d.count, top = envelope::highest_point(d.shares, points);
    const double highest = d.shares[top]; // before the points move
    const Floor floor{options.min_intensity * highest, options.min_intensity == 0};
    const auto cap = static_cast<std::size_t>(options.max_points);
    std::size_t low = 0, high = points;
    while (low < top && !floor.keeps(d.shares[low])) ++low;
    while (high > top + 1 && !floor.keeps(d.shares[high - 1])) --high;
    if ((cap == 0 || high - low <= cap) &&
        scale_shares(d.shares + low, high - low, highest, floor.least, d.intensities)) {
        d.shares += low;
        d.masses += low;
        d.count = high - low;
        number_points(d.neutrons, d.count, first_neutrons + static_cast<int>(low));
        d.summary.most_abundant = top - low;
    } else {
        keep_passing(d, first_neutrons, floor, cap, kept);
        scale_shares(d.shares, d.count, highest, floor.least, d.intensities);
    }
    fill_mz(d, options.charge);
}

void fill_most_abundant(const corvan_distribution &result, corvan_most_abundant &top) {
    const std::size_t i = result.summary.most_abundant;
    top.index = i;
    top.neutrons = result.neutrons[i];
    top.share = result.shares[i];
    top.mass = result.masses[i];
    top.mz = result.mz == nullptr ? std::numeric_limits<double>::quiet_NaN() : result.mz[i];
}

// What a call works in besides its handle (the formula read, the ion, the
// envelope's summary, the indices a cap keeps): kept by the thread from
// call to call, so that the handle is the call's one allocation (a fresh
// one with the caches turned off, as the envelope's own state).
struct Scratch {
    corvan_molecule molecule;
    ion::Ion ion;
    envelope::Envelope envelope;
    std::vector<std::size_t> kept;
};

Outcome compute(const chem::Composition &molecule, const corvan_options &options, Scratch &scratch,
                Handle &handle) {
    const chem::Composition *own = nullptr;
    Outcome charged = ion::ion_parts(molecule, options.charge, options.carrier, scratch.ion, own);
    if (!charged.ok()) return charged;
    envelope::Envelope &envelope = scratch.envelope;
    envelope::NeutralMasses neutral;
    HandleRoom room(options.charge != 0);
    Outcome computed = envelope::compute(*own, &scratch.ion.carriers, options.labels, molecule,
                                         room, envelope, neutral);
    if (!computed.ok()) return computed;
    handle = std::move(room.handle);
    corvan_distribution &result = *handle;
    finish(result, envelope.first_neutrons, options, scratch.kept);
    fill_most_abundant(result, result.most_abundant);
    result.summary.charge = options.charge;
    result.summary.monoisotopic_mass = neutral.monoisotopic;
    result.summary.average_mass = neutral.average;
    result.summary.monoisotopic_mz = options.charge == 0
                                         ? std::numeric_limits<double>::quiet_NaN()
                                         : ion::to_mz(envelope.monoisotopic_mass, options.charge);
    return Outcome::success();
}

// compute() with the options' copy that takes the text's charge and
// carrier: apart, so that the usual call does not make room for the copy.
[[gnu::noinline]] Outcome compute_text_charge(const corvan_molecule &molecule,
                                              const corvan_options &options, Scratch &scratch,
                                              Handle &handle) {
    corvan_options local = options;
    local.charge = molecule.charge;
    local.carrier = molecule.has_adducts ? molecule.adducts : ion::proton();
    return compute(molecule.composition, local, scratch, handle);
}

// The options' charge, or the text's ("PEPTIDE/2": protons) when the options
// leave it at 0; two different non-zero charges are refused. Adduct ions the
// text writes ("/1[+2Na+,-H+]") carry its charge.
Outcome compute_into(const corvan_molecule &molecule, const corvan_options *options,
                     Scratch &scratch, corvan_distribution **distribution) {
    // Each refusal is returned as made, success made in place: no outcome
    // is moved on the usual path.
    const corvan_options &given = options == nullptr ? kDefaults : *options;
    if (adduct_lacks_charge(given)) return check_adduct_charge(given);
    bool from_text = false;
    if (molecule.charge != 0) {
        Outcome agreed = ion::charge_from_text(molecule.charge, molecule.has_adducts, given.charge,
                                               "options charge", from_text);
        if (!agreed.ok()) return agreed;
    }
    Handle result;
    Outcome computed = from_text ? compute_text_charge(molecule, given, scratch, result)
                                 : compute(molecule.composition, given, scratch, result);
    if (!computed.ok()) return computed;
    *distribution = result.release();
    return Outcome::success();
}

// A molecule to parse a formula into: the scratch's, whose atoms
// parse_molecule replaces as the many-molecule calls' rows do (its arrays
// keep their room). Other kinds, whose readers hand over arrays of their own, take a
// fresh one, so that nothing a call allocates outlives it but its result.
template <class Body> Outcome with_molecule(int kind, Scratch &scratch, Body &&body) {
    if (kind != CORVAN_KIND_FORMULA) {
        corvan_molecule fresh;
        return body(fresh);
    }
    corvan_molecule &kept = scratch.molecule;
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
        return with_thread_state<api::Scratch>([&](api::Scratch &scratch) {
            return api::compute_into(*molecule, options, scratch, distribution);
        });
    });
}

int corvan_distribution_from_text(int kind, const char *text, const corvan_options *options,
                                  corvan_distribution **distribution, corvan_error *error) {
    return api::guarded(error, [&]() -> Outcome {
        if (distribution == nullptr) return Outcome::failure(CORVAN_E_ARGUMENT, "a NULL argument");
        *distribution = nullptr;
        return with_thread_state<api::Scratch>([&](api::Scratch &scratch) {
            return api::with_molecule(kind, scratch, [&](corvan_molecule &molecule) {
                Outcome parsed = api::parse_molecule(kind, text, molecule);
                if (!parsed.ok()) return parsed;
                return api::compute_into(molecule, options, scratch, distribution);
            });
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
