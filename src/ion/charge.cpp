#include "ion/charge.hpp"

#include <string>

namespace corvan::ion {

Outcome carrier_count(int charge, int carrier_charge, int &count) {
    if (charge % carrier_charge != 0)
        return Outcome::failure(CORVAN_E_CHARGE, "charge " + std::to_string(charge) +
                                                     " is no whole number of carriers of charge " +
                                                     std::to_string(carrier_charge));
    count = charge / carrier_charge;
    return Outcome::success();
}

Outcome charge_from_text(int written, bool written_adducts, int asked, std::string_view asker,
                         bool &from_text) {
    from_text = false;
    if (written == 0 || (written == asked && !written_adducts)) return Outcome::success();
    if (asked != 0)
        return Outcome::failure(CORVAN_E_CHARGE,
                                "the text gives charge " + std::to_string(written) + " and the " +
                                    std::string(asker) + " " + std::to_string(asked));
    from_text = true;
    return Outcome::success();
}

} // namespace corvan::ion
