// The spectrum calls of the public interface: fine structure, profile and
// centroids of a molecule or ion, and the resolving-power helpers.
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>

#include "api/handles.hpp"
#include "spectrum/centroids.hpp"
#include "spectrum/fine_structure.hpp"
#include "spectrum/ion_atoms.hpp"
#include "spectrum/profile.hpp"

struct corvan_spectrum {
    int charge = 0;
    corvan::spectrum::FinePeaks fine;
    corvan::spectrum::Profile profile;
    corvan::spectrum::Centroids centroids;
};

namespace corvan::spectrum {

namespace {

enum Parts { kFine = 1, kProfile = 2, kCentroids = 4 };

corvan_spectrum_settings default_settings() {
    corvan_spectrum_settings s{};
    s.fine_mode = CORVAN_FINE_THRESHOLD;
    s.fine_value = 1e-3;
    s.max_peaks = 100000;
    s.resolution.analyzer = CORVAN_ANALYZER_ORBITRAP;
    s.resolution.resolving_power = 120000;
    s.resolution.reference_mz = 200;
    s.shape = CORVAN_SHAPE_GAUSSIAN;
    s.points_per_fwhm = 10;
    s.centroid_min_height = 1e-3;
    return s;
}

// The charge the call computes: the options', or the text's ("PEPTIDE/2",
// protons, or the adducts it writes) when the options leave it at 0, as
// corvan_distribution_compute.
Outcome resolve_charge(const corvan_molecule &molecule, const corvan_options &options, int &charge,
                       ion::Carrier &carrier) {
    charge = options.charge;
    carrier = options.carrier;
    bool from_text = false;
    Outcome agreed = ion::charge_from_text(molecule.charge, molecule.has_adducts, options.charge,
                                           "options charge", from_text);
    if (!agreed.ok() || !from_text) return agreed;
    charge = molecule.charge;
    carrier = molecule.has_adducts ? molecule.adducts : ion::proton();
    return Outcome::success();
}

// The ion's atoms as corvan_distribution_compute makes them: carriers gained
// stay natural, and what a whole ion loses ("[M-H2O+H]+") or a lost carrier
// takes ("[M-H]-") leaves from the molecule's own atoms.
Outcome atoms_of(const corvan_molecule &molecule, const corvan_options &options, IonAtoms &atoms) {
    int charge = 0;
    ion::Carrier carrier;
    Outcome resolved = resolve_charge(molecule, options, charge, carrier);
    ion::Ion ion;
    if (resolved.ok()) resolved = ion::ion_composition(molecule.composition, charge, carrier, ion);
    if (!resolved.ok()) return resolved;
    return ion_atoms(ion.molecule, ion.carriers, 1, charge, options.labels, atoms);
}

Outcome read_settings(const corvan_spectrum_settings &s, int parts, FineRequest &fine,
                      ProfileRequest &profile) {
    if (s.fine_mode != CORVAN_FINE_THRESHOLD && s.fine_mode != CORVAN_FINE_COVERAGE)
        return Outcome::failure(CORVAN_E_ARGUMENT, "unknown fine-structure mode");
    fine = {s.fine_mode == CORVAN_FINE_THRESHOLD ? FineMode::threshold : FineMode::coverage,
            s.fine_value, s.max_peaks};
    Outcome checked = check_request(fine);
    if (!checked.ok() || parts == kFine) return checked;
    checked = profile.power.set(s.resolution);
    if (checked.ok()) checked = make_peak_shape(s.shape, s.lorentzian_fraction, profile.shape);
    if (!checked.ok()) return checked;
    profile.mz_low = s.mz_low;
    profile.mz_high = s.mz_high;
    profile.mz_step = s.mz_step;
    profile.points_per_fwhm = s.points_per_fwhm;
    if (!(s.centroid_min_height >= 0 && s.centroid_min_height <= 1))
        return Outcome::failure(CORVAN_E_ARGUMENT,
                                "the centroids' least height must lie in [0, 1]");
    return check_grid(profile);
}

Outcome compute(const corvan_molecule &molecule, const corvan_options &options,
                const corvan_spectrum_settings &settings, int parts, corvan_spectrum &result,
                std::size_t &needed) {
    FineRequest fine;
    ProfileRequest request;
    Outcome step = read_settings(settings, parts, fine, request);
    IonAtoms atoms;
    if (step.ok()) step = atoms_of(molecule, options, atoms);
    if (!step.ok()) return step;
    result.charge = atoms.charge;
    if (parts & (kFine | kCentroids)) {
        step = fine_structure(atoms, fine, result.fine, needed);
        if (!step.ok()) return step;
    }
    if (parts & (kProfile | kCentroids)) {
        std::size_t internal = 0;
        step = profile(atoms, request, result.profile, internal);
        if (!step.ok()) {
            if (parts == kProfile) needed = internal;
            return step;
        }
    }
    if (parts & kCentroids)
        find_centroids(result.profile, result.fine, settings.centroid_min_height, result.centroids);
    return Outcome::success();
}

const corvan_options kNoOptions{};

int run(const corvan_molecule *molecule, const corvan_options *options,
        const corvan_spectrum_settings *settings, int parts, corvan_spectrum **spectrum,
        size_t *needed, corvan_error *error) {
    if (needed != nullptr) *needed = 0;
    if (spectrum != nullptr) *spectrum = nullptr;
    return api::guarded(error, [&]() -> Outcome {
        if (molecule == nullptr || spectrum == nullptr)
            return Outcome::failure(CORVAN_E_ARGUMENT, "a NULL argument");
        const corvan_spectrum_settings chosen = settings ? *settings : default_settings();
        auto made = std::make_unique<corvan_spectrum>();
        std::size_t count = 0;
        Outcome computed =
            compute(*molecule, options ? *options : kNoOptions, chosen, parts, *made, count);
        if (needed != nullptr) *needed = count;
        if (computed.ok()) *spectrum = made.release();
        return computed;
    });
}

template <class T> const T *data_or_null(const std::vector<T> &v) {
    return v.empty() ? nullptr : v.data();
}

// A positive finite number that fills [begin, end) whole.
bool read_positive(const char *begin, const char *end, double &value) {
    if (begin == end) return false;
    const std::string text(begin, end);
    char *stop = nullptr;
    value = std::strtod(text.c_str(), &stop);
    return stop == text.c_str() + text.size() && std::isfinite(value) && value > 0 &&
           !std::isspace(static_cast<unsigned char>(text[0]));
}

Outcome parse_resolution(const char *text, const char *analyzer, corvan_resolution &out) {
    corvan_resolution r{};
    r.analyzer = CORVAN_ANALYZER_ORBITRAP;
    if (analyzer != nullptr && !analyzer_from_name(analyzer, r.analyzer))
        return Outcome::failure(CORVAN_E_UNKNOWN, "unknown analyzer " + quoted(analyzer) +
                                                      " (orbitrap, fticr, tof or quadrupole)");
    const char *end = text + std::strlen(text);
    const char *at = std::strchr(text, '@');
    r.reference_mz = 200;
    if (!read_positive(text, at ? at : end, r.resolving_power))
        return Outcome::failure(CORVAN_E_SYNTAX,
                                "the resolving power in " + quoted(text) + " is no number > 0", 0);
    if (at != nullptr && !read_positive(at + 1, end, r.reference_mz))
        return Outcome::failure(CORVAN_E_SYNTAX,
                                "the m/z after '@' in " + quoted(text) + " is no number > 0",
                                at + 1 - text);
    out = r;
    return Outcome::success();
}

} // namespace
} // namespace corvan::spectrum

using namespace corvan;

extern "C" {

int corvan_spectrum_defaults(corvan_spectrum_settings *settings) {
    return api::fill_defaults(settings, spectrum::default_settings());
}

int corvan_resolution_parse(const char *text, const char *analyzer, corvan_resolution *resolution,
                            corvan_error *error) {
    return api::guarded(error, [&]() -> Outcome {
        if (text == nullptr || resolution == nullptr)
            return Outcome::failure(CORVAN_E_ARGUMENT, "a NULL argument");
        return spectrum::parse_resolution(text, analyzer, *resolution);
    });
}

int corvan_resolution_fwhm(const corvan_resolution *resolution, double mz, double *fwhm,
                           corvan_error *error) {
    return api::guarded(error, [&]() -> Outcome {
        if (resolution == nullptr || fwhm == nullptr)
            return Outcome::failure(CORVAN_E_ARGUMENT, "a NULL argument");
        if (!(std::isfinite(mz) && mz > 0))
            return Outcome::failure(CORVAN_E_ARGUMENT, "the m/z must be > 0");
        spectrum::ResolvingPower power;
        Outcome set = power.set(*resolution);
        if (set.ok()) *fwhm = power.fwhm(mz);
        return set;
    });
}

int corvan_fine_structure(const corvan_molecule *molecule, const corvan_options *options,
                          const corvan_spectrum_settings *settings, corvan_spectrum **spectrum,
                          size_t *needed, corvan_error *error) {
    return spectrum::run(molecule, options, settings, spectrum::kFine, spectrum, needed, error);
}

int corvan_profile(const corvan_molecule *molecule, const corvan_options *options,
                   const corvan_spectrum_settings *settings, corvan_spectrum **spectrum,
                   size_t *needed, corvan_error *error) {
    return spectrum::run(molecule, options, settings, spectrum::kProfile, spectrum, needed, error);
}

int corvan_centroids(const corvan_molecule *molecule, const corvan_options *options,
                     const corvan_spectrum_settings *settings, corvan_spectrum **spectrum,
                     size_t *needed, corvan_error *error) {
    return spectrum::run(molecule, options, settings, spectrum::kCentroids, spectrum, needed,
                         error);
}

void corvan_spectrum_free(corvan_spectrum *spectrum) {
    delete spectrum;
}

int corvan_spectrum_get(const corvan_spectrum *spectrum, corvan_spectrum_view *view) {
    if (spectrum == nullptr || view == nullptr) return CORVAN_E_ARGUMENT;
    using spectrum::data_or_null;
    const auto &s = *spectrum;
    *view = corvan_spectrum_view{s.charge,
                                 s.fine.mz.size(),
                                 data_or_null(s.fine.mz),
                                 data_or_null(s.fine.probability),
                                 s.profile.mz.size(),
                                 data_or_null(s.profile.mz),
                                 data_or_null(s.profile.intensity),
                                 s.centroids.mz.size(),
                                 data_or_null(s.centroids.mz),
                                 data_or_null(s.centroids.height),
                                 data_or_null(s.centroids.area),
                                 data_or_null(s.centroids.first_fine),
                                 data_or_null(s.centroids.fine_count)};
    return CORVAN_OK;
}

} // extern "C"
