// Observed spectra through the C interface: matching, label fits,
// deisotoping.
#include <memory>
#include <new>

#include "api/handles.hpp"
#include "observed/deisotope.hpp"
#include "observed/label_fit.hpp"
#include "observed/match.hpp"

struct corvan_match {
    corvan::observed::MatchResult result;
};

struct corvan_envelopes {
    std::vector<corvan_found_envelope> found;
};

namespace corvan::api {

namespace {

const corvan_options kDefaultOptions{};

Outcome argument_missing() {
    return Outcome::failure(CORVAN_E_ARGUMENT, "a required argument is NULL");
}

corvan_match_settings default_match_settings() {
    return {10.0, 0, 0, 0.01, 0.0};
}

corvan_deisotope_settings default_deisotope_settings() {
    return {10.0, 1, 6, 0.9, 2, 0.0, 10.0};
}

const corvan_options &or_defaults(const corvan_options *options) {
    return options != nullptr ? *options : kDefaultOptions;
}

// The settings' check, then the peaks read, then `compute` on them.
template <class Compute>
Outcome on_peaks(Outcome checked, const double *mz, const double *intensity, size_t count,
                 Compute &&compute) {
    observed::PeakList peaks;
    if (checked.ok()) checked = observed::read_peaks(mz, intensity, count, peaks);
    return checked.ok() ? compute(peaks) : checked;
}

// The deisotoping settings (the defaults for null) checked, then the peaks
// read, then `compute` on the peaks and the settings.
template <class Compute>
Outcome on_deisotope_peaks(const corvan_deisotope_settings *settings, const double *mz,
                           const double *intensity, size_t count, Compute &&compute) {
    const corvan_deisotope_settings used =
        settings != nullptr ? *settings : default_deisotope_settings();
    return on_peaks(observed::check_deisotope_settings(used), mz, intensity, count,
                    [&](const observed::PeakList &peaks) { return compute(peaks, used); });
}

} // namespace

} // namespace corvan::api

using namespace corvan;
using namespace corvan::api;

extern "C" {

CORVAN_API int corvan_match_defaults(corvan_match_settings *settings) {
    return fill_defaults(settings, default_match_settings());
}

CORVAN_API int corvan_match_spectrum(const corvan_molecule *molecule, const corvan_options *options,
                                     const corvan_match_settings *settings, const double *mz,
                                     const double *intensity, size_t count, corvan_match **match,
                                     corvan_error *error) {
    if (match != nullptr) *match = nullptr;
    return guarded(error, [&]() -> Outcome {
        if (molecule == nullptr || match == nullptr) return argument_missing();
        const corvan_match_settings used =
            settings != nullptr ? *settings : default_match_settings();
        return on_peaks(observed::check_match_settings(used), mz, intensity, count,
                        [&](const observed::PeakList &peaks) {
                            auto result = std::make_unique<corvan_match>();
                            Outcome done = observed::match_molecule(*molecule, or_defaults(options),
                                                                    used, peaks, result->result);
                            if (done.ok()) *match = result.release();
                            return done;
                        });
    });
}

CORVAN_API int corvan_match_get_summary(const corvan_match *match, corvan_match_summary *summary) {
    if (match == nullptr || summary == nullptr) return CORVAN_E_ARGUMENT;
    *summary = match->result.summary;
    return CORVAN_OK;
}

CORVAN_API size_t corvan_match_peak_count(const corvan_match *match) {
    return match == nullptr ? 0 : match->result.peaks.size();
}

CORVAN_API int corvan_match_peak(const corvan_match *match, size_t index,
                                 corvan_matched_peak *peak) {
    if (match == nullptr || peak == nullptr || index >= match->result.peaks.size())
        return CORVAN_E_ARGUMENT;
    *peak = match->result.peaks[index];
    return CORVAN_OK;
}

CORVAN_API void corvan_match_free(corvan_match *match) {
    delete match;
}

CORVAN_API int corvan_fit_label(const corvan_molecule *molecule, const corvan_options *options,
                                const char *isotope, double ppm, const double *mz,
                                const double *intensity, size_t count, corvan_label_fit *fit,
                                corvan_error *error) {
    return guarded(error, [&]() -> Outcome {
        if (molecule == nullptr || isotope == nullptr || fit == nullptr) return argument_missing();
        return on_peaks(observed::check_ppm(ppm), mz, intensity, count,
                        [&](const observed::PeakList &peaks) {
                            return observed::fit_label(*molecule, or_defaults(options), isotope,
                                                       ppm, peaks, *fit);
                        });
    });
}

CORVAN_API int corvan_fit_mix(const corvan_molecule *light, const corvan_options *light_options,
                              const corvan_molecule *heavy, const corvan_options *heavy_options,
                              double ppm, const double *mz, const double *intensity, size_t count,
                              corvan_mix_fit *fit, corvan_error *error) {
    return guarded(error, [&]() -> Outcome {
        if (light == nullptr || fit == nullptr) return argument_missing();
        return on_peaks(observed::check_ppm(ppm), mz, intensity, count,
                        [&](const observed::PeakList &peaks) {
                            return observed::fit_mix(*light, or_defaults(light_options),
                                                     heavy ? *heavy : *light,
                                                     or_defaults(heavy_options), ppm, peaks, *fit);
                        });
    });
}

CORVAN_API int corvan_deuterium_uptake(const corvan_molecule *molecule,
                                       const corvan_options *options, double ppm, const double *mz,
                                       const double *intensity, size_t count, double *mean_sites,
                                       corvan_error *error) {
    return guarded(error, [&]() -> Outcome {
        if (molecule == nullptr || mean_sites == nullptr) return argument_missing();
        return on_peaks(observed::check_ppm(ppm), mz, intensity, count,
                        [&](const observed::PeakList &peaks) {
                            return observed::deuterium_uptake(*molecule, or_defaults(options), ppm,
                                                              peaks, *mean_sites);
                        });
    });
}

CORVAN_API int corvan_deisotope_defaults(corvan_deisotope_settings *settings) {
    return fill_defaults(settings, default_deisotope_settings());
}

CORVAN_API int corvan_deisotope(const double *mz, const double *intensity, size_t count,
                                const corvan_deisotope_settings *settings,
                                corvan_envelopes **envelopes, corvan_error *error) {
    if (envelopes != nullptr) *envelopes = nullptr;
    return guarded(error, [&]() -> Outcome {
        if (envelopes == nullptr) return argument_missing();
        return on_deisotope_peaks(
            settings, mz, intensity, count,
            [&](const observed::PeakList &peaks, const corvan_deisotope_settings &used) {
                auto result = std::make_unique<corvan_envelopes>();
                Outcome done = observed::deisotope(peaks, used, result->found);
                if (done.ok()) *envelopes = result.release();
                return done;
            });
    });
}

CORVAN_API size_t corvan_envelopes_count(const corvan_envelopes *envelopes) {
    return envelopes == nullptr ? 0 : envelopes->found.size();
}

CORVAN_API int corvan_envelopes_get(const corvan_envelopes *envelopes, size_t index,
                                    corvan_found_envelope *envelope) {
    if (envelopes == nullptr || envelope == nullptr || index >= envelopes->found.size())
        return CORVAN_E_ARGUMENT;
    *envelope = envelopes->found[index];
    return CORVAN_OK;
}

CORVAN_API void corvan_envelopes_free(corvan_envelopes *envelopes) {
    delete envelopes;
}

CORVAN_API int corvan_monoisotopic_check(const double *mz, const double *intensity, size_t count,
                                         double named_mz, int charge,
                                         const corvan_deisotope_settings *settings,
                                         corvan_monoisotopic *result, corvan_error *error) {
    return guarded(error, [&]() -> Outcome {
        if (result == nullptr) return argument_missing();
        return on_deisotope_peaks(
            settings, mz, intensity, count,
            [&](const observed::PeakList &peaks, const corvan_deisotope_settings &used) {
                return observed::check_monoisotopic(peaks, named_mz, charge, used, *result);
            });
    });
}

} // extern "C"
