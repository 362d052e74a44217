// Checks of the text a user typed, made before the library sees it. The
// library reads any text (unknown letters count as residues without atoms,
// unknown formula symbols are skipped); on the command line such input is
// almost always a typing slip, so it is refused with a reason.
#pragma once

#include <optional>
#include <string>

namespace cli {

std::optional<std::string> check_peptide(const std::string &text);
std::optional<std::string> check_rna(const std::string &text);

} // namespace cli
