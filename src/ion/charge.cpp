#include "ion/charge.hpp"

#include <string>

namespace corvan::ion {

Outcome carrier_count_refused(int charge, int carrier_charge) {
    return Outcome::failure(CORVAN_E_CHARGE, "charge " + std::to_string(charge) +
                                                 " is no whole number of carriers of charge " +
                                                 std::to_string(carrier_charge));
}

// The text gives a charge the call does not simply repeat: taken when the
// call asks for none, refused otherwise.
Outcome charge_from_text_taken(int written, int asked, std::string_view asker, bool &from_text) {
    if (asked != 0)
        return Outcome::failure(CORVAN_E_CHARGE,
                                "the text gives charge " + std::to_string(written) + " and the " +
                                    std::string(asker) + " " + std::to_string(asked));
    from_text = true;
    return Outcome::success();
}

} // namespace corvan::ion
