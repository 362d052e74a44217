// Monosaccharides of glycan compositions ("HexNAc2Hex5"): residue formulas,
// each sugar less one water, as a glycosidic chain holds it.
#pragma once

#include <string_view>

namespace corvan::glycan {

struct Monosaccharide {
    const char *name;    // as compositions write it ("HexNAc"); compared ignoring case
    const char *formula; // for chem::parse_formula
};

// The longest name that starts `text` (HexNAc before Hex), or nullptr.
const Monosaccharide *match_monosaccharide(std::string_view text);

} // namespace corvan::glycan
