// Fragment ions through the public interface: the settings read and
// checked, the ions computed into a list handle.
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "api/handles.hpp"
#include "fragments/conditioned.hpp"
#include "fragments/fragment_ions.hpp"
#include "fragments/ion_series.hpp"

struct corvan_fragment_list {
    std::vector<corvan::fragments::FragmentIon> ions;
};

namespace corvan::api {

namespace {

Outcome read_request(int kind, const corvan_fragment_settings &settings,
                     fragments::Request &request) {
    request.kind = kind;
    const bool nucleic = kind == CORVAN_KIND_RNA || kind == CORVAN_KIND_DNA;
    request.types = settings.types != 0 ? settings.types
                    : nucleic ? CORVAN_ION_A_BASE | CORVAN_ION_C | CORVAN_ION_W | CORVAN_ION_Y
                              : CORVAN_ION_B | CORVAN_ION_Y;
    request.min_charge = settings.min_charge;
    request.max_charge = settings.max_charge;
    request.losses = settings.losses;
    request.precursor_charge = settings.precursor_charge;
    request.isolates_window = settings.window_low != 0 || settings.window_high != 0;
    request.window_low = settings.window_low;
    request.window_high = settings.window_high;
    if (settings.isolated_peaks == nullptr || settings.isolated_peaks[0] == '\0')
        return Outcome::success();
    request.isolates_peaks = true;
    const std::size_t length = std::strlen(settings.isolated_peaks);
    if (length > CORVAN_MAX_TEXT)
        return Outcome::failure(CORVAN_E_RANGE, "the isolated peaks are longer than " +
                                                    std::to_string(CORVAN_MAX_TEXT) + " bytes");
    return fragments::parse_isolated_peaks({settings.isolated_peaks, length},
                                           request.isolated_peaks);
}

} // namespace
} // namespace corvan::api

using namespace corvan;

extern "C" {

int corvan_fragment_defaults(corvan_fragment_settings *settings) {
    // types 0: the kind's usual series
    return api::fill_defaults(settings, corvan_fragment_settings{0, 1, 1, 0, 0, nullptr, 0, 0});
}

int corvan_fragment_types_parse(const char *text, unsigned *types, corvan_error *error) {
    return api::guarded(error, [&]() -> Outcome {
        if (text == nullptr || types == nullptr)
            return Outcome::failure(CORVAN_E_ARGUMENT, "no types text or no result");
        return fragments::parse_types(text, *types);
    });
}

int corvan_fragment_charges_parse(const char *text, int *min_charge, int *max_charge,
                                  corvan_error *error) {
    return api::guarded(error, [&]() -> Outcome {
        if (text == nullptr || min_charge == nullptr || max_charge == nullptr)
            return Outcome::failure(CORVAN_E_ARGUMENT, "no charges text or no result");
        return fragments::parse_charges(text, *min_charge, *max_charge);
    });
}

int corvan_fragments(int kind, const char *text, const corvan_fragment_settings *settings,
                     corvan_fragment_list **list, corvan_error *error) {
    return api::guarded(error, [&]() -> Outcome {
        if (list == nullptr) return Outcome::failure(CORVAN_E_ARGUMENT, "no list pointer");
        *list = nullptr;
        if (text == nullptr) return Outcome::failure(CORVAN_E_ARGUMENT, "no text given");
        const std::size_t length = std::strlen(text);
        if (length > CORVAN_MAX_TEXT)
            return Outcome::failure(CORVAN_E_RANGE, "the text is longer than " +
                                                        std::to_string(CORVAN_MAX_TEXT) + " bytes");
        corvan_fragment_settings defaults;
        corvan_fragment_defaults(&defaults);
        fragments::Request request;
        Outcome step = api::read_request(kind, settings ? *settings : defaults, request);
        if (!step.ok()) return step;
        auto made = std::make_unique<corvan_fragment_list>();
        step = fragments::compute({text, length}, request, made->ions);
        if (step.ok()) *list = made.release();
        return step;
    });
}

size_t corvan_fragment_list_count(const corvan_fragment_list *list) {
    return list == nullptr ? 0 : list->ions.size();
}

int corvan_fragment_list_get(const corvan_fragment_list *list, size_t index,
                             corvan_fragment *fragment) {
    if (list == nullptr || fragment == nullptr) return CORVAN_E_ARGUMENT;
    if (index >= list->ions.size()) return CORVAN_E_RANGE;
    const fragments::FragmentIon &ion = list->ions[index];
    *fragment = {ion.fragment.name.c_str(),
                 ion.fragment.series,
                 ion.fragment.number,
                 ion.fragment.loss,
                 ion.charge,
                 ion.formula.c_str(),
                 ion.monoisotopic_mass,
                 ion.monoisotopic_mz,
                 ion.shares.size(),
                 ion.neutrons.data(),
                 ion.shares.data(),
                 ion.conditioned.empty() ? nullptr : ion.conditioned.data(),
                 ion.masses.data(),
                 ion.mz.data()};
    return CORVAN_OK;
}

void corvan_fragment_list_free(corvan_fragment_list *list) {
    delete list;
}

} // extern "C"
