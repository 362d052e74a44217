// Expected envelopes for observed-spectrum comparisons.
#include "observed/expected_envelope.hpp"

#include <cmath>
#include <cstdlib>
#include <memory>

#include "molecule/elements.hpp"

namespace corvan::observed {

namespace {

constexpr int kMaxTriedCharge = 100;

struct DistributionFree {
    void operator()(corvan_distribution *d) const { corvan_distribution_free(d); }
};

Outcome add_labels(corvan_options &options, const std::vector<labels::Label> &extra) {
    for (const labels::Label &label : extra) {
        const std::string name =
            std::to_string(label.mass_number) + chem::element_symbol(label.element);
        Outcome added = options.labels.set(name, label.fraction);
        if (!added.ok()) return added;
    }
    return Outcome::success();
}

} // namespace

// Deisotoping asks for it thousands of times a scan: worked out once.
double proton_mass() {
    static const double mass = chem::lightest_mass(chem::element::H) - CORVAN_ELECTRON_MASS;
    return mass;
}

Outcome expected_envelope(const corvan_molecule &molecule, const corvan_options &options,
                          int charge, const std::vector<labels::Label> &extra, Expected &result) {
    corvan_molecule neutral = molecule;
    neutral.charge = 0;
    corvan_options ion = options;
    ion.charge = charge;
    ion.max_points = 0;
    ion.min_intensity = 0;
    Outcome labelled = add_labels(ion, extra);
    if (!labelled.ok()) return labelled;
    corvan_distribution *raw = nullptr;
    corvan_error error{};
    if (corvan_distribution_compute(&neutral, &ion, &raw, &error) != CORVAN_OK)
        return Outcome::failure(error.status, error.message);
    const std::unique_ptr<corvan_distribution, DistributionFree> owned(raw);
    result.charge = charge;
    result.monoisotopic_mz = raw->summary.monoisotopic_mz;
    result.points.clear();
    for (std::size_t i = 0; i < raw->count; ++i)
        if (std::isfinite(raw->mz[i]))
            result.points.push_back(
                {raw->neutrons[i], raw->mz[i], raw->shares[i], raw->intensities[i]});
    return Outcome::success();
}

Outcome single_charge(const corvan_molecule &molecule, const corvan_options &options, int &charge) {
    charge = options.charge != 0 ? options.charge : molecule.charge;
    if (charge != 0) return Outcome::success();
    return Outcome::failure(CORVAN_E_CHARGE, "a spectrum shows ions: give the charge (in the "
                                             "options, or in the text as \"/2\")");
}

Outcome charges_to_try(const corvan_molecule &molecule, const corvan_options &options, int low,
                       int high, std::vector<int> &charges) {
    charges.clear();
    if (low == 0 && high == 0) {
        int charge = 0;
        Outcome given = single_charge(molecule, options, charge);
        if (given.ok()) charges.push_back(charge);
        return given;
    }
    if (low == 0 || high == 0 || (low < 0) != (high < 0) || low > high)
        return Outcome::failure(CORVAN_E_CHARGE,
                                "a charge range must run from low to high on one side of 0");
    if (std::abs(low) > kMaxTriedCharge || std::abs(high) > kMaxTriedCharge)
        return Outcome::failure(CORVAN_E_ARGUMENT, "charges beyond 100 are not tried");
    for (int z = low; z <= high; ++z) charges.push_back(z);
    return Outcome::success();
}

} // namespace corvan::observed
