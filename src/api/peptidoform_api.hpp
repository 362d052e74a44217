// Peptidoforms of a ProForma text, one molecule each: chimeras ("A+B")
// hold several, read by index.
#pragma once

#include <cstddef>
#include <limits>
#include <string_view>

#include "api/handles.hpp"

namespace corvan::api {

// The index that asks for the text's only peptidoform: a chimera is refused.
inline constexpr std::size_t kOnlyPeptidoform = std::numeric_limits<std::size_t>::max();

// Peptidoform `index` of `text` (or its only one) into `molecule`:
// composition, charge and written adduct ions.
Outcome read_peptidoform(std::string_view text, std::size_t index, corvan_molecule &molecule);

} // namespace corvan::api
