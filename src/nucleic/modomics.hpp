// The modified ribonucleosides of Modomics (src/data/modomics.cpp, generated
// by tools/gen_nucleosides.py) and their look-up by short name or code.
#pragma once

#include <string_view>

namespace corvan::modomics {

struct Entry {
    const char *short_name; // as a sequence writes it in brackets: "m1A", "t6A"
    const char *code;       // numeric nomenclature: "1A", "62A" ("" when it is another's name)
    char base;              // the nucleoside it derives from: A, C, G or U
    const char *formula;    // the neutral nucleoside, for chem::parse_formula
};

extern const Entry kEntries[]; // sorted by short name (byte order)
extern const int kEntryCount;

// The entry a bracket names, by short name first, then by code; nullptr if none.
const Entry *find(std::string_view name);

} // namespace corvan::modomics
