// The options handle: charge and adduct, labels, limits.
#include <new>

#include "api/handles.hpp"

using namespace corvan;

namespace {

Outcome no_options() {
    return Outcome::failure(CORVAN_E_ARGUMENT, "no options given");
}

} // namespace

extern "C" {

corvan_options *corvan_options_create(void) {
    return new (std::nothrow) corvan_options();
}

void corvan_options_free(corvan_options *options) {
    delete options;
}

int corvan_options_set_charge(corvan_options *options, int charge, const char *adduct,
                              corvan_error *error) {
    return api::guarded(error, [&]() -> Outcome {
        if (options == nullptr) return no_options();
        if (!ion::charge_in_range(charge))
            return Outcome::failure(CORVAN_E_RANGE, "the charge must lie within +-1000");
        ion::Carrier carrier;
        Outcome parsed = ion::parse_carrier(adduct == nullptr ? "" : adduct, carrier);
        if (!parsed.ok()) return parsed;
        if (carrier.whole_ion && charge == 0) charge = carrier.charge; // "[M+H+Na]2+": 2
        if (carrier.whole_ion && charge != carrier.charge)
            return Outcome::failure(CORVAN_E_CHARGE, "the ion " + quoted(adduct) + " has charge " +
                                                         std::to_string(carrier.charge) + ", not " +
                                                         std::to_string(charge));
        int carriers = 0;
        Outcome counted = ion::carrier_count(charge, carrier.charge, carriers);
        if (!counted.ok()) return counted;
        options->charge = charge;
        options->carrier = std::move(carrier);
        options->adduct = adduct == nullptr ? "" : adduct;
        return Outcome::success();
    });
}

int corvan_options_set_label(corvan_options *options, const char *isotope, double fraction,
                             corvan_error *error) {
    return api::guarded(error, [&]() -> Outcome {
        if (options == nullptr || isotope == nullptr) return no_options();
        return options->labels.set(isotope, fraction);
    });
}

int corvan_options_parse_label(corvan_options *options, const char *text, corvan_error *error) {
    return api::guarded(error, [&]() -> Outcome {
        if (options == nullptr || text == nullptr) return no_options();
        return options->labels.parse(text);
    });
}

int corvan_options_set_limits(corvan_options *options, int max_points, double min_intensity,
                              corvan_error *error) {
    return api::guarded(error, [&]() -> Outcome {
        if (options == nullptr) return no_options();
        if (max_points < 0)
            return Outcome::failure(CORVAN_E_ARGUMENT, "the number of points must be >= 0");
        if (!(min_intensity >= 0 && min_intensity <= 1))
            return Outcome::failure(CORVAN_E_ARGUMENT,
                                    "the intensity threshold must lie from 0 to 1");
        options->max_points = max_points;
        options->min_intensity = min_intensity;
        return Outcome::success();
    });
}

} // extern "C"
