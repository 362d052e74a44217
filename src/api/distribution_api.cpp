// The distribution handle: computing, limiting and reading the points.
#include <algorithm>
#include <cmath>
#include <limits>
#include <memory>
#include <numeric>

#include "api/handles.hpp"
#include "envelope/envelope.hpp"

namespace corvan::api {

namespace {

const corvan_options kDefaults{};

double to_mz(double mass, int charge) {
    return (mass - charge * CORVAN_ELECTRON_MASS) / std::abs(charge);
}

// Indices of the envelope's points that the limits keep, in order of k.
std::vector<std::size_t> kept_points(const envelope::Envelope &envelope, double highest,
                                     const corvan_options &options) {
    std::vector<std::size_t> kept;
    kept.reserve(envelope.shares.size());
    for (std::size_t i = 0; i < envelope.shares.size(); ++i)
        if (options.min_intensity == 0 || envelope.shares[i] >= options.min_intensity * highest)
            kept.push_back(i);
    const std::size_t cap = static_cast<std::size_t>(options.max_points);
    if (cap > 0 && kept.size() > cap) {
        std::stable_sort(kept.begin(), kept.end(), [&](std::size_t a, std::size_t b) {
            return envelope.shares[a] > envelope.shares[b];
        });
        kept.resize(cap);
        std::sort(kept.begin(), kept.end());
    }
    return kept;
}

void fill(const envelope::Envelope &envelope, const corvan_options &options,
          corvan_distribution &result) {
    const double highest = *std::max_element(envelope.shares.begin(), envelope.shares.end());
    const int charge = options.charge;
    const std::vector<std::size_t> kept = kept_points(envelope, highest, options);
    for (auto *column : {&result.shares, &result.intensities, &result.masses})
        column->reserve(kept.size());
    result.neutrons.reserve(kept.size());
    if (charge != 0) result.mz.reserve(kept.size());
    for (std::size_t i : kept) {
        result.neutrons.push_back(envelope.first_neutrons + static_cast<int>(i));
        result.shares.push_back(envelope.shares[i]);
        result.intensities.push_back(envelope.shares[i] / highest);
        result.masses.push_back(envelope.masses[i]);
        if (charge != 0) result.mz.push_back(to_mz(envelope.masses[i], charge));
    }
    const auto top = std::max_element(result.shares.begin(), result.shares.end());
    result.summary.most_abundant = static_cast<std::size_t>(top - result.shares.begin());
}

void fill_most_abundant(const corvan_distribution &result, corvan_most_abundant &top) {
    const std::size_t i = result.summary.most_abundant;
    top.index = i;
    top.neutrons = result.neutrons[i];
    top.share = result.shares[i];
    top.mass = result.masses[i];
    top.mz = result.mz.empty() ? std::numeric_limits<double>::quiet_NaN() : result.mz[i];
}

Outcome compute(const chem::Composition &molecule, const corvan_options &options,
                corvan_distribution &result) {
    ion::Ion ion;
    Outcome charged = ion::ion_composition(molecule, options.charge, options.carrier, ion);
    if (!charged.ok()) return charged;
    envelope::Envelope envelope;
    Outcome computed = envelope::compute(ion.molecule, &ion.carriers, options.labels, envelope);
    if (!computed.ok()) return computed;
    fill(envelope, options, result);
    fill_most_abundant(result, result.most_abundant);
    result.summary.charge = options.charge;
    Outcome weighed = envelope::masses(molecule, options.labels, result.summary.monoisotopic_mass,
                                       result.summary.average_mass);
    if (!weighed.ok()) return weighed;
    result.summary.monoisotopic_mz = options.charge == 0
                                         ? std::numeric_limits<double>::quiet_NaN()
                                         : to_mz(envelope.monoisotopic_mass, options.charge);
    return Outcome::success();
}

// The options' charge, or the text's ("PEPTIDE/2": protons) when the options
// leave it at 0; two different non-zero charges are refused. Adduct ions the
// text writes ("/1[+2Na+,-H+]") carry its charge.
Outcome resolve_charge(const corvan_molecule &molecule, const corvan_options &options,
                       corvan_options &local, const corvan_options *&use) {
    use = &options;
    const int text_charge = molecule.charge;
    if (text_charge == 0 || (text_charge == options.charge && !molecule.has_adducts))
        return Outcome::success();
    if (options.charge != 0)
        return Outcome::failure(CORVAN_E_CHARGE,
                                "the text gives charge " + std::to_string(text_charge) +
                                    " and the options charge " + std::to_string(options.charge));
    local = options;
    local.charge = text_charge;
    use = &local;
    if (molecule.has_adducts) {
        local.carrier = molecule.adducts;
        return Outcome::success();
    }
    return ion::parse_carrier("", local.carrier);
}

Outcome compute_into(const corvan_molecule &molecule, const corvan_options *options,
                     corvan_distribution **distribution) {
    Outcome adduct = check_adduct_charge(options == nullptr ? kDefaults : *options);
    if (!adduct.ok()) return adduct;
    corvan_options local;
    const corvan_options *use = nullptr;
    Outcome resolved =
        resolve_charge(molecule, options == nullptr ? kDefaults : *options, local, use);
    if (!resolved.ok()) return resolved;
    auto result = std::make_unique<corvan_distribution>();
    Outcome computed = compute(molecule.composition, *use, *result);
    if (computed.ok()) *distribution = result.release();
    return computed;
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
        corvan_molecule molecule;
        Outcome parsed = api::parse_molecule(kind, text, molecule);
        if (!parsed.ok()) return parsed;
        return api::compute_into(molecule, options, distribution);
    });
}

void corvan_distribution_free(corvan_distribution *distribution) {
    delete distribution;
}

int corvan_distribution_points(const corvan_distribution *distribution, corvan_points *points) {
    if (distribution == nullptr || points == nullptr) return CORVAN_E_ARGUMENT;
    points->count = distribution->shares.size();
    points->neutrons = distribution->neutrons.data();
    points->shares = distribution->shares.data();
    points->intensities = distribution->intensities.data();
    points->masses = distribution->masses.data();
    points->mz = distribution->mz.empty() ? nullptr : distribution->mz.data();
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
