// An ion's charge: its limit, m/z from mass and charge, how many carriers
// make it, and which charge a call computes when the molecule's text gives
// one too.
#pragma once

#include <cstdlib>
#include <string_view>

#include "corvan.h"
#include "molecule/outcome.hpp"

namespace corvan::ion {

inline constexpr int kMaxCharge = 1000;

constexpr bool charge_in_range(long charge) {
    return charge >= -kMaxCharge && charge <= kMaxCharge;
}

// m/z of the atoms' `mass` at a non-zero `charge`: each unit of positive
// charge is one electron less (negative: one more).
inline double to_mz(double mass, int charge) {
    return (mass - charge * CORVAN_ELECTRON_MASS) / std::abs(charge);
}

// As to_mz, but the neutral mass itself for charge 0.
inline double to_mz_or_mass(double mass, int charge) {
    return charge == 0 ? mass : to_mz(mass, charge);
}

// carrier_count() when the division leaves a remainder.
Outcome carrier_count_refused(int charge, int carrier_charge);

// `charge` / `carrier_charge`, refused unless it is whole. Inline: every
// ion asks it, most of them of the proton.
inline Outcome carrier_count(int charge, int carrier_charge, int &count) {
    if (carrier_charge != 1 && charge % carrier_charge != 0)
        return carrier_count_refused(charge, carrier_charge);
    count = charge / carrier_charge;
    return Outcome::success();
}

// charge_from_text() when the text gives a charge the call does not
// simply repeat.
Outcome charge_from_text_taken(int written, int asked, std::string_view asker, bool &from_text);

// A call is asked for charge `asked` (0: none) of a molecule whose text
// gives `written` ("PEPTIDE/2"; 0: none), perhaps with its own adducts.
// The text's charge is taken (`from_text`) when the call asks for none, or
// when the text names adducts for it; two different charges, or adducts
// against an asked charge, are refused, naming the asker ("options
// charge", "row"). Inline the usual case, where the text gives none.
inline Outcome charge_from_text(int written, bool written_adducts, int asked,
                                std::string_view asker, bool &from_text) {
    from_text = false;
    if (written == 0 || (written == asked && !written_adducts)) return Outcome::success();
    return charge_from_text_taken(written, asked, asker, from_text);
}

} // namespace corvan::ion
